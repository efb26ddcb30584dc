// SPDX-License-Identifier: GPL-2.0-or-later
// The one open popup menu of the process: its items, its look, and a window per open level
// (the menu and the submenus opened from it). A session watches the application's events
// while it is open: a mouse press outside its windows closes it (and then goes on to where
// it was aimed), and the arrow keys, Enter, Space and Escape work the menu.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/hwnd.h"

namespace velum {

struct MenuItem {
  int value = 0;
  QString text;
  std::vector<int> children;  // indexes of the items of its submenu
};

// Which background an item is drawn with, as the image slots are ordered.
enum ItemState { kNormal = 0, kHighlighted = 1, kPressed = 2 };
constexpr int kSubmenuSlots = 4;  // slots 4 to 7: items that open a submenu

struct MenuLook {
  int itemHeight = 20;
  int width = 0;
  std::array<QColor, 3> text;      // normal, highlighted, pressed
  std::array<QImage, 8> images;    // null where a file did not load
  QColor frame;
  QFont font;
  int align = 0;                   // 0 left, 1 centred, 2 right
};

class MenuSession;

// One level of an open menu: a frameless window that does not take the focus.
class MenuLevel : public QWidget {
 public:
  MenuLevel(MenuSession& session, int depth, std::vector<int> items);
  const std::vector<int>& Items() const { return items_; }
  int Depth() const { return depth_; }
  int Highlighted() const { return highlighted_; }
  // The row under a point of this window, or -1.
  int RowAt(QPoint local) const;
  void Highlight(int row);
  void SetPressed(bool pressed);
  QRect RowRect(int row) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  MenuSession& session_;
  int depth_;
  std::vector<int> items_;
  int highlighted_ = -1;
  bool pressed_ = false;
};

class MenuSession : public QObject {
 public:
  // The session of the process, made on first use and owned by the application object.
  static MenuSession* Instance();
  ~MenuSession() override;

  // Shows a new menu at a screen point (closing an open one first); false when the items
  // hold no top-level entry.
  bool Open(HWND owner, intptr_t context, std::vector<MenuItem> items, std::vector<int> topLevel,
            MenuLook look, QPoint at);
  void Close();
  bool IsOpen() const { return !levels_.empty(); }

  const MenuLook& Look() const { return look_; }
  const MenuItem& Item(int index) const { return items_[static_cast<std::size_t>(index)]; }

  // Called by the levels: the mouse is over a row (opens or closes submenus to match),
  // and a row was released on (chooses a plain item).
  void HoverRow(MenuLevel* level, int row);
  void ReleaseOn(MenuLevel* level, int row);
  // The level whose window holds a screen point, or null.
  MenuLevel* LevelAt(QPoint global) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit MenuSession(QObject* parent) : QObject(parent) {}
  bool HandleKey(int key);
  void OpenSubmenu(MenuLevel* level, int row);
  void CloseBelow(int depth);  // closes the levels deeper than depth
  void Choose(int item);
  bool Owns(QObject* object) const;

  HWND owner_ = nullptr;
  intptr_t context_ = 0;
  std::vector<MenuItem> items_;
  MenuLook look_;
  std::vector<QPointer<MenuLevel>> levels_;
};

}  // namespace velum
