// SPDX-License-Identifier: GPL-2.0-or-later
// The key-capture library against a real X server (Xvfb) with keys injected by xdotool.
// Skipped, not failed, when Xvfb or xdotool is not installed.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dynamic_library.h"
#include "platform/hwnd.h"
#include "platform/messages.h"
#include "tests/support/test_support.h"

namespace {

struct Received {
  unsigned msg;
  uintptr_t wParam;
  intptr_t lParam;
};

// A receiving window that records what it is posted.
struct RecordingWindow {
  TastorWindow base{&RecordingWindow::Post};
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Received> messages;

  static void Post(TastorWindow* self, unsigned msg, uintptr_t wParam, intptr_t lParam) {
    auto* window = reinterpret_cast<RecordingWindow*>(self);
    std::lock_guard<std::mutex> lock(window->mutex);
    window->messages.push_back({msg, wParam, lParam});
    window->changed.notify_all();
  }
  bool WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(5), [&] { return messages.size() >= count; });
  }
};

struct TapHookApi {
  std::unique_ptr<DynamicLibrary> module;
  int (*installhook)() = nullptr;
  int (*removehook)() = nullptr;
  void (*SetHookStatus)(int) = nullptr;
  void (*SetReciveWindow)(HWND) = nullptr;

  bool Load() {
    module = DynamicLibrary::Open(BinDir() + SharedLibraryFileName("TapHook"));
    if (!module) return false;
    installhook = module->Resolve<int (*)()>("installhook");
    removehook = module->Resolve<int (*)()>("removehook");
    SetHookStatus = module->Resolve<void (*)(int)>("SetHookStatus");
    SetReciveWindow = module->Resolve<void (*)(HWND)>("SetReciveWindow");
    return installhook && removehook && SetHookStatus && SetReciveWindow;
  }
};

void PressKeys(const std::string& display, const std::vector<std::string>& keycodes) {
  std::vector<std::string> argv = {"/usr/bin/xdotool", "key", "--delay", "20"};
  argv.insert(argv.end(), keycodes.begin(), keycodes.end());
  const RunResult r = RunProgram(argv, {"DISPLAY=" + display});
  ASSERT_EQ(0, r.status) << r.err;
}

class TapHookTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef TASTOR_HAVE_TAPHOOK
    GTEST_SKIP() << "TapHook is not built (libXtst missing)";
#endif
    ASSERT_TRUE(api_.Load()) << "libTapHook.so lacks an entry point";
  }
  TapHookApi api_;
};

TEST_F(TapHookTest, WithoutADisplayInstallFailsQuietly) {
  const char* saved = std::getenv("DISPLAY");
  const std::string keep = saved != nullptr ? saved : "";
  ::unsetenv("DISPLAY");
  EXPECT_EQ(0, api_.installhook());
  EXPECT_EQ(0, api_.removehook());
  if (saved != nullptr) ::setenv("DISPLAY", keep.c_str(), 1);
}

TEST_F(TapHookTest, DeliversPressesAndReleasesWhileCapturing) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  Xvfb server;
  ASSERT_TRUE(server.Start());
  ::setenv("DISPLAY", server.display().c_str(), 1);

  RecordingWindow window;
  ASSERT_EQ(1, api_.installhook());
  api_.SetReciveWindow(&window.base);

  // Not capturing yet: nothing arrives.
  PressKeys(server.display(), {"38"});
  api_.SetHookStatus(1);
  // "a" (X key code 38), right Shift (62), keypad Enter (104), right Ctrl (105).
  PressKeys(server.display(), {"38", "62", "104", "105"});
  ASSERT_TRUE(window.WaitFor(8));
  api_.SetHookStatus(0);
  PressKeys(server.display(), {"38"});
  EXPECT_EQ(1, api_.removehook());
  ::unsetenv("DISPLAY");

  std::lock_guard<std::mutex> lock(window.mutex);
  ASSERT_EQ(8u, window.messages.size());
  const std::vector<std::pair<uintptr_t, intptr_t>> expected = {
      {0x41, 0}, {0x41, 0x80}, {0xA1, 0}, {0xA1, 0x80}, {0xFD, 0}, {0xFD, 0x80}, {0xA3, 0}, {0xA3, 0x80}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(WM_HOOK_KEY, window.messages[i].msg);
    EXPECT_EQ(expected[i].first, window.messages[i].wParam) << i;
    EXPECT_EQ(expected[i].second, window.messages[i].lParam) << i;
  }
}

}  // namespace
