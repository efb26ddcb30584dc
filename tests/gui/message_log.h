// SPDX-License-Identifier: GPL-2.0-or-later
// A plain top-level window with a window handle that records the window messages it
// receives, for the tests of window messages and of the controls that post them.
#pragma once

#include <QDialog>
#include <QSize>
#include <cstdint>
#include <vector>

#include "controls/window_handle.h"
#include "controls/window_message.h"

class MessageLog : public QDialog {
 public:
  struct Message {
    unsigned msg;
    uintptr_t wParam;
    intptr_t lParam;
    friend bool operator==(const Message&, const Message&) = default;
  };
  explicit MessageLog(QSize size = QSize(400, 300)) { resize(size); }
  bool event(QEvent* e) override {
    if (const unsigned msg = WindowMessageOf(e)) {
      const auto* m = static_cast<WindowMessageEvent*>(e);
      received.push_back({msg, m->wParam, m->lParam});
      return true;
    }
    return QDialog::event(e);
  }
  std::vector<Message> Of(unsigned msg) const {
    std::vector<Message> out;
    for (const Message& m : received) {
      if (m.msg == msg) out.push_back(m);
    }
    return out;
  }
  HWND hwnd() const { return handle_.hwnd(); }
  std::vector<Message> received;

 private:
  WindowHandle handle_{this};
};
