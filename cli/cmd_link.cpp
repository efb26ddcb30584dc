// SPDX-License-Identifier: GPL-2.0-or-later
// "link": sets or removes the program linked to a stored profile, which the program's
// automatic switch looks for among the running processes. Saved with the profiles, as
// the program saves them (the file is replaced whole or not at all).
#include <algorithm>
#include <cstdio>

#include "app/paths.h"
#include "app/profile_switch.h"
#include "cli/cmd_model_output.h"
#include "cli/profile_edit_cli.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "text/utf.h"

int RunLink(CliContext& ctx);
static CommandRegistrar g_link{
    "link", "link [--profile N] [PROGRAM]",
    "links a profile (default: the current one) to a program; no PROGRAM removes the link", RunLink,
    {kProfileOption},
    "  PROGRAM  the name of the program's process (MyGame.exe); the automatic switch makes the\n"
    "           profile current while one of that name runs. Quote a name with blanks; \"--\"\n"
    "           before a name that starts with \"--\"\n"};

int RunLink(CliContext& ctx) {
  const int position = ctx.options.Number("--profile", 0);
  const std::vector<std::string>& names =
      WordsBetween(ctx.options, 0, 1, "link takes one program name (put a name with spaces in quotes)");
  const std::u16string program = names.empty() ? std::u16string() : FromUtf8(names.front());
  if (program.size() >= kLinkedProgramChars) {
    return Refuse("a linked program has at most " + std::to_string(kLinkedProgramChars - 1) + " characters");
  }

  std::string error;
  // Held until the command ends: the profiles read here are the ones saved at its end.
  if (!LoadUserDataForChange(ctx, error)) return Fail(error);
  ProfileStore store;
  Profile* profile = StartupProfile(ctx.settings, store, position, error);
  if (profile == nullptr) return Fail(error);
  {
    auto lock = store.Lock();
    SetLinkedProgram(*profile, program);
  }
  if (SaveProfiles(store, Paths().userDataFolder) != 1) {
    return Fail("the profiles could not be saved in " + Paths().userDataFolder + kProfileFileName);
  }
  const auto all = store.Profiles();
  const auto slot = std::find(all.begin(), all.end(), profile) - all.begin() + 1;
  std::printf("Profile %d \"%s\" (id %s) ", static_cast<int>(slot), ToUtf8(profile->Name()).c_str(),
              Hex(profile->id, 6).c_str());
  if (program.empty()) {
    std::printf("is linked to no program.\n");
  } else {
    std::printf("switches in while a program named \"%s\" runs.\n", ToUtf8(program).c_str());
  }
  return 0;
}
