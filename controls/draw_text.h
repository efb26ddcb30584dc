// SPDX-License-Identifier: GPL-2.0-or-later
// Text drawing with the platform's text-format flags, as the skinned windows give them:
// captions of image buttons, the value fields of the lighting panel, the texts of the
// message box, the progress dialog, the picker and the macro editor.
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
// DT_NOCLIP nothing is drawn outside the rectangle. A single line too wide for the
// rectangle is drawn with a smaller font first, down to kSmallestFitPercent of the
// painter's font, and only then cut with the ellipsis (DT_END_ELLIPSIS); so a translated
// caption a little longer than the English one still reads whole.
void DrawText(QPainter& painter, const QRect& rect, const QString& text, unsigned format);

// How far DrawText shrinks a line's font to make it fit, in percent of the font's size.
inline constexpr int kSmallestFitPercent = 75;

// Every text DrawText draws passes here first, when set (tests read what the windows show).
using DrawnTextObserver = void (*)(const QString& text, const QRect& rect);
void SetDrawnTextObserver(DrawnTextObserver observer);

// Prepares a painter of a skinned window for its images: at a scale that is not a whole
// number (a fitted 0.91, a desktop at 1.25) images are filtered smoothly so that the skin's
// thin lines do not drop out; at whole numbers (1, 2) they are drawn pixel for pixel, which
// keeps their edges sharp.
void PrepareSkinPainter(QPainter& painter);
