// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/window_port.h"

#include <atomic>
#include <cstdio>
#include <string>

#include "text/utf.h"

namespace {
ConsoleWindowPort g_consolePort;
std::atomic<WindowPort*> g_port{&g_consolePort};
}  // namespace

HWND WindowPort::FindWindow(std::u16string_view) { return nullptr; }

bool WindowPort::IsWindow(HWND window) { return window != nullptr; }

bool WindowPort::PostMessage(HWND window, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  if (window == nullptr || window->post == nullptr) return false;
  window->post(window, msg, wParam, lParam);
  return true;
}

WindowPort& Windows() { return *g_port.load(); }

void SetWindowPort(WindowPort* port) { g_port.store(port != nullptr ? port : &g_consolePort); }

int ConsoleWindowPort::MessageBox(HWND, std::u16string_view text, std::u16string_view caption,
                                  unsigned type) {
  const std::string line = ToUtf8(caption) + ": " + ToUtf8(text) + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  // Nobody can answer here: an OK box is acknowledged, a question is declined.
  switch (type & 0x0F) {
    case MB_OKCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    default: return IDOK;
  }
}
