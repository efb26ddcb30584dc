// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <pty.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "tastor-test-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = std::string(made) + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string TempDir::Write(const std::string& name, const std::string& bytes) const {
  const std::string full = path_ + name;
  fs::create_directories(fs::path(full).parent_path());
  WriteFile(full, bytes);
  return full;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

RecordingWindowPort::RecordingWindowPort() { SetWindowPort(this); }
RecordingWindowPort::~RecordingWindowPort() { SetWindowPort(nullptr); }

int RecordingWindowPort::MessageBox(HWND, std::u16string_view text, std::u16string_view caption, unsigned type) {
  boxes.push_back({std::u16string(text), std::u16string(caption), type});
  return IDOK;
}

std::vector<std::u16string> RecordingWindowPort::Texts() const {
  std::vector<std::u16string> texts;
  for (const Box& b : boxes) texts.push_back(b.text);
  return texts;
}

namespace {

// The argument and environment arrays of a program to start: this process's environment
// with the extra entries ("NAME=value" replaces, "NAME=" removes the variable).
struct ChildCommand {
  ChildCommand(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) : argStrings(argv) {
    for (char** e = environ; *e != nullptr; ++e) envStrings.emplace_back(*e);
    for (const std::string& extra : extraEnv) {
      const std::string key = extra.substr(0, extra.find('=') + 1);
      std::erase_if(envStrings, [&](const std::string& e) { return e.rfind(key, 0) == 0; });
      if (extra.back() != '=') envStrings.push_back(extra);
    }
    for (auto& e : envStrings) envp.push_back(e.data());
    envp.push_back(nullptr);
    for (auto& a : argStrings) args.push_back(a.data());
    args.push_back(nullptr);
  }
  std::vector<std::string> argStrings, envStrings;
  std::vector<char*> args, envp;
};

int ExitStatus(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

}  // namespace

RunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
  return RunProgramWithin(argv, -1, extraEnv);
}

RunResult RunProgramWithin(const std::vector<std::string>& argv, int timeoutMs,
                           const std::vector<std::string>& extraEnv) {
  RunResult result;
  int outPipe[2], errPipe[2];
  if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  posix_spawn_file_actions_addclose(&actions, outPipe[0]);
  posix_spawn_file_actions_addclose(&actions, errPipe[0]);

  ChildCommand command(argv, extraEnv);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, command.args[0], &actions, nullptr, command.args.data(), command.envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  if (rc == 0) {
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    int open = 2;
    char buf[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (open > 0) {
      int wait = -1;
      if (timeoutMs >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        wait = static_cast<int>(std::max<long long>(0, left.count()));
      }
      const int ready = ::poll(fds, 2, wait);
      if (ready == 0) {
        // Past the deadline: the program is stopped and the run marked as timed out.
        result.timedOut = true;
        ::kill(pid, SIGKILL);
        break;
      }
      if (ready < 0) break;
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || fds[i].revents == 0) continue;
        const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
        if (n <= 0) {
          fds[i].fd = -1;
          --open;
        } else {
          (i == 0 ? result.out : result.err).append(buf, static_cast<std::size_t>(n));
        }
      }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = ExitStatus(status);
  }
  ::close(outPipe[0]);
  ::close(errPipe[0]);
  return result;
}

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
  std::size_t pos = 0;
  while (pos <= dirs.size()) {
    std::size_t end = dirs.find(':', pos);
    if (end == std::string::npos) end = dirs.size();
    if (::access((dirs.substr(pos, end - pos) + "/" + program).c_str(), X_OK) == 0) return true;
    pos = end + 1;
  }
  return false;
}

bool Xvfb::Start() {
  int fds[2];
  if (::pipe(fds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const std::string fd = std::to_string(fds[1]);
  std::vector<std::string> args = {"Xvfb", "-displayfd", fd, "-nolisten", "tcp", "-noreset", "-screen", "0", "640x480x24"};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int rc = ::posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    pid_ = -1;
    ::close(fds[0]);
    return false;
  }
  std::string number;
  char c;
  while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  ::close(fds[0]);
  if (number.empty()) return false;
  display_ = ":" + number;
  return true;
}

Xvfb::~Xvfb() {
  if (pid_ > 0) {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }
}

RunResult RunProgramInTerminal(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
  RunResult result;
  ChildCommand command(argv, extraEnv);
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid < 0) return result;
  if (pid == 0) {
    ::execve(command.args[0], command.args.data(), command.envp.data());
    ::_exit(127);
  }
  char buf[4096];
  // The terminal reports an error instead of the end once the program has gone.
  for (ssize_t n; (n = ::read(terminal, buf, sizeof buf)) > 0;) result.out.append(buf, static_cast<std::size_t>(n));
  ::close(terminal);
  int status = 0;
  ::waitpid(pid, &status, 0);
  result.status = ExitStatus(status);
  return result;
}

std::string BinDir() { return std::string(TASTOR_BIN_DIR) + "/"; }
std::string SourceDir() { return std::string(TASTOR_SOURCE_DIR) + "/"; }

namespace {
std::string g_home;
}

const std::string& TestHome() { return g_home; }

void SetUpTestEnvironment() {
  std::string pattern = (fs::temp_directory_path() / "tastor-home-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) std::abort();
  g_home = made;
  const std::string runtime = g_home + "/run";
  ::mkdir(runtime.c_str(), 0700);
  ::mkdir((g_home + "/Desktop").c_str(), 0700);
  ::mkdir((g_home + "/data").c_str(), 0700);
  ::setenv("HOME", g_home.c_str(), 1);
  ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ::setenv("XDG_DATA_HOME", (g_home + "/data").c_str(), 1);
  ::setenv("XDG_DESKTOP_DIR", (g_home + "/Desktop").c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (g_home + "/config").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (g_home + "/cache").c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The system-wide settings of the machine are never read: the programs look for a file
  // the tests may write.
  ::setenv("TASTOR_SYSTEM_SETTINGS", (g_home + "/etc-tastor-cfg.ini").c_str(), 1);
  // No test reaches the user's session bus (a running Tastor there would take the tests'
  // requests): the programs find none, unless a test starts a private bus for its children.
  ::setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + runtime + "/no-session-bus").c_str(), 1);
  // The texts the programs read follow the locale: the tests choose it themselves.
  ::unsetenv("LANGUAGE");
  ::unsetenv("LC_ALL");
  ::unsetenv("LC_MESSAGES");
  ::setenv("LANG", "C.UTF-8", 1);
  std::atexit([] {
    std::error_code ec;
    fs::remove_all(g_home, ec);
  });
}
