// SPDX-License-Identifier: GPL-2.0-or-later
// CLinkProgramMenu: "Link program…" in the profile buttons' menu, and beside it a submenu
// of the programs running now. The first opens the text box with the current profile's
// linked program (an empty text removes the link); a program of the submenu becomes the
// link at once. The link is saved with the profiles right away, through the save the main
// window lends (SetSave), which locks the folder and says when the save failed.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/process_scan.h"
#include "controls/menu_library.h"

class QWidget;

class CLinkProgramMenu {
 public:
  // Item values, beside the profile file commands.
  static constexpr int kLinkProgram = 16;
  static constexpr int kRunningPrograms = 17;  // opens the submenu
  static constexpr int kFirstProgram = 32;     // the running programs, in the submenu's order

  // Appends the two items; the submenu holds the running programs that fit the menu.
  void AppendTo(MenuItems& items);
  // A choice of the menu: true when it was one of these items.
  bool OnCommand(QWidget* owner, int value);
  // How the profiles are saved after a link changed (true when saved). Without one they
  // are saved directly and a failure only goes to the log.
  void SetSave(std::function<bool()> save) { save_ = std::move(save); }

  // The programs the submenu offered, in its order.
  const std::vector<std::u16string>& Offered() const { return offered_; }

 private:
  void Link(const std::u16string& program);

  ProcessScanner scanner_;
  std::vector<std::u16string> offered_;
  std::function<bool()> save_;
};
