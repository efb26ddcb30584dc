// SPDX-License-Identifier: GPL-2.0-or-later
// Where the program finds its own files and the user's folders on this platform.
#pragma once

#include <string>

// The executable's folder, ending with "/".
std::string ProgramFolder();
// The application-data folder without a trailing separator: $XDG_DATA_HOME, or
// ~/.local/share. Empty when neither that variable nor $HOME is set.
std::string AppDataFolder();
// The desktop folder without a trailing separator: $XDG_DESKTOP_DIR, the desktop entry of
// ~/.config/user-dirs.dirs, else ~/Desktop; the home folder when that does not exist, so
// that a log asked for is never lost for want of a desktop.
std::string DesktopFolder();
// The user's cache folder without a trailing separator: $XDG_CACHE_HOME when it is an
// absolute path, else ~/.cache. Empty when neither is set.
std::string CacheFolder();

bool PathFileExists(const std::string& path);
// Creates one folder level; returns 0 on success or the system error code.
int CreateOneDirectory(const std::string& path);
// Creates a folder and every missing folder above it; failures are left to the caller's
// next step to notice.
void CreateDirectoryPath(const std::string& path);
