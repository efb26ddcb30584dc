// SPDX-License-Identifier: GPL-2.0-or-later
// KeyFunction: the function of one key, a fixed 36-byte record copied whole; the key
// table of the settings and every profile hold 126 of them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "base/types.h"

// Function kinds, in the top byte of the code.
enum : uint8_t {
  KIND_NONE = 0,
  KIND_MOUSE = 1,
  KIND_KEY = 2,
  KIND_MEDIA = 3,
  KIND_APP = 4,
  KIND_MACRO = 5,
};

// Modifier bits of a kind-2 function.
enum : uint8_t {
  MOD_LCTRL = 0x01, MOD_LSHIFT = 0x02, MOD_LALT = 0x04, MOD_LWIN = 0x08,
  MOD_RCTRL = 0x10, MOD_RSHIFT = 0x20, MOD_RALT = 0x40, MOD_RWIN = 0x80,
};

struct KeyFunction {
  uint32_t code = 0;         // kind in bits 24..31, value in bits 0..23; 0 = no function
  Rect rect;                 // the key on the keyboard picture
  int32_t matrixPos = 0;     // position 0..125 in the device matrix
  int32_t macroId = 0;       // kind 5: the assigned macro's id
  uint8_t modifiers = 0;     // kind 2: modifier bits
  uint8_t key1 = 0;          // kind 2: first key, a virtual-key code (250 = Fn)
  uint8_t key2 = 0;          // kind 2: optional second key
  uint8_t reserved1 = 0;
  int32_t reserved2 = 0;

  constexpr uint8_t Kind() const { return static_cast<uint8_t>(code >> 24); }
  constexpr uint32_t Value() const { return code & 0x00FFFFFFu; }
  static constexpr uint32_t MakeCode(uint8_t kind, uint32_t value) {
    return (static_cast<uint32_t>(kind) << 24) | (value & 0x00FFFFFFu);
  }
};
static_assert(sizeof(KeyFunction) == 36, "KeyFunction is stored as a 36-byte record");
static_assert(std::is_trivially_copyable_v<KeyFunction>);

constexpr int kKeyCount = 126;  // keys of a profile and entries of the device matrix

// The keyboard's key matrix: one 32-bit entry per matrix position, sent as a 504-byte
// report (model/device_matrix encodes key functions into it, macro/macro_encoding adds
// the macro keys).
using DeviceMatrix = std::array<uint32_t, kKeyCount>;
constexpr std::size_t kDeviceMatrixBytes = kKeyCount * 4;

// The key section of the settings: record i is key i of the keyboard picture.
struct KeyTable {
  std::array<KeyFunction, kKeyCount> keys{};
  int count = 0;  // accepted records; the rest are zero
};
