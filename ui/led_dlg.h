// SPDX-License-Identifier: GPL-2.0-or-later
// CLedDlg: the lighting panel, a child window of the main window at rcLED. It edits the
// lighting of the current profile: the mode, that mode's speed and brightness, and in the
// game mode the colour group that the keyboard lights and the keyboard picture shows.
// Every choice goes into the current profile at once (the core's StoreLighting) and, with
// ApplyNow, to the keyboard. It also receives the answers of the profile menu
// (WM_MENU_COMMAND with lParam kProfileFileCommand) and hands them to its owner.
#pragma once

#include <QFont>
#include <QImage>
#include <vector>

#include "controls/combo_btn.h"
#include "controls/png_btn.h"
#include "controls/png_slider.h"
#include "model/profile_edit.h"
#include "ui/led_panel_owner.h"
#include "ui/skinned_dialog.h"

class CKBColorDlg;
struct Profile;

class CLedDlg : public CSkinnedDialog {
  Q_OBJECT
 public:
  static constexpr int kSpeedSliderId = 148;
  static constexpr int kBrightnessSliderId = 149;
  static constexpr int kGroupMenuWidth = 133;

  // owner: the window the panel lies in, told what the user asks for (may be null).
  // background: that window's face; the panel keeps a copy of the part under rcLED.
  CLedDlg(LedPanelOwner* owner, const QImage& background);
  ~CLedDlg() override;

  // Set by the main window after creating the panel.
  void SetPicture(CKBColorDlg* picture) { picture_ = picture; }

  // The profile's mode into the mode button, with its name as caption.
  void SetMode(int mode);
  // Loads the panel from the profile (null: the current profile) for the mode.
  void ShowMode(int mode, const Profile* profile = nullptr);
  // Writes the panel's state into the current profile; nothing without one.
  void StoreLighting();

  // What the panel shows.
  CComboBtn& ModeButton() { return mode_; }
  CComboBtn& GroupButton() { return group_; }
  CPngSliderBar& BrightnessSlider() { return brightness_; }
  CPngSliderBar& SpeedSlider() { return speed_; }
  CPngBtn& BrightnessValue() { return brightnessValue_; }
  CPngBtn& SpeedValue() { return speedValue_; }
  bool SpeedShown() const { return controls_.speed; }
  bool BrightnessShown() const { return controls_.brightness; }
  bool GameMode() const { return controls_.game; }
  // The panel's tab stops in reading order.
  std::vector<QWidget*> KeyboardOrder() { return {&mode_, &brightness_, &speed_, &group_}; }

 protected:
  void OnInitDialog() override;
  bool OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Paint(QPainter& painter) override;

 private:
  void CreateControls();
  void OnModeChosen();
  void OnGroupChosen();
  void ShowSliderValue(int id, int value);
  void ShowGroupColours(const Profile& profile, int mode);
  void RequestApply(uint32_t flags);

  LedPanelOwner* owner_;
  QImage background_;
  QImage thumb_;
  QSize checkBox_;
  CComboBtn mode_;
  CComboBtn group_;
  CPngSliderBar brightness_;
  CPngSliderBar speed_;
  CPngBtn brightnessValue_;
  CPngBtn speedValue_;
  ModeControls controls_;
  CKBColorDlg* picture_ = nullptr;
  QFont font_;
};
