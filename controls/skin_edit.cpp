// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/skin_edit.h"

#include <QLineEdit>
#include <algorithm>

#include "controls/control_look.h"

namespace {

// A colour moved towards white by `amount` (0 to 255) in each channel.
COLORREF Lighter(COLORREF colour, int amount) {
  auto channel = [&](int shift) {
    const int value = static_cast<int>((colour >> shift) & 0xFF);
    return static_cast<COLORREF>(std::min(255, value + amount)) << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

QString Css(COLORREF colour) {
  return QStringLiteral("rgb(%1, %2, %3)").arg(colour & 0xFF).arg((colour >> 8) & 0xFF).arg((colour >> 16) & 0xFF);
}

}  // namespace

SkinEditColours SkinEditColoursOf(const ControlLook& look) {
  SkinEditColours colours;
  colours.field = look.listBackground;
  colours.text = look.listText;
  colours.selection = look.listSelection;
  colours.selectedText = look.listSelectedText;
  colours.border = Lighter(look.listBackground, 40);
  colours.focusBorder = Lighter(look.listBackground, 80);
  return colours;
}

QString SkinEditStyleSheet(const SkinEditColours& c) {
  return QStringLiteral(
             "QLineEdit { background-color: %1; color: %2; border: 1px solid %3; border-radius: 0px;"
             " padding: 0px 4px; selection-background-color: %4; selection-color: %5; }"
             " QLineEdit:focus { border: 1px solid %6; }")
      .arg(Css(c.field), Css(c.text), Css(c.border), Css(c.selection), Css(c.selectedText), Css(c.focusBorder));
}

void ApplySkinEditLook(QLineEdit& edit) {
  edit.setFrame(false);
  edit.setAttribute(Qt::WA_MacShowFocusRect, false);
  edit.setStyleSheet(SkinEditStyleSheet(SkinEditColoursOf(CurrentControlLook())));
}
