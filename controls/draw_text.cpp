// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/draw_text.h"

#include <QFontMetrics>
#include <QPainter>

void DrawText(QPainter& painter, const QRect& rect, const QString& text, unsigned format) {
  if (text.isEmpty()) return;
  Qt::Alignment align = (format & DT_CENTER) != 0 ? Qt::AlignHCenter
                        : (format & DT_RIGHT) != 0 ? Qt::AlignRight
                                                   : Qt::AlignLeft;
  const bool singleLine = (format & DT_SINGLELINE) != 0;
  int flags = 0;
  QString shown = text;
  if (singleLine) {
    // Vertical placement exists for single lines only; multi-line texts start at the top.
    align |= (format & DT_VCENTER) != 0 ? Qt::AlignVCenter : (format & DT_BOTTOM) != 0 ? Qt::AlignBottom : Qt::AlignTop;
    flags |= Qt::TextSingleLine;
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
}
