// SPDX-License-Identifier: GPL-2.0-or-later
// Skin loading and the main window's shape: what the main window does once at start.
#include <benchmark/benchmark.h>

#include <QDir>
#include <string>

#include "base/settings.h"
#include "platform/special_folders.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"

namespace {

// The reference skin copied beside the benchmark by the build.
std::string Folder() { return ProgramFolder(); }

void BM_LoadSkinFolder(benchmark::State& state) {
  const QStringList files = QDir(QString::fromStdString(SkinFolder(Folder()))).entryList(QDir::Files);
  if (files.isEmpty()) {
    state.SkipWithError("no skins folder beside the benchmark");
    return;
  }
  int64_t pixels = 0;
  for (auto _ : state) {
    for (const QString& f : files) {
      const SkinImage image = LoadImage(SkinPath(Folder(), f.toStdString()));
      pixels += static_cast<int64_t>(image.Width()) * image.Height();
      benchmark::DoNotOptimize(image.Image().constBits());
    }
  }
  state.counters["files"] = static_cast<double>(files.size());
  state.counters["pixels/s"] = benchmark::Counter(static_cast<double>(pixels), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoadSkinFolder)->Unit(benchmark::kMillisecond);

void BM_MainWindowRegionFromMask(benchmark::State& state) {
  const SkinImage background = LoadImage(SkinPath(Folder(), "main_nr.png"));
  const SkinImage mask = LoadImage(SkinPath(Folder(), "main_mask.png"));
  for (auto _ : state) {
    const WindowShape shape = MainWindowShape(background, mask, RGB(255, 0, 255));
    benchmark::DoNotOptimize(shape.region.rectCount());
  }
}
BENCHMARK(BM_MainWindowRegionFromMask)->Unit(benchmark::kMillisecond);

void BM_MainWindowRegionFromColourKey(benchmark::State& state) {
  const SkinImage background = LoadImage(SkinPath(Folder(), "main_nr.png"));
  for (auto _ : state) {
    const WindowShape shape = MainWindowShape(background, SkinImage(), RGB(255, 0, 255));
    benchmark::DoNotOptimize(shape.region.rectCount());
  }
}
BENCHMARK(BM_MainWindowRegionFromColourKey)->Unit(benchmark::kMillisecond);

// The worst case for the region builder: a checkerboard, one run per kept pixel.
void BM_RegionFromCheckerboard(benchmark::State& state) {
  QImage image(400, 300, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, (x + y) % 2 ? 0xFFFFFFFF : 0xFF000000);
  }
  for (auto _ : state) benchmark::DoNotOptimize(RegionFromImage(image, 0xFFFFFFFF).rectCount());
  state.counters["runs"] = 400 * 300 / 2;
}
BENCHMARK(BM_RegionFromCheckerboard)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
