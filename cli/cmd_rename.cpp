// SPDX-License-Identifier: GPL-2.0-or-later
// "rename NAME": a profile's new name, as the program shows it on the profile buttons (at
// most 19 characters). pro.dct is replaced whole.
#include <cstdio>
#include <string>

#include "cli/cmd_model_output.h"
#include "cli/profile_edit_cli.h"
#include "model/profile_store.h"
#include "text/utf.h"

int RunRename(CliContext& ctx);
static CommandRegistrar g_rename{"rename", "rename [--profile N] NAME [--json]",
                                 "gives a profile a new name (at most 19 characters)", RunRename,
                                 {kProfileOption, kJsonOption},
                                 "Exit status 2: the name or profile is refused and nothing is changed.\n"};

int RunRename(CliContext& ctx) {
  const ParsedArgs& args = ctx.options;
  WordsBetween(args, 1, 1, "rename takes one name (quote a name with blanks)");
  const std::u16string name = FromUtf8(args.Words()[0]);
  if (name.find_first_not_of(u" \t") == std::u16string::npos) return Refuse("a profile needs a name");
  if (name.size() >= kProfileNameChars) {
    return Refuse("\"" + args.Words()[0] + "\" is longer than the " + std::to_string(kProfileNameChars - 1) +
                  " characters a profile name holds");
  }
  if (name.find_first_of(u"\r\n") != std::u16string::npos) return Refuse("a profile name is one line");
  const ProfileEdit edit = OpenProfileForEdit(ctx, args.Value("--profile"));
  if (edit.profile == nullptr) return EditFailed(edit);
  const std::string before = ProfileLabel(edit);
  {
    auto lock = edit.store->Lock();
    edit.profile->SetName(name);
  }
  if (const int failed = SaveEditedProfiles(edit); failed != 0) return failed;
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("profile").Int(edit.position).Key("id").Int(edit.profile->id);
    w.Key("name").String(std::u16string_view(edit.profile->Name())).EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("%s is now named \"%s\"\n", before.c_str(), ToUtf8(edit.profile->Name()).c_str());
  return 0;
}
