// SPDX-License-Identifier: GPL-2.0-or-later
#include "macro/macro_encoding.h"

#include <algorithm>
#include <cstring>

#include "base/key_usage.h"
#include "base/log.h"
#include "macro/macro_library.h"

namespace {

constexpr int kSlotSizeMax = static_cast<int>(kMacroBufferBytes) / 10;

// The slot size in use: the setting, limited to what ten slots of the buffer can hold.
std::size_t SlotSize(const MacroLimits& limits) {
  return static_cast<std::size_t>(std::clamp(limits.bufferSize, 0, kSlotSizeMax));
}

int SlotCount(const MacroLimits& limits) { return std::clamp(limits.bufferCount, 0, 10); }

}  // namespace

bool DeviceKeyCode(uint16_t keyCode, uint8_t& code, bool& modifier) {
  modifier = true;
  switch (keyCode) {
    case 0x10: case 0xA0: case 0xA1: code = 0x02; return true;
    case 0x11: case 0xA2: case 0xA3: code = 0x01; return true;
    case 0x12: case 0xA4: case 0xA5: code = 0x04; return true;
    case 0x5B: case 0x5C: code = 0x08; return true;
    default: break;
  }
  modifier = false;
  if (keyCode >= 0xF0 && keyCode <= 0xF2) {
    code = static_cast<uint8_t>(keyCode);
    return true;
  }
  code = UsageOfVirtualKey(keyCode);
  return code != 0;
}

std::array<uint8_t, 3> EncodeDeviceEvent(const MacroEvent& event, uint8_t code, bool modifier) {
  const uint32_t count = std::min<uint32_t>(event.dwDelay / 10, kDeviceDelayMaxUnits);
  return {static_cast<uint8_t>((event.wKeyDown == 0 ? 0x80 : 0x00) | (count & 0x7F)),
          static_cast<uint8_t>(((count >> 7) & 0x0F) | (modifier ? 0xF0 : 0x00)), code};
}

int StMacro_To_HdMacro(const MacroRecord* record, uint8_t* destination, const MacroLimits& limits) {
  if (record == nullptr || destination == nullptr) return 0;
  const std::size_t size = SlotSize(limits);
  std::array<uint8_t, kSlotSizeMax> work{};
  std::size_t pos = 0;
  for (int i = 0; i < kMacroEventSlots && record->Events[i].wKeyCode != 0 && pos + 3 < size; ++i) {
    const MacroEvent event = record->Events[i];
    uint8_t code = 0;
    bool modifier = false;
    if (!DeviceKeyCode(event.wKeyCode, code, modifier)) {
      WriteLog("StMacro_To_HdMacro: get wrong hid");
      continue;
    }
    const auto bytes = EncodeDeviceEvent(event, code, modifier);
    std::copy(bytes.begin(), bytes.end(), work.begin() + static_cast<std::ptrdiff_t>(pos));
    pos += 3;
  }
  std::memcpy(destination, work.data(), size);
  return static_cast<int>(pos);
}

int AllocateMacroSlot(const MacroSet& macros, const MacroLimits& limits) {
  for (int n = 1; n <= SlotCount(limits); ++n) {
    const bool held = std::any_of(macros.Records().begin(), macros.Records().end(),
                                  [n](const MacroRecord& r) { return r.Macro_Buffer_ID == n; });
    if (!held) return n;
  }
  return -1;
}

uint32_t PatchMacroEntry(uint32_t entry, const MacroRecord& macro) {
  entry = (entry & ~0x0000FF00u) | ((static_cast<uint32_t>(macro.Macro_Buffer_ID - 1) & 0xFF) << 8);
  if (macro.dwRepeatMode == MACRO_REPEAT_COUNT) {
    entry = (entry & ~0xFF000000u) | ((static_cast<uint32_t>(macro.wLoopCount) & 0xFF) << 24);
  }
  return entry;
}

int BuildMacroBuffer(std::span<const KeyFunction, kKeyCount> keys, MacroSet& macros, DeviceMatrix& matrix,
                     MacroBuffer& buffer, const MacroLimits& limits, int keyCount, int* misplacedKeys) {
  if (misplacedKeys != nullptr) *misplacedKeys = 0;
  buffer.fill(0);
  const std::size_t slotSize = SlotSize(limits);
  std::size_t writePos = 0;
  int patched = 0;
  for (int i = 0; i < std::min(keyCount, kKeyCount); ++i) {
    const KeyFunction& key = keys[static_cast<std::size_t>(i)];
    if (key.Kind() != KIND_MACRO) continue;
    MacroRecord* macro = macros.FindMacroById(static_cast<uint32_t>(key.macroId));
    if (macro == nullptr) {
      WriteLog("Key[%d][%d] Set To Macro NULL", 0, i);
      continue;
    }
    WriteLog("Key[%d][%d] Set To Macro 0x%08x, Macro_Buffer_ID=%d", 0, i, macro->dwMacroId, macro->Macro_Buffer_ID);
    if (key.matrixPos < 0 || key.matrixPos >= kKeyCount) {
      if (misplacedKeys != nullptr) ++*misplacedKeys;
      continue;
    }
    if (macro->Macro_Buffer_ID < 1 || macro->Macro_Buffer_ID > 10) {
      const int slot = AllocateMacroSlot(macros, limits);
      if (slot < 0) {
        macro->Macro_Buffer_ID = -1;
        break;
      }
      macro->Macro_Buffer_ID = slot;
      WriteLog("New Assign Buffer_ID= %d", slot);
      StMacro_To_HdMacro(macro, buffer.data() + writePos, limits);
      writePos += slotSize;
    }
    const auto pos = static_cast<std::size_t>(key.matrixPos);
    matrix[pos] = PatchMacroEntry(matrix[pos], *macro);
    ++patched;
    WriteLog("Matrix[%d][%d] = 0x%08x", 0, key.matrixPos, matrix[pos]);
  }
  return patched;
}
