// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/help_formats.h"

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "app/man_page.h"
#include "app/version.h"
#include "cli/cli.h"

namespace {

// What "--help" says before the commands: the synopsis lines and the general options.
struct UsageParts {
  std::vector<std::string> synopsis;  // "tastor-cli [--program-dir DIR] ... COMMAND [ARGS]"
  std::vector<ManItem> options;       // "--lang CODE" and its text
};

std::string Captured(UsagePrinter printUsage) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = ::open_memstream(&buffer, &size);
  if (out == nullptr) return {};
  printUsage(out);
  std::fclose(out);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The first block ("Usage: ..." and the lines under it) and the "Options for every command:"
// block, whose items start "  --name VALUE  text" and go on on lines indented further.
UsageParts ParseUsage(const std::string& usage) {
  UsageParts parts;
  std::istringstream in(usage);
  std::string line;
  bool inSynopsis = true, inOptions = false;
  while (std::getline(in, line)) {
    if (inSynopsis) {
      if (line.empty()) {
        inSynopsis = false;
        continue;
      }
      if (line.rfind("Usage:", 0) == 0) line = line.substr(6);
      parts.synopsis.push_back(Trimmed(line));
      continue;
    }
    if (line.rfind("Options for every command:", 0) == 0) {
      inOptions = true;
      continue;
    }
    if (!inOptions) continue;
    if (Trimmed(line).empty()) break;
    if (line.rfind("  --", 0) == 0) {
      const std::size_t gap = line.find("  ", 2);
      ManItem item;
      item.term = line.substr(2, gap == std::string::npos ? std::string::npos : gap - 2);
      if (gap != std::string::npos) item.text = Trimmed(line.substr(gap));
      parts.options.push_back(item);
    } else if (!parts.options.empty()) {
      parts.options.back().text += " " + Trimmed(line);
    }
  }
  return parts;
}

bool IsPlaceholder(const std::string& token) {
  return !token.empty() && std::isupper(static_cast<unsigned char>(token[0]));
}

int ManPageOut(const UsageParts& parts) {
  ManPage page;
  page.name = "tastor-cli";
  page.summary = "configure a USB gaming keyboard from the command line";
  page.version = TastorVersion();
  page.date = TastorReleaseDate();
  page.synopsis = parts.synopsis;

  page.sections.push_back(ManSection{
      "Description",
      {"tastor-cli does the work of Tastor's windows without them. It shows the settings, the texts, the stored "
       "profiles and the macro library as the program reads them (as one JSON object with --json), changes "
       "profiles with the rules and the atomic saves of the windows, and writes a profile into the keyboard. "
       "Names are those the program shows: the key names of \"tastor-cli keyname\" and the texts of text.xml.",
       "\"tastor-cli COMMAND --help\" describes each command."},
      {}});
  page.sections.push_back(ManSection{
      "Options",
      {"These options go with every command, before the command's name or among its arguments. A command's "
       "own options may come before its name too. Every option takes its value as \"--opt value\" or "
       "\"--opt=value\"; \"--\" ends the options. Profiles are numbered 1 to 3."},
      parts.options});
  ManSection commands{"Commands", {}, {}};
  for (const CommandInfo& c : RegisteredCommands()) {
    commands.items.push_back({c.usage, c.summary, OptionLines(c.options) + (c.details != nullptr ? c.details : "")});
  }
  page.sections.push_back(commands);
  ManSection exits{"Exit status", {"Every command ends with one of these."}, {}};
  for (const ExitStatusText& e : kExitStatusTexts) exits.items.push_back({std::to_string(e.status), e.text, ""});
  page.sections.push_back(exits);
  page.sections.push_back(ManSection{
      "Environment",
      {},
      {{"LANGUAGE", "a colon-separated list of languages tried in order for the texts, unless the locale is C or POSIX", ""},
       {"LC_ALL, LC_MESSAGES, LANG", "the locale whose language chooses the texts, the first one set", ""},
       {"XDG_DATA_HOME", "the application-data folder that holds the user data folder (default ~/.local/share)", ""},
       {"XDG_CONFIG_HOME",
        "holds Tastor/settings.ini, the user's settings that \"set-option\" writes, and autostart/, where "
        "\"autostart on\" writes its entry (default ~/.config)",
        ""},
       {"TASTOR_SYSTEM_SETTINGS", "the system-wide settings file read instead of /etc/tastor/cfg.ini", ""},
       {"TASTOR_SIM_DIR", "the memory folder of the simulated keyboard (--simulate); README.md lists the variables "
                          "that inject its faults",
        ""}}});
  page.sections.push_back(ManSection{
      "Files",
      {},
      {{"cfg.ini, text.xml, skins/, translations/LANG/text.xml",
        "in the program folder: the keyboard's settings, the texts, the window images and the translations", ""},
       {"/etc/tastor/cfg.ini", "the system's values of the user's switches (TrayIcon, ApplyNow, Debug, HookDLL, "
                               "Language, Scale, StartHidden) over cfg.ini",
        ""},
       {"$XDG_CONFIG_HOME/Tastor/settings.ini", "the user's values of the same switches, over both", ""},
       {"$XDG_DATA_HOME/APPDIR/", "the user data folder: pro.dct and curid.dct (the profiles), Mac/ (the macros)", ""}}});
  page.sections.push_back(ManSection{"See also", {"tastor(1)"}, {}});
  std::fputs(RenderManPage(page).c_str(), stdout);
  return 0;
}

// The words of one usage line ("set-key [--profile N] KEY --combo TEXT|--default"), one
// string: options, "=VALUE" after those that take a value, and the positional arguments as
// written ("--profile=N KEY --combo=TEXT --default"). The command's own name is left out.
std::string CompletionWords(const std::string& name, const std::string& usage) {
  // Brackets become words of their own, and "|" before an option separates two options
  // ("--combo TEXT|--media NAME"); "on|off" stays one word of choices.
  std::string spaced;
  for (std::size_t i = 0; i < usage.size(); ++i) {
    const char c = usage[i];
    if (c == '[' || c == ']') {
      spaced += std::string(" ") + c + " ";
    } else if (c == '|' && i + 1 < usage.size() && usage[i + 1] == '-') {
      spaced += ' ';
    } else {
      spaced += c;
    }
  }
  std::vector<std::string> tokens;
  std::istringstream in(spaced);
  for (std::string token; in >> token;) tokens.push_back(token);
  std::string words;
  auto add = [&words](const std::string& word) { words += (words.empty() ? "" : " ") + word; };
  bool nameSeen = name.empty();
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    const std::string& token = tokens[i];
    if (token == "[" || token == "]" || token == "tastor-cli") continue;
    if (!nameSeen && token == name) {
      nameSeen = true;
      continue;
    }
    if (token.rfind("--", 0) == 0) {
      // A value belongs to its option only inside the same brackets: "[--force] NAME".
      if (i + 1 < tokens.size() && IsPlaceholder(tokens[i + 1]) && tokens[i + 1] != "COMMAND") {
        add(token + "=" + tokens[++i]);
      } else {
        add(token);
      }
      continue;
    }
    if (name.empty()) continue;  // the general synopsis: only its options count
    add(token);
  }
  return words;
}

// One line of global words, then one line per command: its name and CompletionWords.
int CompletionOut(const UsageParts& parts) {
  std::string global;
  for (const std::string& line : parts.synopsis) {
    const std::string words = CompletionWords("", line);
    std::istringstream in(words);
    std::string word;
    while (in >> word) {
      if (word.rfind("--", 0) == 0 && (" " + global + " ").find(" " + word + " ") == std::string::npos) {
        global += (global.empty() ? "" : " ") + word;
      }
    }
  }
  std::printf("global %s\n", global.c_str());
  for (const CommandInfo& c : RegisteredCommands()) {
    std::string words = CompletionWords(c.name, c.usage);
    // An option the usage line leaves out is offered all the same.
    for (const CliOption& o : c.options) {
      const std::string word = std::string(o.name) + (o.value != nullptr ? std::string("=") + o.value : "");
      if ((" " + words + " ").find(" " + word + " ") == std::string::npos) words += (words.empty() ? "" : " ") + word;
    }
    std::printf("command %s%s%s\n", c.name, words.empty() ? "" : " ", words.c_str());
  }
  return 0;
}

}  // namespace

int PrintHelpFormat(const std::string& option, UsagePrinter printUsage) {
  const UsageParts parts = ParseUsage(Captured(printUsage));
  if (parts.synopsis.empty() || parts.options.empty()) {
    std::fputs("tastor-cli: the usage text has no synopsis or no \"Options for every command:\" block\n", stderr);
    return 1;
  }
  if (option == "--help-man") return ManPageOut(parts);
  return CompletionOut(parts);
}
