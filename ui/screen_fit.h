// SPDX-License-Identifier: GPL-2.0-or-later
// The windows' scale, chosen before the application object is made (Qt fixes it then, from
// QT_SCALE_FACTOR among others): the Scale setting of cfg.ini, in percent, 100 to 400, for
// screens whose desktop does not report their density; otherwise Qt's own choice from the
// desktop (a factor of 2 on a screen set to 192 dpi, 1.25 at 120 dpi). A QT_SCALE_FACTOR the
// user set is left alone. Qt's widgets do not draw below a factor of 1 (the painter keeps
// a device pixel ratio of at least 1 and draws unscaled into the shrunk window), so a
// screen smaller than a window cannot be met by scaling down: the windows are kept on the
// screen instead (CSkinnedDialog::KeepOnScreen). Called by main() only.
#pragma once

#include <QSize>
#include <string>

enum class WindowScale {
  kUser,     // QT_SCALE_FACTOR was set by the user
  kSetting,  // the Scale setting
  kDesktop,  // Qt's choice from the desktop
};

// Before the application object: applies the Scale setting when it holds one.
WindowScale PrepareWindowScale(const std::string& programFolder);

// The factor a Scale setting asks for: percent / 100 for 100 to 400, else 0 (none).
double ScaleSettingFactor(int percent);

// What was chosen, for the log ("Window scale: ...").
std::string WindowScaleDescription();
