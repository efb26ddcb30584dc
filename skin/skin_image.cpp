// SPDX-License-Identifier: GPL-2.0-or-later
#include "skin/skin_image.h"

#include <QBuffer>
#include <QImageReader>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cstring>

#include "app/paths.h"
#include "base/log.h"
#include "platform/checked_file.h"
#include "skin/pixel_cache.h"
#include "skin/skin_cache.h"

namespace {

// Qt converts an image, and fills a rectangle, of this many pixels or more on its Gui thread
// pool; a band below it is done on the calling thread.
constexpr qsizetype kPoolConversionPixels = 2 * 65536;

// The image in the format the windows paint in, converted band by band on this thread:
// the pool's start-up and hand-overs happen inside Qt where the thread checker cannot see
// them, and a skin is converted once, at load, so the pool saves nothing worth having.
QImage ToPaintFormat(QImage image) {
  constexpr QImage::Format kPaint = QImage::Format_ARGB32_Premultiplied;
  if (image.format() == kPaint) return image;
  if (image.format() == QImage::Format_ARGB32) {
    // The usual case (a PNG with alpha): premultiplied where it lies, with Qt's own
    // rounding, so no second copy of a large image is made.
    for (int y = 0; y < image.height(); ++y) {
      auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x) row[x] = qPremultiply(row[x]);
    }
    image.reinterpretAsFormat(kPaint);
    return image;
  }
  const int width = image.width();
  const int height = image.height();
  if (static_cast<qsizetype>(width) * height < kPoolConversionPixels) return image.convertToFormat(kPaint);
  QImage result(width, height, kPaint);
  if (result.isNull()) return result;
  const int bandRows = static_cast<int>(std::max<qsizetype>(1, (kPoolConversionPixels - 1) / width));
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  for (int top = 0; top < height; top += bandRows) {
    const int rows = std::min(bandRows, height - top);
    const QImage band = image.copy(0, top, width, rows).convertToFormat(kPaint);
    if (band.isNull()) return QImage();
    for (int y = 0; y < rows; ++y) std::memcpy(result.scanLine(top + y), band.constScanLine(y), rowBytes);
  }
  return result;
}

}  // namespace

SkinImage::SkinImage(QImage image) {
  if (image.isNull()) return;
  image_ = ToPaintFormat(std::move(image));
  if (image_.isNull()) {  // no memory for the converted copy
    status_ = ImageStatus::InvalidData;
    return;
  }
  status_ = ImageStatus::Ok;
}

std::string SkinFolder(const std::string& programFolder) { return programFolder + "skins/"; }

std::string SkinPath(const std::string& programFolder, const std::string& fileName) {
  return SkinFolder(programFolder) + fileName;
}

std::string SkinPath(const std::string& fileName) { return SkinPath(Paths().programFolder, fileName); }

std::optional<QByteArray> ReadImageFile(const std::string& path) {
  const FileBytes file = ReadWholeFile(path, kMaxImageFileBytes);
  if (!file.ok()) {
    // A missing image is common and each user decides about it; a pipe, a device or a
    // huge file in an image's place is worth a line.
    if (file.error == kNotAFileError || file.error == kTooLargeError) {
      WriteLog("Image %s: %s", path.c_str(), file.Reason().c_str());
    }
    return std::nullopt;
  }
  return QByteArray(file.bytes.data(), static_cast<qsizetype>(file.bytes.size()));
}

namespace {

// The decoder a file's first bytes name, so that Qt goes straight to its own PNG or BMP
// reader instead of asking every image plugin whether it knows the data; empty for
// anything else, which Qt then recognises from the content as before.
const char* FormatOfContent(const QByteArray& bytes) {
  static constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
  if (bytes.startsWith(QByteArray::fromRawData(kPngSignature, 8))) return "png";
  if (bytes.startsWith("BM")) return "bmp";
  return "";
}

}  // namespace

SkinImage DecodeImageFile(const std::string& path) {
  SkinImage result;
  std::optional<QByteArray> bytes = ReadImageFile(path);
  if (!bytes) {
    result.status_ = ImageStatus::FileNotFound;
    return result;
  }
  // A large image decoded at an earlier start is read as it was kept, ready to paint.
  const bool worthKeeping = pixel_cache::WorthKeeping(*bytes);
  const std::string cacheFolder = worthKeeping ? pixel_cache::Folder() : std::string();
  if (worthKeeping) {
    if (QImage kept = pixel_cache::Find(cacheFolder, *bytes); !kept.isNull()) return SkinImage(std::move(kept));
  }
  // The format is taken from the file's content, so a PNG renamed .bmp still loads and a
  // text file named .png does not.
  QBuffer buffer(&*bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  const char* format = FormatOfContent(*bytes);
  if (*format != 0) {
    reader.setFormat(format);
  } else {
    reader.setDecideFormatFromContent(true);
  }
  QImage image = reader.read();
  if (image.isNull()) {
    result.status_ = ImageStatus::InvalidData;
    return result;
  }
  result = SkinImage(std::move(image));
  if (worthKeeping && result.IsLoaded()) pixel_cache::Keep(cacheFolder, *bytes, result.Image());
  return result;
}

namespace {

// Qt hands a fill or an image draw of 96 spans or more to its pool; a span is a row, or the
// piece of a row that a clip leaves. The painter's clip (the window's region, or the part
// being repainted) is covered rectangle by rectangle, each in bands of fewer rows.
template <typename PaintBand>
void InBandsOfTheClip(QPainter& painter, const QRect& area, const PaintBand& paint) {
  constexpr int kBandRows = 32;
  QRegion parts(area);
  if (const QPaintEngine* engine = painter.paintEngine(); engine != nullptr && !engine->systemClip().isEmpty()) {
    bool invertible = false;
    const QTransform toLogical = painter.deviceTransform().inverted(&invertible);
    if (invertible) parts = parts.intersected(toLogical.map(engine->systemClip()));
  }
  for (const QRect& part : parts) {
    for (int top = part.top(); top <= part.bottom(); top += kBandRows) {
      paint(QRect(part.left(), top, part.width(), std::min(kBandRows, part.bottom() + 1 - top)));
    }
  }
}

}  // namespace

void FillOnThisThread(QPainter& painter, const QRect& area, const QColor& colour) {
  InBandsOfTheClip(painter, area, [&](const QRect& band) { painter.fillRect(band, colour); });
}

void DrawImageOnThisThread(QPainter& painter, const QPoint& at, const QImage& image) {
  InBandsOfTheClip(painter, QRect(at, image.size()),
                   [&](const QRect& band) { painter.drawImage(band.topLeft(), image, band.translated(-at)); });
}

SkinImage LoadImage(const std::string& path) { return skin_cache::Load(path); }

SkinImage LoadSkinImage(const std::string& fileName) { return LoadImage(SkinPath(fileName)); }
