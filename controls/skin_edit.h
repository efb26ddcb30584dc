// SPDX-License-Identifier: GPL-2.0-or-later
// The look of the program's edits (the message box's text, number and key-capture fields,
// the macro editor's loop count): a dark field of the list background colour, the list
// text colour, the list item colour behind a selection, and a thin border of the field's
// own tone in place of the platform's frame and focus ring, so that an edit belongs to the
// skinned window it lies in.
#pragma once

#include <QString>

#include "base/types.h"

class QLineEdit;
struct ControlLook;

// The colours an edit is drawn in, from the look's list colours.
struct SkinEditColours {
  COLORREF field = 0;      // LstBox_bkg_clr
  COLORREF text = 0;       // LstBox_txt_clr_nr
  COLORREF selection = 0;  // LstBox_item_clr
  COLORREF selectedText = 0;  // LstBox_txt_clr_dn
  COLORREF border = 0;        // the field, lighter
  COLORREF focusBorder = 0;   // the field, lighter still, while the edit has the focus
};
SkinEditColours SkinEditColoursOf(const ControlLook& look);

// The style sheet that draws an edit in these colours.
QString SkinEditStyleSheet(const SkinEditColours& colours);

// Gives an edit the skin's look: no platform frame, the colours of the installed look.
void ApplySkinEditLook(QLineEdit& edit);
