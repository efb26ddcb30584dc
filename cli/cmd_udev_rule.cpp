// "udev-rule": a udev rule that lets the logged-in user open the configured keyboard's
// hidraw nodes without root. It names only the VID and PID of cfg.ini and grants access
// through the seat (TAG+="uaccess"), so nothing becomes world-writable.
#include <cstdio>

#include "app/settings.h"
#include "cli/cli.h"

int RunUdevRule(CliContext& ctx);
static CommandRegistrar g_udevRule{"udev-rule", "udev-rule",
                                   "a udev rule that lets the logged-in user open the keyboard without root",
                                   RunUdevRule};

int RunUdevRule(CliContext& ctx) {
  if (!ctx.args.empty() || ctx.json) return Fail("udev-rule takes no arguments");
  LoadProgramData(ctx);
  const AppSettings& s = Settings();
  if (s.VID == 0 && s.PID == 0) return Fail("cfg.ini names no keyboard (VID and PID are 0)");
  // uaccess is acted on by 73-seat-late.rules, so the rule file must sort before it.
  std::printf(
      "# Tastor: lets the logged-in user open the keyboard VID_%04X&PID_%04X without root.\n"
      "# Install: tastor-cli udev-rule | sudo tee /etc/udev/rules.d/70-tastor.rules && "
      "sudo udevadm control --reload && sudo udevadm trigger\n"
      "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"%04x\", ATTRS{idProduct}==\"%04x\", TAG+=\"uaccess\"\n",
      s.VID, s.PID, s.VID, s.PID);
  return 0;
}
