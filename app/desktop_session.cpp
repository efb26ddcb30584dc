// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/desktop_session.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

#include "app/paths.h"
#include "base/stored_file.h"
#include "platform/x11_display.h"

namespace {

// The largest autostart entry that is read; one is a few hundred bytes.
constexpr std::size_t kMaxDesktopEntryBytes = 1u << 20;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

// Characters that make an Exec argument need quotes, and those escaped inside quotes.
constexpr const char* kNeedsQuotes = " \t\n\"'\\><~|&;$*?#()`";
constexpr const char* kEscapedInQuotes = "\"`$\\";

}  // namespace

GuiPlatformChoice ChooseGuiPlatform(const GuiPlatformRequest& request,
                                    const std::function<bool(const std::string&)>& displayOpens) {
  GuiPlatformChoice choice;
  const std::string& user = request.userPlatform;
  if (!user.empty()) {
    choice.nativeWayland = user.rfind("wayland", 0) == 0;
    if (user != "xcb") return choice;
  }
  const bool wayland = request.sessionType == "wayland" || !request.waylandDisplay.empty();
  const char* remedy = wayland
      ? "enable XWayland in the compositor (Debian package xwayland) or log in to an X11 session"
      : "start Tastor in a desktop session (X11, or Wayland with XWayland), or set DISPLAY to a display that runs";
  std::string problem;
  if (request.display.empty()) {
    problem = wayland ? "this Wayland session has no XWayland (DISPLAY is not set)" : "DISPLAY is not set";
  } else if (!displayOpens(request.display)) {
    problem = std::string(wayland ? "XWayland's display \"" : "the display \"") + request.display + "\" does not open";
  }
  if (!problem.empty()) {
    choice.ok = false;
    choice.message = "tastor: the windows need an X11 display, and " + problem + ": " + remedy;
    return choice;
  }
  if (user.empty()) choice.platform = "xcb";
  return choice;
}

GuiPlatformChoice ChooseGuiPlatform(const std::string& platformOption, const std::string& displayOption) {
  GuiPlatformRequest request;
  request.userPlatform = platformOption.empty() ? Env("QT_QPA_PLATFORM") : platformOption;
  request.sessionType = Env("XDG_SESSION_TYPE");
  request.waylandDisplay = Env("WAYLAND_DISPLAY");
  request.display = displayOption.empty() ? Env("DISPLAY") : displayOption;
  return ChooseGuiPlatform(request, X11DisplayOpens);
}

const char* NativeWaylandLimits() {
  return "Wayland without XWayland: the window shapes and the menu positions are the compositor's, "
         "and keys are captured only in Tastor's own windows (no system-wide capture)";
}

std::string AutostartFolder() {
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty()) {
    const std::string home = Env("HOME");
    if (home.empty()) return {};
    config = home + "/.config";
  }
  return config + "/autostart/";
}

std::string AutostartEntryPath() {
  const std::string folder = AutostartFolder();
  return folder.empty() ? std::string() : folder + kDesktopAppId + ".desktop";
}

std::string DesktopExecLine(const std::vector<std::string>& argv) {
  std::string line;
  for (const std::string& arg : argv) {
    if (!line.empty()) line += ' ';
    std::string quoted;
    const bool quote = arg.empty() || arg.find_first_of(kNeedsQuotes) != std::string::npos;
    for (char c : arg) {
      if (c == '%') {
        quoted += "%%";
        continue;
      }
      if (quote && std::strchr(kEscapedInQuotes, c) != nullptr) quoted += '\\';
      quoted += c;
    }
    line += quote ? "\"" + quoted + "\"" : quoted;
  }
  return line;
}

bool ParseDesktopExecLine(const std::string& line, std::vector<std::string>& argv) {
  argv.clear();
  std::string current;
  bool inArg = false, inQuotes = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '%') {
      // "%%" is a percent sign; field codes (%f, %U, ...) stand for nothing here.
      if (i + 1 < line.size() && line[i + 1] == '%') {
        current += '%';
        inArg = true;
      }
      ++i;
      continue;
    }
    if (inQuotes) {
      if (c == '\\' && i + 1 < line.size() && std::strchr(kEscapedInQuotes, line[i + 1]) != nullptr) {
        current += line[++i];
      } else if (c == '"') {
        inQuotes = false;
      } else {
        current += c;
      }
    } else if (c == '"') {
      inQuotes = inArg = true;
    } else if (c == ' ') {
      if (inArg) argv.push_back(current);
      current.clear();
      inArg = false;
    } else {
      current += c;
      inArg = true;
    }
  }
  if (inQuotes) return false;
  if (inArg) argv.push_back(current);
  return true;
}

std::string AutostartEntryText(const std::vector<std::string>& argv, const std::string& name) {
  std::ostringstream text;
  text << "[Desktop Entry]\n"
       << "Type=Application\n"
       << "Name=" << name << "\n"
       << "Comment=Starts the keyboard's configuration program with the desktop\n"
       << "Exec=" << DesktopExecLine(argv) << "\n"
       << "TryExec=" << (argv.empty() ? std::string() : argv.front()) << "\n"
       << "Icon=" << kDesktopAppId << "\n"
       << "Terminal=false\n"
       << "X-GNOME-Autostart-enabled=true\n"
       << "X-Tastor-AppId=" << kDesktopAppId << "\n";
  return text.str();
}

std::string FindProgramOnPath(const std::string& program) {
  if (program.empty()) return {};
  if (program.find('/') != std::string::npos) return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
  const std::string path = Env("PATH");
  std::size_t at = 0;
  while (at <= path.size()) {
    std::size_t end = path.find(':', at);
    if (end == std::string::npos) end = path.size();
    std::string folder = path.substr(at, end - at);
    at = end + 1;
    if (folder.empty()) continue;  // an empty entry would mean the working folder: not for a login
    const std::string full = WithTrailingSlash(folder) + program;
    struct stat st {};
    if (::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(full.c_str(), X_OK) == 0) return full;
  }
  return {};
}

AutostartState ReadAutostartEntry(const std::string& path) {
  AutostartState state;
  const FileBytes file = ReadWholeFile(path, kMaxDesktopEntryBytes);
  if (!file.ok()) {
    // Something that is there but cannot be read (a pipe, a device, a huge file, one
    // without read permission) is present and not ours, so it is left alone.
    state.present = file.error != ENOENT && file.error != ENOTDIR;
    return state;
  }
  state.present = true;
  state.enabled = true;
  std::istringstream in(file.bytes);
  std::string line;
  bool inMain = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line.front() == '[') {
      inMain = line == "[Desktop Entry]";
      continue;
    }
    if (!inMain) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "Exec") ParseDesktopExecLine(value, state.argv);
    if (key == "TryExec") state.tryExec = value;
    if (key == "X-Tastor-AppId") state.ours = value == kDesktopAppId;
    if ((key == "Hidden" && value == "true") || (key == "X-GNOME-Autostart-enabled" && value == "false")) {
      state.enabled = false;
    }
  }
  return state;
}

bool WriteAutostartEntry(const std::string& path, const std::string& text, std::string& error) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  const ReplaceResult result = ReplaceFileContents(path, std::span<const uint8_t>(bytes, text.size()), true);
  if (!result.ok()) error = std::strerror(result.error);
  return result.ok();
}

bool RemoveAutostartEntry(const std::string& path, std::string& error) {
  if (std::remove(path.c_str()) == 0 || errno == ENOENT) return true;
  error = std::strerror(errno);
  return false;
}
