// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/device_presence.h"

#include <libudev.h>

#include <QDir>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <cstdio>

#include "app/program_settings.h"
#include "base/log.h"
#include "libs/simkeyboard/sim_keyboard.h"

CDevicePresence::CDevicePresence(CUSBDriver& driver, QObject* parent) : QObject(parent), presence_(driver) {
  searchTimer_.setSingleShot(true);
  searchTimer_.setInterval(static_cast<int>(DevicePresence::kArrivalPause.count()));
  connect(&searchTimer_, &QTimer::timeout, this, &CDevicePresence::OnSearchDue);
}

CDevicePresence::~CDevicePresence() {
  notifier_.reset();
  if (monitor_ != nullptr) udev_monitor_unref(monitor_);
  if (udev_ != nullptr) udev_unref(udev_);
}

bool CDevicePresence::StartMonitor() {
  if (monitor_ != nullptr) return true;
  udev_ = udev_new();
  if (udev_ != nullptr) monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  // USB devices as a whole, as the keyboard's device interface arrives and leaves.
  if (monitor_ != nullptr && (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device") < 0 ||
                              udev_monitor_enable_receiving(monitor_) < 0)) {
    udev_monitor_unref(monitor_);
    monitor_ = nullptr;
  }
  if (monitor_ == nullptr) {
    WriteLog("Device monitor not available: keyboard arrival and removal are not followed");
    return false;
  }
  notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &CDevicePresence::OnMonitorReadable);
  return true;
}

void CDevicePresence::OnMonitorReadable() {
  // Every event waiting is taken, so that the notifier does not fire again at once.
  while (udev_device* device = udev_monitor_receive_device(monitor_)) {
    const char* action = udev_device_get_action(device);
    const char* product = udev_device_get_property_value(device, "PRODUCT");
    const char* path = udev_device_get_syspath(device);
    const std::string name = product != nullptr ? UsbDeviceName(product, path != nullptr ? path : "") : std::string();
    if (action != nullptr && !name.empty()) {
      const std::string act = action;
      if (act == "add") Feed({DeviceEvent::Kind::Arrival, name});
      if (act == "remove") Feed({DeviceEvent::Kind::Removal, name});
    }
    udev_device_unref(device);
  }
}

void CDevicePresence::Feed(const DeviceEvent& event) {
  switch (presence_.OnDeviceEvent(event)) {
    case DevicePresence::Reaction::Search:
      searchTimer_.start();
      break;
    case DevicePresence::Reaction::Removed:
      searchTimer_.stop();
      emit keyboardRemoved();
      break;
    case DevicePresence::Reaction::None:
      break;
  }
}

void CDevicePresence::OnSearchDue() {
  switch (presence_.Search()) {
    case DevicePresence::SearchResult::Found:
      emit keyboardArrived();
      break;
    case DevicePresence::SearchResult::TryAgain:
      searchTimer_.start();
      break;
    case DevicePresence::SearchResult::GaveUp:
    case DevicePresence::SearchResult::Idle:
      break;
  }
}

void CDevicePresence::WatchSimulator(const QString& folder) {
  simFolder_ = folder;
  QDir().mkpath(folder);
  simPluggedIn_ = simkeyboard::PluggedIn(folder.toStdString());
  simWatcher_ = std::make_unique<QFileSystemWatcher>(QStringList{folder});
  connect(simWatcher_.get(), &QFileSystemWatcher::directoryChanged, this, &CDevicePresence::OnSimulatorChanged);
}

void CDevicePresence::OnSimulatorChanged() {
  const bool plugged = simkeyboard::PluggedIn(simFolder_.toStdString());
  if (plugged == simPluggedIn_) return;  // another file of its memory changed
  simPluggedIn_ = plugged;
  // The simulated keyboard answers for the VID and PID it is asked about.
  char name[48];
  std::snprintf(name, sizeof name, "USB#VID_%04X&PID_%04X#simulated", Settings().VID, Settings().PID);
  Feed({plugged ? DeviceEvent::Kind::Arrival : DeviceEvent::Kind::Removal, name});
}
