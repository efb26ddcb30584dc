// SPDX-License-Identifier: GPL-2.0-or-later
// "import-profile FILE": reads a .kbp file over a profile, as the profile menu's Import
// does (the profile keeps its id and name; the macros the file carries join the library).
// pro.dct is replaced whole; when it cannot be, the macro files the import wrote are
// removed again (exit status 1). The user data folder is locked for the whole command.
#include <cstdio>
#include <string>

#include "app/paths.h"
#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "cli/profile_edit_cli.h"
#include "macro/macro_library.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "platform/special_folders.h"
#include "text/utf.h"

int RunImportProfile(CliContext& ctx);
static CommandRegistrar g_importProfile{
    "import-profile", "import-profile [--profile N] FILE.kbp [--json]",
    "reads a .kbp file over a profile; the macros it carries join the library", RunImportProfile,
    {kProfileOption, kJsonOption},
    "The profile keeps its name and id. Exit status 2: the file is refused and nothing is changed;\n"
    "exit status 1: the profile or its macros could not be saved, and nothing is changed.\n"};

int RunImportProfile(CliContext& ctx) {
  const ParsedArgs& args = ctx.options;
  WordsBetween(args, 1, 1, "import-profile takes one file");
  const std::string& path = args.Words()[0];
  if (!PathFileExists(path)) return Refuse(path + " does not exist");
  const ProfileEdit edit = OpenProfileForEdit(ctx, args.Value("--profile"));
  if (edit.profile == nullptr) return EditFailed(edit);
  edit.store->SetCurrent(edit.profile->id);
  std::vector<ImportedMacro> macros;
  const int imported = Shown(ctx, ImportProfile(*edit.store, TheMacroLibrary(), path, Paths().MacroFolder(),
                                                ctx.settings, static_cast<uint32_t>(ctx.settings.MacroHasMsKey),
                                                &macros));
  if (imported == kImportWriteFailed) {
    return Fail("the macros of " + path + " could not be written into " + Paths().MacroFolder() +
                "; nothing was changed");
  }
  if (imported != 1) return Refuse("nothing was imported");
  if (const int failed = SaveEditedProfiles(edit); failed != 0) {
    // The profile is not saved: the macros it brought go again, so nothing is left behind.
    RemoveImportedMacros(TheMacroLibrary(), Paths().MacroFolder(), macros);
    return failed;
  }
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("profile").Int(edit.position).Key("macros").BeginArray();
    for (const ImportedMacro& m : macros) {
      w.BeginObject().Key("fileId").Int(m.fileId).Key("id").Int(m.libraryId).Key("added").Bool(m.added);
      w.Key("name").String(std::u16string_view(m.name)).EndObject();
    }
    w.EndArray().EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("%s imported from %s\n", ProfileLabel(edit).c_str(), path.c_str());
  for (const ImportedMacro& m : macros) {
    if (m.added) std::printf("  new macro \"%s\" (id %s)\n", ToUtf8(m.name).c_str(), Hex(m.libraryId, 6).c_str());
  }
  return 0;
}
