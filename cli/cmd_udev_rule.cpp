// SPDX-License-Identifier: GPL-2.0-or-later
// "udev-rule [--probe PATH]": udev rules that let the logged-in user open the configured
// keyboard's configuration interfaces without root, and nothing else of it. For every
// hidraw node of the keyboard (matched by the VID and PID of cfg.ini on its HID device,
// whatever the bus) udev runs tastor-udev-probe, which reads the node's report descriptor
// and grants only the vendor interfaces (0xFF00) and the consumer control the program
// opens; the node that carries the typing stays root-only, so no program of the user can
// read the keys typed. Access goes through the seat (TAG+="uaccess"), nothing is made
// world-writable.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/settings.h"
#include "cli/cli.h"

int RunUdevRule(CliContext& ctx);
static CommandRegistrar g_udevRule{"udev-rule", "udev-rule [--probe PATH]",
                                   "udev rules that let the logged-in user open the keyboard's configuration "
                                   "interfaces (not its typing) without root",
                                   RunUdevRule};

namespace {

// tastor-udev-probe beside this program, found by the program's real path.
std::string DefaultProbePath() {
  char self[PATH_MAX];
  if (::realpath("/proc/self/exe", self) == nullptr) return "tastor-udev-probe";
  std::string path = self;
  return path.substr(0, path.rfind('/') + 1) + "tastor-udev-probe";
}

}  // namespace

int RunUdevRule(CliContext& ctx) {
  if (ctx.json) return Fail("udev-rule has no JSON form");
  std::string probe;
  for (std::size_t i = 0; i < ctx.args.size(); ++i) {
    if (ctx.args[i] == "--probe" && i + 1 < ctx.args.size()) {
      probe = ctx.args[++i];
    } else {
      return Fail("udev-rule takes only --probe PATH");
    }
  }
  if (probe.empty()) probe = DefaultProbePath();
  if (probe[0] != '/') return Fail("the probe's path must be absolute: " + probe);
  // udev splits a program line at blanks and gives quotes and % and $ their own meaning.
  if (probe.find_first_of(" \t\"'%$\\\n") != std::string::npos) {
    return Fail("the probe's path may not hold blanks, quotes, % or $: " + probe);
  }
  LoadProgramData(ctx);
  const AppSettings& s = Settings();
  if (s.VID == 0 && s.PID == 0) return Fail("cfg.ini names no keyboard (VID and PID are 0)");
  // The HID device above a hidraw node is named "<bus>:<VID>:<PID>.<n>" in upper-case hex.
  char device[32];
  std::snprintf(device, sizeof device, "????:%04X:%04X.*", s.VID, s.PID);
  // uaccess is acted on by 73-seat-late.rules, so the rule file must sort before it.
  std::printf(
      "# Tastor: lets the logged-in user open the configuration interfaces of the keyboard\n"
      "# VID_%04X&PID_%04X without root. tastor-udev-probe reads each hidraw node's report\n"
      "# descriptor: only the vendor interfaces (usage page 0xFF00) and the consumer control are\n"
      "# given to the user at the seat; the interface that carries the typing stays root-only.\n"
      "# Install: tastor-cli udev-rule | sudo tee /etc/udev/rules.d/70-tastor.rules && "
      "sudo udevadm control --reload && sudo udevadm trigger\n"
      "SUBSYSTEM==\"hidraw\", KERNELS==\"%s\", IMPORT{program}=\"%s %%k\"\n"
      "SUBSYSTEM==\"hidraw\", KERNELS==\"%s\", ENV{TASTOR_HID_ACCESS}==\"1\", TAG+=\"uaccess\"\n",
      s.VID, s.PID, device, probe.c_str(), device);
  return 0;
}
