// SPDX-License-Identifier: GPL-2.0-or-later
// Text drawing with the platform's text-format flags, as the skinned windows give them:
// captions of image buttons, the value fields of the lighting panel, the texts of the
// message box and the progress dialog.
#pragma once

#include <QRect>
#include <QString>

class QPainter;

// Text-format flags (the platform's values).
enum : unsigned {
  DT_TOP = 0x0,
  DT_LEFT = 0x0,
  DT_CENTER = 0x1,
  DT_RIGHT = 0x2,
  DT_VCENTER = 0x4,         // single-line texts only
  DT_BOTTOM = 0x8,          // single-line texts only
  DT_WORDBREAK = 0x10,      // multi-line texts break between words
  DT_SINGLELINE = 0x20,
  DT_NOCLIP = 0x100,
  DT_END_ELLIPSIS = 0x8000, // a text too wide for the rectangle ends with "..."
};

// Draws text in rect with the painter's font and pen, laid out as the flags say. Without
// DT_NOCLIP nothing is drawn outside the rectangle.
void DrawText(QPainter& painter, const QRect& rect, const QString& text, unsigned format);
