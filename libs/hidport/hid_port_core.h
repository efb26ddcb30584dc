// SPDX-License-Identifier: GPL-2.0-or-later
// The logic behind HidPort's entry points, over any backend: reading the device id
// string, choosing interfaces by ids, usage page, usage and the program's filter, the
// table of open handles, and the per-thread error code.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "libs/hidport/hid_backend.h"
#include "libs/hidport/hidport.h"

namespace hidport {

struct DeviceId {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
};

// Reads "VID_%04X&PID_%04X" (hexadecimal digits and the letters of VID and PID in either
// case, nothing before or after). Null or anything else gives nothing.
std::optional<DeviceId> ParseDeviceId(const HidChar* text);

// An interface offered to the filter: its place in the backend's list and the keyboard
// it belongs to.
struct Candidate {
  std::size_t index = 0;
  int keyboard = 0;
};

// The interfaces with the given ids, usage page and usage, in the backend's order. Each
// carries the number of its keyboard: keyboards are numbered by the first appearance of
// their device key among all interfaces with these ids, so the numbers do not depend on
// the usage asked for.
std::vector<Candidate> MatchInterfaces(const std::vector<HidInterfaceInfo>& interfaces, DeviceId id,
                                       uint16_t usagePage, uint16_t usage);

class HidPortCore {
 public:
  explicit HidPortCore(std::unique_ptr<HidBackend> backend);
  ~HidPortCore();
  HidPortCore(const HidPortCore&) = delete;
  HidPortCore& operator=(const HidPortCore&) = delete;

  // The entry points, with the meaning documented in hidport.h.
  HidHandle OpenHidDevice(int usagePage, int usage, const HidChar* deviceId, HidFilter filter, int logLevel,
                          uint32_t access, int* counter);
  int SetFeature(HidHandle handle, const uint8_t* report, uint32_t length);
  int GetFeature(HidHandle handle, uint8_t* report, uint32_t length);
  int GetInputReport(HidHandle handle, uint8_t* report, uint32_t length);
  int GetProductString(HidHandle handle, HidChar* buffer, uint32_t capacity);
  int CloseHidDevice(HidHandle handle);
  // The calling thread's last error code (shared by every core in the process).
  static int LastError();

  // Open handles (for tests).
  std::size_t OpenCount() const;

 private:
  struct Entry {
    std::mutex io;  // one call at a time on a connection; a close waits for it
    std::unique_ptr<HidConnection> connection;
  };
  std::shared_ptr<Entry> Find(HidHandle handle) const;
  template <typename Call>
  int Transfer(HidHandle handle, const void* report, uint32_t length, Call call);

  std::unique_ptr<HidBackend> backend_;
  std::mutex enumerateMutex_;  // the backend lists and opens one caller at a time
  mutable std::mutex tableMutex_;
  std::map<HidHandle, std::shared_ptr<Entry>> open_;
  HidHandle nextHandle_ = 1;
};

}  // namespace hidport
