// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli keyname: names of virtual-key codes with the program folder's texts and KbType,
// without a display (the built-in US layout).
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

RunResult KeyNameCli(const std::string& programDir, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {BinDir() + "tastor-cli", "--program-dir", programDir, "keyname"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv, {"DISPLAY="});
}


class CliKeyName : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("cfg.ini", "[OPT]\nappdir=Tastor\nKbType=1\n");
    dir_.Write("text.xml", "<t><config><tc_space>Leertaste</tc_space><tc_click>Links</tc_click></config></t>");
  }
  TempDir dir_;
};

TEST_F(CliKeyName, NamesTheGivenCodesWithTheProgramFoldersTextsAndVariant) {
  const RunResult r = KeyNameCli(dir_.path(), {"0x59", "32", "0xf0", "0xFD", "0xFF"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Layout: built-in US (no X display)\nKbType: 1\n"
            "0x59  Z\n0x20  Leertaste\n0xF0  Links\n0xFD  Enter\n0xFF  \n");

  const RunResult json = KeyNameCli(dir_.path(), {"89", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_TRUE(Has(json.out, "\"kbType\": 1")) << json.out;
  EXPECT_TRUE(Has(json.out, "\"code\": 89,\n      \"name\": \"Z\"")) << json.out;
}

TEST_F(CliKeyName, WithoutCodesListsEveryNamedCode) {
  const RunResult r = KeyNameCli(dir_.path(), {});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "\n0x08  Backspace\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "\n0x41  A\n"));
  EXPECT_TRUE(Has(r.out, "\n0xFA  Fn\n"));
  // Codes without a name are left out.
  EXPECT_FALSE(Has(r.out, "0xFF"));
  EXPECT_FALSE(Has(r.out, "0x00"));
}

TEST_F(CliKeyName, RejectsWhatIsNotAKeyCode) {
  for (const char* bad : {"256", "0x100", "-1", "A", "0x"}) {
    const RunResult r = KeyNameCli(dir_.path(), {bad});
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_TRUE(Has(r.err, "is not a key code")) << bad << ": " << r.err;
  }
}

}  // namespace
