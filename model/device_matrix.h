// SPDX-License-Identifier: GPL-2.0-or-later
// The keyboard's key matrix: one 32-bit entry per matrix position (126, sent as a 504-byte
// report), the encoding of each kind of key function into its entry, the virtual-key to
// HID usage table, and the two keyboard-layout variants of captured and named keys.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <utility>

#include "base/key_function.h"
#include "base/key_usage.h"
#include <string_view>

#include "platform/hwnd.h"

class MacroLookup;


// The entry of a function that cannot be encoded.
constexpr uint32_t kNoHardwareCode = 0xFFFFFFFFu;

// Mouse functions (kind 1): value and entry.
struct MouseCode {
  uint32_t value;
  uint32_t entry;
};
std::span<const MouseCode> MouseFunctionTable();
// Media and application functions (kinds 3 and 4): value and Consumer-page usage.
struct MediaCode {
  uint32_t value;
  uint16_t usage;
};
std::span<const MediaCode> MediaFunctionTable();

// The entry of one key function, or kNoHardwareCode. A macro function looks its macro up
// (logging "keyinfo_to_hardware_code can't find macro id 0x%x" when it is missing) and
// gives byte 0 = 2 and byte 2 = the repeat-mode bit; the buffer number and the loop count
// are filled in during the apply.
uint32_t keyinfo_to_hardware_code(const KeyFunction& function, const MacroLookup& macros);

// Builds the matrix of a profile's key functions. Key i goes to the matrix position of key
// table record i; keys that the key table does not have and positions outside 0..125 are
// skipped. A function that cannot be encoded leaves its position 0 and is counted: the
// caller shows "Invaild key code" ("Error") once for each (the apply owned by its progress
// window). A position taken twice logs "Error: KEYINFO_2_Matrix Matrix[%d]=%08x" and the
// later key wins. Returns the number of functions that could not be encoded.
int KEYINFO_2_Matrix(std::span<const KeyFunction, kKeyCount> keys, const KeyTable& table,
                     const MacroLookup& macros, DeviceMatrix& matrix);

// The message box text and caption of a function that cannot be encoded.
inline constexpr std::u16string_view kInvalidKeyCodeText = u"Invaild key code";

// With the log on: logs "Matrix[%02d] = 0x%08x" for each key table position whose entry is
// non-zero and differs from the encoded default.
void DumpMatrix(const DeviceMatrix& matrix, const KeyTable& table, const MacroLookup& macros);

// The matrix as the 504 bytes of the report payload.
std::array<uint8_t, kDeviceMatrixBytes> MatrixBytes(const DeviceMatrix& matrix);

// Layout variants (the KbType setting): the capture remap is applied to a captured
// virtual-key code before it is stored (higher bits kept), the name remap before a stored
// code is named. Both leave the code unchanged for KbType 0 and for codes not listed.
uint32_t CaptureRemap(uint32_t code, int kbType);
uint32_t NameRemap(uint32_t code, int kbType);
