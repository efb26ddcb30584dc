// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/profile.h"

#include <algorithm>
#include <cstring>

#include "base/log.h"
#include "base/settings.h"
#include "text/utf.h"

namespace {

// Letters and digits stand for their own codes.
constexpr uint8_t kLCtrl = 0xA2, kLShift = 0xA0, kLAlt = 0xA4, kSpace = 0x20, kTab = 0x09, kEsc = 0x1B;
constexpr uint8_t kUp = 0x26, kDown = 0x28, kLeft = 0x25, kRight = 0x27;

constexpr uint8_t kGroup0[] = {'A', 'S', 'D', 'W', kUp, kDown, kLeft, kRight, kEsc};
constexpr uint8_t kGroup1[] = {'A',  'S',  'D',  'W',  kLCtrl, kLShift, kLAlt, kSpace, 'R',  'G',
                               'Q',  'E',  'B',  '1',  '2',    '3',     '4',   '5',    kTab, 0x70,
                               0x71, 0x72, 0x24, 0x23, 0x21,   0x22,    0x2C,  0x91};
constexpr uint8_t kGroup2[] = {'Q', 'W', 'E', 'R', 'T', 'A', 'S', 'D', 'F', 'G', 'C',
                               'V', '1', '2', '3', '4', '5', '6', '7', kLCtrl, kLShift};
constexpr uint8_t kGroup3[] = {'Q', 'W', 'E', 'R', 'A', 'S', 'D', 'G', 'X', 'Z', 'F', 'K', 'L', 'H',
                               'M', 'N', 'U', 'Y', 'T', 'P', '1', '2', '3', '4', '5', '6', '7', '8',
                               '9', '0', kLCtrl, kLShift, kLAlt, kSpace};
constexpr uint8_t kGroup4[] = {'Q',    'W',  'E',    'R', 'D', 'G', 'F', 'B', 'V', kLCtrl, kLAlt,
                               kTab, kSpace, '1', '2', '3', '4', '5', '6', kEsc, 0xC0};
constexpr uint8_t kGroup5[] = {'A', 'S', 'D', 'W', 'R', kUp, kDown, kLeft, kRight, kLCtrl, kLShift, kLAlt};
constexpr uint8_t kGroup6[] = {'A',    'F', 'S', 'W',  'R',   'E',    kLCtrl, kLShift, kLAlt, kSpace, kUp,
                               kDown, kLeft, kRight, 'Z', 'X', 'C', 'V', '1', '2', '3', '4'};
constexpr uint8_t kGroup7[] = {'Q', 'W', 'E', 'R', 'D', 'F', 'B', '1', '2', '3', '4', '5', '6'};

constexpr std::span<const uint8_t> kPresetGroups[kPresetGroupCount] = {kGroup0, kGroup1, kGroup2, kGroup3,
                                                                      kGroup4, kGroup5, kGroup6, kGroup7};

// The modifier bit a modifier key code tests in a key table record, or 0.
uint8_t ModifierBitOf(uint8_t vk) {
  switch (vk) {
    case 0x10: case 0xA0: return 0x02;
    case 0x11: case 0xA2: return 0x01;
    case 0x12: case 0xA4: return 0x04;
    case 0x5B: return 0x08;
    case 0x5C: return 0x80;
    case 0xA1: return 0x20;
    case 0xA3: return 0x10;
    case 0xA5: return 0x40;
    default: return 0;
  }
}

bool ValidPosition(int pos) { return pos >= 0 && pos < kKeyCount; }

}  // namespace

std::u16string Profile::Name() const {
  const auto end = std::find(name.begin(), name.end(), u'\0');
  return std::u16string(name.begin(), end);
}

void Profile::SetName(std::u16string_view text) {
  name.fill(u'\0');
  const std::u16string cut = Truncated(text, kProfileNameChars);
  std::copy(cut.begin(), cut.end(), name.begin());
}

std::u16string Profile::LinkedProgram() const {
  const auto end = std::find(linkedProgram.begin(), linkedProgram.end(), u'\0');
  return std::u16string(linkedProgram.begin(), end);
}

void ProfileToBytes(const Profile& profile, std::span<uint8_t, kProfileSize> out) {
  std::memcpy(out.data(), &profile, kProfileSize);
}

Profile ProfileFromBytes(std::span<const uint8_t, kProfileSize> bytes) {
  Profile p;
  std::memcpy(&p, bytes.data(), kProfileSize);
  p.keyLayer = 0;
  return p;
}

bool IsValidProfileImage(std::span<const uint8_t, kProfileSize> bytes) {
  uint32_t signature = 0, id = 0;
  std::memcpy(&signature, bytes.data(), 4);
  std::memcpy(&id, bytes.data() + 4, 4);
  return signature == kProfileSignature && id != 0;
}

Profile MakeProfile(uint32_t id, std::u16string_view name, const AppSettings& settings) {
  Profile p;
  p.signature = kProfileSignature;
  p.id = id;
  p.SetName(name);
  ResetProfileToDefaults(p, settings);
  return p;
}

void ResetProfileToDefaults(Profile& profile, const AppSettings& settings) {
  profile.linkedProgram.fill(u'\0');
  profile.reserved1.fill(0);
  profile.keyLayer = 0;
  profile.keys = settings.KeyTable.keys;
  SetDefaultLighting(profile, settings);
}

void SetDefaultLighting(Profile& profile, const AppSettings& settings) {
  // Everything from the lighting mode to the end of the record.
  profile.ledMode = 0;
  profile.modeSettings = {};
  profile.colourGroup = 0;
  profile.groupEdited = {};
  profile.reserved2 = {};
  profile.colours = {};
  profile.reserved3 = 0;

  const ModeSetting standard{static_cast<uint8_t>(settings.DefSpeed), static_cast<uint8_t>(settings.DefLight)};
  profile.modeSettings.fill(standard);
  // A first LEDParam byte beyond the mode table names no mode: the profile starts in mode 0
  // with the standard pair.
  profile.ledMode = DefaultLightingMode(settings);
  if (settings.LEDParam[0] < kLightingModeCount) {
    profile.modeSettings[settings.LEDParam[0]] = {settings.LEDParam[1], settings.LEDParam[2]};
  }
  profile.colourGroup = 0;
  profile.groupEdited.fill(1);

  const KeyTable& table = settings.KeyTable;
  for (int g = 0; g < kPresetGroupCount; ++g) {
    for (const uint8_t vk : kPresetGroups[g]) {
      const int pos = MatrixPositionOfVirtualKey(table, vk);
      if (ValidPosition(pos)) profile.colours[g][static_cast<std::size_t>(pos)] = settings.clrGaoshou;
    }
  }

  for (int j = 0; j < kGameKeySetCount; ++j) {
    const auto& set = settings.GameKeySets[static_cast<std::size_t>(j)];
    if (std::all_of(set.begin(), set.end(), [](uint8_t v) { return v == 0; })) continue;
    auto& group = profile.colours[static_cast<std::size_t>(j)];
    group.fill(0);
    for (int k = 0; k < kKeyCount; ++k) {
      const uint8_t v = set[static_cast<std::size_t>(k)];
      if (v == 0) continue;
      const int pos = MatrixPositionOfVirtualKey(table, v);
      if (!ValidPosition(pos)) {
        WriteLog("Error Value: GaoshouKey[%d][%d]=0x%x", j, k, v);
        continue;
      }
      group[static_cast<std::size_t>(pos)] = settings.clrGaoshou;
    }
  }
}

int32_t DefaultLightingMode(const AppSettings& settings) {
  return settings.LEDParam[0] < kLightingModeCount ? settings.LEDParam[0] : 0;
}

int MatrixPositionOfVirtualKey(const KeyTable& table, uint8_t vk) {
  if (vk == 0) return -1;
  const uint8_t bit = ModifierBitOf(vk);
  for (const KeyFunction& record : table.keys) {
    if (record.code == 0) continue;
    const bool match = record.modifiers == 0 ? record.key1 == vk : (bit != 0 && (record.modifiers & bit) != 0);
    if (match) return record.matrixPos;
  }
  return -1;
}

bool IsDefaultFunction(const KeyFunction& function, const KeyFunction& tableRecord) {
  return function.code == tableRecord.code && function.modifiers == tableRecord.modifiers &&
         function.key1 == tableRecord.key1 && function.key2 == tableRecord.key2;
}

int ChangedKeyCount(const Profile& profile, const KeyTable& table) {
  int changed = 0;
  for (int i = 0; i < std::min(table.count, kKeyCount); ++i) {
    if (!IsDefaultFunction(profile.keys[static_cast<std::size_t>(i)], table.keys[static_cast<std::size_t>(i)])) ++changed;
  }
  return changed;
}

std::span<const uint8_t> PresetGroupKeys(int group) {
  if (group < 0 || group >= kPresetGroupCount) return {};
  return kPresetGroups[group];
}

const char* FunctionKindName(uint8_t kind) {
  switch (kind) {
    case KIND_NONE: return "none";
    case KIND_MOUSE: return "mouse";
    case KIND_KEY: return "key";
    case KIND_MEDIA: return "media";
    case KIND_APP: return "application";
    case KIND_MACRO: return "macro";
    default: return "unknown";
  }
}
