// SPDX-License-Identifier: GPL-2.0-or-later
// The automatic profile switch's cost: one scan of the running processes with a few
// hundred of them (children started by the benchmark), from a fresh scanner (every name
// read) and in the steady state of the timer (names kept, one kernel-name read each), the
// switch's whole tick (scan and rule over five linked profiles), and the idle cost between
// ticks: the main window's timer 576 runs for a few periods on a real event loop while
// the process's CPU time and the event loop's wake-ups are counted.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "app/process_scan.h"
#include "app/profile_switch.h"
#include "app/program_settings.h"
#include "device/apply_job.h"
#include "device/usb_driver.h"
#include "model/profile.h"
#include "model/profile_store.h"
#include "ui/tray_presence.h"

extern char** environ;

namespace {

constexpr int kChildren = 300;

// Sleeping children, so that the scan meets a few hundred processes.
class Children {
 public:
  Children() {
    char sleep[] = "/bin/sleep";
    char seconds[] = "600";
    char* argv[] = {sleep, seconds, nullptr};
    for (int i = 0; i < kChildren; ++i) {
      pid_t pid = -1;
      if (::posix_spawn(&pid, sleep, nullptr, nullptr, argv, environ) == 0) pids_.push_back(pid);
    }
    ::usleep(300000);  // until they have started the program
  }
  ~Children() {
    for (const pid_t pid : pids_) ::kill(pid, SIGKILL);
    for (const pid_t pid : pids_) ::waitpid(pid, nullptr, 0);
  }

 private:
  std::vector<pid_t> pids_;
};

Children& TheChildren() {
  static Children children;
  return children;
}

double CpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_ScanFresh(benchmark::State& state) {
  TheChildren();
  std::size_t processes = 0;
  for (auto _ : state) {
    ProcessScanner scanner;
    processes = scanner.Scan().size();
    benchmark::DoNotOptimize(processes);
  }
  state.counters["processes"] = static_cast<double>(processes);
}
BENCHMARK(BM_ScanFresh)->Unit(benchmark::kMicrosecond);

void BM_ScanSteady(benchmark::State& state) {
  TheChildren();
  ProcessScanner scanner;
  scanner.Scan();
  for (auto _ : state) benchmark::DoNotOptimize(scanner.Scan().size());
  state.counters["processes"] = static_cast<double>(scanner.Processes().size());
  state.counters["fullReads"] = scanner.LastFullReads();
}
BENCHMARK(BM_ScanSteady)->Unit(benchmark::kMicrosecond);

void BM_SwitchTick(benchmark::State& state) {
  TheChildren();
  ProfileStore store;
  const char16_t* programs[] = {u"MyGame.exe", u"Racer", u"shooter", u"", u"strategy.exe"};
  uint32_t id = 1;
  for (const char16_t* program : programs) {
    Profile p = MakeProfile(id++, u"P", Settings());
    SetLinkedProgram(p, program);
    store.Append(p);
  }
  store.SetCurrent(1);
  ProcessScanner scanner;
  ProfileSwitch sw;
  for (auto _ : state) benchmark::DoNotOptimize(sw.Tick(true, false, store, scanner));
}
BENCHMARK(BM_SwitchTick)->Unit(benchmark::kMicrosecond);

// Timer 576 on the event loop for four periods (after a first tick), with the simulated keyboard present so
// that every tick scans: CPU per second of waiting, and wake-ups per tick.
void BM_SwitchIdle(benchmark::State& state) {
  TheChildren();
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "bench";
  char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  (void)app;
  CUSBDriver driver(Settings());
  driver.LoadDriverFile(QCoreApplication::applicationDirPath().toStdString() + "/libHidPortSim.so");
  driver.FindDev();
  StartApplyWorker(&driver);
  QWidget window;
  CTrayPresence presence({&window, &driver, {}, {}}, false);
  presence.Start();
  presence.OnSwitchTimer();  // the first tick reads every process whole; the rest are the steady state
  int wakeups = 0;
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, [&] { ++wakeups; });
  constexpr int kPeriods = 4;
  double cpu = 0;
  for (auto _ : state) {
    wakeups = 0;
    const double before = CpuSeconds();
    QEventLoop loop;
    QTimer::singleShot(kPeriods * CTrayPresence::kSwitchPeriodMs + 100, &loop, &QEventLoop::quit);
    loop.exec();
    cpu = CpuSeconds() - before;
  }
  presence.Shutdown();
  StopApplyWorker();
  const double seconds = (kPeriods * CTrayPresence::kSwitchPeriodMs + 100) / 1000.0;
  state.counters["cpu_ms_per_s"] = cpu * 1000 / seconds;
  state.counters["cpu_ms_per_tick"] = cpu * 1000 / kPeriods;
  state.counters["wakeups_per_tick"] = static_cast<double>(wakeups) / kPeriods;
}
BENCHMARK(BM_SwitchIdle)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
