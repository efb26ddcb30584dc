// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/x11_display.h"

// Xlib last: its macros (None, Status, Bool, ...) must not meet other headers.
#include <X11/Xlib.h>

bool X11DisplayOpens(const std::string& name) {
  if (name.empty()) return false;
  Display* display = XOpenDisplay(name.c_str());
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}
