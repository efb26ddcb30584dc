// SPDX-License-Identifier: GPL-2.0-or-later
// Skin images: every window face, button state and control part is a PNG file in the
// skins folder beside the executable (the four menu item backgrounds are BMP files the
// menu library reads by path). Each window loads the files it needs; a file decoded once
// is kept decoded (skin/skin_cache) and read again only when it changed on disk.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <cstddef>
#include <optional>
#include <string>

class QPainter;

// The result of the last load of a skin image.
enum class ImageStatus {
  Ok,
  FileNotFound,  // the file is missing or cannot be opened
  InvalidData,   // the file exists but does not decode as an image
};

// A decoded picture and the status of its load. A failed load is not an error by itself:
// the image then reads as 0 × 0 and each user decides what to do without it.
class SkinImage {
 public:
  SkinImage() = default;
  explicit SkinImage(QImage image);

  ImageStatus Status() const { return status_; }
  bool IsLoaded() const { return status_ == ImageStatus::Ok; }
  // 0 when the load failed.
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }
  QSize Size() const { return image_.size(); }
  // Premultiplied ARGB, ready to draw with its alpha; null when the load failed.
  const QImage& Image() const { return image_; }

 private:
  friend SkinImage DecodeImageFile(const std::string& path);
  QImage image_;
  ImageStatus status_ = ImageStatus::FileNotFound;
};

// Fill an area, and draw an image at its own size, on the calling thread, in pieces below
// what Qt hands to its thread pool: a window's face is painted at every paint, and the
// pool's threads would be started by the first paint and woken by each after it for work
// of well under a millisecond.
void FillOnThisThread(QPainter& painter, const QRect& area, const QColor& colour);
void DrawImageOnThisThread(QPainter& painter, const QPoint& at, const QImage& image);

// The skins folder of a program folder: program folder + "skins/".
std::string SkinFolder(const std::string& programFolder);
// A skin file's path: program folder + "skins/" + file name.
std::string SkinPath(const std::string& programFolder, const std::string& fileName);
// The same for the running program's folder (Paths().programFolder).
std::string SkinPath(const std::string& fileName);

// The largest image file that is read; the biggest skin image is well under a megabyte.
inline constexpr std::size_t kMaxImageFileBytes = std::size_t{32} << 20;

// The bytes of an image file, read through the checked opener (plain files of at most
// kMaxImageFileBytes); nothing when it is missing or refused, which is logged for what is
// not a plain file or too large.
std::optional<QByteArray> ReadImageFile(const std::string& path);

// Decodes the image file at path. Never fails outright: a missing or undecodable file
// gives an image whose status says why and whose width and height read as 0.
SkinImage DecodeImageFile(const std::string& path);
// The same through the process's decoded images (skin/skin_cache): a file decoded before
// and unchanged since is not read again.
SkinImage LoadImage(const std::string& path);
// LoadImage(SkinPath(fileName)).
SkinImage LoadSkinImage(const std::string& fileName);
