// The skin's look for a single-line edit: a dark field, the list text colour and a flat
// one-pixel frame instead of the stock white field with its focus ring.
#pragma once

#include "app/types.h"

class QLineEdit;

// Gives the edit the field colour (0x141414 unless told), the text colour and a frame in
// frameColour.
void ApplySkinnedEditLook(QLineEdit* edit, COLORREF textColour, COLORREF fieldColour = RGB(0x14, 0x14, 0x14),
                          COLORREF frameColour = RGB(100, 100, 100));
