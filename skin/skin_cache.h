// SPDX-License-Identifier: GPL-2.0-or-later
// The decoded skin images of the process. LoadImage (skin/skin_image) asks here first: a
// file already decoded, and unchanged on disk since (same device, inode, size and time of
// change), is handed out again without reading it; a new or changed file is decoded and
// kept. Start-up hands the main window's files to Prefetch, which decodes them on a thread
// of its own while the UI thread connects to the display; a look-up of a file still being
// decoded waits for it. The main window's mask is kept as its region only.
#pragma once

#include <QImage>
#include <QRegion>
#include <optional>
#include <string>
#include <vector>

#include "skin/skin_image.h"

#include <sys/types.h>

// What tells one version of a file from the next: device, inode, size and the time of
// its last change.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long long changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};
// Nothing when the file cannot be looked at.
std::optional<FileStamp> StampOf(const std::string& path);

namespace skin_cache {

// The image at path, decoded once per version of the file. Safe from any thread.
SkinImage Load(const std::string& path);

// The region of every pixel of the image at path that does not come out pure white when the
// image is laid on opaque white (the main window's mask rule); nothing when the file does
// not decode. Computed once per version of the file.
std::optional<QRegion> WhiteKeyRegion(const std::string& path);

// Decodes the images (and the white-key regions of masks) on a background thread, in
// order. Called once, early in start-up; a later call waits for the earlier one first.
void Prefetch(std::vector<std::string> images, std::vector<std::string> masks);

// Waits for a prefetch under way and forgets every decoded image (tests; the program's
// end).
void Clear();

// The files the main window shows at its first paint, in the order it needs them: its
// face, the buttons, the keyboard picture and the lighting panel. The mask is
// main_mask.png.
std::vector<std::string> MainWindowImages(const std::string& programFolder);
std::string MainWindowMask(const std::string& programFolder);

}  // namespace skin_cache

// The region WhiteKeyRegion computes, from an image already decoded (premultiplied ARGB):
// the same as RegionFromImage(FlattenOnto(image, white), white), without painting.
QRegion WhiteKeyRegionOf(const QImage& image);
