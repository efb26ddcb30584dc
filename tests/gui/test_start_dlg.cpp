// The start window against the simulated keyboard: it searches the keyboard, shows the
// current profile, names clicked keys, and a full apply writes the keyboard and stores the
// profiles.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <cstdlib>

#include "app/paths.h"
#include "app/settings.h"
#include "app/startup.h"
#include "device/apply_job.h"
#include "platform/messages.h"
#include "platform/special_folders.h"
#include "tests/support/test_support.h"
#include "text/text_table.h"
#include "ui/qt_window_port.h"
#include "ui/start_dlg.h"
#include "ui/window_message.h"

namespace {

// Windows are found and posted to as in the program; message boxes are only counted.
class CountingPort : public QtWindowPort {
 public:
  int MessageBox(HWND, std::u16string_view text, std::u16string_view, unsigned) override {
    boxes.emplace_back(text);
    return IDOK;
  }
  std::vector<std::u16string> boxes;
};

class StartDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetWindowPort(&port_);
    Paths().programFolder = BinDir();
    Paths().userDataFolder = user_.path();
    TextTable::Instance().Load(BinDir() + "text.xml");
    DataInit(BinDir());
    ApplyTitleDefault();
    ::setenv("TASTOR_SIM_DIR", (user_.path() + "sim").c_str(), 1);
    // No keyboard pauses; the worker still looks for the progress window a few times.
    ApplyPauses pauses = ApplyPauses::Zero();
    pauses.findWindowTry = std::chrono::milliseconds(5);
    TheApplyJob().SetPauses(pauses);
  }
  void TearDown() override {
    SetWindowPort(nullptr);
    ::unsetenv("TASTOR_SIM_DIR");
    ::unsetenv("TASTOR_SIM_ABSENT");
    TheApplyJob().SetPauses(ApplyPauses{});
  }
  TempDir user_;
  CountingPort port_;
};

TEST_F(StartDlgTest, FindsTheSimulatedKeyboardAndAppliesTheCurrentProfile) {
  CStartDlg dialog(true);
  EXPECT_EQ("Keyboard found (simulated).", dialog.keyboardStatus()->text());
  // The default profiles made at the start are stored only by an apply.
  EXPECT_FALSE(PathFileExists(user_.path() + "pro.dct"));

  // The progress dialog runs modally while the worker writes the keyboard, then closes.
  dialog.ApplyCurrentProfile();
  EXPECT_TRUE(PathFileExists(user_.path() + "sim/report-10.bin"));
  EXPECT_TRUE(PathFileExists(user_.path() + "sim/report-09.bin"));
  EXPECT_EQ(63980u, ReadFile(user_.path() + "pro.dct").size());
  EXPECT_EQ(4u, ReadFile(user_.path() + "curid.dct").size());
  EXPECT_TRUE(port_.boxes.empty());
}

TEST_F(StartDlgTest, SaysWhenNoKeyboardIsAttached) {
  ::setenv("TASTOR_SIM_ABSENT", "1", 1);
  CStartDlg dialog(true);
  EXPECT_TRUE(dialog.keyboardStatus()->text().contains("No keyboard with VID_2F68&PID_0A17"))
      << dialog.keyboardStatus()->text().toStdString();
  ::unsetenv("TASTOR_SIM_ABSENT");
  dialog.SearchKeyboard();
  EXPECT_EQ("Keyboard found (simulated).", dialog.keyboardStatus()->text());
}

TEST_F(StartDlgTest, WakeMessageBringsItBack) {
  CStartDlg dialog(true);
  dialog.showMinimized();
  QCoreApplication::postEvent(&dialog, new WindowMessageEvent(WM_TRAY_NOTIFY, 0, WM_LBUTTONDBLCLK));
  QApplication::processEvents();
  EXPECT_FALSE(dialog.isMinimized());
}

}  // namespace
