// SPDX-License-Identifier: GPL-2.0-or-later
// The process's decoded skin images: a file is decoded once per version (a changed or
// removed file is read again), the prefetch hands the same images and the same mask region
// as a load on the spot, the premultiplication in place matches Qt's conversion, and the
// mask region without painting matches the region of the mask laid on white.
#include <gtest/gtest.h>

#include <QImage>
#include <QRandomGenerator>
#include <filesystem>
#include <string>

#include "skin/skin_cache.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "tests/support/test_support.h"

namespace {

std::string SavePng(const TempDir& dir, const std::string& name, const QImage& image) {
  const std::string path = dir.path() + name;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
  return path;
}

// Every alpha against every colour value in one channel (the others at 255, then 0), and
// random pixels after them.
QImage EveryAlphaAndValue() {
  QImage image(256, 768, QImage::Format_ARGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < 768; ++y) {
    for (int a = 0; a < 256; ++a) {
      const int v = y % 256;
      QRgb p = 0;
      if (y < 256) p = qRgba(v, 255, 255, a);
      else if (y < 512) p = qRgba(255, v, 0, a);
      else p = random.generate();
      image.setPixel(a, y, p);
    }
  }
  return image;
}

class SkinCacheTest : public ::testing::Test {
 protected:
  void TearDown() override { skin_cache::Clear(); }
  TempDir dir_;
};

TEST_F(SkinCacheTest, AFileIsDecodedOncePerVersion) {
  QImage first(20, 10, QImage::Format_ARGB32);
  first.fill(qRgba(10, 20, 30, 255));
  const std::string path = SavePng(dir_, "skins/face.png", first);
  const SkinImage a = LoadImage(path);
  const SkinImage b = LoadImage(path);
  ASSERT_TRUE(a.IsLoaded());
  // The same decode is handed out again (Qt's images share their pixels).
  EXPECT_EQ(a.Image().cacheKey(), b.Image().cacheKey());

  QImage second(30, 10, QImage::Format_ARGB32);
  second.fill(qRgba(200, 0, 0, 255));
  SavePng(dir_, "skins/face.png", second);
  const SkinImage c = LoadImage(path);
  EXPECT_EQ(30, c.Width());
  EXPECT_EQ(qRgb(200, 0, 0), c.Image().pixel(0, 0) | 0xFF000000u);

  std::filesystem::remove(path);
  EXPECT_EQ(ImageStatus::FileNotFound, LoadImage(path).Status());
  // A file that does not decode stays refused until it changes.
  dir_.Write("skins/face.png", "not an image");
  EXPECT_EQ(ImageStatus::InvalidData, LoadImage(path).Status());
  EXPECT_EQ(ImageStatus::InvalidData, LoadImage(path).Status());
  SavePng(dir_, "skins/face.png", first);
  EXPECT_TRUE(LoadImage(path).IsLoaded());
}

TEST_F(SkinCacheTest, ThePrefetchGivesWhatALoadOnTheSpotGives) {
  const QImage mask = EveryAlphaAndValue();
  const std::string maskPath = SavePng(dir_, "skins/main_mask.png", mask);
  QImage face(64, 32, QImage::Format_ARGB32);
  face.fill(qRgba(1, 2, 3, 128));
  const std::string facePath = SavePng(dir_, "skins/main_nr.png", face);
  const std::string missing = dir_.path() + "skins/missing.png";

  skin_cache::Prefetch({facePath, missing}, {maskPath});
  const SkinImage prefetched = LoadImage(facePath);
  const std::optional<QRegion> region = skin_cache::WhiteKeyRegion(maskPath);
  EXPECT_EQ(ImageStatus::FileNotFound, LoadImage(missing).Status());
  skin_cache::Clear();

  EXPECT_EQ(DecodeImageFile(facePath).Image(), prefetched.Image());
  ASSERT_TRUE(region.has_value());
  const QRegion painted = RegionFromImage(FlattenOnto(DecodeImageFile(maskPath).Image(), 0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_EQ(painted, *region);
  EXPECT_FALSE(skin_cache::WhiteKeyRegion(missing).has_value());
}

TEST(SkinImagePixels, PremultipliedInPlaceAsQtConvertsAndRegionAsOnWhite) {
  const QImage source = EveryAlphaAndValue();
  const SkinImage image(source);
  const QImage qt = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  ASSERT_EQ(QImage::Format_ARGB32_Premultiplied, image.Image().format());
  EXPECT_EQ(qt, image.Image());
  const QRegion painted = RegionFromImage(FlattenOnto(image.Image(), 0xFFFFFFFFu), 0xFFFFFFFFu);
  EXPECT_EQ(painted, WhiteKeyRegionOf(image.Image()));
  EXPECT_FALSE(painted.isEmpty());
}

}  // namespace
