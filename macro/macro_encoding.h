// SPDX-License-Identifier: GPL-2.0-or-later
// The keyboard's macro buffer: 1920 bytes written during an apply, cut into ten slots of
// MacroBufferSize bytes, each holding one macro's events in three bytes each; and the
// macro part of the key matrix entries (the slot number and the loop count).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "base/key_function.h"
#include "macro/macro_limits.h"
#include "macro/macro_record.h"
#include "platform/hwnd.h"

class MacroSet;

constexpr std::size_t kMacroBufferBytes = 1920;
using MacroBuffer = std::array<uint8_t, kMacroBufferBytes>;

// The largest delay a device event holds: 2047 units of 10 ms.
constexpr uint32_t kDeviceDelayMaxUnits = 2047;

// The device code of an event's key code and whether it is a modifier: Shift 0x02, Ctrl
// 0x01, Alt 0x04, Windows 0x08 (marked as modifiers), the left, right and middle mouse
// buttons unchanged, any other code its keyboard usage. False when there is none.
bool DeviceKeyCode(uint16_t keyCode, uint8_t& code, bool& modifier);

// The three bytes of one event: release bit and delay bits 0..6; modifier marker and delay
// bits 7..10; device code. Delays are counted in 10 ms units, rounded down; a delay of
// more than 2047 units is sent as 2047, the longest wait the keyboard can be given.
std::array<uint8_t, 3> EncodeDeviceEvent(const MacroEvent& event, uint8_t code, bool modifier);

// Fills one slot: the destination receives exactly the slot size (limits.bufferSize, at
// most 192) in bytes: the events, three bytes each, while the write position is below the
// slot size - 3, then zeros. Events without a device code are left out and logged
// "StMacro_To_HdMacro: get wrong hid". Returns the bytes used by events; 0 and nothing
// written when the record or the destination is missing.
int StMacro_To_HdMacro(const MacroRecord* record, uint8_t* destination, const MacroLimits& limits = Limits());

// The smallest slot number 1..10 that no record of the set holds as Macro_Buffer_ID, or -1.
int AllocateMacroSlot(const MacroSet& macros, const MacroLimits& limits = Limits());

// A macro key's matrix entry completed for the apply: byte 1 = Macro_Buffer_ID - 1, and for
// repeat mode 0 byte 3 = the low byte of wLoopCount.
uint32_t PatchMacroEntry(uint32_t entry, const MacroRecord& macro);

// The macro part of an apply's matrix step, over a copy of the macros the run uses: walks
// the 126 keys, gives each macro used a slot (the k-th macro allocated in slot k) and
// encodes it there once, and patches the matrix entry of every macro key. Logs each step as
// the apply does; a key position outside 0..125 is skipped and counted in misplacedKeys,
// for the caller to show "Matrix inx warning" ("Warning") without owner once for each.
// When all slots are taken, the remaining macro keys keep their entries.
// Keys from keyCount on (past the key table's count) are skipped, as the matrix skips
// them: they neither take a slot nor patch an entry. Returns the number of keys patched
// (the buffer is sent only when it is not 0).
int BuildMacroBuffer(std::span<const KeyFunction, kKeyCount> keys, MacroSet& macros, DeviceMatrix& matrix,
                     MacroBuffer& buffer, const MacroLimits& limits = Limits(), int keyCount = kKeyCount,
                     int* misplacedKeys = nullptr);

// The message box text of a macro key outside the matrix.
inline constexpr std::u16string_view kMatrixIndexWarningText = u"Matrix inx warning";
