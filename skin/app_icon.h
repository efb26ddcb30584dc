// SPDX-License-Identifier: GPL-2.0-or-later
// The program's icon: appico.ico in the program folder, used as the main window's big and
// small icon and in the tray; when that file is missing or unreadable the icon built into
// the program takes its place.
#pragma once

#include <QIcon>
#include <string>

// Codes a failed icon load reports (the Windows error numbers of the same failures).
constexpr int kIconErrorFileNotFound = 0x2;
constexpr int kIconErrorInvalidData = 0xD;

// Loads program folder + "appico.ico" with every size it holds. Returns a null icon and
// sets error when the file is missing (kIconErrorFileNotFound) or holds no image that
// decodes (kIconErrorInvalidData); error is 0 on success.
QIcon LoadAppIcon(const std::string& programFolder, int* error = nullptr);

// The built-in icon: a key cap in the accent colour, drawn at 16, 32 and 48 pixels.
QIcon BuiltInAppIcon();

// The window icon: appico.ico, else the built-in icon after logging "Load Icon err=%x".
QIcon WindowIcon(const std::string& programFolder);
