// SPDX-License-Identifier: GPL-2.0-or-later
#include "macro/macro_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/log.h"
#include "base/user_folder_lock.h"
#include "macro/macro_library.h"
#include "text/utf.h"

UniqueFd MyCreateFile(const std::string& path) {
  const int flags = O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC;
  UniqueFd fd(::open(path.c_str(), flags, 0666));
  if (!fd.Valid() && errno == ENOENT && MakeSureFolderExist(path)) fd = UniqueFd(::open(path.c_str(), flags, 0666));
  if (!fd.Valid()) WriteLog("MyCreateFile: %s, error=0x%x", path.c_str(), errno);
  return fd;
}

namespace {

// 0 or the system error code.
int CopyOnce(const std::string& source, const std::string& destination) {
  // Only a plain file: a named pipe put in the macro folder would stall the copy.
  UniqueFd in = OpenFileForReading(source);
  if (!in.Valid()) return errno;
  struct stat st {};
  const mode_t mode = ::fstat(in.Get(), &st) == 0 ? (st.st_mode & 0777) : 0666;
  UniqueFd out(::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (!out.Valid()) return errno;
  uint8_t buffer[65536];
  for (;;) {
    const long n = ReadUpTo(in.Get(), buffer);
    int err = n < 0 ? errno : 0;
    if (err == 0 && n > 0) err = WriteAll(out.Get(), std::span<const uint8_t>(buffer, static_cast<std::size_t>(n)));
    if (err == 0 && n == 0 && ::close(out.Release()) != 0) err = errno;
    if (err != 0) {
      out.Reset();
      ::unlink(destination.c_str());
      return err;
    }
    if (n == 0) return 0;
  }
}

}  // namespace

int MyCopyFile(const std::string& source, const std::string& destination) {
  int err = CopyOnce(source, destination);
  if (err == ENOENT && ::access(source.c_str(), F_OK) == 0 && MakeSureFolderExist(destination)) {
    err = CopyOnce(source, destination);
  }
  if (err != 0) {
    WriteLog("MyCopyFile: %s, error=0x%x", source.c_str(), err);
    return 0;
  }
  return 1;
}

bool IsSafePathName(std::u16string_view name) {
  if (name.empty() || name == u"." || name == u"..") return false;
  if (name.find_first_of(std::u16string_view(u"/\0", 2)) != std::u16string_view::npos) return false;
  // Control characters make names no file manager or shell shows as they are.
  for (const char16_t c : name) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  constexpr std::size_t kFileNameBytes = 255 - 4;  // NAME_MAX less ".mck"
  return ToUtf8(name).size() <= kFileNameBytes;
}

bool TreeItem_To_FilePath(const std::string& macroFolder, const MacroItemPath& item, std::string& path) {
  if (item.names.empty()) return false;
  for (const std::u16string& name : item.names) {
    if (!IsSafePathName(name)) return false;
  }
  constexpr std::size_t kMaxLevels = 20;
  const std::size_t first = item.names.size() > kMaxLevels ? item.names.size() - kMaxLevels : 0;
  path = macroFolder;
  for (std::size_t i = first; i < item.names.size(); ++i) {
    path += '/';
    path += ToUtf8(item.names[i]);
  }
  if (!item.isFolder) path += ".mck";
  return true;
}

int Flush_Dirty_Macro(MacroLibrary& library, const std::string& macroFolder, const MacroItemPath& item) {
  if (item.names.empty()) {
    WriteLog("Flush_Dirty_Macro: pItem=0x%0x(%s) error", 0u, "");
    return 0;
  }
  if (item.isFolder) return 1;
  std::string path;
  if (!TreeItem_To_FilePath(macroFolder, item, path)) {
    WriteLog("Flush_Dirty_Macro: TreeItem_To_FilePath failed");
    return 0;
  }
  {
    auto lock = library.Lock();
    const MacroRecord* record = library.FindMacroById(item.macroId);
    if (record == nullptr || (record->dwFlags & kMacroDirtyBits) == 0) return 1;
  }
  // The folder lock first (it may wait for another program), then the library's, so that
  // the apply worker is not kept from the library meanwhile.
  const UserFolderLock folderLock = UserFolderLock::TakeForMacroFolder(macroFolder);
  if (!folderLock.Held()) {
    WriteLog("Flush_Dirty_Macro: %s", folderLock.Error().c_str());
    return 0;
  }
  auto lock = library.Lock();
  MacroRecord* record = library.FindMacroById(item.macroId);
  if (record == nullptr || (record->dwFlags & kMacroDirtyBits) == 0) return 1;

  const auto image = MacroFileImage(*record);
  const ReplaceResult result = ReplaceFileContents(path, image, true);
  if (result.stage == ReplaceStage::kCreate) {
    WriteLog("MyCreateFile: %s, error=0x%x", path.c_str(), result.error);
    return 0;
  }
  if (!result.ok()) {
    WriteLog("Flush_Dirty_Macro: WriteFile err=0x%x, %s", result.error, path.c_str());
    return 0;
  }
  record->dwFlags &= ~kMacroDirtyBits;
  return 1;
}

int ReadMacroFile(const std::string& path, MacroRecord& record, int& err, bool followLinks) {
  err = 0;
  UniqueFd fd = OpenFileForReading(path, followLinks);
  if (!fd.Valid()) {
    err = errno;
    return 0;
  }
  std::array<uint8_t, kMacroRecordSize> bytes{};
  const long n = ReadUpTo(fd.Get(), bytes);
  if (n < 0) {
    err = errno;
    return 0;
  }
  if (static_cast<std::size_t>(n) < kMacroRecordSize) return 0;
  record = MacroFromFileImage(bytes);
  BoundMacroRecord(record);
  return 1;
}
