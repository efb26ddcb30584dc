// SPDX-License-Identifier: GPL-2.0-or-later
// The gallery's sheets: each draws controls of one kind in their states with the skin of
// the program folder in use and writes one PNG file.
#pragma once

#include <QString>

namespace gallery {

// Every kind of image button in every state: normal, hover, pressed, checked, checked and
// hovered, disabled.
bool ButtonSheet(const QString& path);
// The lighting panel's controls on its background, with the mode list open.
bool LightingPanelSheet(const QString& path);
// A context menu with a submenu open, over the macro editor's face.
bool SubmenuSheet(const QString& path);
// Sliders of several ranges at several steps, one with the UIDebug lines.
bool SliderSheet(const QString& path);
// Colour swatches: a colour, the none mark and black, not selected and selected.
bool SwatchSheet(const QString& path);
// The message box in each mode, and the capture box with captured keys.
bool MessageBoxSheet(const QString& path);
// The progress dialog at 0, 20, 70 and 100.
bool ProgressSheet(const QString& path);
// The keyboard picture over the main window with keys of their own function, a colour
// group, the selected key and the key under the mouse.
bool KeyboardPictureSheet(const QString& path);

}  // namespace gallery
