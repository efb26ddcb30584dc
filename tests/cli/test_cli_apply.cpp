// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli apply: a stored profile written into the simulated keyboard through the apply
// worker, the report files it leaves, the profile files it saves, and what it says when
// the keyboard is missing or does not take the settings.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/settings.h"
#include "macro/macro_record.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "tests/support/test_support.h"

namespace {

const std::vector<std::string> kCleanSimulator = {
    "TASTOR_SIM_DIR=",         "TASTOR_SIM_ABSENT=",         "TASTOR_SIM_KEYBOARDS=",
    "TASTOR_SIM_NO_CONSUMER=", "TASTOR_SIM_PRODUCT=",        "TASTOR_SIM_FAIL_TRANSFERS=",
    "TASTOR_SIM_NO_PERMISSION=", "TASTOR_SIM_DROP_REPORT=", "TASTOR_SIM_NO_PAUSES=1"};

std::vector<std::string> Argv(const TempDir& user, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {BinDir() + "tastor-cli", "--user-dir", user.path()};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

RunResult Cli(const TempDir& user, const std::vector<std::string>& args, std::vector<std::string> env = {}) {
  std::vector<std::string> fullEnv = kCleanSimulator;
  fullEnv.insert(fullEnv.end(), env.begin(), env.end());
  return RunProgram(Argv(user, args), fullEnv);
}


std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

uint32_t Read32(const std::string& bytes, std::size_t at) {
  uint32_t v = 0;
  for (int b = 3; b >= 0; --b) v = (v << 8) | static_cast<uint8_t>(bytes.at(at + static_cast<std::size_t>(b)));
  return v;
}
// The entry at a matrix position of a report-09 image.
uint32_t Entry(const std::string& matrix, int pos) { return Read32(matrix, static_cast<std::size_t>(pos) * 4); }

}  // namespace

TEST(CliApply, TwiceInAFreshFolderLeavesTheFirstProfileInTheKeyboard) {
  TempDir user;
  const std::string sim = user.path() + "sim/";
  const RunResult first = Cli(user, {"--simulate", "apply"});
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_TRUE(Has(first.out, "Progress: 20 70 100\n")) << first.out;
  EXPECT_TRUE(Has(first.out, "Profile 1 \"Profile 1\" (id 0x"));
  EXPECT_TRUE(Has(first.out, "applied to the keyboard with flags 0x8007."));

  // Start-up made three profiles and the first is current; both files are saved.
  const std::string profiles = ReadFile(user.path() + "pro.dct");
  ASSERT_EQ(profiles.size(), 63980u);
  const uint32_t firstId = Read32(profiles, 4);
  EXPECT_NE(firstId, 0u);
  EXPECT_NE(Read32(profiles, kProfileSize * 2 + 4), 0u);
  EXPECT_EQ(Read32(ReadFile(user.path() + "curid.dct"), 0), firstId);

  const auto check = [&] {
    // Lighting: LEDParam 2, 3, 5 of cfg.ini: mode code 3 (LedOpt3), group 1, speed 3 -> 3,
    // brightness 5; the rest as the keyboard had it.
    EXPECT_EQ(ReadFile(sim + "report-10.bin"), Bytes({3, 1, 3, 5}) + std::string(37, '\0'));
    const std::string matrix = ReadFile(sim + "report-09.bin");
    ASSERT_EQ(matrix.size(), 504u);
    EXPECT_EQ(Entry(matrix, 0), 0x00290000u);   // Esc
    EXPECT_EQ(Entry(matrix, 1), 0x003A0000u);   // F1
    EXPECT_EQ(Entry(matrix, 64), 0x00040000u);  // A
    EXPECT_EQ(Entry(matrix, 16), 0u);           // no key at this position
    // Not the game mode, no macro keys.
    EXPECT_FALSE(std::filesystem::exists(sim + "report-11.bin"));
    EXPECT_FALSE(std::filesystem::exists(sim + "report-12.bin"));
  };
  check();
  const std::string matrixBefore = ReadFile(sim + "report-09.bin");

  const RunResult second = Cli(user, {"--simulate", "apply"});
  ASSERT_EQ(second.status, 0) << second.err;
  check();
  EXPECT_EQ(ReadFile(sim + "report-09.bin"), matrixBefore);
  EXPECT_EQ(ReadFile(user.path() + "pro.dct"), profiles);  // the same profiles, not new ones
  EXPECT_EQ(Read32(ReadFile(user.path() + "curid.dct"), 0), firstId);
}

TEST(CliApply, AppliesTheMacrosOfTheMacroFolderAndAnyStoredProfile) {
  TempDir user;
  AppSettings settings;
  LoadSettings(BinDir(), settings);
  // Three stored profiles; the second has a macro on A (key 58, matrix position 64).
  ProfileStore store;
  for (uint32_t id : {0x111111u, 0x222222u, 0x333333u}) store.Append(MakeProfile(id, u"Mine", settings));
  store.FindById(0x222222)->keys[58].code = KeyFunction::MakeCode(KIND_MACRO, 0);
  store.FindById(0x222222)->keys[58].macroId = 0x5A5A5A;
  store.SetCurrent(0x111111);
  ASSERT_EQ(SaveProfiles(store, user.path()), 1);
  ASSERT_EQ(SaveCurrentId(store, user.path()), 1);
  MacroRecord macro = MakeDefaultMacro(0x5A5A5A, u"shout");
  macro.Events[0] = {0x42, 1, 120};  // B down, 120 ms
  macro.Events[1] = {0x42, 0, 0};
  macro.wLoopCount = 2;
  const auto image = MacroFileImage(macro);
  user.Write("Mac/shout.mck", std::string(image.begin(), image.end()));

  const RunResult r = Cli(user, {"--simulate", "apply", "--profile", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Profile 2 \"Mine\" (id 0x222222)")) << r.out;
  const std::string buffer = ReadFile(user.path() + "sim/report-12.bin");
  ASSERT_EQ(buffer.size(), 1920u);
  EXPECT_EQ(buffer.substr(0, 7), Bytes({0x0C, 0, 0x05, 0x80, 0, 0x05, 0}));
  EXPECT_EQ(Entry(ReadFile(user.path() + "sim/report-09.bin"), 64), 0x02010002u);  // slot 1, two loops
  // The applied profile is the current one now.
  EXPECT_EQ(Read32(ReadFile(user.path() + "curid.dct"), 0), 0x222222u);

  const RunResult beyond = Cli(user, {"--simulate", "apply", "--profile", "4"});
  EXPECT_EQ(beyond.status, 2);
  EXPECT_TRUE(Has(beyond.err, "there are 3 profiles, not 4")) << beyond.err;
}

TEST(CliApply, FlagsChooseTheParts) {
  TempDir user;
  const RunResult r = Cli(user, {"--simulate", "apply", "--flags", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Progress: none\n")) << r.out;  // no progress dialog without 0x8000
  EXPECT_TRUE(Has(r.out, "with flags 0x0002."));
  EXPECT_TRUE(std::filesystem::exists(user.path() + "sim/report-10.bin"));
  EXPECT_FALSE(std::filesystem::exists(user.path() + "sim/report-09.bin"));

  for (const char* bad : {"xyz", "10000"}) {
    const RunResult wrong = Cli(user, {"--simulate", "apply", "--flags", bad});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_TRUE(Has(wrong.err, "--flags needs a hexadecimal number")) << wrong.err;
  }
  EXPECT_EQ(Cli(user, {"--simulate", "apply", "--colour"}).status, 2);
}

TEST(CliApply, FailedTransfersAreReportedAndNothingIsSaved) {
  TempDir user;
  const RunResult r = Cli(user, {"--simulate", "apply"}, {"TASTOR_SIM_FAIL_TRANSFERS=3"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "Info: Get LED Failed.\n")) << r.err;
  EXPECT_TRUE(Has(r.err, "Error:    Update settings failed!      \n"));
  EXPECT_TRUE(Has(r.err, "tastor-cli: the keyboard did not take all of Profile 1"));
  EXPECT_TRUE(Has(r.out, "Progress: none\n")) << r.out;
  EXPECT_FALSE(std::filesystem::exists(user.path() + "pro.dct"));
  EXPECT_FALSE(std::filesystem::exists(user.path() + "sim/report-10.bin"));
}

TEST(CliApply, SaysClearlyWhenTheKeyboardCannotBeUsed) {
  TempDir user;
  // The real library on a machine without the keyboard.
  const RunResult real = Cli(user, {"apply"});
  EXPECT_EQ(real.status, 1);
  EXPECT_TRUE(Has(real.err, "no keyboard with VID_2F68&PID_0A17 (VID and PID of cfg.ini) is attached")) << real.err;
  EXPECT_FALSE(std::filesystem::exists(user.path() + "pro.dct"));

  const RunResult denied = Cli(user, {"--simulate", "apply"}, {"TASTOR_SIM_NO_PERMISSION=1"});
  EXPECT_EQ(denied.status, 1);
  EXPECT_TRUE(Has(denied.err, "is attached, but this user has no permission to open it")) << denied.err;
  EXPECT_TRUE(Has(denied.err, "tastor-cli udev-rule"));

  const RunResult two = Cli(user, {"--simulate", "apply"}, {"TASTOR_SIM_KEYBOARDS=2"});
  EXPECT_EQ(two.status, 1);
  EXPECT_TRUE(Has(two.err, "2 keyboards are attached")) << two.err;
  EXPECT_FALSE(std::filesystem::exists(user.path() + "sim/report-09.bin"));
}

TEST(CliApply, DrawsAProgressBarOnATerminal) {
  TempDir user;
  const RunResult r = RunProgramInTerminal(Argv(user, {"--simulate", "apply"}), kCleanSimulator);
  const std::string& out = r.out;
  EXPECT_EQ(r.status, 0) << out;
  const std::size_t at20 = out.find("\rProfile 1 \"Profile 1\" [######........................]  20%");
  const std::size_t at70 = out.find("[#####################.........]  70%");
  const std::size_t at100 = out.find("[##############################] 100%");
  EXPECT_NE(at20, std::string::npos) << out;
  EXPECT_LT(at20, at70);
  EXPECT_LT(at70, at100);
  EXPECT_FALSE(Has(out, "Progress:"));
  EXPECT_TRUE(Has(out, "applied to the keyboard with flags 0x8007."));
}

TEST(CliApply, AKeyboardThatDoesNotKeepTheReportsFailsAndNothingIsClaimed) {
  TempDir user;
  ASSERT_EQ(Cli(user, {"--simulate", "apply"}).status, 0);
  // Profile 2 differs from profile 1 in a key and in its lighting.
  ASSERT_EQ(Cli(user, {"set-key", "--profile", "2", "F1", "--combo", "L-Ctrl + C"}).status, 0);
  ASSERT_EQ(Cli(user, {"lighting", "--profile", "2", "--mode", "4"}).status, 0);
  const std::string curid = ReadFile(user.path() + "curid.dct");
  const std::string matrix = ReadFile(user.path() + "sim/report-09.bin");

  // The keyboard acknowledges the matrix and keeps the old one.
  RunResult r = Cli(user, {"--simulate", "apply", "--profile", "2"}, {"TASTOR_SIM_DROP_REPORT=9"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "Info: The keyboard did not keep the key assignments.\n")) << r.err;
  EXPECT_TRUE(Has(r.err, "tastor-cli: the keyboard did not take all of Profile 2"));
  EXPECT_FALSE(Has(r.out, "applied")) << r.out;
  EXPECT_EQ(ReadFile(user.path() + "curid.dct"), curid);
  EXPECT_EQ(ReadFile(user.path() + "sim/report-09.bin"), matrix);

  // Profile 2's lighting went in with the run above: profile 1's is refused now.
  r = Cli(user, {"--simulate", "--lang", "de", "apply", "--profile", "1"}, {"TASTOR_SIM_DROP_REPORT=10"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "Info: Die Tastatur hat die Beleuchtung nicht übernommen.\n")) << r.err;
  EXPECT_EQ(ReadFile(user.path() + "curid.dct"), curid);

  // VerifyApply=0 in cfg.ini: the read-back is left out, so the apply goes through.
  TempDir program;
  for (const char* shared : {"libHidPortSim.so", "text.xml"}) {
    std::filesystem::create_symlink(BinDir() + shared, program.path() + shared);
  }
  std::string cfg = ReadFile(BinDir() + "cfg.ini");
  const std::size_t at = cfg.find("VerifyApply=1");
  ASSERT_NE(at, std::string::npos);
  cfg.replace(at, 13, "VerifyApply=0");
  program.Write("cfg.ini", cfg);
  r = Cli(user, {"--simulate", "--program-dir", program.path(), "apply", "--profile", "2"},
          {"TASTOR_SIM_DROP_REPORT=9,10"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(ReadFile(user.path() + "curid.dct"), curid);
}
