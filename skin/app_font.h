// AppFont: the optional application font used by every skinned window, made from the
// FontName setting and the file appfont.ttf in the program folder.
#pragma once

#include <QFont>
#include <string>

// The application font, or null when there is none.
const QFont* AppFont();

// Creates the font when FontName is set and program folder + "appfont.ttf" exists: the
// font first, then the file added to the application's font table.
void CreateAppFont(const std::string& programFolder);
// Shutdown: with FontName set, takes the file out of the font table again.
void RemoveAppFont(const std::string& programFolder);
