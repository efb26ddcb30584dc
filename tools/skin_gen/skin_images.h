// SPDX-License-Identifier: GPL-2.0-or-later
// Every image of the reference skin, drawn from the layout description.
#pragma once

#include <QImage>
#include <QPolygon>
#include <QString>
#include <vector>

namespace skin_gen {

struct SkinFile {
  QString name;    // file name inside skins/
  QImage image;
  QByteArray format;  // "PNG" or "BMP"
};

// All files of the skins folder.
std::vector<SkinFile> SkinFiles();

// The main window's outline (closed polygon in window coordinates).
QPolygon MainOutline();

// The program icon drawn at a size (appico.ico holds several).
QImage IconImage(int size);

}  // namespace skin_gen
