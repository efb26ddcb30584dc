// SPDX-License-Identifier: GPL-2.0-or-later
// The command line of tastor, the windows program. One table of options gives the parser,
// "tastor --help" and the manual page ("tastor --help-man"), so the three cannot disagree.
// ui/main.cpp parses before any window system is opened: a usage error ends the program
// with exit status 2 without a display. Qt's own options that session managers and users
// pass (-session, -platform, -display, -style, ...) are let through to QApplication.
#pragma once

#include <string>
#include <vector>

struct GuiOptions {
  std::string programFolder;         // --program-dir DIR, ending with "/" ("" the executable's folder)
  std::string userDir;               // --user-dir DIR, ending with "/"
  std::string language;              // --lang CODE
  bool simulate = false;             // --simulate
  bool hidden = false;               // --hidden, --background: start in the tray
  bool quitAfterFirstPaint = false;  // --quit-after-first-paint (start-up timing)
  std::string platform;              // Qt's -platform NAME, when given
  std::string display;               // Qt's -display NAME, when given
};

struct GuiCommandLine {
  enum class Action { Run, Help, HelpMan, Version, Refused };
  Action action = Action::Run;
  GuiOptions options;
  std::string error;  // Refused: the one line to print on standard error
};

// Reads the arguments after the program's name. Options with a value take it as the next
// argument or after "=" (--lang=de).
GuiCommandLine ParseGuiCommandLine(const std::vector<std::string>& args);

// "tastor --help".
std::string GuiHelpText();
// "tastor --help-man": the manual page tastor(1) in roff.
std::string GuiManPage();
