// SPDX-License-Identifier: GPL-2.0-or-later
// CTastorDlg and its files on disk: the locked, checked saves of pro.dct and curid.dct,
// what counts as unsaved edits, and what the window does when the watch over the user data
// folder (CUserFolderWatch) sees that another program changed the profiles or macros.
// Called from the main window's saves (Apply, Reset, ForgetMacro, the link editor) and
// from the watch; reaches the files through the core (model/profile_files,
// macro/macro_scan) under the user data folder's lock.
#include "ui/tastor_dlg.h"

#include <QApplication>

#include "app/paths.h"
#include "app/program_settings.h"
#include "base/log.h"
#include "base/user_folder_lock.h"
#include "base/window_port.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "ui/msg_dlg.h"

namespace {

// How often a change that came while a dialog was open is looked at again.
constexpr int kChangeRetryMs = 250;

// A text of the table, or its English text where the table gives an empty one.
std::u16string TextOrEnglish(const std::u16string& text, std::u16string_view english) {
  return text.empty() ? std::u16string(english) : text;
}

// "%s" of a text filled with what failed.
std::u16string Filled(std::u16string text, const std::u16string& detail) {
  const std::size_t at = text.find(u"%s");
  if (at != std::u16string::npos) text.replace(at, 2, detail);
  return text;
}

std::u16string ApplyNotSavedText() {
  return TextOrEnglish(TextTable::Instance().tc_apply_not_saved, english::tc_apply_not_saved);
}

std::u16string ProfilesNotSavedText() {
  return TextOrEnglish(TextTable::Instance().tc_save_failed, english::tc_save_failed);
}

}  // namespace

void CTastorDlg::WatchFiles() {
  const AppSettings& s = Settings();
  changeRetry_.setInterval(kChangeRetryMs);
  connect(&changeRetry_, &QTimer::timeout, this, &CTastorDlg::OnFilesChangedOnDisk, Qt::UniqueConnection);
  connect(&folderWatch_, &CUserFolderWatch::changed, this, &CTastorDlg::OnFilesChangedOnDisk, Qt::UniqueConnection);
  folderWatch_.Start(Paths().userDataFolder, Paths().MacroFolder(), s.MacroDir != 0,
                     static_cast<uint32_t>(s.MacroHasMsKey));
}

bool CTastorDlg::SaveProfileFiles(bool afterApply) {
  const bool withCurrentId = afterApply;
  const std::u16string notSavedText = afterApply ? ApplyNotSavedText() : ProfilesNotSavedText();
  ProfileStore& store = TheProfileStore();
  const std::string& folder = Paths().userDataFolder;
  UserFolderLock folderLock = UserFolderLock::Take(folder);
  if (folderLock.Held() && folderWatch_.ProfilesChanged()) {
    // Another program saved profiles since: no lock is held while the user thinks.
    folderLock.Release();
    handlingChange_ = true;
    const bool keep = KeepOwnEdits();
    handlingChange_ = false;
    if (!keep) {
      ReloadProfiles();
      return false;
    }
    folderLock = UserFolderLock::Take(folder);
  }
  if (!folderLock.Held()) {
    WriteLog("Save: %s", folderLock.Error().c_str());
    CMsgDlg::Message(this, Filled(notSavedText, FromUtf8(folderLock.Error())));
    return false;
  }
  int count = 0;
  const std::vector<uint8_t> image = ProfileFileImage(store, &count);
  // A store without profiles leaves pro.dct as it is (there is nothing to write).
  const bool profilesSaved = count == 0 || SaveProfiles(store, folder) == 1;
  const bool idSaved = !withCurrentId || store.Current() == nullptr || SaveCurrentId(store, folder) == 1;
  if (profilesSaved) {
    savedProfiles_ = image;
    folderWatch_.NoteProfiles();
  }
  folderLock.Release();
  if (profilesSaved && idSaved) return true;
  std::string files = !profilesSaved && !idSaved ? std::string(kProfileFileName) + " and " + kCurrentIdFileName
                      : !profilesSaved           ? kProfileFileName
                                                 : kCurrentIdFileName;
  CMsgDlg::Message(this, Filled(notSavedText, FromUtf8(files + " in " + folder)));
  return false;
}

bool CTastorDlg::KeepOwnEdits() {
  const std::u16string question = TextOrEnglish(TextTable::Instance().tc_files_changed, english::tc_files_changed);
  return CMsgDlg::Question(this, question) == IDOK;
}

bool CTastorDlg::ProfilesEdited() const { return ProfileFileImage(TheProfileStore()) != savedProfiles_; }

bool CTastorDlg::MacrosEdited() {
  bool dirty = false;
  TheMacroLibrary().ForEach([&dirty](const MacroRecord& r) { dirty = dirty || (r.dwFlags & kMacroDirtyBits) != 0; });
  return dirty;
}

bool CTastorDlg::HasUnsavedEdits() const { return ProfilesEdited() || MacrosEdited(); }

void CTastorDlg::LoadMacros() {
  const UserFolderLock folderLock = UserFolderLock::Take(Paths().userDataFolder);
  if (!folderLock.Held()) WriteLog("LoadMacros: %s", folderLock.Error().c_str());
  {
    MacroLibrary& library = TheMacroLibrary();
    auto lock = library.Lock();  // the apply worker never sees it half read
    LoadMacroLibrary(library, Paths().MacroFolder(), Settings());
  }
  folderWatch_.NoteMacros();
}

void CTastorDlg::ReloadProfiles() {
  uint32_t keep = 0;
  {
    auto lock = TheProfileStore().Lock();
    if (const Profile* current = TheProfileStore().Current()) keep = current->id;
  }
  LoadProfiles();
  // The profile the user was looking at stays, where the files still have it.
  if (keep != 0) SelectProfile(keep);
}

void CTastorDlg::OnFilesChangedOnDisk() {
  if (shutDown_) return;
  // Not under an open dialog (the picker, the macro editor, a message box): it is looked
  // at again once the dialog has closed.
  QWidget* modal = QApplication::activeModalWidget();
  if (handlingChange_ || (modal != nullptr && modal != this)) {
    changeRetry_.start();
    return;
  }
  changeRetry_.stop();
  const bool profiles = folderWatch_.ProfilesChanged();
  const bool macros = folderWatch_.MacrosChanged(TheMacroLibrary());
  if (!profiles && !macros) return;
  const bool profileConflict = profiles && ProfilesEdited();
  const bool macroConflict = macros && MacrosEdited();
  // Hidden in the tray nobody could answer: the files are taken, as showing the window
  // again would take them.
  handlingChange_ = true;
  const bool keep = (profileConflict || macroConflict) && isVisible() && KeepOwnEdits();
  handlingChange_ = false;
  WriteLog("Files changed on disk:%s%s, %s", profiles ? " profiles" : "", macros ? " macros" : "",
           keep ? "the window keeps its own" : "loaded again");
  // Kept edits win at the next save; what has no edits of the window's is taken from disk.
  if (macros) {
    if (keep && macroConflict) {
      folderWatch_.NoteMacros();
    } else {
      LoadMacros();
    }
  }
  if (profiles) {
    if (keep && profileConflict) {
      folderWatch_.NoteProfiles();
    } else {
      ReloadProfiles();
    }
  }
  if (macros && !profiles) RefreshFromProfile();
}

void CTastorDlg::TellDamagedProfiles(const ProfileFileLoad& load) {
  const TextTable& texts = TextTable::Instance();
  const std::u16string text =
      load.keptCopy.empty()
          ? Filled(TextOrEnglish(texts.tc_profiles_damaged_lost, english::tc_profiles_damaged_lost), FromUtf8(load.keepError))
          : Filled(TextOrEnglish(texts.tc_profiles_damaged, english::tc_profiles_damaged), FromUtf8(load.keptCopy));
  // After the start-up has shown the window (or put it in the tray), not in the middle of it.
  QTimer::singleShot(0, this, [this, text] { CMsgDlg::Message(isVisible() ? this : nullptr, text); });
}
