// SPDX-License-Identifier: GPL-2.0-or-later
// How the main window lives with the notification area (tray), from the TrayIcon setting
// and whether the desktop has a tray at all: 1 a tray icon, start hidden, hide when the
// keyboard is removed; 3 a tray icon, start shown, a balloon when the keyboard is removed;
// any other value no tray icon. Where the desktop has no tray, a hidden window could not
// be reached again: the window then never starts hidden, never hides, and its close button
// ends the program as without a tray. A start with --hidden (hiddenAsked) starts hidden
// with a tray icon whatever the setting, where the desktop has a tray; the setting still
// decides what the keyboard's removal does.
#pragma once

struct TrayBehaviour {
  bool icon = false;            // a tray icon is shown
  bool startHidden = false;     // the window stays hidden until it is brought up from the tray
  bool closeHides = false;      // the close button hides the window instead of ending the program
  bool hideOnRemoval = false;   // the keyboard's removal hides the window
  bool balloonOnRemoval = false;// the keyboard's removal shows a balloon on the icon
  bool trayMissing = false;     // TrayIcon asks for a tray the desktop does not have
  bool hiddenWithoutTray = false; // --hidden, and the desktop has no tray: the window is shown
};

TrayBehaviour TrayBehaviourFor(int trayIconSetting, bool trayAvailable, bool hiddenAsked = false);
