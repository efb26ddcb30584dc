// SPDX-License-Identifier: GPL-2.0-or-later
// Window shapes from images. The main window has no frame: its outline is the set of
// pixels of its mask image (or of its background) that are not the key colour, made into
// a region of one-pixel-high runs and given to the window with QWidget::setMask.
#pragma once

#include <QImage>
#include <QRegion>
#include <string>

#include "base/types.h"
#include "skin/skin_image.h"

class QWidget;

// Runs are gathered this many at a time into a block region that is then united with the
// region built so far.
constexpr int kRegionBlockRects = 2000;

// A 32-bit opaque copy of image on a background of the given colour: transparent pixels
// become that colour, half-transparent ones are blended with it.
QImage FlattenOnto(const QImage& image, QRgb background);

// The region of every pixel of bitmap whose red, green and blue are not exactly those of
// key (alpha is not looked at). Each row contributes one rectangle per run of such pixels,
// from its first pixel to just after its last. An image of nothing but the key colour
// gives an empty region.
QRegion RegionFromImage(const QImage& bitmap, QRgb key);

// How the main window is shaped.
enum class ShapeSource {
  Rectangular,  // no region: the window keeps its rectangle
  Mask,         // main_mask.png: every pixel that is not white
  ColourKey,    // main_nr.png: every pixel that is not the clrMask colour
};

struct WindowShape {
  ShapeSource source = ShapeSource::Rectangular;
  QRegion region;  // empty for Rectangular
};

// The main window's shape rule. With no background (width 0) the window stays
// rectangular. Otherwise a loaded mask is laid on opaque white and its non-white pixels
// make the region; without a mask a non-zero clrMask keys the background laid on that
// colour, so pixels of exactly that colour and transparent pixels fall outside; a clrMask
// of 0 leaves the window rectangular.
WindowShape MainWindowShape(const SkinImage& background, const SkinImage& mask, COLORREF clrMask);

// Loads main_mask.png from the skins folder of programFolder and applies the rule above
// to the main window's already loaded background with clrMask (the clrMask setting).
WindowShape LoadMainWindowShape(const std::string& programFolder, const SkinImage& background, COLORREF clrMask);

// Gives the shape to the window (a rectangular shape clears any mask) and redraws it.
void ApplyWindowShape(QWidget* window, const WindowShape& shape);

// COLORREF (red in the low byte) to Qt's 0xAARRGGBB, opaque.
constexpr QRgb ToQRgb(COLORREF c) {
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
