// Small file helpers shared by the profile files and the macro files: an owned file
// descriptor, reading a file's first bytes, and replacing a file's content safely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

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

// Reads up to buffer.size() bytes from an open file, going on after short reads. Returns
// the count read, or -1 with errno set when a read fails.
long ReadUpTo(int fd, std::span<uint8_t> buffer);
// Writes every byte, going on after short writes. Returns 0, or the system error code.
int WriteAll(int fd, std::span<const uint8_t> bytes);

// Where ReplaceFileContents failed: creating the new file or writing it (the write, the
// flush to disk or the final rename).
enum class ReplaceStage { kNone, kCreate, kWrite };
struct ReplaceResult {
  ReplaceStage stage = ReplaceStage::kNone;
  int error = 0;  // the system error code
  bool ok() const { return stage == ReplaceStage::kNone; }
};

// Writes the bytes to a new file in the same folder and renames it over the path, so that a
// crash or a full disk in the middle leaves the old file whole. The new file gets the old
// file's permission bits, or 0666 less the umask for a new one. When makeFolders is set and
// the folder does not exist, it is created (MakeSureFolderExist) and the creation tried once
// more.
ReplaceResult ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes,
                                  bool makeFolders = false);
