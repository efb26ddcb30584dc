// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli devices: the keyboards the program would talk to (udev-rule, the rule that
// lets a user open them, is tested with its probe in test_udev_probe.cpp).
#include <gtest/gtest.h>

#include "tests/support/test_support.h"

namespace {

const std::vector<std::string> kCleanSimulator = {
    "TASTOR_SIM_DIR=",         "TASTOR_SIM_ABSENT=",         "TASTOR_SIM_KEYBOARDS=",
    "TASTOR_SIM_NO_CONSUMER=", "TASTOR_SIM_PRODUCT=",        "TASTOR_SIM_FAIL_TRANSFERS=",
    "TASTOR_SIM_NO_PERMISSION="};

RunResult Cli(const TempDir& user, std::vector<std::string> args, std::vector<std::string> env = {}) {
  std::vector<std::string> argv = {BinDir() + "tastor-cli", "--user-dir", user.path()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> fullEnv = kCleanSimulator;
  fullEnv.insert(fullEnv.end(), env.begin(), env.end());
  return RunProgram(argv, fullEnv);
}


}  // namespace

TEST(CliDevices, ListsTheSimulatedKeyboardWithItsInterfaces) {
  TempDir user;
  const RunResult r = Cli(user, {"--simulate", "devices"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Keyboard VID_2F68&PID_0A17")) << r.out;
  EXPECT_TRUE(Has(r.out, "Keyboards attached: 1"));
  EXPECT_TRUE(Has(r.out, "505  key matrix (report 9)"));
  EXPECT_TRUE(Has(r.out, "42  lighting (report 10)"));
  EXPECT_TRUE(Has(r.out, "127  colour group (report 11)"));
  EXPECT_TRUE(Has(r.out, "1921  macro buffer (report 12)"));
  EXPECT_TRUE(Has(r.out, "0x000C      0x0001       3"));
  EXPECT_TRUE(Has(r.out, "product \"Tastor TK-105\""));

  const RunResult json = Cli(user, {"--simulate", "devices", "--json"}, {"TASTOR_SIM_KEYBOARDS=2"});
  EXPECT_EQ(json.status, 0);
  EXPECT_TRUE(Has(json.out, "\"count\": 2")) << json.out;
  EXPECT_TRUE(Has(json.out, "\"keyboard\": 2"));
  EXPECT_TRUE(Has(json.out, "\"featureLength\": 1921"));
  EXPECT_TRUE(Has(json.out, "\"result\": \"found\""));
}

TEST(CliDevices, SaysClearlyWhenNoKeyboardIsAttached) {
  TempDir user;
  // The real library on a machine without the keyboard.
  const RunResult real = Cli(user, {"devices"});
  EXPECT_EQ(real.status, 1);
  EXPECT_TRUE(Has(real.err, "no keyboard with VID_2F68&PID_0A17")) << real.err;
  EXPECT_TRUE(Has(real.out, "Keyboards attached: 0"));

  const RunResult absent = Cli(user, {"--simulate", "devices", "--json"}, {"TASTOR_SIM_ABSENT=1"});
  EXPECT_EQ(absent.status, 1);
  EXPECT_TRUE(Has(absent.out, "\"result\": \"absent\""));
  EXPECT_TRUE(Has(absent.err, "no keyboard"));
}

TEST(CliDevices, NamesMissingPermissionAndPointsToTheUdevRule) {
  TempDir user;
  const RunResult r = Cli(user, {"--simulate", "devices"}, {"TASTOR_SIM_NO_PERMISSION=1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Has(r.err, "is attached, but this user has no permission to open it")) << r.err;
  EXPECT_TRUE(Has(r.err, "tastor-cli udev-rule"));
  EXPECT_TRUE(Has(r.out, "Keyboards attached: 1"));
}
