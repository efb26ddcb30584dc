// SPDX-License-Identifier: GPL-2.0-or-later
#include "macro/macro_library_commands.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "base/log.h"
#include "base/user_folder_lock.h"
#include "base/user_message.h"
#include "macro/macro_library.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// Moves a file or folder without ever replacing what has the new name. 0 or the error.
int MoveNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the no-replace move: look first.
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) return EEXIST;
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// The folder of a library folder item (the macro folder itself for the top level), with a
// final "/".
bool FolderPathOf(const std::string& macroFolder, const MacroItemPath& item, std::string& path) {
  if (item.names.empty()) {
    path = macroFolder;
  } else if (!TreeItem_To_FilePath(macroFolder, item, path)) {
    return false;
  }
  if (path.empty() || path.back() != '/') path.push_back('/');
  return true;
}

bool Skipped(const std::string& name) { return name.empty() || name[0] == '.' || name[0] == '$'; }

bool IsDir(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Deletes a folder's content depth first, going on after a failure. Returns the first error
// (0 when everything could be deleted).
int DeleteContent(const std::string& folder) {
  // The folder's own write permission decides whether its entries can go: give it back, as
  // the attributes of a file are cleared before it is deleted.
  ::chmod(folder.c_str(), 0700);
  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  if (!dir) return errno;
  int first = 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "/" + name;
    if (IsDir(path)) {
      if (Skipped(name)) continue;
      int err = DeleteContent(path);
      if (::rmdir(path.c_str()) != 0 && err == 0) err = errno;
      if (err != 0 && first == 0) first = err;
      continue;
    }
    if (::unlink(path.c_str()) != 0) {
      const int err = errno;
      WriteLog("DeleteFile %s, err=%d", path.c_str(), err);
      if (first == 0) first = err;
    }
  }
  return first;
}

// Copies a folder's files into destination (made on demand), skipping "." and "$" folders.
int CopyContent(const std::string& source, const std::string& destination) {
  std::unique_ptr<DIR, DirCloser> dir(::opendir(source.c_str()));
  if (!dir) {
    WriteLog("MyCopyFile: %s, error=0x%x", source.c_str(), errno);
    return 0;
  }
  // An empty folder is copied as an empty folder.
  if (!MakeSureFolderExist(destination + "/")) return 0;
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string from = source + "/" + name;
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      if (Skipped(name)) continue;
      if (!CopyContent(from, destination + "/" + name)) return 0;
    } else if (S_ISREG(st.st_mode)) {
      if (!MyCopyFile(from, destination + "/" + name)) return 0;
    }
  }
  return 1;
}

std::string Canonical(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) != nullptr ? std::string(buffer) : std::string();
}

}  // namespace

std::u16string CutBeforeLastDot(std::u16string_view name) {
  const std::size_t dot = name.rfind(u'.');
  return std::u16string(dot == std::u16string_view::npos ? name : name.substr(0, dot));
}

namespace {

// A text of the table, or its English where the table has none.
std::u16string Said(const std::u16string& text, std::u16string_view english) {
  return text.empty() ? std::u16string(english) : text;
}

}  // namespace

std::u16string ItemNameProblem(std::u16string_view name) {
  const TextTable& t = TextTable::Instance();
  const std::u16string shown = WithoutFormatCharacters(name);
  if (shown.empty()) return Said(t.tc_name_empty, english::tc_name_empty);
  if (name == u"." || name == u"..") return Said(t.tc_name_dots, english::tc_name_dots);
  for (char16_t c : name) {
    if (c == u'/' || c == u'\\' || c < 0x20 || c == 0x7F) return Said(t.tc_name_chars, english::tc_name_chars);
  }
  if (shown.size() != name.size()) return Said(t.tc_name_chars, english::tc_name_chars);
  if (!IsSafePathName(name)) return Said(t.tc_name_long, english::tc_name_long);
  return {};
}

Reported<bool> CheckItemName(std::u16string& name) {
  name = WithoutFormatCharacters(name);
  const std::u16string problem = ItemNameProblem(name);
  if (problem.empty()) return {true, std::nullopt};
  return Told(false, UserMessage{problem});
}

bool NameTaken(const std::vector<std::u16string>& names, std::u16string_view name) {
  for (const std::u16string& n : names) {
    if (EqualsIgnoreCase(n, name)) return true;
  }
  return false;
}

Reported<int> RenameLibraryItem(MacroLibrary& library, const std::string& macroFolder, const MacroItemPath& item,
                                std::u16string_view newName) {
  std::string path;
  if (!TreeItem_To_FilePath(macroFolder, item, path) || !IsSafePathName(newName)) {
    return Told(0, UserMessage{u"Rename failed."});
  }
  const std::size_t slash = path.rfind('/');
  const std::string directory = path.substr(0, slash + 1);
  const std::string oldName = ToUtf8(item.names.back());
  const std::string name = ToUtf8(newName);
  const UserFolderLock folderLock = UserFolderLock::TakeForMacroFolder(macroFolder);
  if (!folderLock.Held()) {
    WriteLog("Rename: %s", folderLock.Error().c_str());
    return Told(0, UserMessage{u"Rename failed."});
  }

  if (!item.isFolder) {
    auto lock = library.Lock();
    MacroRecord* record = library.FindMacroById(item.macroId);
    if (record == nullptr) return {};
    const MacroRecord before = *record;
    record->SetName(newName);
    // A changed macro is written under its old name first, so that the file moved is current.
    if (Flush_Dirty_Macro(library, macroFolder, item) != 1) {
      record->SetName(before.Name());
      return Told(0, UserMessage{u"Rename failed."});
    }
    const int err = MoveNoReplace(path, directory + name + ".mck");
    if (err != 0) {
      record->SetName(before.Name());
      return Told(0, UserMessage{u"Rename failed. err=0x%x", {err}});
    }
    return {1, std::nullopt};
  }

  // The folder's image is named after the folder.
  const std::string oldImage = directory + oldName + "/" + oldName + ".png";
  const std::string newImage = directory + oldName + "/" + name + ".png";
  const bool imageMoved = MoveNoReplace(oldImage, newImage) == 0;
  const int err = MoveNoReplace(directory + oldName, directory + name);
  if (err == ENOENT && !IsDir(directory + oldName)) return {1, std::nullopt};  // the folder is not on disk yet
  if (err != 0) {
    if (imageMoved) MoveNoReplace(newImage, oldImage);
    return Told(0, UserMessage{u"Rename failed. err=0x%x", {err}});
  }
  return {1, std::nullopt};
}

Reported<int> DeleteMacroFile(const std::string& path) {
  if (::unlink(path.c_str()) == 0 || errno == ENOENT || errno == ENOTDIR) return {1, std::nullopt};
  const int err = errno;
  WriteLog("DeleteFile %s, err=%d", path.c_str(), err);
  return Told(0, UserMessage{u"Delete File failed, err = %d.", {err}});
}

Reported<int> DeleteMacroFolder(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) return {1, std::nullopt};  // never written: nothing on disk
  if (!S_ISDIR(st.st_mode)) return DeleteMacroFile(folder);  // a link goes, what it names stays
  const int contentErr = DeleteContent(folder);
  if (::rmdir(folder.c_str()) == 0 || errno == ENOENT) return {1, std::nullopt};
  const int err = contentErr != 0 ? contentErr : errno;
  return Told(0, UserMessage{u"Remove Directory failed, err = %d.", {err}});
}

std::string FolderBaseName(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  const std::size_t slash = folder.rfind('/');
  return slash == std::string::npos ? folder : folder.substr(slash + 1);
}

int CopyMacroFolder(const std::string& source, const std::string& destinationParent, std::string* copy) {
  std::string parent = destinationParent;
  if (parent.empty() || parent.back() != '/') parent.push_back('/');
  const std::string destination = parent + FolderBaseName(source);
  if (copy != nullptr) *copy = destination;
  // A copy into the folder itself would copy its own copy without end.
  const std::string from = Canonical(source);
  MakeSureFolderExist(parent);
  const std::string into = Canonical(parent);
  if (from.empty() || into.empty() || into == from || into.rfind(from + "/", 0) == 0) {
    WriteLog("MyCopyFile: %s, error=0x%x", source.c_str(), EINVAL);
    return 0;
  }
  return CopyContent(from, destination);
}

Reported<std::string> ImportMacroFolderFiles(const std::string& macroFolder, const MacroItemPath& target,
                                             const std::vector<std::u16string>& siblingNames,
                                             const std::string& source) {
  // The folder keeps its own name in the library: one with format characters is refused
  // rather than copied under a name that shows otherwise.
  const std::u16string name = FromUtf8(FolderBaseName(source));
  if (const std::u16string problem = ItemNameProblem(name); !problem.empty()) {
    return Told(std::string(), UserMessage{problem});
  }
  if (NameTaken(siblingNames, name)) {
    return Told(std::string(), UserMessage{TextTable::Instance().tc_macro_msg8});
  }
  std::string folder;
  if (!FolderPathOf(macroFolder, target, folder)) return {};
  const UserFolderLock folderLock = UserFolderLock::TakeForMacroFolder(macroFolder);
  if (!folderLock.Held()) {
    WriteLog("Import folder: %s", folderLock.Error().c_str());
    return Told(std::string(), UserMessage{u"Import failed."});
  }
  std::string copy;
  if (!CopyMacroFolder(source, folder, &copy)) {
    // What was copied before the failure is still read into the library.
    return Told(IsDir(copy) ? copy : std::string(), UserMessage{TextTable::Instance().tc_import_failed});
  }
  return {copy, std::nullopt};
}

Reported<int> ExportMacroFolderFiles(const std::string& macroFolder, const MacroItemPath& source,
                                     const std::string& destination) {
  std::string folder;
  if (!FolderPathOf(macroFolder, source, folder)) return {};
  if (!CopyMacroFolder(folder, destination)) {
    return Told(0, UserMessage{TextTable::Instance().tc_export_failed});
  }
  return {1, std::nullopt};
}
