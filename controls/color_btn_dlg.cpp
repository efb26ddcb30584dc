// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/color_btn_dlg.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "controls/draw_text.h"
#include "controls/keyboard_focus.h"
#include "controls/window_message.h"
#include "platform/messages.h"
#include "skin/window_region.h"

namespace {
constexpr COLORREF kFieldColour = 0x121212;
constexpr COLORREF kNoneMarkColour = RGB(255, 0, 0);
}  // namespace

CColorBtnDlg::CColorBtnDlg(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::TabFocus);
  TakeActivationKeys(*this);
}

void CColorBtnDlg::SetColor(COLORREF colour) {
  colour_ = colour;
  update();
}

void CColorBtnDlg::SetNoneMark(bool on) {
  noneMark_ = on;
  update();
}

void CColorBtnDlg::SetSelected(bool on) {
  selected_ = on;
  update();
}

void CColorBtnDlg::SetFrameColors(COLORREF frame, COLORREF selectedFrame) {
  frame_ = frame;
  selectedFrame_ = selectedFrame;
  update();
}

void CColorBtnDlg::paintEvent(QPaintEvent*) {
  const int w = width();
  const int h = height();
  QPainter p(this);
  PrepareSkinPainter(p);
  p.fillRect(rect(), QColor::fromRgb(ToQRgb(kFieldColour)));
  if (noneMark_) {
    p.setPen(QColor::fromRgb(ToQRgb(kNoneMarkColour)));
    p.drawLine(1, h - 1, w - 1, 1);
  } else {
    p.fillRect(QRect(QPoint(3, 3), QPoint(w - 4, h - 4)), QColor::fromRgb(ToQRgb(colour_)));
  }
  p.setPen(QColor::fromRgb(ToQRgb(selected_ ? selectedFrame_ : frame_)));
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CColorBtnDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
  Choose();
}

void CColorBtnDlg::Choose() {
  if (QWidget* parent = parentWidget()) {
    PostWindowMessage(parent, WM_COLOR_SWATCH, selected_ ? 0 : 1, index_);
  }
}

void CColorBtnDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      if (!event->isAutoRepeat()) Choose();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}
