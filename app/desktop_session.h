// SPDX-License-Identifier: GPL-2.0-or-later
// Tastor on the Linux desktop: the application id its desktop entry, AppStream file and
// icons are named after, the platform the windows run on in a Wayland session, and the
// XDG autostart entry that starts it with the desktop.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The reverse-domain application id: the desktop entry is "<id>.desktop", the icon and the
// AppStream component carry the same name, and the windows announce it, so every desktop
// matches the windows to the entry.
inline constexpr const char* kDesktopAppId = "org.tastor.Tastor";

// The skinned frameless windows, the menus placed at screen positions and TapHook's
// system-wide key capture need X11, so the windows run on Qt's "xcb" platform, on the X11
// display that DISPLAY (or Qt's -display) names; in a Wayland session that is XWayland's.
// Without a display that opens, the program says so in one line and ends, before Qt would
// abort it. A Qt platform the user chose (QT_QPA_PLATFORM or -platform: offscreen for
// tests, wayland, ...) is used as it is; only "xcb" is checked for its display.
struct GuiPlatformRequest {
  std::string userPlatform;    // -platform, else QT_QPA_PLATFORM ("": none)
  std::string sessionType;     // XDG_SESSION_TYPE
  std::string waylandDisplay;  // WAYLAND_DISPLAY
  std::string display;         // -display, else DISPLAY
};
struct GuiPlatformChoice {
  bool ok = true;              // false: no display the windows can run on
  std::string platform;        // the QT_QPA_PLATFORM to set, or "" to leave it
  bool nativeWayland = false;  // the user chose Wayland itself: log the limits once
  std::string message;         // when not ok: what is missing and how to get it, one line
};
GuiPlatformChoice ChooseGuiPlatform(const GuiPlatformRequest& request,
                                    const std::function<bool(const std::string&)>& displayOpens);
// The same from this process's environment and the Qt options given on the command line,
// opening the display to see that it is there.
GuiPlatformChoice ChooseGuiPlatform(const std::string& platformOption, const std::string& displayOption);
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
// program's title. TryExec names the program too, so that the desktop skips the entry
// instead of failing when the program has gone.
std::string AutostartEntryText(const std::vector<std::string>& argv, const std::string& name);

// The full path of an executable program found on PATH as the desktop finds an Exec
// program without a folder ("" when there is none). A name with "/" is taken as it is.
std::string FindProgramOnPath(const std::string& program);

struct AutostartState {
  bool present = false;         // the entry exists
  bool ours = false;            // it is Tastor's (it carries the application id)
  bool enabled = false;         // neither Hidden nor X-GNOME-Autostart-enabled=false
  std::vector<std::string> argv;  // its Exec arguments
  std::string tryExec;          // its TryExec, or ""
};
// What the entry at the path says.
AutostartState ReadAutostartEntry(const std::string& path);
// Writes the entry whole (made folders included) or not at all; false with the system
// error's text.
bool WriteAutostartEntry(const std::string& path, const std::string& text, std::string& error);
// Removes the entry; a missing entry is fine. False with the system error's text.
bool RemoveAutostartEntry(const std::string& path, std::string& error);
