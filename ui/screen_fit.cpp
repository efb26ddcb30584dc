// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/screen_fit.h"

#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

#include "base/settings.h"

namespace {

constexpr int kLowestPercent = 100;  // Qt's widgets draw at a factor of 1 and above only
constexpr int kHighestPercent = 400;

std::string& Description() {
  static std::string text = "desktop";
  return text;
}

}  // namespace

double ScaleSettingFactor(int percent) {
  return percent >= kLowestPercent && percent <= kHighestPercent ? percent / 100.0 : 0.0;
}

WindowScale PrepareWindowScale(const std::string& programFolder) {
  // Fractional factors (a desktop at 1.25, a Scale of 150) are used as they are.
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  const char* user = std::getenv("QT_SCALE_FACTOR");
  if (user != nullptr && *user != 0) {
    Description() = std::string(user) + " (QT_SCALE_FACTOR)";
    return WindowScale::kUser;
  }
  const int32_t percent = ReadScaleSetting(programFolder);
  if (const double factor = ScaleSettingFactor(percent); factor > 0) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", factor);
    ::setenv("QT_SCALE_FACTOR", text, 1);
    Description() = std::string(text) + " (Scale setting)";
    return WindowScale::kSetting;
  }
  Description() = percent == 0 ? "the desktop's" : "the desktop's (Scale=" + std::to_string(percent) + " ignored: 100 to 400)";
  return WindowScale::kDesktop;
}

std::string WindowScaleDescription() { return Description(); }
