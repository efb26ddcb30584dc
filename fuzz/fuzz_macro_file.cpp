// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes macro files: any bytes, as a .mck file, are read through the byte rotation. A
// record read is the file's first 834 bytes with its event list and name ended inside the
// record, passes the unsupported-key check, and encodes into one slot of the keyboard's
// macro buffer without writing past the slot.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_support.h"
#include "macro/macro_encoding.h"
#include "macro/macro_files.h"
#include "macro/macro_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using fuzzing::Check;
  const std::string path = fuzzing::Scratch() + "macro.mck";
  fuzzing::WriteBytes(path, {data, size});
  MacroRecord record;
  int err = 0;
  const int read = ReadMacroFile(path, record, err);
  Check(read == (size >= kMacroRecordSize ? 1 : 0), "a macro file is read when it has 834 bytes");
  if (read == 0) return 0;

  // The rotation loses nothing but the two units that end the lists.
  auto image = MacroFileImage(record);
  std::array<uint8_t, kMacroRecordSize> expected;
  std::memcpy(expected.data(), data, kMacroRecordSize);
  MacroRecord fromFile = MacroFromFileImage(expected);
  BoundMacroRecord(fromFile);
  Check(MacroFileImage(fromFile) == image, "the file image round-trips");
  Check(record.Name().size() < kMacroNameChars, "the name ends inside the record");
  Check(record.EventCount() <= kMacroEventsMax, "at most 90 events");
  for (uint32_t mask : {0u, 1u, 0x7Fu}) (void)MacroHasUnsupportedKey(record, mask);

  // The encoding of whatever the events say stays inside its slot.
  MacroLimits limits;
  std::array<uint8_t, 192 + 16> slot{};
  slot.fill(0xEE);
  const int used = StMacro_To_HdMacro(&record, slot.data(), limits);
  Check(used >= 0 && used <= 192, "the events fit the slot");
  Check(std::all_of(slot.begin() + 192, slot.end(), [](uint8_t b) { return b == 0xEE; }),
        "nothing is written past the slot");
  return 0;
}
