// SPDX-License-Identifier: GPL-2.0-or-later
// The core's one way to reach windows: message boxes, finding a window by its caption,
// and posting window messages. The GUI installs a port that shows real message boxes
// (on its own thread, also when asked from the apply worker) and posts Qt events; the
// command line installs one that prints "Caption: text" on standard error. The core
// never calls a GUI library itself.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/hwnd.h"

// Message box styles and answers, with the platform's values.
enum : unsigned {
  MB_OK = 0x00, MB_OKCANCEL = 0x01, MB_YESNO = 0x04,
  MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONWARNING = 0x30, MB_ICONINFORMATION = 0x40,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class WindowPort {
 public:
  virtual ~WindowPort() = default;
  // Shows a message box and returns the button the user chose. owner may be null ("without
  // owner"). May be called from any thread; it returns when the box has been answered.
  virtual int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                         unsigned type) = 0;
  // The top-level window whose caption is exactly the given text, or null.
  virtual HWND FindWindow(std::u16string_view caption);
  // True while the handle names a live window.
  virtual bool IsWindow(HWND window);
  // Posts a message to a window without waiting; false when there is no such window.
  virtual bool PostMessage(HWND window, unsigned msg, uintptr_t wParam, intptr_t lParam);
};

// The port in use; the default one prints message boxes on standard error.
WindowPort& Windows();
// Installs a port (null restores the default); the caller keeps it alive while installed.
void SetWindowPort(WindowPort* port);

// A port for programs without windows: "Caption: text" on standard error, answer IDOK.
class ConsoleWindowPort : public WindowPort {
 public:
  int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                 unsigned type) override;
};
