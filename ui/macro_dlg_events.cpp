// SPDX-License-Identifier: GPL-2.0-or-later
// The macro editor's event list and its editing (CMacroDlg): the events of the macro shown
// with their icons, the insert menu (key press, key release, delay and the mouse buttons
// the settings allow), the list's own menu (change or delete an event) and the boxes that
// ask for a key or a number. A change marks the macro's events changed until Save.
#include "ui/macro_dlg.h"

#include <QCursor>
#include <algorithm>

#include "app/program_settings.h"
#include "base/window_port.h"
#include "controls/menu_library.h"
#include "macro/macro_library.h"
#include "model/key_names.h"
#include "model/macro_editing.h"
#include "platform/messages.h"
#include "text/text_table.h"
#include "ui/msg_dlg.h"

namespace {

// The mouse buttons the insert menu offers, with their text keys.
struct MouseItem {
  uint32_t code;
  std::u16string TextTable::*text;
};
constexpr MouseItem kMouseItems[] = {
    {0xF0, &TextTable::tc_click},   {0xF1, &TextTable::tc_menu}, {0xF2, &TextTable::tc_middle},
    {0xF3, &TextTable::tc_forward}, {0xF4, &TextTable::tc_back},
};

}  // namespace

// ---- the event list --------------------------------------------------------------------

HTREEITEM CMacroDlg::AddEvent(HTREEITEM anchor, bool before, const EventItem& event) {
  const QImage* icon = event.kind == EventItem::DELAY ? &delayIcon_ : event.kind == EventItem::PRESS ? &downIcon_ : &upIcon_;
  const std::u16string text = EventItemText(event, KeyNaming::For(Settings()));
  if (anchor != nullptr) return events_.InsertItemNextTo(anchor, before, icon, text, event.value, event.kind);
  return events_.AppendLeaf(icon, text, event.value, event.kind);
}

void CMacroDlg::FillEvents(const std::vector<EventItem>& list) {
  ClearEvents();
  for (const EventItem& e : list) AddEvent(nullptr, false, e);
}

void CMacroDlg::EventsChanged() {
  if (MacroRecord* record = RecordOf(SelectedMacro())) {
    auto lock = macros_.Lock();
    record->dwFlags |= kMacroEventsChanged;
  }
  pendingEdits_ = true;
  save_.show();
}

void CMacroDlg::OnInsert() {
  if (SelectedMacro() == nullptr) {
    Message(TextTable::Instance().tc_macro_msg1);
    return;
  }
  const TextTable& t = TextTable::Instance();
  MenuItems items;
  items.AddTop(CMD_INSERT_PRESS, t.tc_macro_msg14);
  items.AddTop(CMD_INSERT_RELEASE, t.tc_macro_msg15);
  items.AddTop(CMD_INSERT_DELAY, t.tc_macro_msg16);
  for (const MouseItem& m : kMouseItems) {
    if ((mouseMask_ & (1u << (m.code - 0xF0))) != 0) {
      items.AddTop(static_cast<int32_t>((m.code << 16) | 0x80), t.*m.text);
    }
  }
  const QPoint at = insert_.mapToGlobal(QPoint(0, insert_.height()));
  OpenSkinnedMenu(hwnd(), kMenuWidth, at, items, kInsertMenuContext, &editFont_);
}

void CMacroDlg::OnInsertCommand(int32_t id) {
  HTREEITEM macro = SelectedMacro();
  if (macro == nullptr || (id & 0xFF) != 0x80) return;
  const uint32_t code = (static_cast<uint32_t>(id) >> 16) & 0xFF;
  HTREEITEM anchor = events_.GetSelectedItem();
  const TextTable& t = TextTable::Instance();
  if (code == 0xF7 || code == 0xF8) {
    uint8_t modifiers = 0, key = 0;
    if (AskKey(modifiers, key) != IDOK || key == 0) return;  // modifiers alone insert nothing
    AddEvent(anchor, true, {code == 0xF7 ? EventItem::PRESS : EventItem::RELEASE, key});
  } else if (code == 0xF9) {
    int number = 0;
    if (AskNumber(t.tc_macro_msg12, number) != IDOK) return;
    AddEvent(anchor, true, {EventItem::DELAY, static_cast<uint32_t>(std::max(number, Limits().minDelay))});
  } else if (code >= 0xF0 && code <= 0xF4) {
    HTREEITEM press = AddEvent(anchor, true, {EventItem::PRESS, code});
    HTREEITEM last = press;
    const MacroRecord* record = RecordOf(macro);
    if (record != nullptr && record->dwAutoDelay == 1) last = AddEvent(press, false, {EventItem::DELAY, 50});
    AddEvent(last, false, {EventItem::RELEASE, code});
  } else {
    return;
  }
  EventsChanged();
}

void CMacroDlg::OnEventRightClick(HTREEITEM item) {
  if (!events_.IsItem(item)) return;  // the empty area has no menu
  const TextTable& t = TextTable::Instance();
  MenuItems items;
  items.AddTop(CMD_CHANGE_EVENT, t.tc_macro_msg7);
  items.AddTop(CMD_DELETE_EVENT, t.tc_macro_msg10);
  OpenSkinnedMenu(hwnd(), kMenuWidth, QCursor::pos() + QPoint(2, 0), items, kEventListId, &editFont_);
}

void CMacroDlg::OnEventCommand(int32_t id) {
  HTREEITEM item = events_.GetSelectedItem();
  CTreeCtrlEx::ItemData* d = events_.FindData(item);
  if (d == nullptr) {
    if (id == CMD_CHANGE_EVENT) Message(TextTable::Instance().tc_macro_msg1);
    return;
  }
  if (id == CMD_DELETE_EVENT) {
    events_.DeleteItem(item);
    EventsChanged();
    return;
  }
  if (id != CMD_CHANGE_EVENT) return;
  if (d->subKind == EventItem::DELAY) {
    int number = 0;
    if (AskNumber(TextTable::Instance().tc_macro_msg12, number) != IDOK) return;
    d = events_.FindData(item);
    if (d == nullptr) return;
    const uint32_t delay = ClampDelay(number);
    events_.SetItemValue(item, delay);
    events_.SetItemText(item, DelayText(delay));
  } else {
    uint8_t modifiers = 0, key = 0;
    if (AskKey(modifiers, key) != IDOK) return;
    const uint32_t code = CapturedEventKey(modifiers, key);
    d = events_.FindData(item);
    if (code == 0 || d == nullptr) return;
    events_.SetItemValue(item, code);
    events_.SetItemText(item, EventItemText({d->subKind, code}, KeyNaming::For(Settings())));
  }
  EventsChanged();
}


int CMacroDlg::AskNumber(std::u16string_view prompt, int& number) {
  CMsgDlg box(this);
  box.mode = CMsgDlg::MODE_NUMBER;
  box.message = prompt;
  const int result = box.RunModal();
  number = box.numberResult;
  return result;
}

int CMacroDlg::AskKey(uint8_t& modifiers, uint8_t& key) {
  CMsgDlg box(this);
  box.mode = CMsgDlg::MODE_CAPTURE;
  box.message = TextTable::Instance().tc_msg7;
  box.singleKey = 1;
  const int result = box.RunModal();
  modifiers = box.capture.modifiers;
  key = box.capture.key1;
  return result;
}
