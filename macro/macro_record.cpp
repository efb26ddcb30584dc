// SPDX-License-Identifier: GPL-2.0-or-later
#include "macro/macro_record.h"

#include <algorithm>
#include <cstring>

#include "text/utf.h"

std::u16string MacroRecord::Name() const {
  std::u16string text;
  for (std::size_t i = 0; i < kMacroNameChars && szName[i] != u'\0'; ++i) text.push_back(szName[i]);
  return text;
}

void MacroRecord::SetName(std::u16string_view text) {
  const std::u16string cut = Truncated(text, kMacroNameChars);
  for (std::size_t i = 0; i < kMacroNameChars; ++i) szName[i] = i < cut.size() ? cut[i] : u'\0';
}

void BoundMacroRecord(MacroRecord& record) {
  record.Events[kMacroEventSlots - 1] = MacroEvent{0, 0, 0};
  record.szName[kMacroNameChars - 1] = u'\0';
}

int MacroRecord::EventCount() const {
  int n = 0;
  while (n < kMacroEventSlots && Events[n].wKeyCode != 0) ++n;
  return n;
}

MacroRecord ZeroMacroRecord() {
  MacroRecord r;
  std::memset(&r, 0, sizeof r);
  return r;
}

MacroRecord MakeDefaultMacro(uint32_t id, std::u16string_view name) {
  MacroRecord r = ZeroMacroRecord();
  r.dwMagicNumber = kMacroMagic;
  r.dwMacroId = id;
  r.dwAutoDelay = 1;
  r.dwRepeatMode = MACRO_REPEAT_COUNT;
  r.wLoopCount = 1;
  r.Macro_Buffer_ID = 0;
  r.SetName(name);
  return r;
}

std::array<uint8_t, kMacroRecordSize> MacroToBytes(const MacroRecord& record) {
  std::array<uint8_t, kMacroRecordSize> bytes;
  std::memcpy(bytes.data(), &record, kMacroRecordSize);
  return bytes;
}

MacroRecord MacroFromBytes(std::span<const uint8_t, kMacroRecordSize> bytes) {
  MacroRecord r;
  std::memcpy(&r, bytes.data(), kMacroRecordSize);
  return r;
}

std::array<uint8_t, kMacroRecordSize> MacroFileImage(const MacroRecord& record) {
  MacroRecord stored = record;
  stored.dwFlags &= ~kMacroDirtyBits;
  std::array<uint8_t, kMacroRecordSize> bytes = MacroToBytes(stored);
  for (uint8_t& b : bytes) b = RotateForFile(b);
  return bytes;
}

MacroRecord MacroFromFileImage(std::span<const uint8_t, kMacroRecordSize> bytes) {
  std::array<uint8_t, kMacroRecordSize> plain;
  std::transform(bytes.begin(), bytes.end(), plain.begin(), RotateFromFile);
  return MacroFromBytes(plain);
}

bool MacroHasUnsupportedKey(const MacroRecord& record, uint32_t mouseMask) {
  for (int i = 0; i < kMacroEventSlots; ++i) {
    const uint16_t code = record.Events[i].wKeyCode;
    if (code == 0) break;
    if (code >= kMouseCodeFirst && code <= kMouseCodeLast && (mouseMask & (1u << (code - kMouseCodeFirst))) == 0) {
      return true;
    }
  }
  return false;
}

bool SameMacroContent(const MacroRecord& a, const MacroRecord& b) {
  return a.dwMagicNumber == b.dwMagicNumber && a.dwAutoDelay == b.dwAutoDelay && a.dwRepeatMode == b.dwRepeatMode &&
         a.wLoopCount == b.wLoopCount && std::memcmp(a.Events, b.Events, sizeof a.Events) == 0;
}
