// SPDX-License-Identifier: GPL-2.0-or-later
// Key events of the windows as the program codes keys: virtual-key codes with the
// right-hand modifiers told apart and the keypad Enter as 0xFD; VirtualKeyOf gives the
// codes TapHook delivers for the same keys (both sides by their own codes). Every window that reads keys itself (the capture box, the macro
// recorder's and the key function picker's keyboard filters) goes through here, so a key
// reads the same whichever way it arrives.
#pragma once

#include <Qt>
#include <cstdint>
#include <optional>

class QEvent;
class QKeyEvent;

// One key press or release, as WM_HOOK_KEY carries it.
struct HookKey {
  uint8_t vk = 0;
  bool release = false;
  // The message's lParam: bit 7 set for a release.
  intptr_t LParam() const { return release ? 0x80 : 0; }
  friend bool operator==(const HookKey&, const HookKey&) = default;
};

// The virtual-key code of a key event, or 0 for a key the program has no code for.
// With a native scan code (the X key code on xcb and Wayland: evdev + 8) the code comes
// from the same table as TapHook's; without one (the offscreen platform, synthesised
// events) it is worked out from the Qt key, its keypad modifier and, for the modifier
// keys, the X key symbol where the event carries one.
uint8_t VirtualKeyOf(const QKeyEvent& event);

// The fallback of VirtualKeyOf for events without a native scan code. The side of a
// modifier key comes from its key symbol (Shift_R, Control_R, Alt_R, Super_R, ...); without
// one the left-hand code is given, except for AltGr, which is the right Alt.
uint8_t VirtualKeyFromQtKey(int key, Qt::KeyboardModifiers modifiers, quint32 keySymbol);

// A key press or release event as a key of the user, as the windows' own keyboard filters
// give it: the left-hand Ctrl, Alt and Shift by the generic codes 0x11, 0x12, 0x10 (as the
// platform's key messages name them), the right-hand ones by 0xA3, 0xA5, 0xA1; every other
// key by VirtualKeyOf. Null for other events, for the presses and releases the window
// system makes up while a key is held (auto-repeat), and for keys without a code.
std::optional<HookKey> HookKeyOf(const QEvent& event);
