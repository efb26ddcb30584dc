// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli link and sim: a profile's linked program set and removed in the stored
// profiles, and the simulated keyboard pulled out and plugged in again.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "app/program_settings.h"
#include "model/profile_files.h"
#include "tests/support/test_support.h"

namespace {

const std::vector<std::string> kCleanSimulator = {"TASTOR_SIM_DIR=", "TASTOR_SIM_ABSENT=", "TASTOR_SIM_KEYBOARDS=",
                                                  "TASTOR_SIM_NO_PERMISSION="};

RunResult Cli(const TempDir& user, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {BinDir() + "tastor-cli", "--user-dir", user.path()};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, kCleanSimulator);
}

std::vector<std::u16string> LinkedPrograms(const TempDir& user) {
  std::vector<std::u16string> out;
  const ProfileFileRead read = ReadProfileSlots(user.path() + kProfileFileName, AppSettings());
  for (const ProfileSlot& s : read.profileSlots) {
    if (s.state == ProfileSlot::State::kValid) out.push_back(s.profile.LinkedProgram());
  }
  return out;
}

}  // namespace

TEST(CliLink, SetsAndRemovesTheLinkedProgramOfAStoredProfile) {
  TempDir user;
  RunResult r = Cli(user, {"link", "--profile", "2", "MyGame.exe"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Profile 2 \"Profile 2\" (id 0x")) << r.out;
  EXPECT_TRUE(Has(r.out, "switches in while a program named \"MyGame.exe\" runs."));
  EXPECT_EQ(LinkedPrograms(user), (std::vector<std::u16string>{u"", u"MyGame.exe", u""}));

  // The profiles command shows it; a name with spaces and letters beyond ASCII is kept.
  r = Cli(user, {"link", "--profile", "3", "Grüne Wiese.exe"});
  ASSERT_EQ(r.status, 0) << r.err;
  r = Cli(user, {"profiles", "--json"});
  EXPECT_TRUE(Has(r.out, "\"linkedProgram\": \"MyGame.exe\"")) << r.out;
  EXPECT_EQ(LinkedPrograms(user)[2], u"Grüne Wiese.exe");

  // No name removes the link; the other profiles keep theirs.
  r = Cli(user, {"link", "--profile", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "is linked to no program."));
  EXPECT_EQ(LinkedPrograms(user), (std::vector<std::u16string>{u"", u"", u"Grüne Wiese.exe"}));
}

TEST(CliLink, RefusesWhatItCannotStore) {
  TempDir user;
  EXPECT_EQ(Cli(user, {"link", "--profile", "9", "x"}).status, 2);
  EXPECT_EQ(Cli(user, {"link", "--profile", "0", "x"}).status, 2);
  EXPECT_EQ(Cli(user, {"link", "a", "b"}).status, 2);
  EXPECT_EQ(Cli(user, {"link", std::string(260, 'x')}).status, 2);
  EXPECT_EQ(Cli(user, {"link", "--fast"}).status, 2);
  EXPECT_FALSE(std::filesystem::exists(user.path() + kProfileFileName));  // nothing was written
  // The longest name the record holds is kept whole.
  EXPECT_EQ(Cli(user, {"link", std::string(259, 'x')}).status, 0);
  EXPECT_EQ(LinkedPrograms(user)[0].size(), 259u);
}

TEST(CliSim, PullsTheSimulatedKeyboardOutAndPlugsItInAgain) {
  TempDir user;
  EXPECT_EQ(Cli(user, {"sim", "unplug"}).status, 2);  // only with --simulate
  RunResult r = Cli(user, {"--simulate", "sim", "status"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "is plugged in.")) << r.out;
  r = Cli(user, {"--simulate", "sim", "unplug"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "is pulled out.")) << r.out;
  EXPECT_EQ(Cli(user, {"--simulate", "devices"}).status, 1);
  EXPECT_EQ(Cli(user, {"--simulate", "apply"}).status, 1);
  r = Cli(user, {"--simulate", "sim", "plug"});
  EXPECT_TRUE(Has(r.out, "is plugged in.")) << r.out;
  EXPECT_EQ(Cli(user, {"--simulate", "devices"}).status, 0);
  EXPECT_EQ(Cli(user, {"--simulate", "sim", "sideways"}).status, 2);
}
