// SPDX-License-Identifier: GPL-2.0-or-later
// Helpers for the apply tests: a headless progress dialog (a window port whose FindWindow
// finds a recording window after a few looks, and whose message boxes and looks can be
// held the way a busy UI thread holds them), and a fixture with the simulated keyboard, a
// small key table and a private memory folder.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/program_settings.h"
#include "device/apply_job.h"
#include "device/apply_setting.h"
#include "device/usb_driver.h"
#include "macro/macro_library.h"
#include "macro/macro_limits.h"
#include "model/profile.h"
#include "model/profile_store.h"
#include "platform/messages.h"
#include "tests/core/test_model_support.h"
#include "tests/support/test_support.h"

namespace apply_test {

using namespace std::chrono_literals;

// The progress dialog as the worker sees it, without a GUI.
class ProgressPort : public RecordingWindowPort {
 public:
  struct Post {
    unsigned msg;
    uintptr_t wParam;
    intptr_t lParam;
    std::chrono::steady_clock::time_point at;
  };
  struct BoxCall {
    HWND owner;
    std::thread::id thread;
  };

  // The window is found at the look after `misses` looks that find nothing; -1: never.
  explicit ProgressPort(int misses = 3) : misses_(misses) { window_.port = this; }

  HWND Window() { return &window_; }

  int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) override {
    std::unique_lock<std::mutex> lock(mutex_);
    calls_.push_back({owner, std::this_thread::get_id()});
    RecordingWindowPort::MessageBox(owner, text, caption, type);
    changed_.notify_all();
    // A held box stays open until the test answers it, as a modal box waits for the user.
    changed_.wait(lock, [this] { return !holdBoxes_; });
    return IDOK;
  }
  HWND FindWindow(std::u16string_view caption) override {
    std::unique_lock<std::mutex> lock(mutex_);
    captions_.emplace_back(caption);
    changed_.notify_all();
    changed_.wait(lock, [this] { return !holdFind_; });
    if (misses_ < 0 || static_cast<int>(captions_.size()) <= misses_ || caption != u"MyProgressDlg..") return nullptr;
    return &window_;
  }
  bool IsWindow(HWND window) override { return window == &window_; }

  void HoldBoxes(bool hold) { Set(holdBoxes_, hold); }
  void HoldFind(bool hold) { Set(holdFind_, hold); }

  // Waits until n boxes were raised, or n looks made; false after two seconds.
  bool WaitForBoxes(std::size_t n) { return WaitFor([&] { return boxes.size() >= n; }); }
  bool WaitForLooks(std::size_t n) { return WaitFor([&] { return captions_.size() >= n; }); }

  std::vector<Post> Posts() { return Locked(posts_); }
  std::vector<BoxCall> Calls() { return Locked(calls_); }
  std::vector<std::u16string> Looks() { return Locked(captions_); }
  std::vector<Box> Boxes() { return Locked(boxes); }
  // The message numbers posted, and the wParam of each progress message, in order.
  std::vector<unsigned> Messages() {
    std::vector<unsigned> m;
    for (const Post& p : Posts()) m.push_back(p.msg);
    return m;
  }
  std::vector<uintptr_t> Progress() {
    std::vector<uintptr_t> v;
    for (const Post& p : Posts()) {
      if (p.msg == WM_APPLY_PROGRESS) v.push_back(p.wParam);
    }
    return v;
  }

 private:
  struct RecordingWindow : TastorWindow {
    ProgressPort* port = nullptr;
    RecordingWindow() { post = &RecordingWindow::Record; }
    static void Record(TastorWindow* self, unsigned msg, uintptr_t wParam, intptr_t lParam) {
      ProgressPort* port = static_cast<RecordingWindow*>(self)->port;
      std::lock_guard<std::mutex> lock(port->mutex_);
      port->posts_.push_back({msg, wParam, lParam, std::chrono::steady_clock::now()});
    }
  };

  template <typename T>
  std::vector<T> Locked(const std::vector<T>& v) {
    std::lock_guard<std::mutex> lock(mutex_);
    return v;
  }
  void Set(bool& flag, bool value) {
    std::lock_guard<std::mutex> lock(mutex_);
    flag = value;
    changed_.notify_all();
  }
  template <typename Pred>
  bool WaitFor(Pred pred) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, 2s, pred);
  }

  const int misses_;
  RecordingWindow window_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool holdBoxes_ = false;
  bool holdFind_ = false;
  std::vector<Post> posts_;
  std::vector<BoxCall> calls_;
  std::vector<std::u16string> captions_;
};

inline MacroEvent Press(uint16_t code, uint32_t delay = 0) { return {code, 1, delay}; }
inline MacroEvent Release(uint16_t code, uint32_t delay = 0) { return {code, 0, delay}; }

// A macro key at key index i (the test key table puts key i at matrix position i).
inline KeyFunction MacroKey(uint32_t id, int i) {
  KeyFunction k;
  k.code = KeyFunction::MakeCode(KIND_MACRO, 0);
  k.macroId = static_cast<int32_t>(id);
  k.matrixPos = i;
  return k;
}

// A macro pressing and releasing one key, looped `loops` times.
inline MacroRecord KeyMacro(uint32_t id, uint16_t vk, uint16_t loops = 1) {
  MacroRecord m = TestMacro(id, u"m", {Press(vk, 50), Release(vk)});
  m.wLoopCount = loops;
  return m;
}

inline const char* const kSimVariables[] = {
    "TASTOR_SIM_DIR",     "TASTOR_SIM_ABSENT",         "TASTOR_SIM_KEYBOARDS",    "TASTOR_SIM_NO_CONSUMER",
    "TASTOR_SIM_PRODUCT", "TASTOR_SIM_FAIL_TRANSFERS", "TASTOR_SIM_NO_PERMISSION", "TASTOR_SIM_REMOVE_AFTER",
    "TASTOR_SIM_HANG_MS", "TASTOR_SIM_HANG_TRANSFERS", "TASTOR_SIM_SHORT_READS", "TASTOR_SIM_GARBAGE_READS",
    "TASTOR_SIM_DROP_REPORT"};

// The simulated keyboard in a private memory folder, the test key table (key i at matrix
// position i), lighting modes whose codes are 0x31 + index, and the log recorded.
class ApplyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = Settings();
    Settings() = TestSettings();
    Settings().VID = 0x2F68;
    Settings().PID = 0x0A17;
    for (int i = 0; i < kLedModeCount; ++i) Settings().LedModeTable[static_cast<std::size_t>(i)].code = static_cast<uint8_t>(0x31 + i);
    Settings().GaoshouIndex = 1;
    Settings().ColorCustomIndex = 8;
    Limits() = MacroLimits{};
    for (const char* name : kSimVariables) ::unsetenv(name);
    ::setenv("TASTOR_SIM_DIR", SimDir().c_str(), 1);
    log_ = std::make_unique<LogRecorder>();
    ASSERT_EQ(driver_.LoadDriverFile(BinDir() + "libHidPortSim.so"), 1);
    driver_.SetRetryPause(0ms);
  }
  void TearDown() override {
    driver_.ClearHandle();
    log_.reset();
    for (const char* name : kSimVariables) ::unsetenv(name);
    Settings() = saved_;
  }

  std::string SimDir() const { return dir_.path() + "sim/"; }
  std::string ReportPath(int id) const { return SimDir() + "report-" + (id < 10 ? "0" : "") + std::to_string(id) + ".bin"; }
  std::string Report(int id) const { return ReadFile(ReportPath(id)); }
  bool Written(int id) const { return std::filesystem::exists(ReportPath(id)); }
  // Puts bytes into the keyboard's memory; it holds them from its next opening.
  void Seed(int id, const std::string& bytes) const {
    std::filesystem::create_directories(SimDir());
    WriteFile(ReportPath(id), bytes);
  }
  // The entry at a matrix position of the keyboard's report 9.
  uint32_t MatrixEntry(int pos) const {
    const std::string bytes = Report(9);
    uint32_t v = 0;
    for (int b = 3; b >= 0; --b) v = (v << 8) | static_cast<uint8_t>(bytes.at(static_cast<std::size_t>(pos * 4 + b)));
    return v;
  }
  // Index of the first log line containing the text, or -1.
  int LogIndex(const std::string& text) const {
    const auto& lines = LogRecorder::Lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].find(text) != std::string::npos) return static_cast<int>(i);
    }
    return -1;
  }

  Profile TestProfile(uint32_t id = 0x123456) const { return MakeProfile(id, u"Test", Settings()); }

  TempDir dir_;
  AppSettings saved_;
  std::unique_ptr<LogRecorder> log_;
  CUSBDriver driver_{Settings()};
};

// The apply worker over a store and a library of the test's own, with the outcome of every
// run (and the thread it ended on) recorded; the worker is stopped after each test.
class WorkerTest : public ApplyTest {
 protected:
  void SetUp() override {
    ApplyTest::SetUp();
    job_.SetRunObserver([this](const ApplyOutcome& o) {
      std::lock_guard<std::mutex> lock(mutex_);
      outcomes_.push_back(o);
      workerThread_ = std::this_thread::get_id();
      done_.notify_all();
    });
  }
  void TearDown() override {
    job_.Stop();
    ApplyTest::TearDown();
  }

  void Start() { ASSERT_EQ(job_.Start(&driver_, store_, library_), 1); }
  // Waits until n runs have ended; false when they have not within the time.
  bool WaitForRuns(std::size_t n, std::chrono::milliseconds within = std::chrono::seconds(5)) {
    std::unique_lock<std::mutex> lock(mutex_);
    return done_.wait_for(lock, within, [&] { return outcomes_.size() >= n; });
  }
  std::vector<ApplyOutcome> Outcomes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return outcomes_;
  }

  ProfileStore store_;
  MacroLibrary library_;
  ApplyJob job_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::vector<ApplyOutcome> outcomes_;
  std::thread::id workerThread_;
};

}  // namespace apply_test
