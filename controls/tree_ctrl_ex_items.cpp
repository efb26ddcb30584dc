// SPDX-License-Identifier: GPL-2.0-or-later
// The items of the tree control (CTreeCtrlEx): adding, removing and finding them, their
// records, texts and values, selection and folders opened or closed, walks over the tree
// and the library paths of items, and the scan visitor through which ScanMacroFolder fills
// the library tree.
#include "controls/tree_ctrl_ex.h"

#include <QScrollBar>
#include <algorithm>

#include "controls/tree_item.h"
#include "skin/skin_image.h"
#include "text/utf.h"

// ---- items ----

HTREEITEM CTreeCtrlEx::AddChild(HTREEITEM parent, std::size_t at, std::unique_ptr<ItemData> data,
                                std::u16string_view text) {
  auto node = std::make_unique<CTreeItem>();
  HTREEITEM item = node.get();
  node->parent = parent;
  node->text = text;
  data->item = item;
  ItemData* record = data_.Append(std::move(data));
  if (record == nullptr) return nullptr;
  node->data = record;
  at = std::min(at, parent->children.size());
  parent->children.insert(parent->children.begin() + static_cast<std::ptrdiff_t>(at), std::move(node));
  Relayout();
  return item;
}

HTREEITEM CTreeCtrlEx::InsertItem(HTREEITEM parent, int32_t kind, bool select, const std::string& iconPath,
                                  std::u16string_view text, uint32_t value, int32_t subKind, int32_t textOffset) {
  if (parent == nullptr) return nullptr;
  if (parent != Root() && !IsFolder(parent)) return nullptr;
  if (kind == ITEM_FOLDER && parent != Root() && Depth(parent) >= kFolderDepthLimit) return nullptr;
  auto data = std::make_unique<ItemData>();
  data->kind = kind;
  data->value = value;
  data->subKind = subKind;
  data->textOffset = textOffset;
  if (!iconPath.empty()) {
    const SkinImage icon = LoadImage(iconPath);
    if (icon.IsLoaded()) {
      data->icon = new QImage(icon.Image());
      data->ownsIcon = 1;
    }
  }
  HTREEITEM item = AddChild(parent, parent->children.size(), std::move(data), text);
  if (item != nullptr && select) {
    if (parent != Root()) parent->data->expanded = 1;
    SelectItem(item);
  }
  return item;
}

HTREEITEM CTreeCtrlEx::InsertItemNextTo(HTREEITEM item, bool before, const QImage* icon, std::u16string_view text,
                                        uint32_t value, int32_t subKind) {
  if (item == nullptr || item == Root() || !IsItem(item)) return nullptr;
  HTREEITEM parent = item->parent;
  auto& siblings = parent->children;
  const auto it = std::find_if(siblings.begin(), siblings.end(), [item](const auto& c) { return c.get() == item; });
  std::size_t at = static_cast<std::size_t>(it - siblings.begin());
  if (!before) ++at;
  auto data = std::make_unique<ItemData>();
  data->kind = ITEM_LEAF;
  data->value = value;
  data->subKind = subKind;
  data->icon = icon != nullptr && !icon->isNull() ? icon : nullptr;
  return AddChild(parent, at, std::move(data), text);
}

HTREEITEM CTreeCtrlEx::AppendLeaf(const QImage* icon, std::u16string_view text, uint32_t value, int32_t subKind) {
  auto data = std::make_unique<ItemData>();
  data->kind = ITEM_LEAF;
  data->value = value;
  data->subKind = subKind;
  data->icon = icon != nullptr && !icon->isNull() ? icon : nullptr;
  return AddChild(Root(), Root()->children.size(), std::move(data), text);
}

void CTreeCtrlEx::RemoveItemOnly(HTREEITEM item) {
  // The item has no children left: its record goes, then the item.
  for (auto node = data_.begin(); node != data_.end(); ++node) {
    if ((*node)->item == item) {
      data_.Remove(node);
      break;
    }
  }
  if (selected_ == item) selected_ = nullptr;
  if (hot_ == item) hot_ = nullptr;
  auto& siblings = item->parent->children;
  siblings.erase(std::remove_if(siblings.begin(), siblings.end(), [item](const auto& c) { return c.get() == item; }),
                 siblings.end());
}

std::vector<uint32_t> CTreeCtrlEx::RemoveSubtree(HTREEITEM item) {
  std::vector<uint32_t> leaves;
  if (item == nullptr || (item != Root() && !IsItem(item))) return leaves;
  // Children before parents.
  while (!item->children.empty()) {
    std::vector<uint32_t> below = RemoveSubtree(item->children.back().get());
    leaves.insert(leaves.begin(), below.begin(), below.end());
  }
  if (item != Root()) {
    if (item->data->kind == ITEM_LEAF) leaves.push_back(item->data->value);
    RemoveItemOnly(item);
  }
  Relayout();
  return leaves;
}

void CTreeCtrlEx::DeleteItem(HTREEITEM item) { RemoveSubtree(item); }

void CTreeCtrlEx::DeleteAllItems() {
  RemoveSubtree(Root());
  selected_ = hot_ = nullptr;
  Relayout();
}

HTREEITEM CTreeCtrlEx::GetParentItem(HTREEITEM item) const {
  return item == nullptr || item == Root() || !IsItem(item) ? nullptr : item->parent;
}

std::vector<HTREEITEM> CTreeCtrlEx::Children(HTREEITEM item) const {
  std::vector<HTREEITEM> out;
  if (item == nullptr || (item != Root() && !IsItem(item))) return out;
  for (const auto& c : item->children) out.push_back(c.get());
  return out;
}

std::vector<HTREEITEM> CTreeCtrlEx::AllItems() const {
  std::vector<HTREEITEM> out;
  std::function<void(const CTreeItem*)> add = [&](const CTreeItem* parent) {
    for (const auto& c : parent->children) {
      out.push_back(c.get());
      add(c.get());
    }
  };
  add(root_.get());
  return out;
}

std::u16string CTreeCtrlEx::GetItemText(HTREEITEM item) const { return IsItem(item) ? item->text : std::u16string(); }

void CTreeCtrlEx::SetItemText(HTREEITEM item, std::u16string_view text) {
  if (!IsItem(item)) return;
  item->text = text;
  viewport()->update();
}

void CTreeCtrlEx::SetItemValue(HTREEITEM item, uint32_t value) {
  if (ItemData* d = FindData(item)) d->value = value;
}

CTreeCtrlEx::ItemData* CTreeCtrlEx::FindData(HTREEITEM item) const {
  if (item == nullptr) return nullptr;
  for (ItemData* d : data_) {
    if (d->item == item) return d;
  }
  return nullptr;
}

bool CTreeCtrlEx::IsFolder(HTREEITEM item) const {
  const ItemData* d = FindData(item);
  return d != nullptr && d->kind == ITEM_FOLDER;
}

bool CTreeCtrlEx::IsMacro(HTREEITEM item) const {
  const ItemData* d = FindData(item);
  return d != nullptr && d->kind == ITEM_LEAF;
}

void CTreeCtrlEx::SelectItem(HTREEITEM item) {
  if (item != nullptr && !IsItem(item)) item = nullptr;
  selected_ = item;
  // A selected item's folders are opened, so that it shows.
  for (HTREEITEM p = item != nullptr ? item->parent : nullptr; p != nullptr && p != Root(); p = p->parent) {
    p->data->expanded = 1;
  }
  Relayout();
  EnsureVisible(item);
}

void CTreeCtrlEx::EnsureVisible(HTREEITEM item) {
  if (item == nullptr) return;
  const std::vector<HTREEITEM> rows = VisibleRows();
  const auto it = std::find(rows.begin(), rows.end(), item);
  if (it == rows.end()) return;
  const int top = static_cast<int>(it - rows.begin()) * kItemHeight;
  QScrollBar* bar = verticalScrollBar();
  if (top < bar->value()) {
    bar->setValue(top);
  } else if (top + kItemHeight > bar->value() + viewport()->height()) {
    bar->setValue(top + kItemHeight - viewport()->height());
  }
  viewport()->update();
}

void CTreeCtrlEx::Expand(HTREEITEM item, bool open) {
  ItemData* d = FindData(item);
  if (d == nullptr || d->kind != ITEM_FOLDER) return;
  d->expanded = open ? 1 : 0;
  // Drawn once, after the rows have been laid out again.
  Relayout();
}

void CTreeCtrlEx::Toggle(HTREEITEM item) {
  if (const ItemData* d = FindData(item)) Expand(item, d->expanded == 0);
}

bool CTreeCtrlEx::Walk(HTREEITEM start, const WalkFn& fn, bool recursive) {
  if (start == nullptr || (start != Root() && !IsItem(start))) return false;
  // A copy of the children: the callback may change the tree below them.
  for (HTREEITEM child : Children(start)) {
    if (!IsItem(child)) continue;
    if (recursive && !child->children.empty() && Walk(child, fn, true)) return true;
    if (!IsItem(child)) continue;
    if (fn(child, *child->data, child->text)) return true;
  }
  return false;
}

bool CTreeCtrlEx::FindChild(HTREEITEM parent, std::u16string_view name) const {
  for (const std::u16string& child : ChildNames(parent)) {
    if (EqualsIgnoreCase(child, name)) return true;
  }
  return false;
}

std::vector<std::u16string> CTreeCtrlEx::ChildNames(HTREEITEM parent) const {
  std::vector<std::u16string> names;
  for (HTREEITEM c : Children(parent)) names.push_back(c->text);
  return names;
}

int CTreeCtrlEx::Depth(HTREEITEM item) const {
  if (item == nullptr || item == Root()) return 0;
  int depth = 0;
  for (HTREEITEM p = item->parent; p != nullptr && p != Root(); p = p->parent) ++depth;
  return depth;
}

bool CTreeCtrlEx::HasIcon(HTREEITEM item) const {
  if (item == nullptr) return false;
  if (item != Root() && item->data != nullptr && item->data->icon != nullptr) return true;
  return std::any_of(item->children.begin(), item->children.end(), [this](const auto& c) { return HasIcon(c.get()); });
}

MacroItemPath CTreeCtrlEx::ItemPath(HTREEITEM item) const {
  MacroItemPath path;
  if (!IsItem(item)) return path;
  path.isFolder = item->data->kind == ITEM_FOLDER;
  path.macroId = path.isFolder ? 0 : item->data->value;
  for (HTREEITEM p = item; p != nullptr && p != Root(); p = p->parent) path.names.insert(path.names.begin(), p->text);
  return path;
}

// ---- the scan visitor ----

TreeItemHandle CTreeCtrlEx::ScanHandle(HTREEITEM item) const { return item == Root() ? kTreeTop : item; }

HTREEITEM CTreeCtrlEx::FromScanHandle(TreeItemHandle handle) const {
  return handle == kTreeTop ? Root() : static_cast<HTREEITEM>(handle);
}

bool CTreeCtrlEx::AddFolder(TreeItemHandle parent, const std::u16string& name, const std::string& iconPath,
                            TreeItemHandle& item) {
  HTREEITEM added = InsertItem(FromScanHandle(parent), ITEM_FOLDER, false, iconPath, name, 0, 0, kLibraryTextOffset);
  if (added == nullptr) return false;
  item = ScanHandle(added);
  return true;
}

void CTreeCtrlEx::AddMacro(TreeItemHandle parent, const std::u16string& name, uint32_t macroId) {
  InsertItem(FromScanHandle(parent), ITEM_LEAF, false, std::string(), name, macroId, 0, kLibraryTextOffset);
}
