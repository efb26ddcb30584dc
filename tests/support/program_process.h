// SPDX-License-Identifier: GPL-2.0-or-later
// The windows program started as a process of its own by the GUI tests that need a whole
// start (single instance, hidden starts, the tray): with the simulated keyboard, a program
// folder and a user folder of the test's, its log (Debug=1) read from standard error.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <string>

#include "tests/support/test_support.h"

class ProgramProcess {
 public:
  // tastor --simulate --program-dir DIR --user-dir DIRuser, the keyboard in DIRsim.
  explicit ProgramProcess(const TempDir& dir, const QStringList& extra = {})
      : env_(QProcessEnvironment::systemEnvironment()) {
    process_.setProgram(QString::fromStdString(BinDir() + "tastor"));
    process_.setArguments(QStringList{"--simulate", "--program-dir", QString::fromStdString(dir.path()), "--user-dir",
                                      QString::fromStdString(dir.path() + "user")} +
                          extra);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    env_.insert("TASTOR_SIM_DIR", QString::fromStdString(dir.path() + "sim"));
  }
  ~ProgramProcess() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  // Runs on that X display instead of the tests' off-screen platform.
  ProgramProcess& OnDisplay(const std::string& display) {
    env_.insert("DISPLAY", QString::fromStdString(display));
    env_.insert("QT_QPA_PLATFORM", "xcb");
    return *this;
  }
  ProgramProcess& WithEnv(const QString& name, const QString& value) {
    env_.insert(name, value);
    return *this;
  }
  void Start() {
    process_.setProcessEnvironment(env_);
    process_.start();
  }
  // Waits until the log holds the text, or the program ended, or the time is up.
  bool WaitForLog(const QByteArray& text, int ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!log_.contains(text) && timer.elapsed() < ms && process_.state() != QProcess::NotRunning) {
      process_.waitForReadyRead(100);
      log_ += process_.readAllStandardError();
    }
    log_ += process_.readAllStandardError();
    return log_.contains(text);
  }
  bool Finish(int ms = 15000) {
    const bool done = process_.waitForFinished(ms);
    log_ += process_.readAllStandardError();
    return done;
  }
  // Lets the program run for a while, its log read meanwhile.
  void RunFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
      process_.waitForReadyRead(50);
      log_ += process_.readAllStandardError();
    }
  }
  QProcess& process() { return process_; }
  const QByteArray& Log() const { return log_; }
  std::string LogText() const { return log_.toStdString(); }

 private:
  QProcess process_;
  QProcessEnvironment env_;
  QByteArray log_;
};

// True when a shown window of that caption is on the display.
inline bool WindowShown(const std::string& display, const std::string& caption) {
  const RunResult r = RunProgram({"/usr/bin/xdotool", "search", "--onlyvisible", "--name", "^" + caption + "$"},
                                 {"DISPLAY=" + display});
  return r.status == 0 && !r.out.empty();
}

// Starts the tests' tray host on the display; true once it says it is ready.
inline bool StartTestTray(QProcess& tray, const std::string& display) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("DISPLAY", QString::fromStdString(display));
  tray.setProcessEnvironment(env);
  tray.start(QStringLiteral(TASTOR_TEST_TRAY), {});
  return tray.waitForReadyRead(10000) && tray.readAllStandardOutput().contains("ready");
}
