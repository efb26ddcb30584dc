// SPDX-License-Identifier: GPL-2.0-or-later
// Windows virtual-key codes, the program's stored key coding, and their translation from
// the Linux input layer's key numbers. Left and right modifiers are told apart and the
// keypad Enter gets the program's own code 0xFD.
#pragma once

#include <cstdint>

enum : uint8_t {
  VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
  VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
  VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25,
  VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D,
  VK_DELETE = 0x2E, VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D, VK_NUMPAD0 = 0x60,
  VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F,
  VK_F1 = 0x70, VK_F12 = 0x7B, VK_F13 = 0x7C, VK_F24 = 0x87, VK_NUMLOCK = 0x90,
  VK_SCROLL = 0x91, VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1, VK_LCONTROL = 0xA2,
  VK_RCONTROL = 0xA3, VK_LMENU = 0xA4, VK_RMENU = 0xA5, VK_VOLUME_MUTE = 0xAD,
  VK_VOLUME_DOWN = 0xAE, VK_VOLUME_UP = 0xAF, VK_MEDIA_NEXT_TRACK = 0xB0,
  VK_MEDIA_PREV_TRACK = 0xB1, VK_MEDIA_STOP = 0xB2, VK_MEDIA_PLAY_PAUSE = 0xB3,
  VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD,
  VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC,
  VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE, VK_OEM_102 = 0xE2,
  // The program's own codes for keys without a common virtual-key code.
  VK_TASTOR_RO = 0xC1,          // international 1 (Ro)
  VK_TASTOR_KP_COMMA = 0xC2,    // keypad comma
  VK_TASTOR_YEN = 0xC3,         // international 3 (Yen)
  VK_TASTOR_KATAKANA = 0xD7,    // international 2 (Katakana/Hiragana)
  VK_TASTOR_NONUS_HASH = 0xD8,  // the non-US hash key
  VK_TASTOR_HENKAN = 0xDA,      // international 4 (Henkan)
  VK_TASTOR_MUHENKAN = 0xEB,    // international 5 (Muhenkan)
  VK_TASTOR_FN = 250,           // the Fn key in key tables
  VK_TASTOR_KP_ENTER = 0xFD,    // keypad Enter
};

// The virtual-key code of a key number of the Linux input layer (evdev), or 0.
uint8_t VirtualKeyFromEvdev(unsigned evdevCode);
// The same for an X11 key code (evdev + 8), as X events and Qt's native scan code give it.
uint8_t VirtualKeyFromXKeycode(unsigned xKeycode);
// The evdev key number of a virtual-key code (the first key that gives it), or 0.
unsigned EvdevFromVirtualKey(uint8_t vk);
