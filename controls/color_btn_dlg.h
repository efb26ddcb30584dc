// SPDX-License-Identifier: GPL-2.0-or-later
// CColorBtnDlg: the colour swatch, a small child window showing one colour (or the red
// diagonal that marks "no colour") in a one-pixel frame. Every release of the left button
// over it posts message 1086 to its parent: wParam 1 when it is not selected, 0 when it
// is, lParam its index.
#pragma once

#include <QWidget>
#include <cstdint>

#include "base/types.h"

class CColorBtnDlg : public QWidget {
  Q_OBJECT
 public:
  explicit CColorBtnDlg(QWidget* parent = nullptr);

  void SetColor(COLORREF colour);
  COLORREF Color() const { return colour_; }
  // 1 shows the mark for no colour instead of the colour.
  void SetNoneMark(bool on);
  bool NoneMark() const { return noneMark_; }
  // Chooses the frame colour; the swatch itself never changes it.
  void SetSelected(bool on);
  bool Selected() const { return selected_; }
  void SetFrameColors(COLORREF frame, COLORREF selectedFrame);
  void SetIndex(int32_t index) { index_ = index; }
  int32_t Index() const { return index_; }
  // What a click does: posts message 1086 to the parent. Space and Enter on the focused
  // swatch do the same.
  void Choose();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  COLORREF colour_ = 0;
  bool noneMark_ = false;
  bool selected_ = false;
  COLORREF frame_ = 0;
  COLORREF selectedFrame_ = 0;
  int32_t index_ = 0;
};
