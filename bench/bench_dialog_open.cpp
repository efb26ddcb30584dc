// SPDX-License-Identifier: GPL-2.0-or-later
// How fast the key function picker and the macro editor open: the time from the click (on
// a key of the keyboard picture, on the macro button) to the dialog's window exposed on
// the screen, first open of the process included. Each measurement is a process of its
// own (this program with --child picker|editor) that starts the main window against the
// simulated keyboard in a fresh user folder, clicks once and prints the milliseconds; the
// counters are the medians of several, under a private Xvfb server and offscreen.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/paths.h"
#include "app/program_settings.h"
#include "app/startup.h"
#include "bench/bench_process.h"
#include "controls/menu_library.h"
#include "text/text_table.h"
#include "ui/kb_color_dlg.h"
#include "ui/tastor_dlg.h"

namespace fs = std::filesystem;
using namespace bench_process;

namespace {

constexpr int kRuns = 9;
constexpr int kWaitMs = 5000;

// Notes the moment a window of the dialog class is exposed and closes it.
class ExposeWatch : public QObject {
 public:
  explicit ExposeWatch(const char* className) : className_(className) {}
  qint64 exposedAt = -1;
  QElapsedTimer clock;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Expose events go to the window system's window, not to the widget it shows.
    if (event->type() != QEvent::Expose || exposedAt >= 0 || !watched->isWindowType()) return false;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->windowHandle() != watched || !top->inherits(className_)) continue;
      exposedAt = clock.nsecsElapsed();
      QTimer::singleShot(0, top, &QWidget::close);
    }
    return false;
  }

 private:
  const char* className_;
};

int KeyOf(uint8_t vk) {
  const KeyTable& table = Settings().KeyTable;
  for (int i = 0; i < table.count; ++i) {
    const auto& key = table.keys[static_cast<std::size_t>(i)];
    if (key.key1 == vk && key.modifiers == 0) return i;
  }
  return -1;
}

int RunChild(int argc, char** argv, const std::string& which) {
  QApplication app(argc, argv);
  const std::string bin = BinDir();
  const fs::path user = fs::temp_directory_path() / ("tastor-bench-open-" + std::to_string(getpid()));
  fs::create_directories(user);
  ::setenv("TASTOR_SIM_DIR", (user / "sim").c_str(), 1);
  Paths().programFolder = bin;
  Paths().userDataFolder = user.string() + "/";
  TextTable::Instance().Load(bin + "text.xml");
  DataInit(bin, Settings());
  ApplyTitleDefault(Settings());
  LoadMenuLibrary(bin);
  int result = 1;
  {
    CTastorDlg window(true);
    window.InitDialog();
    QElapsedTimer wait;
    wait.start();
    while ((!window.StartFinished() || !window.isVisible()) && wait.elapsed() < kWaitMs) QTest::qWait(5);
    QTest::qWait(50);  // the first paint's aftermath settles
    ExposeWatch watch(which == "picker" ? "CKeyFunPickDlg" : "CMacroDlg");
    app.installEventFilter(&watch);
    watch.clock.start();
    if (which == "picker") {
      const Rect& r = Settings().KeyTable.keys[static_cast<std::size_t>(std::max(0, KeyOf('A')))].rect;
      QTest::mouseClick(&window.Picture(), Qt::LeftButton, {}, QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2));
    } else {
      QTest::mouseClick(&window.MacroButton(), Qt::LeftButton);
    }
    // A dialog that never shows is closed all the same, so that the run ends.
    QTimer::singleShot(kWaitMs, &app, [] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    wait.restart();
    while (watch.exposedAt < 0 && wait.elapsed() < kWaitMs) QTest::qWait(1);
    app.removeEventFilter(&watch);
    if (watch.exposedAt >= 0) {
      std::printf("%.3f\n", static_cast<double>(watch.exposedAt) / 1e6);
      result = 0;
    }
    window.close();
  }
  fs::remove_all(user);
  return result;
}

void Measure(benchmark::State& state, bool xvfb, const char* which) {
  if (xvfb && Server().pid < 0) {
    state.SkipWithError("Xvfb is not installed");
    return;
  }
  std::vector<double> ms;
  for (auto _ : state) {
    for (int run = 0; run < kRuns; ++run) {
      std::string output;
      if (Run({BinDir() + "bench_dialog_open", "--child", which}, Platform(xvfb), &output) < 0) {
        state.SkipWithError("the measuring process failed");
        return;
      }
      ms.push_back(std::atof(output.c_str()));
    }
    state.SetIterationTime(Median(ms) / 1000.0);
  }
  state.counters["open_ms"] = Median(ms);
  state.counters["max_ms"] = *std::max_element(ms.begin(), ms.end());
}

void BM_PickerOpenXvfb(benchmark::State& state) { Measure(state, true, "picker"); }
void BM_EditorOpenXvfb(benchmark::State& state) { Measure(state, true, "editor"); }
void BM_PickerOpenOffscreen(benchmark::State& state) { Measure(state, false, "picker"); }
void BM_EditorOpenOffscreen(benchmark::State& state) { Measure(state, false, "editor"); }

}  // namespace

BENCHMARK(BM_PickerOpenXvfb)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorOpenXvfb)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickerOpenOffscreen)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorOpenOffscreen)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--child") == 0) return RunChild(argc, argv, argv[2]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
