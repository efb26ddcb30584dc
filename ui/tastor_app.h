// SPDX-License-Identifier: GPL-2.0-or-later
// CTastorApp: the life of the process. InitInstance runs start-up in order and then the
// main window modally; ExitInstance releases what start-up acquired, in order.
#pragma once

#include <QString>
#include <QTranslator>
#include <memory>
#include <string>

#include "ui/qt_window_port.h"

class SingleInstance;

struct StartOptions {
  std::string programFolder;  // empty: the executable's folder
  std::string userDir;        // empty: application-data folder + appdir
  std::string language;       // --lang CODE; empty: the locale's language
  bool simulate = false;      // talk to the simulated keyboard
  bool nativeWayland = false; // the windows run on Wayland without XWayland
  bool hidden = false;        // --hidden: start in the tray; a running instance is left as it is
};

class CTastorApp {
 public:
  explicit CTastorApp(StartOptions options);
  ~CTastorApp();

  // Always false: the program runs as one modal window, after which ExitInstance follows.
  bool InitInstance();
  int ExitInstance();

 private:
  bool TakeSingleInstance();
  StartOptions options_;
  QtWindowPort port_;
  QTranslator qtTexts_;  // Qt's own words in the texts' language
  std::unique_ptr<SingleInstance> instance_;
};
