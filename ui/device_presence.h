// SPDX-License-Identifier: GPL-2.0-or-later
// CDevicePresence: the main window's watch over the keyboard being plugged in and out.
// Device events come from a libudev monitor of USB devices on a QSocketNotifier (no
// events arrive where no device manager runs) and, with the simulated keyboard, from its
// plug (a file in its memory folder, watched with inotify); tests feed events themselves.
// Each event goes through the core's DevicePresence: "Device IN" searches the keyboard
// three times 100 ms apart on the event loop, "Device OUT" closes its handles.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

#include "device/device_presence.h"

class CUSBDriver;
class QFileSystemWatcher;
class QSocketNotifier;
struct udev;
struct udev_monitor;

class CDevicePresence : public QObject {
  Q_OBJECT
 public:
  explicit CDevicePresence(CUSBDriver& driver, QObject* parent = nullptr);
  ~CDevicePresence() override;

  // Starts the device monitor; false (logged once) when there is none.
  bool StartMonitor();
  // Follows the simulated keyboard's plug in its memory folder (ending with "/").
  void WatchSimulator(const QString& folder);
  // One device event, as the monitor delivers it.
  void Feed(const DeviceEvent& event);

  bool Monitoring() const { return monitor_ != nullptr; }

 signals:
  // The keyboard arrived and was found (its interfaces are open).
  void keyboardArrived();
  // The keyboard was removed; its handles are closed.
  void keyboardRemoved();

 private:
  void OnMonitorReadable();
  void OnSearchDue();
  void OnSimulatorChanged();

  DevicePresence presence_;
  QTimer searchTimer_;
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  std::unique_ptr<QSocketNotifier> notifier_;
  std::unique_ptr<QFileSystemWatcher> simWatcher_;
  QString simFolder_;
  bool simPluggedIn_ = true;
};
