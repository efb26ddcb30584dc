// SPDX-License-Identifier: GPL-2.0-or-later
// AppFont: the optional application font used by every skinned window, made from the
// FontName setting and the file appfont.ttf in the program folder. Windows without it
// use their own fonts, made here the same way.
#pragma once

#include <QFont>
#include <string>
#include <string_view>

// The application font, or null when there is none.
const QFont* AppFont();

// Creates the font when fontName (the FontName setting) is set and program folder +
// "appfont.ttf" exists: the font first (face fontName, height fontSize, the FontSize
// setting, weight 90), then the file added to the application's font table.
void CreateAppFont(const std::string& programFolder, std::u16string_view fontName, int fontSize);
// Shutdown: when a font was made, takes the file out of the font table again.
void RemoveAppFont(const std::string& programFolder);

// Heights of the program's fonts are cell heights (ascent plus descent), as the window
// layouts count them: the largest pixel size whose cell is at most that tall.
void FitCellHeight(QFont& font, int cellHeight);

// A window's own font: "MS Shell Dlg" (the platform's default sans face here) with the
// given cell height and weight (100 to 900, 400 normal).
QFont ShellDlgFont(int cellHeight, int weight = 400);
// The application font when there is one, else ShellDlgFont(cellHeight, weight).
QFont WindowFont(int cellHeight, int weight = 400);
