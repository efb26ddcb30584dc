// SPDX-License-Identifier: GPL-2.0-or-later
// Import and export of single macro files (.mck), the library commands on one macro. The
// file dialogs belong to the windows; these take the chosen paths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/user_message.h"
#include "macro/macro_files.h"

class MacroLibrary;

// Imports a macro file into the library folder `target` (its names from the top level; no
// names for the top level). siblingNames are the names of the target's direct children in
// the library tree: a file whose title (name without extension) equals one of them,
// without regard to case, is refused with tc_macro_msg8. Otherwise the file is read and
// checked ("Open macro file failed. error=0x%x", "Read macro file failed. error=0x%x",
// "This is not a valid macro file.", "This macro contains unsupported key."), renamed after
// the file title, given a new id, added to the library and written at once into the macro
// folder under the target, with the user data folder locked (UserFolderLock) from the look
// for a file of that name to the write. Returns the new macro id (the caller adds and
// selects its tree item named `title`), or 0 when nothing was imported; a refusal or
// failure comes with its message for the caller to show. When the file cannot be written
// (or the lock cannot be had) the message is "Import failed.", the record is taken out of
// the library again and writeFailed is set.
Reported<uint32_t> ImportMacro(MacroLibrary& library, const std::string& macroFolder, const MacroItemPath& target,
                               const std::vector<std::u16string>& siblingNames, const std::string& sourcePath,
                               uint32_t mouseMask, std::u16string* title = nullptr, bool* writeFailed = nullptr);

// The file name the export dialog proposes: "%s.mck" with the macro's name without its format
// characters.
std::u16string ExportMacroFileName(const MacroRecord& record);

// Copies a macro item's library file to the destination, overwriting it; changes not yet
// written are not part of the export. Anything but a macro item is ignored silently.
// A failed copy is logged "ExportMacro: copy file err=0x%x". Returns 1 on success.
int ExportMacro(const std::string& macroFolder, const MacroItemPath& item, const std::string& destination);
