// SPDX-License-Identifier: GPL-2.0-or-later
// Skin resources: image loading, the region builder, the main window's shape rule, the
// window icon and the window fonts.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "app/program_settings.h"
#include "base/log.h"
#include "skin/app_font.h"
#include "skin/app_icon.h"
#include "skin/key_outline.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "tests/support/test_support.h"

namespace {

QImage Filled(int w, int h, QRgb colour) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

std::string SavePng(const TempDir& dir, const std::string& name, const QImage& image) {
  const std::string path = dir.path() + name;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
  return path;
}

// Number of pixels a region covers (its rectangles never overlap).
long long Area(const QRegion& region) {
  long long area = 0;
  for (const QRect& r : region) area += static_cast<long long>(r.width()) * r.height();
  return area;
}

// Settings changed by a test are put back afterwards.
class SettingsGuard {
 public:
  SettingsGuard() : saved_(Settings()) {}
  ~SettingsGuard() { Settings() = saved_; }

 private:
  AppSettings saved_;
};

}  // namespace

TEST(SkinImage, PathsAreProgramFolderSkinsAndName) {
  EXPECT_EQ(SkinPath("/opt/tastor/", "main_nr.png"), "/opt/tastor/skins/main_nr.png");
  EXPECT_EQ(SkinFolder("/opt/tastor/"), "/opt/tastor/skins/");
}

TEST(SkinImage, FailedLoadsReadAsWidthZeroWithTheirReason) {
  TempDir dir;
  const SkinImage missing = LoadImage(dir.path() + "nothing.png");
  EXPECT_EQ(missing.Status(), ImageStatus::FileNotFound);
  EXPECT_EQ(missing.Width(), 0);
  EXPECT_EQ(missing.Height(), 0);

  const SkinImage garbage = LoadImage(dir.Write("text.png", "this is not a picture"));
  EXPECT_EQ(garbage.Status(), ImageStatus::InvalidData);
  EXPECT_EQ(garbage.Width(), 0);

  const SkinImage empty = LoadImage(dir.Write("empty.png", ""));
  EXPECT_EQ(empty.Width(), 0);
  EXPECT_FALSE(empty.IsLoaded());

  // A folder where a file is expected.
  std::filesystem::create_directories(dir.path() + "folder.png");
  EXPECT_EQ(LoadImage(dir.path() + "folder.png").Width(), 0);

  // A truncated PNG: the header is there, the pixels are not.
  const std::string good = SavePng(dir, "good.png", Filled(40, 30, 0xFF123456));
  const std::string bytes = ReadFile(good);
  EXPECT_EQ(LoadImage(dir.Write("cut.png", bytes.substr(0, 40))).Width(), 0);
}

TEST(SkinImage, LoadsByContentAndKeepsAlpha) {
  TempDir dir;
  QImage image = Filled(7, 5, 0x80FF0000);
  const SkinImage loaded = LoadImage(SavePng(dir, "a.png", image));
  ASSERT_TRUE(loaded.IsLoaded());
  EXPECT_EQ(loaded.Size(), QSize(7, 5));
  EXPECT_EQ(qAlpha(loaded.Image().pixel(3, 3)), 0x80);
  // The format comes from the content, not from the name.
  EXPECT_TRUE(image.save(QString::fromStdString(dir.path() + "png_named.bmp"), "PNG"));
  EXPECT_EQ(LoadImage(dir.path() + "png_named.bmp").Width(), 7);
}

TEST(RegionBuilder, EveryPixelOfTheKeyColourGivesAnEmptyRegion) {
  EXPECT_TRUE(RegionFromImage(Filled(64, 48, 0xFFFFFFFF), 0xFFFFFFFF).isEmpty());
  // Alpha is not looked at: only red, green and blue are compared.
  EXPECT_TRUE(RegionFromImage(Filled(8, 8, 0x00FF00FF), 0xFFFF00FF).isEmpty());
  EXPECT_TRUE(RegionFromImage(QImage(), 0xFFFFFFFF).isEmpty());
}

TEST(RegionBuilder, OnlyTheExactKeyColourIsOutside) {
  QImage image = Filled(6, 3, 0xFFFFFFFF);
  image.setPixel(1, 0, qRgb(254, 255, 255));
  image.setPixel(2, 1, qRgb(255, 254, 255));
  image.setPixel(3, 2, qRgb(255, 255, 254));
  const QRegion region = RegionFromImage(image, qRgb(255, 255, 255));
  EXPECT_EQ(Area(region), 3);
  EXPECT_TRUE(region.contains(QPoint(1, 0)));
  EXPECT_TRUE(region.contains(QPoint(2, 1)));
  EXPECT_TRUE(region.contains(QPoint(3, 2)));
}

TEST(RegionBuilder, RunsSpanFromTheirFirstPixelToJustAfterTheirLast) {
  // Row: key key X X key X ; the last run touches the right edge.
  QImage image = Filled(6, 1, 0xFF000000);
  for (int x : {2, 3, 5}) image.setPixel(x, 0, qRgb(10, 20, 30));
  const QRegion region = RegionFromImage(image, qRgb(0, 0, 0));
  ASSERT_EQ(region.rectCount(), 2);
  EXPECT_EQ(*region.begin(), QRect(2, 0, 2, 1));
  EXPECT_EQ(*(region.begin() + 1), QRect(5, 0, 1, 1));
}

TEST(RegionBuilder, ManyRunsAreUnitedAcrossBlocks) {
  // Every other pixel kept: 150 runs per row, 6000 in all, several blocks of 2000; plus
  // sizes right at a block's end.
  for (int rows : {40, 1, 2}) {
    const int width = rows == 40 ? 300 : (rows == 1 ? 2 * kRegionBlockRects : 2 * (kRegionBlockRects + 1));
    QImage image = Filled(width, rows, 0xFFFFFFFF);
    for (int y = 0; y < rows; ++y) {
      for (int x = (y % 2); x < width; x += 2) image.setPixel(x, y, qRgb(0, 0, 0));
    }
    const QRegion region = RegionFromImage(image, qRgb(255, 255, 255));
    EXPECT_EQ(Area(region), static_cast<long long>(width) * rows / 2) << rows;
    for (int y = 0; y < rows; ++y) {
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(region.contains(QPoint(x, y)), (x + y) % 2 == 0) << x << "," << y;
      }
    }
  }
}

TEST(RegionBuilder, FlatteningTurnsTransparencyIntoTheBackground) {
  QImage image = Filled(4, 1, 0x00000000);
  image.setPixel(1, 0, 0xFF102030);
  image.setPixel(2, 0, 0x80000000);  // half-transparent black on white: grey, so inside
  const QImage flat = FlattenOnto(image, 0xFFFFFFFF);
  EXPECT_EQ(flat.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(flat.pixel(1, 0) & 0xFFFFFF, 0x102030u);
  const QRegion region = RegionFromImage(flat, 0xFFFFFFFF);
  EXPECT_EQ(Area(region), 2);
}

TEST(MainWindowShape, MaskImageMakesTheShape) {
  // White frame, transparent hole and black body: only the black body is kept.
  QImage mask = Filled(20, 10, 0xFFFFFFFF);
  for (int y = 2; y < 8; ++y) {
    for (int x = 2; x < 18; ++x) mask.setPixel(x, y, 0xFF000000);
  }
  mask.setPixel(5, 5, 0x00000000);
  const SkinImage background(Filled(20, 10, 0xFF404040));
  const WindowShape shape = MainWindowShape(background, SkinImage(mask), RGB(255, 0, 255));
  EXPECT_EQ(shape.source, ShapeSource::Mask);
  EXPECT_EQ(Area(shape.region), 16 * 6 - 1);
  EXPECT_FALSE(shape.region.contains(QPoint(5, 5)));
  EXPECT_FALSE(shape.region.contains(QPoint(0, 0)));

  // A mask that is white everywhere leaves nothing of the window.
  const WindowShape none = MainWindowShape(background, SkinImage(Filled(20, 10, 0xFFFFFFFF)), 0);
  EXPECT_EQ(none.source, ShapeSource::Mask);
  EXPECT_TRUE(none.region.isEmpty());
}

TEST(MainWindowShape, WithoutMaskTheColourKeyOrTheRectangle) {
  // A border of the clrMask colour (magenta) and transparent corners round a grey body.
  QImage back = Filled(12, 8, 0xFFFF00FF);
  for (int y = 1; y < 7; ++y) {
    for (int x = 1; x < 11; ++x) back.setPixel(x, y, 0xFF505050);
  }
  back.setPixel(1, 1, 0x00000000);
  const SkinImage background(back);
  const SkinImage noMask;

  const WindowShape keyed = MainWindowShape(background, noMask, RGB(255, 0, 255));
  EXPECT_EQ(keyed.source, ShapeSource::ColourKey);
  EXPECT_EQ(Area(keyed.region), 10 * 6 - 1);
  EXPECT_FALSE(keyed.region.contains(QPoint(0, 0)));
  EXPECT_FALSE(keyed.region.contains(QPoint(1, 1)));

  const WindowShape rect = MainWindowShape(background, noMask, 0);
  EXPECT_EQ(rect.source, ShapeSource::Rectangular);
  EXPECT_TRUE(rect.region.isEmpty());

  // Without a background nothing is shaped, even with a mask.
  const WindowShape noBackground = MainWindowShape(SkinImage(), SkinImage(Filled(12, 8, 0xFF000000)), RGB(1, 2, 3));
  EXPECT_EQ(noBackground.source, ShapeSource::Rectangular);
}

TEST(MainWindowShape, LoadedFromTheSkinsFolderWithItsFallbacks) {
  SettingsGuard guard;
  TempDir dir;
  QImage mask = Filled(30, 20, 0xFF000000);
  mask.setPixel(0, 0, 0xFFFFFFFF);
  const std::string maskPath = SavePng(dir, "skins/main_mask.png", mask);
  QImage back = Filled(30, 20, 0xFF202020);
  back.setPixel(29, 19, qRgb(0, 0, 255));
  const SkinImage background(back);

  WindowShape shape = LoadMainWindowShape(dir.path(), background, RGB(0, 0, 255));
  EXPECT_EQ(shape.source, ShapeSource::Mask);
  EXPECT_EQ(Area(shape.region), 30 * 20 - 1);

  std::filesystem::remove(maskPath);
  shape = LoadMainWindowShape(dir.path(), background, RGB(0, 0, 255));
  EXPECT_EQ(shape.source, ShapeSource::ColourKey);
  EXPECT_FALSE(shape.region.contains(QPoint(29, 19)));

  EXPECT_EQ(LoadMainWindowShape(dir.path(), background, 0).source, ShapeSource::Rectangular);
}

TEST(MainWindowShape, AppliedToTheWindow) {
  QWidget window;
  window.resize(30, 20);
  ApplyWindowShape(&window, {ShapeSource::Mask, QRegion(2, 2, 10, 10)});
  EXPECT_EQ(window.mask(), QRegion(2, 2, 10, 10));
  // An empty region hides the whole window instead of removing the mask.
  ApplyWindowShape(&window, {ShapeSource::Mask, QRegion()});
  EXPECT_FALSE(window.mask().isEmpty());
  EXPECT_TRUE(window.mask().intersected(window.rect()).isEmpty());
  ApplyWindowShape(&window, {});
  EXPECT_TRUE(window.mask().isEmpty());
}

namespace {
std::string g_logged;
void Capture(const char* text) { g_logged += text; }
}  // namespace

TEST(AppIcon, FromTheFileOrTheBuiltInIconWithALogLine) {
  TempDir dir;
  int error = -1;
  EXPECT_TRUE(LoadAppIcon(dir.path(), &error).isNull());
  EXPECT_EQ(error, kIconErrorFileNotFound);

  dir.Write("appico.ico", "no icon in here");
  EXPECT_TRUE(LoadAppIcon(dir.path(), &error).isNull());
  EXPECT_EQ(error, kIconErrorInvalidData);

  g_logged.clear();
  SetDebugOutput(Capture);
  InitLog(1);
  const QIcon fallback = WindowIcon(dir.path());
  InitLog(0);
  SetDebugOutput(nullptr);
  EXPECT_FALSE(fallback.isNull());
  EXPECT_NE(g_logged.find("Load Icon err=d"), std::string::npos) << g_logged;
  EXPECT_FALSE(BuiltInAppIcon().pixmap(32, 32).isNull());

  // The reference icon holds several sizes, all of which load.
  const QIcon icon = LoadAppIcon(SourceDir() + "data/", &error);
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(error, 0);
  const QList<QSize> sizes = icon.availableSizes();
  for (const QSize s : {QSize(16, 16), QSize(32, 32), QSize(48, 48)}) EXPECT_TRUE(sizes.contains(s)) << s.width();
  const QImage big = icon.pixmap(QSize(48, 48)).toImage();
  EXPECT_EQ(qAlpha(big.pixel(0, 0)), 0);      // transparent corner
  EXPECT_EQ(qAlpha(big.pixel(24, 24)), 255);  // opaque middle
}

TEST(AppFont, OnlyWithAFaceNameAndTheFile) {
  SettingsGuard guard;
  TempDir dir;
  const std::string face = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  if (!std::filesystem::exists(face)) GTEST_SKIP() << "DejaVu Sans is not installed";
  std::filesystem::copy_file(face, dir.path() + "appfont.ttf");

  Settings().FontName.clear();
  CreateAppFont(dir.path(), Settings().FontName, Settings().FontSize);
  EXPECT_EQ(AppFont(), nullptr);

  Settings().FontName = u"DejaVu Sans";
  Settings().FontSize = 18;
  CreateAppFont(SourceDir() + "no-such-folder/", Settings().FontName, Settings().FontSize);
  EXPECT_EQ(AppFont(), nullptr);

  CreateAppFont(dir.path(), Settings().FontName, Settings().FontSize);
  ASSERT_NE(AppFont(), nullptr);
  EXPECT_EQ(AppFont()->family(), QStringLiteral("DejaVu Sans"));
  const int cell = QFontMetrics(*AppFont()).height();
  EXPECT_LE(cell, 18);
  EXPECT_GE(cell, 16);
  EXPECT_EQ(WindowFont(14).family(), AppFont()->family());
  RemoveAppFont(dir.path());
  EXPECT_EQ(AppFont(), nullptr);
}

TEST(AppFont, OwnFontsKeepTheirCellHeight) {
  for (int height : {14, 15, 16}) {
    const QFont font = ShellDlgFont(height);
    const int cell = QFontMetrics(font).height();
    EXPECT_LE(cell, height);
    EXPECT_GE(cell, height - 3);
    EXPECT_EQ(font.weight(), QFont::Normal);
  }
  EXPECT_EQ(ShellDlgFont(16, 600).weight(), QFont::DemiBold);
}

TEST(KeyOutline, TheLShapedEnterHitsOnlyInsideItsOutline) {
  // Upper part 30 wide, lower part 24 wide, the step on the left.
  const std::vector<Point> corners = {{0, 0}, {30, 0}, {30, 40}, {6, 40}, {6, 20}, {0, 20}, {0, 0}};
  const QPainterPath path = KeyOutlinePath(corners);
  EXPECT_EQ(path.fillRule(), Qt::OddEvenFill);
  EXPECT_TRUE(path.contains(QPointF(2, 10)));
  EXPECT_TRUE(path.contains(QPointF(20, 35)));
  EXPECT_FALSE(path.contains(QPointF(2, 30)));  // in the bounding box, left of the step
  EXPECT_EQ(path.boundingRect(), QRectF(0, 0, 30, 40));
  EXPECT_TRUE(KeyOutlinePath({{5, 5}}).isEmpty());
}

namespace {

// Opens the pipe's writing end once the deadline has passed, so that a reader stuck on it
// ends and the test fails instead of hanging. Fired() tells whether it had to.
class PipeRescue {
 public:
  explicit PipeRescue(std::string fifo)
      : fifo_(std::move(fifo)), thread_([this] {
          std::unique_lock lock(mutex_);
          if (done_.wait_for(lock, std::chrono::seconds(5), [this] { return finished_; })) return;
          fired_ = true;
          const int writer = ::open(fifo_.c_str(), O_WRONLY | O_NONBLOCK);
          if (writer >= 0) ::close(writer);
        }) {}
  ~PipeRescue() { Finish(); }
  bool Fired() {
    Finish();
    return fired_;
  }

 private:
  void Finish() {
    {
      std::lock_guard lock(mutex_);
      finished_ = true;
    }
    done_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  std::string fifo_;
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  bool fired_ = false;
  std::thread thread_;
};

}  // namespace

TEST(SkinImage, PipesAndHugeFilesInAnImagesPlaceAreRefusedWithoutWaiting) {
  SettingsGuard guard;
  TempDir dir;
  for (const char* name : {"skins/main_nr.png", "appico.ico", "appfont.ttf"}) {
    std::filesystem::create_directories(dir.path() + "skins");
    ASSERT_EQ(::mkfifo((dir.path() + name).c_str(), 0644), 0) << name;
  }
  g_logged.clear();
  SetDebugOutput(Capture);
  InitLog(1);
  {
    PipeRescue rescue(dir.path() + "skins/main_nr.png");
    EXPECT_EQ(LoadImage(dir.path() + "skins/main_nr.png").Status(), ImageStatus::FileNotFound);
    EXPECT_FALSE(rescue.Fired());
  }
  {
    PipeRescue rescue(dir.path() + "appico.ico");
    int error = 0;
    EXPECT_TRUE(LoadAppIcon(dir.path(), &error).isNull());
    EXPECT_EQ(error, kIconErrorFileNotFound);
    EXPECT_FALSE(rescue.Fired());
  }
  {
    PipeRescue rescue(dir.path() + "appfont.ttf");
    Settings().FontName = u"DejaVu Sans";
    CreateAppFont(dir.path(), Settings().FontName, Settings().FontSize);
    EXPECT_FALSE(rescue.Fired());
    RemoveAppFont(dir.path());
  }
  const std::string big = dir.Write("big.png", "");
  ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(kMaxImageFileBytes) + 1), 0);
  EXPECT_EQ(LoadImage(big).Status(), ImageStatus::FileNotFound);
  InitLog(0);
  SetDebugOutput(nullptr);
  EXPECT_NE(g_logged.find("main_nr.png: not a regular file"), std::string::npos) << g_logged;
  EXPECT_NE(g_logged.find("appfont.ttf: not a regular file"), std::string::npos) << g_logged;
  EXPECT_NE(g_logged.find("big.png: larger than 32 MiB"), std::string::npos) << g_logged;
}
