// SPDX-License-Identifier: GPL-2.0-or-later
#include "text/text_table.h"

#include <cstdio>

#include "text/utf.h"
#include "text/xml_document.h"

namespace {

// Family keys are formatted into a key of at most 29 characters.
std::u16string FamilyKey(const char* stem, int number) {
  char key[30];
  std::snprintf(key, sizeof key, "%s%d", stem, number);
  return FromUtf8(key);
}

}  // namespace

TextTable& TextTable::Instance() {
  static TextTable table;
  return table;
}

bool TextTable::Find(std::u16string_view group, std::u16string_view key, std::u16string* text) {
  XmlDocument& doc = XmlDocument::Instance();
  doc.Rewind();
  // At the document level this first selects the outermost element, whatever its name.
  while (doc.FindChild(group)) {
    doc.Enter();
    if (doc.FindChild(key)) {
      if (text != nullptr) *text = doc.ChildText();
      return true;
    }
  }
  if (text != nullptr) text->clear();
  return false;
}

std::u16string TextTable::Lookup(std::u16string_view group, std::u16string_view key) {
  std::u16string text;
  Find(group, key, &text);
  return text;
}

void TextTable::Load(const std::string& path) {
  XmlDocument::Instance().Load(path);
#define TASTOR_TEXT_LOAD(key) key = Lookup(u"config", FromUtf8(#key));
  TASTOR_TEXT_SINGLE_KEYS(TASTOR_TEXT_LOAD)
#undef TASTOR_TEXT_LOAD
#define TASTOR_TEXT_LOAD_PROGRAM(key, english) \
  if (!Find(u"config", FromUtf8(#key), &key)) key = english;
  TASTOR_TEXT_PROGRAM_KEYS(TASTOR_TEXT_LOAD_PROGRAM)
#undef TASTOR_TEXT_LOAD_PROGRAM
  for (int i = 0; i < kLedModeCount; ++i) {
    tc_led_mode[static_cast<std::size_t>(i)] = Lookup(u"config", FamilyKey("tc_led_mode", i + 1));
  }
  for (int i = 0; i < kColourNameCount; ++i) {
    tc_clr_str[static_cast<std::size_t>(i)] = Lookup(u"config", FamilyKey("tc_clr_str", i + 1));
  }
  if (tc_space.empty()) tc_space = u"Space";
}

bool TextTable::IsUnusedKey(std::string_view key) {
  static constexpr std::string_view kUnused[] = {
      "tc_appdata",    "tc_combokey", "tc_media", "tc_macro_loop3", "tc_macro_msg2", "tc_macro_msg18",
      "tc_msg2",       "tc_msg4",     "tc_msg13", "tc_adv_str5",    "tc_adv_str6",
  };
  for (const std::string_view k : kUnused) {
    if (k == key) return true;
  }
  return false;
}

const std::u16string& TextTable::LedModeName(int index) const {
  static const std::u16string kEmpty;
  if (index < 0 || index >= kLedModeCount) return kEmpty;
  return tc_led_mode[static_cast<std::size_t>(index)];
}
