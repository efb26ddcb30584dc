// SPDX-License-Identifier: GPL-2.0-or-later
// "import-macro FILE": takes a .mck file into the macro library, as the library's Import
// does: named after the file, with a new id, written into the macro folder (or a folder of
// the library with --folder). A name already in that folder is refused.
#include <cstdio>
#include <string>

#include "app/paths.h"
#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "cli/profile_edit_cli.h"
#include "macro/macro_library.h"
#include "macro/macro_transfer.h"
#include "platform/special_folders.h"
#include "text/text_table.h"
#include "text/utf.h"

int RunImportMacro(CliContext& ctx);
static CommandRegistrar g_importMacro{
    "import-macro", "import-macro [--folder FOLDER] FILE.mck [--json]",
    "takes a .mck file into the macro library, named after the file", RunImportMacro,
    {{"--folder", "FOLDER", "a folder of the library (A or A/B) instead of the top level (needs MacroDir=1 in cfg.ini)"},
     kJsonOption},
    "Exit status 2: the file or folder is refused and nothing is changed; exit status 1: the\n"
    "macro could not be written into the macro folder, and nothing is changed.\n"};

int RunImportMacro(CliContext& ctx) {
  const ParsedArgs& args = ctx.options;
  WordsBetween(args, 1, 1, "import-macro takes one file");
  const std::string& path = args.Words()[0];
  if (!PathFileExists(path)) return Refuse(path + " does not exist");
  std::vector<NamedMacro> items;
  std::string lockError;
  if (!ReadMacroTreeForChange(ctx, items, lockError)) return Fail(lockError);

  MacroItemPath target;
  target.isFolder = true;
  if (const auto folder = args.Value("--folder")) {
    if (ctx.settings.MacroDir == 0) return Refuse("the macro library has no folders here (MacroDir=0 in cfg.ini)");
    const NamedMacro* found = nullptr;
    for (const NamedMacro& item : items) {
      if (item.item.isFolder && SameName(*folder, item.path)) found = &item;
    }
    if (found == nullptr) return Refuse("the macro library has no folder \"" + *folder + "\"");
    target.names = found->item.names;
  }
  // The names already in the target folder: a macro named like one of them is refused.
  std::vector<std::u16string> siblings;
  for (const NamedMacro& item : items) {
    const auto& names = item.item.names;
    if (names.size() == target.names.size() + 1 && std::equal(target.names.begin(), target.names.end(), names.begin())) {
      siblings.push_back(names.back());
    }
  }
  const std::size_t before = ctx.port.messages.size();
  std::u16string title;
  bool writeFailed = false;
  const uint32_t id = Shown(ctx, ImportMacro(TheMacroLibrary(), Paths().MacroFolder(), target, siblings, path,
                                             static_cast<uint32_t>(ctx.settings.MacroHasMsKey), &title, &writeFailed));
  if (writeFailed) return Fail("the macro could not be written into " + Paths().MacroFolder() + "; nothing was imported");
  if (id == 0) {
    // The program's own message (already shown on standard error) says why.
    return Refuse(ctx.port.messages.size() > before ? "the macro was not imported" : "the macro was not imported: " + path);
  }
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("id").Int(id).Key("name").String(std::u16string_view(title));
    w.Key("folder").String(std::string_view(args.Value("--folder").value_or(""))).EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("Macro \"%s\" imported (id %s)\n", ToUtf8(title).c_str(), Hex(id, 6).c_str());
  return 0;
}
