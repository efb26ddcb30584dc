#include "model/stored_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "macro/macro_files.h"

void UniqueFd::Reset() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

long ReadUpTo(int fd, std::span<uint8_t> buffer) {
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long>(done);
}

int WriteAll(int fd, std::span<const uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return EIO;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

namespace {

// A new, uniquely named file beside the target; its name is left in tempPath.
UniqueFd CreateSibling(const std::string& path, mode_t mode, std::string& tempPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tmp%ld-%d", static_cast<long>(::getpid()),
                  static_cast<int>(std::rand() & 0xFFFF));
    tempPath = path + suffix;
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return UniqueFd(fd);
  }
  errno = EEXIST;
  return UniqueFd();
}

}  // namespace

ReplaceResult ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes, bool makeFolders) {
  mode_t mode = 0666;
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) mode = old.st_mode & 07777;

  std::string tempPath;
  UniqueFd fd = CreateSibling(path, mode, tempPath);
  if (!fd.Valid() && errno == ENOENT && makeFolders && MakeSureFolderExist(path)) {
    fd = CreateSibling(path, mode, tempPath);
  }
  if (!fd.Valid()) return {ReplaceStage::kCreate, errno};
  // The umask may have narrowed an existing file's bits; give them back.
  if (old.st_mode != 0) ::fchmod(fd.Get(), mode);

  int err = WriteAll(fd.Get(), bytes);
  if (err == 0 && ::fsync(fd.Get()) != 0) err = errno;
  if (err == 0 && ::close(fd.Release()) != 0) err = errno;
  if (err == 0 && ::rename(tempPath.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    fd.Reset();
    ::unlink(tempPath.c_str());
    return {ReplaceStage::kWrite, err};
  }
  return {};
}
