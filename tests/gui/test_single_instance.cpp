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
    process_.setArguments({"--program-dir", QString::fromStdString(dir.path()), "--user-dir",
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

void WriteProgramFolder(const TempDir& dir, const std::string& title, const std::string& mutex) {
  // The main window needs its skin; without a keyboard (no HID library here) Suwnd lets
  // it run.
  dir.Write("cfg.ini", "[OPT]\nDebug=1\nSuwnd=1\nappdir=Tastor\nTitle=" + title + "\n");
  std::filesystem::create_directory_symlink(BinDir() + "skins", dir.path() + "skins");
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

  Instance second(dir);
  second.Start();
  ASSERT_TRUE(second.Finish());
  EXPECT_EQ(0, second.process().exitCode());
  // The second start ran its own start-up, then ended without a window of its own.
  EXPECT_TRUE(second.log().contains("Launch ")) << second.log().toStdString();
  EXPECT_TRUE(second.log().contains("Driver exit"));
  EXPECT_FALSE(second.log().contains("Wake:"));

  EXPECT_TRUE(first.WaitForLog("Wake: shown and raised")) << first.log().toStdString();

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
  Instance second(dir);
  second.Start();
  ASSERT_TRUE(second.Finish());
  EXPECT_EQ(0, second.process().exitCode());
  first.process().terminate();
  ASSERT_TRUE(first.Finish());
  EXPECT_FALSE(first.log().contains("Wake:"));
}

}  // namespace
