// SPDX-License-Identifier: GPL-2.0-or-later
// Device presence: the keyboard being plugged in and out while the program runs. Device
// events (from the system's device monitor, or from the simulated keyboard's plug) name
// the device the way the platform's USB device interfaces do, "USB#VID_xxxx&PID_yyyy#...";
// an event counts for the keyboard when its name contains the pattern built from the VID
// and PID settings, ignoring case. An arrival logs "Device IN" and searches the keyboard up
// to three times 100 ms apart (its interfaces appear a moment after the device); a
// removal logs "Device OUT" and closes every handle.
//
// The timing belongs to the caller: the window waits between two searches on its event
// loop instead of blocking it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

class CUSBDriver;

struct DeviceEvent {
  enum class Kind { Arrival, Removal };
  Kind kind = Kind::Arrival;
  std::string name;  // the device's name, "USB#VID_046D&PID_C52B#..."
};

// "USB#VID_%04x&PID_%04x" with lower-case digits.
std::string KeyboardDevicePattern(uint16_t vid, uint16_t pid);
// True when the device name contains the pattern, ignoring case.
bool NamesKeyboard(std::string_view deviceName, uint16_t vid, uint16_t pid);
// The name of a USB device from the kernel's PRODUCT value ("46d/c52b/1201": vendor,
// product and release in hexadecimal) and its path: "USB#VID_046D&PID_C52B#<path>";
// empty when the value is not of that form.
std::string UsbDeviceName(std::string_view product, std::string_view path);

class DevicePresence {
 public:
  static constexpr int kArrivalTries = 3;
  static constexpr std::chrono::milliseconds kArrivalPause{100};

  explicit DevicePresence(CUSBDriver& driver) : driver_(driver) {}

  enum class Reaction {
    None,     // another device, or an event that is not looked at
    Search,   // the keyboard arrived: call Search after kArrivalPause
    Removed,  // the keyboard left; its handles are closed
  };
  // Matches the event against the VID and PID settings.
  Reaction OnDeviceEvent(const DeviceEvent& event);

  enum class SearchResult {
    Found,     // the keyboard is open
    TryAgain,  // not yet: call Search again after kArrivalPause
    GaveUp,    // three tries failed: the keyboard counts as absent until it arrives again
    Idle,      // no arrival waits for a search (a removal came in between)
  };
  SearchResult Search();

  bool Searching() const { return triesLeft_ > 0; }

 private:
  CUSBDriver& driver_;
  int triesLeft_ = 0;
};
