// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli's exit-status contract and its one option parser: every command refuses a
// wrong argument with exit status 2, "tastor-cli: <message>" and the hint to its --help;
// options take "--opt value" and "--opt=value"; the options for every command and a
// command's own options go before the command's name; each --help lists the options and
// the exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "model/profile_files.h"
#include "tests/support/test_support.h"

namespace {

class CliContract : public ::testing::Test {
 protected:
  RunResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {BinDir() + "tastor-cli", "--user-dir", user_.path()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
  }
  // "command NAME WORDS..." of --help-completion, by name.
  std::map<std::string, std::string> CompletionLines() {
    std::map<std::string, std::string> lines;
    std::istringstream in(RunProgram({BinDir() + "tastor-cli", "--help-completion"}).out);
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      std::string kind, name, rest;
      if (!(words >> kind >> name) || kind != "command") continue;
      std::getline(words, rest);
      lines[name] = rest;
    }
    return lines;
  }
  void ExpectUsageError(const RunResult& r, const std::string& command, const std::string& part) {
    EXPECT_EQ(2, r.status) << command << ": " << r.err;
    EXPECT_TRUE(Has(r.err, "tastor-cli: ") && Has(r.err, part)) << command << ": " << r.err;
    const std::string help = command.empty() ? "tastor-cli --help" : "tastor-cli " + command + " --help";
    EXPECT_TRUE(Has(r.err, "Try \"" + help + "\"")) << command << ": " << r.err;
    EXPECT_EQ("", r.out) << command;
  }
  TempDir user_;
};

TEST_F(CliContract, EveryCommandRefusesAWrongArgumentWithExitTwo) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"apply", "--bogus"}, "unknown option --bogus"},
      {{"apply", "--profile", "9"}, "there are 3 profiles, not 9"},
      {{"apply", "--flags=xyz"}, "--flags needs a hexadecimal number up to FFFF, not \"xyz\""},
      {{"autostart", "sideways"}, "autostart takes one of on, off, status"},
      {{"config", "extra"}, "config takes no arguments besides --json"},
      {{"decode"}, "decode takes one file"},
      {{"devices", "--json=yes"}, "--json takes no value"},
      {{"export-macro", "Burst"}, "export-macro takes a macro name and a file"},
      {{"export-profile", "--profile", "0", "x.kbp"}, "--profile takes a number from 1 to 3, not \"0\""},
      {{"import-macro"}, "import-macro takes one file"},
      {{"import-profile", "x.kbp", "--profile"}, "--profile needs a value (--profile N)"},
      {{"key-colour", "A", "blue"}, "key-colour takes a key and on or off"},
      {{"keyname", "256"}, "\"256\" is not a key code"},
      {{"lighting", "extra"}, "lighting takes options only"},
      {{"link", "a.exe", "b.exe"}, "link takes one program name"},
      {{"macros", "--profile", "1"}, "unknown option --profile"},
      {{"matrix", "--profile=x"}, "--profile takes a number from 1 to 3, not \"x\""},
      {{"profiles", "extra"}, "profiles takes no arguments besides --json"},
      {{"rename"}, "rename takes one name"},
      {{"reset", "--json", "--json"}, "--json is given twice"},
      {{"set-key", "F1", "--combo"}, "--combo needs a value"},
      {{"set-option", "VID", "1"}, "unknown key \"VID\" (the keys: TrayIcon, ApplyNow, Debug, HookDLL, Language, Scale, StartHidden)"},
      {{"sim", "plug"}, "add --simulate"},
      {{"switch", "4"}, "switch takes the number of a profile button, 1 to 3"},
      {{"text", "extra"}, "text takes no arguments besides --json"},
      {{"udev-rule", "--install=yes"}, "--install takes no value"},
  };
  std::set<std::string> covered;
  for (const Case& c : cases) {
    ExpectUsageError(Cli(c.args), c.args.front(), c.message);
    covered.insert(c.args.front());
  }
  for (const auto& [command, words] : CompletionLines()) {
    EXPECT_TRUE(covered.count(command)) << command << " is not driven with a wrong argument here";
  }
  EXPECT_FALSE(std::filesystem::exists(user_.path() + kProfileFileName));  // nothing was written
}

TEST_F(CliContract, TheCommandLineItselfIsRefusedWithExitTwo) {
  ExpectUsageError(RunProgram({BinDir() + "tastor-cli"}), "", "no command given");
  ExpectUsageError(Cli({"frobnicate"}), "", "unknown command \"frobnicate\"");
  ExpectUsageError(Cli({"--bogus", "config"}), "", "unknown option --bogus");
  ExpectUsageError(Cli({"config", "--program-dir"}), "", "--program-dir needs a value (--program-dir DIR)");
  ExpectUsageError(Cli({"--simulate=1", "devices"}), "", "--simulate takes no value");
  // A command's option before the name of a command that has no such option.
  ExpectUsageError(Cli({"--profile", "2", "config"}), "config", "unknown option --profile");
  ExpectUsageError(Cli({"--profile", "2"}), "", "no command after --profile");
}

TEST_F(CliContract, OptionsTakeBothFormsAndGoBeforeTheCommand) {
  RunResult r = Cli({"--profile", "2", "rename", "Before"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "Profile 2 \"Profile 2\" is now named \"Before\"")) << r.out;
  r = Cli({"rename", "--profile=3", "Equals"});
  ASSERT_EQ(0, r.status) << r.err;
  r = Cli({"--profile=1", "rename", "--json", "First"});
  ASSERT_EQ(0, r.status) << r.err;
  // The options for every command, one after another and after the command, both forms.
  r = RunProgram({BinDir() + "tastor-cli", "--simulate", "--user-dir=" + user_.path(), "--lang", "de", "profiles"});
  ASSERT_EQ(0, r.status) << r.err;
  // Each listed under the number --profile took.
  for (const auto& [number, name] : {std::pair{"1", "First"}, std::pair{"2", "Before"}, std::pair{"3", "Equals"}}) {
    const std::size_t at = r.out.find(std::string(" ") + number + "       0x");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(at, r.out.find('\n', at) - at).find(name) != std::string::npos, true) << r.out;
  }
  r = RunProgram({BinDir() + "tastor-cli", "profiles", "--json", "--user-dir", user_.path()});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "\"profile\": 3,\n      \"id\"")) << r.out;
  // switch hands its number on to apply as --profile.
  r = Cli({"--simulate", "switch", "2"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "Profile 2 \"Before\"")) << r.out;
  // "--" ends the options: a program name that starts with "--".
  r = Cli({"link", "--profile", "2", "--", "--odd.exe"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "\"--odd.exe\"")) << r.out;
}

TEST_F(CliContract, EachHelpListsTheOptionsAndTheExitStatuses) {
  const RunResult top = Cli({"--help"});
  ASSERT_EQ(0, top.status);
  EXPECT_TRUE(Has(top.out, "Exit status:\n  0    done")) << top.out;
  EXPECT_TRUE(Has(top.out, "  2    usage error: an unknown command or option")) << top.out;
  // No option takes a value in one command and none in another: before the command's
  // name, main must know which it is.
  std::map<std::string, bool> takesValue;
  for (const auto& [command, words] : CompletionLines()) {
    const RunResult help = Cli({command, "--help"});
    ASSERT_EQ(0, help.status) << command;
    EXPECT_TRUE(Has(help.out, "Usage: tastor-cli ") && Has(help.out, "\nOptions:\n")) << help.out;
    EXPECT_TRUE(Has(help.out, "\nExit status:\n  0    done")) << command << ": " << help.out;
    std::istringstream in(words);
    for (std::string word; in >> word;) {
      if (word.rfind("--", 0) != 0) continue;
      const std::string name = word.substr(0, word.find('='));
      if (name == "--simulate") continue;  // the sim usage shows the option for every command
      EXPECT_TRUE(Has(help.out, "\n  " + name)) << command << " --help does not list " << name;
      const bool value = word.find('=') != std::string::npos;
      EXPECT_TRUE(!takesValue.count(name) || takesValue[name] == value) << name;
      takesValue[name] = value;
    }
  }
  // The modes and colour groups by the numbers --mode and --group take.
  const RunResult lighting = Cli({"lighting", "--help"});
  EXPECT_TRUE(Has(lighting.out, "\n   2  Breathing  (speed, brightness)\n")) << lighting.out;
  EXPECT_TRUE(Has(lighting.out, "\n   9  Custom 2  (user-defined")) << lighting.out;
  EXPECT_TRUE(Has(Cli({"lighting", "--mode", "Game", "--group", "9", "--json"}).out, "\"groupName\": \"Custom 2\""));
}

}  // namespace
