// SPDX-License-Identifier: GPL-2.0-or-later
// The GUI's window port: message boxes are Qt message boxes shown on the UI thread (a
// request from another thread waits there for the answer, as a modal box would), except
// the messages inside the windows (ShowMessage: captioned with the program's title, OK
// only), which the skinned message box shows over their owner; windows are found by
// caption among the application's top-level windows.
#pragma once

#include "base/window_port.h"

class QtWindowPort : public WindowPort {
 public:
  int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) override;
  HWND FindWindow(std::u16string_view caption) override;
  bool IsWindow(HWND window) override;
};
