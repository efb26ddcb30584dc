// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/profile_edit.h"

#include <algorithm>
#include <set>

#include "app/log.h"
#include "app/settings.h"
#include "macro/macro_library.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

bool ValidKey(const KeyTable& table, int key) { return key >= 0 && key < std::min(table.count, kKeyCount); }
bool ValidPosition(int pos) { return pos >= 0 && pos < kKeyCount; }
std::size_t U(int i) { return static_cast<std::size_t>(i); }

}  // namespace

uint32_t KeyFunctionFlag(const Profile& profile, const KeyTable& table, int key) {
  if (!ValidKey(table, key)) return 0;
  return IsDefaultFunction(profile.keys[U(key)], table.keys[U(key)]) ? 0 : 1;
}

std::array<uint32_t, kKeyCount> KeyFunctionFlags(const Profile* profile, const KeyTable& table) {
  std::array<uint32_t, kKeyCount> flags{};
  if (profile == nullptr) return flags;
  for (int i = 0; i < std::min(table.count, kKeyCount); ++i) flags[U(i)] = KeyFunctionFlag(*profile, table, i);
  return flags;
}

bool IsKeyLocked(const std::array<uint8_t, 4>& keyNotSet, const KeyTable& table, int key) {
  if (key < 0 || key >= kKeyCount) return false;
  const uint8_t key1 = table.keys[U(key)].key1;
  return std::any_of(keyNotSet.begin(), keyNotSet.end(), [key1](uint8_t b) { return b != 0 && b == key1; });
}

bool ColourEditingAllowed(const Profile& profile, const AppSettings& settings) {
  return profile.ledMode == settings.GaoshouIndex && profile.colourGroup >= settings.ColorCustomIndex;
}

bool KeyClickOpensPicker(const Profile& profile, const AppSettings& settings, int key) {
  if (key < 0 || key >= kKeyCount) return false;
  return !IsKeyLocked(settings.KeyNotSet, settings.KeyTable, key) || ColourEditingAllowed(profile, settings);
}

namespace {

std::set<int32_t> ProfileMacros(const Profile& profile, const MacroLookup& macros) {
  std::set<int32_t> ids;
  for (const KeyFunction& k : profile.keys) {
    if (k.Kind() == KIND_MACRO && macros.FindMacroById(static_cast<uint32_t>(k.macroId)) != nullptr) {
      ids.insert(k.macroId);
    }
  }
  return ids;
}

}  // namespace

int CountProfileMacros(const Profile& profile, const MacroLookup& macros) {
  return static_cast<int>(ProfileMacros(profile, macros).size());
}

bool ExceedsMacroLimit(const Profile& profile, int32_t macroId, const MacroLookup& macros, int slots) {
  const std::set<int32_t> ids = ProfileMacros(profile, macros);
  return ids.count(macroId) == 0 && static_cast<int>(ids.size()) >= slots;
}

StoreResult StoreKeyFunction(Profile& profile, int key, KeyFunction f, const KeyTable& table,
                             const MacroLookup& macros, int macroSlots) {
  if (profile.id == 0 || key < 0 || key >= kKeyCount) return StoreResult::kNothing;
  KeyFunction& current = profile.keys[U(key)];
  if (f.Kind() == KIND_KEY && current.Kind() == KIND_KEY && current.modifiers == f.modifiers &&
      current.key1 == f.key1) {
    return StoreResult::kSame;
  }
  if (f.Kind() == KIND_MACRO && ExceedsMacroLimit(profile, f.macroId, macros, macroSlots)) {
    return StoreResult::kMacroLimit;
  }
  f.rect = table.keys[U(key)].rect;
  f.matrixPos = table.keys[U(key)].matrixPos;
  current = f;
  return StoreResult::kStored;
}

std::vector<int> ForgetMacro(Profile& profile, int32_t macroId, const KeyTable& table) {
  std::vector<int> changed;
  for (int i = 0; i < kKeyCount; ++i) {
    KeyFunction& k = profile.keys[U(i)];
    if (k.Kind() != KIND_MACRO || k.macroId != macroId) continue;
    k = table.keys[U(i)];
    changed.push_back(i);
  }
  return changed;
}

std::array<uint32_t, 3> ProfileButtonIds(const ProfileStore& store) {
  std::array<uint32_t, 3> ids{};
  const auto profiles = store.Profiles();
  for (std::size_t i = 0; i < ids.size() && i < profiles.size(); ++i) ids[i] = profiles[i]->id;
  return ids;
}

uint32_t DeleteCurrentProfile(ProfileStore& store) {
  auto lock = store.Lock();
  const Profile* current = store.Current();
  if (current == nullptr || !store.Remove(current->id)) return 0;
  Profile* first = store.First();
  if (first == nullptr) return 0;
  store.SetCurrent(first->id);
  return first->id;
}

std::array<COLORREF, kKeyCount> PictureColours(const Profile& profile, int mode, const AppSettings& settings) {
  std::array<COLORREF, kKeyCount> colours{};
  if (mode != settings.GaoshouIndex || profile.colourGroup >= kColourGroupCount) return colours;
  const auto& group = profile.colours[profile.colourGroup];
  const KeyTable& table = settings.KeyTable;
  for (int i = 0; i < std::min(table.count, kKeyCount); ++i) {
    const int pos = table.keys[U(i)].matrixPos;
    if (ValidPosition(pos)) colours[U(i)] = group[U(pos)];
  }
  return colours;
}

int32_t SliderValue(int32_t value, Point range) { return value < range.x || value > range.y ? 0 : value; }

void StoreLighting(Profile& profile, const LightingChoice& choice, std::span<const COLORREF, kKeyCount> pictureColours,
                   const AppSettings& settings) {
  profile.ledMode = choice.mode;
  if (choice.mode >= 0 && choice.mode < kLightingModeCount) {
    ModeSetting& m = profile.modeSettings[U(choice.mode)];
    m.speed = static_cast<uint8_t>(SliderValue(choice.speed, settings.SpeedVal));
    m.brightness = static_cast<uint8_t>(SliderValue(choice.brightness, settings.LightVal));
  }
  int group = choice.group;
  if (group < 0 || group > kColourGroupCount - 1) {
    WriteLog("Get wrong nCurGameGroup value");
    group = 0;
  }
  profile.colourGroup = static_cast<uint16_t>(group);
  if (choice.mode != settings.GaoshouIndex) return;
  auto& colours = profile.colours[U(group)];
  const KeyTable& table = settings.KeyTable;
  for (int i = 0; i < std::min(table.count, kKeyCount); ++i) {
    const int pos = table.keys[U(i)].matrixPos;
    if (ValidPosition(pos)) colours[U(pos)] = pictureColours[U(i)];
  }
}

void MarkColourGroupEdited(Profile& profile) {
  if (profile.colourGroup < kColourGroupCount) profile.groupEdited[profile.colourGroup] = 1;
}

ModeControls ControlsOfMode(int mode, const AppSettings& settings) {
  ModeControls c;
  if (mode >= 0 && mode < kLedModeCount) {
    c.speed = settings.LedModeTable[U(mode)].speed != 0;
    c.brightness = settings.LedModeTable[U(mode)].brightness != 0;
  }
  c.game = mode == settings.GaoshouIndex;
  return c;
}

std::u16string BrightnessText(int level, const AppSettings& settings) {
  const int index = std::clamp(level - settings.LightVal.x, 0, static_cast<int>(settings.LightPercentage.size()) - 1);
  return FromUtf8(std::to_string(settings.LightPercentage[U(index)]) + " %");
}

std::u16string SpeedText(int level) { return FromUtf8(std::to_string(level)); }

std::vector<ChoiceItem> LightingModeItems(const TextTable& texts, const AppSettings& settings) {
  std::vector<ChoiceItem> items;
  for (int i = 0; i < kLedModeCount; ++i) {
    const std::u16string& name = texts.LedModeName(i);
    if (name.empty()) break;
    if ((static_cast<uint32_t>(settings.LedMask) >> i) & 1u) continue;
    items.push_back({settings.Modes[U(i)], name});
  }
  return items;
}

std::vector<ChoiceItem> ColourGroupItems(const TextTable& texts, const AppSettings& settings) {
  std::vector<ChoiceItem> items;
  for (int j = 0; j < kColourGroupCount; ++j) {
    const std::u16string& name = texts.tc_clr_str[U(j)];
    if (name.empty()) break;
    if ((static_cast<uint32_t>(settings.GameMask) >> j) & 1u) continue;
    items.push_back({j, name.substr(0, 29)});
  }
  return items;
}
