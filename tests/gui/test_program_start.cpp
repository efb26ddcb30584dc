// SPDX-License-Identifier: GPL-2.0-or-later
// The windows program's command line and start: unknown options and missing values are
// refused with exit status 2 before any display is opened, help and the manual page need
// none either, a start without an X11 display says so in one line and ends with 1, Qt's own
// -platform is let through, and --hidden starts in the tray where there is one (else the
// window opens, with a log line).
#include <gtest/gtest.h>

#include <QProcess>
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "tests/support/program_process.h"
#include "tests/support/test_support.h"

namespace {

// No display of any kind: what a program gets outside a desktop session.
const std::vector<std::string> kNoDisplay = {"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY=", "XDG_SESSION_TYPE="};

RunResult Tastor(const std::vector<std::string>& args, std::vector<std::string> env = kNoDisplay) {
  std::vector<std::string> argv = {BinDir() + "tastor"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgramWithin(argv, 30000, env);
}

// A program folder with the build's skin and sibling libraries and its own cfg.ini (the log
// on standard error, TrayIcon as given).
void WriteProgramFolder(const TempDir& dir, const std::string& mutex, int trayIcon) {
  for (const char* shared : {"skins", "libHidPortSim.so", "libVelum.so", "appico.ico"}) {
    std::filesystem::create_symlink(BinDir() + shared, dir.path() + shared);
  }
  dir.Write("cfg.ini", "[OPT]\nDebug=1\nappdir=Tastor\nTrayIcon=" + std::to_string(trayIcon) + "\n");
  dir.Write("text.xml", "<?xml version=\"1.0\"?>\n<tastor><config><tc_title>Start Test</tc_title><tc_mutex>" + mutex +
                            "</tc_mutex></config></tastor>\n");
}

TEST(ProgramStart, UsageErrorsAreRefusedWithoutADisplay) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--bogus"}, {"--simulate", "-x"}, {"--lang"}, {"--user-dir", ""}, {"file.kbp"},
        {"--hidden=yes"}}) {
    const RunResult r = Tastor(args);
    EXPECT_EQ(2, r.status) << args.front() << r.err;
    EXPECT_TRUE(Has(r.err, "tastor: ")) << r.err;
    EXPECT_TRUE(Has(r.err, "(tastor --help lists the options)\n")) << r.err;
    EXPECT_EQ(r.err.size() - 1, r.err.find('\n')) << "one line: " << r.err;
  }
  EXPECT_TRUE(Has(Tastor({"--bogus"}).err, "unknown option \"--bogus\""));

  RunResult r = Tastor({"--help"});
  EXPECT_EQ(0, r.status);
  EXPECT_TRUE(Has(r.out, "--hidden, --background")) << r.out;
  EXPECT_TRUE(Has(r.out, "--lang CODE")) << r.out;
  r = Tastor({"--help-man"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(0u, r.out.rfind(".TH TASTOR 1 ", 0)) << r.out.substr(0, 80);
  EXPECT_TRUE(Has(r.out, "\\fB\\-\\-hidden, \\-\\-background\\fR")) << r.out;
}

TEST(ProgramStart, WithoutAnX11DisplayItSaysWhatIsMissingAndEnds) {
  // A Wayland session without XWayland.
  RunResult r = Tastor({"--simulate"}, {"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY=wayland-0",
                                        "XDG_SESSION_TYPE=wayland"});
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_TRUE(Has(r.err, "tastor: the windows need an X11 display, and this Wayland session has no XWayland")) << r.err;
  EXPECT_TRUE(Has(r.err, "xwayland")) << r.err;
  // A display that is named but does not run.
  r = Tastor({"--simulate"}, {"QT_QPA_PLATFORM=", "DISPLAY=:97531", "WAYLAND_DISPLAY=", "XDG_SESSION_TYPE="});
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_EQ("tastor: the windows need an X11 display, and the display \":97531\" does not open: start Tastor in a "
            "desktop session (X11, or Wayland with XWayland), or set DISPLAY to a display that runs\n",
            r.err);
  r = Tastor({"-display", ":97531"}, {"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY=", "XDG_SESSION_TYPE="});
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_TRUE(Has(r.err, "\":97531\" does not open")) << r.err;
}

TEST(ProgramStart, APlatformChosenWithQtsOptionIsUsed) {
  TempDir dir;
  WriteProgramFolder(dir, "Tastor-start-platform", 0);
  // No display at all, but offscreen asked for on the command line: the window is painted.
  std::vector<std::string> env = kNoDisplay;
  env.push_back("TASTOR_SIM_DIR=" + dir.path() + "sim");
  const RunResult r = Tastor({"-platform", "offscreen", "--simulate", "--program-dir", dir.path(), "--user-dir",
                              dir.path() + "user", "--quit-after-first-paint"},
                             env);
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.err, "Driver exit")) << r.err;
}

TEST(ProgramStart, TheStartupTraceTimesEachStepUpToTheFirstPaint) {
  TempDir dir;
  WriteProgramFolder(dir, "Tastor-start-trace", 0);
  std::vector<std::string> env = kNoDisplay;
  env.push_back("TASTOR_SIM_DIR=" + dir.path() + "sim");
  const std::vector<std::string> args = {"-platform", "offscreen", "--simulate", "--program-dir", dir.path(),
                                         "--user-dir", dir.path() + "user", "--quit-after-first-paint"};
  const RunResult quiet = Tastor(args, env);
  ASSERT_EQ(0, quiet.status) << quiet.err;
  EXPECT_FALSE(Has(quiet.err, "tastor start-up:")) << quiet.err;

  env.push_back("TASTOR_TRACE_STARTUP=1");
  const RunResult r = Tastor(args, env);
  ASSERT_EQ(0, r.status) << r.err;
  // Each line: "tastor start-up: <ms> ms (+<ms>) <step>", in the order of the steps.
  std::vector<std::pair<double, std::string>> steps;
  std::istringstream lines(r.err);
  for (std::string line; std::getline(lines, line);) {
    const std::string prefix = "tastor start-up: ";
    if (line.rfind(prefix, 0) != 0) continue;
    const std::size_t close = line.find(") ");
    ASSERT_NE(std::string::npos, close) << line;
    steps.emplace_back(std::stod(line.substr(prefix.size())), line.substr(close + 2));
  }
  std::vector<std::string> names;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    names.push_back(steps[i].second);
    if (i > 0) EXPECT_GE(steps[i].first, steps[i - 1].first) << steps[i].second;
  }
  std::size_t at = 0;
  for (const char* expected : {"main", "application object", "settings and log", "text table", "single instance",
                               "main window object", "main_nr.png", "window shape", "keyboard search",
                               "profiles and show", "first paint ends"}) {
    const auto found = std::find(names.begin() + static_cast<std::ptrdiff_t>(at), names.end(), expected);
    ASSERT_NE(names.end(), found) << expected << " missing or out of order in:\n" << r.err;
    at = static_cast<std::size_t>(found - names.begin());
  }
}

TEST(ProgramStart, HiddenStartsInTheTrayWhereTheDesktopHasOne) {
  Xvfb xvfb;
  if (!OnPath("xdotool") || !xvfb.Start()) GTEST_SKIP() << "needs Xvfb and xdotool";
  QProcess tray;
  ASSERT_TRUE(StartTestTray(tray, xvfb.display()));

  TempDir dir;
  WriteProgramFolder(dir, "Tastor-hidden-tray", 0);  // TrayIcon 0: only --hidden asks for the tray
  ProgramProcess program(dir, {"--hidden"});
  program.OnDisplay(xvfb.display()).Start();
  ASSERT_TRUE(program.WaitForLog("Start Thread")) << program.LogText();
  // The main window has built itself and stays hidden: nothing of it on the screen.
  program.RunFor(500);
  EXPECT_FALSE(WindowShown(xvfb.display(), "Start Test"));
  EXPECT_FALSE(Has(program.LogText(), "No system tray")) << program.LogText();

  program.process().terminate();
  ASSERT_TRUE(program.Finish());
  EXPECT_EQ(0, program.process().exitCode());
  tray.kill();
  tray.waitForFinished(5000);
}

TEST(ProgramStart, HiddenWithoutATrayShowsTheWindowAndSaysWhy) {
  TempDir dir;
  WriteProgramFolder(dir, "Tastor-hidden-no-tray", 0);
  // The option, and the user's StartHidden setting, which asks the same.
  const std::string config = dir.path() + "config";
  dir.Write("config/Tastor/settings.ini", "[OPT]\nStartHidden=1\n");
  for (const bool bySetting : {false, true}) {
    // Off-screen there is no tray: the window is shown, so its first paint ends the run.
    ProgramProcess program(dir, bySetting ? QStringList{"--quit-after-first-paint"}
                                          : QStringList{"--background", "--quit-after-first-paint"});
    program.WithEnv("XDG_CONFIG_HOME", QString::fromStdString(bySetting ? config : dir.path() + "none")).Start();
    ASSERT_TRUE(program.Finish(20000)) << program.LogText();
    EXPECT_EQ(0, program.process().exitCode()) << program.LogText();
    EXPECT_TRUE(Has(program.LogText(), "No system tray: --hidden cannot start in the tray, so the window is shown"))
        << bySetting << program.LogText();
    EXPECT_TRUE(Has(program.LogText(), "Driver exit"));
  }
}

}  // namespace
