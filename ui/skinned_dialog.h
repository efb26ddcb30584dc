// SPDX-License-Identifier: GPL-2.0-or-later
// CSkinnedDialog: the base of every skinned window (main window, key function picker,
// macro editor, message box, progress dialog, lighting panel, keyboard picture).
//
// A skinned dialog has no frame; its face is a background image painted without erasing
// first (Qt paints into an off-screen buffer and copies it in one piece); a left press on
// the background closes any open skinned menu and drags the window; the keys it swallows
// (Enter, Escape, Space and F1 unless a window says otherwise) never reach its controls,
// except Space and Enter for a focused control that takes them (controls/keyboard_focus.h);
// and it has a window handle through which window messages reach OnWindowMessage.
//
// The ways a skinned window runs: modal over an owner (RunModal), as the program's main
// window (RunMain), modeless (ShowModeless), or as a child window inside another window
// (CreateChild). EndDialog ends a modal run with a result; closing the window (its close
// button, WM_CLOSE) ends it with IDCANCEL. Every skinned window carries the program's icon.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "controls/window_handle.h"

class QKeyEvent;
class QPainter;

class CSkinnedDialog : public QDialog {
  Q_OBJECT
 public:
  explicit CSkinnedDialog(QWidget* parent = nullptr);
  ~CSkinnedDialog() override;

  HWND hwnd() const { return handle_.hwnd(); }

  // The face: drawn at its own size, or stretched over the whole window.
  enum class Fit { NaturalSize, Stretch };
  void SetBackground(const QImage& image, Fit fit = Fit::NaturalSize);
  const QImage& Background() const { return background_; }

  // Runs the dialog modally and returns its result (IDOK, IDCANCEL or what EndDialog gave).
  int RunModal();
  // Runs the program's main window: builds it (OnInitDialog, which decides whether it is
  // shown) and returns only when it is closed (WM_CLOSE, EndDialog); hiding it, for
  // example to the tray, does not end the run.
  int RunMain();
  // Builds the window now if it has not been built (OnInitDialog runs once).
  void InitDialog();
  bool Initialised() const { return initialised_; }
  // Shows the dialog as a window of its own without blocking.
  void ShowModeless();
  // Makes the dialog a child window of parent over rect (parent coordinates) and shows it.
  void CreateChild(QWidget* parent, const QRect& rect);
  // Ends a modal run with the result; a modeless or child dialog is hidden.
  void EndDialog(int result);
  // Centres the window over another window: left = its left + (its width - width) / 2, and
  // the same vertically.
  void CenterOver(const QWidget* other);
  // Moves the window, where needed, into the available area (without panels) of the screen
  // the program's main window is on (for a window without owner: the screen it is on), so
  // that none of it lies off the screen; a window larger than the area keeps its top-left
  // corner inside. Every top-level skinned window goes through here each time it is
  // shown, after it has placed itself by its own rule.
  void KeepOnScreen();
  // The available area KeepOnScreen keeps the window in.
  QRect ScreenArea() const;

  // The keys swallowed before they reach any control of the dialog (Qt key codes; Enter
  // means both Return and the keypad's Enter).
  void SetSwallowedKeys(std::initializer_list<int> keys);
  static std::vector<int> DefaultSwallowedKeys();

  // The dialog's handlers of OK and Cancel end it with IDOK and IDCANCEL.
  void accept() override;
  void reject() override;

 protected:
  // A window message posted to the dialog; true when handled.
  virtual bool OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam);
  // Every key press and release aimed at the dialog or one of its controls comes here first
  // (once per event); true consumes it. The default swallows the swallowed keys.
  virtual bool PreTranslateKey(QKeyEvent* event);
  // Draws the face; the default draws the background image. Subclasses draw over it.
  virtual void Paint(QPainter& painter);
  // A left press on the background: closes skinned menus and starts dragging the window.
  // A press on one of the dialog's controls is the control's, even when the control does
  // not take it: it closes skinned menus and moves nothing.
  virtual void OnBackgroundPress(QMouseEvent* event);
  // Builds the window when it is first shown (for a modal run: when the run starts), before
  // it appears on the screen.
  virtual void OnInitDialog() {}

  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool IsMine(QObject* object) const;

  WindowHandle handle_{this};
  bool initialised_ = false;
  class QEventLoop* mainRun_ = nullptr;
  QImage background_;
  Fit fit_ = Fit::NaturalSize;
  std::vector<int> swallowed_;
  // The key event being passed up from the control that received it, so that it is
  // filtered once. Key events live on the stack, so a later key may come at the same
  // address: the key's type, code and time tell the one in flight from a new one.
  struct KeyInFlight {
    const QEvent* event = nullptr;
    int type = 0;
    int key = 0;
    quint32 scanCode = 0;
    quint64 timestamp = 0;
  };
  KeyInFlight keyInFlight_;
  QPointer<QObject> keyReceiver_;
  // A drag the window system does not carry out is done by moving the window.
  bool dragging_ = false;
  QPoint dragOffset_;
};
