// SPDX-License-Identifier: GPL-2.0-or-later
#include "tools/gallery/gallery_canvas.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cstdio>

#include "app/program_settings.h"
#include "skin/app_font.h"
#include "skin/window_region.h"

namespace gallery {

Canvas::Canvas(QSize size, const QImage& background) {
  resize(size);
  SetBackground(background, background.size() == size ? Fit::NaturalSize : Fit::Stretch);
}

void Canvas::Label(const QRect& rect, const QString& text, int flags) { texts_.push_back({rect, text, flags, false}); }

void Canvas::Heading(const QRect& rect, const QString& text) {
  texts_.push_back({rect, text, Qt::AlignLeft | Qt::AlignVCenter, true});
}

void Canvas::Paint(QPainter& painter) {
  CSkinnedDialog::Paint(painter);
  const QColor text = QColor::fromRgb(ToQRgb(Settings().Txt_clr));
  for (const Text& t : texts_) {
    painter.setFont(WindowFont(t.heading ? 16 : 13, t.heading ? 600 : 400));
    painter.setPen(t.heading ? text : text.darker(130));
    painter.drawText(t.rect, t.flags, t.text);
  }
}

QImage BackgroundFrom(const QImage& picture, QPoint from, QSize size) {
  QImage background(size, QImage::Format_ARGB32_Premultiplied);
  background.fill(picture.valid(from) ? picture.pixel(from) : qRgb(24, 24, 28));
  QPainter p(&background);
  p.drawImage(QPoint(0, 0), picture, QRect(from, size));
  return background;
}

void HoverAt(QWidget* widget, QPoint local) {
  const QPointF global = widget->mapToGlobal(QPointF(local));
  QEnterEvent enter(QPointF(local), global, global);
  QApplication::sendEvent(widget, &enter);
  QMouseEvent move(QEvent::MouseMove, QPointF(local), global, Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

QImage Compose(const QRect& area, const std::vector<QWidget*>& windows, const QImage& base) {
  QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
  picture.fill(qRgb(40, 40, 44));
  QPainter p(&picture);
  p.drawImage(0, 0, base);
  for (QWidget* w : windows) {
    if (w == nullptr || !w->isVisible()) continue;
    p.drawPixmap(w->mapToGlobal(QPoint(0, 0)) - area.topLeft(), w->grab());
  }
  return picture;
}

bool Save(const QImage& picture, const QString& path, int zoom) {
  const QImage shown = zoom > 1 ? picture.scaled(picture.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                                : picture;
  if (!shown.save(path)) {
    std::fprintf(stderr, "tastor-gallery: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace gallery
