// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/key_fun_pick_dlg.h"

#include <QKeyEvent>
#include <QPainter>
#include <chrono>
#include <vector>

#include "app/hook_library.h"
#include "app/paths.h"
#include "app/program_settings.h"
#include "base/log.h"
#include "base/window_port.h"
#include "controls/draw_text.h"
#include "controls/keyboard_focus.h"
#include "controls/menu_library.h"
#include "model/key_combination_text.h"
#include "macro/macro_scan.h"
#include "model/key_names.h"
#include "model/profile_edit.h"
#include "platform/messages.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "text/text_table.h"
#include "ui/msg_dlg.h"
#include "ui/virtual_key_event.h"

namespace {

constexpr COLORREF kTextColour = RGB(200, 200, 200);
constexpr QRect kCloseArea(QPoint(429, 11), QPoint(473 - 1, 30 - 1));
constexpr QRect kDefaultArea(QPoint(479, 5), QPoint(518 - 1, 35 - 1));
constexpr QRect kPageArea(QPoint(193, 50), QPoint(538 - 1, 310 - 1));
constexpr QRect kMacroTreeRect(QPoint(228, 90), QPoint(457 - 1, 285 - 1));
constexpr QPoint kPageButtonAt[3] = {{27, 90}, {27, 154}, {27, 218}};
constexpr QPoint kOkAt(390, 312);
constexpr QPoint kCancelAt(465, 312);
// The capture box and the media button stand at the height the layout gives them, centred
// in the face's inner frame (x 226 to 458), which a box at x 245 would overrun.
constexpr int kFrameLeft = 226;
constexpr int kFrameRight = 458;
constexpr int kPageControlTop = 144;
// The text shown in the frame before a page is chosen.
constexpr QRect kChooseHintRect(QPoint(kFrameLeft + 12, 110), QPoint(kFrameRight - 12 - 1, 250 - 1));
constexpr QRect kSwatchRect[2] = {QRect(100, 50, 22, 22), QRect(142, 50, 22, 22)};
constexpr COLORREF kSwatchFrame = 0x969696;
constexpr COLORREF kSwatchSelectedFrame = 0x1513BD;
constexpr unsigned kLineFormat = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;

uint64_t SteadyMs() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The face used when pickfundlg.png is missing: the reference picker's dark panel with
// the close cross and the default arrow drawn where their areas lie.
QImage MakePlainFace() {
  QImage face(CKeyFunPickDlg::kPlainFaceSize, QImage::Format_ARGB32);
  face.fill(QColor(24, 24, 28));
  QPainter p(&face);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QColor(70, 70, 78));
  p.drawRect(face.rect().adjusted(0, 0, -1, -1));
  p.drawRect(QRect(200, 50, 330, 250));
  p.setPen(QPen(QColor(255, 140, 0), 2));
  p.drawLine(0, 38, face.width(), 38);
  p.setPen(QPen(QColor(220, 220, 225), 2));
  const QPoint c = kCloseArea.center();
  p.drawLine(c + QPoint(-6, -6), c + QPoint(6, 6));
  p.drawLine(c + QPoint(-6, 6), c + QPoint(6, -6));
  p.setPen(QPen(QColor(255, 140, 0), 2));
  const QRect arc(kDefaultArea.center() - QPoint(8, 8), QSize(16, 16));
  p.drawArc(arc, 90 * 16, 300 * 16);
  p.drawLine(arc.center().x(), arc.top(), arc.center().x() + 5, arc.top() - 3);
  return face;
}

}  // namespace

CKeyFunPickDlg::CKeyFunPickDlg(QWidget* parent) : CSkinnedDialog(parent) {
  if (const QFont* app = AppFont()) {
    font_ = *app;
  } else {
    font_ = ShellDlgFont(14, 400);
  }
}

CKeyFunPickDlg::~CKeyFunPickDlg() {
  // Capturing never outlives the picker.
  if (hookCapture_) HookSetStatus(0);
}

void CKeyFunPickDlg::OnInitDialog() {
  // 1. The face and the place over the owner.
  const SkinImage face = LoadSkinImage("pickfundlg.png");
  if (face.Width() != 0) {
    face_ = face.Image();
  } else {
    WriteLog("CKeyFunPickDlg: pickfundlg.png missing, plain face");
    face_ = MakePlainFace();
    plainFace_ = true;
  }
  SetBackground(face_, Fit::Stretch);
  resize(face_.size());
  if (QWidget* owner = parentWidget()) CenterOver(owner->window());

  // 2. to 4. The swatches, the buttons and the pages' controls; a locked key offers no
  // pages.
  CreateControls();

  // 5. The hint and TapHook's receiving window.
  hint_ = TextTable::Instance().tc_msg16 + FunctionName(function, KeyNaming::For(Settings()));
  hookCapture_ = CaptureThroughHook(Settings().HookDLL);
  if (hookCapture_) HookSetReceiver(hwnd());
}

void CKeyFunPickDlg::CreateControls() {
  const AppSettings& s = Settings();
  const TextTable& t = TextTable::Instance();
  const bool tips = s.BtnTips != 0;

  if (colourSwitch == 1) {
    const COLORREF colours[2] = {s.clrGaoshou, 0};
    for (int i = 0; i < 2; ++i) {
      CColorBtnDlg& swatch = swatches_[static_cast<std::size_t>(i)];
      swatch.setParent(this);
      swatch.setGeometry(kSwatchRect[i]);
      swatch.SetColor(colours[i]);
      swatch.SetNoneMark(i == 1);
      swatch.SetIndex(i);
      swatch.SetFrameColors(kSwatchFrame, kSwatchSelectedFrame);
      swatch.setAccessibleName(QString::fromStdU16String(i == 0 ? t.tc_acc_colour : t.tc_acc_no_colour));
      swatch.show();
    }
  }

  // The close and default areas are parts of the face itself.
  const QImage& bg = Background();
  CreatePngPushBtn(closeArea_, this, kCloseArea, bg, bg, bg, &kCloseArea);
  CreatePngPushBtn(defaultArea_, this, kDefaultArea, bg, bg, bg, &kDefaultArea);
  closeArea_.setAccessibleName(QString::fromStdU16String(t.tc_acc_close));
  defaultArea_.setAccessibleName(QString::fromStdU16String(t.tc_acc_default));
  connect(&closeArea_, &QAbstractButton::clicked, this, [this] { EndDialog(IDCANCEL); });
  connect(&defaultArea_, &QAbstractButton::clicked, this, &CKeyFunPickDlg::OnDefault);

  const std::u16string* captions[3] = {&t.tc_page1, &t.tc_mac_def, &t.tc_page3};
  for (int i = 0; i < 3; ++i) {
    CPngBtn& button = pageButtons_[static_cast<std::size_t>(i)];
    CreatePngBtn(button, this, kPageButtonAt[i], "btn2_nr.png", "btn2_nr.png", "btn2_nr.png", true, &bg,
                 captions[i]->c_str(), tips);
    connect(&button, &QAbstractButton::clicked, this, [this, i] { ShowPage(i + 1); });
  }
  CreatePngBtn(ok_, this, kOkAt, "btn_nr.png", "btn_ov.png", "btn_ov.png", true, &bg, t.tc_ok.c_str(), tips);
  CreatePngBtn(cancel_, this, kCancelAt, "btn_nr.png", "btn_ov.png", "btn_ov.png", true, &bg, t.tc_cancel.c_str(),
               tips);
  connect(&ok_, &QAbstractButton::clicked, this, &CKeyFunPickDlg::OnOK);
  connect(&cancel_, &QAbstractButton::clicked, this, [this] { EndDialog(IDCANCEL); });

  CreatePngBtn(captureBox_, this, QPoint(kFrameLeft, kPageControlTop), "button_nr.png", "button_nr.png",
               "button_nr.png", true, &bg, nullptr, tips);
  CreatePngBtn(media_, this, QPoint(kFrameLeft, kPageControlTop), "combo_nr.png", "combo_ov.png", "combo_ov.png", true,
               &bg, nullptr, tips);
  for (CPngBtn* control : {&captureBox_, static_cast<CPngBtn*>(&media_)}) {
    if (control->Exists()) control->move(kFrameLeft + (kFrameRight - kFrameLeft - control->width()) / 2, kPageControlTop);
  }
  for (const MediaPickItem& item : MediaPickItems()) {
    media_.AddItem(static_cast<int32_t>(item.code), MediaPickCaption(item, t));
  }
  connect(&media_, &QAbstractButton::clicked, this, &CKeyFunPickDlg::OnMediaChosen);

  // The macro tree, filled when its page is first shown.
  tree_.Create(this, kMacroTreeId, nullptr, "open.png", "close.png", kMacroTreeRect);
  tree_.SetTextColors(s.LstBox_txt_clr_nr, s.LstBox_txt_clr_dn);
  tree_.SetSelectionColor(ToQRgb(s.LstBox_item_clr) | 0xC8000000u);
  tree_.SetBackgroundColor(ToQRgb(s.LstBox_bkg_clr) | 0xC8000000u);
  media_.setAccessibleName(QString::fromStdU16String(t.tc_page3));
  captureBox_.setAccessibleName(QString::fromStdU16String(t.tc_combo_tips));
  tree_.setAccessibleName(QString::fromStdU16String(t.tc_macro_list));
  captureBox_.hide();
  media_.hide();
  tree_.hide();

  // Tab goes as one reads the picker: the swatches, the pages and their controls, OK and
  // Cancel, then the default and close areas at the top.
  SetKeyboardOrder(*this, {&swatches_[0], &swatches_[1], &pageButtons_[0], &pageButtons_[1], &pageButtons_[2],
                           &captureBox_, &media_, &tree_, &ok_, &cancel_, &defaultArea_, &closeArea_});

  locked_ = IsKeyLocked(s.KeyNotSet, s.KeyTable, keyIndex);
  if (locked_) {
    for (CPngBtn& button : pageButtons_) button.hide();
    captureBox_.hide();
  }
}

void CKeyFunPickDlg::done(int result) {
  // Capturing ends whichever way the picker closes.
  HookSetStatus(0);
  hookCapture_ = false;
  CloseSkinnedMenus();
  CSkinnedDialog::done(result);
}

void CKeyFunPickDlg::ShowPage(int page) {
  CloseSkinnedMenus();
  for (CPngBtn& button : pageButtons_) button.SetCheck(false);
  captureBox_.hide();
  media_.hide();
  tree_.hide();

  PageButton(page).SetCheck(true);
  if (page == PAGE_KEYS) captureBox_.show();
  if (page == PAGE_MACRO) {
    if (tree_.Count() == 0) {
      // The library as it is on disk: no new ids, nothing added to the MacroLibrary.
      MacroScanContext scan;
      scan.tree = &tree_;
      scan.parent = tree_.ScanHandle(tree_.Root());
      scan.foldersEnabled = Settings().MacroDir != 0;
      scan.mouseMask = static_cast<uint32_t>(Settings().MacroHasMsKey);
      ScanMacroFolder(Paths().MacroFolder(), scan);
    }
    tree_.show();
  }
  if (page == PAGE_MEDIA) media_.show();
  if (hookCapture_) HookSetStatus(page == PAGE_KEYS ? 1 : 0);
  page_ = page;
  update(kPageArea);
}

bool CKeyFunPickDlg::PreTranslateKey(QKeyEvent* event) {
  if (page_ != PAGE_KEYS) return CSkinnedDialog::PreTranslateKey(event);
  // On the key page every key is the picker's and reaches no control; TapHook delivers
  // the same keys when it captures, so the window's own are then only swallowed.
  if (!hookCapture_) {
    if (const auto key = HookKeyOf(*event)) OnKeyEvent(key->vk, key->release);
  }
  return true;
}

bool CKeyFunPickDlg::OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case WM_HOOK_KEY:
      if (page_ == PAGE_KEYS) OnKeyEvent(static_cast<uint8_t>(wParam), (lParam & 0x80) != 0);
      return true;
    case WM_COLOR_SWATCH:
      OnSwatch(static_cast<int>(lParam));
      return true;
    default:
      return false;
  }
}

void CKeyFunPickDlg::OnKeyEvent(uint8_t vk, bool release) {
  if (!AddPickerKey(combination_, PickerKeyHistory(), vk, release, SteadyMs(), Settings().KbType)) return;
  captureBox_.SetText(ShortKeyCombinationText(combination_.modifiers, combination_.key1, combination_.key2, KeyNaming::For(Settings())));
}

void CKeyFunPickDlg::OnMediaChosen() {
  const int32_t value = media_.SelectedValue();
  if (value <= 0) return;
  mediaCode_ = static_cast<uint32_t>(value);
  KeyFunction chosen;
  chosen.code = mediaCode_;
  media_.SetText(FunctionName(chosen, KeyNaming::For(Settings())));
}

void CKeyFunPickDlg::OnOK() {
  HookSetStatus(0);
  PickerChoice choice;
  choice.page = page_;
  choice.combination = combination_;
  choice.mediaCode = mediaCode_;
  const HTREEITEM selected = tree_.GetSelectedItem();
  if (selected != nullptr && tree_.IsMacro(selected)) choice.macroId = static_cast<int32_t>(tree_.FindData(selected)->value);
  KeyFunction result = function;
  if (!PickedFunction(choice, result)) {
    CMsgDlg::Message(this, TextTable::Instance().tc_msg3);
    // The key page goes on capturing.
    if (hookCapture_ && page_ == PAGE_KEYS) HookSetStatus(1);
    return;
  }
  function = result;
  resultKind = RESULT_FUNCTION;
  EndDialog(IDOK);
}

void CKeyFunPickDlg::OnDefault() {
  if (CMsgDlg::Question(this, TextTable::Instance().tc_msg14) != IDOK) return;
  const KeyTable& table = Settings().KeyTable;
  if (keyIndex >= 0 && keyIndex < kKeyCount) function = table.keys[static_cast<std::size_t>(keyIndex)];
  resultKind = RESULT_FUNCTION;
  EndDialog(IDOK);
}

void CKeyFunPickDlg::OnSwatch(int index) {
  if (colourSwitch != 1 || index < 0 || index > 1) return;
  colour = swatches_[static_cast<std::size_t>(index)].Color();
  resultKind = RESULT_COLOUR;
  EndDialog(IDOK);
}

QRect CKeyFunPickDlg::PageControlRect(int page) const {
  switch (page) {
    case PAGE_KEYS: return captureBox_.geometry();
    case PAGE_MACRO: return kMacroTreeRect;
    case PAGE_MEDIA: return media_.geometry();
    default: return {};
  }
}

const std::u16string* CKeyFunPickDlg::PageCaption(int page) const {
  const TextTable& t = TextTable::Instance();
  switch (page) {
    case PAGE_KEYS: return &t.tc_combo_tips;
    case PAGE_MACRO: return &t.tc_macro_list;
    case PAGE_MEDIA: return &t.tc_page3;
    default: return nullptr;
  }
}

void CKeyFunPickDlg::Paint(QPainter& painter) {
  CSkinnedDialog::Paint(painter);
  painter.setFont(font_);
  painter.setPen(QColor::fromRgb(ToQRgb(kTextColour)));
  auto text = [&](const QRect& rect, const std::u16string& s, unsigned format = kLineFormat) {
    DrawText(painter, rect, QString::fromStdU16String(s), format);
  };
  const TextTable& t = TextTable::Instance();
  text(QRect(QPoint(20, 10), QPoint(200 - 1, 30 - 1)), hint_);
  // The caption ends before the first swatch, which stands inside its rectangle.
  if (colourSwitch == 1) text(QRect(QPoint(30, 50), QPoint(kSwatchRect[0].left() - 4 - 1, 70 - 1)), t.tc_adv_str4);
  // Before a page is chosen the empty frame says what to do.
  if (page_ == PAGE_NONE && !locked_) text(kChooseHintRect, t.tc_pick_choose, DT_CENTER | DT_WORDBREAK);
  if (page_ == PAGE_MACRO && tree_.Count() == 0) {
    const QRect r = kMacroTreeRect;
    text(QRect(r.left(), r.bottom() + 1, 300, 20), t.tc_msg9, DT_WORDBREAK);
  }
  if (const std::u16string* caption = PageCaption(page_)) {
    const QRect c = PageControlRect(page_);
    text(QRect(QPoint(c.left() + 5, c.top() - 25), QPoint(c.left() + 220 - 1, c.top() - 5 - 1)), *caption);
  }
}
