// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/damaged_copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "base/stored_file.h"

namespace {

constexpr char kDamagedCopyMark[] = ".damaged-";
// A damaged file longer than this is moved aside rather than read into memory for a copy.
constexpr std::size_t kDamagedCopyLimit = 16u << 20;

// The whole content of a readable plain file of at most kDamagedCopyLimit bytes.
bool ReadWhole(const std::string& path, std::vector<uint8_t>& bytes) {
  UniqueFd fd = OpenFileForReading(path);
  struct stat st {};
  if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || static_cast<std::size_t>(st.st_size) > kDamagedCopyLimit) {
    return false;
  }
  // One byte more, so that a file that grew meanwhile is not taken for a whole copy.
  bytes.assign(static_cast<std::size_t>(st.st_size) + 1, 0);
  const long n = ReadUpTo(fd.Get(), bytes);
  if (n < 0 || static_cast<std::size_t>(n) > static_cast<std::size_t>(st.st_size)) return false;
  bytes.resize(static_cast<std::size_t>(n));
  return true;
}

// A copy of these bytes of the file that an earlier call already kept, or empty.
std::string IdenticalCopy(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string prefix = path.substr(folder.size()) + kDamagedCopyMark;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
  if (!dir) return {};
  while (const dirent* e = ::readdir(dir.get())) {
    const std::string name = e->d_name;
    if (name.rfind(prefix, 0) != 0) continue;
    std::vector<uint8_t> kept;
    if (ReadWhole(folder + name, kept) && kept == bytes) return folder + name;
  }
  return {};
}

// Moves a file without ever replacing what has the new name. 0 or the error.
int MoveNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the no-replace move: look first.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

std::string KeepDamagedCopy(const std::string& path, std::string& error) {
  std::vector<uint8_t> bytes;
  const bool readable = ReadWhole(path, bytes);
  if (readable) {
    if (std::string earlier = IdenticalCopy(path, bytes); !earlier.empty()) return earlier;
  }
  char stamp[32] = "";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (::localtime_r(&now, &local) != nullptr) std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = path + kDamagedCopyMark + stamp;
  for (int n = 1; n <= 100; ++n) {
    const std::string copy = n == 1 ? base : base + "-" + std::to_string(n);
    if (!readable) {
      // Bytes that cannot be read (or too many to hold) are kept by moving the file aside.
      const int err = MoveNoReplace(path, copy);
      if (err == EEXIST) continue;
      if (err != 0) {
        error = "cannot move " + path + " to " + copy + ": " + std::strerror(err);
        return {};
      }
      return copy;
    }
    // The name is taken first, so that a copy made meanwhile is never replaced.
    UniqueFd reserved(::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!reserved.Valid()) {
      if (errno == EEXIST) continue;
      error = "cannot create " + copy + ": " + std::strerror(errno);
      return {};
    }
    reserved.Reset();
    const ReplaceResult written = ReplaceFileContents(copy, bytes);
    if (!written.ok()) {
      ::unlink(copy.c_str());
      error = "cannot write " + copy + ": " + std::strerror(written.error);
      return {};
    }
    return copy;
  }
  error = "no free name for a copy of " + path;
  return {};
}
