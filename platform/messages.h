// SPDX-License-Identifier: GPL-2.0-or-later
// The program's window message numbers and the few system ones it posts itself.
#pragma once

#include <cstdint>

enum : unsigned {
  WM_CLOSE = 0x0010,
  WM_HOOK_KEY = 1034,         // captured key: wParam virtual-key code, lParam 0x80 on release
  WM_APPLY_PROGRESS = 1067,   // apply worker progress: wParam 20, 70, 100
  WM_COLOR_SWATCH = 1086,     // colour swatch click: wParam 1 not selected / 0 selected
  WM_TRAY_NOTIFY = 1132,      // tray icon or second instance: lParam mouse message
  WM_MENU_COMMAND = 1143,     // skinned menu choice: wParam value, lParam context
  WM_KEY_CLICKED = 1153,      // keyboard picture click: wParam key index
  WM_TREE_RCLICK = 1426,
  WM_TREE_CLICK = 1428,
  WM_SLIDER_DONE = 0x800,     // slider released: wParam final step, lParam slider id
  WM_SLIDER_MOVING = 0x801,   // slider dragged: wParam step under the thumb, lParam slider id
  WM_SWITCH_APPLIED = 0x802,  // apply worker: an automatic switch's run ended; wParam profile id,
                              // lParam 0 applied, 1 failed, 2 not run (no keyboard)
};

// Mouse messages carried in lParam of WM_TRAY_NOTIFY.
enum : unsigned {
  WM_LBUTTONDBLCLK = 515,
  WM_RBUTTONUP = 517,
};
