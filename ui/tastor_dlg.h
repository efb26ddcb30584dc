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
#include <array>
#include <cstdint>
#include <memory>

#include "controls/menu_library.h"
#include "controls/png_btn.h"
#include "device/usb_driver.h"
#include "model/key_function.h"
#include "ui/link_program_menu.h"
#include "ui/skinned_dialog.h"

class CKBColorDlg;
class CTrayPresence;
class CLedDlg;
struct Profile;

class CTastorDlg : public CSkinnedDialog {
  Q_OBJECT
 public:
  // simulate: talk to the simulated keyboard instead of the HID library.
  explicit CTastorDlg(bool simulate, QWidget* parent = nullptr);
  ~CTastorDlg() override;

  // Values of the profile button menu, sent to the lighting panel as WM_MENU_COMMAND with
  // lParam kProfileFileCommand.
  static constexpr int kMenuDelete = 2;
  static constexpr int kMenuExport = 3;
  static constexpr int kMenuImport = 4;
  static constexpr intptr_t kProfileFileCommand = 2;

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
  void PostApplyRequest(uint32_t flags);
  // Runs the macro editor.
  void OpenMacroEditor();
  // Apply, and Reset after its question: a full apply with the progress dialog, then the
  // profiles and the current id are saved.
  void Apply(bool reset);
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
  // A profile menu choice that is not a profile file command ("Link program…").
  void OnProfileMenuCommand(int value);
  // Stays hidden while the window may not be shown (started hidden in the tray).
  void setVisible(bool visible) override;
  bool DevicePresent() const { return driver_.m_hMatrix.load() != 0; }

 protected:
  void OnInitDialog() override;
  bool OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Paint(QPainter& painter) override;
  void OnBackgroundPress(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;

 private:
  bool BuildSkin();
  void CreateButtons();
  void CreatePicture();
  void CreateLightingPanel();
  void OnButton();
  void OpenLink(const std::u16string& target) const;
  bool OverLink(QPoint point) const;
  bool CheckDeviceForApply();
  void Shutdown();
  int SlotsForMacros() const;

  bool simulate_;
  QImage background_;
  CUSBDriver driver_;
  CKBColorDlg* picture_ = nullptr;
  CLedDlg* led_ = nullptr;
  CPngBtn min_, exit_, macro_, reset_, apply_, web_;
  std::array<CPngBtn, 3> profile_;
  std::array<uint32_t, 3> profileIds_{};
  QIcon icon_;
  QFont font_;
  bool workerStarted_ = false;
  bool shutDown_ = false;
  std::unique_ptr<CTrayPresence> presence_;
  CLinkProgramMenu linkMenu_;
};
