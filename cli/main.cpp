// SPDX-License-Identifier: GPL-2.0-or-later
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/paths.h"
#include "app/startup.h"
#include "app/text_language.h"
#include "app/version.h"
#include "base/log.h"
#include "base/settings.h"
#include "cli/cli.h"
#include "cli/help_formats.h"
#include "cli/json_writer.h"
#include "platform/special_folders.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

std::vector<CommandInfo>& Registry() {
  static std::vector<CommandInfo> commands;
  return commands;
}

// The options that go with every command, before the command's name or among its
// arguments. --json belongs to the commands that list it.
const std::vector<CliOption>& GlobalOptions() {
  static const std::vector<CliOption> options = {
      {"--program-dir", "DIR", "where cfg.ini, text.xml and skins/ are read (default: the folder of this program)"},
      {"--user-dir", "DIR", "the user data folder (default: as the program builds it)"},
      {"--lang", "CODE",
       "read the texts of translations/CODE/text.xml (en: text.xml); default: the language of LANGUAGE, "
       "LC_ALL, LC_MESSAGES or LANG"},
      {"--simulate", nullptr, "talk to the simulated keyboard instead of a real one"},
  };
  return options;
}

// The command being run, for the hint after a refusal ("" before one is known).
std::string g_commandName;

void PrintWrapped(std::FILE* out, const std::string& term, const std::string& help, std::size_t column) {
  std::fputs(WrappedItem(term, help, column).c_str(), out);
}

void PrintExitStatuses(std::FILE* out) {
  std::fputs("Exit status:\n", out);
  for (const ExitStatusText& e : kExitStatusTexts) PrintWrapped(out, std::to_string(e.status), e.text, 7);
}

void PrintUsage(std::FILE* out) {
  std::fputs(
      "Usage: tastor-cli [--program-dir DIR] [--user-dir DIR] [--lang CODE] [--simulate] COMMAND [ARGS]\n"
      "       tastor-cli --version\n"
      "       tastor-cli COMMAND --help\n"
      "\n"
      "Options for every command:\n",
      out);
  for (const CliOption& o : GlobalOptions()) {
    PrintWrapped(out, std::string(o.name) + (o.value != nullptr ? std::string(" ") + o.value : ""), o.help, 21);
  }
  std::fputs(
      "\nThey go before the command or among its arguments; a command's own options may come before\n"
      "its name too. Every option takes its value as \"--opt value\" or \"--opt=value\"; \"--\" ends the\n"
      "options. Profiles are numbered 1 to 3.\n"
      "\nCommands:\n",
      out);
  // A usage too long for its column stands on a line of its own, the summary below it.
  for (const CommandInfo& c : RegisteredCommands()) {
    if (std::strlen(c.usage) <= 36) {
      std::fprintf(out, "  %-36s %s\n", c.usage, c.summary);
    } else {
      std::fprintf(out, "  %s\n  %-36s %s\n", c.usage, "", c.summary);
    }
  }
  std::fputs("\n", out);
  PrintExitStatuses(out);
}

void PrintCommandHelp(CliContext& ctx, const CommandInfo& c) {
  std::printf("Usage: tastor-cli %s\n\n%s\n", c.usage, c.summary);
  std::vector<CliOption> options = c.options;
  options.push_back({"--help", nullptr, "prints this help"});
  std::printf("\nOptions:\n%s", OptionLines(options).c_str());
  std::printf("  and the options for every command (tastor-cli --help)\n");
  if (c.details != nullptr) std::printf("\n%s", c.details);
  if (c.moreHelp != nullptr) {
    std::printf("\n");
    c.moreHelp(ctx);
  }
  std::printf("\n");
  PrintExitStatuses(stdout);
}

// A refused command line: the message, the hint, exit status 2.
int Usage(const std::string& text) {
  std::fprintf(stderr, "tastor-cli: %s\n", text.c_str());
  const std::string help = g_commandName.empty() ? "tastor-cli --help" : "tastor-cli " + g_commandName + " --help";
  std::fprintf(stderr, "Try \"%s\" for the usage.\n", help.c_str());
  return kExitUsage;
}

const CommandInfo* FindCommand(const std::string& name) {
  for (const CommandInfo& c : Registry()) {
    if (name == c.name) return &c;
  }
  return nullptr;
}

// A command's option given before the command's name: that option as any command has it.
const CliOption* AnyCommandOption(const std::string& name) {
  for (const CommandInfo& c : Registry()) {
    if (const CliOption* o = FindOption(c.options, name)) return o;
  }
  return nullptr;
}

}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, const char* summary, CommandFn run,
                                   std::vector<CliOption> options, const char* details, HelpFn moreHelp) {
  Registry().push_back({name, usage, summary, run, std::move(options), details, moreHelp});
}

std::vector<CommandInfo> RegisteredCommands() {
  std::vector<CommandInfo> commands = Registry();
  std::sort(commands.begin(), commands.end(),
            [](const CommandInfo& a, const CommandInfo& b) { return std::strcmp(a.name, b.name) < 0; });
  return commands;
}

int CollectingWindowPort::MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption,
                                     unsigned type) {
  messages.push_back({std::u16string(caption), std::u16string(text)});
  return ConsoleWindowPort::MessageBox(owner, text, caption, type);
}

std::string TextFilePath(const CliContext& ctx) {
  // The Language switch as the settings have it, also for a command that reads no cfg.ini.
  const std::u16string language = ctx.programDataLoaded
                                      ? ctx.settings.Language
                                      : ReadUserSwitch(ctx.programFolder, UserSwitch::kLanguage).value_or(u"");
  const std::string from = ctx.programDataLoaded ? ctx.settings.OriginOf(UserSwitch::kLanguage).path : "";
  return ChooseTextFile(ctx.programFolder, ctx.language, ToUtf8(language), from, EnvironmentLanguage()).path;
}

void LoadProgramData(CliContext& ctx) {
  if (ctx.programDataLoaded) return;
  Paths().programFolder = ctx.programFolder;
  std::string failure;
  std::vector<std::string> overrideProblems;
  const int loaded = DataInit(ctx.programFolder, ctx.settings, &failure, &overrideProblems);
  ctx.programDataLoaded = true;
  if (!loaded) throw CommandFailure(failure);
  // The texts follow the settings' Language when --lang is not given.
  TextTable::Instance().Load(TextFilePath(ctx));
  ApplyTitleDefault(ctx.settings);
  // An override that could not be used is told, as the program's start tells it, and the
  // command goes on with the values below it.
  if (!overrideProblems.empty()) {
    std::string text;
    for (const std::string& line : overrideProblems) text += (text.empty() ? "" : "\n") + line;
    Windows().MessageBox(nullptr, FromUtf8(text), u"Warning", MB_OK | MB_ICONWARNING);
  }
}

void ShowUserMessage(const CliContext& ctx, const UserMessage& message) {
  Windows().MessageBox(nullptr, message.Text(), ctx.settings.Title, MB_OK);
}

void PrepareUserFolder(CliContext& ctx) { MakeUserDataFolder(ctx.settings, ctx.userDir); }

void WriteMessagesJson(JsonWriter& w, const CliContext& ctx) {
  w.Key("messages").BeginArray();
  for (const auto& msg : ctx.port.messages) {
    w.BeginObject().Key("caption").String(std::u16string_view(msg.caption)).Key("text").String(std::u16string_view(msg.text)).EndObject();
  }
  w.EndArray();
}

int Fail(const std::string& text) {
  std::fprintf(stderr, "tastor-cli: %s\n", text.c_str());
  return 1;
}

int Refuse(const std::string& text) { return Usage(text); }

int main(int argc, char** argv) {
  CliContext ctx;
  ctx.programFolder = ProgramFolder();
  std::string commandName;
  bool commandFound = false;
  std::vector<std::string> early;  // a command's options given before its name
  bool optionsOver = false;        // after "--" every word is the command's
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsOver || (commandFound && arg == "--")) {
      optionsOver = true;
      ctx.args.push_back(arg);
      continue;
    }
    const auto [name, inlineValue] = SplitOption(arg);
    if (const CliOption* global = LooksLikeOption(arg) ? FindOption(GlobalOptions(), name) : nullptr) {
      std::string value;
      if (global->value == nullptr) {
        if (inlineValue) return Usage(name + " takes no value");
      } else if (inlineValue) {
        value = *inlineValue;
      } else if (i + 1 < argc && !LooksLikeOption(argv[i + 1])) {
        value = argv[++i];
      } else {
        return Usage(name + " needs a value (" + name + " " + global->value + ")");
      }
      if (global->value != nullptr && value.empty()) return Usage(name + " needs a value (" + name + " " + global->value + ")");
      if (name == "--program-dir") {
        ctx.programFolder = WithTrailingSlash(value);
      } else if (name == "--user-dir") {
        ctx.userDir = WithTrailingSlash(value);
      } else if (name == "--lang") {
        ctx.language = value;
      } else {
        ctx.simulate = true;
      }
      continue;
    }
    if (commandFound) {
      ctx.args.push_back(arg);
      continue;
    }
    if (arg == "--version") {
      std::printf("tastor-cli %s\n", TastorVersion());
      return 0;
    }
    if (arg == "--help-man" || arg == "--help-completion") return PrintHelpFormat(arg, PrintUsage);
    if (arg == "--help" || arg == "-h") {
      PrintUsage(stdout);
      return 0;
    }
    if (LooksLikeOption(arg)) {
      // A command's own option before its name ("--profile 2 rename X"): taken with its
      // value, and checked by the command's options once the command is known.
      const CliOption* option = AnyCommandOption(name);
      if (option == nullptr) return Usage("unknown option " + name);
      early.push_back(arg);
      if (option->value != nullptr && !inlineValue && i + 1 < argc && !LooksLikeOption(argv[i + 1]) &&
          FindCommand(argv[i + 1]) == nullptr) {
        early.push_back(argv[++i]);
      }
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') return Usage("unknown option " + arg);
    commandName = arg;
    commandFound = true;
  }
  if (!commandFound) {
    return Usage(early.empty() ? "no command given" : "no command after " + early.front());
  }
  const CommandInfo* command = FindCommand(commandName);
  if (command == nullptr) return Usage("unknown command \"" + commandName + "\"");
  g_commandName = command->name;
  ctx.args.insert(ctx.args.begin(), early.begin(), early.end());
  ctx.options = ParsedArgs(ctx.args, command->options);
  if (ctx.options.HelpAsked()) {
    PrintCommandHelp(ctx, *command);
    return 0;
  }
  if (!ctx.options.ok()) return Usage(ctx.options.error());
  ctx.json = ctx.options.Flag(kJsonOption.name);
  if (!ctx.language.empty()) {
    const TextChoice choice = ChooseTextFile(ctx.programFolder, ctx.language, {});
    if (!choice.ok) {
      std::string available;
      for (const std::string& code : AvailableLanguages(ctx.programFolder)) available += " " + code;
      return Refuse(choice.reason + " in " + TranslationsFolder(ctx.programFolder) +
                    " (languages there:" + (available.empty() ? std::string(" none") : available) + ")");
    }
  }
  SetWindowPort(&ctx.port);
  int status = kExitFailed;
  try {
    status = command->run(ctx);
  } catch (const UsageError& refused) {
    status = Usage(refused.what());
  } catch (const CommandFailure& failure) {
    status = Fail(failure.what());
  }
  SetWindowPort(nullptr);
  return status;
}
