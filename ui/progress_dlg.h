// SPDX-License-Identifier: GPL-2.0-or-later
// CProgressDlg: the small skinned window shown while a full apply runs. The main window
// runs it modally right after posting the apply request; the apply worker finds it by its
// caption "MyProgressDlg..", moves its bar with WM_APPLY_PROGRESS and closes it with
// WM_CLOSE when done. It knows nothing of the keyboard: a background image, a bar image
// cut off at the current position, one line of text and a close button.
#pragma once

#include <QFont>
#include <QImage>
#include <string>

#include "base/types.h"
#include "controls/png_btn.h"
#include "ui/skinned_dialog.h"

class CProgressDlg : public CSkinnedDialog {
  Q_OBJECT
 public:
  explicit CProgressDlg(QWidget* parent = nullptr);

  // Set by the opener before the dialog runs: full image paths, the text and where it goes.
  void SetImages(const std::string& backgroundPath, const std::string& barPath);
  void SetText(std::u16string_view text, const Rect& textRect);

  // Set by the opener directly.
  int minimum = 0;
  int maximum = 10;
  Rect barRect;      // only left and right are used
  bool debug = false;  // position changes and the end go to the debugger output

  int Position() const { return position_; }
  // The x where the bar image is cut off: bar left + (position - minimum) * bar width /
  // (maximum - minimum); the bar's left edge when the range is empty.
  int BarEnd() const;

  const std::u16string& Text() const { return text_; }
  const Rect& TextRect() const { return textRect_; }
  CPngBtn& CloseButton() { return close_; }

 protected:
  void OnInitDialog() override;
  void done(int result) override;
  bool OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Paint(QPainter& painter) override;

 private:
  void SetPos(uintptr_t position);

  std::string backgroundPath_, barPath_;
  QImage bar_;
  std::u16string text_;
  Rect textRect_;
  int position_ = 0;
  QFont font_;
  CPngBtn close_;
};

// Makes the dialog the one the main window shows for a full apply: progress_nr.png and
// progress_ov.png from the skins folder, the text tc_msg12 in (15, 12)-(455, 32), the bar
// in (45, 101)-(486, 123), range 0 to 100, no debug output.
void SetUpApplyProgress(CProgressDlg& dialog);
