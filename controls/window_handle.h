// SPDX-License-Identifier: GPL-2.0-or-later
// The window handle (HWND) of a Qt window, for the core and the sibling libraries.
//
// A handle's post function may be called from any thread (the apply worker, the key
// capture thread) and at any time, also after its window has gone: handles live in a
// registry that is checked under a lock before the message is posted as a Qt event, and
// their records are never freed, so a late post finds a dead handle and drops the message.
// A message of another thread is handed to the UI thread under the registry's lock, the
// UI thread is woken through an eventfd (other threads never call into Qt), and the
// message is made into a Qt event there; messages of one thread keep their order, and come
// before any the UI thread posts after them.
#pragma once

#include <QObject>
#include <functional>

#include "platform/hwnd.h"

class WindowHandle {
 public:
  // Registers a handle for the object; the handle dies with the WindowHandle.
  explicit WindowHandle(QObject* target);
  ~WindowHandle();
  WindowHandle(const WindowHandle&) = delete;
  WindowHandle& operator=(const WindowHandle&) = delete;

  HWND hwnd() const { return hwnd_; }

  // The live object of a handle, or null (any thread; use the object on its own thread).
  static QObject* TargetOf(HWND hwnd);
  // The handle of a live object, or null.
  static HWND HandleOf(const QObject* target);
  static bool IsAlive(HWND hwnd) { return TargetOf(hwnd) != nullptr; }

  // Runs the task on the UI thread: at once when called there, else later, after whatever
  // this thread handed over before (its messages among them). Any thread.
  static void RunOnUiThread(std::function<void()> task);

 private:
  HWND hwnd_;
};
