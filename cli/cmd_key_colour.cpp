// SPDX-License-Identifier: GPL-2.0-or-later
// "key-colour KEY on|off": lights a key in the profile's user-defined colour group of the
// game mode, or not, as the picker's two colour swatches do (the game colour of cfg.ini,
// or none); the panel's StoreLighting then writes the keys' colours into the group.
#include <cstdio>
#include <string>

#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "cli/profile_edit_cli.h"
#include "model/profile_edit.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"

int RunKeyColour(CliContext& ctx);
static CommandRegistrar g_keyColour{
    "key-colour", "key-colour [--profile N] KEY on|off [--json]",
    "lights a key in the profile's user-defined colour group of the game mode, or not", RunKeyColour,
    {kProfileOption, kJsonOption},
    "  KEY  the key's name as \"tastor-cli keyname\" shows it, or #N\n"
    "  on   the key takes the game colour (clrGaoshou of cfg.ini); off: no colour\n"
    "The profile must be in the game mode with a user-defined colour group: choose one with\n"
    "\"tastor-cli lighting --mode ... --group ...\". Exit status 2: refused, nothing changed.\n"};

int RunKeyColour(CliContext& ctx) {
  const ParsedArgs& args = ctx.options;
  if (args.Words().size() != 2 || (args.Words()[1] != "on" && args.Words()[1] != "off")) {
    return Refuse("key-colour takes a key and on or off (see tastor-cli key-colour --help)");
  }
  const ProfileEdit edit = OpenProfileForEdit(ctx, args.Value("--profile"));
  if (edit.profile == nullptr) return EditFailed(edit);
  const AppSettings& s = ctx.settings;
  Profile& p = *edit.profile;
  std::string error;
  const int key = FindKeyByName(ctx.settings, args.Words()[0], error);
  if (key < 0) return Refuse(error);
  if (!ColourEditingAllowed(p, s)) {
    return Refuse("key colours belong to a user-defined colour group of the game mode; " + ProfileLabel(edit) +
                  " has mode " + std::to_string(p.ledMode) + " and group " + std::to_string(p.colourGroup) +
                  " (choose one with tastor-cli lighting --mode ... --group ...)");
  }

  // The picture's colours with the key's new one, stored with the panel's state.
  const COLORREF colour = args.Words()[1] == "on" ? s.clrGaoshou : 0;
  {
    auto lock = edit.store->Lock();
    auto colours = PictureColours(p, p.ledMode, s);
    colours[static_cast<std::size_t>(key)] = colour;
    const ModeSetting m = ModeSettingOf(p, p.ledMode);
    StoreLighting(p, {p.ledMode, m.speed, m.brightness, p.colourGroup}, colours, s);
  }
  if (const int failed = SaveEditedProfiles(edit); failed != 0) return failed;
  const std::string group = ToUtf8(ColourGroupName(TextTable::Instance(), p.colourGroup));
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("profile").Int(edit.position).Key("key").Int(key);
    w.Key("keyName").String(std::u16string_view(KeyLabel(ctx.settings, key))).Key("group").Int(p.colourGroup);
    w.Key("colour").Int(colour).EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("%s: key %s is %s in colour group %d %s\n", ProfileLabel(edit).c_str(), ToUtf8(KeyLabel(ctx.settings, key)).c_str(),
              colour != 0 ? "lit" : "not lit", p.colourGroup, group.c_str());
  return 0;
}
