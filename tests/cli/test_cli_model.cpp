// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli's profile and macro commands on real files in temporary folders.
#include <gtest/gtest.h>

#include "model/profile_files.h"
#include "tests/core/test_model_support.h"
#include "tests/support/test_support.h"

namespace {

// A keyboard of three keys: Esc at matrix position 0, A at 5 and B at 7.
constexpr const char* kCfg =
    "[OPT]\r\nappdir=Tastor\r\nMacroDir=1\r\nMacroHasMsKey=1\r\n[KEY]\r\n"
    "K1=0, 0, 10, 10, 2, 1B, 0, 0\r\nK2=10, 0, 20, 10, 2, 41, 0, 5\r\nK3=20, 0, 30, 10, 2, 42, 0, 7\r\n";

std::string ProfileBytes(uint32_t id, std::u16string_view name) {
  std::string b(kProfileSize, '\0');
  Put32(b, 0, kProfileSignature);
  Put32(b, 4, id);
  PutText(b, 528, name);
  PutText(b, 8, u"game.exe");
  // Keys as the key table gives them, key 1 playing macro 0x0A0B0C.
  const std::pair<uint8_t, int> keys[] = {{0x1B, 0}, {0x41, 5}, {0x42, 7}};
  for (std::size_t k = 0; k < 3; ++k) {
    const std::size_t at = 612 + k * 36;
    Put32(b, at, 0x020000A0);
    Put32(b, at + 20, static_cast<uint32_t>(keys[k].second));
    b[at + 29] = static_cast<char>(keys[k].first);
  }
  Put32(b, 612 + 36, 0x05000000);
  Put32(b, 612 + 36 + 24, 0x0A0B0C);
  b[612 + 36 + 29] = 0;
  Put32(b, 5148, 3);
  return b;
}

// A macro record by hand: press A with 95 ms, release A.
std::string MacroBytes(uint32_t id, std::u16string_view name) {
  std::string b(kMacroRecordSize, '\0');
  Put32(b, 0, 0xFAFB88A0);
  Put32(b, 4, id);
  Put32(b, 12, 1);
  PutText(b, 20, name);
  Put16(b, 104, 3);
  Put16(b, 106, 0x41);
  Put16(b, 108, 1);
  Put32(b, 110, 95);
  Put16(b, 114, 0x41);
  return b;
}

std::string Rotated(std::string b) {
  for (char& c : b) c = static_cast<char>(RotateForFile(static_cast<uint8_t>(c)));
  return b;
}

struct CliModel : ::testing::Test {
  TempDir program;
  TempDir user;
  void SetUp() override { program.Write("cfg.ini", kCfg); }
  RunResult Run(std::vector<std::string> args) {
    std::vector<std::string> argv = {BinDir() + "tastor-cli", "--program-dir", program.path(), "--user-dir", user.path()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
  }
  void ExpectOneLineError(const RunResult& r, const std::string& part) {
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
};

}  // namespace

TEST_F(CliModel, DecodeProfileFileShowsEverySlot) {
  std::string file = ProfileBytes(0x123456, u"Gaming") + std::string(kProfileSize, '\0') + ProfileBytes(0, u"NoId");
  file.resize(kProfileFileSize, '\0');
  const std::string path = user.Write("pro.dct", file);
  RunResult r = Run({"decode", path});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("slot 0: profile"), std::string::npos);
  EXPECT_NE(r.out.find("id             0x123456"), std::string::npos);
  EXPECT_NE(r.out.find("name           \"Gaming\""), std::string::npos);
  EXPECT_NE(r.out.find("linked program \"game.exe\""), std::string::npos);
  EXPECT_NE(r.out.find("    1 macro       value 0      modifiers 0x00 key1 0x00 key2 0x00 macro 0x0A0B0C matrix   5"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find("slot 1: empty"), std::string::npos);
  EXPECT_NE(r.out.find("slot 2: damaged"), std::string::npos);

  r = Run({"decode", path, "--json"});
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("\"state\": \"damaged\""), std::string::npos);
  EXPECT_NE(r.out.find("\"kind\": \"macro\""), std::string::npos);
  EXPECT_NE(r.out.find("\"macroId\": 658188"), std::string::npos);

  ExpectOneLineError(Run({"decode", user.Write("pro.dct", file.substr(0, kProfileFileSize - 1))}), "63980");
}

TEST_F(CliModel, DecodeMacroExportAndCurrentIdFiles) {
  const std::string mck = user.Write("Jump.mck", Rotated(MacroBytes(0x0A0B0C, u"Jump")));
  RunResult r = Run({"decode", mck});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("id             0x0A0B0C"), std::string::npos);
  EXPECT_NE(r.out.find("loop count     3"), std::string::npos);
  EXPECT_NE(r.out.find(" 0 press   code 0x41 delay 95 ms"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" 1 release code 0x41 delay 0 ms"), std::string::npos);
  ExpectOneLineError(Run({"decode", user.Write("Short.mck", Rotated(MacroBytes(1, u"s")).substr(0, 833))}), "834");
  ExpectOneLineError(Run({"decode", user.Write("Plain.mck", MacroBytes(1, u"p"))}), "not a macro file");

  std::string kbp = ProfileBytes(0x55, u"Exported") + MacroBytes(0x0A0B0C, u"Jump");
  kbp.resize(kKbpFileSize, '\0');
  r = Run({"decode", user.Write("x.kbp", kbp), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("\"slot\": 0"), std::string::npos);
  EXPECT_NE(r.out.find("\"name\": \"Jump\""), std::string::npos);
  ExpectOneLineError(Run({"decode", user.Write("cut.kbp", kbp.substr(0, 20000))}), "21136");
  ExpectOneLineError(Run({"decode", user.Write("zero.kbp", std::string(kKbpFileSize, '\0'))}), "not a valid profile");

  r = Run({"decode", user.Write("curid.dct", std::string("\x0C\x0B\x0A\x00", 4))});
  EXPECT_NE(r.out.find("current profile id 0x0A0B0C"), std::string::npos);
  ExpectOneLineError(Run({"decode", user.Write("curid.dct", "\x01")}), "4 bytes");
  ExpectOneLineError(Run({"decode", user.Write("notes.txt", "hello")}), "not a pro.dct");
  ExpectOneLineError(Run({"decode", user.path() + "absent.mck"}), "cannot read");
  EXPECT_EQ(Run({"decode"}).status, 2);
}

TEST_F(CliModel, ProfilesListsTheStoredProfiles) {
  RunResult r = Run({"profiles"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("No stored profiles"), std::string::npos);

  std::string file = ProfileBytes(0x111111, u"One") + ProfileBytes(0x222222, u"Two");
  file.resize(kProfileFileSize, '\0');
  user.Write("pro.dct", file);
  user.Write("curid.dct", std::string("\x22\x22\x22\x00", 4));
  r = Run({"profiles"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("* 2       0x222222  Two"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("game.exe"), std::string::npos);
  r = Run({"profiles", "--json"});
  EXPECT_NE(r.out.find("\"changedKeys\": 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"current\": true"), std::string::npos);

  user.Write("pro.dct", "short");
  ExpectOneLineError(Run({"profiles"}), "63980");
}

TEST_F(CliModel, MatrixEncodesTheProfileWithTheMacroLibrary) {
  std::string file = ProfileBytes(0x111111, u"One");
  file.resize(kProfileFileSize, '\0');
  user.Write("pro.dct", file);
  user.Write("Mac/Moves/Jump.mck", Rotated(MacroBytes(0x0A0B0C, u"Jump")));
  RunResult r = Run({"matrix", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  // Esc at 0, the macro in slot 1 with three loops at 5, B at 7.
  const std::string want = "\"matrix\": [" + std::to_string(0x00290000) + ", 0, 0, 0, 0, " + std::to_string(0x03010002) +
                           ", 0, " + std::to_string(0x00050000) + ", 0";
  EXPECT_NE(r.out.find(want), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"bytes\": [9, 0, 4, 128, 0, 4, 0"), std::string::npos);
  r = Run({"matrix"});
  EXPECT_NE(r.out.find("  5: 03010002"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("slot 1: macro 0x0A0B0C \"Jump\""), std::string::npos);

  // Without the macro the key cannot be encoded.
  std::remove((user.path() + "Mac/Moves/Jump.mck").c_str());
  r = Run({"matrix", "--profile", "1", "--json"});
  EXPECT_NE(r.out.find("\"text\": \"Invaild key code\""), std::string::npos) << r.out;
  for (const auto& [number, part] : {std::pair{"9", "not 9"}, std::pair{"x", "--profile"}}) {
    r = Run({"matrix", "--profile", number});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(part), std::string::npos) << r.err;
  }
}

TEST_F(CliModel, MacrosShowsTheLibraryTree) {
  user.Write("Mac/Moves/Jump.mck", Rotated(MacroBytes(0x0A0B0C, u"Jump")));
  user.Write("Mac/Fire.mck", Rotated(MacroBytes(0x010203, u"Fire")));
  user.Write("Mac/Broken.mck", "not a macro");
  RunResult r = Run({"macros"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("  [Moves]\n    Jump  id 0x0A0B0C, 2 events\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("  Fire  id 0x010203, 2 events\n"), std::string::npos);
  EXPECT_NE(r.out.find("2 macros"), std::string::npos);
  r = Run({"macros", "--json"});
  EXPECT_NE(r.out.find("\"folder\": true"), std::string::npos);
  EXPECT_NE(r.out.find("\"id\": 658188"), std::string::npos);
}
