// SPDX-License-Identifier: GPL-2.0-or-later
// "reset": gives a profile its defaults back, as the Reset button does before it applies:
// every key its function from cfg.ini and the default lighting; the name and id stay.
// pro.dct is replaced whole; "tastor-cli apply" writes the profile into the keyboard.
#include <cstdio>

#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "cli/profile_edit_cli.h"
#include "model/profile_store.h"

int RunReset(CliContext& ctx);
static CommandRegistrar g_reset{"reset", "reset [--profile N] [--json]",
                                "gives a profile its default key functions and lighting back", RunReset,
                                {kProfileOption, kJsonOption}};

int RunReset(CliContext& ctx) {
  const ParsedArgs& args = ctx.options;
  WordsBetween(args, 0, 0, "reset takes no arguments besides --profile and --json");
  const ProfileEdit edit = OpenProfileForEdit(ctx, args.Value("--profile"));
  if (edit.profile == nullptr) return EditFailed(edit);
  {
    auto lock = edit.store->Lock();
    ResetProfileToDefaults(*edit.profile, ctx.settings);
  }
  if (const int failed = SaveEditedProfiles(edit); failed != 0) return failed;
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("profile").Int(edit.position).Key("id").Int(edit.profile->id).Key("reset").Bool(true).EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("%s has its default key functions and lighting again\n", ProfileLabel(edit).c_str());
  return 0;
}
