// Tastor on the Linux desktop: the application id its desktop entry, AppStream file and
// icons are named after, the platform the windows run on in a Wayland session, and the
// XDG autostart entry that starts it with the desktop.
#pragma once

#include <string>
#include <vector>

// The reverse-domain application id: the desktop entry is "<id>.desktop", the icon and the
// AppStream component carry the same name, and the windows announce it, so every desktop
// matches the windows to the entry.
inline constexpr const char* kDesktopAppId = "org.tastor.Tastor";

// The skinned frameless windows, the menus placed at screen positions and TapHook's
// system-wide key capture need X11. In a Wayland session (XDG_SESSION_TYPE "wayland" or
// WAYLAND_DISPLAY set) with XWayland there (DISPLAY set) the windows run on "xcb"; without
// XWayland they run natively with those limits. A QT_QPA_PLATFORM the user set is kept.
struct GuiPlatformChoice {
  std::string platform;        // the QT_QPA_PLATFORM to set, or "" to leave it
  bool nativeWayland = false;  // the windows run on Wayland itself: log the limits once
};
GuiPlatformChoice ChooseGuiPlatform(const char* qpaPlatform, const char* sessionType, const char* waylandDisplay,
                                    const char* display);
// The same from this process's environment.
GuiPlatformChoice ChooseGuiPlatform();
// The log line for a native Wayland run.
const char* NativeWaylandLimits();

// The user's autostart folder: $XDG_CONFIG_HOME/autostart/, or ~/.config/autostart/.
// Empty when neither that variable nor $HOME is set.
std::string AutostartFolder();
// The autostart entry of Tastor in that folder ("" without a folder).
std::string AutostartEntryPath();

// A desktop entry's Exec value for the arguments: each argument quoted when it holds a
// blank or a character the entry format reserves, "%" doubled.
std::string DesktopExecLine(const std::vector<std::string>& argv);
// The arguments of an Exec value (the reverse of DesktopExecLine); false when the quoting
// is broken.
bool ParseDesktopExecLine(const std::string& line, std::vector<std::string>& argv);

// The text of the autostart entry that starts the program with the arguments; name is the
// program's title.
std::string AutostartEntryText(const std::vector<std::string>& argv, const std::string& name);

struct AutostartState {
  bool present = false;         // the entry exists
  bool ours = false;            // it is Tastor's (it carries the application id)
  bool enabled = false;         // neither Hidden nor X-GNOME-Autostart-enabled=false
  std::vector<std::string> argv;  // its Exec arguments
};
// What the entry at the path says.
AutostartState ReadAutostartEntry(const std::string& path);
// Writes the entry whole (made folders included) or not at all; false with the system
// error's text.
bool WriteAutostartEntry(const std::string& path, const std::string& text, std::string& error);
// Removes the entry; a missing entry is fine. False with the system error's text.
bool RemoveAutostartEntry(const std::string& path, std::string& error);
