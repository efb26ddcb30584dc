// SPDX-License-Identifier: GPL-2.0-or-later
// What the profile fuzz targets check on each profile a loader hands out: every value used
// as an index is in range, and the consumers run over it as the program runs them (the
// lighting values and texts "tastor-cli lighting" shows, the key colours of the picture,
// the device matrix, and the lighting and colour reports an apply sends).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/settings.h"
#include "device/apply_setting.h"
#include "fuzz/fuzz_support.h"
#include "macro/macro_library.h"
#include "model/device_matrix.h"
#include "model/profile_edit.h"
#include "text/text_table.h"

namespace fuzzing {

// Settings with a full key table (key i is the virtual key 0x30 + i at position 125 - i),
// so that key resets and the matrix have records to work with.
inline const AppSettings& ProfileSettings() {
  static const AppSettings settings = [] {
    AppSettings s;
    LoadSettings(Scratch() + "no-such-program/", s);
    for (int i = 0; i < kKeyCount; ++i) {
      KeyFunction& k = s.KeyTable.keys[static_cast<std::size_t>(i)];
      k.code = KeyFunction::MakeCode(KIND_KEY, 0xA0);
      k.key1 = static_cast<uint8_t>(0x30 + i);
      k.matrixPos = kKeyCount - 1 - i;
      k.rect = {i * 10, 0, i * 10 + 9, 9};
    }
    s.KeyTable.count = kKeyCount;
    return s;
  }();
  return settings;
}

template <std::size_t N>
bool Ends(const std::array<char16_t, N>& field) {
  return std::find(field.begin(), field.end(), u'\0') != field.end();
}

inline void CheckProfileInRange(const Profile& p, const AppSettings& s, const MacroLookup& macros) {
  Check(p.ledMode >= 0 && p.ledMode < kLightingModeCount, "the lighting mode is a mode index");
  Check(p.colourGroup < kColourGroupCount, "the colour group is a group index");
  Check(p.keyLayer == 0, "the key layer is 0");
  Check(Ends(p.name) && Ends(p.linkedProgram), "the texts end inside their fields");
  for (const KeyFunction& k : p.keys) {
    Check(k.Kind() <= KIND_MACRO && (k.Kind() != KIND_NONE || k.Value() == 0), "every key function has a kind");
    Check(k.matrixPos >= 0 && k.matrixPos < kKeyCount, "every matrix position is inside the matrix");
  }

  // What "tastor-cli lighting" and the lighting panel show.
  const TextTable& texts = TextTable::Instance();
  const ModeSetting m = ModeSettingOf(p, p.ledMode);
  Check(m.speed == p.modeSettings[static_cast<std::size_t>(p.ledMode)].speed, "the mode's own settings are shown");
  (void)ControlsOfMode(p.ledMode, s);
  (void)texts.LedModeName(p.ledMode);
  (void)BrightnessText(m.brightness, s);
  (void)SpeedText(m.speed);
  (void)ColourGroupName(texts, p.colourGroup);
  for (const ChoiceItem& item : LightingModeItems(texts, s)) {
    Check(item.value >= 0 && item.value < kLightingModeCount, "the mode list offers mode indexes");
  }
  if (ColourEditingAllowed(p, s)) Check(p.colourGroup < kColourGroupCount, "key colours go into a group");

  // The picture's colours are the current group's.
  const auto colours = PictureColours(p, s.GaoshouIndex, s);
  const auto& group = p.colours[p.colourGroup];
  for (int i = 0; i < s.KeyTable.count; ++i) {
    const int pos = s.KeyTable.keys[static_cast<std::size_t>(i)].matrixPos;
    Check(colours[static_cast<std::size_t>(i)] == group[static_cast<std::size_t>(pos)], "the picture shows the group");
  }

  // The reports an apply sends.
  DeviceMatrix matrix{};
  KEYINFO_2_Matrix(p.keys, s.KeyTable, macros, matrix);
  std::array<uint8_t, kLedPayload> led{};
  PatchLedPayload(p, s, led.data());
  Check(led[0] == s.LedModeTable[static_cast<std::size_t>(p.ledMode)].code, "the lighting report names the mode");
  Check(led[1] >= 1 && led[1] <= kColourGroupCount, "the lighting report names a group");
  std::array<uint8_t, kColourPayload> colour{};
  Check(BuildColourPayload(p, colour.data()), "the colour report is built");
  Check(colour[0] == led[1], "the colour report names the same group");
}

}  // namespace fuzzing
