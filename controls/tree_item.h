// SPDX-License-Identifier: GPL-2.0-or-later
// CTreeItem: one item of a CTreeCtrlEx, its place in the tree (parent, children in order)
// and its text, with the record the control keeps for it. Only the control's own files
// (tree_ctrl_ex.cpp, tree_ctrl_ex_items.cpp) see inside an item; everyone else holds HTREEITEM handles.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "controls/tree_ctrl_ex.h"

struct CTreeItem {
  CTreeItem* parent = nullptr;
  std::vector<std::unique_ptr<CTreeItem>> children;
  std::u16string text;
  CTreeCtrlEx::ItemData* data = nullptr;
};
