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

void PrintUsage(std::FILE* out) {
  std::fputs(
      "Usage: tastor-cli [--program-dir DIR] [--user-dir DIR] [--lang CODE] [--simulate] COMMAND [ARGS]\n"
      "       tastor-cli --version\n"
      "       tastor-cli COMMAND --help\n"
      "\n"
      "Options for every command:\n"
      "  --program-dir DIR  where cfg.ini, text.xml and skins/ are read (default: the\n"
      "                     folder of this program)\n"
      "  --user-dir DIR     the user data folder (default: as the program builds it)\n"
      "  --lang CODE        read the texts of translations/CODE/text.xml (en: text.xml);\n"
      "                     default: the language of LC_ALL, LC_MESSAGES or LANG\n"
      "  --simulate         talk to the simulated keyboard instead of a real one\n"
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
}

// "COMMAND --help" (or -h) asks for the command's own help instead of running it.
bool HelpAsked(const CliContext& ctx) {
  for (const std::string& arg : ctx.args) {
    if (arg == "--help" || arg == "-h") return true;
  }
  return false;
}

}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, const char* usage, const char* summary, CommandFn run,
                                   const char* details) {
  Registry().push_back({name, usage, summary, run, details});
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
  return ChooseTextFile(ctx.programFolder, ctx.language, EnvironmentLanguage()).path;
}

void LoadProgramData(CliContext& ctx) {
  if (ctx.programDataLoaded) return;
  ctx.programDataLoaded = true;
  Paths().programFolder = ctx.programFolder;
  TextTable::Instance().Load(TextFilePath(ctx));
  std::string failure;
  if (!DataInit(ctx.programFolder, ctx.settings, &failure)) throw CommandFailure(failure);
  ApplyTitleDefault(ctx.settings);
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

int Refuse(const std::string& text) {
  Fail(text);
  return 2;
}

int main(int argc, char** argv) {
  CliContext ctx;
  ctx.programFolder = ProgramFolder();
  const char* commandName = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--program-dir" || arg == "--user-dir") {
      if (!hasValue) return Fail(arg + " needs a folder");
      (arg == "--program-dir" ? ctx.programFolder : ctx.userDir) = WithTrailingSlash(argv[++i]);
    } else if (arg == "--lang") {
      if (!hasValue) return Refuse("--lang needs a language code, for example de");
      ctx.language = argv[++i];
    } else if (arg == "--version" && commandName == nullptr) {
      std::printf("tastor-cli %s\n", TastorVersion());
      return 0;
    } else if (arg == "--simulate") {
      ctx.simulate = true;
    } else if (arg == "--json") {
      ctx.json = true;
    } else if ((arg == "--help-man" || arg == "--help-completion") && commandName == nullptr) {
      return PrintHelpFormat(arg, PrintUsage);
    } else if ((arg == "--help" || arg == "-h") && commandName == nullptr) {
      PrintUsage(stdout);
      return 0;
    } else if (commandName == nullptr && arg.rfind("--", 0) != 0) {
      commandName = argv[i];
    } else {
      ctx.args.push_back(arg);
    }
  }
  if (commandName == nullptr) {
    PrintUsage(stderr);
    return 2;
  }
  if (!ctx.language.empty()) {
    const TextChoice choice = ChooseTextFile(ctx.programFolder, ctx.language, {});
    if (!choice.ok) {
      std::string available;
      for (const std::string& code : AvailableLanguages(ctx.programFolder)) available += " " + code;
      return Refuse(choice.reason + " in " + TranslationsFolder(ctx.programFolder) +
                    " (languages there:" + (available.empty() ? std::string(" none") : available) + ")");
    }
  }
  for (const CommandInfo& c : RegisteredCommands()) {
    if (std::strcmp(c.name, commandName) == 0) {
      if (HelpAsked(ctx)) {
        std::printf("Usage: tastor-cli %s\n\n%s\n", c.usage, c.summary);
        if (c.details != nullptr) std::printf("\n%s", c.details);
        return 0;
      }
      SetWindowPort(&ctx.port);
      int status = 1;
      try {
        status = c.run(ctx);
      } catch (const CommandFailure& failure) {
        status = Fail(failure.what());
      }
      SetWindowPort(nullptr);
      return status;
    }
  }
  std::fprintf(stderr, "tastor-cli: unknown command \"%s\"\n\n", commandName);
  PrintUsage(stderr);
  return 2;
}
