// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/profile_sanitize.h"

#include <algorithm>
#include <cstdio>

#include "base/settings.h"

namespace {

std::size_t U(int i) { return static_cast<std::size_t>(i); }

std::string Line(const char* format, long a, long b, long c = 0) {
  char text[160];
  std::snprintf(text, sizeof text, format, a, b, c);
  return text;
}

// Ends a fixed text field inside itself; true when it had no end.
template <std::size_t N>
bool Terminate(std::array<char16_t, N>& field) {
  if (std::find(field.begin(), field.end(), u'\0') != field.end()) return false;
  field.back() = u'\0';
  return true;
}

bool KnownKind(const KeyFunction& key) {
  const uint8_t kind = key.Kind();
  if (kind == KIND_NONE) return key.Value() == 0;
  return kind <= KIND_MACRO;
}

bool SameRect(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

bool PictureRect(const Rect& r) {
  const auto inside = [](int32_t v) { return v >= 0 && v <= kPictureCoordinateLimit; };
  return inside(r.left) && inside(r.top) && inside(r.right) && inside(r.bottom) && r.left <= r.right &&
         r.top <= r.bottom;
}

// A speed or brightness level the program itself may have stored: 0 (a slider outside its
// range), one inside the slider's range, or a default of a new profile.
struct LevelRule {
  int lowest = 0;
  int highest = 0;
  uint8_t standard = 0;   // DefSpeed or DefLight
  uint8_t ofDefault = 0;  // the LEDParam byte of the default mode
};

bool LevelInRange(uint8_t level, const LevelRule& rule, bool defaultMode) {
  return level == 0 || (level >= rule.lowest && level <= rule.highest) || level == rule.standard ||
         (defaultMode && level == rule.ofDefault);
}

LevelRule RuleOf(Point range, int32_t standard, uint8_t ofDefault) {
  LevelRule rule;
  rule.lowest = std::clamp(std::min(range.x, range.y), 0, 255);
  rule.highest = std::clamp(std::max(range.x, range.y), 0, 255);
  rule.standard = static_cast<uint8_t>(standard);
  rule.ofDefault = ofDefault;
  return rule;
}

}  // namespace

std::vector<std::string> SanitizeProfile(Profile& p, const AppSettings& settings) {
  std::vector<std::string> repairs;
  if (Terminate(p.name)) repairs.emplace_back("name without end, cut to 19 characters");
  if (Terminate(p.linkedProgram)) repairs.emplace_back("linked program without end, cut to 259 characters");
  if (p.keyLayer != 0) {
    repairs.push_back(Line("key layer %ld -> %ld", p.keyLayer, 0));
    p.keyLayer = 0;
  }

  const KeyTable& table = settings.KeyTable;
  for (int i = 0; i < kKeyCount; ++i) {
    KeyFunction& key = p.keys[U(i)];
    // Records past the table's count are all zero: such a key gets no function.
    const KeyFunction& record = table.keys[U(i)];
    if (!KnownKind(key)) {
      repairs.push_back(Line("key %ld: function 0x%08lx of no known kind -> the key table's", i, key.code));
      key = record;
      continue;
    }
    if (key.matrixPos < 0 || key.matrixPos >= kKeyCount) {
      repairs.push_back(Line("key %ld: matrix position %ld -> %ld", i, key.matrixPos, record.matrixPos));
      key.matrixPos = record.matrixPos;
    }
    if (!PictureRect(key.rect) && !SameRect(key.rect, record.rect)) {
      repairs.push_back(Line("key %ld: rectangle out of the picture -> the key table's", i, 0));
      key.rect = record.rect;
    }
  }

  const int32_t defaultMode = DefaultLightingMode(settings);
  if (p.ledMode < 0 || p.ledMode >= kLightingModeCount) {
    repairs.push_back(Line("lighting mode %ld -> %ld", p.ledMode, defaultMode));
    p.ledMode = defaultMode;
  }
  const LevelRule speed = RuleOf(settings.SpeedVal, settings.DefSpeed, settings.LEDParam[1]);
  const LevelRule brightness = RuleOf(settings.LightVal, settings.DefLight, settings.LEDParam[2]);
  for (int m = 0; m < kLightingModeCount; ++m) {
    ModeSetting& s = p.modeSettings[U(m)];
    const bool isDefault = m == defaultMode;
    if (!LevelInRange(s.speed, speed, isDefault)) {
      const auto to = static_cast<uint8_t>(std::clamp<int>(s.speed, speed.lowest, speed.highest));
      repairs.push_back(Line("mode %ld: speed %ld -> %ld", m, s.speed, to));
      s.speed = to;
    }
    if (!LevelInRange(s.brightness, brightness, isDefault)) {
      const auto to = static_cast<uint8_t>(std::clamp<int>(s.brightness, brightness.lowest, brightness.highest));
      repairs.push_back(Line("mode %ld: brightness %ld -> %ld", m, s.brightness, to));
      s.brightness = to;
    }
  }
  if (p.colourGroup >= kColourGroupCount) {
    repairs.push_back(Line("colour group %ld -> %ld", p.colourGroup, 0));
    p.colourGroup = 0;
  }
  return repairs;
}
