// SPDX-License-Identifier: GPL-2.0-or-later
// "switch N": makes the profile of button N (1 to 3) current and writes it into the
// keyboard. With Tastor running on the session bus the program does it, as a click on the
// profile button followed by the automatic switch's apply; otherwise it is
// "apply --profile N" on the files and the keyboard directly.
#include <string>

#include "cli/cli.h"
#include "cli/cmd_model_output.h"

// cmd_apply.cpp
int RunApply(CliContext& ctx);

namespace {

// The program's profile buttons.
constexpr int kProfileButtons = 3;

int RunSwitch(CliContext& ctx) {
  int slot = 0;
  if (ctx.args.size() != 1 || !ParseProfileNumber(ctx.args[0], slot) || slot > kProfileButtons) {
    return Refuse("switch takes the number of a profile button, 1 to 3");
  }
  ctx.args = {"--profile", std::to_string(slot)};
  return RunApply(ctx);
}

CommandRegistrar g_switch{
    "switch", "switch N", "makes profile N (1 to 3) current and writes it into the keyboard", RunSwitch,
    "Goes through the running Tastor when one is on the session bus (it selects the profile\n"
    "and applies it, and its window shows it), otherwise works on the files and the keyboard\n"
    "directly, as apply --profile N. The first line says which. Exit 1 when the keyboard did\n"
    "not take the profile, 2 for a number outside 1 to 3.\n"};

}  // namespace
