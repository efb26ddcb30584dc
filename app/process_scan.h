// SPDX-License-Identifier: GPL-2.0-or-later
// The running processes by the names the automatic profile switch compares with a
// profile's linked program. On Linux a process is known by the base name of its
// executable (/proc/PID/exe), by the kernel's process name (/proc/PID/comm, at most 15
// characters) and by the base name of every argument that names a file, with "\" and "/"
// both taken as separators: a game started through Wine or Proton shows its Windows
// executable ("Z:\Games\MyGame.exe") only there, while its executable is the loader.
//
// A scan runs every 1300 ms, so the names of a process are read once and kept while the
// process lives; each later scan reads only its kernel name, which every program start
// (exec) changes, and reads the rest again when it has changed. Processes that vanish
// during a scan or cannot be read are left out silently; names that cannot be read (the
// executable of a process that is not readable) are left out of that process's names.
//
// Only the processes of one user take part: those whose real user id (the "Uid:" line of
// /proc/PID/status) is the scanner's owner, by default the user running Tastor, so that
// another user's programs on the same machine never switch this user's keyboard. Other
// users' processes are remembered by pid (so they are not read again on every scan) but
// their names are never read.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct RunningProcess {
  int pid = 0;
  std::u16string program;              // the executable's base name; empty when unreadable
  std::vector<std::u16string> names;   // as read, without repeats
  std::vector<std::u16string> folded;  // the same, case-folded (FoldCase) for comparing
};

// The last path element of a text, with "\" and "/" both separators.
std::string_view PathBaseName(std::string_view path);
// True for an argument that names a file: not empty, not an option ("-..."), a non-empty
// base name, and a folder part or an extension ("MyGame.exe", "Z:\Games\MyGame.exe",
// "/usr/bin/game"; an extension has one to four letters or digits). The first argument (the program as started) always counts.
bool ArgumentNamesFile(std::string_view argument);
// The names of one process from its executable's path (empty when unreadable), its kernel
// name and its argument block (arguments separated by NUL bytes), without repeats.
std::vector<std::u16string> ProcessNamesFrom(std::string_view exePath, std::string_view comm,
                                             std::string_view cmdline);

// The real user id of a /proc/PID/status text ("Uid:" line, first field); -1 when the
// text has none.
long long RealUidOfStatus(std::string_view status);

class ProcessScanner {
 public:
  // procRoot: the proc file system's mount point; owner: the user whose processes count
  // (the real user id of this process when not given).
  explicit ProcessScanner(std::string procRoot = "/proc");
  ProcessScanner(std::string procRoot, uid_t owner);
  ~ProcessScanner();
  ProcessScanner(const ProcessScanner&) = delete;
  ProcessScanner& operator=(const ProcessScanner&) = delete;

  // Scans the running processes of the owner; the result, in pid order, stays valid until
  // the next scan.
  const std::vector<RunningProcess>& Scan();
  const std::vector<RunningProcess>& Processes() const { return processes_; }

  // How many processes the last scan read whole (new, or started another program).
  int LastFullReads() const { return fullReads_; }

 private:
  // An open /proc/PID/comm, read again with one call on each scan.
  class CommFile {
   public:
    CommFile() = default;
    explicit CommFile(int fd) : fd_(fd) {}
    CommFile(CommFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    CommFile& operator=(CommFile&& other) noexcept;
    ~CommFile();
    int fd() const { return fd_; }

   private:
    int fd_ = -1;
  };
  struct Known {
    unsigned long long inode = 0;  // of /proc/PID: another process under a reused pid differs
    std::string comm;
    CommFile commFile;  // kept open for the first processes, up to a share of the descriptor limit
  };
  // A process of another user: only what tells that it is still the same program.
  struct Foreign {
    int pid = 0;
    Known known;
  };
  enum class ReadResult { kGone, kForeign, kMine };
  bool ReadComm(int pid, Known& known, std::string& comm);
  ReadResult ReadWhole(int pid, RunningProcess& process, Known& known);
  void HoldComm(int pid, Known& known);

  std::string root_;
  uid_t owner_;
  int rootFd_ = -1;
  std::vector<RunningProcess> processes_;
  std::vector<Known> known_;  // beside processes_
  std::vector<Foreign> foreign_;  // in pid order
  int fullReads_ = 0;
  int heldFiles_ = 0;
  int maxHeldFiles_ = 0;
};
