// SPDX-License-Identifier: GPL-2.0-or-later
// CTastorDlg: the program's main window. Frameless and shaped by its skin, it shows the
// keyboard picture of the current profile, the lighting panel, the three profile buttons,
// the macro, reset and apply buttons, minimise and close, and the web links. It owns the
// keyboard link, loads the profiles and the macro library, and hands apply requests to the
// apply worker. What it decides about profiles it asks the core (model/profile_edit).
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/key_function.h"
#include "controls/menu_library.h"
#include "controls/png_btn.h"
#include "device/usb_driver.h"
#include "ui/led_panel_owner.h"
#include "ui/link_program_menu.h"
#include "ui/skinned_dialog.h"
#include "ui/user_folder_watch.h"

class CDBusService;
class CKBColorDlg;
class CRemoteControl;
class CTrayPresence;
class CLedDlg;
struct Profile;
struct ProfileFileLoad;

class CTastorDlg : public CSkinnedDialog, public LedPanelOwner {
  Q_OBJECT
 public:
  // simulate: talk to the simulated keyboard instead of the HID library.
  explicit CTastorDlg(bool simulate, QWidget* parent = nullptr);
  ~CTastorDlg() override;

  // Values of the profile button menu, sent to the lighting panel as WM_MENU_COMMAND with
  // lParam kProfileFileCommand; the panel hands them back (OnProfileMenuChoice).
  static constexpr int kMenuDelete = 2;
  static constexpr int kMenuExport = 3;
  static constexpr int kMenuImport = 4;

  // Loads the profile store (three default profiles when it does not hold three), binds
  // the profile buttons and selects the saved current profile.
  void LoadProfiles();
  // Makes the profile with the id current and shows it; an unknown id changes nothing.
  void SelectProfile(uint32_t id);
  // Shows the current profile's keys and lighting, without touching the profile buttons.
  void RefreshFromProfile();
  // A click on key k of the keyboard picture.
  void OnKeyClicked(int key);
  // Opens the key function picker for key k: 0 cancelled, 1 a key function, 2 a colour.
  virtual int OpenKeyFunctionPicker(int key, bool colourEditing, KeyFunction& function, COLORREF& colour);
  // What follows the picker's answer for the clicked key: a key function (kind 1) is
  // stored, a colour (kind 2) goes onto the key and into the current colour group.
  void ApplyPickerResult(int kind, const KeyFunction& function, COLORREF colour);
  // Writes a key function into the current profile for the clicked key.
  void StoreKeyFunction(const KeyFunction& function);
  // Takes a deleted macro off the current profile's keys (and saves the store when any
  // key changed).
  void ForgetMacro(int32_t macroId);
  // Adds the flags to the apply worker's request (when the keyboard is to be written at
  // once, ApplyNow).
  void PostApplyRequest(uint32_t flags) override;
  // Runs the macro editor.
  void OpenMacroEditor();
  // Apply, and Reset after its question: a full apply with the progress dialog, then the
  // profiles and the current id are saved.
  void Apply(bool reset);
  // Saves pro.dct (and after an apply curid.dct) with the user data folder locked. When
  // pro.dct changed on disk since the window loaded or saved it, the window first asks
  // whether its own profiles win (they are saved) or the files (they are loaded, and
  // nothing is saved). A save that fails is shown in a message box (after an apply: the
  // keyboard has the profile, the files do not). True when the files were saved.
  bool SaveProfileFiles(bool afterApply);
  // Profiles changed in memory since they were loaded or saved (keys, lighting, colours,
  // names, a deleted or imported profile), or macros of the library not yet written.
  bool HasUnsavedEdits() const;
  // The watch over pro.dct and the macro folder: another program changed them. Without
  // unsaved edits the window loads them again (keeping its profile selection); with some
  // it asks whether to keep its own edits or to take the files. Waits while a dialog of
  // the window is open.
  void OnFilesChangedOnDisk();
  // The profile file commands.
  void ExportProfile();
  void ImportProfile();
  void DeleteProfile();
  // The items of a profile button's menu (Export, Import, Delete).
  MenuItems ProfileMenuItems() const;
  // Opens the profile menu at a point of the screen; the choice reaches the lighting panel.
  bool OpenProfileMenu(QPoint globalPos);

  // What the window shows, for the tests and the tray.
  CKBColorDlg& Picture() { return *picture_; }
  CLedDlg& LightingPanel() { return *led_; }
  CPngBtn& MinimiseButton() { return min_; }
  CPngBtn& CloseButton() { return exit_; }
  CPngBtn& ProfileButton(int n) { return profile_[static_cast<std::size_t>(n)]; }
  CPngBtn& MacroButton() { return macro_; }
  CPngBtn& ResetButton() { return reset_; }
  CPngBtn& ApplyButton() { return apply_; }
  CPngBtn& WebButton() { return web_; }
  uint32_t ProfileButtonId(int n) const { return profileIds_[static_cast<std::size_t>(n)]; }
  CUSBDriver& Driver() { return driver_; }
  // The life in the background: device presence, tray, automatic switch.
  CTrayPresence& Presence() { return *presence_; }
  CLinkProgramMenu& LinkMenu() { return linkMenu_; }
  // Requests from outside (scripts, shortcuts) over the session bus; null until the window
  // has started.
  CRemoteControl* Remote() { return remote_.get(); }
  CDBusService* BusService() { return bus_.get(); }
  // A choice in the profile menu, handed back by the lighting panel: Delete, Export or
  // Import, else one of the items after them (OnProfileMenuCommand).
  void OnProfileMenuChoice(int value) override;
  // A profile menu choice that is not a profile file command ("Link program…").
  void OnProfileMenuCommand(int value);
  // Stays hidden while the window may not be shown (started hidden in the tray).
  void setVisible(bool visible) override;
  bool DevicePresent() const { return driver_.m_hMatrix.load() != 0; }
  // The start's second half (macro library, tray icon, remote control) has run: after the
  // first paint, or at once for a window that starts hidden.
  bool StartFinished() const { return started_; }

 protected:
  void OnInitDialog() override;
  bool OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Paint(QPainter& painter) override;
  void OnBackgroundPress(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 signals:
  // The current profile may have changed (a profile was selected or switched in).
  void currentProfileChanged();
  // The start's second half has run (StartFinished); the key-capture library loads here.
  void startFinished();

 private:
  bool BuildSkin();
  // The Tab order, the names of the image-only buttons and the focus ring.
  void SetKeyboardOrder();
  // The profile buttons' names for assistive technology: caption and profile name.
  void NameProfileButtons();
  void CreateButtons();
  void CreatePicture();
  void CreateLightingPanel();
  void OnButton();
  void OpenLink(const std::u16string& target) const;
  bool OverLink(QPoint point) const;
  bool CheckDeviceForApply();
  void Shutdown();
  // Makes the profile whose button opened the profile menu current again before one of
  // the menu's commands runs (the automatic switch may have changed it meanwhile).
  void TakeMenuProfile();
  int SlotsForMacros() const;
  // The files on disk (tastor_dlg_files.cpp). Starts the watch over them.
  void WatchFiles();
  // Reads the macro folder into the library again, with the user data folder locked.
  void LoadMacros();
  // The profiles or the macros again from disk, the current profile kept where it still is.
  void ReloadProfiles();
  // Says, once the window is up, that pro.dct could not be read and where its bytes are kept.
  void TellDamagedProfiles(const ProfileFileLoad& load);
  bool ProfilesEdited() const;
  static bool MacrosEdited();
  // Asks whether the window's own edits win over the files another program changed.
  bool KeepOwnEdits();
  void StartRemoteControl();
  // What the first paint does not need: the macro library, the tray icon, the remote control.
  void FinishStart();

  bool simulate_;
  QImage background_;
  CUSBDriver driver_;
  CKBColorDlg* picture_ = nullptr;
  CLedDlg* led_ = nullptr;
  CPngBtn min_, exit_, macro_, reset_, apply_, web_;
  std::array<CPngBtn, 3> profile_;
  std::array<uint32_t, 3> profileIds_{};
  uint32_t menuProfileId_ = 0;  // the profile whose button's menu is open
  QIcon icon_;
  QFont font_;
  bool workerStarted_ = false;
  bool shutDown_ = false;
  bool painted_ = false;  // the first paint has been done
  bool started_ = false;  // FinishStart has run
  std::unique_ptr<CTrayPresence> presence_;
  CLinkProgramMenu linkMenu_;
  // The files on disk: what the window loaded or saved, and the watch over them.
  CUserFolderWatch folderWatch_;
  std::vector<uint8_t> savedProfiles_;  // the store's pro.dct image when last loaded or saved
  QTimer changeRetry_;                  // looks again at a change that came while a dialog was open
  bool handlingChange_ = false;
  std::unique_ptr<CRemoteControl> remote_;
  std::unique_ptr<CDBusService> bus_;
};
