// SPDX-License-Identifier: GPL-2.0-or-later
// The texts Tastor shows beyond the keyboard's own text table: the profile menu, the
// linked-program editor, the macro editor's question about unsaved edits, the file dialogs'
// titles, the messages about names and files, what the keyboard did not keep after an apply,
// profiles changed by another program or not saved, a stored file that could not be read,
// the user's settings that cannot be used,
// and the names that assistive technology reads for controls that show only an image. They
// are looked up in text.xml like every
// other text (each translation carries them), and a text.xml without one of them (an older
// or a keyboard maker's file) shows the English text given here rather than nothing.
#pragma once

#include <string_view>

// X(key, English text)
#define TASTOR_TEXT_PROGRAM_KEYS(X)                                                          \
  X(tc_pro_export, u"Export profile\u2026")                                                  \
  X(tc_pro_import, u"Import profile\u2026")                                                  \
  X(tc_pro_delete, u"Delete profile")                                                        \
  X(tc_link_program, u"Link program\u2026")                                                  \
  X(tc_link_prompt, u"Switch to this profile while this program runs:")                      \
  X(tc_link_running, u"Running programs")                                                    \
  X(tc_link_none, u"(none found)")                                                           \
  X(tc_macro_unsaved, u"The macro has changes that are not saved. Save them?")               \
  X(tc_macro_save_failed, u"The macro could not be saved. Its changes are kept here until it can be.") \
  X(tc_name_empty, u"A name cannot be empty.")                                               \
  X(tc_name_chars, u"A name cannot contain \"/\", \"\\\" or control characters.")            \
  X(tc_name_long, u"This name is too long.")                                                 \
  X(tc_name_dots, u"\".\" and \"..\" cannot be used as names.")                                \
  X(tc_import_failed, u"Import failed.")                                                     \
  X(tc_export_failed, u"Export failed.")                                                     \
  X(tc_file_profile, u"Profile files")                                                       \
  X(tc_file_macro, u"Macro files")                                                           \
  X(tc_folder_choose, u"Choose a folder")                                                    \
  X(tc_pick_choose, u"Choose on the left what the key is to do: a key or key combination, a macro or a media function.") \
  X(tc_verify_matrix, u"The keyboard did not keep the key assignments.")                     \
  X(tc_verify_led, u"The keyboard did not keep the lighting.")                               \
  X(tc_files_changed, u"Another program changed the profiles or macros. OK keeps the changes made here (saved at the next Apply), Cancel loads the changed files.") \
  X(tc_apply_not_saved, u"The keyboard has the profile, but the files do not: %s")           \
  X(tc_save_failed, u"The profiles could not be saved: %s")                                  \
  X(tc_acc_minimise, u"Minimise")                                                            \
  X(tc_acc_close, u"Close")                                                                  \
  X(tc_acc_default, u"Default")                                                              \
  X(tc_acc_mode, u"Lighting mode")                                                              \
  X(tc_acc_keyboard, u"Keyboard")                                                            \
  X(tc_acc_folder, u"Folder")                                                                \
  X(tc_acc_colour, u"Game colour")                                                           \
  X(tc_acc_no_colour, u"No colour") \
  X(tc_profiles_damaged, u"The stored profiles could not be read, so Tastor starts with new ones. The damaged file is kept as %s.") \
  X(tc_profiles_damaged_lost, u"The stored profiles could not be read, so Tastor starts with new ones. No copy of the damaged file could be kept: %s") \
  X(tc_settings_not_used, u"Some of your settings are not used: %s")

// The English texts by their keys (english::tc_name_empty), for words that must not be
// empty even where no table has been read or a table gives an empty text.
namespace english {
#define TASTOR_TEXT_PROGRAM_ENGLISH(key, text) inline constexpr std::u16string_view key = text;
TASTOR_TEXT_PROGRAM_KEYS(TASTOR_TEXT_PROGRAM_ENGLISH)
#undef TASTOR_TEXT_PROGRAM_ENGLISH
}  // namespace english
