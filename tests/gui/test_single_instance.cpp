// SPDX-License-Identifier: GPL-2.0-or-later
// A second start of the program wakes the first instance's window and ends; the first
// shuts down in order when asked to terminate.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <filesystem>

#include "platform/single_instance.h"
#include "tests/support/program_process.h"
#include "tests/support/test_support.h"

namespace {

// A program folder with the build's skin and sibling libraries, so that the main window
// starts (with the simulated keyboard), and its own settings and texts.
void WriteProgramFolder(const TempDir& dir, const std::string& title, const std::string& mutex,
                        const std::string& moreSettings = "") {
  for (const char* shared : {"skins", "libHidPortSim.so", "libVelum.so", "appico.ico"}) {
    std::filesystem::create_symlink(BinDir() + shared, dir.path() + shared);
  }
  dir.Write("cfg.ini", "[OPT]\nDebug=1\nappdir=Tastor\nTitle=" + title + "\n" + moreSettings);
  dir.Write("text.xml", "<?xml version=\"1.0\"?>\n<tastor><config><tc_title>Wake Test</tc_title><tc_mutex>" +
                            mutex + "</tc_mutex></config></tastor>\n");
}

// Waits until the first instance listens for a second start.
bool WaitForListener(ProgramProcess& first, const QString& mutex) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 15000) {
    if (QFile::exists(SingleInstance::SocketPath(mutex))) return true;
    first.process().waitForReadyRead(50);
  }
  return false;
}

// A hidden start (a second autostart) ends and leaves the running window as it is.
void ExpectAHiddenStartEnds(const TempDir& dir) {
  ProgramProcess hidden(dir, {"--hidden"});
  hidden.Start();
  ASSERT_TRUE(hidden.Finish());
  EXPECT_EQ(0, hidden.process().exitCode());
  EXPECT_TRUE(hidden.Log().contains("Already running")) << hidden.Log().toStdString();
}

TEST(SingleInstance, SecondStartWakesTheFirstAndEnds) {
  TempDir dir;
  WriteProgramFolder(dir, "", "Tastor-wake-test");
  ProgramProcess first(dir);
  first.Start();
  ASSERT_TRUE(first.WaitForLog("Mk AppData=")) << first.Log().toStdString();
  // The first instance listens once start-up has passed the single-instance step.
  ASSERT_TRUE(WaitForListener(first, "Tastor-wake-test")) << first.Log().toStdString();

  ExpectAHiddenStartEnds(dir);

  ProgramProcess second(dir);
  second.Start();
  ASSERT_TRUE(second.Finish());
  EXPECT_EQ(0, second.process().exitCode());
  // The second start ran its own start-up, then ended without a window of its own.
  EXPECT_TRUE(second.Log().contains("Launch ")) << second.Log().toStdString();
  EXPECT_TRUE(second.Log().contains("Driver exit"));
  EXPECT_FALSE(second.Log().contains("Wake:"));

  EXPECT_TRUE(first.WaitForLog("Wake: shown and raised")) << first.Log().toStdString();
  EXPECT_EQ(1, first.Log().count("Wake:")) << first.Log().toStdString();

  first.process().terminate();
  ASSERT_TRUE(first.Finish());
  EXPECT_EQ(0, first.process().exitCode());
  EXPECT_TRUE(first.Log().endsWith("Driver exit\n")) << first.Log().toStdString();
}

TEST(SingleInstance, WindowWithAnotherCaptionIsNotWoken) {
  TempDir dir;
  // The first instance's window is captioned "Other", while the second looks for tc_title.
  WriteProgramFolder(dir, "Other", "Tastor-caption-test");
  ProgramProcess first(dir);
  first.Start();
  ASSERT_TRUE(first.WaitForLog("Mk AppData="));
  ASSERT_TRUE(WaitForListener(first, "Tastor-caption-test")) << first.Log().toStdString();
  ExpectAHiddenStartEnds(dir);

  ProgramProcess second(dir);
  second.Start();
  ASSERT_TRUE(second.Finish());
  EXPECT_EQ(0, second.process().exitCode());
  first.process().terminate();
  ASSERT_TRUE(first.Finish());
  EXPECT_FALSE(first.Log().contains("Wake:"));
}

TEST(SingleInstance, ASecondStartShowsTheFirstFromTheTray) {
  Xvfb xvfb;
  if (!OnPath("xdotool") || !xvfb.Start()) GTEST_SKIP() << "needs Xvfb and xdotool";
  QProcess tray;
  ASSERT_TRUE(StartTestTray(tray, xvfb.display()));

  TempDir dir;
  WriteProgramFolder(dir, "", "Tastor-tray-wake", "TrayIcon=1\n");
  ProgramProcess first(dir);
  first.OnDisplay(xvfb.display());
  first.Start();
  ASSERT_TRUE(WaitForListener(first, "Tastor-tray-wake")) << first.Log().toStdString();
  ASSERT_TRUE(first.WaitForLog("Start Thread")) << first.Log().toStdString();
  // Started hidden in the tray: no window on the screen.
  EXPECT_FALSE(first.Log().contains("No system tray"));
  EXPECT_FALSE(WindowShown(xvfb.display(), "Wake Test"));

  ProgramProcess second(dir);
  second.OnDisplay(xvfb.display());
  second.Start();
  ASSERT_TRUE(second.Finish());
  EXPECT_EQ(0, second.process().exitCode());
  EXPECT_TRUE(first.WaitForLog("Wake: back from the tray")) << first.Log().toStdString();
  QElapsedTimer timer;
  timer.start();
  bool shown = false;
  while (!shown && timer.elapsed() < 5000) {
    shown = WindowShown(xvfb.display(), "Wake Test");
    first.process().waitForReadyRead(50);
  }
  EXPECT_TRUE(shown);

  first.process().terminate();
  ASSERT_TRUE(first.Finish());
  tray.kill();
  tray.waitForFinished(5000);
}

TEST(SingleInstance, WithoutATrayTheWindowStartsShownEvenWithTrayIcon1) {
  TempDir dir;
  WriteProgramFolder(dir, "", "Tastor-no-tray", "TrayIcon=1\n");
  ProgramProcess first(dir);  // off-screen: no tray
  first.Start();
  ASSERT_TRUE(WaitForListener(first, "Tastor-no-tray")) << first.Log().toStdString();
  EXPECT_TRUE(first.WaitForLog("No system tray: TrayIcon=1")) << first.Log().toStdString();
  ProgramProcess second(dir);
  second.Start();
  ASSERT_TRUE(second.Finish());
  // The window was shown: the wake only brings it to the front.
  EXPECT_TRUE(first.WaitForLog("Wake: shown and raised")) << first.Log().toStdString();
  EXPECT_FALSE(first.Log().contains("back from the tray"));
  first.process().terminate();
  ASSERT_TRUE(first.Finish());
  EXPECT_EQ(1, first.Log().count("No system tray"));
}

}  // namespace
