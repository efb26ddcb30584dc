// SPDX-License-Identifier: GPL-2.0-or-later
// "export-profile FILE": writes a profile with the macros its keys use into a .kbp file, as
// the profile menu's Export does.
#include <cstdio>
#include <string>

#include "cli/cmd_model_output.h"
#include "cli/profile_edit_cli.h"
#include "macro/macro_library.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "platform/special_folders.h"

int RunExportProfile(CliContext& ctx);
static CommandRegistrar g_exportProfile{
    "export-profile", "export-profile [--profile N] [--force] FILE.kbp",
    "writes a profile and the macros its keys use into a .kbp file", RunExportProfile,
    {kProfileOption, {"--force", nullptr, "replace FILE when it exists"}}};

int RunExportProfile(CliContext& ctx) {
  const ParsedArgs& args = ctx.options;
  WordsBetween(args, 1, 1, "export-profile takes one file");
  const std::string& path = args.Words()[0];
  if (PathFileExists(path) && !args.Flag("--force")) return Refuse(path + " exists; --force replaces it");
  const ProfileEdit edit = OpenProfileForEdit(ctx, args.Value("--profile"), nullptr, false);
  if (edit.profile == nullptr) return EditFailed(edit);
  // The export takes the current profile; the choice lasts for this command only.
  edit.store->SetCurrent(edit.profile->id);
  if (Shown(ctx, ExportProfile(*edit.store, TheMacroLibrary(), path)) != 1) return Fail("nothing was exported");
  std::printf("%s exported to %s\n", ProfileLabel(edit).c_str(), path.c_str());
  return 0;
}
