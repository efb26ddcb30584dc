// SPDX-License-Identifier: GPL-2.0-or-later
#include "libs/hidport-sim/sim_backend.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "libs/hidport/entry_points.h"

namespace hidport {
namespace {

constexpr int kMaxKeyboards = 8;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? v : "";
}

bool EnvFlag(const char* name) {
  const std::string v = Env(name);
  return !v.empty() && v != "0";
}

// A non-negative number from the environment; anything else gives the default.
long EnvNumber(const char* name, long fallback) {
  const std::string v = Env(name);
  if (v.empty()) return fallback;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(v.c_str(), &end, 10);
  if (errno != 0 || end == v.c_str() || *end != 0 || n < 0) return fallback;
  return n;
}

std::u16string Utf16(const std::string& utf8) {
  // Product strings given in the environment; UTF-8 decoded, malformed bytes as U+FFFD.
  std::u16string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    uint32_t cp = extra == 0 ? c : extra == 1 ? c & 0x1F : extra == 2 ? c & 0x0F : c & 0x07;
    bool ok = extra >= 0 && i + static_cast<std::size_t>(extra) < utf8.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto cc = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
      ok = (cc & 0xC0) == 0x80;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
      out.push_back(u'\uFFFD');
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

std::u16string Product() {
  const char* v = std::getenv("TASTOR_SIM_PRODUCT");
  return v != nullptr ? Utf16(v) : std::u16string(simkeyboard::kDefaultProduct);
}

std::string MemoryFolder(int keyboard) {
  std::string base = Env("TASTOR_SIM_DIR");
  if (base.empty()) return {};
  if (base.back() != '/') base += '/';
  return keyboard == 0 ? base : base + "keyboard-" + std::to_string(keyboard + 1) + "/";
}

// "sim:keyboard-<k>/<interface index>"
std::string InterfacePath(int keyboard, std::size_t index) {
  return "sim:keyboard-" + std::to_string(keyboard + 1) + "/" + std::to_string(index);
}

bool ParseInterfacePath(const std::string& path, int& keyboard, std::size_t& index) {
  int k = 0;
  unsigned i = 0;
  char tail = 0;
  if (std::sscanf(path.c_str(), "sim:keyboard-%d/%u%c", &k, &i, &tail) != 2 || k < 1 || k > kMaxKeyboards) {
    return false;
  }
  keyboard = k - 1;
  index = i;
  return true;
}

// The keyboard has been pulled out (simkeyboard::SetPluggedIn): it is not found, and the
// interfaces opened before fail their transfers as a removed device's do.
bool PulledOut() { return !simkeyboard::PluggedIn(MemoryFolder(0)); }

// The transfer faults of one interface, counted down as they happen.
struct TransferFaults {
  long failures = 0;       // TASTOR_SIM_FAIL_TRANSFERS
  long hangMs = 0;         // TASTOR_SIM_HANG_MS
  long hangTransfers = 0;  // TASTOR_SIM_HANG_TRANSFERS (-1: every transfer)
  long shortReads = 0;     // TASTOR_SIM_SHORT_READS
  long garbageReads = 0;   // TASTOR_SIM_GARBAGE_READS
  uint32_t dropped = 0;    // TASTOR_SIM_DROP_REPORT: reports whose writes are acknowledged and not kept

  static TransferFaults FromEnvironment() {
    TransferFaults f;
    f.failures = EnvNumber("TASTOR_SIM_FAIL_TRANSFERS", 0);
    f.hangMs = EnvNumber("TASTOR_SIM_HANG_MS", 0);
    f.hangTransfers = f.hangMs > 0 ? EnvNumber("TASTOR_SIM_HANG_TRANSFERS", -1) : 0;
    f.shortReads = EnvNumber("TASTOR_SIM_SHORT_READS", 0);
    f.garbageReads = EnvNumber("TASTOR_SIM_GARBAGE_READS", 0);
    f.dropped = simkeyboard::ReportIdSet(Env("TASTOR_SIM_DROP_REPORT"));
    return f;
  }
  static bool Take(long& count) {
    if (count == 0) return false;
    if (count > 0) --count;
    return true;
  }
};

class SimConnection : public HidConnection {
 public:
  SimConnection(simkeyboard::Interface iface, std::shared_ptr<simkeyboard::ReportMemory> memory, TransferFaults faults,
                std::shared_ptr<SimRemoval> removal, std::u16string product)
      : iface_(std::move(iface)), memory_(std::move(memory)), faults_(faults), removal_(std::move(removal)),
        product_(std::move(product)) {}

  int SetFeature(const uint8_t* report, std::size_t length) override {
    if (PulledOut()) return ENODEV;
    if (const int error = CheckFeature(report, length)) return error;
    if (const int error = Fault()) return error;
    // A keyboard that answers the write but keeps what it held.
    if (simkeyboard::InReportIdSet(faults_.dropped, report[0])) return 0;
    return memory_->Write(report[0], std::span<const uint8_t>(report + 1, length - 1));
  }

  int GetFeature(uint8_t* report, std::size_t length, std::size_t& received) override {
    if (PulledOut()) return ENODEV;
    if (const int error = CheckFeature(report, length)) return error;
    if (const int error = Fault()) return error;
    const int error = memory_->Read(report[0], std::span<uint8_t>(report + 1, length - 1));
    if (error != 0) return error;
    received = length;
    BadRead(report, length, received);
    return 0;
  }

  int GetInputReport(uint8_t* report, std::size_t length) override {
    // Only the consumer-control interface has an input report: no key is pressed.
    if (iface_.usagePage != 0x000C || report[0] != iface_.reportId || length != 3) return EINVAL;
    std::memset(report + 1, 0, length - 1);
    return 0;
  }

  int ProductString(std::u16string& product) override {
    product = product_;
    return 0;
  }

 private:
  // A feature report this interface has, with its exact length.
  int CheckFeature(const uint8_t* report, std::size_t length) const {
    const std::size_t payload = simkeyboard::PayloadLength(iface_.reportId);
    if (iface_.usagePage != 0xFF00 || report[0] != iface_.reportId || length != payload + 1) return EINVAL;
    return 0;
  }

  // The error a faulty keyboard gives for this transfer, or 0.
  int Fault() {
    if (!removal_->Transfer()) return ENODEV;
    if (TransferFaults::Take(faults_.hangTransfers)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(faults_.hangMs));
      return ETIMEDOUT;
    }
    if (TransferFaults::Take(faults_.failures)) return EIO;
    return 0;
  }

  // A read that arrives cut short, or as noise under another report id.
  void BadRead(uint8_t* report, std::size_t length, std::size_t& received) {
    if (TransferFaults::Take(faults_.shortReads)) {
      received = length / 2;
    } else if (TransferFaults::Take(faults_.garbageReads)) {
      uint32_t noise = 0x9E3779B9u ^ static_cast<uint32_t>(length);
      for (std::size_t i = 1; i < length; ++i) {
        noise = noise * 1664525u + 1013904223u;
        report[i] = static_cast<uint8_t>(noise >> 24);
      }
      report[0] = static_cast<uint8_t>(report[0] ^ 0x40);
    }
  }

  const simkeyboard::Interface iface_;
  const std::shared_ptr<simkeyboard::ReportMemory> memory_;
  TransferFaults faults_;
  const std::shared_ptr<SimRemoval> removal_;
  const std::u16string product_;
};

}  // namespace

void SimRemoval::Follow(const std::string& value) {
  std::lock_guard<std::mutex> lock(mutex);
  if (value == setting) return;
  setting = value;
  after = EnvNumber("TASTOR_SIM_REMOVE_AFTER", -1);
  transfers = 0;
  removed = false;
}

bool SimRemoval::Transfer() {
  std::lock_guard<std::mutex> lock(mutex);
  if (removed) return false;
  if (after >= 0 && transfers >= after) {
    removed = true;
    return false;
  }
  ++transfers;
  return true;
}

bool SimRemoval::Removed() {
  std::lock_guard<std::mutex> lock(mutex);
  return removed;
}

std::vector<HidInterfaceInfo> SimBackend::Enumerate(uint16_t vendorId, uint16_t productId, int) {
  std::vector<HidInterfaceInfo> out;
  removal_->Follow(Env("TASTOR_SIM_REMOVE_AFTER"));
  if (EnvFlag("TASTOR_SIM_ABSENT") || removal_->Removed() || PulledOut()) return out;
  const long keyboards = std::min<long>(std::max<long>(EnvNumber("TASTOR_SIM_KEYBOARDS", 1), 1), kMaxKeyboards);
  const std::vector<simkeyboard::Interface> interfaces = simkeyboard::Interfaces(!EnvFlag("TASTOR_SIM_NO_CONSUMER"));
  const std::u16string product = Product();
  for (int k = 0; k < keyboards; ++k) {
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
      const simkeyboard::Interface& iface = interfaces[i];
      HidInterfaceInfo info;
      info.path = InterfacePath(k, i);
      info.deviceKey = "sim:keyboard-" + std::to_string(k + 1);
      info.vendorId = vendorId;
      info.productId = productId;
      info.usagePage = iface.usagePage;
      info.usage = iface.usage;
      info.interfaceNumber = static_cast<int>(i);
      // The lengths come from the interface's descriptor, as they do for a real keyboard.
      const ReportDescriptorInfo parsed = ParseReportDescriptor(iface.descriptor);
      if (!parsed.collections.empty()) info.lengths = parsed.collections.front().lengths;
      info.product = product;
      out.push_back(std::move(info));
    }
  }
  return out;
}

std::shared_ptr<simkeyboard::ReportMemory> SimBackend::Memory(int keyboard) {
  const std::string folder = MemoryFolder(keyboard);
  // Keyboards without a folder are told apart by a key no folder can have.
  // (Built piece by piece: "\n" + to_string raises a -Wrestrict false alarm at -O3.)
  std::string key = folder;
  if (key.empty()) key.append("\n").append(std::to_string(keyboard));
  std::lock_guard<std::mutex> lock(mutex_);
  std::shared_ptr<simkeyboard::ReportMemory> memory = memories_[key].lock();
  if (!memory) {
    memory = std::make_shared<simkeyboard::ReportMemory>(folder);
    memory->Load();
    memories_[key] = memory;
  }
  return memory;
}

std::unique_ptr<HidConnection> SimBackend::Open(const HidInterfaceInfo& info, uint32_t, int* error) {
  int keyboard = 0;
  std::size_t index = 0;
  const std::vector<simkeyboard::Interface> interfaces = simkeyboard::Interfaces(true);
  if (!ParseInterfacePath(info.path, keyboard, index) || index >= interfaces.size()) {
    *error = ENOENT;
    return nullptr;
  }
  if (EnvFlag("TASTOR_SIM_NO_PERMISSION")) {
    *error = EACCES;
    return nullptr;
  }
  if (removal_->Removed()) {
    *error = ENODEV;
    return nullptr;
  }
  return std::make_unique<SimConnection>(interfaces[index], Memory(keyboard), TransferFaults::FromEnvironment(),
                                         removal_, info.product);
}

HidPortCore& ThePort() {
  static HidPortCore port(std::make_unique<SimBackend>());
  return port;
}

}  // namespace hidport
