// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes text.xml into the text table: any bytes, as the file beside the program, are read
// with the XML reader and every entry is filled, as at start-up. A file the reader cannot
// use leaves the entries empty but tc_space; no entry may hold a text the reader did not
// decode (a lone surrogate half is the one thing the windows cannot show).
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "text/text_table.h"

namespace {

bool WellFormed(const std::u16string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using fuzzing::Check;
  const std::string path = fuzzing::Scratch() + "text.xml";
  fuzzing::WriteBytes(path, {data, size});
  TextTable table;
  table.Load(path);
  Check(!table.tc_space.empty(), "tc_space always has a text");
#define TASTOR_FUZZ_CHECK(key) Check(WellFormed(table.key), #key " is well-formed UTF-16");
  TASTOR_TEXT_SINGLE_KEYS(TASTOR_FUZZ_CHECK)
#undef TASTOR_FUZZ_CHECK
#define TASTOR_FUZZ_CHECK_PROGRAM(key, english) Check(WellFormed(table.key), #key " is well-formed UTF-16");
  TASTOR_TEXT_PROGRAM_KEYS(TASTOR_FUZZ_CHECK_PROGRAM)
#undef TASTOR_FUZZ_CHECK_PROGRAM
  for (const auto& text : table.tc_led_mode) Check(WellFormed(text), "tc_led_mode is well-formed UTF-16");
  for (const auto& text : table.tc_clr_str) Check(WellFormed(text), "tc_clr_str is well-formed UTF-16");
  return 0;
}
