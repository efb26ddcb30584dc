// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up of the program to its first painted main window, against a bare Qt window
// program started the same way: both are run as processes (tastor with --simulate in a
// fresh user folder and --quit-after-first-paint), on the offscreen platform and under an
// Xvfb server of their own. The counter "ratio" is tastor's time over the bare program's.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

std::string BinDir() { return fs::canonical("/proc/self/exe").parent_path().string() + "/"; }

// Runs a program to its end with extra environment entries; its wall time in seconds, or
// a negative value when it failed.
double RunTimed(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  std::vector<std::string> entries;
  for (char** e = environ; *e != nullptr; ++e) entries.emplace_back(*e);
  entries.insert(entries.end(), env.begin(), env.end());
  std::vector<char*> envp, args;
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argvCopy = argv;
  for (std::string& a : argvCopy) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data()) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds : -1;
}

// A private X server for the Xvfb runs, started once.
struct XServer {
  pid_t pid = -1;
  std::string display = ":87";
  XServer() {
    const std::string program = "/usr/bin/Xvfb";
    if (!fs::exists(program)) return;
    std::vector<std::string> argv = {program, display, "-screen", "0", "1600x900x24", "-nolisten", "tcp"};
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, args.data(), environ) != 0) pid = -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  ~XServer() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
};

XServer& Server() {
  static XServer server;
  return server;
}

std::vector<std::string> Platform(bool xvfb) {
  const std::string runtime = fs::temp_directory_path().string() + "/tastor-bench-runtime";
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + runtime};
  if (xvfb) {
    env.push_back("QT_QPA_PLATFORM=xcb");
    env.push_back("DISPLAY=" + Server().display);
  } else {
    env.push_back("QT_QPA_PLATFORM=offscreen");
  }
  return env;
}

double RunTastor(bool xvfb) {
  const fs::path user = fs::temp_directory_path() / ("tastor-bench-user-" + std::to_string(getpid()));
  fs::remove_all(user);
  fs::create_directories(user);
  std::vector<std::string> env = Platform(xvfb);
  env.push_back("TASTOR_SIM_DIR=" + (user / "sim").string());
  const double t = RunTimed({BinDir() + "tastor", "--simulate", "--user-dir", user.string(), "--quit-after-first-paint"}, env);
  fs::remove_all(user);
  return t;
}

double RunBare(bool xvfb) { return RunTimed({BinDir() + "bare_window"}, Platform(xvfb)); }

void Measure(benchmark::State& state, bool xvfb, bool tastor) {
  if (xvfb && Server().pid < 0) {
    state.SkipWithError("Xvfb is not installed");
    return;
  }
  double total = 0, bareTotal = 0;
  int runs = 0;
  for (auto _ : state) {
    const double t = tastor ? RunTastor(xvfb) : RunBare(xvfb);
    if (t < 0) {
      state.SkipWithError("the program did not end cleanly");
      return;
    }
    state.SetIterationTime(t);
    total += t;
    if (tastor) bareTotal += RunBare(xvfb);
    ++runs;
  }
  if (tastor && bareTotal > 0) state.counters["ratio"] = total / bareTotal;
  state.counters["ms"] = runs > 0 ? 1000.0 * total / runs : 0;
}

void BM_TastorOffscreen(benchmark::State& state) { Measure(state, false, true); }
void BM_BareOffscreen(benchmark::State& state) { Measure(state, false, false); }
void BM_TastorXvfb(benchmark::State& state) { Measure(state, true, true); }
void BM_BareXvfb(benchmark::State& state) { Measure(state, true, false); }

}  // namespace

BENCHMARK(BM_BareOffscreen)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TastorOffscreen)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareXvfb)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TastorXvfb)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
