// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/virtual_key_event.h"

#include <QKeyEvent>

#include "platform/virtual_keys.h"

namespace {

// X key symbols that tell the side of a modifier key.
enum : quint32 {
  XK_ISO_Level3_Shift = 0xFE03,
  XK_Shift_R = 0xFFE2,
  XK_Control_R = 0xFFE4,
  XK_Meta_R = 0xFFE8,
  XK_Alt_R = 0xFFEA,
  XK_Super_R = 0xFFEC,
};

struct QtKeyPair {
  int key;
  uint8_t vk;
};

// Keys whose code does not depend on the keypad modifier or the side.
constexpr QtKeyPair kMainKeys[] = {
    {Qt::Key_Escape, VK_ESCAPE},
    {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_Print, VK_SNAPSHOT},
    {Qt::Key_SysReq, VK_SNAPSHOT},
    {Qt::Key_CapsLock, VK_CAPITAL},
    {Qt::Key_NumLock, VK_NUMLOCK},
    {Qt::Key_ScrollLock, VK_SCROLL},
    {Qt::Key_Space, VK_SPACE},
    {Qt::Key_Menu, VK_APPS},
    {Qt::Key_VolumeMute, VK_VOLUME_MUTE},
    {Qt::Key_VolumeDown, VK_VOLUME_DOWN},
    {Qt::Key_VolumeUp, VK_VOLUME_UP},
    {Qt::Key_MediaNext, VK_MEDIA_NEXT_TRACK},
    {Qt::Key_MediaPrevious, VK_MEDIA_PREV_TRACK},
    {Qt::Key_MediaStop, VK_MEDIA_STOP},
    {Qt::Key_MediaPlay, VK_MEDIA_PLAY_PAUSE},
    {Qt::Key_MediaTogglePlayPause, VK_MEDIA_PLAY_PAUSE},
    // Punctuation by the US positions the stored codes name, shifted or not.
    {Qt::Key_Minus, VK_OEM_MINUS},
    {Qt::Key_Underscore, VK_OEM_MINUS},
    {Qt::Key_Equal, VK_OEM_PLUS},
    {Qt::Key_Plus, VK_OEM_PLUS},
    {Qt::Key_BracketLeft, VK_OEM_4},
    {Qt::Key_BraceLeft, VK_OEM_4},
    {Qt::Key_BracketRight, VK_OEM_6},
    {Qt::Key_BraceRight, VK_OEM_6},
    {Qt::Key_Semicolon, VK_OEM_1},
    {Qt::Key_Colon, VK_OEM_1},
    {Qt::Key_Apostrophe, VK_OEM_7},
    {Qt::Key_QuoteDbl, VK_OEM_7},
    {Qt::Key_QuoteLeft, VK_OEM_3},
    {Qt::Key_AsciiTilde, VK_OEM_3},
    {Qt::Key_Backslash, VK_OEM_5},
    {Qt::Key_Bar, VK_OEM_5},
    {Qt::Key_Comma, VK_OEM_COMMA},
    {Qt::Key_Less, VK_OEM_COMMA},
    {Qt::Key_Period, VK_OEM_PERIOD},
    {Qt::Key_Greater, VK_OEM_PERIOD},
    {Qt::Key_Slash, VK_OEM_2},
    {Qt::Key_Question, VK_OEM_2},
    // Shifted digits.
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
};

// The navigation keys, on their own block, or on the keypad with Num Lock off (where the
// key code is that of the digit below them, as TapHook's table gives it).
struct NavigationKey {
  int key;
  uint8_t vk;
  uint8_t keypad;
};
constexpr NavigationKey kNavigationKeys[] = {
    {Qt::Key_Insert, VK_INSERT, VK_NUMPAD0},    {Qt::Key_Delete, VK_DELETE, VK_DECIMAL},
    {Qt::Key_Home, VK_HOME, VK_NUMPAD0 + 7},    {Qt::Key_End, VK_END, VK_NUMPAD0 + 1},
    {Qt::Key_PageUp, VK_PRIOR, VK_NUMPAD0 + 9}, {Qt::Key_PageDown, VK_NEXT, VK_NUMPAD0 + 3},
    {Qt::Key_Left, VK_LEFT, VK_NUMPAD0 + 4},    {Qt::Key_Up, VK_UP, VK_NUMPAD0 + 8},
    {Qt::Key_Right, VK_RIGHT, VK_NUMPAD0 + 6},  {Qt::Key_Down, VK_DOWN, VK_NUMPAD0 + 2},
    {Qt::Key_Clear, 0, VK_NUMPAD0 + 5},
};

// Keys of the number block that produce a character.
constexpr QtKeyPair kKeypadKeys[] = {
    {Qt::Key_Asterisk, VK_MULTIPLY}, {Qt::Key_Plus, VK_ADD},       {Qt::Key_Minus, VK_SUBTRACT},
    {Qt::Key_Period, VK_DECIMAL},    {Qt::Key_Comma, VK_DECIMAL},  {Qt::Key_Slash, VK_DIVIDE},
};

uint8_t ModifierKey(int key, quint32 keySymbol) {
  switch (key) {
    case Qt::Key_Shift: return keySymbol == XK_Shift_R ? VK_RSHIFT : VK_LSHIFT;
    case Qt::Key_Control: return keySymbol == XK_Control_R ? VK_RCONTROL : VK_LCONTROL;
    case Qt::Key_Alt:
      return keySymbol == XK_Alt_R || keySymbol == XK_ISO_Level3_Shift ? VK_RMENU : VK_LMENU;
    case Qt::Key_AltGr: return VK_RMENU;
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
      return keySymbol == XK_Super_R || keySymbol == XK_Meta_R ? VK_RWIN : VK_LWIN;
    case Qt::Key_Super_R: return VK_RWIN;
    default: return 0;
  }
}

}  // namespace

uint8_t VirtualKeyFromQtKey(int key, Qt::KeyboardModifiers modifiers, quint32 keySymbol) {
  if (const uint8_t vk = ModifierKey(key, keySymbol)) return vk;
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    return static_cast<uint8_t>(keypad ? VK_NUMPAD0 + (key - Qt::Key_0) : '0' + (key - Qt::Key_0));
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<uint8_t>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<uint8_t>(VK_F1 + (key - Qt::Key_F1));
  // Qt names the keypad Enter Key_Enter, also where the keypad modifier is missing.
  if (key == Qt::Key_Enter) return VK_TASTOR_KP_ENTER;
  for (const NavigationKey& n : kNavigationKeys) {
    if (n.key == key) return keypad ? n.keypad : n.vk;
  }
  if (keypad) {
    for (const QtKeyPair& k : kKeypadKeys) {
      if (k.key == key) return k.vk;
    }
  }
  for (const QtKeyPair& k : kMainKeys) {
    if (k.key == key) return k.vk;
  }
  return 0;
}

uint8_t VirtualKeyOf(const QKeyEvent& event) {
  // A native code is the key's position, the one thing that tells left from right: it
  // alone decides, as it does for TapHook.
  if (event.nativeScanCode() != 0) return VirtualKeyFromXKeycode(event.nativeScanCode());
  return VirtualKeyFromQtKey(event.key(), event.modifiers(), event.nativeVirtualKey());
}

std::optional<HookKey> HookKeyOf(const QEvent& event) {
  if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease) return std::nullopt;
  const auto& key = static_cast<const QKeyEvent&>(event);
  if (key.isAutoRepeat()) return std::nullopt;
  uint8_t vk = VirtualKeyOf(key);
  if (vk == 0) return std::nullopt;
  // A window's key message names the left-hand modifiers by their generic codes.
  if (vk == VK_LSHIFT) vk = VK_SHIFT;
  if (vk == VK_LCONTROL) vk = VK_CONTROL;
  if (vk == VK_LMENU) vk = VK_MENU;
  return HookKey{vk, event.type() == QEvent::KeyRelease};
}
