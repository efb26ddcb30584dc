// SPDX-License-Identifier: GPL-2.0-or-later
// Writes a Windows icon file (.ico) holding one 32-bit picture with alpha per size.
#pragma once

#include <QByteArray>
#include <QImage>
#include <vector>

namespace skin_gen {

// The images must be square and at most 255 pixels wide.
QByteArray IcoFile(const std::vector<QImage>& images);

}  // namespace skin_gen
