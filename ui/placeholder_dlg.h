// The window start-up runs until the skinned main window exists: captioned with the Title
// setting, it shows what the program read and answers a second start's wake by coming to
// the front.
#pragma once

#include <QDialog>

#include "ui/window_handle.h"

class CPlaceholderDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CPlaceholderDlg(QWidget* parent = nullptr);
  HWND hwnd() const { return handle_.hwnd(); }

 protected:
  bool event(QEvent* event) override;

 private:
  void Wake();
  WindowHandle handle_{this};
};
