// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/checked_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

static_assert(kNotAFileError == EINVAL && kTooLargeError == EFBIG, "the codes are the system's");

void UniqueFd::Reset() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

UniqueFd OpenFileForReading(const std::string& path, bool followLinks) {
  // Non-blocking, so that opening a pipe does not wait for a writer.
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (followLinks ? 0 : O_NOFOLLOW);
  UniqueFd fd(::open(path.c_str(), flags));
  if (!fd.Valid()) {
    if (errno == ELOOP && !followLinks) errno = kNotAFileError;
    return fd;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) return UniqueFd();
  if (!S_ISREG(st.st_mode)) {
    errno = kNotAFileError;
    return UniqueFd();
  }
  // Reads of a plain file never wait; clear the flag all the same.
  const int status = ::fcntl(fd.Get(), F_GETFL);
  if (status != -1) ::fcntl(fd.Get(), F_SETFL, status & ~O_NONBLOCK);
  return fd;
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

std::string SizeText(std::size_t bytes) {
  constexpr std::size_t kKiB = 1024;
  constexpr std::size_t kMiB = kKiB * kKiB;
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  if (bytes >= kKiB && bytes % kKiB == 0) return std::to_string(bytes / kKiB) + " KiB";
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

std::string FileBytes::Reason() const {
  if (error == kNotAFileError) return "not a regular file";
  if (error == kTooLargeError) return "larger than " + SizeText(limit);
  return std::strerror(error);
}

FileBytes ReadWholeFile(const std::string& path, std::size_t limit, bool followLinks) {
  FileBytes result;
  result.limit = limit;
  UniqueFd fd = OpenFileForReading(path, followLinks);
  if (!fd.Valid()) {
    result.error = errno;
    return result;
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0) {
    result.error = errno;
    return result;
  }
  if (st.st_size > 0 && static_cast<unsigned long long>(st.st_size) > limit) {
    result.error = kTooLargeError;
    return result;
  }
  // The size is a hint only (the file may grow while it is read): the read goes on to the
  // end, but never past one byte more than the limit.
  std::string& bytes = result.bytes;
  bytes.reserve(static_cast<std::size_t>(st.st_size));
  std::array<uint8_t, 65536> piece;
  for (;;) {
    const std::size_t left = limit - bytes.size();
    const std::size_t want = left >= piece.size() ? piece.size() : left + 1;
    const long n = ReadUpTo(fd.Get(), std::span<uint8_t>(piece.data(), want));
    if (n < 0) {
      result.error = errno;
      bytes.clear();
      return result;
    }
    bytes.append(reinterpret_cast<const char*>(piece.data()), static_cast<std::size_t>(n));
    if (bytes.size() > limit) {
      result.error = kTooLargeError;
      bytes.clear();
      return result;
    }
    if (static_cast<std::size_t>(n) < want) break;
  }
  return result;
}
