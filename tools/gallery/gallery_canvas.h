// SPDX-License-Identifier: GPL-2.0-or-later
// The gallery's drawing surface: a skinned dialog with labels, and the helpers that put
// controls into a state the way the user would (mouse moves, presses) before a picture is
// taken of them together with any open menu windows.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <vector>

#include "ui/skinned_dialog.h"

namespace gallery {

class Canvas : public CSkinnedDialog {
 public:
  // A canvas of the given size over a background image (stretched when smaller).
  Canvas(QSize size, const QImage& background);
  // Text drawn over the background in the window text colour.
  void Label(const QRect& rect, const QString& text, int flags = Qt::AlignLeft | Qt::AlignVCenter);
  void Heading(const QRect& rect, const QString& text);

 protected:
  void Paint(QPainter& painter) override;

 private:
  struct Text {
    QRect rect;
    QString text;
    int flags;
    bool heading;
  };
  std::vector<Text> texts_;
};

// A background of the given size: the picture's area at `from` when it covers it, filled
// out with the picture's colour at `from` elsewhere.
QImage BackgroundFrom(const QImage& picture, QPoint from, QSize size);

// The mouse moves over a point of a widget (no button held).
void HoverAt(QWidget* widget, QPoint local);

// A picture of the screen area `area`: the base picture (the area's own size), then the
// given windows drawn at their places in the order given.
QImage Compose(const QRect& area, const std::vector<QWidget*>& windows, const QImage& base = QImage());

// Writes a picture, optionally enlarged by a whole factor; prints the file's path.
bool Save(const QImage& picture, const QString& path, int zoom = 1);

}  // namespace gallery
