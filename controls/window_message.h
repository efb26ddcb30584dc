// SPDX-License-Identifier: GPL-2.0-or-later
// Window messages inside the GUI: one Qt event per message number, carrying wParam and
// lParam. The numbers of the program's messages all lie in Qt's user event range, so the
// event type is the message number itself.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <cstdint>

class WindowMessageEvent : public QEvent {
 public:
  WindowMessageEvent(unsigned msg, uintptr_t wParam, intptr_t lParam)
      : QEvent(static_cast<QEvent::Type>(msg)), wParam(wParam), lParam(lParam) {}
  unsigned Message() const { return static_cast<unsigned>(type()); }
  const uintptr_t wParam;
  const intptr_t lParam;
};

// The message carried by an event, or 0 when it is not a window message.
inline unsigned WindowMessageOf(const QEvent* event) {
  return dynamic_cast<const WindowMessageEvent*>(event) != nullptr ? static_cast<unsigned>(event->type()) : 0u;
}

// Posts a window message to an object inside the GUI (any thread); it arrives as a
// WindowMessageEvent after the sender's own event has finished.
inline void PostWindowMessage(QObject* target, unsigned msg, uintptr_t wParam, intptr_t lParam) {
  QCoreApplication::postEvent(target, new WindowMessageEvent(msg, wParam, lParam));
}
