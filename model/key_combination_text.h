// SPDX-License-Identifier: GPL-2.0-or-later
// The texts of a key combination (modifier bits, key 1, key 2): the modifiers in a fixed
// order, then the names of the keys, the parts joined with " + " ("L-Ctrl + A + B"). A key
// that is 0, or whose name is empty, is left out; no modifier and no key give "".
#pragma once

#include <cstdint>
#include <string>

#include "model/key_names.h"

// Side-specific, as the capture box and function names show it: "L-Ctrl", "L-Alt",
// "L-Shift", "L-Win", "R-Ctrl", "R-Alt", "R-Shift", "R-Win", then key 1 and key 2.
std::u16string KeyCombinationText(uint8_t modifiers, uint8_t key1, uint8_t key2,
                                  const KeyNaming& naming);

// Short, as the key function picker shows it: "Ctrl", "Alt", "Shift", "Win" once each
// whichever side is held, then key 1 and key 2.
std::u16string ShortKeyCombinationText(uint8_t modifiers, uint8_t key1, uint8_t key2,
                                       const KeyNaming& naming);
