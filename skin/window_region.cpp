// SPDX-License-Identifier: GPL-2.0-or-later
#include "skin/window_region.h"

#include <QPainter>
#include <QWidget>
#include <vector>

#include "skin/skin_cache.h"

QImage FlattenOnto(const QImage& image, QRgb background) {
  QImage flat(image.size(), QImage::Format_RGB32);
  flat.fill(background | 0xFF000000u);
  QPainter painter(&flat);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.drawImage(0, 0, image);
  return flat;
}

namespace {

// Rectangles of one block, turned into a region. The runs come row by row and left to
// right and never touch within a row, which is the banded order QRegion::setRects wants.
QRegion BlockRegion(const std::vector<QRect>& rects) {
  QRegion block;
  if (!rects.empty()) block.setRects(rects.data(), static_cast<int>(rects.size()));
  return block;
}

}  // namespace

QRegion RegionFromImage(const QImage& bitmap, QRgb key) {
  QRegion result;
  if (bitmap.isNull()) return result;
  // A 32-bit copy of the bitmap's own size, so every format is read the same way.
  const QImage pixels = bitmap.format() == QImage::Format_RGB32 || bitmap.format() == QImage::Format_ARGB32
                            ? bitmap
                            : bitmap.convertToFormat(QImage::Format_ARGB32);
  const QRgb keyRgb = key & 0x00FFFFFFu;
  std::vector<QRect> block;
  block.reserve(kRegionBlockRects);

  const int width = pixels.width();
  for (int y = 0; y < pixels.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    int x = 0;
    while (x < width) {
      while (x < width && (row[x] & 0x00FFFFFFu) == keyRgb) ++x;
      if (x == width) break;
      const int first = x;
      while (x < width && (row[x] & 0x00FFFFFFu) != keyRgb) ++x;
      block.emplace_back(first, y, x - first, 1);
      if (static_cast<int>(block.size()) == kRegionBlockRects) {
        result = result.united(BlockRegion(block));
        block.clear();
      }
    }
  }
  if (!block.empty()) result = result.united(BlockRegion(block));
  return result;
}

WindowShape MainWindowShape(const SkinImage& background, const SkinImage& mask, COLORREF clrMask) {
  WindowShape shape;
  if (background.Width() == 0) return shape;
  if (mask.Width() != 0) {
    constexpr QRgb white = 0xFFFFFFFFu;
    shape.source = ShapeSource::Mask;
    shape.region = RegionFromImage(FlattenOnto(mask.Image(), white), white);
  } else if (clrMask != 0) {
    const QRgb key = ToQRgb(clrMask);
    shape.source = ShapeSource::ColourKey;
    shape.region = RegionFromImage(FlattenOnto(background.Image(), key), key);
  }
  return shape;
}

WindowShape LoadMainWindowShape(const std::string& programFolder, const SkinImage& background, COLORREF clrMask) {
  if (background.Width() == 0) return {};
  // The mask's region is worked out once per version of the file (at start-up on the
  // prefetch thread), without keeping the mask image itself.
  if (std::optional<QRegion> region = skin_cache::WhiteKeyRegion(skin_cache::MainWindowMask(programFolder))) {
    return {ShapeSource::Mask, *region};
  }
  return MainWindowShape(background, SkinImage(), clrMask);
}

void ApplyWindowShape(QWidget* window, const WindowShape& shape) {
  if (shape.source == ShapeSource::Rectangular) {
    window->clearMask();
  } else {
    // An empty region is a window with no visible pixel; setMask would take an empty
    // region as "no mask", so it is given a region that covers nothing on screen.
    window->setMask(shape.region.isEmpty() ? QRegion(-1, -1, 1, 1) : shape.region);
  }
  window->update();
}
