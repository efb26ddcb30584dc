// SPDX-License-Identifier: GPL-2.0-or-later
// The keyboard layout in use, asked key by key for the character it puts on a key. Key
// names show that character for letters and punctuation, so a user with a German layout
// reads "Z" on the key that a US layout calls "Y".
#pragma once

#include <memory>
#include <string>

class KeyboardLayout {
 public:
  virtual ~KeyboardLayout() = default;
  // The character the key with this evdev number types without Shift or any other
  // modifier, in the layout's active group, letters in upper case ("A", not "a"). A dead
  // key gives its accent on its own ("^" for a dead circumflex). 0 when the key types no
  // character or the layout does not have the key.
  virtual char32_t KeyCharacter(unsigned evdevCode) const = 0;
};

// The US layout, built in: what names show when no display can be asked.
const KeyboardLayout& UsKeyboardLayout();

// The layout of an X display (named as in $DISPLAY; empty: $DISPLAY itself), read through
// its keyboard extension and followed when the layout or the active group changes. Null
// when the display cannot be opened or has no keyboard extension. The display must
// outlive the object.
std::unique_ptr<KeyboardLayout> OpenX11KeyboardLayout(const std::string& display);

// The layout key names use: the installed one, else the X display of $DISPLAY when it is
// set and can be opened (tried once, on first use), else the US layout.
const KeyboardLayout& CurrentKeyboardLayout();
// Installs a layout for CurrentKeyboardLayout; null goes back to the choice above. The
// caller keeps the layout alive while it is installed.
void SetKeyboardLayout(const KeyboardLayout* layout);
