// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/profile_edit.h"

#include <algorithm>
#include <set>

#include "base/log.h"
#include "base/settings.h"
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
  return profile.ledMode == settings.GaoshouIndex && profile.colourGroup >= settings.ColorCustomIndex &&
         profile.colourGroup < kColourGroupCount;
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

namespace {

bool NameTaken(const ProfileStore& store, std::u16string_view name, uint32_t except) {
  for (const Profile* p : store.Profiles()) {
    if (p->id != except && p->Name() == name) return true;
  }
  return false;
}

std::u16string NumberedName(std::u16string_view profileName, int n) {
  Profile probe;  // names are cut as a record holds them
  probe.SetName(std::u16string(profileName) + FromUtf8(std::to_string(n)));
  return probe.Name();
}

// True for a profile nobody has changed: what a new profile of its id and name would be.
bool UntouchedDefault(const Profile& profile, const AppSettings& settings) {
  std::array<uint8_t, kProfileSize> a{}, b{};
  ProfileToBytes(profile, a);
  ProfileToBytes(MakeProfile(profile.id, profile.Name(), settings), b);
  return a == b;
}

}  // namespace

std::u16string SlotProfileName(const ProfileStore& store, std::u16string_view profileName, int slot, uint32_t except) {
  auto lock = store.Lock();
  const std::u16string byslot = NumberedName(profileName, slot);
  if (!NameTaken(store, byslot, except)) return byslot;
  for (int n = 1; n <= ProfileStore::kMaxStored + 1; ++n) {
    const std::u16string name = NumberedName(profileName, n);
    if (!NameTaken(store, name, except)) return name;
  }
  return byslot;
}

uint32_t DeleteCurrentProfile(ProfileStore& store, const AppSettings& settings, std::u16string_view profileName) {
  // Made before taking the lock: the identifier waits 20 ms.
  const uint32_t newId = store.NewProfileId();
  auto lock = store.Lock();
  const Profile* current = store.Current();
  if (current == nullptr) return 0;
  const uint32_t deleted = current->id;
  const int slot = store.IndexOf(deleted) + 1;
  const Profile fresh = MakeProfile(newId, SlotProfileName(store, profileName, slot, deleted), settings);
  if (store.Replace(deleted, fresh) == nullptr) return 0;
  Profile* first = store.First();
  if (first == nullptr) return 0;
  store.SetCurrent(first->id);
  return first->id;
}

void BringStoreToThree(ProfileStore& store, uint32_t savedCurrentId, const AppSettings& settings,
                       std::u16string_view profileName) {
  constexpr std::size_t kButtons = 3;
  auto lock = store.Lock();
  const std::vector<Profile*> all = store.Profiles();
  // Three as the user left them stay as they are, names and all.
  if (all.size() == kButtons) return;
  if (all.size() > kButtons) {
    // Whose loss costs least goes: untouched defaults before changed profiles, the
    // current one last of all.
    auto rank = [&](const Profile* p) { return p->id == savedCurrentId ? 0 : UntouchedDefault(*p, settings) ? 2 : 1; };
    std::vector<const Profile*> kept;
    auto chosen = [&](const Profile* p) { return std::find(kept.begin(), kept.end(), p) != kept.end(); };
    auto nameKept = [&](const Profile* p) {
      return std::any_of(kept.begin(), kept.end(), [&](const Profile* k) { return k->Name() == p->Name(); });
    };
    for (const bool allowSameName : {false, true}) {
      for (int r = 0; r <= 2; ++r) {
        for (const Profile* p : all) {
          if (kept.size() == kButtons) break;
          if (rank(p) == r && !chosen(p) && (allowSameName || !nameKept(p))) kept.push_back(p);
        }
      }
    }
    std::vector<uint32_t> dropped;
    for (const Profile* p : all) {
      if (!chosen(p)) dropped.push_back(p->id);
    }
    for (uint32_t id : dropped) {
      WriteLog("Profiles: %d stored, 0x%x left out (three buttons)", static_cast<int>(all.size()), id);
      store.Remove(id);
    }
  }
  // No two buttons of the same name.
  const std::vector<Profile*> left = store.Profiles();
  for (std::size_t i = 1; i < left.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (left[j]->Name() != left[i]->Name()) continue;
      left[i]->SetName(SlotProfileName(store, profileName, static_cast<int>(i + 1), left[i]->id));
      WriteLog("Profiles: 0x%x renamed %s (its name was taken)", left[i]->id, ToUtf8(left[i]->Name()).c_str());
      break;
    }
  }
  while (static_cast<std::size_t>(store.Count()) < kButtons) {
    const int slot = store.Count() + 1;
    if (store.Create(SlotProfileName(store, profileName, slot), settings) == nullptr) break;
  }
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
  if (choice.mode >= 0 && choice.mode < kLightingModeCount) {
    profile.ledMode = choice.mode;
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

ModeSetting ModeSettingOf(const Profile& profile, int mode) {
  if (mode < 0 || mode >= kLightingModeCount) return {};
  return profile.modeSettings[U(mode)];
}

std::u16string ColourGroupName(const TextTable& texts, int group) {
  if (group < 0 || group >= kColourGroupCount || U(group) >= texts.tc_clr_str.size()) return {};
  return texts.tc_clr_str[U(group)];
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
    if (settings.Modes[U(i)] >= kLightingModeCount) continue;
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
