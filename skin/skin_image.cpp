#include "skin/skin_image.h"

#include <QFile>
#include <QImageReader>

#include "app/paths.h"

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

SkinImage LoadImage(const std::string& path) {
  SkinImage result;
  const QString file = QString::fromStdString(path);
  QFile probe(file);
  if (!probe.open(QIODevice::ReadOnly)) {
    result.status_ = ImageStatus::FileNotFound;
    return result;
  }
  probe.close();
  // The format is taken from the file's content, so a PNG renamed .bmp still loads and a
  // text file named .png does not.
  QImageReader reader(file);
  reader.setDecideFormatFromContent(true);
  QImage image = reader.read();
  if (image.isNull()) {
    result.status_ = ImageStatus::InvalidData;
    return result;
  }
  return SkinImage(std::move(image));
}

SkinImage LoadSkinImage(const std::string& fileName) { return LoadImage(SkinPath(fileName)); }
