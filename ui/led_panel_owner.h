// SPDX-License-Identifier: GPL-2.0-or-later
// LedPanelOwner: what the lighting panel (CLedDlg) asks of the window it lies in. The panel
// is handed its owner when it is made and tells it what the user asked for: a lighting
// change to be written to the keyboard, or a choice in the profile menu, whose answers the
// panel receives. The owner (the main window) alone decides what follows.
#pragma once

#include <cstdint>

class LedPanelOwner {
 public:
  // The context (lParam) of the profile menu's WM_MENU_COMMAND answers, which the menu
  // sends to the lighting panel.
  static constexpr intptr_t kProfileFileCommand = 2;

  // The lighting changed and ApplyNow is on: the parts in flags are to be written now.
  virtual void PostApplyRequest(uint32_t flags) = 0;
  // The user chose the item with this value in the profile menu.
  virtual void OnProfileMenuChoice(int value) = 0;

 protected:
  ~LedPanelOwner() = default;
};
