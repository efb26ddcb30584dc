// Small file helpers shared by the profile files and the macro files: an owned file
// descriptor, reading a file's first bytes, and replacing a file's content safely.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
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

// Opens a stored file for reading, refusing anything but a plain file: a named pipe or a
// device put where a file was expected would block or never end. followLinks false also
// refuses a symbolic link (a folder copied from elsewhere may point anywhere). On failure
// the descriptor is invalid and errno holds the reason (EINVAL for what is not a file).
UniqueFd OpenFileForReading(const std::string& path, bool followLinks = true);

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

// What marks the new file ReplaceFileContents writes beside the target before renaming it
// (".<name>.tastor-new-<pid>-<n>"). A process killed in the middle leaves one behind; the
// macro folder scan skips such files, and the next save of the same file removes them.
inline constexpr char kReplacementMarker[] = ".tastor-new-";
bool IsReplacementFileName(std::string_view name);

// Writes the bytes to a new file in the same folder, flushes it to disk, renames it over
// the path and flushes the folder, so that a crash, a power cut or a full disk in the
// middle leaves the old file whole. The new file gets the old
// file's permission bits, or 0666 less the umask for a new one. When makeFolders is set and
// the folder does not exist, it is created (MakeSureFolderExist) and the creation tried once
// more.
ReplaceResult ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes,
                                  bool makeFolders = false);
