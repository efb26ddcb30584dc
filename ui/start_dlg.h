// CStartDlg: the window start-up runs while the skinned main window is not part of the
// program yet. Captioned with the Title setting, it does what the main window does at its
// start and end (searches the keyboard, loads the profiles and the macro library, runs
// the apply worker and stops it again) and offers the main job: the keyboard picture of
// the current profile, the choice of profile and a full apply with the progress dialog.
// A second start's wake brings it to the front.
#pragma once

#include <QDialog>
#include <memory>

#include "device/usb_driver.h"
#include "ui/window_handle.h"

class CKBColorDlg;
class QComboBox;
class QLabel;
class QPushButton;

class CStartDlg : public QDialog {
  Q_OBJECT
 public:
  // simulate: talk to the simulated keyboard instead of the HID library.
  explicit CStartDlg(bool simulate, QWidget* parent = nullptr);
  ~CStartDlg() override;
  HWND hwnd() const { return handle_.hwnd(); }

  // The keyboard search at start and from the "Search again" button: its result is shown.
  void SearchKeyboard();
  // The full apply of the current profile (lighting, colour group, macros and matrix) with
  // the progress dialog; the profiles and the current id are saved when it ran.
  void ApplyCurrentProfile();

  const QLabel* keyboardStatus() const { return status_; }

 protected:
  bool event(QEvent* event) override;
  void done(int result) override;

 private:
  void Wake();
  void ShowProfile();
  void OnKeyClicked(int key);

  bool simulate_;
  CUSBDriver driver_;
  bool workerStarted_ = false;
  CKBColorDlg* picture_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* keyInfo_ = nullptr;
  QComboBox* profiles_ = nullptr;
  QPushButton* apply_ = nullptr;
  WindowHandle handle_{this};
};
