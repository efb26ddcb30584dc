// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up of the program to its first painted main window, against two yardsticks
// started the same way: the floor (floor_window: a frameless window painting main_nr.png
// and one line of text) and a bare Qt window. All run as processes (tastor with
// --simulate and --quit-after-first-paint in a user folder and a cache folder as a usual
// start finds them, and apart from that as a first start finds them), under an Xvfb server of
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

// An earlier build copied beside the program as tastor-before is measured in the same
// rounds when it is there (before_ms), for a before-and-after in one run.
// The user folder of a usual start: the profiles saved once (by an apply of tastor-cli),
// as after the first apply. Without them every start makes three default profiles, whose
// new identifiers wait 20 ms each; the first start (fresh_ms) is measured apart.
const fs::path& SavedUserFolder() {
  static const fs::path folder = [] {
    const fs::path user = fs::temp_directory_path() / ("tastor-bench-saved-" + std::to_string(getpid()));
    fs::remove_all(user);
    fs::create_directories(user);
    Run({BinDir() + "tastor-cli", "--simulate", "--user-dir", user.string(), "apply"},
        {"TASTOR_SIM_DIR=" + (user / "sim").string()});
    return user;
  }();
  return folder;
}

// The cache folder of a usual start: it holds the large skin images as decoded by the
// first start. A first start (fresh) has an empty one of its own.
const fs::path& CacheFolder() {
  static const fs::path folder = fs::temp_directory_path() / ("tastor-bench-cache-" + std::to_string(getpid()));
  return folder;
}

double RunTastor(bool xvfb, const char* program = "tastor", bool fresh = false) {
  const fs::path user = fs::temp_directory_path() / ("tastor-bench-user-" + std::to_string(getpid()));
  const fs::path freshCache = fs::temp_directory_path() / ("tastor-bench-fresh-cache-" + std::to_string(getpid()));
  fs::remove_all(user);
  fs::remove_all(freshCache);
  if (fresh) {
    fs::create_directories(user);
  } else {
    fs::copy(SavedUserFolder(), user, fs::copy_options::recursive);
  }
  std::vector<std::string> env = Platform(xvfb);
  env.push_back("TASTOR_SIM_DIR=" + (user / "sim").string());
  env.push_back("XDG_CACHE_HOME=" + (fresh ? freshCache : CacheFolder()).string());
  const double t = Run({BinDir() + program, "--simulate", "--user-dir", user.string(), "--quit-after-first-paint"}, env);
  fs::remove_all(user);
  fs::remove_all(freshCache);
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
  const bool withBefore = fs::exists(BinDir() + "tastor-before");
  std::vector<double> bare, floor, tastor, before, fresh;
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
      if (withBefore) before.push_back(RunTastor(xvfb, "tastor-before"));
      fresh.push_back(RunTastor(xvfb, "tastor", true));
    }
    state.SetIterationTime(Median(tastor));
  }
  const double b = Median(bare), f = Median(floor), t = Median(tastor);
  state.counters["bare_ms"] = 1000.0 * b;
  state.counters["floor_ms"] = 1000.0 * f;
  state.counters["tastor_ms"] = 1000.0 * t;
  state.counters["x_floor"] = t / f;
  state.counters["x_bare"] = t / b;
  if (withBefore) state.counters["before_ms"] = 1000.0 * Median(before);
  state.counters["fresh_ms"] = 1000.0 * Median(fresh);
}

void BM_StartupOffscreen(benchmark::State& state) { Measure(state, false); }
void BM_StartupXvfb(benchmark::State& state) { Measure(state, true); }

}  // namespace

BENCHMARK(BM_StartupXvfb)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartupOffscreen)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
