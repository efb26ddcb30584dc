// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/stored_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "base/log.h"

int MakeSureFolderExist(const std::string& path) {
  const std::size_t lastSlash = path.rfind('/');
  if (lastSlash == std::string::npos) return 1;
  // Each folder level in turn, from the first separator after the root.
  for (std::size_t pos = path.find('/', 1); pos != std::string::npos && pos <= lastSlash;
       pos = path.find('/', pos + 1)) {
    const std::string partial = path.substr(0, pos);
    if (partial.empty() || partial.back() == '/') continue;
    if (::mkdir(partial.c_str(), 0777) == 0) continue;
    const int err = errno;
    struct stat st {};
    if (err == EEXIST && ::stat(partial.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    WriteLog("MakeSureFolderExist: create dir %s, err=0x%x", partial.c_str(), err);
    return 0;
  }
  return 1;
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

bool IsReplacementFileName(std::string_view name) {
  return name.size() > 1 && name[0] == '.' && name.find(kReplacementMarker) != std::string_view::npos;
}

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A new, uniquely named file beside the target, hidden and marked as a replacement
// (".<name>.tastor-new-<pid>-<n>"); its name is left in tempPath.
UniqueFd CreateSibling(const std::string& path, mode_t mode, std::string& tempPath) {
  const std::string prefix = FolderOf(path) + "/." + NameOf(path) + kReplacementMarker;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, "%ld-%d", static_cast<long>(::getpid()),
                  static_cast<int>(std::rand() & 0xFFFF));
    tempPath = prefix + suffix;
    const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return UniqueFd(fd);
  }
  errno = EEXIST;
  return UniqueFd();
}

// Makes a rename in the folder survive a power cut: the folder's entry is on disk too.
int SyncFolder(const std::string& folder) {
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid()) return errno;
  return ::fsync(fd.Get()) == 0 ? 0 : errno;
}

// Removes the replacement files of this target that a process killed in the middle of a
// save left behind (the process that made one is gone).
void RemoveOrphans(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string prefix = "." + NameOf(path) + kReplacementMarker;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view name = e->d_name;
    if (name.substr(0, prefix.size()) != prefix) continue;
    const long pid = std::strtol(e->d_name + prefix.size(), nullptr, 10);
    if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      ::unlink((folder + "/" + std::string(name)).c_str());
    }
  }
  ::closedir(dir);
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

  // The bytes reach the disk before the name does, and the name after the rename, so that
  // after a power cut the file is the old one or the new one, never empty.
  int err = WriteAll(fd.Get(), bytes);
  if (err == 0 && ::fsync(fd.Get()) != 0) err = errno;
  if (err == 0 && ::close(fd.Release()) != 0) err = errno;
  if (err == 0 && ::rename(tempPath.c_str(), path.c_str()) != 0) err = errno;
  if (err != 0) {
    fd.Reset();
    ::unlink(tempPath.c_str());
    return {ReplaceStage::kWrite, err};
  }
  // The new content is in place; a failed folder flush only weakens the power-cut promise.
  (void)SyncFolder(FolderOf(path));
  RemoveOrphans(path);
  return {};
}
