// SPDX-License-Identifier: GPL-2.0-or-later
// "autostart on|off|status": Tastor's XDG autostart entry for the user
// ($XDG_CONFIG_HOME/autostart), which starts the program with the desktop hidden in the
// tray (tastor --hidden). From an installation the entry names the program by the name
// its bin link has on PATH; from a build folder, by its full path.
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/desktop_session.h"
#include "base/settings.h"
#include "cli/cli.h"
#include "cli/json_writer.h"
#include "platform/special_folders.h"
#include "text/utf.h"

namespace {

// The option of tastor that starts it in the tray.
constexpr const char* kHiddenOption = "--hidden";

// The file a path names with every link resolved, or "" when it does not exist.
std::string RealPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return {};
  std::string result(real);
  ::free(real);
  return result;
}

// How the entry names the tastor beside this tastor-cli: "tastor" when that name on PATH
// is this very program (an installation's bin link), else its full path (a build folder,
// or a prefix whose bin/ is not on PATH).
std::string ProgramName(const std::string& executableFolder) {
  const std::string program = executableFolder + "tastor";
  const std::string onPath = FindProgramOnPath("tastor");
  if (!onPath.empty() && RealPath(onPath) == RealPath(program)) return "tastor";
  return program;
}

// The program the entry starts, hidden, with the folders given on this command line, so
// that the entry starts what the user configured.
std::vector<std::string> ProgramArgv(const CliContext& ctx, const std::string& executableFolder) {
  std::vector<std::string> argv = {ProgramName(executableFolder), kHiddenOption};
  if (ctx.programFolder != executableFolder) argv.insert(argv.end(), {"--program-dir", ctx.programFolder});
  if (!ctx.userDir.empty()) argv.insert(argv.end(), {"--user-dir", ctx.userDir});
  if (!ctx.language.empty()) argv.insert(argv.end(), {"--lang", ctx.language});
  return argv;
}

bool StartsHidden(const AutostartState& state) {
  return std::find(state.argv.begin() + (state.argv.empty() ? 0 : 1), state.argv.end(), kHiddenOption) !=
             state.argv.end() ||
         std::find(state.argv.begin(), state.argv.end(), "--background") != state.argv.end();
}

// "TrayIcon=1 in cfg.ini", "StartHidden=1 in /home/u/.config/Tastor/settings.ini",
// "TrayIcon=2 by default".
std::string SetWhere(const AppSettings& settings, UserSwitch id, int value) {
  const SettingOrigin& origin = settings.OriginOf(id);
  const std::string setting = std::string(InfoOf(id).name) + "=" + std::to_string(value);
  switch (origin.source) {
    case SettingSource::kDefault: return setting + " by default";
    case SettingSource::kProgram: return setting + " in cfg.ini";
    default: return setting + " in " + origin.path;
  }
}

int Status(const CliContext& ctx, const std::string& path) {
  const AutostartState state = ReadAutostartEntry(path);
  const std::string program = state.argv.empty() ? std::string() : state.argv.front();
  // What the desktop will run: the Exec program as found on PATH (or its own path); the
  // desktop skips the entry when its TryExec program is missing.
  const std::string programPath = FindProgramOnPath(program);
  const bool tryExecOk = state.tryExec.empty() || !FindProgramOnPath(state.tryExec).empty();
  const bool runs = state.present && state.ours && state.enabled && !programPath.empty() && tryExecOk;
  const bool hidden = StartsHidden(state);
  const int trayIcon = ctx.settings.TrayIcon;
  // The settings hide the window at every start too: StartHidden as --hidden does, and
  // TrayIcon 1; each may come from the user's file or /etc as well as cfg.ini.
  const bool byStartHidden = ctx.settings.StartHidden == 1;
  const bool trayByTrayIcon = trayIcon == 1;
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject()
        .Key("entry").String(std::string_view(path))
        .Key("present").Bool(state.present)
        .Key("tastor").Bool(state.ours)
        .Key("enabled").Bool(state.enabled)
        .Key("exec").String(std::string_view(DesktopExecLine(state.argv)))
        .Key("program").String(std::string_view(program))
        .Key("programPath").String(std::string_view(programPath))
        .Key("programPresent").Bool(!programPath.empty())
        .Key("starts").Bool(runs)
        .Key("hidden").Bool(hidden || byStartHidden || trayByTrayIcon)
        .Key("trayIcon").Int(trayIcon)
        .Key("trayIconFrom").String(std::string_view(ctx.settings.OriginOf(UserSwitch::kTrayIcon).path))
        .Key("startHidden").Int(ctx.settings.StartHidden)
        .Key("startHiddenFrom").String(std::string_view(ctx.settings.OriginOf(UserSwitch::kStartHidden).path))
        .EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  if (!state.present) {
    std::printf("Autostart: off (%s does not exist)\n", path.c_str());
    return 0;
  }
  if (!state.ours) {
    std::printf("Autostart: %s is not Tastor's entry; tastor-cli leaves it alone\n", path.c_str());
    return 0;
  }
  std::printf("Autostart: %s (%s)\n", !state.enabled ? "off, the entry is disabled" : runs ? "on" : "off, its program is missing",
              path.c_str());
  if (programPath.empty()) {
    std::printf("Starts: %s  (missing: the desktop skips the entry; run \"tastor-cli autostart on\" again)\n",
                DesktopExecLine(state.argv).c_str());
  } else {
    std::printf("Starts: %s  (%s)\n", DesktopExecLine(state.argv).c_str(), programPath.c_str());
  }
  const std::string trayIconSet = SetWhere(ctx.settings, UserSwitch::kTrayIcon, trayIcon);
  if (hidden) {
    std::printf("Window: hidden in the tray (--hidden), shown where the desktop has no tray\n");
  } else if (byStartHidden) {
    std::printf("Window: hidden in the tray (%s), shown where the desktop has no tray\n",
                SetWhere(ctx.settings, UserSwitch::kStartHidden, 1).c_str());
  } else if (trayByTrayIcon) {
    std::printf("Window: hidden in the tray (%s), shown where the desktop has no tray\n", trayIconSet.c_str());
  } else {
    std::printf("Window: shown (%s, no --hidden; \"tastor-cli autostart on\" again starts it hidden)\n",
                trayIconSet.c_str());
  }
  return 0;
}

}  // namespace

int RunAutostart(CliContext& ctx);
static CommandRegistrar g_autostart{
    "autostart", "autostart on|off|status [--json]",
    "starts the program with the desktop (the user's XDG autostart entry), or not", RunAutostart, {kJsonOption},
    "  on      writes the entry $XDG_CONFIG_HOME/autostart/org.tastor.Tastor.desktop, which starts\n"
    "          the tastor beside this tastor-cli hidden in the tray (tastor --hidden; where the\n"
    "          desktop has no tray, the window opens), with --program-dir, --user-dir and --lang\n"
    "          when given here; installed, the entry names it \"tastor\" as found on PATH\n"
    "  off     removes the entry\n"
    "  status  says whether the entry is there, what it starts, whether that program is there\n"
    "          and whether the window starts hidden (--json: one object)\n"};

int RunAutostart(CliContext& ctx) {
  const std::string& action = OneOf(ctx.options, {"on", "off", "status"}, "autostart takes one of on, off, status");
  if (ctx.json && action != "status") return Refuse("--json goes with autostart status");
  LoadProgramData(ctx);
  const std::string path = AutostartEntryPath();
  if (path.empty()) return Fail("no autostart folder: neither XDG_CONFIG_HOME nor HOME is set");
  if (action == "status") return Status(ctx, path);

  const AutostartState before = ReadAutostartEntry(path);
  if (before.present && !before.ours) {
    return Fail(path + " is not Tastor's autostart entry; it is left alone");
  }
  std::string error;
  if (action == "off") {
    if (!RemoveAutostartEntry(path, error)) return Fail("cannot remove " + path + ": " + error);
    std::printf("Autostart: off%s\n", before.present ? "" : " (it was not on)");
    return 0;
  }
  const std::string executableFolder = ProgramFolder();
  if (!PathFileExists(executableFolder + "tastor")) return Fail(executableFolder + "tastor does not exist; nothing to start");
  const std::vector<std::string> argv = ProgramArgv(ctx, executableFolder);
  const std::string name = ToUtf8(ctx.settings.Title.empty() ? std::u16string(u"Tastor") : ctx.settings.Title);
  if (!WriteAutostartEntry(path, AutostartEntryText(argv, name), error)) {
    return Fail("cannot write " + path + ": " + error);
  }
  std::printf("Autostart: on (%s starts %s)\n", path.c_str(), DesktopExecLine(argv).c_str());
  return 0;
}
