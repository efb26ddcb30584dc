// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/process_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdio>

#include "text/utf.h"

namespace {

constexpr std::size_t kCommChars = 64;
// Enough of the argument block for the program and the file it starts; the rest of a long
// command line (class paths, option lists) is not read.
constexpr std::size_t kCmdlineBytes = 16384;
// The lines of /proc/PID/status up to "Uid:" (Name, Umask, State, Tgid, Ngid, Pid, PPid,
// TracerPid) take a few hundred bytes; the rest of the file is not needed.
constexpr std::size_t kStatusBytes = 1024;

// Reads a /proc file of the process (at most max bytes); false when it cannot be read.
bool ReadProcFile(int rootFd, int pid, const char* leaf, std::string& out, std::size_t max) {
  char path[48];
  std::snprintf(path, sizeof path, "%d/%s", pid, leaf);
  const int fd = ::openat(rootFd, path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  out.resize(max);
  std::size_t done = 0;
  bool ok = true;
  while (done < max) {
    const ssize_t n = ::read(fd, out.data() + done, max - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ok = false;  // the process ended meanwhile (ESRCH), or the file may not be read
      break;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  out.resize(done);
  return ok;
}

std::string ReadExePath(int rootFd, int pid) {
  char path[48];
  std::snprintf(path, sizeof path, "%d/exe", pid);
  std::array<char, 4096> target;
  const ssize_t n = ::readlinkat(rootFd, path, target.data(), target.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return {};  // kernel thread, another user's
  std::string exe(target.data(), static_cast<std::size_t>(n));
  // A program whose file has been replaced or removed since it started.
  constexpr std::string_view kDeleted = " (deleted)";
  if (exe.size() > kDeleted.size() && exe.ends_with(kDeleted)) exe.resize(exe.size() - kDeleted.size());
  return exe;
}

// A numeric /proc entry's pid, or -1.
int PidOf(const char* name) {
  int pid = 0;
  for (const char* c = name; *c != 0; ++c) {
    if (*c < '0' || *c > '9' || pid > 100000000) return -1;
    pid = pid * 10 + (*c - '0');
  }
  return name[0] != 0 ? pid : -1;
}

void AddName(std::vector<std::u16string>& names, std::string_view name) {
  if (name.empty()) return;
  std::u16string wide = FromUtf8(name);
  if (std::find(names.begin(), names.end(), wide) == names.end()) names.push_back(std::move(wide));
}

}  // namespace

std::string_view PathBaseName(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool ArgumentNamesFile(std::string_view argument) {
  if (argument.empty() || argument.front() == '-') return false;
  const std::string_view base = PathBaseName(argument);
  if (base.empty()) return false;
  if (base.size() != argument.size()) return true;  // it has a folder part
  // A name with an extension of one to four letters or digits ("MyGame.exe").
  const std::size_t dot = base.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0 || base.size() - dot - 1 < 1 || base.size() - dot - 1 > 4) return false;
  for (const char c : base.substr(dot + 1)) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::vector<std::u16string> ProcessNamesFrom(std::string_view exePath, std::string_view comm,
                                             std::string_view cmdline) {
  std::vector<std::u16string> names;
  AddName(names, PathBaseName(exePath));
  if (!comm.empty() && comm.back() == '\n') comm.remove_suffix(1);
  AddName(names, comm);
  bool first = true;
  while (!cmdline.empty()) {
    const std::size_t end = cmdline.find('\0');
    const std::string_view argument = cmdline.substr(0, end);
    if (first ? !argument.empty() : ArgumentNamesFile(argument)) AddName(names, PathBaseName(argument));
    first = false;
    if (end == std::string_view::npos) break;
    cmdline.remove_prefix(end + 1);
  }
  return names;
}

long long RealUidOfStatus(std::string_view status) {
  std::size_t at = status.starts_with("Uid:") ? 0 : status.find("\nUid:");
  if (at == std::string_view::npos) return -1;
  at = status.find(':', at) + 1;
  while (at < status.size() && (status[at] == '\t' || status[at] == ' ')) ++at;
  long long uid = 0;
  std::size_t digits = 0;
  while (at < status.size() && status[at] >= '0' && status[at] <= '9' && digits < 10) {
    uid = uid * 10 + (status[at++] - '0');
    ++digits;
  }
  // A real id ends its field; ten digits and more are no user id.
  if (digits == 0 || uid > 0xFFFFFFFFLL || (at < status.size() && status[at] >= '0' && status[at] <= '9')) return -1;
  return uid;
}

ProcessScanner::CommFile& ProcessScanner::CommFile::operator=(CommFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

ProcessScanner::CommFile::~CommFile() {
  if (fd_ >= 0) ::close(fd_);
}

ProcessScanner::ProcessScanner(std::string procRoot) : ProcessScanner(std::move(procRoot), ::getuid()) {}

ProcessScanner::ProcessScanner(std::string procRoot, uid_t owner) : root_(std::move(procRoot)), owner_(owner) {
  // Kernel names are read through descriptors kept open (one call a scan instead of
  // three), for at most a quarter of what the process may open.
  rlimit limit{};
  const long open = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? static_cast<long>(limit.rlim_cur) : 1024;
  maxHeldFiles_ = static_cast<int>(std::clamp(open / 4, 0L, 1024L));
}

bool ProcessScanner::ReadComm(int pid, Known& known, std::string& comm) {
  if (known.commFile.fd() < 0) return ReadProcFile(rootFd_, pid, "comm", comm, kCommChars);
  comm.resize(kCommChars);
  const ssize_t n = ::pread(known.commFile.fd(), comm.data(), kCommChars, 0);
  if (n <= 0) return false;  // the process has ended
  comm.resize(static_cast<std::size_t>(n));
  return true;
}

ProcessScanner::~ProcessScanner() {
  if (rootFd_ >= 0) ::close(rootFd_);
}

void ProcessScanner::HoldComm(int pid, Known& known) {
  if (heldFiles_ >= maxHeldFiles_) return;
  char path[48];
  std::snprintf(path, sizeof path, "%d/comm", pid);
  const int fd = ::openat(rootFd_, path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return;
  known.commFile = CommFile(fd);
  ++heldFiles_;
}

ProcessScanner::ReadResult ProcessScanner::ReadWhole(int pid, RunningProcess& process, Known& known) {
  std::string status;
  std::string comm;
  std::string cmdline;
  // Whose process it is comes first: another user's is not read any further.
  if (!ReadProcFile(rootFd_, pid, "status", status, kStatusBytes)) return ReadResult::kGone;
  const long long uid = RealUidOfStatus(status);
  if (uid < 0) return ReadResult::kGone;
  if (!ReadProcFile(rootFd_, pid, "comm", comm, kCommChars)) return ReadResult::kGone;
  if (uid != static_cast<long long>(owner_)) {
    known.comm = std::move(comm);
    HoldComm(pid, known);
    ++fullReads_;
    return ReadResult::kForeign;
  }
  const std::string exe = ReadExePath(rootFd_, pid);
  if (!ReadProcFile(rootFd_, pid, "cmdline", cmdline, kCmdlineBytes)) return ReadResult::kGone;
  // A program caught while it starts has its new name but no arguments yet; kept so, a
  // game started through a loader would never be known by its name. It is read next time.
  if (!exe.empty() && cmdline.empty()) return ReadResult::kGone;
  process.pid = pid;
  process.program = FromUtf8(PathBaseName(exe));
  process.names = ProcessNamesFrom(exe, comm, cmdline);
  process.folded = process.names;
  for (std::u16string& name : process.folded) {
    for (char16_t& c : name) c = FoldCase(c);
  }
  known.comm = std::move(comm);
  HoldComm(pid, known);
  ++fullReads_;
  return ReadResult::kMine;
}

const std::vector<RunningProcess>& ProcessScanner::Scan() {
  fullReads_ = 0;
  if (rootFd_ < 0) rootFd_ = ::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // Each scan lists the folder anew through a duplicate of the kept descriptor.
  DIR* dir = rootFd_ >= 0 ? ::fdopendir(::dup(rootFd_)) : nullptr;
  if (dir == nullptr) {
    processes_.clear();
    known_.clear();
    foreign_.clear();
    return processes_;
  }
  ::rewinddir(dir);

  std::vector<RunningProcess> processes;
  std::vector<Known> known;
  std::vector<Foreign> foreign;
  processes.reserve(processes_.size() + 16);
  known.reserve(processes_.size() + 16);
  foreign.reserve(foreign_.size() + 16);
  std::string comm;
  bool sorted = true;
  while (const dirent* entry = ::readdir(dir)) {
    const int pid = PidOf(entry->d_name);
    if (pid <= 0) continue;
    if ((!processes.empty() && pid < processes.back().pid) || (!foreign.empty() && pid < foreign.back().pid)) {
      sorted = false;
    }
    const auto other = std::lower_bound(foreign_.begin(), foreign_.end(), pid,
                                        [](const Foreign& f, int id) { return f.pid < id; });
    if (other != foreign_.end() && other->pid == pid && other->known.inode == entry->d_ino) {
      // Another user's program stays so until it starts another program.
      if (!ReadComm(pid, other->known, comm)) continue;  // ended meanwhile
      if (comm == other->known.comm) {
        foreign.push_back(std::move(*other));
        continue;
      }
    }
    const auto it = std::lower_bound(processes_.begin(), processes_.end(), pid,
                                     [](const RunningProcess& p, int id) { return p.pid < id; });
    if (it != processes_.end() && it->pid == pid) {
      Known& was = known_[static_cast<std::size_t>(it - processes_.begin())];
      if (was.inode == entry->d_ino) {
        // The same process: its names stand until it starts another program.
        if (!ReadComm(pid, was, comm)) continue;  // ended meanwhile
        if (comm == was.comm) {
          processes.push_back(std::move(*it));
          known.push_back(std::move(was));
          continue;
        }
      }
    }
    RunningProcess process;
    Known fresh;
    fresh.inode = entry->d_ino;
    switch (ReadWhole(pid, process, fresh)) {
      case ReadResult::kGone:
        break;
      case ReadResult::kForeign:
        foreign.push_back({pid, std::move(fresh)});
        break;
      case ReadResult::kMine:
        processes.push_back(std::move(process));
        known.push_back(std::move(fresh));
        break;
    }
  }
  ::closedir(dir);
  if (!sorted) {
    // Kept in pid order for the next scan's look-ups.
    std::vector<std::size_t> order(processes.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return processes[a].pid < processes[b].pid; });
    std::vector<RunningProcess> p2;
    std::vector<Known> k2;
    for (const std::size_t i : order) {
      p2.push_back(std::move(processes[i]));
      k2.push_back(std::move(known[i]));
    }
    processes.swap(p2);
    known.swap(k2);
    std::sort(foreign.begin(), foreign.end(), [](const Foreign& a, const Foreign& b) { return a.pid < b.pid; });
  }
  processes_ = std::move(processes);
  known_ = std::move(known);  // the descriptors of ended processes close here
  foreign_ = std::move(foreign);
  heldFiles_ = 0;
  for (const Known& k : known_) heldFiles_ += k.commFile.fd() >= 0 ? 1 : 0;
  for (const Foreign& f : foreign_) heldFiles_ += f.known.commFile.fd() >= 0 ? 1 : 0;
  return processes_;
}
