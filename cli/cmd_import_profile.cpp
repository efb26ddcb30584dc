// SPDX-License-Identifier: GPL-2.0-or-later
// "import-profile FILE": reads a .kbp file over a profile, as the profile menu's Import
// does (the profile keeps its id and name; the macros the file carries join the library).
// pro.dct is replaced whole.
#include <cstdio>
#include <string>

#include "app/paths.h"
#include "app/settings.h"
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
    "  --profile N  the profile (1, 2, 3, ...); default: the current one\n"
    "The profile keeps its name and id. Exit status 2: the file is refused and nothing is changed.\n"};

int RunImportProfile(CliContext& ctx) {
  const CommandArgs args(ctx.args, {"--profile"}, {});
  if (!args.ok()) return Refuse(args.error());
  if (args.Words().size() != 1) return Refuse("import-profile takes one file");
  const std::string& path = args.Words()[0];
  if (!PathFileExists(path)) return Refuse(path + " does not exist");
  const ProfileEdit edit = OpenProfileForEdit(ctx, args.Value("--profile"));
  if (edit.profile == nullptr) return Refuse(edit.error);
  edit.store->SetCurrent(edit.profile->id);
  std::vector<ImportedMacro> macros;
  if (ImportProfile(*edit.store, TheMacroLibrary(), path, Paths().MacroFolder(),
                    static_cast<uint32_t>(Settings().MacroHasMsKey), nullptr, &macros) != 1) {
    return Refuse("nothing was imported");
  }
  if (const int failed = SaveEditedProfiles(edit); failed != 0) return failed;
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
