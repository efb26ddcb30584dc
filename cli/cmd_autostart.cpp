// "autostart on|off|status": Tastor's XDG autostart entry for the user
// ($XDG_CONFIG_HOME/autostart), which starts the program with the desktop; with TrayIcon 1
// in cfg.ini it comes up in the tray.
#include <cstdio>
#include <string>
#include <vector>

#include "app/desktop_session.h"
#include "app/settings.h"
#include "cli/cli.h"
#include "cli/json_writer.h"
#include "platform/special_folders.h"
#include "text/utf.h"

namespace {

// The program the entry starts: the tastor beside this tastor-cli, with the folders given
// on this command line, so that the entry starts what the user configured.
std::vector<std::string> ProgramArgv(const CliContext& ctx, const std::string& executableFolder) {
  std::vector<std::string> argv = {executableFolder + "tastor"};
  if (ctx.programFolder != executableFolder) argv.insert(argv.end(), {"--program-dir", ctx.programFolder});
  if (!ctx.userDir.empty()) argv.insert(argv.end(), {"--user-dir", ctx.userDir});
  if (!ctx.language.empty()) argv.insert(argv.end(), {"--lang", ctx.language});
  return argv;
}

int Status(const CliContext& ctx, const std::string& path) {
  const AutostartState state = ReadAutostartEntry(path);
  const std::string program = state.argv.empty() ? std::string() : state.argv.front();
  const bool programThere = !program.empty() && PathFileExists(program);
  const int trayIcon = Settings().TrayIcon;
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject()
        .Key("entry").String(std::string_view(path))
        .Key("present").Bool(state.present)
        .Key("tastor").Bool(state.ours)
        .Key("enabled").Bool(state.enabled)
        .Key("program").String(std::string_view(program))
        .Key("programPresent").Bool(programThere)
        .Key("trayIcon").Int(trayIcon)
        .EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  if (!state.present) {
    std::printf("Autostart: off (%s does not exist)\n", path.c_str());
    return 0;
  }
  std::printf("Autostart: %s (%s)\n", state.enabled ? "on" : "off, the entry is disabled", path.c_str());
  std::printf("Starts: %s%s\n", program.c_str(), programThere ? "" : "  (missing: run \"tastor-cli autostart on\" again)");
  std::printf("TrayIcon=%d in cfg.ini: %s\n", trayIcon,
              trayIcon == 1 ? "it comes up in the tray" : "it opens its window");
  return 0;
}

}  // namespace

int RunAutostart(CliContext& ctx);
static CommandRegistrar g_autostart{
    "autostart", "autostart on|off|status [--json]",
    "starts the program with the desktop (the user's XDG autostart entry), or not", RunAutostart,
    "  on      writes the entry $XDG_CONFIG_HOME/autostart/org.tastor.Tastor.desktop, which starts\n"
    "          the tastor beside this tastor-cli (with --program-dir, --user-dir and --lang\n"
    "          when given here); with TrayIcon 1 in cfg.ini it comes up in the tray\n"
    "  off     removes the entry\n"
    "  status  says whether the entry is there and what it starts (--json: one object)\n"};

int RunAutostart(CliContext& ctx) {
  if (ctx.args.size() != 1 || (ctx.args[0] != "on" && ctx.args[0] != "off" && ctx.args[0] != "status")) {
    return Refuse("autostart takes one of on, off, status");
  }
  const std::string& action = ctx.args[0];
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
  const std::vector<std::string> argv = ProgramArgv(ctx, ProgramFolder());
  if (!PathFileExists(argv.front())) return Fail(argv.front() + " does not exist; nothing to start");
  const std::string name = ToUtf8(Settings().Title.empty() ? std::u16string(u"Tastor") : Settings().Title);
  if (!WriteAutostartEntry(path, AutostartEntryText(argv, name), error)) {
    return Fail("cannot write " + path + ": " + error);
  }
  std::printf("Autostart: on (%s starts %s)\n", path.c_str(), argv.front().c_str());
  return 0;
}
