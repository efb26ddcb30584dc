// SPDX-License-Identifier: GPL-2.0-or-later
// Reading a folder of macro files into the macro library and, through a small visitor, into
// a library tree: at start-up (library only), when the macro editor opens (tree only), and
// for folder import and rename (both).
#pragma once

#include <cstdint>
#include <string>

class MacroLibrary;

// A tree item as the scan sees it; kTreeTop is the top level.
using TreeItemHandle = void*;
inline constexpr TreeItemHandle kTreeTop = nullptr;

// What a library tree receives from a scan.
class MacroScanVisitor {
 public:
  virtual ~MacroScanVisitor() = default;
  // A folder item named after a directory, under parent, with iconPath as its image (no
  // icon when it cannot be loaded). Returns false when the tree refuses the folder (its
  // depth limit): the directory's content is then read but not shown.
  virtual bool AddFolder(TreeItemHandle parent, const std::u16string& name, const std::string& iconPath,
                         TreeItemHandle& item) = 0;
  // A macro item named after its file (without the last extension) carrying the macro id.
  virtual void AddMacro(TreeItemHandle parent, const std::u16string& name, uint32_t macroId) = 0;
};

struct MacroScanContext {
  MacroScanVisitor* tree = nullptr;     // library tree, or none
  TreeItemHandle parent = kTreeTop;     // item that receives the folder's content
  bool giveNewIds = false;              // replace every id by a new one (and mark the options changed)
  bool foldersEnabled = false;          // the MacroDir setting: read sub-folders
  bool addToLibrary = false;            // add a copy of every macro read
  MacroLibrary* library = nullptr;      // the library to add to and to make new ids against
  uint32_t mouseMask = 0;               // the MacroHasMsKey setting
};

// Reads every entry of the folder in the order the file system returns them. Directories
// whose names begin with "." or "$" are skipped, other directories are read (recursively)
// only with foldersEnabled; every other entry is tried as a macro file: it is taken when it
// has at least 834 bytes, the magic number and no unsupported mouse code. Files are only
// read (never opened for writing); symbolic links, pipes and devices are skipped, and the
// library takes no more than its limit (the rest of the folder is then left). A path of 257
// characters or more ends the scan at once with success. Returns 1, or 0 when the folder
// cannot be listed; a failing sub-folder scan stops the enumeration and fails the scan.
int ScanMacroFolder(const std::string& path, const MacroScanContext& context);

struct AppSettings;

// The main window's start: empties the library and fills it from the macro folder with the
// MacroDir and MacroHasMsKey settings, giving the tree (when there is one) its items.
// Returns the scan's result; a macro folder that does not exist yet leaves the library empty.
int LoadMacroLibrary(MacroLibrary& library, const std::string& macroFolder, const AppSettings& settings,
                     MacroScanVisitor* tree = nullptr);
