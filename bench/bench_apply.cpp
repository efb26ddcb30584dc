// SPDX-License-Identifier: GPL-2.0-or-later
// The host-side cost of one full apply against the simulated keyboard, with the fixed pauses
// the real keyboard needs left out: a game-mode profile with a user colour group and eight
// macro keys, written as lighting, colour group, macro buffer and key matrix. Measured
// directly (ApplySetting over the run's copies), through the apply worker (request, run,
// progress and closes, the run's end), and with the simulator keeping its memory in files.
// What the read-back of the lighting and the matrix (VerifyApply) adds: with and without
// it, once without the pauses and once with the keyboard's pauses (and no progress window,
// so without the 500 ms at 100 %).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "app/program_settings.h"
#include "base/log.h"
#include "base/window_port.h"
#include "device/apply_job.h"
#include "device/usb_driver.h"
#include "macro/macro_library.h"
#include "macro/macro_limits.h"
#include "model/profile_store.h"
#include "platform/messages.h"
#include "platform/special_folders.h"

namespace fs = std::filesystem;

namespace {

constexpr int kMacroKeys = 8;

// A silent progress dialog: found at once, its messages dropped.
class SilentPort : public WindowPort {
 public:
  SilentPort() { window_.post = [](TastorWindow*, unsigned, uintptr_t, intptr_t) {}; }
  int MessageBox(HWND, std::u16string_view, std::u16string_view, unsigned) override { return IDOK; }
  HWND FindWindow(std::u16string_view) override { return &window_; }
  bool IsWindow(HWND window) override { return window == &window_; }

 private:
  TastorWindow window_{};
};

MacroRecord LongMacro(uint32_t id) {
  MacroRecord m = MakeDefaultMacro(id, u"bench");
  for (int e = 0; e < 60; ++e) {
    m.Events[e] = {static_cast<uint16_t>('A' + (id + e / 2) % 26), static_cast<uint16_t>(e % 2 == 0), 30};
  }
  return m;
}

// The reference keyboard's settings, the simulator bound and opened, a profile and its macros.
class Bench {
 public:
  explicit Bench(bool memoryFolder) {
    const std::string program = ProgramFolder();
    LoadSettings(program, Settings());
    Limits() = DeriveMacroLimits(Settings());
    InitLog(0);
    if (memoryFolder) {
      std::string pattern = (fs::temp_directory_path() / "tastor-bench-XXXXXX").string();
      folder_ = ::mkdtemp(pattern.data());
      ::setenv("TASTOR_SIM_DIR", folder_.c_str(), 1);
    } else {
      ::unsetenv("TASTOR_SIM_DIR");
    }
    ok_ = driver_.LoadDriver(program, true) && driver_.FindDev();
    driver_.SetRetryPause(std::chrono::milliseconds(0));

    Profile p = MakeProfile(0x4711, u"Bench", Settings());
    p.ledMode = Settings().GaoshouIndex;
    p.colourGroup = static_cast<uint16_t>(Settings().ColorCustomIndex + 1);
    for (std::size_t pos = 0; pos < kKeyCount; pos += 3) p.colours[p.colourGroup][pos] = RGB(255, 0, 0);
    for (int k = 0; k < kMacroKeys; ++k) {
      KeyFunction& key = p.keys[static_cast<std::size_t>(20 + k)];
      key.code = KeyFunction::MakeCode(KIND_MACRO, 0);
      key.macroId = 0x100 + k;
      library_.Add(LongMacro(static_cast<uint32_t>(0x100 + k)));
    }
    store_.Append(p);
    store_.SetCurrent(p.id);
    SetWindowPort(&port_);
  }
  ~Bench() {
    SetWindowPort(nullptr);
    driver_.ClearHandle();
    if (!folder_.empty()) {
      std::error_code ec;
      fs::remove_all(folder_, ec);
    }
  }
  // False, and the benchmark marked, when the simulated keyboard was not found.
  bool Ready(benchmark::State& state) const {
    if (!ok_) state.SkipWithError("the simulated keyboard was not found");
    return ok_;
  }

  SilentPort port_;
  CUSBDriver driver_{Settings()};
  ProfileStore store_;
  MacroLibrary library_;

 private:
  std::string folder_;
  bool ok_ = false;
};

void ApplyDirectly(benchmark::State& state, bool memoryFolder) {
  Bench bench(memoryFolder);
  if (!bench.Ready(state)) return;
  for (auto _ : state) {
    const int result = ApplyStoredProfile(bench.store_, bench.library_, bench.port_.FindWindow(kProgressCaption),
                                          &bench.driver_, WM_APPLY_PROGRESS, kFullApplyFlags, ApplyPauses::Zero());
    if (result != 1) state.SkipWithError("the apply failed");
  }
}

void BM_FullApply(benchmark::State& state) { ApplyDirectly(state, false); }

// The read-back on (1) or off (0), with (1) or without (0) the keyboard's pauses.
void BM_FullApplyVerify(benchmark::State& state) {
  Bench bench(false);
  if (!bench.Ready(state)) return;
  Settings().VerifyApply = static_cast<int32_t>(state.range(0));
  const ApplyPauses pauses = state.range(1) != 0 ? ApplyPauses() : ApplyPauses::Zero();
  for (auto _ : state) {
    const int result = ApplyStoredProfile(bench.store_, bench.library_, nullptr, &bench.driver_, WM_APPLY_PROGRESS,
                                          kFullApplyFlags, pauses);
    if (result != 1) state.SkipWithError("the apply failed");
  }
  Settings().VerifyApply = 1;
}
void BM_FullApplyWithMemoryFiles(benchmark::State& state) { ApplyDirectly(state, true); }

void BM_FullApplyThroughTheWorker(benchmark::State& state) {
  Bench bench(false);
  if (!bench.Ready(state)) return;
  ApplyJob job;
  job.SetPauses(ApplyPauses::Zero());
  std::mutex mutex;
  std::condition_variable over;
  int runs = 0;
  job.SetRunObserver([&](const ApplyOutcome&) {
    std::lock_guard<std::mutex> lock(mutex);
    ++runs;
    over.notify_one();
  });
  job.Start(&bench.driver_, bench.store_, bench.library_);
  for (auto _ : state) {
    std::unique_lock<std::mutex> lock(mutex);
    const int before = runs;
    lock.unlock();
    job.Request(kFullApplyFlags);
    lock.lock();
    over.wait(lock, [&] { return runs > before; });
  }
  job.Stop();
}

}  // namespace

BENCHMARK(BM_FullApply)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullApplyWithMemoryFiles)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullApplyThroughTheWorker)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullApplyVerify)->ArgNames({"verify", "pauses"})->ArgsProduct({{0, 1}, {0}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FullApplyVerify)
    ->ArgNames({"verify", "pauses"})
    ->ArgsProduct({{0, 1}, {1}})
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
