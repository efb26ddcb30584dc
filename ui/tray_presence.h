// SPDX-License-Identifier: GPL-2.0-or-later
// CTrayPresence: the main window's life in the background, kept beside the window so
// that the window only calls it at a few fixed points. It follows the keyboard being
// plugged in and out (CDevicePresence), keeps the tray icon (CTrayIcon) when the TrayIcon
// setting asks for one and the desktop has a tray, decides whether the window may be shown
// and what its close button does, brings the window back on WM_TRAY_NOTIFY 515 (the
// tray's double click, the tray menu's tc_config and a second start of the program), and
// runs timer 576: every 1300 ms the automatic profile switch has the apply worker write
// the first profile whose linked program runs, and makes it current once written.
#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/process_scan.h"
#include "app/profile_switch.h"
#include "app/tray_behaviour.h"
#include "controls/window_handle.h"

class CDevicePresence;
class CTrayIcon;
class CUSBDriver;
class QWidget;

class CTrayPresence : public QObject {
  Q_OBJECT
 public:
  static constexpr int kSwitchTimerId = 576;
  static constexpr int kSwitchPeriodMs = 1300;

  // What the main window lends: itself, its keyboard link, and its two profile operations.
  struct Host {
    QWidget* window = nullptr;
    CUSBDriver* driver = nullptr;
    std::function<void()> loadProfiles;             // LoadProfiles
    std::function<void(uint32_t)> selectProfile;    // SelectProfile
  };

  CTrayPresence(Host host, bool simulate, QObject* parent = nullptr);
  ~CTrayPresence() override;

  // The program was started with --hidden: the window starts in the tray where the desktop
  // has one, whatever TrayIcon says. Set before the main window is made.
  static void AskHiddenStart(bool hidden);

  // At the window's start: the device notifications and timer 576. Decides the tray
  // behaviour (logged once when TrayIcon asks for a tray the desktop does not have).
  void Start();
  // Adds the tray icon with the window's icon when the behaviour has one.
  void AddTrayIcon(const QIcon& icon);
  // False while the window is to stay hidden (started hidden, not yet brought up).
  bool MayBeShown() const { return mayBeShown_; }
  // WM_TRAY_NOTIFY: 515 shows the window (LoadProfiles first when it was hidden) or brings
  // it to the front; other values are ignored.
  void OnTrayNotify(intptr_t lParam);
  // The tray menu's commands: 0x6000 as the double click, 0x6001 closes the window.
  void OnCommand(int id);
  // The close button: true when it hid the window (the program goes on in the tray);
  // false when the window is to close.
  bool HideOnClose();
  // At the window's end: the tray icon goes, the device notifications end.
  void Shutdown();

  const TrayBehaviour& Behaviour() const { return behaviour_; }
  CTrayIcon* TrayIcon() const { return tray_.get(); }
  CDevicePresence* Presence() const { return presence_.get(); }
  const QTimer& SwitchTimer() const { return timer_; }
  // One tick of timer 576 (the timer calls it; tests may too).
  void OnSwitchTimer();

 signals:
  // The keyboard arrived (and was found) or was removed.
  void keyboardArrived();
  void keyboardRemoved();
  // The automatic switch made a profile current (after its apply succeeded).
  void profileSwitched(uint32_t profileId);

 protected:
  bool event(QEvent* event) override;

 private:
  void ShowFromTray();
  void OnKeyboardArrived();
  void OnKeyboardRemoved();
  void OnSwitchRunEnded(uint32_t profileId, int result);

  Host host_;
  bool simulate_;
  TrayBehaviour behaviour_;
  bool mayBeShown_ = true;
  std::unique_ptr<CTrayIcon> tray_;
  std::unique_ptr<CDevicePresence> presence_;
  QTimer timer_;
  ProcessScanner scanner_;
  ProfileSwitch switch_;
  WindowHandle handle_{this};  // the apply worker's reports of switch runs arrive here
};
