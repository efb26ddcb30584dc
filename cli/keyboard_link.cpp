// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/keyboard_link.h"

#include "app/paths.h"

bool LoadKeyboardLibrary(const CliContext& ctx, CUSBDriver& driver) {
  if (ctx.simulate) PrepareSimulatorFolder(Paths().userDataFolder);
  if (driver.LoadDriver(ctx.programFolder, ctx.simulate)) return true;
  Fail("cannot load the HID library " + HidLibraryPath(ctx.programFolder, ctx.simulate));
  return false;
}
