// SPDX-License-Identifier: GPL-2.0-or-later
// Reading files that come from outside the program (cfg.ini, text.xml, skin images, the
// stored profile and macro files, files given on the command line) without being stalled
// or flooded by them: only plain files are opened, a named pipe never blocks the open, and
// a whole-file read stops at a limit the caller chooses. Used by every reader of outside
// files in the program; the menu library (libs/velum), which does not link the core,
// compiles this file into itself. It reaches only the POSIX file calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// A POSIX file descriptor closed when the object goes.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = other.Release();
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset();

 private:
  int fd_ = -1;
};

// The error code of a path that is not a plain file (a folder, a named pipe, a device, or
// with followLinks false a symbolic link), and that of a file larger than a read's limit.
inline constexpr int kNotAFileError = 22;   // EINVAL
inline constexpr int kTooLargeError = 27;   // EFBIG

// Opens a file for reading, refusing anything but a plain file: a named pipe or a device
// put where a file was expected would block or never end. The open itself does not wait
// for a pipe's writer. followLinks false also refuses a symbolic link (a folder copied
// from elsewhere may point anywhere). On failure the descriptor is invalid and errno holds
// the reason (kNotAFileError for what is not a file).
UniqueFd OpenFileForReading(const std::string& path, bool followLinks = true);

// Reads up to buffer.size() bytes from an open file, going on after short reads. Returns
// the count read, or -1 with errno set when a read fails.
long ReadUpTo(int fd, std::span<uint8_t> buffer);

// A whole file as ReadWholeFile read it, or why it could not.
struct FileBytes {
  std::string bytes;      // the file's content when error is 0
  int error = 0;          // 0, the system error code, kNotAFileError or kTooLargeError
  std::size_t limit = 0;  // the limit the read had
  bool ok() const { return error == 0; }
  // In a few words: "not a regular file", "larger than 4 MiB", or the system's message.
  std::string Reason() const;
};

// Reads a plain file whole when it holds at most limit bytes; a larger one is refused
// (kTooLargeError) without being read past the limit.
FileBytes ReadWholeFile(const std::string& path, std::size_t limit, bool followLinks = true);

// "4 MiB", "64 KiB" or "100 bytes": a limit as the messages above give it.
std::string SizeText(std::size_t bytes);
