// SPDX-License-Identifier: GPL-2.0-or-later
// Drawing helpers shared by the reference skin's images: fonts, bevelled panels and
// buttons, glyphs. Everything is drawn with antialiasing on a transparent canvas unless
// said otherwise.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <QSize>

namespace skin_gen {

// A transparent premultiplied ARGB canvas.
QImage Canvas(QSize size);

// A canvas with an antialiasing painter on it; Take() ends the painting and hands over
// the picture.
struct Sketch {
  explicit Sketch(QSize size);
  QImage Take();
  QImage image;
  QPainter p;
};
// DejaVu Sans at a pixel size; the legends and the logo use it.
QFont SkinFont(int pixelSize, bool bold = false);

// A rounded panel: vertical gradient from top to bottom colour, a one-pixel border and a
// faint highlight along the top edge.
void Panel(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom,
           const QColor& border, int highlightAlpha = 18);
// A horizontal line whose ends fade out: the accent rule under headers.
void AccentRule(QPainter& p, qreal x0, qreal x1, qreal y, const QColor& colour, qreal width = 2);
// Diagonal hatching inside a rectangle (the header's texture).
void Hatch(QPainter& p, const QRectF& r, const QColor& colour, qreal step = 6);

// Glyphs drawn with a pen, centred in a rectangle.
void CrossGlyph(QPainter& p, const QRectF& r, const QColor& colour, qreal size, qreal width = 2);
void ChevronDown(QPainter& p, const QPointF& centre, qreal size, const QColor& colour);
void ChevronRight(QPainter& p, const QPointF& centre, qreal size, const QColor& colour);

// The dialog face every skinned dialog shares: a dark body, a header strip with the
// accent rule under it, and a frame.
void DialogFace(QPainter& p, QSize size, int headerHeight);

// The bevelled buttons: normal, hover (accent border) and pressed (accent fill).
enum class ButtonLook { Normal, Hover, Pressed, Accent };
void ButtonFace(QPainter& p, const QRectF& r, ButtonLook look, qreal radius = 4);

}  // namespace skin_gen
