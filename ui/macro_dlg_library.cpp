// SPDX-License-Identifier: GPL-2.0-or-later
// The macro editor's library commands (CMacroDlg): the context menus of the library tree
// (on a folder, on a macro, on the empty area) and what each command does: new macro or
// folder, rename, delete, import and export of macro files and folders. The rules and the
// disk work are the core's (macro/macro_library_commands, macro/macro_transfer); this part
// asks the user, and keeps the tree and the library in step with what happened on disk.
#include "ui/macro_dlg.h"

#include <cstdio>

#include "base/log.h"
#include "base/user_folder_lock.h"
#include "base/window_port.h"
#include "controls/menu_library.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_library_commands.h"
#include "macro/macro_scan.h"
#include "macro/macro_transfer.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "ui/msg_dlg.h"
#include "ui/user_message_box.h"

void CMacroDlg::OnLibraryRightClick(HTREEITEM item, QPoint at) {
  const TextTable& t = TextTable::Instance();
  MenuItems items;
  if (!library_.IsItem(item)) {
    // The empty area: the commands act on the top level.
    OnLibraryClick(nullptr);
    library_.SelectItem(nullptr);
    items.AddTop(CMD_NEW_MACRO, t.tc_macro_msg5);
    if (foldersEnabled_ != 0) items.AddTop(CMD_NEW_FOLDER, t.tc_macro_msg6);
    items.AddTop(CMD_IMPORT_MACRO, t.tc_macro_msg3);
    if (foldersEnabled_ != 0) {
      items.AddTop(CMD_IMPORT_FOLDER, t.tc_macro_msg21);
      items.AddTop(CMD_EXPORT_FOLDER, t.tc_macro_msg22);
    }
  } else {
    OnLibraryClick(item);
    if (library_.IsFolder(item)) {
      items.AddTop(CMD_NEW_MACRO, t.tc_macro_msg5);
      items.AddTop(CMD_NEW_FOLDER, t.tc_macro_msg6);
      items.AddTop(CMD_RENAME, t.tc_macro_msg20);
      items.AddTop(CMD_DELETE, t.tc_macro_msg10);
      items.AddTop(CMD_IMPORT_MACRO, t.tc_macro_msg3);
      items.AddTop(CMD_IMPORT_FOLDER, t.tc_macro_msg21);
      items.AddTop(CMD_EXPORT_FOLDER, t.tc_macro_msg22);
    } else {
      items.AddTop(CMD_EXPORT_MACRO, t.tc_macro_msg4);
      items.AddTop(CMD_RENAME, t.tc_macro_msg20);
      items.AddTop(CMD_DELETE, t.tc_macro_msg10);
    }
  }
  OpenSkinnedMenu(hwnd(), kMenuWidth, at + QPoint(2, 0), items, kLibraryTreeId, &editFont_);
}

void CMacroDlg::OnLibraryCommand(int32_t id) {
  switch (id) {
    case CMD_NEW_MACRO: NewMacro(); break;
    case CMD_NEW_FOLDER: NewFolder(); break;
    case CMD_DELETE: Delete(); break;
    case CMD_EXPORT_MACRO: ExportMacroFile(); break;
    case CMD_IMPORT_MACRO: ImportMacroFile(); break;
    case CMD_RENAME: Rename(); break;
    case CMD_IMPORT_FOLDER: ImportFolder(); break;
    case CMD_EXPORT_FOLDER: ExportFolder(); break;
    default: break;
  }
}

int CMacroDlg::ScanInto(HTREEITEM parent, const std::string& folder, bool newIds, bool addToLibrary) {
  MacroScanContext scan;
  scan.tree = &library_;
  scan.parent = library_.ScanHandle(parent);
  scan.giveNewIds = newIds;
  scan.foldersEnabled = foldersEnabled_ != 0;
  scan.addToLibrary = addToLibrary;
  scan.library = &macros_;
  scan.mouseMask = mouseMask_;
  return ScanMacroFolder(folder, scan);
}

void CMacroDlg::Forget(const std::vector<uint32_t>& ids) {
  for (uint32_t id : ids) {
    if (forgetMacro) forgetMacro(id);
  }
}

void CMacroDlg::NewMacro() {
  const TextTable& t = TextTable::Instance();
  if (macros_.Full()) {
    Message(u"The number of macro is up to the maximum");
    return;
  }
  HTREEITEM target = library_.GetSelectedItem();
  if (target == nullptr) target = library_.Root();
  if (target != library_.Root() && !library_.IsFolder(target)) return;
  std::u16string name;
  if (CMsgDlg::AskText(this, t.tc_macro_msg11, name) == 0 || name.empty()) return;
  name = CutBeforeLastDot(name);
  if (!Shown(hwnd(), CheckItemName(name))) return;
  if (library_.FindChild(target, name)) {
    Message(t.tc_macro_msg8);
    return;
  }
  ClearEvents();
  MacroRecord record = MakeDefaultMacro(macros_.NewMacroId(), name);
  record.dwFlags |= kMacroDirtyBits;
  if (!macros_.Add(record)) return;
  HTREEITEM item = library_.InsertItem(target, CTreeCtrlEx::ITEM_LEAF, true, std::string(), name, record.dwMacroId, 0,
                                       CTreeCtrlEx::kLibraryTextOffset);
  if (item == nullptr) {
    macros_.Remove(record.dwMacroId);
    return;
  }
  ShowMacro(item, true);
  save_.show();
}

void CMacroDlg::NewFolder() {
  const TextTable& t = TextTable::Instance();
  std::u16string name;
  if (CMsgDlg::AskText(this, t.tc_macro_msg13, name) == 0 || name.empty()) return;
  if (!Shown(hwnd(), CheckItemName(name))) return;
  HTREEITEM target = library_.GetSelectedItem();
  if (target == nullptr) target = library_.Root();
  if (library_.FindChild(target, name)) {
    Message(t.tc_macro_msg8);
    return;
  }
  // A macro or a folder at the depth limit gets no folder.
  library_.InsertItem(target, CTreeCtrlEx::ITEM_FOLDER, true, std::string(), name, 0, 0,
                      CTreeCtrlEx::kLibraryTextOffset);
}

void CMacroDlg::Rename() {
  const TextTable& t = TextTable::Instance();
  HTREEITEM item = library_.GetSelectedItem();
  if (!library_.IsItem(item)) return;
  const bool folder = library_.IsFolder(item);
  std::u16string name;
  if (CMsgDlg::AskText(this, folder ? t.tc_macro_msg13 : t.tc_macro_msg11, name) == 0 || name.empty()) return;
  name = CutBeforeLastDot(name);
  if (!Shown(hwnd(), CheckItemName(name))) return;
  HTREEITEM parent = library_.GetParentItem(item);
  if (library_.FindChild(parent, name)) {
    Message(t.tc_macro_msg8);
    return;
  }
  if (folder) {
    // Changed macros inside go to disk first, so that the folder moves with them.
    FlushAll();
  }
  const MacroItemPath path = library_.ItemPath(item);
  if (!Shown(hwnd(), RenameLibraryItem(macros_, macroFolder_, path, name))) return;
  if (folder && library_.HasIcon(item)) {
    // The folder is read again from its new place, with its image.
    std::string oldPath;
    TreeItem_To_FilePath(macroFolder_, path, oldPath);
    const std::string directory = oldPath.substr(0, oldPath.rfind('/') + 1);
    const std::string newName = ToUtf8(name);
    for (uint32_t id : library_.RemoveSubtree(item)) macros_.Remove(id);
    HTREEITEM renamed = library_.InsertItem(parent, CTreeCtrlEx::ITEM_FOLDER, false,
                                            directory + newName + "/" + newName + ".png", name, 0, 0,
                                            CTreeCtrlEx::kLibraryTextOffset);
    if (renamed != nullptr) ScanInto(renamed, directory + newName + "/", false, true);
    ClearEvents();
    shown_ = nullptr;
    return;
  }
  library_.SetItemText(item, name);
}

void CMacroDlg::Delete() {
  HTREEITEM item = library_.GetSelectedItem();
  if (!library_.IsItem(item)) {
    char text[96];
    std::snprintf(text, sizeof text, "Operation failed, hItem = 0x%x, pItem = 0x%x.", 0u, 0u);
    Message(FromUtf8(text));
    return;
  }
  if (CMsgDlg::Question(this, TextTable::Instance().tc_msg6) != IDOK) return;
  const MacroItemPath path = library_.ItemPath(item);
  std::string file;
  if (!TreeItem_To_FilePath(macroFolder_, path, file)) {
    Message(u"Get file path failed.");
    return;
  }
  // Deleted as one writer of the user folder, like every other change of its files.
  const UserFolderLock folderLock = UserFolderLock::TakeForMacroFolder(macroFolder_);
  if (!folderLock.Held()) {
    WriteLog("Delete: %s", folderLock.Error().c_str());
    Message(FromUtf8(folderLock.Error()));
    return;
  }
  if (!path.isFolder) {
    // The file goes first: a macro whose file stays stays in the library too.
    if (!Shown(hwnd(), DeleteMacroFile(file))) return;
    Forget({path.macroId});
    macros_.Remove(path.macroId);
    library_.DeleteItem(item);
    ClearEvents();
    shown_ = nullptr;
    pendingEdits_ = false;
    save_.hide();
    return;
  }
  HTREEITEM parent = library_.GetParentItem(item);
  const bool hadIcon = library_.FindData(item)->icon != nullptr;
  std::vector<uint32_t> removed = library_.RemoveSubtree(item);
  for (uint32_t id : removed) macros_.Remove(id);
  ClearEvents();
  shown_ = nullptr;
  pendingEdits_ = false;
  save_.hide();
  if (!Shown(hwnd(), DeleteMacroFolder(file))) {
    // What could not be deleted is shown again, as it is on disk.
    const std::string name = ToUtf8(path.names.back());
    HTREEITEM left = library_.InsertItem(parent, CTreeCtrlEx::ITEM_FOLDER, false,
                                         hadIcon ? file + "/" + name + ".png" : std::string(), path.names.back(), 0, 0,
                                         CTreeCtrlEx::kLibraryTextOffset);
    if (left != nullptr) {
      ScanInto(left, file + "/", false, true);
      for (HTREEITEM kept : library_.AllItems()) {
        const CTreeCtrlEx::ItemData* d = library_.FindData(kept);
        if (d->kind == CTreeCtrlEx::ITEM_LEAF) std::erase(removed, d->value);
      }
    }
  }
  Forget(removed);
}

void CMacroDlg::ImportMacroFile() {
  HTREEITEM target = library_.GetSelectedItem();
  if (target == nullptr) target = library_.Root();
  if (target != library_.Root() && !library_.IsFolder(target)) return;
  const std::string source = chooseMacroFile();
  if (source.empty()) return;
  std::u16string title;
  const MacroItemPath targetPath = target == library_.Root() ? MacroItemPath{} : library_.ItemPath(target);
  const uint32_t id =
      Shown(hwnd(), ImportMacro(macros_, macroFolder_, targetPath, library_.ChildNames(target), source, mouseMask_, &title));
  if (id == 0) return;
  HTREEITEM item = library_.InsertItem(target, CTreeCtrlEx::ITEM_LEAF, true, std::string(), title, id, 0,
                                       CTreeCtrlEx::kLibraryTextOffset);
  ShowMacro(item);
}

void CMacroDlg::ExportMacroFile() {
  HTREEITEM item = SelectedMacro();
  const MacroRecord* record = RecordOf(item);
  if (item == nullptr || record == nullptr) return;
  const std::string destination = chooseExportFile(ExportMacroFileName(*record));
  if (destination.empty()) return;
  if (!ExportMacro(macroFolder_, library_.ItemPath(item), destination)) Message(TextTable::Instance().tc_export_failed);
}

void CMacroDlg::ImportFolder() {
  HTREEITEM target = library_.GetSelectedItem();
  if (target == nullptr) target = library_.Root();
  if (target != library_.Root() && !library_.IsFolder(target)) return;
  // A folder at the depth limit takes no further folder.
  if (target != library_.Root() && library_.Depth(target) >= CTreeCtrlEx::kFolderDepthLimit) return;
  const std::string source = chooseFolder();
  if (source.empty()) return;
  const MacroItemPath targetPath = target == library_.Root() ? MacroItemPath{} : library_.ItemPath(target);
  const std::string copy =
      Shown(hwnd(), ImportMacroFolderFiles(macroFolder_, targetPath, library_.ChildNames(target), source));
  if (copy.empty()) return;
  const std::string name = FolderBaseName(copy);
  HTREEITEM folder = library_.InsertItem(target, CTreeCtrlEx::ITEM_FOLDER, true, copy + "/" + name + ".png",
                                         FromUtf8(name), 0, 0, CTreeCtrlEx::kLibraryTextOffset);
  if (folder == nullptr) return;
  ScanInto(folder, copy + "/", true, true);
  // The copies are written back with their new ids.
  library_.Walk(folder, [this](HTREEITEM item, CTreeCtrlEx::ItemData& d, const std::u16string&) {
    if (d.kind == CTreeCtrlEx::ITEM_LEAF) Flush_Dirty_Macro(macros_, macroFolder_, library_.ItemPath(item));
    return false;
  }, true);
  ClearEvents();
  shown_ = nullptr;
}

void CMacroDlg::ExportFolder() {
  HTREEITEM source = library_.GetSelectedItem();
  if (source != nullptr && !library_.IsFolder(source)) return;
  const std::string destination = chooseFolder();
  if (destination.empty()) return;
  Shown(hwnd(), ExportMacroFolderFiles(macroFolder_, source == nullptr ? MacroItemPath{} : library_.ItemPath(source),
                                       destination));
}
