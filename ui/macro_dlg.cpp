// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/macro_dlg.h"

#include <QCursor>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <chrono>
#include <cstdio>

#include "app/hook_library.h"
#include "app/paths.h"
#include "app/program_settings.h"
#include "base/log.h"
#include "base/window_port.h"
#include "controls/draw_text.h"
#include "controls/menu_library.h"
#include "controls/skin_edit.h"
#include "macro/macro_library.h"
#include "macro/macro_library_commands.h"
#include "macro/macro_scan.h"
#include "macro/macro_transfer.h"
#include "model/key_names.h"
#include "platform/messages.h"
#include "platform/virtual_keys.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "ui/file_dialogs.h"
#include "ui/msg_dlg.h"
#include "ui/user_message_box.h"
#include "ui/virtual_key_event.h"

namespace {

QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

QRgb Opaque(COLORREF c) { return ToQRgb(c) | 0xFF000000u; }

// The loop-count edit: 80 pixels wide where there is room, 44 (three digits and the
// frame) at the least, and inside the options panel (18 pixels from the window's right edge).
constexpr int kLoopEditWidth = 80;
constexpr int kLoopEditNarrowest = 44;
constexpr int kEditMargin = 18;

int64_t SteadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

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

CMacroDlg::CMacroDlg(QWidget* owner) : CSkinnedDialog(owner), macros_(TheMacroLibrary()) {
  editFont_ = ShellDlgFont(14);
  macroFolder_ = Paths().MacroFolder();
  const TextTable& t = TextTable::Instance();
  chooseMacroFile = [this, &t] { return AskOpenFile(this, FileKind::kMacro, t.tc_macro_msg3); };
  chooseExportFile = [this, &t](const std::u16string& proposed) {
    return AskSaveFile(this, FileKind::kMacro, t.tc_macro_msg4, proposed);
  };
  chooseFolder = [this, &t] { return AskFolder(this, t.tc_folder_choose); };
  tickCount = SteadyMs;
}

CMacroDlg::~CMacroDlg() {
  // A window that goes while recording hands the hook back switched off.
  if (hookRecording_) HookSetStatus(0);
}

std::vector<EventItem> CMacroDlg::ListedEvents() const {
  std::vector<EventItem> list;
  for (HTREEITEM item : const_cast<CTreeCtrlEx&>(events_).Children(events_.Root())) {
    const CTreeCtrlEx::ItemData* d = events_.FindData(item);
    list.push_back({d->subKind, d->value});
  }
  return list;
}

// ---- building the window ---------------------------------------------------------------

void CMacroDlg::OnInitDialog() {
  const AppSettings& s = Settings();
  const TextTable& t = TextTable::Instance();
  foldersEnabled_ = s.MacroDir;
  mouseMask_ = static_cast<uint32_t>(s.MacroHasMsKey);

  const SkinImage face = LoadSkinImage("macro_nr.png");
  face_ = face.Image();
  if (face.Width() != 0) {
    SetBackground(face_);
    resize(face.Size());
  } else {
    resize(640, 360);
  }
  if (QWidget* owner = parentWidget()) CenterOver(owner->window());

  const int x = s.Macro_Opt_X, w = width();
  const QImage* bg = &Background();
  CreatePngBtn(close_, this, QPoint(w - 36, 10), "exit_nr.png", "exit_ov.png", "exit_ov.png", false, bg);
  CreatePngBtn(record_, this, QPoint(x, 74), "recbtn_nr.png", "recbtn_nr.png", "recbtn_dn.png", true, bg,
               t.tc_macro_start.c_str(), s.BtnTips != 0);
  CreatePngBtn(autoDelay_, this, QPoint(x, 129), "check_nr.png", "check_ov.png", "check_dn.png", true, bg);
  autoDelay_.SetCheck(true);
  CreatePngBtn(secondRadio_, this, QPoint(x, 156), "radio_nr.png", "radio_ov.png", "radio_dn.png", true, bg);
  CreatePngBtn(countRadio_, this, QPoint(x, 184), "radio_nr.png", "radio_ov.png", "radio_dn.png", true, bg);
  CreatePngBtn(insert_, this, QPoint(x, 269), "combo_nr.png", "combo_ov.png", "combo_ov.png", false, bg);
  CreatePngBtn(save_, this, QPoint(x + 80, 309), "btn_nr.png", "btn_ov.png", "btn_ov.png", false, bg,
               t.tc_macro_msg19.c_str());
  save_.hide();
  countRadio_.SetCheck(true);
  for (CPngBtn* b : {&close_, &record_, &autoDelay_, &secondRadio_, &countRadio_, &insert_, &save_}) {
    connect(b, &QAbstractButton::clicked, this, &CMacroDlg::OnButton);
  }

  // The loop count, right of the count radio.
  loopEdit_ = new QLineEdit(this);
  loopEdit_->setObjectName(QString::number(kLoopEditId));
  const QRect radio = countRadio_.Exists() ? countRadio_.geometry() : QRect(x, 184, 20, 20);
  // Right of the count radio, after its label where the label would run under the edit,
  // but never past the window's right edge: a long label (a translation) then gets the
  // room up to the edit and is drawn smaller there, and the edit keeps the width three
  // digits need at least.
  const QFont labelFont = AppFont() != nullptr ? *AppFont() : editFont_;
  const int labelEnd = radio.right() + 1 + 7 +
                       QFontMetrics(labelFont).horizontalAdvance(QString::fromStdU16String(t.tc_macro_loop1)) + 8;
  const int lastRight = w - kEditMargin;
  int left = std::max(radio.right() + 1 + 8, labelEnd);
  int editWidth = kLoopEditWidth;
  if (left + editWidth > lastRight) {
    editWidth = std::max(kLoopEditNarrowest, lastRight - left);
    left = std::max(radio.right() + 1 + 8, lastRight - editWidth);
  }
  loopEdit_->setGeometry(left, radio.top() + s.LoopY, editWidth, 22);
  loopEdit_->setFont(editFont_);
  loopEdit_->setMaxLength(10);
  loopEdit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), loopEdit_));
  ApplySkinEditLook(*loopEdit_);
  loopEdit_->setText(QStringLiteral("1"));
  connect(loopEdit_, &QLineEdit::textEdited, this, &CMacroDlg::OnLoopEdited);
  loopEdit_->show();

  // The two lists.
  const QImage* listBackground = s.ListTrans != 0 ? &face_ : nullptr;
  library_.Create(this, kLibraryTreeId, listBackground, "open.png", "close.png", ToQRect(s.rcMacroList));
  events_.Create(this, kEventListId, listBackground, std::string(), std::string(), ToQRect(s.rcKeyList));
  for (CTreeCtrlEx* list : {&library_, &events_}) {
    list->SetTextColors(s.LstBox_txt_clr_nr, s.LstBox_txt_clr_dn);
    list->SetSelectionColor(Opaque(s.LstBox_item_clr));
    list->SetBackgroundColor(Opaque(s.LstBox_bkg_clr));
  }

  upIcon_ = LoadSkinImage("UP_N.png").Image();
  downIcon_ = LoadSkinImage("DN_N.png").Image();
  delayIcon_ = LoadSkinImage("TM_N.png").Image();

  // The records are in the library already: the scan only fills the tree.
  ScanInto(library_.Root(), macroFolder_, false, false);
}

void CMacroDlg::Paint(QPainter& painter) {
  CSkinnedDialog::Paint(painter);
  const TextTable& t = TextTable::Instance();
  painter.setFont(AppFont() != nullptr ? *AppFont() : editFont_);
  painter.setPen(QColor::fromRgb(ToQRgb(Settings().Txt_clr)));
  const unsigned format = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;
  auto text = [&](const QRect& r, const std::u16string& s) { DrawText(painter, r, QString::fromStdU16String(s), format); };
  const QRect tree = library_.geometry(), list = events_.geometry();
  text(QRect(tree.left() + 2, tree.top() - 20, 138, 20), t.tc_macro_list);
  text(QRect(list.left() + 2, list.top() - 20, 138, 20), t.tc_macro_key_list);
  text(QRect(tree.left(), tree.bottom() + 1 + 10, 400, 20), t.tc_macro_msg9);
  if (insert_.Exists()) text(QRect(insert_.x(), insert_.y() - 20, 200, 20), t.tc_macro_loop);
  const std::pair<const CPngBtn*, const std::u16string*> labels[] = {
      {&autoDelay_, &t.tc_macro_auto}, {&secondRadio_, &t.tc_macro_loop2}, {&countRadio_, &t.tc_macro_loop1}};
  for (const auto& [control, label] : labels) {
    if (!control->Exists()) continue;
    const QRect g = control->geometry();
    int right = width() - 3;
    // The count radio's label ends before the loop-count edit beside it.
    if (control == &countRadio_ && loopEdit_ != nullptr && loopEdit_->x() > g.right()) right = loopEdit_->x() - 4;
    text(QRect(g.right() + 1 + 7, g.top(), right - (g.right() + 1 + 7), g.height()), *label);
  }
}

// ---- showing a macro -------------------------------------------------------------------

HTREEITEM CMacroDlg::SelectedMacro() const {
  HTREEITEM item = library_.GetSelectedItem();
  return library_.IsMacro(item) ? item : nullptr;
}

MacroRecord* CMacroDlg::RecordOf(HTREEITEM item) const {
  const CTreeCtrlEx::ItemData* d = library_.FindData(item);
  return d != nullptr && d->kind == CTreeCtrlEx::ITEM_LEAF ? macros_.FindMacroById(d->value) : nullptr;
}

void CMacroDlg::OnLibraryClick(HTREEITEM item) {
  if (recording_ != 0) return;
  if (!library_.IsItem(item)) item = nullptr;
  if (item == shown_ && item != nullptr) return;
  // Edits of the macro shown are not dropped without asking.
  if (!AskAboutPendingEdits()) {
    library_.SelectItem(shown_);
    return;
  }
  if (library_.IsMacro(item)) {
    ShowMacro(item);
  } else {
    ClearEvents();
    shown_ = nullptr;
    save_.hide();
  }
}

void CMacroDlg::ShowMacro(HTREEITEM item, bool optionsOnly) {
  const MacroRecord* record = RecordOf(item);
  shown_ = item;
  pendingEdits_ = false;
  save_.hide();
  if (record == nullptr) {
    ClearEvents();
    return;
  }
  autoDelay_.SetCheck(record->dwAutoDelay != 0);
  loopEdit_->clear();
  switch (record->dwRepeatMode) {
    case MACRO_REPEAT_COUNT:
      countRadio_.SetCheck(true);
      secondRadio_.SetCheck(false);
      loopEdit_->setText(QString::number(record->wLoopCount));
      loopEdit_->show();
      break;
    case MACRO_REPEAT_SECOND:
      secondRadio_.SetCheck(true);
      countRadio_.SetCheck(false);
      loopEdit_->hide();
      break;
    default:
      countRadio_.SetCheck(false);
      secondRadio_.SetCheck(false);
      thirdRadio_.SetCheck(true);
      loopEdit_->hide();
      break;
  }
  thirdRadio_.SetCheck(record->dwRepeatMode == MACRO_REPEAT_THIRD);
  ClearEvents();
  if (!optionsOnly) FillEvents(EventListOf(*record));
}

void CMacroDlg::ClearEvents() { events_.DeleteAllItems(); }

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

// ---- recording -------------------------------------------------------------------------

void CMacroDlg::OnRecord() {
  if (recording_ != 0) {
    StopRecording();
    return;
  }
  if (SelectedMacro() == nullptr || RecordOf(SelectedMacro()) == nullptr) {
    Message(TextTable::Instance().tc_macro_msg1);
    return;
  }
  StartRecording();
}

void CMacroDlg::StartRecording() {
  if (shown_ != SelectedMacro()) ShowMacro(SelectedMacro());
  recording_ = 1;
  TheMacroRecorder().Start();
  record_.SetCheck(true);
  record_.SetText(TextTable::Instance().tc_macro_stop);
  ClearEvents();
  library_.EnableMouse(false);
  events_.EnableMouse(false);
  if (countRadio_.GetCheck()) loopEdit_->hide();
  // Through TapHook only when it really captures; otherwise the window's own keys.
  hookRecording_ = CaptureThroughHook(Settings().HookDLL);
  if (hookRecording_) {
    HookSetReceiver(hwnd());
    HookSetStatus(1);
  }
  WriteLog("Macro recording: %s", hookRecording_ ? "keys through TapHook" : "the window's own keys");
  // The window's own keys need the keyboard.
  activateWindow();
  setFocus(Qt::OtherFocusReason);
}

void CMacroDlg::StopRecording() {
  recording_ = 0;
  record_.SetText(TextTable::Instance().tc_macro_start);
  record_.SetCheck(false);
  library_.EnableMouse(true);
  events_.EnableMouse(true);
  if (countRadio_.GetCheck()) loopEdit_->show();
  if (hookRecording_) {
    hookRecording_ = false;
    HookSetStatus(0);
  }
  if (MacroRecord* record = RecordOf(SelectedMacro())) {
    auto lock = macros_.Lock();
    record->dwFlags |= kMacroDirtyBits;
  }
  pendingEdits_ = true;
  save_.show();
}

void CMacroDlg::OnHookKey(uint32_t vk, intptr_t lParam) {
  // Keys typed into a message box shown while recording are the box's (TapHook delivers
  // them here all the same); the release of a key pressed there the recorder drops.
  if (recording_ == 0 || boxesOpen_ > 0) return;
  const std::optional<MacroRecorder::Step> step = TheMacroRecorder().OnKey(
      vk, lParam, tickCount(), autoDelay_.GetCheck(), events_.Count() == 0, Settings().KbType);
  if (!step) return;
  if (step->delay) AddEvent(nullptr, false, {EventItem::DELAY, *step->delay});
  HTREEITEM item = AddEvent(nullptr, false, step->key);
  events_.EnsureVisible(item);
}

bool CMacroDlg::PreTranslateKey(QKeyEvent* event) {
  if (recording_ != 0) {
    // While TapHook delivers the keys, the window's own are swallowed, so none counts twice.
    if (!hookRecording_) {
      if (const std::optional<HookKey> key = HookKeyOf(*event)) OnHookKey(key->vk, key->LParam());
    }
    return true;
  }
  return CSkinnedDialog::PreTranslateKey(event);
}

// ---- the event list --------------------------------------------------------------------

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

// ---- repeat options --------------------------------------------------------------------

void CMacroDlg::OptionsChanged() {
  if (MacroRecord* record = RecordOf(SelectedMacro())) {
    auto lock = macros_.Lock();
    record->dwFlags |= kMacroOptionsChanged;
  }
  pendingEdits_ = true;
  save_.show();
}

void CMacroDlg::OnCountRadio() {
  countRadio_.SetCheck(true);
  secondRadio_.SetCheck(false);
  thirdRadio_.SetCheck(false);
  loopEdit_->setText(QStringLiteral("1"));
  loopEdit_->show();
  OptionsChanged();
}

void CMacroDlg::OnSecondModeRadio() {
  secondRadio_.SetCheck(true);
  countRadio_.SetCheck(false);
  thirdRadio_.SetCheck(false);
  loopEdit_->clear();
  loopEdit_->hide();
  OptionsChanged();
}

void CMacroDlg::OnDelayCheckBox() {
  // Only the box changes; the record takes it with the next change of an option.
  autoDelay_.SetCheck(!autoDelay_.GetCheck());
}

void CMacroDlg::OnLoopEdited(const QString& text) {
  switch (CheckLoopCount(text.toStdU16String())) {
    case LoopCountCheck::Empty:
      return;
    case LoopCountCheck::Valid:
      OptionsChanged();
      return;
    case LoopCountCheck::Refused:
      Message(LoopCountMessage());
      loopEdit_->setText(QStringLiteral("1"));
      return;
  }
}

// ---- Save and close --------------------------------------------------------------------

void CMacroDlg::OnSave() {
  HTREEITEM macro = SelectedMacro();
  MacroRecord* record = RecordOf(macro);
  if (record == nullptr) return;
  EditorState state;
  state.autoDelay = autoDelay_.GetCheck();
  state.repeatMode = secondRadio_.GetCheck() ? MACRO_REPEAT_SECOND
                     : thirdRadio_.GetCheck() ? MACRO_REPEAT_THIRD
                                              : MACRO_REPEAT_COUNT;
  state.loopText = loopEdit_->text().toStdU16String();
  int zeroCodes = 0;
  {
    auto lock = macros_.Lock();
    if ((record->dwFlags & kMacroEventsChanged) != 0) {
      state.events = ListedEvents();
      TidyEventList(state.events);
      FillEvents(state.events);
    }
    zeroCodes = StoreEditorState(*record, state);
  }
  if (Settings().Debug != 0) {
    for (int i = 0; i < zeroCodes; ++i) Windows().MessageBox(nullptr, u"Capture keycode=0", u"Warning", MB_OK);
  }
  Flush_Dirty_Macro(macros_, macroFolder_, library_.ItemPath(macro));
  pendingEdits_ = false;
  save_.hide();
}

bool CMacroDlg::AskAboutPendingEdits() {
  if (!pendingEdits_ || !library_.IsMacro(shown_)) {
    pendingEdits_ = false;
    return true;
  }
  // OK saves them, Cancel drops them; nothing is lost without the user saying so.
  HTREEITEM clicked = library_.GetSelectedItem();
  library_.SelectItem(shown_);
  if (CMsgDlg::Question(this, TextTable::Instance().tc_macro_unsaved) == IDOK) OnSave();
  pendingEdits_ = false;
  library_.SelectItem(clicked);
  return true;
}

void CMacroDlg::FlushAll() {
  library_.Walk(library_.Root(), [this](HTREEITEM item, CTreeCtrlEx::ItemData& d, const std::u16string&) {
    if (d.kind == CTreeCtrlEx::ITEM_LEAF) Flush_Dirty_Macro(macros_, macroFolder_, library_.ItemPath(item));
    return false;
  }, true);
}

void CMacroDlg::done(int result) {
  if (recording_ != 0) StopRecording();
  AskAboutPendingEdits();
  FlushAll();
  CSkinnedDialog::done(result);
}

// ---- the library commands --------------------------------------------------------------

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

// ---- dispatch --------------------------------------------------------------------------

bool CMacroDlg::RefusedWhileRecording() {
  if (recording_ == 0) return false;
  Message(TextTable::Instance().tc_macro_msg17);
  return true;
}

void CMacroDlg::OnButton() {
  CloseSkinnedMenus();
  QObject* button = sender();
  if (button == &record_) {
    OnRecord();
    return;
  }
  if (RefusedWhileRecording()) return;
  if (button == &close_) {
    EndDialog(IDCANCEL);
  } else if (button == &autoDelay_) {
    OnDelayCheckBox();
  } else if (button == &countRadio_) {
    OnCountRadio();
  } else if (button == &secondRadio_) {
    OnSecondModeRadio();
  } else if (button == &insert_) {
    OnInsert();
  } else if (button == &save_) {
    OnSave();
  }
}

bool CMacroDlg::OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case WM_HOOK_KEY:
      OnHookKey(static_cast<uint32_t>(wParam), lParam);
      return true;
    case WM_TREE_CLICK: {
      CloseSkinnedMenus();
      if (wParam == kLibraryTreeId) OnLibraryClick(reinterpret_cast<HTREEITEM>(lParam));
      return true;
    }
    case WM_TREE_RCLICK: {
      CloseSkinnedMenus();
      if (RefusedWhileRecording()) return true;
      HTREEITEM item = reinterpret_cast<HTREEITEM>(lParam);
      if (wParam == kLibraryTreeId) OnLibraryRightClick(item, QCursor::pos());
      if (wParam == kEventListId) OnEventRightClick(item);
      return true;
    }
    case WM_MENU_COMMAND: {
      CloseSkinnedMenus();
      if (RefusedWhileRecording()) return true;
      const int32_t id = static_cast<int32_t>(wParam);
      if (lParam == kInsertMenuContext) OnInsertCommand(id);
      if (lParam == kEventListId) OnEventCommand(id);
      if (lParam == kLibraryTreeId) OnLibraryCommand(id);
      return true;
    }
    default:
      return CSkinnedDialog::OnWindowMessage(msg, wParam, lParam);
  }
}

void CMacroDlg::Message(std::u16string_view text) {
  ++boxesOpen_;
  ShowMessage(hwnd(), text);
  --boxesOpen_;
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
