// SPDX-License-Identifier: GPL-2.0-or-later
#include "skin/app_font.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <algorithm>
#include <optional>

#include "base/log.h"
#include "platform/checked_file.h"
#include "platform/special_folders.h"

namespace {
std::optional<QFont> g_font;
int g_fontId = -1;
int g_cellHeight = 15;

constexpr int kDefaultFontSize = 15;
// The largest font file that is read; large fonts with many scripts stay well below.
constexpr std::size_t kMaxFontFileBytes = std::size_t{64} << 20;
constexpr int kAppFontWeight = 90;
}  // namespace

const QFont* AppFont() { return g_font ? &*g_font : nullptr; }

void FitCellHeight(QFont& font, int cellHeight) {
  if (cellHeight <= 0) return;
  int size = cellHeight;
  font.setPixelSize(size);
  while (size > 1 && QFontMetrics(font).height() > cellHeight) font.setPixelSize(--size);
}

void CreateAppFont(const std::string& programFolder, std::u16string_view fontName, int fontSize) {
  const std::string file = programFolder + "appfont.ttf";
  if (fontName.empty() || !PathFileExists(file)) return;
  g_cellHeight = fontSize > 0 ? fontSize : kDefaultFontSize;
  QFont font(QString::fromStdU16String(std::u16string(fontName)));
  font.setPixelSize(g_cellHeight);
  font.setWeight(static_cast<QFont::Weight>(kAppFontWeight));
  font.setItalic(false);
  font.setUnderline(false);
  font.setStrikeOut(false);
  g_font = font;
  // The font file's bytes come through the checked opener, so that a pipe or a device in
  // its place cannot stall start-up; one that cannot be read adds nothing, as a damaged
  // file would.
  const FileBytes bytes = ReadWholeFile(file, kMaxFontFileBytes);
  if (bytes.ok()) {
    g_fontId = QFontDatabase::addApplicationFontFromData(
        QByteArray(bytes.bytes.data(), static_cast<qsizetype>(bytes.bytes.size())));
  } else {
    WriteLog("appfont.ttf: %s", bytes.Reason().c_str());
  }
  // Now that the face is known its metrics are: the height is the font's cell height.
  FitCellHeight(*g_font, g_cellHeight);
}

void RemoveAppFont(const std::string& /*programFolder*/) {
  if (!g_font) return;
  if (g_fontId >= 0) QFontDatabase::removeApplicationFont(g_fontId);
  g_fontId = -1;
  g_font.reset();
}

QFont ShellDlgFont(int cellHeight, int weight) {
  QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 1, 1000)));
  font.setItalic(false);
  FitCellHeight(font, cellHeight);
  return font;
}

QFont WindowFont(int cellHeight, int weight) {
  if (const QFont* app = AppFont()) return *app;
  return ShellDlgFont(cellHeight, weight);
}
