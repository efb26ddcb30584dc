// SPDX-License-Identifier: GPL-2.0-or-later
// CProgressDlg: opened over its owner with the caption the apply worker looks for, the bar
// cut off where the position says (positions outside the range and an empty range at the
// bar's left edge), the keys that cannot close it, missing images, and a full apply by the
// real worker against the simulated keyboard that moves it to 100 and closes it.
#include "tests/gui/controls_fixture.h"

#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>

#include "base/log.h"
#include "device/apply_job.h"
#include "device/usb_driver.h"
#include "macro/macro_library.h"
#include "model/profile.h"
#include "model/profile_store.h"
#include "platform/messages.h"
#include "skin/skin_image.h"
#include "text/text_table.h"
#include "ui/progress_dlg.h"
#include "ui/qt_window_port.h"

using namespace controls_test;
using namespace std::chrono_literals;

namespace {

// The middle row of the bar on the reference skin.
constexpr int kBarRow = 112;

// What the dialog writes to the debugger output (on the UI thread).
std::vector<std::string>& DebugLines() {
  static std::vector<std::string> lines;
  return lines;
}
void KeepDebugLine(const char* text) { DebugLines().emplace_back(text); }

class ProgressDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildFolder();
    TextTable::Instance().Load(BinDir() + "text.xml");
    owner_.setGeometry(100, 50, 600, 500);  // the dialog centred over it lies on the screen
    owner_.show();
    background_ = LoadSkinImage("progress_nr.png").Image();
    bar_ = LoadSkinImage("progress_ov.png").Image();
    ASSERT_EQ(QSize(530, 140), background_.size());
  }
  CProgressDlg& Show() {
    dialog_ = std::make_unique<CProgressDlg>(&owner_);
    SetUpApplyProgress(*dialog_);
    dialog_->ShowModeless();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog_.get()));
    return *dialog_;
  }
  void Post(intptr_t position) {
    dialog_->hwnd()->post(dialog_->hwnd(), WM_APPLY_PROGRESS, static_cast<uintptr_t>(position), 0);
    Pump();
  }

  Restore restore_;
  QWidget owner_;
  QImage background_, bar_;
  std::unique_ptr<CProgressDlg> dialog_;
};

}  // namespace

TEST_F(ProgressDlgTest, OpensOverItsOwnerWithTheCaptionTheWorkerLooksFor) {
  CProgressDlg& dialog = Show();
  EXPECT_EQ(QSize(530, 140), dialog.size());
  EXPECT_EQ(QPoint(100 + (600 - 530) / 2, 50 + (500 - 140) / 2), dialog.pos());
  EXPECT_EQ("MyProgressDlg..", dialog.windowTitle());
  QtWindowPort port;
  EXPECT_EQ(dialog.hwnd(), port.FindWindow(u"MyProgressDlg.."));
  EXPECT_EQ(QPoint(489, 8), dialog.CloseButton().pos());
  EXPECT_EQ(0, dialog.Position());

  // The text in white on the bar area; an empty text draws nothing there.
  const QRect textArea(15, 12, 440, 20);
  auto lighter = [&](const QImage& shown) {
    int n = 0, brightest = 0;
    for (int y = textArea.top(); y <= textArea.bottom(); ++y) {
      for (int x = textArea.left(); x <= textArea.right(); ++x) {
        const int gray = qGray(shown.pixel(x, y));
        n += gray - qGray(background_.pixel(x, y)) > 60;
        brightest = std::max(brightest, gray);
      }
    }
    return brightest > 200 ? n : 0;
  };
  EXPECT_GT(lighter(dialog.grab().toImage()), 50);
  dialog.SetText(u"", Rect{15, 12, 455, 32});
  const QImage blank = dialog.grab().toImage();
  for (int y = textArea.top(); y <= textArea.bottom(); ++y) {
    for (int x = textArea.left(); x <= textArea.right(); ++x) {
      ASSERT_EQ(background_.pixel(x, y), blank.pixel(x, y)) << x << "," << y;
    }
  }
}

TEST_F(ProgressDlgTest, TheBarEndsWhereThePositionSays) {
  CProgressDlg& dialog = Show();
  ASSERT_EQ(255, qAlpha(bar_.pixel(46, kBarRow)));
  ASSERT_EQ(255, qAlpha(bar_.pixel(485, kBarRow)));
  struct Case {
    intptr_t sent;
    int position;
    int end;
  };
  // 20 % of the 441 pixels from 45 to 486 are 88, 70 % are 308.
  for (const Case& c : {Case{20, 20, 45 + 88}, Case{70, 70, 45 + 308}, Case{100, 100, 486}, Case{0, 0, 45},
                        Case{150, 0, 45}, Case{-1, 0, 45}, Case{101, 0, 45}}) {
    Post(c.sent);
    EXPECT_EQ(c.position, dialog.Position()) << c.sent;
    EXPECT_EQ(c.end, dialog.BarEnd()) << c.sent;
    const QImage shown = dialog.grab().toImage();
    if (c.end > 45) {
      EXPECT_EQ(bar_.pixel(c.end - 1, kBarRow), shown.pixel(c.end - 1, kBarRow)) << c.sent;
    }
    if (c.end < 486) {
      EXPECT_EQ(background_.pixel(c.end + 1, kBarRow), shown.pixel(c.end + 1, kBarRow)) << c.sent;
    }
  }

  // A range without width has nothing to divide: the bar stays at its left edge.
  dialog.minimum = dialog.maximum = 5;
  Post(5);
  EXPECT_EQ(5, dialog.Position());
  EXPECT_EQ(45, dialog.BarEnd());
}

TEST_F(ProgressDlgTest, TheKeyboardCannotCloseItItsCloseButtonCan) {
  CProgressDlg& dialog = Show();
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space}) QTest::keyClick(&dialog, key);
  EXPECT_TRUE(dialog.isVisible());
  QTest::mouseClick(&dialog.CloseButton(), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(IDCANCEL, dialog.result());
}

TEST_F(ProgressDlgTest, MissingImagesSayProgressDlgSkinLossAndCloseIt) {
  for (const char* present : {"progress_nr.png", "progress_ov.png"}) {
    controls_test::SkinFolder skin;
    skin.Put(present, Solid(QSize(530, 140), 0xFF202020));
    skin.Use();
    RecordingWindowPort port;
    CProgressDlg dialog(&owner_);
    SetUpApplyProgress(dialog);
    QTimer::singleShot(5000, &dialog, [&] { dialog.EndDialog(99); });  // not closed by itself
    EXPECT_EQ(IDCANCEL, dialog.RunModal()) << present;
    EXPECT_EQ(std::vector<std::u16string>{u"ProgressDlg skin loss"}, port.Texts()) << present;
  }
}

TEST_F(ProgressDlgTest, TheApplyWorkerMovesItToAHundredAndClosesIt) {
  TempDir memory;
  LoadSettings(BinDir(), Settings());
  for (const char* name : {"TASTOR_SIM_ABSENT", "TASTOR_SIM_KEYBOARDS", "TASTOR_SIM_FAIL_TRANSFERS",
                           "TASTOR_SIM_NO_PERMISSION", "TASTOR_SIM_NO_CONSUMER", "TASTOR_SIM_PRODUCT"}) {
    ::unsetenv(name);
  }
  ::setenv("TASTOR_SIM_DIR", (memory.path() + "sim/").c_str(), 1);
  CUSBDriver driver(Settings());
  ASSERT_EQ(1, driver.LoadDriverFile(BinDir() + "libHidPortSim.so"));
  driver.SetRetryPause(0ms);
  ASSERT_EQ(1, driver.FindDev());

  ProfileStore store;
  store.Append(MakeProfile(0x123456, u"Test", Settings()));
  ASSERT_TRUE(store.SetCurrent(0x123456));
  MacroLibrary library;
  QtWindowPort port;
  SetWindowPort(&port);
  DebugLines().clear();
  SetDebugOutput(&KeepDebugLine);

  ApplyJob job;
  // The keyboard's pauses are left out; the worker still looks for the window and spaces
  // its two closes as the protocol has it.
  ApplyPauses pauses = ApplyPauses::Zero();
  pauses.findWindowTry = 5ms;
  pauses.betweenCloses = 20ms;
  job.SetPauses(pauses);
  std::mutex mutex;
  std::vector<ApplyOutcome> outcomes;
  job.SetRunObserver([&](const ApplyOutcome& o) {
    std::lock_guard<std::mutex> lock(mutex);
    outcomes.push_back(o);
  });
  ASSERT_EQ(1, job.Start(&driver, store, library));

  // As the Apply button does it: the request first, then the dialog run modally.
  CProgressDlg dialog(&owner_);
  SetUpApplyProgress(dialog);
  dialog.debug = true;
  job.Request(kFullApplyFlags);
  QTimer::singleShot(10000, &dialog, [&] { dialog.EndDialog(99); });  // never closed
  const int result = dialog.RunModal();
  job.Stop([] { QApplication::processEvents(); });
  SetWindowPort(nullptr);
  SetDebugOutput(nullptr);
  driver.ClearHandle();
  ::unsetenv("TASTOR_SIM_DIR");

  EXPECT_EQ(IDCANCEL, result);
  EXPECT_EQ(100, dialog.Position());
  EXPECT_EQ(486, dialog.BarEnd());
  EXPECT_EQ((std::vector<std::string>{"CProgressDlg::OnSetPos = 20", "CProgressDlg::OnSetPos = 70",
                                      "CProgressDlg::OnSetPos = 100", "CProgressDlg::DestroyWindow"}),
            DebugLines());
  std::lock_guard<std::mutex> lock(mutex);
  ASSERT_EQ(1u, outcomes.size());
  EXPECT_EQ(ApplyOutcome::Result::Applied, outcomes[0].result);
  EXPECT_EQ(dialog.hwnd(), outcomes[0].progress);
  for (const char* report : {"report-09.bin", "report-10.bin"}) {
    EXPECT_TRUE(std::filesystem::exists(memory.path() + "sim/" + report)) << report;
  }
}
