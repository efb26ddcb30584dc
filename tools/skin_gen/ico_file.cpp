// SPDX-License-Identifier: GPL-2.0-or-later
#include "tools/skin_gen/ico_file.h"

#include <QtEndian>

namespace skin_gen {

namespace {

void Put16(QByteArray& b, quint16 v) {
  const quint16 le = qToLittleEndian(v);
  b.append(reinterpret_cast<const char*>(&le), 2);
}
void Put32(QByteArray& b, quint32 v) {
  const quint32 le = qToLittleEndian(v);
  b.append(reinterpret_cast<const char*>(&le), 4);
}

// One icon picture: a bitmap header of twice the height (colour rows, then the mask
// rows), 32-bit BGRA rows from the bottom up, then a 1-bit transparency mask.
QByteArray IconPicture(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_ARGB32);
  const int w = image.width();
  const int h = image.height();
  const int maskStride = ((w + 31) / 32) * 4;
  QByteArray b;
  Put32(b, 40);
  Put32(b, static_cast<quint32>(w));
  Put32(b, static_cast<quint32>(h * 2));
  Put16(b, 1);
  Put16(b, 32);
  Put32(b, 0);
  Put32(b, static_cast<quint32>(w * h * 4 + maskStride * h));
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  for (int y = h - 1; y >= 0; --y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < w; ++x) Put32(b, row[x]);  // 0xAARRGGBB little-endian is B, G, R, A
  }
  for (int y = h - 1; y >= 0; --y) {
    const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    QByteArray mask(maskStride, '\0');
    for (int x = 0; x < w; ++x) {
      if (qAlpha(row[x]) == 0) mask[x / 8] = static_cast<char>(mask[x / 8] | (0x80 >> (x % 8)));
    }
    b.append(mask);
  }
  return b;
}

}  // namespace

QByteArray IcoFile(const std::vector<QImage>& images) {
  QByteArray file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, static_cast<quint16>(images.size()));
  std::vector<QByteArray> pictures;
  for (const QImage& image : images) pictures.push_back(IconPicture(image));
  quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    file.append(static_cast<char>(images[i].width()));
    file.append(static_cast<char>(images[i].height()));
    file.append('\0');  // no palette
    file.append('\0');
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, static_cast<quint32>(pictures[i].size()));
    Put32(file, offset);
    offset += static_cast<quint32>(pictures[i].size());
  }
  for (const QByteArray& p : pictures) file.append(p);
  return file;
}

}  // namespace skin_gen
