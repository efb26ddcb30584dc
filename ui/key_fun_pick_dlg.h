// SPDX-License-Identifier: GPL-2.0-or-later
// CKeyFunPickDlg: the key function picker, the modal window the main window opens for a
// clicked key. It shows the key's function and offers three pages: a key or combination
// typed on the keyboard, a macro of the library, or a media or application function; its
// default area gives the key back its default function, and in the colour-group lighting
// mode two swatches give the key the game colour or no colour instead.
//
// The face is pickfundlg.png; when it is missing or cannot be decoded the picker draws a
// plain dark face of the reference size with visible close and default marks, so a key can
// still be given a function.
#pragma once

#include <QFont>
#include <QImage>
#include <array>
#include <cstdint>
#include <string>

#include "base/key_function.h"
#include "base/types.h"
#include "controls/color_btn_dlg.h"
#include "controls/combo_btn.h"
#include "controls/png_btn.h"
#include "controls/tree_ctrl_ex.h"
#include "model/key_pick.h"
#include "ui/skinned_dialog.h"

class CKeyFunPickDlg : public CSkinnedDialog {
  Q_OBJECT
 public:
  // Result kinds read by the main window after OK.
  enum ResultKind : int { RESULT_FUNCTION = 1, RESULT_COLOUR = 2 };
  // The size of the face when pickfundlg.png is missing.
  static constexpr QSize kPlainFaceSize{545, 350};
  // Control ids of the window's parts, their object names in the window.
  static constexpr int kMacroTreeId = 17;

  explicit CKeyFunPickDlg(QWidget* parent = nullptr);
  ~CKeyFunPickDlg() override;

  // Inputs, set before the picker runs.
  int keyIndex = 0;      // the clicked key: its record in the key table and the profile
  int colourSwitch = 0;  // 1: colour editing is allowed (the swatches are shown)
  KeyFunction function;  // the key's function; after OK the result

  // Outputs after OK.
  int resultKind = RESULT_FUNCTION;
  COLORREF colour = 0;  // for RESULT_COLOUR; 0 = unlit

  // What the picker shows and holds; the parts exist once it is built.
  int Page() const { return page_; }
  const PickedCombination& Combination() const { return combination_; }
  const std::u16string& HintText() const { return hint_; }
  bool Locked() const { return locked_; }
  bool CapturesThroughHook() const { return hookCapture_; }
  bool PlainFace() const { return plainFace_; }
  CPngBtn& CloseArea() { return closeArea_; }
  CPngBtn& DefaultArea() { return defaultArea_; }
  CPngBtn& PageButton(int page) { return pageButtons_[static_cast<std::size_t>(page - 1)]; }
  CPngBtn& OkButton() { return ok_; }
  CPngBtn& CancelButton() { return cancel_; }
  CPngBtn& CaptureBox() { return captureBox_; }
  CComboBtn& MediaButton() { return media_; }
  CTreeCtrlEx& MacroTree() { return tree_; }
  CColorBtnDlg& Swatch(int index) { return swatches_[static_cast<std::size_t>(index)]; }

  // A key press or release of the key page, from the keyboard filter or from TapHook.
  void OnKeyEvent(uint8_t vk, bool release);

 protected:
  void OnInitDialog() override;
  void done(int result) override;
  bool PreTranslateKey(QKeyEvent* event) override;
  bool OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Paint(QPainter& painter) override;

 private:
  void CreateControls();
  void ShowPage(int page);
  void OnMediaChosen();
  void OnOK();
  void OnDefault();
  void OnSwatch(int index);
  // The control of a page, whose top-left corner places the page's caption.
  QRect PageControlRect(int page) const;
  const std::u16string* PageCaption(int page) const;

  QImage face_;
  bool plainFace_ = false;
  int page_ = PAGE_NONE;
  PickedCombination combination_;
  uint32_t mediaCode_ = 0;
  std::u16string hint_;
  bool locked_ = false;
  bool hookCapture_ = false;
  QFont font_;

  CPngBtn closeArea_, defaultArea_;
  std::array<CPngBtn, 3> pageButtons_;
  CPngBtn ok_, cancel_;
  CPngBtn captureBox_;
  CComboBtn media_;
  CTreeCtrlEx tree_;
  std::array<CColorBtnDlg, 2> swatches_;
};
