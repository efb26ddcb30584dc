// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/control_look.h"

#include "base/settings.h"

namespace {

ControlLook& InstalledLook() {
  static ControlLook look;
  return look;
}

}  // namespace

ControlLook ControlLookOf(const AppSettings& s) {
  ControlLook look;
  look.buttonText[0] = s.Btn_txt_clr_nr;
  look.buttonText[1] = s.Btn_txt_clr_ov;
  look.buttonText[2] = s.Btn_txt_clr_dn;
  look.menuText[0] = s.Menu_txt_clr_nr;
  look.menuText[1] = s.Menu_txt_clr_ov;
  look.menuText[2] = s.Menu_txt_clr_dn;
  look.listText = s.LstBox_txt_clr_nr;
  look.listSelectedText = s.LstBox_txt_clr_dn;
  look.listBackground = s.LstBox_bkg_clr;
  look.listSelection = s.LstBox_item_clr;
  look.tips = s.BtnTips != 0;
  look.menuWidth = s.MenuW;
  look.menuAlign = s.MenuAlign;
  look.debugFrames = s.UIDebug != 0;
  return look;
}

const ControlLook& CurrentControlLook() { return InstalledLook(); }

void InstallControlLook(const ControlLook& look) { InstalledLook() = look; }
