// SPDX-License-Identifier: GPL-2.0-or-later
#include "macro/macro_transfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/log.h"
#include "base/user_folder_lock.h"
#include "base/user_message.h"
#include "macro/macro_library.h"
#include "macro/macro_library_commands.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

// The file name without its folder and without its extension.
std::u16string FileTitle(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.resize(dot);
  return FromUtf8(name);
}

}  // namespace

Reported<uint32_t> ImportMacro(MacroLibrary& library, const std::string& macroFolder, const MacroItemPath& target,
                               const std::vector<std::u16string>& siblingNames, const std::string& sourcePath,
                               uint32_t mouseMask, std::u16string* title, bool* writeFailed) {
  // The item and its file are named after the title as the record keeps it (at most 39
  // characters): that is the name checked against the siblings and the disk.
  MacroRecord named = ZeroMacroRecord();
  named.SetName(FileTitle(sourcePath));
  std::u16string fileTitle = named.Name();
  if (Reported<bool> checked = CheckItemName(fileTitle); !checked.value) return Told(0u, *checked.message);
  MacroItemPath item = target;
  item.isFolder = false;
  item.names.push_back(fileTitle);
  // From the look for a file of the name to the write: no other program writes meanwhile.
  const UserFolderLock folderLock = UserFolderLock::TakeForMacroFolder(macroFolder);
  if (!folderLock.Held()) {
    WriteLog("ImportMacro: %s", folderLock.Error().c_str());
    if (writeFailed != nullptr) *writeFailed = true;
    return Told(0u, UserMessage{u"Import failed."});
  }
  std::string destination;
  struct stat existing {};
  if (NameTaken(siblingNames, fileTitle) || !TreeItem_To_FilePath(macroFolder, item, destination) ||
      ::lstat(destination.c_str(), &existing) == 0) {
    // Never over an existing macro file, even one the library does not show.
    return Told(0u, UserMessage{TextTable::Instance().tc_macro_msg8});
  }

  // Only a plain file: a pipe would block the import, a folder is no macro file.
  UniqueFd fd = OpenFileForReading(sourcePath);
  if (!fd.Valid()) {
    return Told(0u, UserMessage{u"Open macro file failed. error=0x%x", {errno}});
  }
  std::array<uint8_t, kMacroRecordSize> bytes{};
  const long n = ReadUpTo(fd.Get(), bytes);
  if (n < 0 || static_cast<std::size_t>(n) < kMacroRecordSize) {
    return Told(0u, UserMessage{u"Read macro file failed. error=0x%x", {n < 0 ? errno : 0}});
  }
  fd.Reset();

  MacroRecord record = MacroFromFileImage(bytes);
  BoundMacroRecord(record);
  if (record.dwMagicNumber != kMacroMagic) {
    return Told(0u, UserMessage{u"This is not a valid macro file."});
  }
  if (MacroHasUnsupportedKey(record, mouseMask)) {
    return Told(0u, UserMessage{u"This macro contains unsupported key."});
  }

  record.SetName(fileTitle);
  record.dwMacroId = library.NewMacroId();
  record.Macro_Buffer_ID = 0;
  record.dwFlags |= kMacroDirtyBits;
  if (!library.Add(record)) return {};

  item.macroId = record.dwMacroId;
  if (Flush_Dirty_Macro(library, macroFolder, item) != 1) {
    // Not on disk, so not in the library either: nothing looks imported that is not.
    library.Remove(record.dwMacroId);
    if (writeFailed != nullptr) *writeFailed = true;
    return Told(0u, UserMessage{u"Import failed."});
  }
  if (title != nullptr) *title = record.Name();
  return {record.dwMacroId, std::nullopt};
}

namespace {
constexpr std::size_t kExportReadLimit = 1u << 20;
}  // namespace

std::u16string ExportMacroFileName(const MacroRecord& record) { return WithoutFormatCharacters(record.Name()) + u".mck"; }

int ExportMacro(const std::string& macroFolder, const MacroItemPath& item, const std::string& destination) {
  if (item.names.empty() || item.isFolder) return 0;
  std::string source;
  if (!TreeItem_To_FilePath(macroFolder, item, source)) return 0;

  // A macro file is one record; anything far larger (or a pipe, a device) is no macro.
  const FileBytes file = ReadWholeFile(source, kExportReadLimit);
  int err = file.error;
  const std::span<const uint8_t> content(reinterpret_cast<const uint8_t*>(file.bytes.data()), file.bytes.size());
  if (err == 0) {
    const ReplaceResult result = ReplaceFileContents(destination, content);
    err = result.error;
  }
  if (err != 0) {
    WriteLog("ExportMacro: copy file err=0x%x", err);
    return 0;
  }
  return 1;
}
