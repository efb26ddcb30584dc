// tastor-cli autostart: the user's XDG autostart entry that starts the program with the
// desktop, written, reported and removed, and refused input.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

class CliAutostart : public ::testing::Test {
 protected:
  RunResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {BinDir() + "tastor-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, {"XDG_CONFIG_HOME=" + config_.path() + "config"});
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
  EXPECT_TRUE(Has(entry, "\nExec=" + BinDir() + "tastor --user-dir " + user.path() + "\n")) << entry;
  EXPECT_TRUE(Has(entry, "\nName=Tastor TK-105\n"));

  r = Cli({"autostart", "status", "--json"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "\"present\": true"));
  EXPECT_TRUE(Has(r.out, "\"enabled\": true"));
  EXPECT_TRUE(Has(r.out, "\"program\": \"" + BinDir() + "tastor\""));
  EXPECT_TRUE(Has(r.out, "\"programPresent\": true"));
  EXPECT_TRUE(Has(r.out, "\"trayIcon\": 3")) << r.out;

  // On again replaces the entry; off removes it, and off again is fine.
  ASSERT_EQ(0, Cli({"autostart", "on"}).status);
  EXPECT_TRUE(Has(ReadFile(Entry()), "\nExec=" + BinDir() + "tastor\n"));
  ASSERT_EQ(0, Cli({"autostart", "off"}).status);
  EXPECT_FALSE(fs::exists(Entry()));
  r = Cli({"autostart", "off"});
  EXPECT_EQ(0, r.status);
  EXPECT_TRUE(Has(r.out, "it was not on"));
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
