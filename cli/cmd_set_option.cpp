// SPDX-License-Identifier: GPL-2.0-or-later
// "set-option KEY VALUE" and "set-option KEY --unset": one of the user's switches in the
// user's settings file ($XDG_CONFIG_HOME/Tastor/settings.ini), which overrides
// /etc/tastor/cfg.ini and the cfg.ini beside the program key by key. The value is checked
// by the rules the reader applies (base/user_settings.h); the program takes it at its next
// start.
#include <cstdio>
#include <string>

#include "app/text_language.h"
#include "base/user_settings.h"
#include "base/user_settings_file.h"
#include "cli/cli.h"
#include "text/utf.h"

namespace {

constexpr CliOption kUnsetOption{"--unset", nullptr,
                                 "removes the user's value of KEY, so that /etc/tastor/cfg.ini or cfg.ini decides again"};

std::string KeyList() {
  std::string keys;
  for (const UserSwitchInfo& info : UserSwitches()) keys += std::string(keys.empty() ? "" : ", ") + info.name;
  return keys;
}

void PrintKeys(CliContext&) {
  std::printf("Keys (case does not matter) and their values:\n");
  for (const UserSwitchInfo& info : UserSwitches()) {
    std::fputs(WrappedItem(info.name, std::string("takes ") + info.allowed + "; " + info.help, 15).c_str(), stdout);
  }
}

// "set-option TrayIcon|ApplyNow|... VALUE|--unset": the keys as choices, so that the help,
// the manual page and the completions name them.
std::string Usage() {
  std::string keys;
  for (const UserSwitchInfo& info : UserSwitches()) keys += std::string(keys.empty() ? "" : "|") + info.name;
  return "set-option " + keys + " VALUE|--unset";
}
const std::string kUsage = Usage();

}  // namespace

int RunSetOption(CliContext& ctx);
static CommandRegistrar g_setOption{
    "set-option", kUsage.c_str(),
    "sets one of the user's switches in $XDG_CONFIG_HOME/Tastor/settings.ini", RunSetOption, {kUnsetOption},
    "The user's settings file overrides /etc/tastor/cfg.ini, which overrides the cfg.ini beside\n"
    "the program, key by key; only the switches below may be set there, never the keyboard's\n"
    "description. The file keeps its other lines and comments. The program reads it when it\n"
    "starts; \"tastor-cli config\" shows where each value comes from.\n",
    PrintKeys};

int RunSetOption(CliContext& ctx) {
  const bool unset = ctx.options.Flag(kUnsetOption.name);
  const auto& words = unset ? WordsBetween(ctx.options, 1, 1, "set-option --unset takes the key alone")
                            : WordsBetween(ctx.options, 2, 2, "set-option takes a key and a value, or a key and --unset");
  const UserSwitchInfo* info = FindUserSwitch(FromUtf8(words[0]));
  if (info == nullptr) throw UsageError("unknown key \"" + words[0] + "\" (the keys: " + KeyList() + ")");
  std::u16string value;
  if (!unset) {
    value = FromUtf8(words[1]);
    if (const char* why = UserSwitchValueProblem(info->id, value)) {
      throw UsageError(std::string(info->name) + "=" + PrintableValue(value) + " is refused: " + why);
    }
    value = CanonicalValue(info->id, value);
    if (info->id == UserSwitch::kLanguage) {
      // A language the program has no texts for would only fall back to the locale.
      if (!ChooseTextFile(ctx.programFolder, ToUtf8(value), {}).ok) {
        std::string available = "en";
        for (const std::string& code : AvailableLanguages(ctx.programFolder)) {
          if (code != "en") available += ", " + code;
        }
        throw UsageError("no translation \"" + ToUtf8(value) + "\" in " + TranslationsFolder(ctx.programFolder) +
                         " (Language takes one of " + available + ")");
      }
    }
  }
  const std::string path = UserSettingsPath();
  if (path.empty()) return Fail("no settings folder: neither XDG_CONFIG_HOME nor HOME names an absolute folder");
  bool changed = false;
  const std::string error = WriteUserSwitch(path, info->id, unset ? std::nullopt : std::optional<std::u16string_view>(value),
                                            &changed);
  if (!error.empty()) return Fail(error + "; nothing was changed");
  if (unset) {
    std::printf("%s: %s (%s)\n", info->name, changed ? "the user's value removed" : "the user's file sets none", path.c_str());
  } else {
    std::printf("%s=%s in %s%s\n", info->name, ToUtf8(value).c_str(), path.c_str(), changed ? "" : " (as it was)");
  }
  if (changed) std::printf("A running Tastor takes it when it starts again.\n");
  return 0;
}
