// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/user_folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "base/stored_file.h"

namespace {

using Clock = std::chrono::steady_clock;

// A folder whose lock this process holds (or is taking): the open lock file, the thread
// that holds it and how often it took it.
struct Holding {
  std::string folder;
  UniqueFd fd;
  std::thread::id owner;
  int depth = 0;  // 0 while the owner is still waiting for the flock
};

struct Registry {
  std::mutex mutex;
  std::condition_variable freed;
  std::vector<Holding> holdings;
  pid_t pid = ::getpid();

  // A process forked from a holder holds nothing of its own: its copies of the lock files
  // are closed (the parent's locks stay) and it takes the lock anew.
  void ForgetIfForked() {
    if (pid == ::getpid()) return;
    holdings.clear();
    pid = ::getpid();
  }

  Holding* Find(const std::string& folder) {
    for (Holding& h : holdings) {
      if (h.folder == folder) return &h;
    }
    return nullptr;
  }
  void Erase(const std::string& folder) {
    std::erase_if(holdings, [&](const Holding& h) { return h.folder == folder; });
    freed.notify_all();
  }
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

// The folder as one name whatever way it is written ("a//b/", a link to it), so that a
// nested take in this process finds the lock it already holds instead of waiting for it.
std::string CanonicalFolder(const std::string& folder) {
  char resolved[PATH_MAX];
  if (::realpath(folder.c_str(), resolved) != nullptr) return WithSlash(resolved);
  return WithSlash(folder);
}

std::string Seconds(std::chrono::milliseconds wait) {
  return std::to_string((wait.count() + 999) / 1000) + " s";
}

// Opens the lock file: created when missing (0600), never through a symbolic link, only a
// plain file. In a folder this process may not write, an existing lock file is still
// taken read-only (flock needs no write access).
UniqueFd OpenLockFile(const std::string& path, std::string& error) {
  constexpr int kCommon = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | kCommon, 0600));
  if (!fd.Valid() && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    const int createErr = errno;
    fd = UniqueFd(::open(path.c_str(), O_RDONLY | kCommon));
    if (!fd.Valid() && errno == ENOENT) errno = createErr;
  }
  if (!fd.Valid()) {
    error = errno == ELOOP ? path + " is a symbolic link; the user data folder is not locked through one"
                           : "cannot open the lock file " + path + ": " + std::strerror(errno);
    return fd;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    error = path + " is not a plain file; the user data folder cannot be locked";
    return UniqueFd();
  }
  return fd;
}

// Waits for the flock until the deadline, looking again after short, growing pauses.
bool LockFile(int fd, const std::string& path, Clock::time_point deadline, std::chrono::milliseconds wait,
              std::string& error) {
  constexpr auto kFirstPause = std::chrono::milliseconds(1);
  constexpr auto kLongestPause = std::chrono::milliseconds(20);
  auto pause = std::chrono::duration_cast<Clock::duration>(kFirstPause);
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      error = "cannot lock " + path + ": " + std::strerror(errno);
      return false;
    }
    const auto now = Clock::now();
    if (now >= deadline) {
      error = "another program has held the user data folder's lock " + path + " for more than " + Seconds(wait) +
              "; nothing was changed";
      return false;
    }
    std::this_thread::sleep_for(std::min(pause, deadline - now));
    pause = std::min<Clock::duration>(pause * 2, kLongestPause);
  }
}

}  // namespace

UserFolderLock::UserFolderLock(UserFolderLock&& other) noexcept
    : held_(other.held_), folder_(std::move(other.folder_)), error_(std::move(other.error_)) {
  other.held_ = false;
}

UserFolderLock& UserFolderLock::operator=(UserFolderLock&& other) noexcept {
  if (this != &other) {
    Release();
    held_ = other.held_;
    folder_ = std::move(other.folder_);
    error_ = std::move(other.error_);
    other.held_ = false;
  }
  return *this;
}

UserFolderLock UserFolderLock::Take(const std::string& userDataFolder, std::chrono::milliseconds wait) {
  UserFolderLock lock;
  const std::string path = WithSlash(userDataFolder) + kFileName;
  lock.folder_ = CanonicalFolder(userDataFolder);
  const auto deadline = Clock::now() + wait;
  Registry& r = TheRegistry();
  std::unique_lock<std::mutex> guard(r.mutex);
  r.ForgetIfForked();
  // Another thread of this process holds it or is taking it: wait for it to let go.
  for (Holding* h = r.Find(lock.folder_); h != nullptr; h = r.Find(lock.folder_)) {
    if (h->owner == std::this_thread::get_id() && h->depth > 0) {
      ++h->depth;
      lock.held_ = true;
      return lock;
    }
    if (r.freed.wait_until(guard, deadline) == std::cv_status::timeout && r.Find(lock.folder_) != nullptr) {
      lock.error_ = "another thread has held the user data folder's lock " + path + " for more than " +
                    Seconds(wait) + "; nothing was changed";
      return lock;
    }
  }
  r.holdings.push_back(Holding{lock.folder_, UniqueFd(), std::this_thread::get_id(), 0});
  guard.unlock();

  UniqueFd fd = OpenLockFile(path, lock.error_);
  const bool locked = fd.Valid() && LockFile(fd.Get(), path, deadline, wait, lock.error_);

  guard.lock();
  if (!locked) {
    r.Erase(lock.folder_);
    return lock;
  }
  Holding* h = r.Find(lock.folder_);
  h->fd = std::move(fd);
  h->depth = 1;
  lock.held_ = true;
  return lock;
}

UserFolderLock UserFolderLock::TakeForMacroFolder(const std::string& macroFolder, std::chrono::milliseconds wait) {
  std::string folder = macroFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::size_t slash = folder.rfind('/');
  return Take(slash == std::string::npos ? std::string("./") : folder.substr(0, slash + 1), wait);
}

void UserFolderLock::Release() {
  if (!held_) return;
  held_ = false;
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.mutex);
  r.ForgetIfForked();
  Holding* h = r.Find(folder_);
  if (h == nullptr || --h->depth > 0) return;
  ::flock(h->fd.Get(), LOCK_UN);
  r.Erase(folder_);  // closes the lock file
}
