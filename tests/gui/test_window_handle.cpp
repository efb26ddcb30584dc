// SPDX-License-Identifier: GPL-2.0-or-later
// Window handles: messages posted from any thread arrive as events, late posts to a window
// that has gone are dropped, and windows are found by caption.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <memory>
#include <atomic>
#include <thread>

#include "controls/window_handle.h"
#include "controls/window_message.h"
#include "platform/messages.h"
#include "tests/gui/message_log.h"
#include "ui/qt_window_port.h"

namespace {

void Pump(int ms = 50) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(WindowHandle, PostsFromAnyThreadArriveInOrder) {
  MessageLog window;
  HWND hwnd = window.hwnd();
  std::thread worker([hwnd] {
    for (uintptr_t p : {20u, 70u, 100u}) hwnd->post(hwnd, WM_APPLY_PROGRESS, p, 0);
  });
  worker.join();
  hwnd->post(hwnd, WM_KEY_CLICKED, 125, 7);
  Pump();
  ASSERT_EQ(4u, window.received.size());
  EXPECT_EQ(WM_APPLY_PROGRESS, window.received[0].msg);
  EXPECT_EQ(20u, window.received[0].wParam);
  EXPECT_EQ(100u, window.received[2].wParam);
  EXPECT_EQ(WM_KEY_CLICKED, window.received[3].msg);
  EXPECT_EQ(7, window.received[3].lParam);
}

TEST(WindowHandle, LatePostToAGoneWindowIsDropped) {
  auto window = std::make_unique<MessageLog>();
  HWND hwnd = window->hwnd();
  EXPECT_TRUE(WindowHandle::IsAlive(hwnd));
  hwnd->post(hwnd, WM_KEY_CLICKED, 1, 0);  // pending when the window goes
  window.reset();
  EXPECT_FALSE(WindowHandle::IsAlive(hwnd));
  hwnd->post(hwnd, WM_KEY_CLICKED, 2, 0);
  Pump();
  SUCCEED();
}

TEST(WindowHandle, CloseMessageEndsAModalRun) {
  MessageLog window;
  HWND hwnd = window.hwnd();
  std::thread worker([hwnd] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    hwnd->post(hwnd, WM_CLOSE, 0, 0);
  });
  const int result = window.exec();
  worker.join();
  EXPECT_EQ(QDialog::Rejected, result);
}

TEST(QtWindowPort, FindsTopLevelWindowsByExactCaption) {
  QtWindowPort port;
  MessageLog window;
  window.setWindowTitle("MyProgressDlg..");
  window.show();
  EXPECT_EQ(window.hwnd(), port.FindWindow(u"MyProgressDlg.."));
  EXPECT_EQ(nullptr, port.FindWindow(u"MyProgressDlg."));
  EXPECT_TRUE(port.IsWindow(window.hwnd()));

  // From another thread the search runs on the UI thread.
  std::atomic<HWND> found{nullptr};
  std::thread worker([&] { found = port.FindWindow(u"MyProgressDlg.."); });
  while (found.load() == nullptr) QApplication::processEvents(QEventLoop::AllEvents, 10);
  worker.join();
  EXPECT_EQ(window.hwnd(), found.load());
  EXPECT_TRUE(port.PostMessage(found.load(), WM_APPLY_PROGRESS, 70, 0));
  Pump();
  ASSERT_EQ(1u, window.received.size());
}

}  // namespace
