// SPDX-License-Identifier: GPL-2.0-or-later
// Macro files on disk: the folder and file helpers the macro library uses, the path of a
// library item, and the writing of changed macros. Paths are UTF-8 and use "/"; the macro
// folder is the user data folder + "Mac" (AppPaths::MacroFolder), without a final "/".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/stored_file.h"
#include "macro/macro_record.h"

class MacroLibrary;

// Creates or truncates a file for reading and writing. When its folder is missing, makes
// it (MakeSureFolderExist) and tries once more; another failure is logged
// "MyCreateFile: %s, error=0x%x" and gives an invalid descriptor.
UniqueFd MyCreateFile(const std::string& path);

// Copies a file without overwriting an existing destination; makes a missing destination
// folder and tries once more. A failure is logged "MyCopyFile: %s, error=0x%x" (source,
// system error) and returns 0.
int MyCopyFile(const std::string& source, const std::string& destination);

// A library item as the library tree knows it: the item texts from the top-level ancestor
// down to the item itself, whether it is a folder, and (for a macro) its macro id.
struct MacroItemPath {
  std::vector<std::u16string> names;
  bool isFolder = false;
  uint32_t macroId = 0;
};

// True when a library item's name can be one level of a path inside the macro folder: not
// empty, not "." or "..", without "/", NUL or another control character, and short enough for a file name with its
// extension (".mck", or the folder image's ".png").
bool IsSafePathName(std::u16string_view name);

// The full path of a library item: the macro folder, then "/" and each name from the top
// level down (at most the last 20 levels); macros end with ".mck". Returns false for a
// missing item (no names) and for a name that is not a safe path name, so that no path
// ever leaves the macro folder.
bool TreeItem_To_FilePath(const std::string& macroFolder, const MacroItemPath& item, std::string& path);

// Writes the item's macro when its record in the library carries a dirty bit. The file is
// written whole to a new file beside it and renamed over the old one; the dirty bits are
// cleared only once the file is on disk, so a failed write is tried again by the next flush.
// Folder items are ignored. The write holds the lock of the user data folder above the
// macro folder (UserFolderLock). Returns 1 when the record is on disk as in memory (written
// now or not dirty), 0 when it could not be written (or the lock could not be had) or the
// item is not usable.
int Flush_Dirty_Macro(MacroLibrary& library, const std::string& macroFolder, const MacroItemPath& item);

// Reads a macro file: 1 and the record when the file has at least 834 bytes (only those
// are read); 0 otherwise. The file is opened for reading only, and only a plain file is
// read (followLinks false: not through a symbolic link either). err receives the system
// error of a failed open or read (EINVAL for what is not a plain file; 0 for a short file).
int ReadMacroFile(const std::string& path, MacroRecord& record, int& err, bool followLinks = true);
