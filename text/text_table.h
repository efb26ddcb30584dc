// SPDX-License-Identifier: GPL-2.0-or-later
// TextTable: every word the program shows, loaded once from text.xml beside the
// executable and read-only afterwards. A key missing from the file is an empty entry.
//
// text.xml: any outermost element holding a "config" element whose children are the
// entries, each named by its key, e.g. <tastor><config><tc_ok>OK</tc_ok></config></tastor>.
// A "config" nested inside "config" is searched in turn.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "text/program_texts.h"

// The single entries, each named by its key in text.xml.
#define TASTOR_TEXT_SINGLE_KEYS(X)                                                        \
  X(tc_title) X(tc_mutex) X(tc_web) X(tc_web2) X(tc_appdata) X(tc_config) X(tc_exit)      \
  X(tc_version) X(tc_restore) X(tc_ok) X(tc_cancel) X(tc_apply) X(tc_protitle)            \
  X(tc_proname) X(tc_space) X(tc_click) X(tc_menu) X(tc_middle) X(tc_forward) X(tc_back)  \
  X(tc_mac_def) X(tc_key_off) X(tc_PL) X(tc_stop) X(tc_pre_media) X(tc_next_media)        \
  X(tc_vol_up) X(tc_vol_dw) X(tc_mute) X(tc_kbmedia_stop) X(tc_kbmedia_search)            \
  X(tc_kbmedia_mail) X(tc_kbmedia_main) X(tc_kbmedia_explore) X(tc_kbmedia_cal)           \
  X(tc_kbmedia_refresh) X(tc_kbmedia_favor) X(tc_kbmedia_msel) X(tc_combokey) X(tc_media) \
  X(tc_combo_tips) X(tc_page1) X(tc_page2) X(tc_page3) X(tc_macro_stop)                   \
  X(tc_macro_start) X(tc_macro_list) X(tc_macro_key_list) X(tc_macro_auto)                \
  X(tc_macro_loop) X(tc_macro_loop1) X(tc_macro_loop2) X(tc_macro_loop3)                  \
  X(tc_macro_msg1) X(tc_macro_msg2) X(tc_macro_msg3) X(tc_macro_msg4) X(tc_macro_msg5)    \
  X(tc_macro_msg6) X(tc_macro_msg7) X(tc_macro_msg8) X(tc_macro_msg9) X(tc_macro_msg10)   \
  X(tc_macro_msg11) X(tc_macro_msg12) X(tc_macro_msg13) X(tc_macro_msg14)                 \
  X(tc_macro_msg15) X(tc_macro_msg16) X(tc_macro_msg17) X(tc_macro_msg18)                 \
  X(tc_macro_msg19) X(tc_macro_msg20) X(tc_macro_msg21) X(tc_macro_msg22) X(tc_msg1)      \
  X(tc_msg2) X(tc_msg3) X(tc_msg4) X(tc_msg5) X(tc_msg6) X(tc_msg7) X(tc_msg8) X(tc_msg9) \
  X(tc_msg10) X(tc_msg11) X(tc_msg12) X(tc_msg13) X(tc_msg14) X(tc_msg15) X(tc_msg16)     \
  X(tc_adv_str1) X(tc_adv_str2) X(tc_adv_str3) X(tc_adv_str4) X(tc_adv_str5)              \
  X(tc_adv_str6)

class TextTable {
 public:
  static constexpr int kLedModeCount = 30;
  static constexpr int kColourNameCount = 15;

#define TASTOR_TEXT_MEMBER(key) std::u16string key;
  TASTOR_TEXT_SINGLE_KEYS(TASTOR_TEXT_MEMBER)
#undef TASTOR_TEXT_MEMBER
#define TASTOR_TEXT_PROGRAM_MEMBER(key, english) std::u16string key;
  TASTOR_TEXT_PROGRAM_KEYS(TASTOR_TEXT_PROGRAM_MEMBER)
#undef TASTOR_TEXT_PROGRAM_MEMBER
  std::array<std::u16string, kLedModeCount> tc_led_mode;   // tc_led_mode1 .. tc_led_mode30
  std::array<std::u16string, kColourNameCount> tc_clr_str; // tc_clr_str1 .. tc_clr_str15

  // The process-wide table.
  static TextTable& Instance();

  // Reads the file into the process-wide XML document and fills every entry; nothing is
  // reported to the caller. A missing or unreadable file leaves every entry empty but
  // tc_space, which is "Space" when the file gives no text for it, and the program's own
  // texts (text/program_texts.h), which are English where the file has no such key.
  void Load(const std::string& path);

  // The text of the first child named key of the first element named group under the
  // outermost element (or of a group nested in it), in the process-wide XML document;
  // empty when there is none.
  static std::u16string Lookup(std::u16string_view group, std::u16string_view key);
  // The same, telling a missing key from an empty one.
  static bool Find(std::u16string_view group, std::u16string_view key, std::u16string* text);
  // Keys that are loaded but read by nothing in the program (a translation may leave
  // them empty).
  static bool IsUnusedKey(std::string_view key);

  // The name of lighting mode index + 1, or empty outside 0..29.
  const std::u16string& LedModeName(int index) const;

  // Every entry with its key, in the table's order (singles, then the two families);
  // used by the command line to show what was loaded.
  template <typename Fn>
  void ForEach(Fn&& fn) const;
};

template <typename Fn>
void TextTable::ForEach(Fn&& fn) const {
#define TASTOR_TEXT_VISIT(key) fn(std::string_view(#key), key);
  TASTOR_TEXT_SINGLE_KEYS(TASTOR_TEXT_VISIT)
#undef TASTOR_TEXT_VISIT
#define TASTOR_TEXT_PROGRAM_VISIT(key, english) fn(std::string_view(#key), key);
  TASTOR_TEXT_PROGRAM_KEYS(TASTOR_TEXT_PROGRAM_VISIT)
#undef TASTOR_TEXT_PROGRAM_VISIT
  for (int i = 0; i < kLedModeCount; ++i) {
    fn(std::string_view("tc_led_mode" + std::to_string(i + 1)), tc_led_mode[i]);
  }
  for (int i = 0; i < kColourNameCount; ++i) {
    fn(std::string_view("tc_clr_str" + std::to_string(i + 1)), tc_clr_str[i]);
  }
}
