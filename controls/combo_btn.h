// SPDX-License-Identifier: GPL-2.0-or-later
// CComboBtn: an image button that holds a list of items and, when clicked, opens them as a
// skinned popup menu (it stands where other programs use a drop-down list). After the user
// picks an item the button selects it and sends its click to the owner.
#pragma once

#include <QRect>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "controls/png_btn.h"
#include "controls/window_handle.h"

class CComboBtn : public CPngBtn {
  Q_OBJECT
 public:
  static constexpr int kMaxTextChars = 29;  // characters of an item text
  static constexpr int kMaxMenuItems = 30;  // items the menu shows and selection by value sees
  static constexpr intptr_t kListContext = 0;

  struct Item {
    int32_t value = 0;
    std::u16string text;
  };

  CComboBtn();
  ~CComboBtn() override;

  HWND hwnd() const { return handle_.hwnd(); }

  // Appends an item; its text is cut to 29 characters.
  void AddItem(int32_t value, std::u16string_view text);
  const std::vector<Item>& Items() const { return items_; }

  // Below 0 clears the selection (empty caption, value -1); an existing index selects its
  // item (caption and, with BtnTips, tool tip = its text); an index beyond the list changes
  // nothing.
  void SetCurSel(int index);
  int CurSel() const { return curSel_; }
  // Selects the first of the first 30 items holding the value; false when none does.
  bool SelectByValue(int32_t value);
  // The selected value (-1 for none). Owners may also write it without a caption.
  int32_t SelectedValue() const { return curValue_; }
  void SetSelectedValue(int32_t value) { curValue_ = value; }

  // Width of the list; 0 takes the MenuW setting, and when that is below 1 the button's
  // width.
  void SetDropWidth(int width) { dropWidth_ = width; }
  int DropWidth() const { return dropWidth_; }

  // Opens the list below the button (above it when it would leave the screen). Returns
  // false when nothing opens: no items, or no menu library.
  bool OpenList();

  // Where the list goes: its top-left corner on the screen for a button at buttonOnScreen,
  // a list of the given width and item count, and the screen's full area.
  static QPoint ListPosition(const QRect& buttonOnScreen, int listWidth, int itemCount, const QRect& screen);
  int ListWidth() const;

 protected:
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  std::vector<Item> items_;
  int curSel_ = -1;
  int32_t curValue_ = -1;
  int dropWidth_ = 0;
  WindowHandle handle_{this};
};
