// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/progress_dlg.h"

#include <QPainter>
#include <cstdio>

#include "app/program_settings.h"
#include "base/log.h"
#include "base/window_port.h"
#include "controls/draw_text.h"
#include "device/apply_job.h"
#include "platform/messages.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "text/text_table.h"

namespace {

const QColor kOutline(110, 110, 118);

}  // namespace

CProgressDlg::CProgressDlg(QWidget* parent) : CSkinnedDialog(parent), font_(ShellDlgFont(14, 300)) {
  // The keyboard cannot close the dialog; F1 goes its usual way.
  SetSwallowedKeys({Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space});
}

void CProgressDlg::SetImages(const std::string& backgroundPath, const std::string& barPath) {
  backgroundPath_ = backgroundPath;
  barPath_ = barPath;
}

void CProgressDlg::SetText(std::u16string_view text, const Rect& textRect) {
  text_ = text;
  textRect_ = textRect;
}

void CProgressDlg::OnInitDialog() {
  const SkinImage background = LoadImage(backgroundPath_);
  const SkinImage bar = LoadImage(barPath_);
  SetBackground(background.Image(), Fit::Stretch);
  bar_ = bar.Image();
  if (background.Width() == 0 || bar.Width() == 0) {
    // Said once the dialog is up, then it closes; the apply goes on without it.
    const HWND self = hwnd();
    QMetaObject::invokeMethod(
        this,
        [self] {
          Windows().MessageBox(self, u"ProgressDlg skin loss", Settings().Title, MB_OK | MB_ICONWARNING);
          self->post(self, WM_CLOSE, 0, 0);
        },
        Qt::QueuedConnection);
  }

  CreatePngBtn(close_, this, QPoint(489, 8), "exit_nr.png", "exit_ov.png", "exit_ov.png", false, &Background(),
               nullptr, Settings().BtnTips != 0);
  connect(&close_, &QAbstractButton::clicked, this, [this] { EndDialog(IDCANCEL); });

  if (background.Width() != 0) resize(background.Size());
  if (QWidget* owner = parentWidget()) CenterOver(owner->window());
  // The name by which the apply worker finds the window.
  setWindowTitle(QString::fromStdU16String(kProgressCaption));
}

void CProgressDlg::done(int result) {
  if (debug && isVisible()) DebugOutput("CProgressDlg::DestroyWindow");
  CSkinnedDialog::done(result);
}

bool CProgressDlg::OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t) {
  if (msg != WM_APPLY_PROGRESS) return false;
  SetPos(wParam);
  return true;
}

void CProgressDlg::SetPos(uintptr_t position) {
  const long long wanted = static_cast<long long>(static_cast<intptr_t>(position));
  if (debug) {
    char text[100];
    std::snprintf(text, sizeof text, "CProgressDlg::OnSetPos = %d", static_cast<int>(wanted));
    DebugOutput(text);
  }
  position_ = wanted >= minimum && wanted <= maximum ? static_cast<int>(wanted) : minimum;
  update();
  repaint();
}

int CProgressDlg::BarEnd() const {
  // An empty range has nothing to divide: the bar stays at its left edge.
  if (maximum == minimum) return barRect.left;
  const long long span = static_cast<long long>(barRect.right) - barRect.left;
  return barRect.left + static_cast<int>((static_cast<long long>(position_) - minimum) * span / (maximum - minimum));
}

void CProgressDlg::Paint(QPainter& painter) {
  CSkinnedDialog::Paint(painter);
  // The bar image covers the whole window; its filled part shows up to the bar's end.
  const int end = BarEnd();
  if (!bar_.isNull() && end > 0) painter.drawImage(QPoint(0, 0), bar_, QRect(0, 0, end, height()));
  // A one-pixel outline, so that the dialog stands apart from the main window under it.
  painter.setPen(kOutline);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  if (text_.empty()) return;
  painter.setFont(font_);
  painter.setPen(Qt::white);
  const QRect rect(textRect_.left, textRect_.top, textRect_.Width(), textRect_.Height());
  DrawText(painter, rect, QString::fromStdU16String(text_),
           DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOCLIP | DT_END_ELLIPSIS);
}

void SetUpApplyProgress(CProgressDlg& dialog) {
  dialog.SetImages(SkinPath("progress_nr.png"), SkinPath("progress_ov.png"));
  dialog.SetText(TextTable::Instance().tc_msg12, Rect{15, 12, 455, 32});
  dialog.barRect = Rect{45, 101, 486, 123};
  dialog.minimum = 0;
  dialog.maximum = 100;
  dialog.debug = false;
}
