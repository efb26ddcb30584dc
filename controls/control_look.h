// SPDX-License-Identifier: GPL-2.0-or-later
// ControlLook: what the skinned controls draw with that comes from the keyboard's skin
// description: the text colours of buttons, menus and list fields, the tool-tip switch, the
// drop-down width and menu alignment, and the debug frames. The GUI's start-up (or a test)
// installs one from its AppSettings before it makes a control; the controls read the look
// they were given and never the settings.
#pragma once

#include "base/types.h"

struct AppSettings;

struct ControlLook {
  COLORREF buttonText[3] = {0, 0, 0};  // normal, hovered, pressed (Btn_txt_clr_*)
  COLORREF menuText[3] = {0, 0, 0};    // normal, hovered, pressed (Menu_txt_clr_*)
  COLORREF listText = 0;               // LstBox_txt_clr_nr
  COLORREF listSelectedText = 0;       // LstBox_txt_clr_dn
  COLORREF listBackground = 0;         // LstBox_bkg_clr
  COLORREF listSelection = 0;          // LstBox_item_clr
  bool tips = false;                   // BtnTips: captions are also tool tips
  int menuWidth = 0;                   // MenuW: drop-down width, 0 for the button's own
  int menuAlign = 0;                   // MenuAlign, given to the menu library
  bool debugFrames = false;            // UIDebug: frames around buttons and slider bars
};

// The look the settings describe.
ControlLook ControlLookOf(const AppSettings& settings);

// The look the controls draw with: the one installed last, or the default look.
const ControlLook& CurrentControlLook();
void InstallControlLook(const ControlLook& look);
