// SPDX-License-Identifier: GPL-2.0-or-later
#include "device/device_presence.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "base/log.h"
#include "base/settings.h"
#include "device/usb_driver.h"

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
  if (part.size() > text.size()) return false;
  for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
    std::size_t k = 0;
    while (k < part.size() && Lower(text[i + k]) == Lower(part[k])) ++k;
    if (k == part.size()) return true;
  }
  return false;
}

// One hexadecimal field of at most four digits; false for anything else.
bool HexField(std::string_view field, unsigned& value) {
  if (field.empty() || field.size() > 4) return false;
  value = 0;
  for (const char c : field) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    value = value * 16 + static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : Lower(c) - 'a' + 10);
  }
  return true;
}

}  // namespace

std::string KeyboardDevicePattern(uint16_t vid, uint16_t pid) {
  char pattern[32];
  std::snprintf(pattern, sizeof pattern, "USB#VID_%04x&PID_%04x", vid, pid);
  return pattern;
}

bool NamesKeyboard(std::string_view deviceName, uint16_t vid, uint16_t pid) {
  return ContainsIgnoringCase(deviceName, KeyboardDevicePattern(vid, pid));
}

std::string UsbDeviceName(std::string_view product, std::string_view path) {
  const std::size_t first = product.find('/');
  if (first == std::string_view::npos) return {};
  const std::size_t second = product.find('/', first + 1);
  unsigned vid = 0;
  unsigned pid = 0;
  const std::string_view pidField =
      product.substr(first + 1, second == std::string_view::npos ? std::string_view::npos : second - first - 1);
  if (!HexField(product.substr(0, first), vid) || !HexField(pidField, pid)) return {};
  char name[32];
  std::snprintf(name, sizeof name, "USB#VID_%04X&PID_%04X#", vid, pid);
  return std::string(name).append(path);
}

DevicePresence::Reaction DevicePresence::OnDeviceEvent(const DeviceEvent& event) {
  const AppSettings& s = driver_.Config();
  if (!NamesKeyboard(event.name, static_cast<uint16_t>(s.VID), static_cast<uint16_t>(s.PID))) return Reaction::None;
  if (event.kind == DeviceEvent::Kind::Arrival) {
    WriteLog("Device IN");
    triesLeft_ = kArrivalTries;
    return Reaction::Search;
  }
  WriteLog("Device OUT");
  triesLeft_ = 0;
  driver_.ClearHandle();
  return Reaction::Removed;
}

DevicePresence::SearchResult DevicePresence::Search() {
  if (triesLeft_ <= 0) return SearchResult::Idle;
  --triesLeft_;
  if (driver_.FindDev() == 1) {
    triesLeft_ = 0;
    return SearchResult::Found;
  }
  return triesLeft_ > 0 ? SearchResult::TryAgain : SearchResult::GaveUp;
}
