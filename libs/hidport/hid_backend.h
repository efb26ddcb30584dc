// SPDX-License-Identifier: GPL-2.0-or-later
// What HidPort needs from the machine: a list of the HID interfaces of one vendor and
// product id, and opening one of them. The hidapi backend talks to real hidraw nodes,
// the simulated keyboard presents its own interfaces, and tests use a fake list; the
// matching, the filter, the handles and the error codes above it are the same for all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "libs/hidport/report_descriptor.h"

namespace hidport {

// One HID interface (one top-level collection) of an attached device.
struct HidInterfaceInfo {
  std::string path;       // what Open needs to open it (the hidraw node for hidapi)
  std::string deviceKey;  // the same for every interface of one physical keyboard
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  int interfaceNumber = -1;  // -1 on virtual devices; shown, never used for choosing
  ReportLengths lengths;     // report id byte included
  std::u16string product;
};

// An open interface. Each call returns 0 on success or an errno value; calls on one
// connection are never made from two threads at once.
class HidConnection {
 public:
  virtual ~HidConnection() = default;
  // report[0] is the report id, the payload follows; length counts both.
  virtual int SetFeature(const uint8_t* report, std::size_t length) = 0;
  // report[0] holds the report id; the payload is filled in after it. received gets the
  // bytes the device sent, report id included (the caller checks it against length).
  virtual int GetFeature(uint8_t* report, std::size_t length, std::size_t& received) = 0;
  virtual int GetInputReport(uint8_t* report, std::size_t length) = 0;
  virtual int ProductString(std::u16string& product) = 0;
};

class HidBackend {
 public:
  virtual ~HidBackend() = default;
  // The interfaces of attached devices with this vendor and product id (a backend may
  // list more; the caller checks the ids). logLevel non-zero may print what it sees.
  virtual std::vector<HidInterfaceInfo> Enumerate(uint16_t vendorId, uint16_t productId, int logLevel) = 0;
  // Opens one listed interface; null with *error set (EACCES when the user may not).
  virtual std::unique_ptr<HidConnection> Open(const HidInterfaceInfo& info, uint32_t access, int* error) = 0;
};

}  // namespace hidport
