// SPDX-License-Identifier: GPL-2.0-or-later
// A picture of the main window as the reference skin shows it, composed off-screen with
// the program's own skin code from a program folder (cfg.ini, text.xml and skins/).
#pragma once

#include <QImage>
#include <string>

namespace skin_gen {

// The settings of programFolder must be loaded (LoadSettings) before.
QImage ComposeMainWindow(const std::string& programFolder);

}  // namespace skin_gen
