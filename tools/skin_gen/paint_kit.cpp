// SPDX-License-Identifier: GPL-2.0-or-later
#include "tools/skin_gen/paint_kit.h"

#include <QLinearGradient>

#include "tools/skin_gen/skin_layout.h"

namespace skin_gen {

QImage Canvas(QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

Sketch::Sketch(QSize size) : image(Canvas(size)), p(&image) { p.setRenderHint(QPainter::Antialiasing); }

QImage Sketch::Take() {
  p.end();
  return image;
}

QFont SkinFont(int pixelSize, bool bold) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferNoHinting);
  font.setStyleStrategy(QFont::PreferAntialias);
  return font;
}

void Panel(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom,
           const QColor& border, int highlightAlpha) {
  QLinearGradient g(r.topLeft(), r.bottomLeft());
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  const QRectF body = r.adjusted(0.5, 0.5, -0.5, -0.5);
  p.setPen(QPen(border, 1));
  p.setBrush(g);
  p.drawRoundedRect(body, radius, radius);
  if (highlightAlpha > 0) {
    p.setPen(QPen(QColor(255, 255, 255, highlightAlpha), 1));
    p.drawLine(QPointF(body.left() + radius, body.top() + 1), QPointF(body.right() - radius, body.top() + 1));
  }
}

void AccentRule(QPainter& p, qreal x0, qreal x1, qreal y, const QColor& colour, qreal width) {
  QLinearGradient g(QPointF(x0, y), QPointF(x1, y));
  QColor clear = colour;
  clear.setAlpha(0);
  g.setColorAt(0, clear);
  g.setColorAt(0.15, colour);
  g.setColorAt(0.85, colour);
  g.setColorAt(1, clear);
  p.fillRect(QRectF(x0, y, x1 - x0, width), g);
}

void Hatch(QPainter& p, const QRectF& r, const QColor& colour, qreal step) {
  p.save();
  p.setClipRect(r);
  p.setPen(QPen(colour, 1));
  for (qreal x = r.left() - r.height(); x < r.right(); x += step) {
    p.drawLine(QPointF(x, r.bottom()), QPointF(x + r.height(), r.top()));
  }
  p.restore();
}

void CrossGlyph(QPainter& p, const QRectF& r, const QColor& colour, qreal size, qreal width) {
  const QPointF c = r.center();
  const qreal h = size / 2;
  p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(c + QPointF(-h, -h), c + QPointF(h, h));
  p.drawLine(c + QPointF(-h, h), c + QPointF(h, -h));
}

void ChevronDown(QPainter& p, const QPointF& c, qreal size, const QColor& colour) {
  p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  const qreal h = size / 2;
  p.drawPolyline(QPolygonF() << c + QPointF(-h, -h / 2) << c + QPointF(0, h / 2) << c + QPointF(h, -h / 2));
}

void ChevronRight(QPainter& p, const QPointF& c, qreal size, const QColor& colour) {
  p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  const qreal h = size / 2;
  p.drawPolyline(QPolygonF() << c + QPointF(-h / 2, -h) << c + QPointF(h / 2, 0) << c + QPointF(-h / 2, h));
}

void DialogFace(QPainter& p, QSize size, int headerHeight) {
  const QRectF all(0, 0, size.width(), size.height());
  QLinearGradient body(all.topLeft(), all.bottomLeft());
  body.setColorAt(0, colour::kBack1);
  body.setColorAt(1, colour::kBack0);
  p.fillRect(all, body);
  const QRectF header(0, 0, size.width(), headerHeight);
  QLinearGradient head(header.topLeft(), header.bottomLeft());
  head.setColorAt(0, QColor(34, 35, 42));
  head.setColorAt(1, QColor(24, 25, 30));
  p.fillRect(header, head);
  Hatch(p, QRectF(size.width() * 0.45, 0, size.width() * 0.3, headerHeight), QColor(255, 255, 255, 7));
  AccentRule(p, 0, size.width(), headerHeight - 2, colour::kAccent);
  p.setPen(QPen(colour::kPanelLine, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(all.adjusted(0.5, 0.5, -0.5, -0.5));
  // An accent corner mark at the top left.
  p.fillRect(QRectF(0, 0, 4, headerHeight - 2), colour::kAccent);
}

void ButtonFace(QPainter& p, const QRectF& r, ButtonLook look, qreal radius) {
  switch (look) {
    case ButtonLook::Normal:
      Panel(p, r, radius, QColor(44, 46, 54), QColor(30, 32, 38), QColor(64, 67, 77));
      break;
    case ButtonLook::Hover:
      Panel(p, r, radius, QColor(56, 58, 68), QColor(36, 38, 45), colour::kAccent, 30);
      break;
    case ButtonLook::Pressed:
      Panel(p, r, radius, QColor(110, 58, 0), QColor(70, 36, 0), colour::kAccent, 0);
      break;
    case ButtonLook::Accent:
      Panel(p, r, radius, colour::kAccentLight, colour::kAccentDark, QColor(255, 196, 120), 60);
      break;
  }
}

}  // namespace skin_gen
