// SPDX-License-Identifier: GPL-2.0-or-later
#include "skin/app_icon.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>

#include "base/log.h"
#include "skin/skin_cache.h"
#include "skin/skin_image.h"

QIcon LoadAppIcon(const std::string& programFolder, int* error) {
  auto fail = [&](int code) {
    if (error) *error = code;
    return QIcon();
  };
  std::optional<QByteArray> bytes = ReadImageFile(programFolder + "appico.ico");
  if (!bytes) return fail(kIconErrorFileNotFound);

  QIcon icon;
  QBuffer buffer(&*bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  // An icon file goes straight to the icon reader; anything else is recognised from its
  // content.
  static constexpr char kIconHeader[] = {0, 0, 1, 0};
  if (bytes->startsWith(QByteArray::fromRawData(kIconHeader, 4))) {
    reader.setFormat("ico");
  } else {
    reader.setDecideFormatFromContent(true);
  }
  // An icon file holds one picture per size; each that decodes joins the icon.
  const int count = reader.imageCount();
  for (int i = 0; i < std::max(count, 1); ++i) {
    if (i > 0 && !reader.jumpToImage(i)) break;
    const QImage image = reader.read();
    if (!image.isNull()) icon.addPixmap(QPixmap::fromImage(image));
  }
  if (icon.isNull()) return fail(kIconErrorInvalidData);
  if (error) *error = 0;
  return icon;
}

namespace {

QPixmap DrawKeyCap(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  const QRectF outer(s * 0.06, s * 0.06, s * 0.88, s * 0.88);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 140, 0));
  p.drawRoundedRect(outer, s * 0.18, s * 0.18);
  const QRectF cap = outer.adjusted(s * 0.14, s * 0.1, -s * 0.14, -s * 0.2);
  p.setBrush(QColor(28, 29, 34));
  p.drawRoundedRect(cap, s * 0.1, s * 0.1);
  // A "T" on the cap.
  QPainterPath t;
  const qreal cx = cap.center().x();
  const qreal bar = std::max<qreal>(1.0, s * 0.09);
  t.addRect(QRectF(cap.left() + cap.width() * 0.22, cap.top() + cap.height() * 0.2, cap.width() * 0.56, bar));
  t.addRect(QRectF(cx - bar / 2, cap.top() + cap.height() * 0.2, bar, cap.height() * 0.6));
  p.setBrush(QColor(255, 140, 0));
  p.drawPath(t.simplified());
  p.end();
  return QPixmap::fromImage(image);
}

}  // namespace

QIcon BuiltInAppIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) icon.addPixmap(DrawKeyCap(size));
  return icon;
}

QIcon WindowIcon(const std::string& programFolder) {
  // Every skinned window asks for the icon: it is loaded once per program folder and
  // version of appico.ico (the same rule as the skin images).
  struct Kept {
    std::string folder;
    std::optional<FileStamp> stamp;
    QIcon icon;
  };
  static Kept kept;
  const std::optional<FileStamp> stamp = StampOf(programFolder + "appico.ico");
  if (stamp && kept.stamp == stamp && kept.folder == programFolder) return kept.icon;
  int error = 0;
  QIcon icon = LoadAppIcon(programFolder, &error);
  if (icon.isNull()) {
    WriteLog("Load Icon err=%x", error);
    return BuiltInAppIcon();
  }
  kept = {programFolder, stamp, icon};
  return icon;
}
