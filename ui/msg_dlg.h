// SPDX-License-Identifier: GPL-2.0-or-later
// CMsgDlg: the skinned modal box every window uses instead of the system message box. It
// shows a message with OK, asks OK or Cancel, asks for a line of text or a number, or
// captures a key or key combination from the keyboard.
//
// The face is msg_nr.png (a missing image ends the box with Cancel at once), the close
// button sits at the top right, OK and Cancel at the bottom right; the text, number and
// capture modes have an edit in the middle. In the capture mode every key press and release
// is the box's: from its own keyboard filter, or from TapHook (WM_HOOK_KEY) when the
// HookDLL setting is on and the library's entry points are there.
#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/hook_library.h"
#include "controls/png_btn.h"
#include "ui/skinned_dialog.h"

class QLineEdit;

class CMsgDlg : public CSkinnedDialog {
  Q_OBJECT
 public:
  enum Mode : int {
    MODE_MESSAGE = 1,   // a message with OK only
    MODE_TEXT = 2,      // a line of text
    MODE_NUMBER = 3,    // a number (digits only)
    MODE_CAPTURE = 4,   // a key or key combination from the keyboard
    MODE_QUESTION = 5,  // OK and Cancel without input (also every other mode number)
  };
  // The control id of the edit, its object name in the window.
  static constexpr int kEditId = 513;

  // A captured combination: modifier bits (the key-function modifiers) and two keys.
  struct Capture {
    uint8_t modifiers = 0;
    uint8_t key1 = 0;
    uint8_t key2 = 0;
    friend bool operator==(const Capture&, const Capture&) = default;
  };

  explicit CMsgDlg(QWidget* parent = nullptr);
  ~CMsgDlg() override;

  // Set by the opener before the box runs.
  int mode = -1;
  std::u16string message;
  int singleKey = 0;  // capture mode: each key press starts anew, so the last key counts
  std::u16string text;      // text mode: what the edit holds when the box opens
  bool mayEmpty = false;    // text mode: OK with an empty edit is an answer, not Cancel

  // Results.
  std::u16string textResult;  // text mode, after OK
  int numberResult = 0;       // number mode: after OK; 0 after Cancel
  Capture capture;            // capture mode

  // The four ways to run the box, each over the calling window (null: no owner), returning
  // the modal result IDOK or IDCANCEL.
  // A message with OK: a text of the text table or formatted by the caller.
  static int Message(QWidget* parent, std::u16string_view text);
  // The same for a window known by its handle: messages of the core (ShowMessage), such
  // as "Rename failed.".
  static int Message(HWND owner, std::u16string_view text);
  // A question with OK and Cancel.
  static int Question(QWidget* parent, std::u16string_view text);
  // A line of text: on OK with a text, the text (at most 259 characters) goes into
  // `result` and 1 is returned; otherwise 0 and `result` is left alone.
  static int AskText(QWidget* parent, std::u16string_view prompt, std::u16string& result);
  // A value to change: the edit starts with `value`; on OK its text (at most 259
  // characters, possibly empty) goes into `value` and 1 is returned; 0 on Cancel.
  static int EditText(QWidget* parent, std::u16string_view prompt, std::u16string& value);

  // What a box in the window shows and reads; null before it is built.
  QLineEdit* Edit() const { return edit_; }
  CPngBtn& OkButton() { return ok_; }
  CPngBtn& CancelButton() { return cancel_; }
  CPngBtn& CloseButton() { return close_; }
  // True while the capture reads TapHook's keys rather than the window's own.
  bool CapturesThroughHook() const { return hookCapture_; }

  // The rectangle the message is drawn in (client coordinates).
  QRect MessageRect() const;

  // A key press or release in the capture mode, from the keyboard filter or from TapHook.
  void OnCaptureEvent(uint8_t vk, bool release);

 protected:
  void OnInitDialog() override;
  void done(int result) override;
  bool PreTranslateKey(QKeyEvent* event) override;
  bool OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override;
  void Paint(QPainter& painter) override;

 private:
  void OnOK();
  void OnCancel();
  int EffectiveMode() const;
  // Ends capturing through TapHook and gives the hook back to the window that had it.
  void ReleaseHook();

  bool hookCapture_ = false;
  HookCaptureState hookBefore_;
  QImage icon_;
  QFont editFont_;
  QFont textFont_;
  CPngBtn close_, ok_, cancel_;
  QLineEdit* edit_ = nullptr;
};
