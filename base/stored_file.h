// SPDX-License-Identifier: GPL-2.0-or-later
// Small file helpers shared by the profile files and the macro files: writing a file's
// bytes and replacing a file's content safely. The owned descriptor and the checked
// reads (UniqueFd, OpenFileForReading, ReadUpTo, ReadWholeFile) live in
// platform/checked_file.h, included here for the callers of both.
#pragma once

#include "platform/checked_file.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Creates every missing folder of the path's folder part (the part after the last "/" is a
// file name and is not created), one level after the other; existing folders are fine.
// Logs "MakeSureFolderExist: create dir %s, err=0x%x" and returns 0 on a failure, else 1.
int MakeSureFolderExist(const std::string& path);

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
