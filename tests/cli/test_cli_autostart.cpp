// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli autostart: the user's XDG autostart entry that starts the program hidden with
// the desktop, written, reported truthfully (what it runs, whether that is there, whether
// the window starts hidden) and removed, and refused input.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

class CliAutostart : public ::testing::Test {
 protected:
  // The build folder is not on PATH, as for a developer running it from there.
  RunResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {BinDir() + "tastor-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, {"XDG_CONFIG_HOME=" + config_.path() + "config", "PATH=/usr/bin:/bin"});
  }
  std::string Entry() const { return config_.path() + "config/autostart/org.tastor.Tastor.desktop"; }
  TempDir config_;
};

TEST_F(CliAutostart, OnWritesAnEntryThatStartsTheProgramAndOffRemovesIt) {
  RunResult r = Cli({"autostart", "status"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "Autostart: off")) << r.out;

  TempDir user;
  r = Cli({"--user-dir", user.path(), "autostart", "on"});
  ASSERT_EQ(0, r.status) << r.err;
  const std::string entry = ReadFile(Entry());
  EXPECT_TRUE(Has(entry, "[Desktop Entry]\nType=Application\n")) << entry;
  // From a build folder the entry names the built program by its full path.
  EXPECT_TRUE(Has(entry, "\nExec=" + BinDir() + "tastor --hidden --user-dir " + user.path() + "\n")) << entry;
  EXPECT_TRUE(Has(entry, "\nTryExec=" + BinDir() + "tastor\n")) << entry;
  EXPECT_TRUE(Has(entry, "\nName=Tastor TK-105\n"));

  r = Cli({"autostart", "status", "--json"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "\"present\": true"));
  EXPECT_TRUE(Has(r.out, "\"enabled\": true"));
  EXPECT_TRUE(Has(r.out, "\"program\": \"" + BinDir() + "tastor\""));
  EXPECT_TRUE(Has(r.out, "\"programPresent\": true"));
  EXPECT_TRUE(Has(r.out, "\"starts\": true"));
  EXPECT_TRUE(Has(r.out, "\"hidden\": true"));
  EXPECT_TRUE(Has(r.out, "\"trayIcon\": 3")) << r.out;
  r = Cli({"autostart", "status"});
  EXPECT_TRUE(Has(r.out, "Autostart: on (")) << r.out;
  EXPECT_TRUE(Has(r.out, "Starts: " + BinDir() + "tastor --hidden --user-dir ")) << r.out;
  EXPECT_TRUE(Has(r.out, "Window: hidden in the tray (--hidden)")) << r.out;

  // On again replaces the entry; off removes it, and off again is fine.
  ASSERT_EQ(0, Cli({"autostart", "on"}).status);
  EXPECT_TRUE(Has(ReadFile(Entry()), "\nExec=" + BinDir() + "tastor --hidden\n"));
  ASSERT_EQ(0, Cli({"autostart", "off"}).status);
  EXPECT_FALSE(fs::exists(Entry()));
  r = Cli({"autostart", "off"});
  EXPECT_EQ(0, r.status);
  EXPECT_TRUE(Has(r.out, "it was not on"));
}

TEST_F(CliAutostart, StatusTellsWhatAnOlderOrBrokenEntryWillDo) {
  // An entry of an older version: no --hidden, the window opens (TrayIcon 3 of cfg.ini).
  config_.Write("config/autostart/org.tastor.Tastor.desktop",
                "[Desktop Entry]\nType=Application\nExec=" + BinDir() + "tastor\nX-Tastor-AppId=org.tastor.Tastor\n");
  RunResult r = Cli({"autostart", "status"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "Autostart: on")) << r.out;
  EXPECT_TRUE(Has(r.out, "Window: shown (TrayIcon=3 in cfg.ini, no --hidden")) << r.out;
  r = Cli({"autostart", "status", "--json"});
  EXPECT_TRUE(Has(r.out, "\"hidden\": false")) << r.out;
  // The user's settings hide it all the same: StartHidden as --hidden, or TrayIcon 1.
  const std::string settings = config_.Write("config/Tastor/settings.ini", "[OPT]\nStartHidden=1\n");
  r = Cli({"autostart", "status"});
  EXPECT_TRUE(Has(r.out, "Window: hidden in the tray (StartHidden=1 in " + settings + ")")) << r.out;
  config_.Write("config/Tastor/settings.ini", "[OPT]\nTrayIcon=1\n");
  r = Cli({"autostart", "status", "--json"});
  EXPECT_TRUE(Has(r.out, "\"hidden\": true")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"trayIconFrom\": \"" + settings + "\"")) << r.out;
  fs::remove(settings);

  // Its program has gone: the desktop will skip it, and status says so.
  config_.Write("config/autostart/org.tastor.Tastor.desktop",
                "[Desktop Entry]\nType=Application\nExec=/nonexistent/tastor --hidden\nTryExec=/nonexistent/tastor\n"
                "X-Tastor-AppId=org.tastor.Tastor\n");
  r = Cli({"autostart", "status"});
  EXPECT_TRUE(Has(r.out, "Autostart: off, its program is missing")) << r.out;
  EXPECT_TRUE(Has(r.out, "missing: the desktop skips the entry")) << r.out;
  r = Cli({"autostart", "status", "--json"});
  EXPECT_TRUE(Has(r.out, "\"programPresent\": false")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"starts\": false")) << r.out;
}

TEST_F(CliAutostart, RefusesBadInputAndLeavesAForeignEntryAlone) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"autostart"}, {"autostart", "maybe"}, {"autostart", "on", "off"},
        {"autostart", "on", "--json"}}) {
    const RunResult r = Cli(args);
    EXPECT_EQ(2, r.status) << args.size();
    EXPECT_TRUE(Has(r.err, "tastor-cli: ")) << r.err;
  }
  EXPECT_FALSE(fs::exists(Entry()));

  config_.Write("config/autostart/org.tastor.Tastor.desktop", "[Desktop Entry]\nType=Application\nExec=other\n");
  const RunResult r = Cli({"autostart", "off"});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, "is not Tastor's autostart entry")) << r.err;
  EXPECT_TRUE(fs::exists(Entry()));
}

TEST_F(CliAutostart, HelpDescribesTheCommand) {
  const RunResult r = Cli({"autostart", "--help"});
  EXPECT_EQ(0, r.status);
  EXPECT_TRUE(Has(r.out, "Usage: tastor-cli autostart on|off|status [--json]")) << r.out;
  EXPECT_FALSE(fs::exists(Entry()));
}

}  // namespace
