// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/draw_text.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <cmath>

namespace {

DrawnTextObserver& Observer() {
  static DrawnTextObserver observer = nullptr;
  return observer;
}

// True when the line is drawn whole in the width: the same test the ellipsis makes.
bool Fits(const QFont& font, const QString& text, int width) {
  return QFontMetrics(font).elidedText(text, Qt::ElideRight, width) == text;
}

// The painter's font made smaller, step by step down to the floor, until the text fits the
// width; the floor's size when even that is too wide.
QFont FittingFont(const QFont& font, const QString& text, int width) {
  if (Fits(font, text, width)) return font;
  const bool pixels = font.pixelSize() > 0;
  const qreal size = pixels ? font.pixelSize() : font.pointSizeF();
  if (size <= 0) return font;
  QFont smaller = font;
  for (int percent = 95; percent >= kSmallestFitPercent; percent -= 5) {
    const qreal scaled = size * percent / 100.0;
    if (pixels) {
      smaller.setPixelSize(std::max(1, static_cast<int>(std::lround(scaled))));
    } else {
      smaller.setPointSizeF(scaled);
    }
    if (Fits(smaller, text, width)) break;
  }
  return smaller;
}

}  // namespace

void SetDrawnTextObserver(DrawnTextObserver observer) { Observer() = observer; }

void PrepareSkinPainter(QPainter& painter) {
  const QPaintDevice* device = painter.device();
  const qreal ratio = device != nullptr ? device->devicePixelRatioF() : 1.0;
  const bool whole = std::abs(ratio - std::round(ratio)) < 0.01;
  painter.setRenderHint(QPainter::SmoothPixmapTransform, !whole);
}

void DrawText(QPainter& painter, const QRect& rect, const QString& text, unsigned format) {
  if (text.isEmpty()) return;
  if (DrawnTextObserver observer = Observer()) observer(text, rect);
  Qt::Alignment align = (format & DT_CENTER) != 0 ? Qt::AlignHCenter
                        : (format & DT_RIGHT) != 0 ? Qt::AlignRight
                                                   : Qt::AlignLeft;
  const bool singleLine = (format & DT_SINGLELINE) != 0;
  int flags = 0;
  QString shown = text;
  const QFont font = painter.font();
  if (singleLine) {
    // Vertical placement exists for single lines only; multi-line texts start at the top.
    align |= (format & DT_VCENTER) != 0 ? Qt::AlignVCenter : (format & DT_BOTTOM) != 0 ? Qt::AlignBottom : Qt::AlignTop;
    flags |= Qt::TextSingleLine;
    if (rect.width() > 0) painter.setFont(FittingFont(font, text, rect.width()));
    if ((format & DT_END_ELLIPSIS) != 0) {
      shown = QFontMetrics(painter.font()).elidedText(text, Qt::ElideRight, rect.width());
    }
  } else {
    align |= Qt::AlignTop;
    if ((format & DT_WORDBREAK) != 0) flags |= Qt::TextWordWrap;
  }
  const bool clip = (format & DT_NOCLIP) == 0;
  if (clip) {
    painter.save();
    painter.setClipRect(rect, Qt::IntersectClip);
  }
  painter.drawText(rect, static_cast<int>(align) | flags, shown);
  if (clip) painter.restore();
  painter.setFont(font);
}
