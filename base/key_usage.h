// SPDX-License-Identifier: GPL-2.0-or-later
// The table from virtual-key codes to the HID Keyboard/Keypad usages the keyboard takes:
// the matrix encoding of key functions (model/device_matrix) and the macro encoding
// (macro/macro_encoding) both write keys by their usage. Pure data, reaches nothing.
#pragma once

#include <cstdint>
#include <span>

// One pair of the usage table: a HID Keyboard/Keypad usage and the virtual key giving it.
struct UsagePair {
  uint8_t usage;
  uint8_t vk;
};
// The 113 pairs, searched in order.
std::span<const UsagePair> VirtualKeyUsageTable();
// The usage of the first pair whose virtual key matches, or 0.
uint8_t UsageOfVirtualKey(uint32_t vk);
