// SPDX-License-Identifier: GPL-2.0-or-later
// The editing rules of a profile that the main window, the lighting panel and tastor-cli
// share: which keys carry a function of their own, which keys are locked, when key colours
// may be edited, storing a key function (with the keyboard's macro limit), taking a
// deleted macro off the keys, the profile buttons' binding, deleting a profile, and
// writing the lighting state into a profile. The windows call these and only show what
// they answer.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/types.h"
#include "model/profile.h"

struct AppSettings;
class MacroLookup;
class ProfileStore;
class TextTable;

// The has-function flag of every key of the picture: 1 where the profile's key function i
// differs from key table record i in code, modifiers, key 1 or key 2, else 0 (also for
// every key beyond the table's count and without a profile).
std::array<uint32_t, kKeyCount> KeyFunctionFlags(const Profile* profile, const KeyTable& table);
uint32_t KeyFunctionFlag(const Profile& profile, const KeyTable& table, int key);

// A key is locked when the KeyNotSet setting is not all zero and one of its non-zero bytes
// equals key 1 of the key table record of the key.
bool IsKeyLocked(const std::array<uint8_t, 4>& keyNotSet, const KeyTable& table, int key);
// Key colours may be edited in the game lighting mode with a user-defined colour group (one
// of the 15 the profile holds).
bool ColourEditingAllowed(const Profile& profile, const AppSettings& settings);
// A clicked key opens the key function picker unless it is locked while colours may not be
// edited (the picker then keeps the lock itself).
bool KeyClickOpensPicker(const Profile& profile, const AppSettings& settings, int key);

// The distinct macro ids that the profile's macro keys hold and that the library has.
int CountProfileMacros(const Profile& profile, const MacroLookup& macros);
// True when putting the macro on one more key would exceed the keyboard's macro slots:
// the macro is not among the profile's macros and these already fill `slots`.
bool ExceedsMacroLimit(const Profile& profile, int32_t macroId, const MacroLookup& macros, int slots);

// What storing a key function did.
enum class StoreResult {
  kNothing,     // no such key, or a profile without id: nothing stored
  kSame,        // the same key or combination again: nothing stored, nothing to apply
  kMacroLimit,  // refused: the profile's macros fill the keyboard's slots (tc_msg8)
  kStored,      // written; the window marks the key and, with ApplyNow, asks for flags 1
};
// Writes f over the profile's key function `key`, with the rectangle and matrix position of
// key table record `key` (those fields always mirror the table).
StoreResult StoreKeyFunction(Profile& profile, int key, KeyFunction f, const KeyTable& table,
                             const MacroLookup& macros, int macroSlots);

// Gives every key of the profile that plays the macro its key table record back. Returns
// the keys changed (empty: nothing changed, nothing to save).
std::vector<int> ForgetMacro(Profile& profile, int32_t macroId, const KeyTable& table);

// The ids of the first three profiles of the store, in store order (0 where there is none):
// the ids the three profile buttons stand for.
std::array<uint32_t, 3> ProfileButtonIds(const ProfileStore& store);

// The default name of profile slot n (1 to 3): "%s%d" with profileName (tc_proname) and
// n; when another profile than `except` holds that name, the same with the lowest number
// from 1 that no such profile's name holds.
std::u16string SlotProfileName(const ProfileStore& store, std::u16string_view profileName, int slot,
                               uint32_t except = 0);

// Deletes the current profile: a new default profile (a new id, its slot's default name)
// takes its place in the store, so the store keeps its three profiles and each profile
// button still stands for the profile in its slot. The first profile then becomes current.
// Returns the new current id (0 when there was no current profile).
uint32_t DeleteCurrentProfile(ProfileStore& store, const AppSettings& settings, std::u16string_view profileName);

// Brings a store read from pro.dct to exactly three profiles, one for each button, without
// two of the same name. Fewer: the missing slots get new default profiles named by their
// slot (SlotProfileName). More: three are kept, losing least: the saved current profile,
// then the profiles the user changed, then untouched defaults, each in store order and
// preferring names not yet kept; the kept ones stay in store order. A kept profile whose
// name an earlier one holds is renamed by its slot. Logs what it dropped or renamed. A store
// of three is left as it is.
void BringStoreToThree(ProfileStore& store, uint32_t savedCurrentId, const AppSettings& settings,
                       std::u16string_view profileName);

// The colours the keyboard picture shows for a profile's lighting: in the game mode the
// colours of the current colour group at each key's matrix position, otherwise none.
std::array<COLORREF, kKeyCount> PictureColours(const Profile& profile, int mode, const AppSettings& settings);

// The lighting panel's state as the user set it.
struct LightingChoice {
  int32_t mode = 0;        // the mode button's value (a lighting mode index)
  int32_t speed = 0;       // the speed slider's value
  int32_t brightness = 0;  // the brightness slider's value
  int32_t group = 0;       // the colour group button's value
};
// A slider's value as stored: 0 when it lies outside the slider's range (lowest, highest).
int32_t SliderValue(int32_t value, Point range);
// Writes the panel's state into the profile: the mode (one that is no lighting mode index
// leaves the profile's mode and settings as they are), that mode's speed and brightness
// (each 0 when outside its range), the colour group (above 14 logs "Get wrong
// nCurGameGroup value" and stores 0) and, in the game mode, the picture's colours into the
// current colour group at the keys' matrix positions.
void StoreLighting(Profile& profile, const LightingChoice& choice, std::span<const COLORREF, kKeyCount> pictureColours,
                   const AppSettings& settings);
// Choosing a mode marks the profile's current colour group as edited.
void MarkColourGroupEdited(Profile& profile);

// The speed and brightness a profile holds for a mode; both 0 for a mode that is no
// lighting mode index.
ModeSetting ModeSettingOf(const Profile& profile, int mode);
// The list text of a colour group (tc_clr_str1..15), empty for a group that is none.
std::u16string ColourGroupName(const TextTable& texts, int group);

// Which controls the lighting panel shows for a mode.
struct ModeControls {
  bool speed = false;
  bool brightness = false;
  bool game = false;
};
ModeControls ControlsOfMode(int mode, const AppSettings& settings);
// The brightness text: "%d %%" with LightPercentage[level - lowest] (an index below 0
// counts as 0, one beyond the 80 entries of the setting as the last).
std::u16string BrightnessText(int level, const AppSettings& settings);
std::u16string SpeedText(int level);

// One entry of the mode or colour group list.
struct ChoiceItem {
  int32_t value = 0;
  std::u16string text;
  friend bool operator==(const ChoiceItem&, const ChoiceItem&) = default;
};
// The mode list: the mode names in order up to the first empty one, without the modes
// whose LedMask bit is set, each with the value Modes[i] (an entry whose Modes value is no
// lighting mode index, 30 or more, is left out).
std::vector<ChoiceItem> LightingModeItems(const TextTable& texts, const AppSettings& settings);
// The colour group list: tc_clr_str1..15 up to the first empty one, without the groups
// whose GameMask bit is set, each with its group index, cut to 29 characters.
std::vector<ChoiceItem> ColourGroupItems(const TextTable& texts, const AppSettings& settings);
