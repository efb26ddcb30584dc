// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/device_matrix.h"

#include <cstring>

#include "base/log.h"
#include "base/key_usage.h"
#include "macro/macro_library.h"

namespace {

constexpr MouseCode kMouseCodes[] = {
    {17, 0x0000F010}, {18, 0x0000F210}, {19, 0x0000F110}, {20, 0x0000F410}, {21, 0x0000F310}, {23, 0x00000130},
};

constexpr MediaCode kMediaCodes[] = {
    {33, 0x0183}, {34, 0x00CD}, {35, 0x00B7}, {36, 0x00B6}, {37, 0x00B5}, {38, 0x00E9},
    {39, 0x00EA}, {40, 0x00E2}, {48, 0x018A}, {49, 0x0192}, {50, 0x0194}, {51, 0x0221},
    {52, 0x0223}, {53, 0x0224}, {54, 0x0225}, {55, 0x0226}, {56, 0x0227}, {57, 0x022A},
};

// The matrix byte of a macro's repeat mode.
uint32_t RepeatModeBit(uint32_t mode) {
  switch (mode) {
    case 0: return 0x01;
    case 1: return 0x02;
    case 2: return 0x04;
    default: return 0x00;
  }
}

struct Remap {
  uint8_t from;
  uint8_t to;
};
// Variant 1: Y and Z exchanged. Variant 2: A/Q and W/Z exchanged.
constexpr Remap kCapture1[] = {{0x59, 0x5A}, {0x5A, 0x59}, {0xBA, 0xDB}, {0xBB, 0xDD}, {0xBD, 0xBF},
                               {0xBF, 0xDC}, {0xC0, 0xBA}, {0xDB, 0xBD}, {0xDC, 0xC0}, {0xDD, 0xBB}};
constexpr Remap kCapture2[] = {{0x41, 0x51}, {0x51, 0x41}, {0x57, 0x5A}, {0x5A, 0x57}, {0x4D, 0xBA},
                               {0xBA, 0xDD}, {0xBC, 0x4D}, {0xBE, 0xBC}, {0xBF, 0xBE}, {0xC0, 0xDE},
                               {0xDB, 0xBD}, {0xDD, 0xDB}, {0xDE, 0xC0}, {0xDF, 0xBF}};
constexpr Remap kName1[] = {{0x59, 0x5A}, {0x5A, 0x59}, {0xBA, 0xC0}, {0xBB, 0xDD}, {0xBD, 0xDB},
                            {0xBF, 0xBD}, {0xC0, 0xDC}, {0xDB, 0xBA}, {0xDC, 0xBF}, {0xDD, 0xBB}};
constexpr Remap kName2[] = {{0x41, 0x51}, {0x51, 0x41}, {0x57, 0x5A}, {0x5A, 0x57}, {0x4D, 0xBC},
                            {0xBA, 0x4D}, {0xBC, 0xBE}, {0xBD, 0xDB}, {0xBE, 0xBF}, {0xBF, 0xDF},
                            {0xC0, 0xDE}, {0xDB, 0xDD}, {0xDD, 0xBA}, {0xDE, 0xC0}};

// The translated low byte, or -1 when the variant does not list it.
int Lookup(std::span<const Remap> table, uint32_t code) {
  const uint8_t low = static_cast<uint8_t>(code & 0xFF);
  for (const Remap& r : table) {
    if (r.from == low) return r.to;
  }
  return -1;
}

}  // namespace

std::span<const MouseCode> MouseFunctionTable() { return kMouseCodes; }
std::span<const MediaCode> MediaFunctionTable() { return kMediaCodes; }

uint32_t keyinfo_to_hardware_code(const KeyFunction& function, const MacroLookup& macros) {
  const uint32_t value = function.Value();
  switch (function.Kind()) {
    case KIND_MOUSE:
      for (const MouseCode& m : kMouseCodes) {
        if (m.value == value) return m.entry;
      }
      return kNoHardwareCode;
    case KIND_KEY:
      if (function.modifiers == 0 && function.key1 == 250) return 0x00B00000u;
      return (static_cast<uint32_t>(function.modifiers) << 8) | (static_cast<uint32_t>(UsageOfVirtualKey(function.key1)) << 16) |
             (static_cast<uint32_t>(UsageOfVirtualKey(function.key2)) << 24);
    case KIND_MEDIA:
    case KIND_APP:
      for (const MediaCode& m : kMediaCodes) {
        if (m.value == value) return 0x01u | (static_cast<uint32_t>(m.usage >> 8) << 16) | (static_cast<uint32_t>(m.usage & 0xFF) << 24);
      }
      return kNoHardwareCode;
    case KIND_MACRO: {
      const MacroRecord* macro = macros.FindMacroById(static_cast<uint32_t>(function.macroId));
      if (macro == nullptr) {
        WriteLog("keyinfo_to_hardware_code can't find macro id 0x%x", static_cast<unsigned>(function.macroId));
        return kNoHardwareCode;
      }
      return 0x02u | (RepeatModeBit(macro->dwRepeatMode) << 16);
    }
    default:
      return kNoHardwareCode;
  }
}

int KEYINFO_2_Matrix(std::span<const KeyFunction, kKeyCount> keys, const KeyTable& table,
                     const MacroLookup& macros, DeviceMatrix& matrix) {
  int unencodable = 0;
  DeviceMatrix built{};
  std::array<bool, kKeyCount> taken{};
  for (int i = 0; i < kKeyCount; ++i) {
    const KeyFunction& key = keys[static_cast<std::size_t>(i)];
    if (key.code == 0) continue;
    // A key this keyboard's key table does not have has no position.
    if (i >= table.count) continue;
    const uint32_t entry = keyinfo_to_hardware_code(key, macros);
    if (entry == kNoHardwareCode) {
      ++unencodable;
      continue;
    }
    const int pos = table.keys[static_cast<std::size_t>(i)].matrixPos;
    if (pos < 0 || pos >= kKeyCount) continue;
    const auto p = static_cast<std::size_t>(pos);
    if (taken[p]) WriteLog("Error: KEYINFO_2_Matrix Matrix[%d]=%08x", pos, built[p]);
    built[p] = entry;
    taken[p] = true;
  }
  matrix = built;
  return unencodable;
}

void DumpMatrix(const DeviceMatrix& matrix, const KeyTable& table, const MacroLookup& macros) {
  if (LogMode() == 0) return;
  for (int i = 0; i < table.count && i < kKeyCount; ++i) {
    const KeyFunction& record = table.keys[static_cast<std::size_t>(i)];
    const uint32_t standard = keyinfo_to_hardware_code(record, macros);
    const int pos = record.matrixPos;
    if (pos < 0 || pos >= kKeyCount) continue;
    const uint32_t entry = matrix[static_cast<std::size_t>(pos)];
    if (entry != 0 && entry != standard) WriteLog("Matrix[%02d] = 0x%08x", pos, entry);
  }
}

std::array<uint8_t, kDeviceMatrixBytes> MatrixBytes(const DeviceMatrix& matrix) {
  std::array<uint8_t, kDeviceMatrixBytes> bytes;
  std::memcpy(bytes.data(), matrix.data(), kDeviceMatrixBytes);
  return bytes;
}

uint32_t CaptureRemap(uint32_t code, int kbType) {
  const std::span<const Remap> table = kbType == 1 ? std::span<const Remap>(kCapture1)
                                     : kbType == 2 ? std::span<const Remap>(kCapture2)
                                                   : std::span<const Remap>();
  const int to = Lookup(table, code);
  return to < 0 ? code : (code & ~0xFFu) | static_cast<uint32_t>(to);
}

uint32_t NameRemap(uint32_t code, int kbType) {
  const std::span<const Remap> table = kbType == 1 ? std::span<const Remap>(kName1)
                                     : kbType == 2 ? std::span<const Remap>(kName2)
                                                   : std::span<const Remap>();
  const int to = Lookup(table, code);
  return to < 0 ? code : static_cast<uint32_t>(to);
}

