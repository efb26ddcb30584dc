// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli over stored and imported profiles that hold values out of range: every command
// runs on the profile as the loader brought it into range (no crash, no group 0 edited in
// the place of a group that does not exist), and a pro.dct that cannot be read is refused
// by every configuring command with exit status 1, the file left as it was.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/program_settings.h"
#include "model/profile_files.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kSimulator = {"TASTOR_SIM_DIR=", "TASTOR_SIM_ABSENT=", "TASTOR_SIM_KEYBOARDS=",
                                             "TASTOR_SIM_FAIL_TRANSFERS=", "TASTOR_SIM_NO_PERMISSION=",
                                             "TASTOR_SIM_NO_PAUSES=1"};

class CliHostileProfiles : public ::testing::Test {
 protected:
  void SetUp() override { LoadSettings(BinDir(), settings_); }
  RunResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {BinDir() + "tastor-cli", "--user-dir", user_.path()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, kSimulator);
  }
  static std::string Image(const Profile& p) {
    std::array<uint8_t, kProfileSize> bytes;
    ProfileToBytes(p, bytes);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  // A profile with a hostile value in every field the program indexes by.
  Profile Hostile(uint32_t id, int32_t mode, uint16_t group) const {
    Profile p = MakeProfile(id, u"Wild", settings_);
    p.ledMode = mode;
    p.colourGroup = group;
    for (ModeSetting& m : p.modeSettings) m = {0xEE, 0xEF};
    p.keys[0].code = 0x99000001;  // no such kind
    p.keys[1].matrixPos = 200;
    p.name.fill(u'W');
    return p;
  }
  void WriteStore(const std::vector<Profile>& profiles) {
    std::string file;
    for (const Profile& p : profiles) file += Image(p);
    file.resize(kProfileFileSize, '\0');
    user_.Write("pro.dct", file);
  }
  // Runs every command that shows or changes a profile; none may crash.
  void RunEveryCommand(bool keepsName) {
    const std::vector<std::vector<std::string>> commands = {
        {"profiles", "--json"},         {"lighting", "--json"}, {"lighting", "--speed", "3"},
        {"key-colour", "A", "on"},      {"set-key", "B", "--combo", "L-Ctrl + C"},
        {"--simulate", "apply"},        {"lighting", "--mode", "1", "--group", "9"},
        {"key-colour", "A", "on"},      {"--simulate", "apply"}};
    for (const auto& c : commands) {
      const RunResult r = Cli(c);
      EXPECT_TRUE(r.status == 0 || r.status == 2) << c[0] << " exit " << r.status << ": " << r.err;
    }
    const ProfileFileRead stored = ReadProfileSlots(user_.path() + kProfileFileName, AppSettings());
    ASSERT_EQ(stored.state, ProfileFileState::kLoaded);
    const Profile& p = stored.profileSlots[0].profile;
    EXPECT_EQ(p.ledMode, 1);
    EXPECT_EQ(p.colourGroup, 9);
    EXPECT_EQ(p.keys[1].matrixPos, settings_.KeyTable.keys[1].matrixPos);
    if (keepsName) {
      EXPECT_EQ(p.Name(), std::u16string(19, u'W'));
    }
  }

  AppSettings settings_;
  TempDir user_;
};

}  // namespace

TEST_F(CliHostileProfiles, StoredHostileValuesAreUsedInRange) {
  WriteStore({Hostile(0x4242, 0x7FFFFFFF, 15), Hostile(0x4343, -3, 0xFFFF), MakeProfile(0x4444, u"Tame", settings_)});
  const RunResult shown = Cli({"lighting", "--json"});
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_TRUE(Has(shown.out, "\"mode\": " + std::to_string(settings_.LEDParam[0]) + ",")) << shown.out;
  EXPECT_TRUE(Has(shown.out, "\"speed\": 5,")) << shown.out;  // clamped to SpeedVal
  EXPECT_TRUE(Has(shown.out, "\"group\": 0,")) << shown.out;
  RunEveryCommand(true);
}

TEST_F(CliHostileProfiles, ImportedHostileValuesAreUsedInRange) {
  std::string kbp = Image(Hostile(0x4242, -1, 15));
  kbp.resize(kKbpFileSize, '\0');
  const std::string file = user_.Write("in/wild.kbp", kbp);
  const RunResult r = Cli({"import-profile", file});
  ASSERT_EQ(r.status, 0) << r.err;
  RunEveryCommand(false);
}

TEST_F(CliHostileProfiles, GroupBeyondTheTableIsNeverEditedAsGroupZero) {
  Profile game = MakeProfile(0x4242, u"Game", settings_);
  game.ledMode = settings_.GaoshouIndex;
  game.colourGroup = 15;
  WriteStore({game, MakeProfile(0x4343, u"B", settings_), MakeProfile(0x4444, u"C", settings_)});
  const std::string before = ReadFile(user_.path() + "pro.dct");
  const RunResult r = Cli({"key-colour", "A", "on"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_TRUE(Has(r.err, "group 0")) << r.err;
  EXPECT_EQ(ReadFile(user_.path() + "pro.dct"), before);
}

TEST_F(CliHostileProfiles, DamagedStoreIsRefusedByEveryConfiguringCommand) {
  const std::string damaged = Image(MakeProfile(0x4242, u"Mine", settings_)) +
                              std::string(kProfileFileSize - kProfileSize - 1, '\x01');
  user_.Write("pro.dct", damaged);
  const std::string kbp = user_.Write("in/some.kbp", std::string(kKbpFileSize, '\0'));
  const std::vector<std::vector<std::string>> commands = {
      {"set-key", "A", "--default"}, {"lighting", "--speed", "2"}, {"key-colour", "A", "on"},
      {"rename", "New"},             {"reset"},                    {"import-profile", kbp},
      {"link", "game.exe"},          {"--simulate", "apply"},      {"profiles"}};
  for (const auto& c : commands) {
    const RunResult r = Cli(c);
    EXPECT_EQ(r.status, 1) << c[0] << ": " << r.out << r.err;
    EXPECT_TRUE(Has(r.err, user_.path() + "pro.dct") && Has(r.err, "63979")) << c[0] << ": " << r.err;
  }
  EXPECT_EQ(ReadFile(user_.path() + "pro.dct"), damaged);
  for (const auto& e : fs::directory_iterator(user_.path())) {
    EXPECT_EQ(e.path().filename().string().find("damaged"), std::string::npos) << e.path();
  }
}
