// SPDX-License-Identifier: GPL-2.0-or-later
// The macro editor's window (CMacroDlg): building and painting it, showing the macro
// selected in the library, the repeat options, Save and closing, and the dispatch of its
// buttons, tree clicks and menu answers to the parts in macro_dlg_recording.cpp,
// macro_dlg_events.cpp (the event list) and macro_dlg_library.cpp (the library commands).
#include "ui/macro_dlg.h"

#include <QCursor>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <chrono>

#include "app/hook_library.h"
#include "app/paths.h"
#include "app/program_settings.h"
#include "base/window_port.h"
#include "controls/draw_text.h"
#include "controls/menu_library.h"
#include "controls/skin_edit.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "platform/messages.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "text/text_table.h"
#include "ui/file_dialogs.h"
#include "ui/msg_dlg.h"
#include "ui/user_message_box.h"

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

bool CMacroDlg::OnSave() {
  HTREEITEM macro = SelectedMacro();
  MacroRecord* record = RecordOf(macro);
  if (record == nullptr) return true;
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
  if (Flush_Dirty_Macro(macros_, macroFolder_, library_.ItemPath(macro)) != 1) {
    // Not on disk: the edits stay pending (and Save stays offered), so that nothing looks
    // saved that is not and the next Save or close asks again.
    Message(TextTable::Instance().tc_macro_save_failed);
    return false;
  }
  pendingEdits_ = false;
  save_.hide();
  return true;
}

bool CMacroDlg::AskAboutPendingEdits() {
  if (!pendingEdits_ || !library_.IsMacro(shown_)) {
    pendingEdits_ = false;
    return true;
  }
  // OK saves them, Cancel drops them; nothing is lost without the user saying so.
  HTREEITEM clicked = library_.GetSelectedItem();
  library_.SelectItem(shown_);
  if (CMsgDlg::Question(this, TextTable::Instance().tc_macro_unsaved) == IDOK && !OnSave()) return false;
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
  // A save that failed keeps the window open with the edits; Cancel at the next close drops them.
  if (!AskAboutPendingEdits()) return;
  FlushAll();
  CSkinnedDialog::done(result);
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
