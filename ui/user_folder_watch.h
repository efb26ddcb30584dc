// SPDX-License-Identifier: GPL-2.0-or-later
// CUserFolderWatch: what the main window knows of its files on disk, and the watch that
// tells it when another program (tastor-cli, a second window) changed them. It keeps a
// digest of pro.dct as the window last loaded or saved it and of the macro folder as last
// read, watches the user data folder, the macro folder and its sub-folders with
// QFileSystemWatcher, and emits changed() once a burst of changes has settled. Used by
// CTastorDlg only, which decides what a change means (reload, or ask); the files are read
// through the core's readers.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <string>

class MacroLibrary;

class CUserFolderWatch : public QObject {
  Q_OBJECT
 public:
  // A save is a new file and a rename: the events of one change come together.
  static constexpr int kSettleMs = 100;

  explicit CUserFolderWatch(QObject* parent = nullptr);

  // Watches the user data folder (ending with "/") and the macro folder (without a final
  // "/"); with macroSubfolders (the MacroDir setting) its sub-folders too. mouseMask is the
  // MacroHasMsKey setting, with which the macro folder is read as the library reads it.
  void Start(const std::string& userDataFolder, const std::string& macroFolder, bool macroSubfolders,
             uint32_t mouseMask);
  void Stop();

  // pro.dct as it is on disk now is what the window holds (after it loaded or saved the
  // file, or chose to keep its own profiles). Call with the user data folder locked.
  void NoteProfiles();
  // The macro folder as it is on disk now is taken as known (after the library was read,
  // or the window chose to keep its own macros).
  void NoteMacros();

  // pro.dct is not what was noted last.
  bool ProfilesChanged() const;
  // The macro folder is not what was noted last and not what the library holds: the
  // window's own macro writes, which the library already has, do not count (they are
  // noted on the way). A dirty record of the library is not compared (its file is older).
  bool MacrosChanged(const MacroLibrary& library);

 signals:
  // Something in the watched folders changed and has settled.
  void changed();

 private:
  void OnPathChanged();
  void OnSettled();
  // Watches the folders there are now (a macro folder made later, new sub-folders).
  void WatchFolders();
  uint64_t ProfilesDigest() const;
  // The digest of the macro folder; with `library`, matches is set when every macro
  // read from it is in the library with the same content, and no other is.
  uint64_t MacrosDigest(const MacroLibrary* library, bool* matches) const;

  QFileSystemWatcher watcher_;
  QTimer settle_;
  std::string userFolder_;
  std::string macroFolder_;
  bool macroSubfolders_ = false;
  uint32_t mouseMask_ = 0;
  uint64_t profiles_ = 0;
  uint64_t macros_ = 0;
};
