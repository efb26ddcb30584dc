// SPDX-License-Identifier: GPL-2.0-or-later
// MacroRecord: one macro, a fixed 834-byte little-endian record with up to 90 key and
// mouse-button events. The same image is the content of a .mck macro file (byte-rotated)
// and is embedded, unrotated, in exported profile files.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

constexpr uint32_t kMacroMagic = 0xFAFB88A0u;
constexpr std::size_t kMacroRecordSize = 834;
constexpr int kMacroEventSlots = 91;  // the last one is always zero
constexpr int kMacroEventsMax = 90;
constexpr std::size_t kMacroNameChars = 40;  // at most 39 characters and the end mark

// dwFlags bits: options changed, events changed. Both are cleared in stored files.
constexpr uint32_t kMacroOptionsChanged = 0x40000000u;
constexpr uint32_t kMacroEventsChanged = 0x80000000u;
constexpr uint32_t kMacroDirtyBits = kMacroOptionsChanged | kMacroEventsChanged;

// Repeat modes.
enum : uint32_t {
  MACRO_REPEAT_COUNT = 0,   // play wLoopCount times
  MACRO_REPEAT_THIRD = 1,   // kept and sent; the editor offers no control for it
  MACRO_REPEAT_SECOND = 2,  // the editor's second repeat mode
};

// Mouse-button codes in events: 0xF0 left, 0xF1 right (menu), 0xF2 middle, 0xF3 forward,
// 0xF4 back; 0xF5 and 0xF6 have no name.
constexpr uint16_t kMouseCodeFirst = 0xF0;
constexpr uint16_t kMouseCodeLast = 0xF6;

#pragma pack(push, 1)
struct MacroEvent {
  uint16_t wKeyCode;  // virtual-key code or mouse-button code; 0 ends the list
  uint16_t wKeyDown;  // 1 press, 0 release
  uint32_t dwDelay;   // ms to wait after this event
};

struct MacroRecord {
  uint32_t dwMagicNumber;
  uint32_t dwMacroId;  // 24 significant bits
  uint32_t dwFlags;
  uint32_t dwAutoDelay;
  uint32_t dwRepeatMode;
  char16_t szName[kMacroNameChars];
  int32_t Macro_Buffer_ID;  // device slot 1..10 during one apply, else 0
  uint16_t wLoopCount;
  MacroEvent Events[kMacroEventSlots];

  std::u16string Name() const;
  void SetName(std::u16string_view text);  // cut to 39 characters
  // The events in use: from the first up to the first zero key code.
  int EventCount() const;
};
#pragma pack(pop)

static_assert(std::endian::native == std::endian::little, "stored records are little-endian images");
static_assert(sizeof(MacroEvent) == 8);
static_assert(sizeof(MacroRecord) == kMacroRecordSize);
static_assert(std::is_trivially_copyable_v<MacroRecord>);
static_assert(offsetof(MacroRecord, szName) == 20);
static_assert(offsetof(MacroRecord, Macro_Buffer_ID) == 100);
static_assert(offsetof(MacroRecord, wLoopCount) == 104);
static_assert(offsetof(MacroRecord, Events) == 106);

// An all-zero record.
MacroRecord ZeroMacroRecord();
// A new macro: magic, the given id, automatic delays on, repeat mode 0 with one loop, no
// events, the name cut to 39 characters.
MacroRecord MakeDefaultMacro(uint32_t id, std::u16string_view name);

// The record's bytes as they stand in memory, and a record from such bytes.
std::array<uint8_t, kMacroRecordSize> MacroToBytes(const MacroRecord& record);
MacroRecord MacroFromBytes(std::span<const uint8_t, kMacroRecordSize> bytes);

// Macro files store every byte rotated right by two bits (bits 1..0 move to 7..6).
constexpr uint8_t RotateForFile(uint8_t b) { return static_cast<uint8_t>((b >> 2) | (b << 6)); }
constexpr uint8_t RotateFromFile(uint8_t b) { return static_cast<uint8_t>((b << 2) | (b >> 6)); }
// The file image of a record: dirty bits cleared, every byte rotated.
std::array<uint8_t, kMacroRecordSize> MacroFileImage(const MacroRecord& record);
// The record of a file's first 834 bytes.
MacroRecord MacroFromFileImage(std::span<const uint8_t, kMacroRecordSize> bytes);

// True when an event (walking until a zero key code) is a mouse code 0xF0..0xF6 whose bit
// in the mouse mask (the MacroHasMsKey setting, bit n for code 0xF0 + n) is clear.
// A record read from a file holds whatever the file held: its last event slot and the
// last unit of its name are made zero, so that the event list and the name end inside the
// record as every user of it expects (at most 90 events, at most 39 characters).
void BoundMacroRecord(MacroRecord& record);

bool MacroHasUnsupportedKey(const MacroRecord& record, uint32_t mouseMask);

// The content the keyboard plays and the editor shows: equal when magic, delay and repeat
// options and all event slots are equal (the id, flags, name and buffer number aside).
bool SameMacroContent(const MacroRecord& a, const MacroRecord& b);
