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
#include "tests/support/test_support.h"

namespace {

class Instance {
 public:
  Instance(const TempDir& dir) {
    process_.setProgram(QString::fromStdString(BinDir() + "tastor"));
    process_.setArguments({"--simulate", "--program-dir", QString::fromStdString(dir.path()), "--user-dir",
                           QString::fromStdString(dir.path() + "user")});
    process_.setProcessChannelMode(QProcess::SeparateChannels);
  }
  ~Instance() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  void Start() { process_.start(); }
  void AddArgument(const QString& argument) { process_.setArguments(process_.arguments() << argument); }
  // Runs the program on an X display instead of the tests' off-screen platform.
  void OnDisplay(const std::string& display) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", QString::fromStdString(display));
    env.insert("QT_QPA_PLATFORM", "xcb");
    process_.setProcessEnvironment(env);
  }
  // Waits until the standard error (the log with Debug=1) contains the text.
  bool WaitForLog(const QByteArray& text, int ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!log_.contains(text) && timer.elapsed() < ms) {
      process_.waitForReadyRead(100);
      log_ += process_.readAllStandardError();
      if (process_.state() == QProcess::NotRunning) {
        log_ += process_.readAllStandardError();
        break;
      }
    }
    return log_.contains(text);
  }
  bool Finish(int ms = 15000) {
    const bool done = process_.waitForFinished(ms);
    log_ += process_.readAllStandardError();
    return done;
  }
  QProcess& process() { return process_; }
  const QByteArray& log() const { return log_; }

 private:
  QProcess process_;
  QByteArray log_;
};

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

TEST(SingleInstance, SecondStartWakesTheFirstAndEnds) {
  TempDir dir;
  WriteProgramFolder(dir, "", "Tastor-wake-test");
  Instance first(dir);
  first.Start();
  ASSERT_TRUE(first.WaitForLog("Mk AppData=")) << first.log().toStdString();
  // The first instance listens once start-up has passed the single-instance step.
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 10000 && !QFile::exists(SingleInstance::SocketPath("Tastor-wake-test")) &&
         !QFile::exists(SingleInstance::SocketPath("MUTEX_BY_QOR"))) {
    QCoreApplication::processEvents();
    first.process().waitForReadyRead(50);
  }

  // A hidden start (a second autostart) ends and leaves the first window as it is.
  Instance hidden(dir);
  hidden.AddArgument("--hidden");
  hidden.Start();
  ASSERT_TRUE(hidden.Finish());
  EXPECT_EQ(0, hidden.process().exitCode());
  EXPECT_TRUE(hidden.log().contains("Already running")) << hidden.log().toStdString();

  Instance second(dir);
  second.Start();
  ASSERT_TRUE(second.Finish());
  EXPECT_EQ(0, second.process().exitCode());
  // The second start ran its own start-up, then ended without a window of its own.
  EXPECT_TRUE(second.log().contains("Launch ")) << second.log().toStdString();
  EXPECT_TRUE(second.log().contains("Driver exit"));
  EXPECT_FALSE(second.log().contains("Wake:"));

  EXPECT_TRUE(first.WaitForLog("Wake: shown and raised")) << first.log().toStdString();
  EXPECT_EQ(1, first.log().count("Wake:")) << first.log().toStdString();

  first.process().terminate();
  ASSERT_TRUE(first.Finish());
  EXPECT_EQ(0, first.process().exitCode());
  EXPECT_TRUE(first.log().endsWith("Driver exit\n")) << first.log().toStdString();
}

TEST(SingleInstance, WindowWithAnotherCaptionIsNotWoken) {
  TempDir dir;
  // The first instance's window is captioned "Other", while the second looks for tc_title.
  WriteProgramFolder(dir, "Other", "Tastor-caption-test");
  Instance first(dir);
  first.Start();
  ASSERT_TRUE(first.WaitForLog("Mk AppData="));
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 10000 && !QFile::exists(SingleInstance::SocketPath("Tastor-caption-test")) &&
         !QFile::exists(SingleInstance::SocketPath("MUTEX_BY_QOR"))) {
    first.process().waitForReadyRead(50);
  }
  // A hidden start (a second autostart) ends and leaves the first window as it is.
  Instance hidden(dir);
  hidden.AddArgument("--hidden");
  hidden.Start();
  ASSERT_TRUE(hidden.Finish());
  EXPECT_EQ(0, hidden.process().exitCode());
  EXPECT_TRUE(hidden.log().contains("Already running")) << hidden.log().toStdString();

  Instance second(dir);
  second.Start();
  ASSERT_TRUE(second.Finish());
  EXPECT_EQ(0, second.process().exitCode());
  first.process().terminate();
  ASSERT_TRUE(first.Finish());
  EXPECT_FALSE(first.log().contains("Wake:"));
}

// Waits until the first instance listens for a second start.
bool WaitForListener(Instance& first, const QString& mutex) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 15000) {
    if (QFile::exists(SingleInstance::SocketPath(mutex))) return true;
    first.process().waitForReadyRead(50);
  }
  return false;
}

// True when a shown window of that caption is on the display.
bool WindowShown(const std::string& display, const std::string& caption) {
  const RunResult r = RunProgram({"/usr/bin/xdotool", "search", "--onlyvisible", "--name", "^" + caption + "$"},
                                 {"DISPLAY=" + display});
  return r.status == 0 && !r.out.empty();
}

TEST(SingleInstance, ASecondStartShowsTheFirstFromTheTray) {
  Xvfb xvfb;
  if (!OnPath("xdotool") || !xvfb.Start()) GTEST_SKIP() << "needs Xvfb and xdotool";
  QProcess tray;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", QString::fromStdString(xvfb.display()));
  tray.setProcessEnvironment(env);
  tray.start(QStringLiteral(TASTOR_TEST_TRAY), {});
  ASSERT_TRUE(tray.waitForReadyRead(10000));
  ASSERT_TRUE(tray.readAllStandardOutput().contains("ready"));

  TempDir dir;
  WriteProgramFolder(dir, "", "Tastor-tray-wake", "TrayIcon=1\n");
  Instance first(dir);
  first.OnDisplay(xvfb.display());
  first.Start();
  ASSERT_TRUE(WaitForListener(first, "Tastor-tray-wake")) << first.log().toStdString();
  ASSERT_TRUE(first.WaitForLog("Start Thread")) << first.log().toStdString();
  // Started hidden in the tray: no window on the screen.
  EXPECT_FALSE(first.log().contains("No system tray"));
  EXPECT_FALSE(WindowShown(xvfb.display(), "Wake Test"));

  Instance second(dir);
  second.OnDisplay(xvfb.display());
  second.Start();
  ASSERT_TRUE(second.Finish());
  EXPECT_EQ(0, second.process().exitCode());
  EXPECT_TRUE(first.WaitForLog("Wake: back from the tray")) << first.log().toStdString();
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
  Instance first(dir);  // off-screen: no tray
  first.Start();
  ASSERT_TRUE(WaitForListener(first, "Tastor-no-tray")) << first.log().toStdString();
  EXPECT_TRUE(first.WaitForLog("No system tray: TrayIcon=1")) << first.log().toStdString();
  Instance second(dir);
  second.Start();
  ASSERT_TRUE(second.Finish());
  // The window was shown: the wake only brings it to the front.
  EXPECT_TRUE(first.WaitForLog("Wake: shown and raised")) << first.log().toStdString();
  EXPECT_FALSE(first.log().contains("back from the tray"));
  first.process().terminate();
  ASSERT_TRUE(first.Finish());
  EXPECT_EQ(1, first.log().count("No system tray"));
}

}  // namespace
