// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/tray_presence.h"

#include <QApplication>
#include <QWidget>
#include <cstdlib>

#include "app/paths.h"
#include "app/program_settings.h"
#include "base/log.h"
#include "base/user_folder_lock.h"
#include "controls/window_message.h"
#include "device/apply_job.h"
#include "device/usb_driver.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "platform/messages.h"
#include "text/text_table.h"
#include "ui/device_presence.h"
#include "ui/tray_icon.h"

namespace {

// How a switch run ended, as WM_SWITCH_APPLIED carries it in lParam.
intptr_t RunCode(ApplyOutcome::Result result) {
  switch (result) {
    case ApplyOutcome::Result::Applied: return 0;
    case ApplyOutcome::Result::Failed: return 1;
    case ApplyOutcome::Result::Dropped: break;
  }
  return 2;
}

ProfileSwitch::RunResult RunResultOf(intptr_t code) {
  if (code == 0) return ProfileSwitch::RunResult::Applied;
  return code == 1 ? ProfileSwitch::RunResult::Failed : ProfileSwitch::RunResult::NotRun;
}

// True while a modal window of the program is open: a skinned dialog's modal run (picker,
// macro editor, message box, progress, link editor) or a file dialog. Each of them runs
// through QDialog::exec, so Qt's stack of modal windows knows them all.
bool UserInModalWindow() { return QApplication::activeModalWidget() != nullptr; }

bool g_hiddenStartAsked = false;

}  // namespace

void CTrayPresence::AskHiddenStart(bool hidden) { g_hiddenStartAsked = hidden; }

CTrayPresence::CTrayPresence(Host host, bool simulate, QObject* parent)
    : QObject(parent), host_(std::move(host)), simulate_(simulate) {
  timer_.setInterval(kSwitchPeriodMs);
  connect(&timer_, &QTimer::timeout, this, &CTrayPresence::OnSwitchTimer);
  // Decided at construction, as the may-be-shown flag is, so that the window's first
  // show already knows whether it may happen.
  behaviour_ = TrayBehaviourFor(Settings().TrayIcon, CTrayIcon::Available(), g_hiddenStartAsked);
  mayBeShown_ = !behaviour_.startHidden;
}

CTrayPresence::~CTrayPresence() { Shutdown(); }

void CTrayPresence::Start() {
  if (behaviour_.hiddenWithoutTray) {
    WriteLog("No system tray: --hidden cannot start in the tray, so the window is shown and its close button ends "
             "the program");
  } else if (behaviour_.trayMissing) {
    WriteLog("No system tray: TrayIcon=%d, so the window is shown and its close button ends the program",
             static_cast<int>(Settings().TrayIcon));
  }
  presence_ = std::make_unique<CDevicePresence>(*host_.driver);
  connect(presence_.get(), &CDevicePresence::keyboardArrived, this, &CTrayPresence::OnKeyboardArrived);
  connect(presence_.get(), &CDevicePresence::keyboardRemoved, this, &CTrayPresence::OnKeyboardRemoved);
  presence_->StartMonitor();
  if (simulate_) {
    const char* folder = std::getenv("TASTOR_SIM_DIR");
    if (folder != nullptr && *folder != 0) presence_->WatchSimulator(QString::fromStdString(WithTrailingSlash(folder)));
  }
  timer_.start();
}

void CTrayPresence::AddTrayIcon(const QIcon& icon) {
  if (!behaviour_.icon) return;
  tray_ = std::make_unique<CTrayIcon>();
  connect(tray_.get(), &CTrayIcon::command, this, &CTrayPresence::OnCommand);
  tray_->Add(WindowHandle::HandleOf(host_.window), icon, QString::fromStdU16String(Settings().Title));
}

void CTrayPresence::OnTrayNotify(intptr_t lParam) {
  if (lParam == WM_LBUTTONDBLCLK) ShowFromTray();
}

void CTrayPresence::OnCommand(int id) {
  if (id == kTrayCommandShow) ShowFromTray();
  if (id == kTrayCommandExit) {
    if (HWND window = WindowHandle::HandleOf(host_.window)) window->post(window, WM_CLOSE, 0, 0);
  }
}

void CTrayPresence::ShowFromTray() {
  QWidget* window = host_.window;
  WriteLog(window->isVisible() ? "Wake: shown and raised" : "Wake: back from the tray");
  if (!window->isVisible()) {
    // Back from the tray: the profiles as stored (the automatic switch may have changed
    // the current one meanwhile).
    if (host_.loadProfiles) host_.loadProfiles();
    mayBeShown_ = true;
    window->show();
  }
  if (window->isMinimized()) window->showNormal();
  window->raise();
  window->activateWindow();
}

bool CTrayPresence::HideOnClose() {
  if (!behaviour_.closeHides) return false;
  host_.window->hide();
  return true;
}

void CTrayPresence::OnKeyboardArrived() {
  switch_.DeviceArrived();
  emit keyboardArrived();
}

void CTrayPresence::OnKeyboardRemoved() {
  if (behaviour_.hideOnRemoval) {
    host_.window->hide();
  } else if (behaviour_.balloonOnRemoval && tray_ && tray_->Exists()) {
    tray_->ShowBalloon(QStringLiteral("Info"), QString::fromStdU16String(TextTable::Instance().tc_msg15));
  }
  emit keyboardRemoved();
}

void CTrayPresence::OnSwitchTimer() {
  // Without the worker no run could report its end.
  if (!TheApplyJob().Running()) return;
  const uint32_t id =
      switch_.Tick(host_.driver->m_hMatrix.load() != 0, UserInModalWindow(), TheProfileStore(), scanner_);
  if (id == 0) return;
  WriteLog("Auto switch: apply profile 0x%x", id);
  // The worker reports the run's end; the report is posted here through a handle, so that
  // one arriving after the window has gone is dropped.
  HWND self = handle_.hwnd();
  TheApplyJob().RequestProfile(id, kAutoSwitchFlags, [self](const ApplyOutcome& outcome) {
    self->post(self, WM_SWITCH_APPLIED, outcome.profileId, RunCode(outcome.result));
  });
}

void CTrayPresence::OnSwitchRunEnded(uint32_t profileId, int result) {
  const bool modal = UserInModalWindow();
  if (!switch_.RunEnded(profileId, RunResultOf(result), modal)) {
    if (modal && result == 0) WriteLog("Auto switch: profile 0x%x held back while a window is open", profileId);
    return;
  }
  ProfileStore& store = TheProfileStore();
  if (host_.window->isVisible() && host_.selectProfile) {
    host_.selectProfile(profileId);
  } else {
    auto lock = store.Lock();
    store.SetCurrent(profileId);
  }
  if (store.Current() == nullptr || store.Current()->id != profileId) return;  // gone meanwhile
  // A failed save only goes to the log: switches come by themselves, so no message box
  // would wait for each one; the keyboard has the profile all the same.
  const UserFolderLock folderLock = UserFolderLock::Take(Paths().userDataFolder);
  if (!folderLock.Held()) {
    WriteLog("Auto switch: curid.dct not saved: %s", folderLock.Error().c_str());
  } else if (SaveCurrentId(store, Paths().userDataFolder) != 1) {
    WriteLog("Auto switch: curid.dct not saved for profile 0x%x", profileId);
  }
  emit profileSwitched(profileId);
}

bool CTrayPresence::event(QEvent* e) {
  if (WindowMessageOf(e) == WM_SWITCH_APPLIED) {
    const auto* message = static_cast<WindowMessageEvent*>(e);
    OnSwitchRunEnded(static_cast<uint32_t>(message->wParam), static_cast<int>(message->lParam));
    return true;
  }
  return QObject::event(e);
}

void CTrayPresence::Shutdown() {
  timer_.stop();
  if (tray_) tray_->Remove();
  tray_.reset();
  presence_.reset();
}
