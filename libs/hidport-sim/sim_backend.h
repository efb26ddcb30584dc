// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated keyboard behind HidPortSim's entry points. It presents the keyboard's
// interfaces for whatever vendor and product id it is asked about and keeps its reports
// in a memory folder. It reads its settings from the environment each time it is
// searched or opened, so that a test can change them between two searches:
//
//   TASTOR_SIM_DIR             the memory folder (report-09.bin ... report-12.bin); unset:
//                              the memory lives in the process only. The program sets it
//                              to "sim/" in the user data folder before loading the library.
//   TASTOR_SIM_ABSENT=1        no keyboard is attached
//   TASTOR_SIM_KEYBOARDS=N     N identical keyboards (1 to 8, default 1); keyboard k > 1
//                              keeps its memory in "keyboard-k/" inside the folder
//   TASTOR_SIM_NO_CONSUMER=1   the keyboard lacks its consumer-control interface
//   TASTOR_SIM_PRODUCT=text    the product string (default "Tastor TK-105")
//   TASTOR_SIM_FAIL_TRANSFERS=N  every interface opened fails its first N feature
//                              transfers (EIO) before they succeed
//   TASTOR_SIM_NO_PERMISSION=1 the keyboard is there, but opening it fails with EACCES
//
// Faults a real keyboard shows in the middle of an apply (read when an interface opens):
//   TASTOR_SIM_REMOVE_AFTER=N  the keyboard is pulled after N feature transfers of the
//                              process: later transfers fail with ENODEV and searches find
//                              nothing, until the variable changes (or is unset): then the
//                              keyboard is plugged in again
//   TASTOR_SIM_HANG_MS=T       a feature transfer hangs T ms and then times out (ETIMEDOUT),
//   TASTOR_SIM_HANG_TRANSFERS=N  for the first N transfers of each interface (default: all)
//   TASTOR_SIM_SHORT_READS=N   the first N feature reads of each interface return half the report
//   TASTOR_SIM_GARBAGE_READS=N the first N feature reads of each interface return noise under a
//                              wrong report id
//   TASTOR_SIM_DROP_REPORT=9,10  writes of these reports are acknowledged, but the keyboard
//                              keeps what it held (a read answers the old content)
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "libs/hidport/hid_backend.h"
#include "libs/simkeyboard/sim_keyboard.h"

namespace hidport {

// The pulled keyboard of TASTOR_SIM_REMOVE_AFTER, shared by the backend and its connections.
struct SimRemoval {
  std::mutex mutex;
  std::string setting;      // the variable's value the counting started with
  long after = -1;          // transfers until the keyboard is pulled; -1: never
  long transfers = 0;
  bool removed = false;
  // Follows a changed setting: a new value plugs the keyboard in again and counts anew.
  void Follow(const std::string& value);
  // Counts one transfer; false when the keyboard is (now) gone.
  bool Transfer();
  bool Removed();
};

class SimBackend : public HidBackend {
 public:
  std::vector<HidInterfaceInfo> Enumerate(uint16_t vendorId, uint16_t productId, int logLevel) override;
  std::unique_ptr<HidConnection> Open(const HidInterfaceInfo& info, uint32_t access, int* error) override;

 private:
  // The memory of one keyboard, shared by its open interfaces and loaded from its folder
  // when the first of them opens.
  std::shared_ptr<simkeyboard::ReportMemory> Memory(int keyboard);

  std::mutex mutex_;
  std::map<std::string, std::weak_ptr<simkeyboard::ReportMemory>> memories_;
  std::shared_ptr<SimRemoval> removal_ = std::make_shared<SimRemoval>();
};

}  // namespace hidport
