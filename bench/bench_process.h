// SPDX-License-Identifier: GPL-2.0-or-later
// What the process benchmarks share: starting a program as a process with extra
// environment entries (timed, or with its standard output kept), a private Xvfb server
// started once, and the environment of a platform (Xvfb or offscreen). Used by
// bench_startup and bench_dialog_open; reaches only posix_spawn, /proc and the temp folder.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace bench_process {

namespace fs = std::filesystem;

inline std::string BinDir() { return fs::canonical("/proc/self/exe").parent_path().string() + "/"; }

// Runs a program to its end with extra environment entries. Its wall time in seconds, or a
// negative value when it failed; its standard output goes to output when given.
inline double Run(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                  std::string* output = nullptr) {
  std::vector<std::string> entries;
  for (char** e = environ; *e != nullptr; ++e) entries.emplace_back(*e);
  entries.insert(entries.end(), env.begin(), env.end());
  std::vector<char*> envp, args;
  for (std::string& e : entries) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> argvCopy = argv;
  for (std::string& a : argvCopy) args.push_back(a.data());
  args.push_back(nullptr);
  int pipeFds[2] = {-1, -1};
  if (output != nullptr && ::pipe(pipeFds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (output != nullptr) {
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (output != nullptr) {
    ::close(pipeFds[1]);
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) output->append(buffer, static_cast<size_t>(n));
    ::close(pipeFds[0]);
  }
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
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
    display = ":" + std::to_string(87 + getpid() % 100);
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

inline XServer& Server() {
  static XServer server;
  return server;
}

// The environment of a run on Xvfb (the private server) or offscreen.
inline std::vector<std::string> Platform(bool xvfb) {
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

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace bench_process
