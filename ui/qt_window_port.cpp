// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/qt_window_port.h"

#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include <condition_variable>
#include <memory>
#include <mutex>

#include "app/program_settings.h"
#include "controls/window_handle.h"
#include "ui/msg_dlg.h"

namespace {

// Runs fn on the UI thread and returns its result (directly when already there, as the
// hand-over does). The call goes through the window registry's hand-over and the caller waits on a mutex and
// condition of its own rather than on Qt's blocking connection, so that everything handed
// between the threads (the call, the caller's stack that fn reads, the result) is ordered
// where the thread checker sees it; Qt's own queue and semaphore live in a library it
// cannot look into.
template <typename Result, typename Fn>
Result OnUiThread(Fn fn) {
  struct HandOff {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    Result result{};
  };
  const auto handOff = std::make_shared<HandOff>();
  WindowHandle::RunOnUiThread([handOff, &fn] {
    Result result = fn();
    std::lock_guard<std::mutex> lock(handOff->mutex);
    handOff->result = result;
    handOff->finished = true;
    handOff->done.notify_one();
  });
  std::unique_lock<std::mutex> lock(handOff->mutex);
  handOff->done.wait(lock, [&] { return handOff->finished; });
  return handOff->result;
}

int ShowBox(HWND owner, const QString& text, const QString& caption, unsigned type) {
  // Messages inside the windows (ShowMessage: the program's title, OK only) are skinned.
  if (type == MB_OK && caption == QString::fromStdU16String(Settings().Title)) {
    return CMsgDlg::Message(owner, text.toStdU16String());
  }
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (type & 0xF0) {
    case MB_ICONERROR: icon = QMessageBox::Critical; break;
    case MB_ICONQUESTION: icon = QMessageBox::Question; break;
    case MB_ICONWARNING: icon = QMessageBox::Warning; break;
    case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
    default: break;
  }
  QMessageBox::StandardButtons buttons = QMessageBox::Ok;
  if ((type & 0x0F) == MB_OKCANCEL) buttons = QMessageBox::Ok | QMessageBox::Cancel;
  if ((type & 0x0F) == MB_YESNO) buttons = QMessageBox::Yes | QMessageBox::No;
  auto* parent = qobject_cast<QWidget*>(WindowHandle::TargetOf(owner));
  QMessageBox box(icon, caption, text, buttons, parent);
  switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
  }
}

}  // namespace

int QtWindowPort::MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) {
  const QString qtext = QString::fromStdU16String(std::u16string(text));
  const QString qcaption = QString::fromStdU16String(std::u16string(caption));
  return OnUiThread<int>([&] { return ShowBox(owner, qtext, qcaption, type); });
}

HWND QtWindowPort::FindWindow(std::u16string_view caption) {
  const QString wanted = QString::fromStdU16String(std::u16string(caption));
  return OnUiThread<HWND>([&]() -> HWND {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->windowTitle() != wanted) continue;
      if (HWND h = WindowHandle::HandleOf(w)) return h;
    }
    return nullptr;
  });
}

bool QtWindowPort::IsWindow(HWND window) { return WindowHandle::IsAlive(window); }
