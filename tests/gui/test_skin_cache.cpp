// SPDX-License-Identifier: GPL-2.0-or-later
// The process's decoded skin images: a file is decoded once per version (a changed or
// removed file is read again), the prefetch hands the same images and the same mask region
// as a load on the spot, the premultiplication in place matches Qt's conversion, and the
// mask region without painting matches the region of the mask laid on white; a large image
// is kept decoded in the user's cache folder between starts, and an entry that does not
// agree with its file is never used.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <algorithm>
#include <sys/stat.h>
#include <filesystem>
#include <string>

#include "skin/pixel_cache.h"
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

// Reads a file's bytes whole.
QByteArray BytesOf(const std::string& path) {
  QFile file(QString::fromStdString(path));
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST_F(SkinCacheTest, ALargeImageIsKeptDecodedBetweenStartsAndABadEntryIsNotUsed) {
  const QImage source = EveryAlphaAndValue();  // 768 KiB of pixels: worth an entry
  const std::string path = SavePng(dir_, "skins/keyimg.png", source);
  const QByteArray bytes = BytesOf(path);
  const QImage expected = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  TempDir cache;
  struct CacheHome {
    QByteArray saved = qgetenv("XDG_CACHE_HOME");
    ~CacheHome() { qputenv("XDG_CACHE_HOME", saved); }
  } restore;
  qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(cache.path()));
  const std::string folder = pixel_cache::Folder();
  EXPECT_EQ(cache.path() + "Tastor/skins", folder);
  const std::string entry = folder + "/" + pixel_cache::EntryName(bytes);

  EXPECT_EQ(expected, DecodeImageFile(path).Image());  // decoded, and kept
  ASSERT_TRUE(std::filesystem::is_regular_file(entry));
  EXPECT_EQ(expected, pixel_cache::Find(folder, bytes));
  EXPECT_EQ(expected, DecodeImageFile(path).Image());  // read from the entry
  // Another file (one pixel changed) has an entry of its own.
  QImage changed = source;
  changed.setPixel(3, 3, qRgba(1, 2, 3, 4));
  EXPECT_TRUE(pixel_cache::Find(folder, BytesOf(SavePng(dir_, "skins/other.png", changed))).isNull());

  // A page of pixels zeroed, the entry cut short, grown, or its header claiming a vast
  // picture: not used, and the next decode writes a good entry again.
  const QByteArray good = BytesOf(entry);
  const auto put = [&](const QByteArray& content) {
    std::filesystem::remove(entry);
    QFile file(QString::fromStdString(entry));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
  };
  QByteArray zeroed = good;  // a page of pixels lost to a crash
  std::fill(zeroed.begin() + 64 + 8192, zeroed.begin() + 64 + 12288, '\0');
  QByteArray vast = good;
  vast[8] = vast[9] = vast[10] = vast[11] = '\xff';
  for (const QByteArray& bad : {zeroed, good.left(good.size() - 1), good + "x", vast, good.left(20)}) {
    put(bad);
    EXPECT_TRUE(pixel_cache::Find(folder, bytes).isNull());
    EXPECT_EQ(expected, DecodeImageFile(path).Image());
    EXPECT_EQ(good, BytesOf(entry));
  }
  // A link to a good entry and a named pipe in the entry's place are not read.
  const std::string elsewhere = cache.path() + "good.pix";
  put(good);
  std::filesystem::rename(entry, elsewhere);
  std::filesystem::create_symlink(elsewhere, entry);
  EXPECT_TRUE(pixel_cache::Find(folder, bytes).isNull());
  std::filesystem::remove(entry);
  ASSERT_EQ(0, ::mkfifo(entry.c_str(), 0600));
  EXPECT_TRUE(pixel_cache::Find(folder, bytes).isNull());
  EXPECT_EQ(expected, DecodeImageFile(path).Image());  // nothing waits on the pipe; a good entry replaces it
  EXPECT_EQ(good, BytesOf(entry));
  std::filesystem::remove(entry);

  // A cache folder that cannot be made costs nothing but the time.
  std::filesystem::remove_all(cache.path() + "Tastor");
  cache.Write("Tastor", "a file where the folder would be");
  EXPECT_EQ(expected, DecodeImageFile(path).Image());
  EXPECT_FALSE(pixel_cache::Keep(folder, bytes, expected));
  // Small images get no entry: they decode faster than an entry is read.
  QImage small(20, 10, QImage::Format_ARGB32);
  small.fill(qRgba(10, 20, 30, 255));
  EXPECT_FALSE(pixel_cache::WorthKeeping(BytesOf(SavePng(dir_, "skins/small.png", small))));
  EXPECT_TRUE(pixel_cache::WorthKeeping(bytes));
}

}  // namespace
