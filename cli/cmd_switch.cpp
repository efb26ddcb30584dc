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

int RunSwitch(CliContext& ctx) {
  const std::string message = "switch takes the number of a profile button, 1 to " + std::to_string(kProfileCount);
  // A copy: the parsed arguments it comes from are replaced below.
  const std::string number = WordsBetween(ctx.options, 1, 1, message).front();
  int slot = 0;
  if (!ParseWholeNumber(number, 1, kProfileCount, slot)) throw UsageError(message + ", not \"" + number + "\"");
  ctx.args = {"--profile", number};
  ctx.options = ParsedArgs();
  ctx.options.Set(kProfileOption.name, number);
  return RunApply(ctx);
}

CommandRegistrar g_switch{
    "switch", "switch N", "makes profile N (1 to 3) current and writes it into the keyboard", RunSwitch, {},
    "Goes through the running Tastor when one is on the session bus (it selects the profile\n"
    "and applies it, and its window shows it), otherwise works on the files and the keyboard\n"
    "directly, as apply --profile N. The first line says which. Exit 1 when the keyboard did\n"
    "not take the profile, 2 for a number outside 1 to 3.\n"
    "  N  the profile button, 1 to 3\n"};

}  // namespace
