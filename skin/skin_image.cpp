// SPDX-License-Identifier: GPL-2.0-or-later
#include "skin/skin_image.h"

#include <QBuffer>
#include <QImageReader>

#include "app/log.h"
#include "app/paths.h"
#include "platform/checked_file.h"

SkinImage::SkinImage(QImage image) {
  if (image.isNull()) return;
  image_ = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
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

SkinImage LoadImage(const std::string& path) {
  SkinImage result;
  std::optional<QByteArray> bytes = ReadImageFile(path);
  if (!bytes) {
    result.status_ = ImageStatus::FileNotFound;
    return result;
  }
  // The format is taken from the file's content, so a PNG renamed .bmp still loads and a
  // text file named .png does not.
  QBuffer buffer(&*bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  QImage image = reader.read();
  if (image.isNull()) {
    result.status_ = ImageStatus::InvalidData;
    return result;
  }
  return SkinImage(std::move(image));
}

SkinImage LoadSkinImage(const std::string& fileName) { return LoadImage(SkinPath(fileName)); }
