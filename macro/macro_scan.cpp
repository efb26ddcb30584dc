// SPDX-License-Identifier: GPL-2.0-or-later
#include "macro/macro_scan.h"

#include "base/settings.h"

#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "base/log.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "text/utf.h"

namespace {

constexpr std::size_t kPathLimit = 257;  // paths of this many characters end the scan

struct DirCloser {
  void operator()(DIR* d) const { ::closedir(d); }
};

// A real folder of the tree. A symbolic link is never followed: a link to a folder above
// would make the scan go round forever, and one to a folder elsewhere would make the
// library's later writes (a dirty macro, a rename) land outside the macro folder.
bool IsDirectory(const std::string& folder, const dirent* entry) {
  if (entry->d_type == DT_DIR) return true;
  if (entry->d_type != DT_UNKNOWN) return false;
  struct stat st {};
  return ::lstat((folder + entry->d_name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The file name without its last extension (from the last ".").
std::string Title(const std::string& fileName) {
  const std::size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace

int ScanMacroFolder(const std::string& path, const MacroScanContext& context) {
  // The program's fixed path buffer: a longer path is left alone.
  if (FromUtf8(path).size() >= kPathLimit) return 1;
  std::string folder = path;
  if (folder.empty() || folder.back() != '/') folder.push_back('/');

  std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
  // A folder that cannot be listed fails the scan (and so the scan of its parent).
  if (!dir) return 0;

  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (IsDirectory(folder, entry)) {
      if (name.empty() || name[0] == '.' || name[0] == '$') continue;
      if (!context.foldersEnabled) continue;
      MacroScanContext inner = context;
      if (context.tree != nullptr) {
        TreeItemHandle item = kTreeTop;
        const std::string icon = folder + name + "/" + name + ".png";
        if (context.tree->AddFolder(context.parent, FromUtf8(name), icon, item)) {
          inner.parent = item;
        } else {
          inner.tree = nullptr;
        }
      }
      if (!ScanMacroFolder(folder + name + "/", inner)) return 0;
      continue;
    }

    // Only plain files are read (no pipe, device or link), so a hostile folder can neither
    // block the scan nor point it outside.
    if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
    // A new macro file a killed save left behind is not a macro of the library.
    if (IsReplacementFileName(name)) continue;
    MacroRecord record;
    int err = 0;
    if (!ReadMacroFile(folder + name, record, err, false)) continue;
    if (record.dwMagicNumber != kMacroMagic) continue;
    if (MacroHasUnsupportedKey(record, context.mouseMask)) continue;

    if (context.giveNewIds && context.library != nullptr) {
      record.dwMacroId = context.library->NewMacroId();
      record.dwFlags |= kMacroOptionsChanged;
    }
    if (context.addToLibrary && context.library != nullptr) {
      // The library holds a bounded number of macros; a folder with more is read up to it.
      if (context.library->Full()) {
        WriteLog("ScanMacroFolder: the library is full, %s and the rest are not loaded", (folder + name).c_str());
        return 1;
      }
      if (!context.library->Add(record)) continue;
    }
    if (context.tree != nullptr) context.tree->AddMacro(context.parent, FromUtf8(Title(name)), record.dwMacroId);
  }
  return 1;
}

int LoadMacroLibrary(MacroLibrary& library, const std::string& macroFolder, const AppSettings& settings,
                     MacroScanVisitor* tree) {
  MacroScanContext scan;
  scan.tree = tree;
  scan.foldersEnabled = settings.MacroDir != 0;
  scan.addToLibrary = true;
  scan.library = &library;
  scan.mouseMask = static_cast<uint32_t>(settings.MacroHasMsKey);
  library.Clear();
  return ScanMacroFolder(macroFolder, scan);
}
