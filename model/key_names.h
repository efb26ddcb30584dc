// SPDX-License-Identifier: GPL-2.0-or-later
// Names of virtual-key codes and display names of key functions: the short texts the
// windows show for stored codes (key-combination texts, the macro editor's event list, the
// capture box, the key function picker). Most names are fixed English words; the space
// bar, the mouse buttons and the mouse and media functions take their names from the text
// table, and letters and punctuation show the character of the keyboard layout in use.
#pragma once

#include <cstdint>
#include <string>

#include "base/key_function.h"

struct AppSettings;
class KeyboardLayout;
class MacroLookup;
class TextTable;

// What names are made from: the KbType layout variant, the text table and the keyboard
// layout.
struct KeyNaming {
  int kbType;
  const TextTable& texts;
  const KeyboardLayout& layout;

  // The program's for these settings: their KbType, the process-wide text table, the
  // current keyboard layout.
  static KeyNaming For(const AppSettings& settings);
};

// The name of a virtual-key code (only its low byte counts after the KbType name remap):
// a fixed name, a text of the text table, or the one character the keyboard layout gives
// for the key; empty for 0xFF and for a key that gives no character.
std::u16string KeyName(uint32_t code, const KeyNaming& naming);

// The display name of a key function: a macro's "<tc_mac_def> - <macro name>" (empty when
// the macro is not in `macros`), "Fn", the side-specific key-combination text, or the text
// of a mouse, media or application function (empty for values without one).
std::u16string FunctionName(const KeyFunction& function, const MacroLookup& macros,
                            const KeyNaming& naming);
// The same with the process-wide macro library.
std::u16string FunctionName(const KeyFunction& function, const KeyNaming& naming);
