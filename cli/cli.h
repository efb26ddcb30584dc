// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli: the program's data and its main job without windows. Each command is one
// function over the common context; options common to every command are parsed first.
#pragma once

#include <stdexcept>
#include <utility>
#include <string>
#include <vector>

#include "base/settings.h"
#include "base/user_folder_lock.h"
#include "base/user_message.h"
#include "base/window_port.h"
#include "cli/options.h"

// Message boxes print "Caption: text" on standard error and are kept, in the order they
// arose, for commands that report them.
class CollectingWindowPort : public ConsoleWindowPort {
 public:
  struct Message {
    std::u16string caption;
    std::u16string text;
  };
  int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) override;
  std::vector<Message> messages;
};

struct CliContext {
  std::string programFolder;  // where cfg.ini, text.xml and skins/ are read, ending with "/"
  std::string userDir;        // the user data folder when given with --user-dir
  std::string language;       // --lang CODE: the translation to read ("en": text.xml)
  bool simulate = false;      // talk to the simulated keyboard
  bool json = false;              // --json, for the commands that have it
  std::vector<std::string> args;  // the command's own arguments as typed
  ParsedArgs options;             // the same parsed by the command's option list
  CollectingWindowPort port;
  // cfg.ini as this run read it (LoadProgramData); the commands pass it to the core.
  AppSettings settings;
  // Held by a command that changes the user data folder, from before it reads the folder
  // until the command ends (LoadUserDataForChange).
  UserFolderLock userFolderLock;
  bool programDataLoaded = false;  // LoadProgramData ran (it reads the files once)
};

// The text table the program reads for the context: text.xml or the translation that
// --lang or the locale chooses.
std::string TextFilePath(const CliContext& ctx);
// A command that cannot go on: main prints "tastor-cli: <what>" and ends with exit status 1.
class CommandFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loads the text table (TextFilePath) and cfg.ini from the program folder exactly as
// start-up does, once per run. When cfg.ini cannot be read the command ends there
// (CommandFailure: "cannot read cfg.ini at PATH: reason"), before anything is written.
void LoadProgramData(CliContext& ctx);
// Builds (and creates one level of) the user data folder as start-up does.
void PrepareUserFolder(CliContext& ctx);

class JsonWriter;
// Writes the member "messages": the message boxes collected so far, each with its caption
// and text.
void WriteMessagesJson(JsonWriter& w, const CliContext& ctx);

// What the core reported, as the message boxes of the program show it: "Title: text" on
// standard error (collected for --json like every box). The command then ends with its
// exit status.
void ShowUserMessage(const CliContext& ctx, const UserMessage& message);
template <typename T>
T Shown(const CliContext& ctx, Reported<T> result) {
  if (result.message) ShowUserMessage(ctx, *result.message);
  return std::move(result.value);
}

// Prints "tastor-cli: <text>" on standard error and returns exit status 1.
int Fail(const std::string& text);
// The same for input the command refuses (a bad name, value or option), with the hint to
// the command's --help: exit status 2.
int Refuse(const std::string& text);

// A command registers itself from its own file:
//   static CommandRegistrar reg{"config", "config [--json]", "what it does", RunConfig, {kJsonOption}};
// Main parses the command's arguments with its options into ctx.options before it runs;
// "COMMAND --help" prints the usage, the summary, the options, the details, what
// moreHelp prints (lists read from the program data) and the exit statuses.
using CommandFn = int (*)(CliContext&);
using HelpFn = void (*)(CliContext&);
struct CommandInfo {
  const char* name;
  const char* usage;
  const char* summary;
  CommandFn run;
  std::vector<CliOption> options;
  const char* details;  // more lines for "COMMAND --help" (arguments, notes), or null
  HelpFn moreHelp;      // or null
};
struct CommandRegistrar {
  CommandRegistrar(const char* name, const char* usage, const char* summary, CommandFn run,
                   std::vector<CliOption> options = {}, const char* details = nullptr, HelpFn moreHelp = nullptr);
};
// Every registered command, sorted by name.
std::vector<CommandInfo> RegisteredCommands();
