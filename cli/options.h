// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli's one option parser and its exit-status contract. Every command declares its
// options (CliOption) when it registers; main parses the command's arguments with them
// before the command runs, so that every command takes "--opt value" and "--opt=value",
// flags, positional words and range-checked numbers alike and refuses the same way:
// "tastor-cli: <message>" and a hint to --help on standard error, exit status 2. Main also
// uses the same lists to print each command's --help, the manual page and the completion words.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The exit statuses of every command.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;  // the keyboard, a file or the device failed or refused
constexpr int kExitUsage = 2;   // the command line (or a name or value on it) is refused

// One line for each exit status, as --help, the command helps and the manual page say them.
struct ExitStatusText {
  int status;
  const char* text;
};
inline constexpr ExitStatusText kExitStatusTexts[] = {
    {kExitDone, "done: the command did what it was asked"},
    {kExitFailed,
     "failed: no usable keyboard, a keyboard that refused a report, a file that could not be read or "
     "written; the message says why"},
    {kExitUsage,
     "usage error: an unknown command or option, a missing or bad value, a number out of range, extra "
     "arguments, or a name (key, macro, mode, language) that is not there; nothing was changed"},
};

// The program's three profile buttons: "--profile N" and "switch N" take 1 to 3, and the
// store always holds three profiles (the start-up rule makes or drops profiles to three).
constexpr int kProfileCount = 3;

// An option of a command (or of every command). value is the placeholder of the value it
// takes ("N", "FILE"), or null for a flag. An option with lowest < highest takes a whole
// number in [lowest, highest]; `counted` names what the number counts ("profiles"), for
// the message when it lies beyond them.
struct CliOption {
  const char* name;
  const char* value;
  const char* help;
  int lowest = 0;
  int highest = 0;
  const char* counted = nullptr;
  bool Numeric() const { return lowest < highest; }
};

// The options most commands share (constants, so that the commands' registrars, run
// before main, can copy them).
inline constexpr CliOption kProfileOption{"--profile", "N", "the profile, 1 to 3 (default: the current one)", 1,
                                           kProfileCount, "profiles"};
inline constexpr CliOption kJsonOption{"--json", nullptr, "prints the result as one JSON object"};

// The command line refused: main prints "tastor-cli: <what>" and the --help hint and ends
// with exit status 2. Commands throw it for arguments they check themselves (a count of
// words, a choice, a combination of options).
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command's arguments parsed by its options: options and flags in any order among
// the positional words; "--" ends the options. --help or -h asks for the help. The first
// refusal is kept (ok() false, error()).
class ParsedArgs {
 public:
  ParsedArgs() = default;
  ParsedArgs(const std::vector<std::string>& args, const std::vector<CliOption>& options);
  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  bool HelpAsked() const { return help_; }
  std::optional<std::string> Value(std::string_view option) const;
  // A numeric option's value (checked against its range while parsing), or `absent`.
  int Number(std::string_view option, int absent) const;
  bool Flag(std::string_view option) const;
  const std::vector<std::string>& Words() const { return words_; }
  // Gives an option a value as if it had been typed ("switch N" runs apply's --profile).
  void Set(const std::string& option, const std::string& value) { values_[option] = value; }

 private:
  std::map<std::string, std::string, std::less<>> values_;
  std::vector<std::string> flags_;
  std::vector<std::string> words_;
  std::string error_;
  bool help_ = false;
};

// "--name=value" split into the name and the value; no value when there is no "=".
std::pair<std::string, std::optional<std::string>> SplitOption(const std::string& arg);
// Whether a word is an option ("--name", "--name=value"); "--" alone and "-x" are not.
bool LooksLikeOption(const std::string& arg);
// The option of that name in the list, or null.
const CliOption* FindOption(const std::vector<CliOption>& options, std::string_view name);
// A whole number in [lowest, highest] written in decimal, nothing around it.
bool ParseWholeNumber(const std::string& text, int lowest, int highest, int& value);

// "  --profile N   the profile ..." lines for a help text, the help aligned in one column.
std::string OptionLines(const std::vector<CliOption>& options);
// One item of a help list: "  TERM" and the help from `column` on, wrapped at the width of
// the help texts and continued under that column; a term too long for its column keeps two
// blanks before the help.
std::string WrappedItem(const std::string& term, const std::string& help, std::size_t column);

// The positional words, when there are `fewest` to `most` of them; otherwise UsageError
// with the message.
const std::vector<std::string>& WordsBetween(const ParsedArgs& args, std::size_t fewest, std::size_t most,
                                             const std::string& message);
// The one positional word when it is one of the choices; otherwise UsageError with the message.
const std::string& OneOf(const ParsedArgs& args, const std::vector<std::string>& choices, const std::string& message);
