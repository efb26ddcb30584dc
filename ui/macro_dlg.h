// SPDX-License-Identifier: GPL-2.0-or-later
// CMacroDlg: the macro editor. On the left the macro library (folders and macros, with the
// library commands in its context menus), in the middle the event list of the selected
// macro, on the right the record button, the delay check box, the repeat options with the
// loop-count edit, the insert button and Save.
//
// Keys are recorded through TapHook when the HookDLL setting is on and the hook is live,
// otherwise from the dialog's own key events. Changed macros reach their files on Save,
// and every macro still carrying a dirty bit is written when the editor closes.
//
// One class, one file per job: the window itself (macro_dlg.cpp), recording
// (macro_dlg_recording.cpp), the event list and its editing (macro_dlg_events.cpp) and the
// library tree's commands (macro_dlg_library.cpp).
#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>
#include <functional>
#include <string>

#include "controls/png_btn.h"
#include "controls/tree_ctrl_ex.h"
#include "model/macro_editing.h"
#include "ui/skinned_dialog.h"

class QLineEdit;
class MacroLibrary;

class CMacroDlg : public CSkinnedDialog {
  Q_OBJECT
 public:
  static constexpr int kLibraryTreeId = 261;
  static constexpr int kEventListId = 262;
  static constexpr int kLoopEditId = 263;

  // Library menu commands.
  enum : int32_t {
    CMD_NEW_MACRO = 1, CMD_NEW_FOLDER = 2, CMD_DELETE = 4, CMD_EXPORT_MACRO = 8, CMD_IMPORT_MACRO = 16,
    CMD_RENAME = 32, CMD_IMPORT_FOLDER = 256, CMD_EXPORT_FOLDER = 512,
  };
  // Event list menu commands.
  enum : int32_t { CMD_CHANGE_EVENT = 64, CMD_DELETE_EVENT = 1024 };
  // Insert menu commands (the code in bits 16..23, 0x80 in the low byte).
  enum : int32_t {
    CMD_INSERT_PRESS = 0xF70080, CMD_INSERT_RELEASE = 0xF80080, CMD_INSERT_DELAY = 0xF90080,
  };
  static constexpr intptr_t kInsertMenuContext = 0x8000;
  static constexpr int kMenuWidth = 150;

  // The owner is the main window (none: the editor is a window of its own).
  explicit CMacroDlg(QWidget* owner = nullptr);
  ~CMacroDlg() override;

  // Set by the opener: the main window's ForgetMacro, called for each macro deleted.
  std::function<void(uint32_t)> forgetMacro;
  // The platform's file dialogs; tests put their own answers here.
  std::function<std::string()> chooseMacroFile;
  std::function<std::string(const std::u16string& proposed)> chooseExportFile;
  std::function<std::string()> chooseFolder;
  // The tick count in ms the recorder measures delays with.
  std::function<int64_t()> tickCount;

  // What the window shows, for the main window and the tests.
  CTreeCtrlEx& LibraryTree() { return library_; }
  CTreeCtrlEx& EventList() { return events_; }
  CPngBtn& RecordButton() { return record_; }
  CPngBtn& DelayCheckBox() { return autoDelay_; }
  CPngBtn& CountRadio() { return countRadio_; }
  CPngBtn& SecondModeRadio() { return secondRadio_; }
  CPngBtn& InsertButton() { return insert_; }
  CPngBtn& SaveButton() { return save_; }
  CPngBtn& CloseButton() { return close_; }
  QLineEdit* LoopEdit() const { return loopEdit_; }
  bool Recording() const { return recording_ != 0; }
  bool RecordsThroughHook() const { return hookRecording_; }
  // The event list as items.
  std::vector<EventItem> ListedEvents() const;

 protected:
  void OnInitDialog() override;
  void Paint(QPainter& painter) override;
  bool PreTranslateKey(QKeyEvent* event) override;
  bool OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void done(int result) override;

 private:
  // Showing a macro.
  void OnLibraryClick(HTREEITEM item);
  void ShowMacro(HTREEITEM item, bool optionsOnly = false);
  void ClearEvents();
  HTREEITEM SelectedMacro() const;
  MacroRecord* RecordOf(HTREEITEM item) const;
  // Recording (macro_dlg_recording.cpp).
  void OnRecord();
  void StartRecording();
  void StopRecording();
  void OnHookKey(uint32_t vk, intptr_t lParam);
  // The event list (macro_dlg_events.cpp).
  HTREEITEM AddEvent(HTREEITEM anchor, bool before, const EventItem& event);
  void FillEvents(const std::vector<EventItem>& list);
  void OnInsert();
  void OnInsertCommand(int32_t id);
  void OnEventRightClick(HTREEITEM item);
  void OnEventCommand(int32_t id);
  void EventsChanged();
  int AskNumber(std::u16string_view prompt, int& number);
  int AskKey(uint8_t& modifiers, uint8_t& key);
  // Repeat options.
  void OnCountRadio();
  void OnSecondModeRadio();
  void OnDelayCheckBox();
  void OnLoopEdited(const QString& text);
  void OptionsChanged();
  // Save and close.
  // Saves the macro shown; false (and a message) when its file could not be written.
  bool OnSave();
  bool AskAboutPendingEdits();
  void FlushAll();
  // The library commands (macro_dlg_library.cpp).
  void OnLibraryRightClick(HTREEITEM item, QPoint at);
  void OnLibraryCommand(int32_t id);
  void NewMacro();
  void NewFolder();
  void Rename();
  void Delete();
  void ImportMacroFile();
  void ExportMacroFile();
  void ImportFolder();
  void ExportFolder();
  int ScanInto(HTREEITEM parent, const std::string& folder, bool newIds, bool addToLibrary);
  void Forget(const std::vector<uint32_t>& ids);
  // A command of a control while recording is refused.
  bool RefusedWhileRecording();
  void OnButton();
  void Message(std::u16string_view text);

  MacroLibrary& macros_;
  std::string macroFolder_;
  CPngBtn record_, autoDelay_, countRadio_, secondRadio_, thirdRadio_, insert_, save_, close_;
  CTreeCtrlEx library_, events_;
  QLineEdit* loopEdit_ = nullptr;
  QImage face_;
  QImage upIcon_, downIcon_, delayIcon_;
  QFont editFont_;
  int recording_ = 0;
  int foldersEnabled_ = 0;
  uint32_t mouseMask_ = 0;
  bool hookRecording_ = false;
  int boxesOpen_ = 0;  // message boxes of the editor on the screen
  // The macro whose events and options the window shows, and whether they hold edits not
  // yet saved into its record.
  HTREEITEM shown_ = nullptr;
  bool pendingEdits_ = false;
};
