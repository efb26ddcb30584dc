// SPDX-License-Identifier: GPL-2.0-or-later
// "lighting": shows or changes a profile's lighting as the lighting panel does: choosing a
// mode (its group counts as edited), the colour group of the game mode, and the speed and
// brightness sliders, each stored with StoreLighting. pro.dct is replaced whole.
#include <cstdio>
#include <string>

#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "cli/profile_edit_cli.h"
#include "model/profile_edit.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

void Print(const AppSettings& s, const ProfileEdit& edit, bool json) {
  const Profile& p = *edit.profile;
  const ModeSetting m = ModeSettingOf(p, p.ledMode);
  const ModeControls controls = ControlsOfMode(p.ledMode, s);
  const std::u16string modeName = TextTable::Instance().LedModeName(p.ledMode);
  const std::u16string groupName = ColourGroupName(TextTable::Instance(), p.colourGroup);
  if (json) {
    JsonWriter w;
    w.BeginObject().Key("profile").Int(edit.position).Key("mode").Int(p.ledMode);
    w.Key("modeName").String(std::u16string_view(modeName));
    w.Key("speed").Int(m.speed).Key("hasSpeed").Bool(controls.speed);
    w.Key("brightness").Int(m.brightness).Key("hasBrightness").Bool(controls.brightness);
    w.Key("brightnessText").String(std::u16string_view(BrightnessText(m.brightness, s)));
    w.Key("game").Bool(controls.game).Key("group").Int(p.colourGroup);
    w.Key("groupName").String(std::u16string_view(groupName)).EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return;
  }
  std::printf("%s: lighting mode %d %s", ProfileLabel(edit).c_str(), p.ledMode, ToUtf8(modeName).c_str());
  if (controls.speed) std::printf(", speed %d", m.speed);
  if (controls.brightness) std::printf(", brightness %d (%s)", m.brightness, ToUtf8(BrightnessText(m.brightness, s)).c_str());
  if (controls.game) std::printf(", colour group %d %s", p.colourGroup, ToUtf8(groupName).c_str());
  std::printf("\n");
}

// The modes and colour groups of this keyboard with the numbers --mode and --group take,
// read from cfg.ini and the texts as the lighting panel lists them.
void PrintChoices(CliContext& ctx) {
  try {
    LoadProgramData(ctx);
  } catch (const CommandFailure& failure) {
    std::printf("The modes and colour groups are listed when cfg.ini can be read: %s\n", failure.what());
    return;
  }
  const AppSettings& s = ctx.settings;
  // One item a line, "  NUMBER  NAME", and what else the item has after two blanks; the
  // shell completions read the names from here.
  std::printf("Lighting modes (--mode, by number or name):\n");
  for (const ChoiceItem& item : LightingModeItems(TextTable::Instance(), s)) {
    const ModeControls c = ControlsOfMode(item.value, s);
    std::string has;
    for (const auto& [on, what] : {std::pair{c.speed, "speed"}, std::pair{c.brightness, "brightness"},
                                    std::pair{c.game, "colour groups"}}) {
      if (on) has += (has.empty() ? "" : ", ") + std::string(what);
    }
    std::printf("  %2d  %s%s\n", item.value, ToUtf8(item.text).c_str(), has.empty() ? "" : ("  (" + has + ")").c_str());
  }
  std::printf("Colour groups of the game mode (--group, by number or name):\n");
  for (const ChoiceItem& item : ColourGroupItems(TextTable::Instance(), s)) {
    std::printf("  %2d  %s%s\n", item.value, ToUtf8(item.text).c_str(),
                item.value >= s.ColorCustomIndex ? "  (user-defined: key-colour sets its keys)" : "");
  }
  std::printf("The numbers are the indices the profile stores, counted from 0 as GaoshouIndex and\n"
              "ColorCustomIndex of cfg.ini count them; group N has the keys of GaoshouKey<N+1>.\n"
              "Speed %d to %d, brightness %d to %d (SpeedVal and LightVal of cfg.ini).\n",
              s.SpeedVal.x, s.SpeedVal.y, s.LightVal.x, s.LightVal.y);
}

}  // namespace

int RunLighting(CliContext& ctx);
static CommandRegistrar g_lighting{
    "lighting", "lighting [--profile N] [--mode M] [--group G] [--speed S] [--brightness B] [--json]",
    "shows a profile's lighting, or sets its mode, colour group, speed and brightness", RunLighting,
    {kProfileOption,
     {"--mode", "M", "a lighting mode by its name as the program shows it, or its number (listed below)"},
     {"--group", "G", "the colour group of the game mode, by its name or number (listed below)"},
     {"--speed", "S", "the mode's speed, within SpeedVal of cfg.ini (modes with a speed)"},
     {"--brightness", "B", "the mode's brightness, within LightVal of cfg.ini (modes with one)"},
     kJsonOption},
    "Without a change it shows the lighting. The profile is saved in pro.dct;\n"
    "\"tastor-cli apply\" writes it into the keyboard. Exit status 2: refused, nothing changed.\n",
    PrintChoices};

int RunLighting(CliContext& ctx) {
  const ParsedArgs& args = ctx.options;
  WordsBetween(args, 0, 0, "lighting takes options only (see tastor-cli lighting --help)");
  const bool change = args.Value("--mode") || args.Value("--group") || args.Value("--speed") || args.Value("--brightness");
  // Only showing the lighting reads, and takes no lock.
  const ProfileEdit edit = OpenProfileForEdit(ctx, args.Value("--profile"), nullptr, change);
  if (edit.profile == nullptr) return EditFailed(edit);
  const AppSettings& s = ctx.settings;
  Profile& p = *edit.profile;
  if (!change) {
    Print(ctx.settings, edit, ctx.json);
    return 0;
  }

  // Every value is checked before the profile is touched, so refused input changes nothing.
  std::string error;
  int mode = p.ledMode;
  if (const auto text = args.Value("--mode")) {
    mode = FindLightingMode(ctx.settings, *text, error);
    if (mode < 0) return Refuse(error);
  }
  const ModeControls controls = ControlsOfMode(mode, s);
  const std::string modeName = ToUtf8(TextTable::Instance().LedModeName(mode));
  int group = p.colourGroup;
  if (const auto text = args.Value("--group")) {
    if (!controls.game) return Refuse("colour groups belong to the game mode; mode \"" + modeName + "\" has none");
    group = FindColourGroup(ctx.settings, *text, error);
    if (group < 0) return Refuse(error);
  }
  const ModeSetting current = ModeSettingOf(p, mode);
  int speed = current.speed, brightness = current.brightness;
  if (const auto text = args.Value("--speed")) {
    if (!controls.speed) return Refuse("mode \"" + modeName + "\" has no speed");
    if (!ParseNumber(*text, s.SpeedVal.x, s.SpeedVal.y, speed)) {
      return Refuse("the speed is " + std::to_string(s.SpeedVal.x) + " to " + std::to_string(s.SpeedVal.y) +
                    ", not \"" + *text + "\"");
    }
  }
  if (const auto text = args.Value("--brightness")) {
    if (!controls.brightness) return Refuse("mode \"" + modeName + "\" has no brightness");
    if (!ParseNumber(*text, s.LightVal.x, s.LightVal.y, brightness)) {
      return Refuse("the brightness is " + std::to_string(s.LightVal.x) + " to " + std::to_string(s.LightVal.y) +
                    ", not \"" + *text + "\"");
    }
  }

  {
    auto lock = edit.store->Lock();
    // Choosing a mode: the panel shows the profile's values for it and the group counts as
    // edited; then each change is stored as the panel stores it.
    if (args.Value("--mode")) {
      MarkColourGroupEdited(p);
      StoreLighting(p, {mode, current.speed, current.brightness, p.colourGroup}, PictureColours(p, mode, s), s);
    }
    if (args.Value("--group")) p.colourGroup = static_cast<uint16_t>(group);
    if (args.Value("--speed") || args.Value("--brightness")) {
      StoreLighting(p, {mode, speed, brightness, p.colourGroup}, PictureColours(p, mode, s), s);
    }
  }
  if (const int failed = SaveEditedProfiles(edit); failed != 0) return failed;
  Print(ctx.settings, edit, ctx.json);
  return 0;
}
