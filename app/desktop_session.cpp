#include "app/desktop_session.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "model/stored_file.h"

namespace {

// The largest autostart entry that is read; one is a few hundred bytes.
constexpr std::size_t kMaxDesktopEntryBytes = 1u << 20;

bool Set(const char* value) { return value != nullptr && *value != '\0'; }

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

// Characters that make an Exec argument need quotes, and those escaped inside quotes.
constexpr const char* kNeedsQuotes = " \t\n\"'\\><~|&;$*?#()`";
constexpr const char* kEscapedInQuotes = "\"`$\\";

}  // namespace

GuiPlatformChoice ChooseGuiPlatform(const char* qpaPlatform, const char* sessionType, const char* waylandDisplay,
                                    const char* display) {
  GuiPlatformChoice choice;
  const bool wayland = (Set(sessionType) && std::strcmp(sessionType, "wayland") == 0) || Set(waylandDisplay);
  if (Set(qpaPlatform)) {
    choice.nativeWayland = std::strncmp(qpaPlatform, "wayland", 7) == 0;
    return choice;
  }
  if (!wayland) return choice;
  if (Set(display)) {
    choice.platform = "xcb";
  } else {
    choice.nativeWayland = true;
  }
  return choice;
}

GuiPlatformChoice ChooseGuiPlatform() {
  return ChooseGuiPlatform(std::getenv("QT_QPA_PLATFORM"), std::getenv("XDG_SESSION_TYPE"),
                           std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
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
       << "Icon=" << kDesktopAppId << "\n"
       << "Terminal=false\n"
       << "X-GNOME-Autostart-enabled=true\n"
       << "X-Tastor-AppId=" << kDesktopAppId << "\n";
  return text.str();
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
