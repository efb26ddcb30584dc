// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/msg_dlg.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <climits>

#include "app/hook_library.h"
#include "app/program_settings.h"
#include "base/window_port.h"
#include "controls/draw_text.h"
#include "controls/skin_edit.h"
#include "model/key_combination_text.h"
#include "model/key_pick.h"
#include "platform/messages.h"
#include "platform/virtual_keys.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "text/text_table.h"
#include "ui/virtual_key_event.h"

namespace {

// The last capture event, one for the whole program: a key held down repeats its press,
// and the repeats are told by being equal to it.
struct PreviousCaptureEvent {
  uint8_t vk = 0;
  bool release = false;
};
PreviousCaptureEvent g_previous;

constexpr int kEditWidth = 400;
constexpr int kEditTop = 100;
constexpr int kEditHeight = 24;
constexpr std::size_t kTextResultChars = 259;

// The number of an edit's text as the platform's decimal conversion reads it: leading
// blanks, an optional sign and the digits up to the first other character; 0 when there
// are none. Too large values stop at the largest int.
int DecimalNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    value = std::min<long long>(value * 10 + (text[i] - u'0'), INT_MAX);
  }
  return static_cast<int>(negative ? -value : value);
}

int RunBox(QWidget* parent, int mode, std::u16string_view text) {
  CMsgDlg box(parent);
  box.mode = mode;
  box.message = text;
  return box.RunModal();
}

}  // namespace

CMsgDlg::CMsgDlg(QWidget* parent) : CSkinnedDialog(parent) {
  editFont_ = ShellDlgFont(16, 600);
  textFont_ = WindowFont(14);
}

CMsgDlg::~CMsgDlg() {
  // A box destroyed while it still reads TapHook's keys hands the hook back as it found it.
  ReleaseHook();
}

int CMsgDlg::Message(QWidget* parent, std::u16string_view text) { return RunBox(parent, MODE_MESSAGE, text); }

int CMsgDlg::Message(HWND owner, std::u16string_view text) {
  return Message(qobject_cast<QWidget*>(WindowHandle::TargetOf(owner)), text);
}

int CMsgDlg::Question(QWidget* parent, std::u16string_view text) { return RunBox(parent, MODE_QUESTION, text); }

int CMsgDlg::AskText(QWidget* parent, std::u16string_view prompt, std::u16string& result) {
  CMsgDlg box(parent);
  box.mode = MODE_TEXT;
  box.message = prompt;
  if (box.RunModal() != IDOK) return 0;
  result = box.textResult.substr(0, kTextResultChars);
  return 1;
}

int CMsgDlg::EditText(QWidget* parent, std::u16string_view prompt, std::u16string& value) {
  CMsgDlg box(parent);
  box.mode = MODE_TEXT;
  box.message = prompt;
  box.text = value.substr(0, kTextResultChars);
  box.mayEmpty = true;
  if (box.RunModal() != IDOK) return 0;
  value = box.textResult.substr(0, kTextResultChars);
  return 1;
}

int CMsgDlg::EffectiveMode() const {
  return mode >= MODE_MESSAGE && mode <= MODE_QUESTION ? mode : MODE_QUESTION;
}

void CMsgDlg::OnInitDialog() {
  const SkinImage face = LoadSkinImage("msg_nr.png");
  if (face.Width() == 0) {
    // Without its face the box ends with Cancel at once.
    hwnd()->post(hwnd(), WM_CLOSE, 0, 0);
    return;
  }
  const SkinImage icon = LoadSkinImage("msgico.png");
  if (icon.Width() != 0) icon_ = icon.Image();

  SetBackground(face.Image(), Fit::Stretch);
  resize(face.Size());
  if (QWidget* owner = parentWidget()) {
    CenterOver(owner->window());
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
  }

  const int w = width(), h = height();
  const int m = EffectiveMode();
  const TextTable& t = TextTable::Instance();
  CreatePngBtn(close_, this, QPoint(w - 36, 10), "exit_nr.png", "exit_ov.png", "exit_ov.png", false, &Background());
  const QPoint cancelAt(w - 87, h - 45);
  CreatePngBtn(cancel_, this, cancelAt, "btn_nr.png", "btn_ov.png", "btn_ov.png", false, &Background(),
               t.tc_cancel.c_str());
  CreatePngBtn(ok_, this, m == MODE_MESSAGE ? cancelAt : QPoint(w - 164, h - 45), "btn_nr.png", "btn_ov.png",
               "btn_ov.png", false, &Background(), t.tc_ok.c_str());
  if (m == MODE_MESSAGE) cancel_.hide();
  connect(&close_, &QAbstractButton::clicked, this, &CMsgDlg::OnCancel);
  connect(&cancel_, &QAbstractButton::clicked, this, &CMsgDlg::OnCancel);
  connect(&ok_, &QAbstractButton::clicked, this, &CMsgDlg::OnOK);

  if (m == MODE_TEXT || m == MODE_NUMBER || m == MODE_CAPTURE) {
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QString::number(kEditId));
    edit_->setGeometry((face.Width() - kEditWidth) / 2, kEditTop, kEditWidth, kEditHeight);
    edit_->setFont(editFont_);
    ApplySkinEditLook(*edit_);
    if (m == MODE_NUMBER) {
      edit_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit_));
    }
    if (m == MODE_CAPTURE) edit_->setReadOnly(true);
    if (m == MODE_TEXT && !text.empty()) {
      edit_->setText(QString::fromStdU16String(text));
      edit_->selectAll();
    }
    edit_->show();
    edit_->setFocus();
  }

  // The capture reads TapHook's keys when the program captures through it and the hook is
  // live; the window's own keys are then only swallowed, so that no key counts twice. The
  // window that had the hook (the key function picker, the macro editor) gets it back when
  // the box ends.
  if (m == MODE_CAPTURE && CaptureThroughHook(Settings().HookDLL)) {
    hookCapture_ = true;
    hookBefore_ = HookState();
    HookSetReceiver(hwnd());
    HookSetStatus(1);
  }
}

void CMsgDlg::ReleaseHook() {
  if (!hookCapture_) return;
  hookCapture_ = false;
  HookSetStatus(0);
  RestoreHookState(hookBefore_);
}

void CMsgDlg::done(int result) {
  ReleaseHook();
  CSkinnedDialog::done(result);
}

void CMsgDlg::OnOK() {
  const int m = EffectiveMode();
  if (m == MODE_NUMBER && edit_ != nullptr) numberResult = DecimalNumber(edit_->text().toStdU16String());
  if (m == MODE_TEXT && edit_ != nullptr) {
    textResult = edit_->text().toStdU16String();
    if (textResult.empty() && !mayEmpty) {
      EndDialog(IDCANCEL);
      return;
    }
  }
  EndDialog(IDOK);
}

void CMsgDlg::OnCancel() {
  numberResult = 0;
  EndDialog(IDCANCEL);
}

bool CMsgDlg::PreTranslateKey(QKeyEvent* event) {
  const int m = EffectiveMode();
  if (m == MODE_CAPTURE) {
    if (!hookCapture_) {
      if (const auto key = HookKeyOf(*event)) OnCaptureEvent(key->vk, key->release);
    }
    return true;
  }
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (event->type() == QEvent::KeyPress && !event->isAutoRepeat()) OnOK();
      return true;
    case Qt::Key_Space:
      // A line of text may hold spaces.
      return m != MODE_TEXT;
    case Qt::Key_Escape:
    case Qt::Key_F1:
      return true;
    default:
      return false;
  }
}

bool CMsgDlg::OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  if (msg != WM_HOOK_KEY) return false;
  if (EffectiveMode() == MODE_CAPTURE) OnCaptureEvent(static_cast<uint8_t>(wParam), (lParam & 0x80) != 0);
  return true;
}

void CMsgDlg::OnCaptureEvent(uint8_t vk, bool release) {
  if (vk == g_previous.vk && release == g_previous.release) return;  // a held key repeats
  g_previous = {vk, release};
  if (release) return;
  if (singleKey != 0) capture = Capture{};
  if (const uint8_t bit = ModifierBitOfKey(vk)) {
    capture.modifiers |= bit;
  } else if (capture.key1 == 0 || capture.key1 == vk) {
    capture.key1 = vk;
  } else if (capture.key2 == 0) {
    capture.key2 = vk;
  }
  if (edit_ != nullptr) {
    edit_->setText(QString::fromStdU16String(KeyCombinationText(capture.modifiers, capture.key1, capture.key2, KeyNaming::For(Settings()))));
  }
}

QRect CMsgDlg::MessageRect() const {
  // The message wraps at word ends. Where no edit lies below it, it may take the lines down
  // to the buttons, so that a longer message is not cut after its first line.
  const int m = EffectiveMode();
  const int buttonsTop = height() - 45 - 4;
  if (m == MODE_MESSAGE) return QRect(110, 98, 400, std::max(118, buttonsTop) - 98);
  if (m == MODE_QUESTION) return QRect(65, 75, 400, std::max(95, buttonsTop) - 75);
  return QRect(65, 75, 400, 20);
}

void CMsgDlg::Paint(QPainter& painter) {
  CSkinnedDialog::Paint(painter);
  if (EffectiveMode() == MODE_MESSAGE && !icon_.isNull()) painter.drawImage(45, 85, icon_);
  painter.setFont(textFont_);
  painter.setPen(QColor::fromRgb(ToQRgb(Settings().Txt_clr)));
  DrawText(painter, MessageRect(), QString::fromStdU16String(message), DT_WORDBREAK);
}
