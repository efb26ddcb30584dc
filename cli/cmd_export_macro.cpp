// SPDX-License-Identifier: GPL-2.0-or-later
// "export-macro NAME FILE": copies a macro of the library into a .mck file, as the macro
// library's Export does.
#include <cstdio>
#include <string>

#include "app/paths.h"
#include "cli/profile_edit_cli.h"
#include "macro/macro_transfer.h"
#include "platform/special_folders.h"
#include "text/utf.h"

int RunExportMacro(CliContext& ctx);
static CommandRegistrar g_exportMacro{
    "export-macro", "export-macro [--force] NAME FILE.mck",
    "copies a macro of the library (by name, or Folder/Name) into a .mck file", RunExportMacro,
    {{"--force", nullptr, "replace FILE when it exists"}},
    "  NAME  the macro, by its name or Folder/Name; \"tastor-cli macros\" lists the library\n"};

int RunExportMacro(CliContext& ctx) {
  const ParsedArgs& args = ctx.options;
  WordsBetween(args, 2, 2, "export-macro takes a macro name and a file");
  const std::string& path = args.Words()[1];
  if (PathFileExists(path) && !args.Flag("--force")) return Refuse(path + " exists; --force replaces it");
  const std::vector<NamedMacro> macros = ReadMacroTree(ctx);
  std::string error;
  const NamedMacro* macro = FindMacroByName(macros, args.Words()[0], error);
  if (macro == nullptr) return Refuse(error);
  if (ExportMacro(Paths().MacroFolder(), macro->item, path) != 1) return Fail("cannot write " + path);
  std::printf("Macro \"%s\" exported to %s\n", ToUtf8(macro->path).c_str(), path.c_str());
  return 0;
}
