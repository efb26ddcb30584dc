// SPDX-License-Identifier: GPL-2.0-or-later
// The binding of the skinned-menu library (Velum), loaded by start-up from the program
// folder, and the program's side of opening a menu. Its absence is not an error: combo
// buttons and context menus then open nothing, and nothing is reported.
#pragma once

#include <QPoint>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "libs/velum/velum.h"
#include "platform/dynamic_library.h"

class QFont;

struct MenuLibrary {
  DynamicLibrary* module = nullptr;  // stays loaded until the process ends
  VelumDllPreTranslateMessageFn DllPreTranslateMessage = nullptr;
  VelumCreateMenuExFn CreateMenuEx = nullptr;
  VelumDestroyMenuExFn DestroyMenuEx = nullptr;
  VelumSetGdiInitFn SetGdiInit = nullptr;
  VelumSetMenuAlignFn SetMenuAlign = nullptr;
  // menu_nr, menu_ov, menu_ov, menu_nr, menusub_nr, menusub_ov, menusub_ov, menusub_nr in
  // the skins folder; empty unless all five entry points were found.
  std::array<std::string, 8> imagePaths;
};

MenuLibrary& Menus();

// Set-up, once at start-up: loads the library when its file is in the program folder and
// looks up its five entry points; with all five, prepares the image paths and passes the
// MenuAlign setting. Returns 1 when the library loaded.
int LoadMenuLibrary(const std::string& programFolder);
// Forgets the binding (the module itself stays loaded): from now on no menu opens.
void ForgetMenuLibrary();

// Closes an open skinned menu; windows call it first thing in their mouse-press, command
// and menu-choice handlers.
void CloseSkinnedMenus();

// The items of one menu: up to 30 zero-filled records.
class MenuItems {
 public:
  // Appends an item (text cut to 39 characters); false when the menu is full.
  bool Add(int32_t parent, int32_t value, std::u16string_view text);
  bool AddTop(int32_t value, std::u16string_view text) { return Add(VELUM_TOP_LEVEL, value, text); }
  int Count() const { return count_; }
  const VelumMenuItem* Records() const { return records_.data(); }
  const VelumMenuItem& operator[](int i) const { return records_[static_cast<std::size_t>(i)]; }

 private:
  std::array<VelumMenuItem, VELUM_MAX_ITEMS> records_{};
  int count_ = 0;
};

// The text of a record, up to its terminator.
std::u16string MenuItemText(const VelumMenuItem& item);

// The logical-font record of a font: its pixel size as a negative height, weight, style
// and face.
LOGFONTW LogFontOf(const QFont& font);

// Height of a menu item.
constexpr int kMenuItemHeight = 20;

// Opens a menu with its top-left corner at a screen point; the choice comes back to owner
// as WM_MENU_COMMAND (value, context). The text colours are the Menu_txt_clr settings.
// Returns false (and opens nothing) when the library has no CreateMenuEx or there are no
// items.
bool OpenSkinnedMenu(HWND owner, int width, QPoint topLeft, const MenuItems& items, intptr_t context,
                     const QFont* font, int itemHeight = kMenuItemHeight);
