// SPDX-License-Identifier: GPL-2.0-or-later
// The main window as the program runs it, against the simulated keyboard in a private
// user folder: a test window whose key function picker answers as the test says, the
// message boxes answered by clicking their buttons, and the apply requests the worker ran.
#pragma once

#include "tests/gui/controls_fixture.h"

#include <QFileDialog>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>

#include "app/startup.h"
#include "device/apply_job.h"
#include "macro/macro_library.h"
#include "model/profile_store.h"
#include "platform/messages.h"
#include "text/text_table.h"
#include "ui/kb_color_dlg.h"
#include "ui/led_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/qt_window_port.h"
#include "ui/tastor_dlg.h"

namespace main_window_test {

using namespace controls_test;

// The main window with a picker that records its calls and gives the scripted answer.
class TestMainWindow : public CTastorDlg {
 public:
  TestMainWindow() : CTastorDlg(true) {}
  struct PickerCall {
    int key;
    bool colourEditing;
    KeyFunction function;
  };
  int OpenKeyFunctionPicker(int key, bool colourEditing, KeyFunction& function, COLORREF& colour) override {
    calls.push_back({key, colourEditing, function});
    if (answerKind == 1) function = answerFunction;
    if (answerKind == 2) colour = answerColour;
    return answerKind;
  }
  std::vector<PickerCall> calls;
  int answerKind = 0;
  KeyFunction answerFunction;
  COLORREF answerColour = 0;
};

// Answers every skinned message box that comes up with OK (or Cancel), clicking its
// button, and keeps the messages.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(int answer = IDOK) : answer_(answer) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible() || box == last_) return;
      last_ = box;
      messages.push_back(box->message);
      QTest::mouseClick(answer_ == IDOK ? &box->OkButton() : &box->CancelButton(), Qt::LeftButton);
    });
    timer_.start();
  }
  void SetAnswer(int answer) { answer_ = answer; }
  std::vector<std::u16string> messages;

 private:
  int answer_;
  QTimer timer_;
  QPointer<CMsgDlg> last_;
};

// Picks a file in the profile file dialog when it comes up (cancels with an empty path).
class FileAnswerer {
 public:
  explicit FileAnswerer(std::string path) : path_(std::move(path)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (dialog == nullptr || !dialog->isVisible()) return;
      timer_.stop();
      shown = true;
      title = dialog->windowTitle();
      nameFilters = dialog->nameFilters();
      if (path_.empty()) {
        dialog->reject();
      } else {
        dialog->selectFile(QString::fromStdString(path_));
        static_cast<QDialog*>(dialog)->accept();
      }
    });
    timer_.start();
  }
  bool shown = false;
  QString title;
  QStringList nameFilters;

 private:
  std::string path_;
  QTimer timer_;
};

// Windows are found and posted to as in the program; boxes without owner are counted.
class CountingPort : public QtWindowPort {
 public:
  int MessageBox(HWND, std::u16string_view text, std::u16string_view, unsigned) override {
    boxes.emplace_back(text);
    return IDOK;
  }
  std::vector<std::u16string> boxes;
};

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetWindowPort(&port_);
    Paths().programFolder = BinDir();
    Paths().userDataFolder = user_.path();
    TextTable::Instance().Load(BinDir() + "text.xml");
    DataInit(BinDir(), Settings());
    ApplyTitleDefault(Settings());
    InstallControlLook(ControlLookOf(Settings()));
    LoadMenuLibrary(BinDir());
    ::setenv("TASTOR_SIM_DIR", (user_.path() + "sim").c_str(), 1);
    ApplyPauses pauses = ApplyPauses::Zero();
    pauses.findWindowTry = std::chrono::milliseconds(5);
    TheApplyJob().SetPauses(pauses);
    TheApplyJob().SetRunObserver([this](const ApplyOutcome& outcome) {
      std::lock_guard<std::mutex> lock(runsMutex_);
      runs_.push_back(outcome);
    });
  }
  void TearDown() override {
    window_.reset();
    TheApplyJob().SetRunObserver(nullptr);
    TheApplyJob().SetPauses(ApplyPauses{});
    SetWindowPort(nullptr);
    ::unsetenv("TASTOR_SIM_DIR");
    ::unsetenv("TASTOR_SIM_ABSENT");
    ::unsetenv("TASTOR_SIM_KEYBOARDS");
    ::unsetenv("TASTOR_SIM_DROP_REPORT");
  }

  // Opens the main window as start-up does and waits until it is on the screen.
  TestMainWindow& Open() {
    window_ = std::make_unique<TestMainWindow>();
    window_->InitDialog();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    // The second half of the start (macro library, tray, remote control) follows the
    // first paint.
    QElapsedTimer started;
    started.start();
    while (!window_->StartFinished() && started.elapsed() < 2000) Pump(1);
    EXPECT_TRUE(window_->StartFinished());
    return *window_;
  }

  // The flags of the apply runs so far.
  std::vector<uint32_t> RunFlags() {
    std::lock_guard<std::mutex> lock(runsMutex_);
    std::vector<uint32_t> flags;
    for (const ApplyOutcome& o : runs_) flags.push_back(o.flags);
    return flags;
  }
  std::vector<ApplyOutcome> Runs() {
    std::lock_guard<std::mutex> lock(runsMutex_);
    return runs_;
  }
  // Waits until `count` runs have been seen (or a second has passed).
  void WaitForRuns(std::size_t count) {
    QElapsedTimer t;
    t.start();
    while (RunFlags().size() < count && t.elapsed() < 2000) Pump(5);
  }

  // The centre of key k on the keyboard picture.
  QPoint KeyCentre(int k) const {
    const Rect& r = Settings().KeyTable.keys[static_cast<std::size_t>(k)].rect;
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  // A key index whose key 1 is vk.
  int KeyOf(uint8_t vk) const {
    const KeyTable& table = Settings().KeyTable;
    for (int i = 0; i < table.count; ++i) {
      if (table.keys[static_cast<std::size_t>(i)].key1 == vk && table.keys[static_cast<std::size_t>(i)].modifiers == 0) return i;
    }
    return -1;
  }
  void ClickKey(TestMainWindow& w, int k) {
    QTest::mouseClick(&w.Picture(), Qt::LeftButton, {}, KeyCentre(k));
    Pump();
  }
  Profile CurrentProfile() {
    auto lock = TheProfileStore().Lock();
    return *TheProfileStore().Current();
  }

  Restore restore_;
  TempDir user_;
  CountingPort port_;
  std::unique_ptr<TestMainWindow> window_;
  std::mutex runsMutex_;
  std::vector<ApplyOutcome> runs_;
};

}  // namespace main_window_test
