// SPDX-License-Identifier: GPL-2.0-or-later
// The folders every part of the program addresses its files from. Folders end with "/",
// and files are addressed by plain concatenation of a folder and a file name.
#pragma once

#include <string>

struct AppPaths {
  std::string programFolder;   // cfg.ini, text.xml, skins/, the sibling libraries
  std::string userDataFolder;  // application-data folder + appdir + "/": profiles, macros

  std::string MacroFolder() const { return userDataFolder + "Mac"; }
  std::string SkinsFolder() const { return programFolder + "skins/"; }
};

AppPaths& Paths();

// Appends the separator a folder path must end with, unless it is there.
std::string WithTrailingSlash(std::string folder);
