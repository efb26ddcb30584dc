// SPDX-License-Identifier: GPL-2.0-or-later
// "set-key KEY FUNCTION": gives a key of a profile a new function, as the key function
// picker and the main window do (StoreKeyFunction): a key or combination by name, a media
// or application function by its name in the picker's list, a macro of the library by
// name, or the key's default. Locked keys (KeyNotSet) and a macro beyond the keyboard's
// macro slots are refused; pro.dct is replaced whole.
#include <cstdio>
#include <string>
#include <vector>

#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "cli/profile_edit_cli.h"
#include "macro/macro_library.h"
#include "macro/macro_limits.h"
#include "model/key_names.h"
#include "model/key_pick.h"
#include "model/profile_edit.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

// The picker's media item with that caption; 0 and the captions there are when none.
uint32_t FindMediaCode(const std::string& name, std::string& error) {
  std::string names;
  for (const MediaPickItem& item : MediaPickItems()) {
    const std::u16string caption = MediaPickCaption(item, TextTable::Instance());
    if (SameName(name, caption)) return item.code;
    names += (names.empty() ? "\"" : ", \"") + ToUtf8(caption) + "\"";
  }
  error = "\"" + name + "\" is no media function; the media functions are " + names;
  return 0;
}

}  // namespace

int RunSetKey(CliContext& ctx);
static CommandRegistrar g_setKey{
    "set-key", "set-key [--profile N] KEY --combo TEXT|--media NAME|--macro NAME|--default [--json]",
    "gives a key of a profile a key combination, a media function, a macro or its default", RunSetKey,
    {kProfileOption,
     {"--combo", "TEXT", "a key or combination: L-Ctrl + A, Ctrl+Shift+F5, R-Alt + Num 1, B"},
     {"--media", "NAME", "a media or application function as the picker lists it (Volume up, Mute, ...)"},
     {"--macro", "NAME", "a macro of the library by name, or by Folder/Name when names repeat"},
     {"--default", nullptr, "the key's own function from cfg.ini"},
     kJsonOption},
    "  KEY  the key's name as \"tastor-cli keyname\" shows it (A, F1, Num 1, L_Ctrl, Space),\n"
    "       or #N with its index in the key table of cfg.ini\n"
    "The profile is saved in pro.dct; \"tastor-cli apply\" writes it into the keyboard.\n"
    "Exit status 2: the key, function or profile is refused and nothing is changed.\n"};

int RunSetKey(CliContext& ctx) {
  const ParsedArgs& args = ctx.options;
  WordsBetween(args, 1, 1, "set-key takes one key (see tastor-cli set-key --help)");
  const int choices = (args.Value("--combo") ? 1 : 0) + (args.Value("--media") ? 1 : 0) +
                      (args.Value("--macro") ? 1 : 0) + (args.Flag("--default") ? 1 : 0);
  if (choices != 1) return Refuse("set-key takes one of --combo, --media, --macro and --default");

  std::vector<NamedMacro> macros;
  const ProfileEdit edit = OpenProfileForEdit(ctx, args.Value("--profile"), &macros);
  if (edit.profile == nullptr) return EditFailed(edit);
  const AppSettings& s = ctx.settings;
  std::string error;
  const int key = FindKeyByName(ctx.settings, args.Words()[0], error);
  if (key < 0) return Refuse(error);
  if (IsKeyLocked(s.KeyNotSet, s.KeyTable, key)) {
    return Refuse("the key \"" + ToUtf8(KeyLabel(ctx.settings, key)) + "\" keeps its function on this keyboard (KeyNotSet)");
  }

  // What the picker's OK gives for the same choice.
  KeyFunction function = edit.profile->keys[static_cast<std::size_t>(key)];
  PickerChoice choice;
  if (args.Flag("--default")) {
    function = s.KeyTable.keys[static_cast<std::size_t>(key)];
  } else if (const auto combo = args.Value("--combo")) {
    choice.page = PAGE_KEYS;
    if (!ParseCombination(ctx.settings, *combo, choice.combination.modifiers, choice.combination.key1, choice.combination.key2,
                          error)) {
      return Refuse(error);
    }
  } else if (const auto media = args.Value("--media")) {
    choice.page = PAGE_MEDIA;
    choice.mediaCode = FindMediaCode(*media, error);
    if (choice.mediaCode == 0) return Refuse(error);
  } else {
    const NamedMacro* macro = FindMacroByName(macros, *args.Value("--macro"), error);
    if (macro == nullptr) return Refuse(error);
    choice.page = PAGE_MACRO;
    choice.macroId = static_cast<int32_t>(macro->item.macroId);
  }
  // Only a combination can come out empty; the picker then says tc_msg3 and keeps the key.
  if (choice.page != PAGE_NONE && !PickedFunction(choice, function)) {
    return Refuse("\"" + *args.Value("--combo") + "\" names no key");
  }

  const StoreResult result =
      StoreKeyFunction(*edit.profile, key, function, s.KeyTable, TheMacroLibrary(), Limits().bufferCount);
  if (result == StoreResult::kMacroLimit) {
    return Refuse(ToUtf8(TextTable::Instance().tc_msg8) + " (the profile's macros fill the keyboard's " +
                  std::to_string(Limits().bufferCount) + " macro slots)");
  }
  if (result == StoreResult::kNothing) return Refuse("the profile cannot be changed");
  if (result == StoreResult::kStored) {
    if (const int failed = SaveEditedProfiles(edit); failed != 0) return failed;
  }
  const KeyFunction& stored = edit.profile->keys[static_cast<std::size_t>(key)];
  const std::u16string name = FunctionName(stored, KeyNaming::For(ctx.settings));
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject()
        .Key("profile").Int(edit.position)
        .Key("key").Int(key)
        .Key("keyName").String(std::u16string_view(KeyLabel(ctx.settings, key)))
        .Key("changed").Bool(result == StoreResult::kStored)
        .Key("function").String(std::u16string_view(name))
        .Key("code").Int(stored.code)
        .EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("%s: key %s %s %s\n", ProfileLabel(edit).c_str(), ToUtf8(KeyLabel(ctx.settings, key)).c_str(),
              result == StoreResult::kStored ? "is now" : "already is", ToUtf8(name).c_str());
  return 0;
}
