// SPDX-License-Identifier: GPL-2.0-or-later
// Profile: one complete keyboard configuration (the function of every key, the lighting
// mode with its speed and brightness, and the colour groups of the game lighting mode).
// The record is the exact 12796-byte little-endian image stored in pro.dct and in .kbp
// files; it is copied whole.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "base/key_function.h"
#include "base/types.h"

struct AppSettings;

constexpr uint32_t kProfileSignature = 0xFCFB6D15u;
constexpr std::size_t kProfileSize = 12796;
constexpr int kColourGroupCount = 15;
constexpr int kPresetGroupCount = 8;
constexpr int kLightingModeCount = 30;
constexpr std::size_t kLinkedProgramChars = 260;
constexpr std::size_t kProfileNameChars = 20;  // at most 19 characters and the end mark

struct ModeSetting {
  uint8_t speed = 0;
  uint8_t brightness = 0;
};

struct Profile {
  uint32_t signature = 0;
  uint32_t id = 0;  // non-zero in every stored profile
  std::array<char16_t, kLinkedProgramChars> linkedProgram{};
  std::array<char16_t, kProfileNameChars> name{};
  std::array<uint8_t, 40> reserved1{};
  int32_t keyLayer = 0;  // the only key layer is 0
  std::array<KeyFunction, kKeyCount> keys{};
  int32_t ledMode = 0;  // lighting mode index 0..29
  std::array<ModeSetting, kLightingModeCount> modeSettings{};
  uint16_t colourGroup = 0;  // current colour group 0..14
  std::array<uint8_t, kColourGroupCount> groupEdited{};
  std::array<uint8_t, 3> reserved2{};
  std::array<std::array<COLORREF, kKeyCount>, kColourGroupCount> colours{};  // by matrix position
  uint32_t reserved3 = 0;

  std::u16string Name() const;
  void SetName(std::u16string_view text);  // cut to 19 characters
  std::u16string LinkedProgram() const;
};

static_assert(std::endian::native == std::endian::little, "stored records are little-endian images");
static_assert(std::is_trivially_copyable_v<Profile>);
static_assert(sizeof(Profile) == kProfileSize);
static_assert(offsetof(Profile, linkedProgram) == 8);
static_assert(offsetof(Profile, name) == 528);
static_assert(offsetof(Profile, reserved1) == 568);
static_assert(offsetof(Profile, keyLayer) == 608);
static_assert(offsetof(Profile, keys) == 612);
static_assert(offsetof(Profile, ledMode) == 5148);
static_assert(offsetof(Profile, modeSettings) == 5152);
static_assert(offsetof(Profile, colourGroup) == 5212);
static_assert(offsetof(Profile, groupEdited) == 5214);
static_assert(offsetof(Profile, reserved2) == 5229);
static_assert(offsetof(Profile, colours) == 5232);
static_assert(offsetof(Profile, reserved3) == 12792);

// The stored image of a profile, and a profile read from one (the key layer is read as 0).
void ProfileToBytes(const Profile& profile, std::span<uint8_t, kProfileSize> out);
Profile ProfileFromBytes(std::span<const uint8_t, kProfileSize> bytes);
// A stored slot holds a profile when its signature is right and its id is not 0.
bool IsValidProfileImage(std::span<const uint8_t, kProfileSize> bytes);

// A zeroed record with the signature, the given id and the name, then reset to defaults.
Profile MakeProfile(uint32_t id, std::u16string_view name, const AppSettings& settings);
// Keeps signature, id and name; clears the linked program and the reserved bytes; copies
// the key table into the key functions; then sets the default lighting.
void ResetProfileToDefaults(Profile& profile, const AppSettings& settings);
// The lighting of a new profile: every mode at DefSpeed/DefLight, the LEDParam mode, and
// the eight preset game groups overlaid by the GaoshouKey sets.
void SetDefaultLighting(Profile& profile, const AppSettings& settings);
// The lighting mode a new profile starts in: the first LEDParam byte when it is a lighting
// mode index (0 to 29), else 0.
int32_t DefaultLightingMode(const AppSettings& settings);

// The matrix position of the key table record that carries a virtual-key code (as its key,
// or as a modifier bit for modifier codes), or -1.
int MatrixPositionOfVirtualKey(const KeyTable& table, uint8_t vk);

// A key function counts as its default when code, modifiers, key 1 and key 2 equal the key
// table record's.
bool IsDefaultFunction(const KeyFunction& function, const KeyFunction& tableRecord);
// The number of keys of the key table whose function in the profile differs from it.
int ChangedKeyCount(const Profile& profile, const KeyTable& table);

// The name of a function kind as the command line shows it: "none", "mouse", "key",
// "media", "application", "macro", or "unknown".
const char* FunctionKindName(uint8_t kind);

// The virtual keys of the eight preset game groups.
std::span<const uint8_t> PresetGroupKeys(int group);
