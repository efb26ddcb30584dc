// SPDX-License-Identifier: GPL-2.0-or-later
// The help of tastor-cli in other forms: the manual page (--help-man) names every command
// of the registry and every general option that --help names, and renders without a
// warning; the bash completion, sourced into a real bash, completes commands, options,
// choices, key names, languages and the macros of the user data folder on the line.
#include <gtest/gtest.h>

#include <sstream>

#include "macro/macro_record.h"
#include "tests/support/test_support.h"

namespace {

RunResult Cli(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {BinDir() + "tastor-cli"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv);
}

// The commands "tastor-cli --help-completion" lists.
std::vector<std::string> Commands() {
  std::istringstream lines(Cli({"--help-completion"}).out);
  std::vector<std::string> commands;
  std::string kind, name;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    if (words >> kind >> name && kind == "command") commands.push_back(name);
  }
  return commands;
}

TEST(HelpFormats, CompletionWordsComeFromTheUsageLines) {
  const RunResult r = Cli({"--help-completion"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ(0u, r.out.rfind("global --program-dir=DIR --user-dir=DIR --lang=CODE --simulate --version --help\n", 0))
      << r.out;
  EXPECT_TRUE(Has(r.out, "\ncommand set-key --profile=N KEY --combo=TEXT --media=NAME --macro=NAME --default --json\n"))
      << r.out;
  // A bracket ends an option: the name after "[--force]" is an argument of its own.
  EXPECT_TRUE(Has(r.out, "\ncommand export-macro --force NAME FILE.mck\n"));
  EXPECT_TRUE(Has(r.out, "\ncommand sim --simulate plug|unplug|status\n"));
  EXPECT_TRUE(Has(r.out, "\ncommand keyname CODE... --json\n"));
}

TEST(HelpFormats, TheManualPageHoldsEveryCommandAndOptionOfTheHelp) {
  const RunResult page = Cli({"--help-man"});
  ASSERT_EQ(0, page.status) << page.err;
  EXPECT_EQ(0u, page.out.rfind(".TH TASTOR\\-CLI 1 ", 0)) << page.out.substr(0, 80);
  const std::vector<std::string> commands = Commands();
  ASSERT_GE(commands.size(), 20u);
  for (const std::string& command : commands) {
    std::string roff;
    for (char c : command) roff += c == '-' ? std::string("\\-") : std::string(1, c);
    EXPECT_TRUE(Has(page.out, ".TP\n\\fB" + roff) || Has(page.out, "sim plug|unplug|status")) << command;
  }
  const RunResult help = Cli({"--help"});
  for (const char* option : {"--program-dir DIR", "--user-dir DIR", "--lang CODE", "--simulate"}) {
    ASSERT_TRUE(Has(help.out, option)) << option;
    std::string roff;
    for (const char* c = option; *c != 0; ++c) roff += *c == '-' ? std::string("\\-") : std::string(1, *c);
    EXPECT_TRUE(Has(page.out, ".TP\n\\fB" + roff + "\\fR\n")) << option;
  }

  if (!OnPath("man")) GTEST_SKIP() << "man is missing (scripts/setup.sh installs man-db)";
  TempDir dir;
  const std::string file = dir.Write("tastor-cli.1", page.out);
  const RunResult shown = RunProgram({"/bin/sh", "-c", "man --warnings -E UTF-8 -l '" + file + "'"},
                                     {"MANWIDTH=80", "LC_ALL=C.UTF-8", "MANPAGER=cat", "PAGER=cat"});
  EXPECT_EQ(0, shown.status) << shown.err;
  EXPECT_EQ("", shown.err);
  EXPECT_TRUE(Has(shown.out, "autostart on|off|status [--json]")) << shown.out.substr(0, 400);
}

class BashCompletion : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OnPath("bash")) GTEST_SKIP() << "bash is missing";
    // A library with a macro at the top and two of one name in folders.
    for (const auto& [file, id, name] : {std::tuple{"Burst.mck", 0x123456u, u"Burst"},
                                        std::tuple{"Work/Same.mck", 0x111111u, u"Same"},
                                        std::tuple{"Games/Same.mck", 0x222222u, u"Same"}}) {
      const auto image = MacroFileImage(MakeDefaultMacro(id, name));
      user_.Write(std::string("Mac/") + file, std::string(image.begin(), image.end()));
    }
  }
  // What the completion offers for the words, the last one being completed: one line,
  // the candidates each followed by "|".
  std::string Complete(const std::vector<std::string>& words) {
    std::string script =
        "source \"$1\" || exit 3\n"
        "binding=$(complete -p tastor-cli) || exit 4\n"
        "fn=${binding#*-F }; fn=${fn%% *}\n"
        "shift\n"
        "COMP_WORDS=(\"$@\"); COMP_CWORD=$(( $# - 1 )); COMP_LINE=\"$*\"; COMP_POINT=${#COMP_LINE}; COMPREPLY=()\n"
        "\"$fn\" tastor-cli \"${COMP_WORDS[COMP_CWORD]}\" \"${COMP_WORDS[COMP_CWORD-1]}\"\n"
        "printf '%s|' \"${COMPREPLY[@]}\"\n";
    std::vector<std::string> argv = {"/bin/bash", "--norc", "--noprofile", "-c", script, "bash",
                                     SourceDir() + "packaging/completions/tastor-cli.bash"};
    argv.insert(argv.end(), words.begin(), words.end());
    const RunResult r = RunProgram(argv, {"PATH=" + BinDir() + ":/usr/bin:/bin"});
    EXPECT_EQ(0, r.status) << r.err;
    return r.out;
  }
  TempDir user_;
};

TEST_F(BashCompletion, RegistersItselfAndCompletesCommandsAndOptions) {
  const std::string all = Complete({"tastor-cli", ""});
  for (const std::string& command : Commands()) EXPECT_TRUE(Has(all, command + "|")) << command << ": " << all;
  EXPECT_EQ("autostart|", Complete({"tastor-cli", "au"}));
  EXPECT_EQ("--program-dir|--user-dir|--lang|--simulate|--version|--help|", Complete({"tastor-cli", "--"}));
  EXPECT_EQ("--media|--macro|", Complete({"tastor-cli", "set-key", "--m"}));
  // After the options of every command and their values the command is still found.
  EXPECT_EQ("--profile|--flags|--help|", Complete({"tastor-cli", "--user-dir", user_.path(), "--simulate", "apply", "--"}));
  EXPECT_EQ("on|off|status|", Complete({"tastor-cli", "autostart", ""}));
  EXPECT_EQ("on|off|", Complete({"tastor-cli", "key-colour", "--profile", "2", "F1", ""}));
  // "--profile=2" as bash splits it, and a command's option before the command.
  EXPECT_EQ("on|off|", Complete({"tastor-cli", "key-colour", "--profile", "=", "2", "F1", ""}));
  EXPECT_EQ("on|off|", Complete({"tastor-cli", "--profile", "2", "key-colour", "F1", ""}));
  EXPECT_EQ("1|2|3|", Complete({"tastor-cli", "rename", "--profile", "=", ""}));
  // Modes and colour groups by the names "lighting --help" lists.
  EXPECT_EQ("Breathing|", Complete({"tastor-cli", "lighting", "--mode", "Br"}));
  EXPECT_EQ("Custom\\ 1|Custom\\ 2|", Complete({"tastor-cli", "lighting", "--group", "Custom\\ "}).substr(0, 20));
  EXPECT_EQ("plug|unplug|status|", Complete({"tastor-cli", "--simulate", "sim", ""}));
  EXPECT_EQ("de|en|", Complete({"tastor-cli", "--lang", ""}));
}

TEST_F(BashCompletion, CompletesKeyNamesAndTheMacrosOfTheUserFolderOnTheLine) {
  // Key names as "tastor-cli keyname" prints them, quoted for the line.
  const std::string keys = Complete({"tastor-cli", "set-key", "Num"});
  EXPECT_TRUE(Has(keys, "Num\\ 1|")) << keys;
  EXPECT_TRUE(Has(keys, "NumLock|")) << keys;
  EXPECT_EQ("F1|F10|F11|F12|", Complete({"tastor-cli", "set-key", "F1", "--combo", "F1"}));
  // Macros by name and by Folder/Name, from the --user-dir given.
  const std::string macros = Complete({"tastor-cli", "--user-dir", user_.path(), "set-key", "F1", "--macro", ""});
  for (const char* macro : {"Burst|", "Same|", "Games/Same|", "Work/Same|"}) {
    EXPECT_TRUE(Has(macros, macro)) << macro << " in " << macros;
  }
  EXPECT_EQ("Burst|", Complete({"tastor-cli", "--user-dir", user_.path(), "export-macro", "B"}));
  EXPECT_EQ("Games/Same|", Complete({"tastor-cli", "--user-dir", user_.path(), "export-macro", "G"}));
}

}  // namespace
