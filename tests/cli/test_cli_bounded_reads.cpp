// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli and files that are no files: decode refuses a pipe, a device and a file past
// what it decodes at once, a cfg.ini that cannot be read ends every command that needs it
// with exit status 1 before anything is written, and appdir never leads out of the
// application-data folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

// Each run must end by itself well within this.
constexpr int kDeadlineMs = 10000;

class CliBoundedReads : public ::testing::Test {
 protected:
  // The application-data folder of the runs lies deep inside root_, so that a folder made
  // outside it is still inside root_ and seen.
  std::string DataHome() const { return root_.path() + "a/b/c/share"; }
  RunResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {BinDir() + "tastor-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    const RunResult r = RunProgramWithin(argv, kDeadlineMs, {"XDG_DATA_HOME=" + DataHome()});
    EXPECT_FALSE(r.timedOut) << args.back();
    return r;
  }
  // The reference program folder with another cfg.ini.
  void ProgramWithSettings(const std::string& cfg) {
    program_.Write("text.xml", ReadFile(BinDir() + "text.xml"));
    program_.Write("cfg.ini", cfg);
  }
  // Every file and folder under root_, relative to it.
  std::vector<std::string> Everything() const {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(root_.path())) {
      found.push_back(fs::relative(e.path(), root_.path()).string());
    }
    std::sort(found.begin(), found.end());
    return found;
  }
  TempDir root_;
  TempDir program_;
};

TEST_F(CliBoundedReads, DecodeRefusesPipesDevicesAndHugeFilesAtOnce) {
  const std::string fifo = root_.path() + "pro.dct";
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0644));
  RunResult r = Cli({"decode", fifo});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, "cannot read " + fifo + ": not a regular file")) << r.err;

  r = Cli({"decode", "/dev/zero"});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, "not a regular file")) << r.err;

  const std::string huge = root_.Write("huge.mck", "");
  ASSERT_EQ(0, ::truncate(huge.c_str(), (1 << 20) + 1));
  r = Cli({"decode", huge});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, "larger than 1 MiB")) << r.err;
}

TEST_F(CliBoundedReads, UnreadableCfgIniEndsTheCommandBeforeAnythingIsWritten) {
  program_.Write("text.xml", ReadFile(BinDir() + "text.xml"));
  RunResult r = Cli({"--program-dir", program_.path(), "set-key", "F1", "--combo", "L-Ctrl + C"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ("tastor-cli: cannot read cfg.ini at " + program_.path() + "cfg.ini: No such file or directory\n", r.err);
  EXPECT_TRUE(Everything().empty());  // no user folder and no pro.dct, anywhere

  const std::string fifo = program_.path() + "cfg.ini";
  ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0644));
  for (const char* command : {"config", "profiles"}) {
    r = Cli({"--program-dir", program_.path(), command});
    EXPECT_EQ(1, r.status) << command;
    EXPECT_TRUE(Has(r.err, "cfg.ini: not a regular file")) << r.err;
  }
  EXPECT_TRUE(Everything().empty());
}

TEST_F(CliBoundedReads, TextXmlThatIsAPipeReadsAsMissing) {
  program_.Write("cfg.ini", "[OPT]\nappdir=Tastor\n");
  ASSERT_EQ(0, ::mkfifo((program_.path() + "text.xml").c_str(), 0644));
  const RunResult r = Cli({"--program-dir", program_.path(), "config"});
  EXPECT_EQ(0, r.status) << r.err;
}

TEST_F(CliBoundedReads, AppdirThatLeadsElsewhereFallsBackToTheDataFolder) {
  std::string cfg = ReadFile(BinDir() + "cfg.ini");
  const std::size_t at = cfg.find("appdir=Tastor");
  ASSERT_NE(std::string::npos, at);
  for (const std::string hostile : {"../../../x", "..", "a/b", "/tmp"}) {
    ProgramWithSettings(std::string(cfg).replace(at, 13, "appdir=" + hostile));
    const RunResult config = Cli({"--program-dir", program_.path(), "config", "--json"});
    ASSERT_EQ(0, config.status) << config.err;
    EXPECT_TRUE(Has(config.out, "\"appdir\": \"\"")) << hostile;
    EXPECT_TRUE(Has(config.out, "\"text\": \"APPDATA=NULL\"")) << hostile;
  }
  // The changed profile lands in the application-data folder itself, as with no appdir.
  const RunResult set = Cli({"--program-dir", program_.path(), "set-key", "F1", "--combo", "L-Ctrl + C"});
  ASSERT_EQ(0, set.status) << set.err;
  EXPECT_TRUE(fs::exists(DataHome() + "/pro.dct"));
  for (const std::string& path : Everything()) {
    EXPECT_TRUE(path == "a" || path == "a/b" || path == "a/b/c" || path.rfind("a/b/c/share", 0) == 0) << path;
  }
}

}  // namespace
