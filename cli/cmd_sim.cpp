// SPDX-License-Identifier: GPL-2.0-or-later
// "sim": plugs the simulated keyboard in or pulls it out while a program uses it; the
// program sees the keyboard arrive and leave as it would a real one.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/paths.h"
#include "cli/cli.h"
#include "device/usb_driver.h"
#include "libs/simkeyboard/sim_keyboard.h"

int RunSim(CliContext& ctx);
static CommandRegistrar g_sim{"sim", "--simulate sim plug|unplug|status",
                              "plugs the simulated keyboard in, pulls it out, or tells which it is", RunSim};

int RunSim(CliContext& ctx) {
  if (!ctx.simulate) throw UsageError("sim works on the simulated keyboard: add --simulate");
  const std::string& what = OneOf(ctx.options, {"plug", "unplug", "status"}, "sim takes one of plug, unplug, status");
  LoadProgramData(ctx);
  PrepareUserFolder(ctx);
  PrepareSimulatorFolder(Paths().userDataFolder);
  const char* dir = std::getenv("TASTOR_SIM_DIR");
  if (dir == nullptr || *dir == 0) return Fail("the simulated keyboard has no folder (the user data folder is empty)");
  const std::string folder = WithTrailingSlash(dir);
  if (what != "status") {
    if (const int error = simkeyboard::SetPluggedIn(folder, what == "plug")) {
      return Fail("the simulated keyboard's folder " + folder + " cannot be written: " + std::strerror(error));
    }
  }
  std::printf("The simulated keyboard (%s) is %s.\n", folder.c_str(),
              simkeyboard::PluggedIn(folder) ? "plugged in" : "pulled out");
  return 0;
}
