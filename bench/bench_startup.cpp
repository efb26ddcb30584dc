// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up of the program to its first painted main window, against two yardsticks
// started the same way: the floor (floor_window: a frameless window painting main_nr.png
// and one line of text) and a bare Qt window. All run as processes (tastor with
// --simulate in a fresh user folder and --quit-after-first-paint), under an Xvfb server of
// their own and on the offscreen platform, in interleaved rounds; the counters are the
// medians and tastor's ratios to the floor (x_floor) and to the bare window (x_bare).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_process.h"

namespace fs = std::filesystem;
using namespace bench_process;

namespace {

double RunTastor(bool xvfb) {
  const fs::path user = fs::temp_directory_path() / ("tastor-bench-user-" + std::to_string(getpid()));
  fs::remove_all(user);
  fs::create_directories(user);
  std::vector<std::string> env = Platform(xvfb);
  env.push_back("TASTOR_SIM_DIR=" + (user / "sim").string());
  const double t = Run({BinDir() + "tastor", "--simulate", "--user-dir", user.string(), "--quit-after-first-paint"}, env);
  fs::remove_all(user);
  return t;
}

double RunBare(bool xvfb) { return Run({BinDir() + "bare_window"}, Platform(xvfb)); }
double RunFloor(bool xvfb) { return Run({BinDir() + "floor_window"}, Platform(xvfb)); }

// The rounds of one measurement; each round starts the three programs one after the
// other, so that a slower moment of the machine falls on all three alike.
constexpr int kRounds = 9;

// One iteration is kRounds interleaved rounds; the counters are the medians in
// milliseconds and tastor's ratios to the floor and to the bare window.
void Measure(benchmark::State& state, bool xvfb) {
  if (xvfb && Server().pid < 0) {
    state.SkipWithError("Xvfb is not installed");
    return;
  }
  std::vector<double> bare, floor, tastor;
  for (auto _ : state) {
    RunFloor(xvfb);  // the first start of a program fills the file cache: not counted
    RunTastor(xvfb);
    for (int round = 0; round < kRounds; ++round) {
      const double b = RunBare(xvfb);
      const double f = RunFloor(xvfb);
      const double t = RunTastor(xvfb);
      if (b < 0 || f < 0 || t < 0) {
        state.SkipWithError("a program did not end cleanly");
        return;
      }
      bare.push_back(b);
      floor.push_back(f);
      tastor.push_back(t);
    }
    state.SetIterationTime(Median(tastor));
  }
  const double b = Median(bare), f = Median(floor), t = Median(tastor);
  state.counters["bare_ms"] = 1000.0 * b;
  state.counters["floor_ms"] = 1000.0 * f;
  state.counters["tastor_ms"] = 1000.0 * t;
  state.counters["x_floor"] = t / f;
  state.counters["x_bare"] = t / b;
}

void BM_StartupOffscreen(benchmark::State& state) { Measure(state, false); }
void BM_StartupXvfb(benchmark::State& state) { Measure(state, true); }

}  // namespace

BENCHMARK(BM_StartupXvfb)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupOffscreen)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
