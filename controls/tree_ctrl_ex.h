// SPDX-License-Identifier: GPL-2.0-or-later
// CTreeCtrlEx: the skinned tree of the macro editor and the key function picker. It draws
// every row itself (folder marks, icons, texts, the selected row) over a background
// colour or the part of its dialog's face under it, keeps one data record per item in a
// CMyList, and tells its parent about clicks with WM_TREE_CLICK and WM_TREE_RCLICK
// (wParam the control id, lParam the item under the cursor or 0).
//
// The macro library shows in it as folders and macros (it is the scan visitor that
// ScanMacroFolder fills); the macro editor also uses one as the flat list of a macro's
// events. The control has no keyboard navigation, and its mouse can be switched off (while
// a macro is recorded).
//
// The control, its layout, mouse and drawing are in tree_ctrl_ex.cpp, its items in
// tree_ctrl_ex_items.cpp.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/types.h"
#include "macro/cmylist.h"
#include "macro/macro_files.h"
#include "macro/macro_scan.h"

// A tree item. The top level is an item of its own (Root()); null is no item.
struct CTreeItem;
using HTREEITEM = CTreeItem*;

class CTreeCtrlEx : public QAbstractScrollArea, public MacroScanVisitor {
  Q_OBJECT
 public:
  // Item kinds.
  enum : int32_t { ITEM_LEAF = 1, ITEM_FOLDER = 2 };
  // Sub-kinds of the event list's items.
  enum : int32_t { EVENT_RELEASE = 0, EVENT_PRESS = 1, EVENT_DELAY = 2 };
  // Pixels between a library item's left edge and its text; events use 0.
  static constexpr int32_t kLibraryTextOffset = 5;
  // Folders nest under the top level and under folders with fewer folders above them.
  static constexpr int kFolderDepthLimit = 5;
  // Texts longer than this show in full as a tool tip.
  static constexpr int kTipChars = 20;

  // The record of one item.
  struct ItemData {
    HTREEITEM item = nullptr;
    const QImage* icon = nullptr;
    int32_t reserved = 0;
    int32_t ownsIcon = 0;  // the icon was loaded for the item and goes with it
    uint32_t value = 0;    // macro id; key or mouse code or delay (events); 0 for folders
    int32_t subKind = 0;   // events: 1 press, 0 release, 2 delay
    int32_t kind = ITEM_LEAF;
    int32_t textOffset = 0;
    int32_t expanded = 0;
  };

  CTreeCtrlEx();
  ~CTreeCtrlEx() override;

  // Gives the control its window in parent at rect, with the part of background under rect
  // as its own background (none: the background colour), and the expanded and collapsed
  // folder marks from the skins folder (a file that does not load leaves its mark out).
  bool Create(QWidget* parent, int id, const QImage* background, const std::string& expandedImage,
              const std::string& collapsedImage, const QRect& rect);
  int Id() const { return id_; }

  // Colours: item text, selected item text (COLORREF); selected row fill and background
  // (ARGB); the one-pixel frame (COLORREF).
  void SetTextColors(COLORREF normal, COLORREF selected);
  void SetSelectionColor(QRgb argb);
  void SetBackgroundColor(QRgb argb);
  void SetFrameColor(COLORREF colour);

  // Off while a macro is recorded: mouse buttons are then ignored.
  void EnableMouse(bool on) { mouseEnabled_ = on; }
  bool MouseEnabled() const { return mouseEnabled_; }
  // On (the default): a left click on the selected item sends nothing.
  void SetNotifyOnChangeOnly(bool on) { notifyOnChangeOnly_ = on; }

  // Adds an item at the end of parent's children, parent being the top level or a folder
  // (and, for a folder, fewer than kFolderDepthLimit folders above it); the icon is loaded
  // from iconPath (none when it does not load). With select, parent is marked expanded and
  // the new item selected. Returns the item, or null when nothing was added.
  HTREEITEM InsertItem(HTREEITEM parent, int32_t kind, bool select, const std::string& iconPath,
                       std::u16string_view text, uint32_t value, int32_t subKind, int32_t textOffset);
  // Adds a leaf under item's parent, right before item (before) or right after it, with an
  // icon the item does not own. Null item or the top level add nothing.
  HTREEITEM InsertItemNextTo(HTREEITEM item, bool before, const QImage* icon, std::u16string_view text,
                             uint32_t value, int32_t subKind);
  // Adds a leaf at the end of the top level with an icon it does not own (the event list).
  HTREEITEM AppendLeaf(const QImage* icon, std::u16string_view text, uint32_t value, int32_t subKind);

  // Removes an item with everything below it.
  void DeleteItem(HTREEITEM item);
  // Removes every item.
  void DeleteAllItems();
  // Removes item's descendants (children before parents) and then the item; returns the
  // values of the leaves removed (the macro ids of a library subtree).
  std::vector<uint32_t> RemoveSubtree(HTREEITEM item);

  HTREEITEM Root() const { return root_.get(); }
  HTREEITEM GetParentItem(HTREEITEM item) const;
  std::vector<HTREEITEM> Children(HTREEITEM item) const;
  // The items from the top in display order (all, or only those a user can see).
  std::vector<HTREEITEM> AllItems() const;
  int Count() const { return data_.Count(); }
  bool IsItem(HTREEITEM item) const { return FindData(item) != nullptr; }

  std::u16string GetItemText(HTREEITEM item) const;
  void SetItemText(HTREEITEM item, std::u16string_view text);
  void SetItemValue(HTREEITEM item, uint32_t value);
  // The record of an item, found by walking the item data list; null for none.
  ItemData* FindData(HTREEITEM item) const;
  bool IsFolder(HTREEITEM item) const;
  bool IsMacro(HTREEITEM item) const;

  HTREEITEM GetSelectedItem() const { return selected_; }
  // Selects the item (null clears the selection) and scrolls it into view.
  void SelectItem(HTREEITEM item);
  void EnsureVisible(HTREEITEM item);
  // Opens or closes a folder; Toggle flips it.
  void Expand(HTREEITEM item, bool open);
  void Toggle(HTREEITEM item);

  // For every child of start (recursive: first its own children), calls fn(item, record,
  // text); a true result stops the walk and is returned. Null start does nothing.
  using WalkFn = std::function<bool(HTREEITEM, ItemData&, const std::u16string&)>;
  bool Walk(HTREEITEM start, const WalkFn& fn, bool recursive);
  // True when a direct child of parent has the name, without regard to case.
  bool FindChild(HTREEITEM parent, std::u16string_view name) const;
  // The names of parent's direct children.
  std::vector<std::u16string> ChildNames(HTREEITEM parent) const;
  // The number of ancestors (0 for a top-level item and for the top level).
  int Depth(HTREEITEM item) const;
  // True when the item or an item below it has an icon.
  bool HasIcon(HTREEITEM item) const;
  // The library path of an item (names from the top level down); no names for the top
  // level or no item.
  MacroItemPath ItemPath(HTREEITEM item) const;

  // The row of an item in the control's coordinates (empty when not shown), and the item
  // under a point (null for the empty area).
  QRect ItemRect(HTREEITEM item) const;
  HTREEITEM HitTest(QPoint at, bool* onButton = nullptr) const;
  // The text of the tool tip last shown (empty when none is up).
  const std::u16string& TipText() const { return tipText_; }

  // The scan visitor: folders and macros as library items.
  bool AddFolder(TreeItemHandle parent, const std::u16string& name, const std::string& iconPath,
                 TreeItemHandle& item) override;
  void AddMacro(TreeItemHandle parent, const std::u16string& name, uint32_t macroId) override;
  // The scan's handles of the tree's items: the top level is kTreeTop.
  TreeItemHandle ScanHandle(HTREEITEM item) const;
  HTREEITEM FromScanHandle(TreeItemHandle handle) const;

  // Row height and the indent of one level.
  static constexpr int kItemHeight = 20;
  static constexpr int kIndent = 19;

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;

 private:
  // Styles the vertical scroll bar in the list's fill and selection colours.
  void StyleScrollBar();
  HTREEITEM AddChild(HTREEITEM parent, std::size_t at, std::unique_ptr<ItemData> data, std::u16string_view text);
  void RemoveItemOnly(HTREEITEM item);
  void Relayout();
  std::vector<HTREEITEM> VisibleRows() const;
  void Notify(unsigned msg, HTREEITEM item);
  void SetHot(HTREEITEM item, QPoint globalPos);
  void Draw(QPainter& painter);

  int id_ = 0;
  std::unique_ptr<CTreeItem> root_;
  CMyList<ItemData> data_;
  HTREEITEM selected_ = nullptr;
  HTREEITEM hot_ = nullptr;
  QFont normalFont_, selectedFont_;
  bool mouseEnabled_ = true;
  bool notifyOnChangeOnly_ = true;
  QImage background_;
  QRgb backgroundColour_ = 0xFF000000u;
  QRgb selectionColour_ = 0x96FFFFFFu;
  COLORREF textSelected_ = RGB(255, 255, 255);
  COLORREF textNormal_ = RGB(200, 200, 200);
  COLORREF frameColour_ = RGB(100, 100, 100);
  int iconMargin_ = 2;
  int iconWidth_ = 18;
  int iconHeight_ = 18;
  QImage expandedMark_, collapsedMark_;
  std::u16string tipText_;
};
