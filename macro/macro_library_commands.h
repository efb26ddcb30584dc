// SPDX-License-Identifier: GPL-2.0-or-later
// The library commands' rules and disk work, for the windows that show the macro library
// (the macro editor's library tree): which names may be given, and renaming, deleting,
// importing and exporting items on disk with the program's messages. The windows ask for
// names and folders and keep their tree in step with what these report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/user_message.h"
#include "macro/macro_files.h"

class MacroLibrary;

// A name typed by the user, cut before its last "." (a name with a dot loses the dot and
// what follows it).
std::u16string CutBeforeLastDot(std::u16string_view name);

// Why a name cannot be a macro or folder name (it becomes a file or folder name inside the
// macro folder), or empty when it can: it must not be empty (a name of format characters
// only counts as empty), "." or "..", hold "/", "\", control or format characters, or be
// too long for a file name. The text is the table's (tc_name_*), or its English where the
// table gives none, so a problem never reads as empty.
std::u16string ItemNameProblem(std::u16string_view name);
// Takes the format characters (IsFormatCharacter: bidi controls and the like) out of a name
// the user gives, then tells the problem of what is left (for the message box); true when
// the name, as it now is, can be used.
Reported<bool> CheckItemName(std::u16string& name);

// True when one of the names equals name without regard to case.
bool NameTaken(const std::vector<std::u16string>& names, std::u16string_view name);

// Renames a library item on disk. A macro: its record takes the new name (szName), is
// written first when dirty, and its file is moved to the new name. A folder: its image
// inside it is renamed after the new name, then the folder is moved; a folder not yet on
// disk only changes its name. An existing file or folder of the new name is never
// replaced. A failed move tells "Rename failed. err=0x%x" and changes nothing.
// Returns 1 when the item may take the new name.
Reported<int> RenameLibraryItem(MacroLibrary& library, const std::string& macroFolder, const MacroItemPath& item,
                                std::u16string_view newName);

// Deletes a macro's file; a failure other than a missing file is logged "DeleteFile %s,
// err=%d" and tells "Delete File failed, err = %d.". Returns 1 when the file is gone.
Reported<int> DeleteMacroFile(const std::string& path);
// Deletes a library folder with everything in it, sub-folders first (those whose names
// begin with "." or "$" are left alone). Each file that cannot be deleted is logged
// "DeleteFile %s, err=%d" and the rest goes on; when the folder itself cannot be removed
// (and is not missing) "Remove Directory failed, err = %d." is told. Links are removed,
// never followed. Returns 1 when the folder is gone.
Reported<int> DeleteMacroFolder(const std::string& path);

// The last name of a folder path (without a final "/").
std::string FolderBaseName(const std::string& path);
// Copies a folder under its own name into destinationParent: every file of it and of its
// sub-folders (except those beginning with "." or "$") with MyCopyFile, which makes
// folders and never overwrites; the first failed copy ends the copy. A destination inside
// the source is refused. Returns 1 when everything was copied, and the copy's path.
int CopyMacroFolder(const std::string& source, const std::string& destinationParent, std::string* copy = nullptr);

// Import of a folder into a library folder (`target`, no names for the top level) whose
// children are siblingNames: the folder's name must be a usable one and not taken
// (tc_macro_msg8); then the folder is copied into the target's folder. Returns the path of
// the copy ("" when nothing was imported); the window adds the folder item and scans the
// copy with new ids.
Reported<std::string> ImportMacroFolderFiles(const std::string& macroFolder, const MacroItemPath& target,
                                             const std::vector<std::u16string>& siblingNames,
                                             const std::string& source);
// Export of a library folder (the whole macro folder for no names) into a chosen folder.
// A failed copy tells tc_export_failed ("Export failed."). Returns 1 on success.
Reported<int> ExportMacroFolderFiles(const std::string& macroFolder, const MacroItemPath& source,
                                     const std::string& destination);
