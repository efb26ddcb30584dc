// SPDX-License-Identifier: GPL-2.0-or-later
#include "libs/hidport/hid_port_core.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>

namespace hidport {
namespace {

thread_local int t_lastError = 0;

int Done(int error) {
  t_lastError = error;
  return error == 0 ? 1 : 0;
}

int HexDigit(HidChar c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool SameLetter(HidChar c, char upper) { return c == static_cast<HidChar>(upper) || c == static_cast<HidChar>(upper + 32); }

// Reads four hexadecimal digits at text[pos].
bool ReadHex4(const HidChar* text, std::size_t pos, uint16_t& value) {
  value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    const int d = HexDigit(text[pos + i]);
    if (d < 0) return false;
    value = static_cast<uint16_t>(value * 16 + d);
  }
  return true;
}

}  // namespace

std::optional<DeviceId> ParseDeviceId(const HidChar* text) {
  if (text == nullptr) return std::nullopt;
  // "VID_xxxx&PID_xxxx": 17 units. Stop at the terminator, so nothing past it is read.
  constexpr std::size_t kLength = 17;
  std::size_t n = 0;
  while (n <= kLength && text[n] != 0) ++n;
  if (n != kLength) return std::nullopt;
  DeviceId id;
  const bool ok = SameLetter(text[0], 'V') && SameLetter(text[1], 'I') && SameLetter(text[2], 'D') &&
                  text[3] == u'_' && ReadHex4(text, 4, id.vendorId) && text[8] == u'&' &&
                  SameLetter(text[9], 'P') && SameLetter(text[10], 'I') && SameLetter(text[11], 'D') &&
                  text[12] == u'_' && ReadHex4(text, 13, id.productId);
  if (!ok) return std::nullopt;
  return id;
}

std::vector<Candidate> MatchInterfaces(const std::vector<HidInterfaceInfo>& interfaces, DeviceId id,
                                       uint16_t usagePage, uint16_t usage) {
  std::vector<std::string> keyboards;
  std::vector<Candidate> out;
  for (std::size_t i = 0; i < interfaces.size(); ++i) {
    const HidInterfaceInfo& info = interfaces[i];
    if (info.vendorId != id.vendorId || info.productId != id.productId) continue;
    int keyboard = 0;
    while (keyboard < static_cast<int>(keyboards.size()) && keyboards[static_cast<std::size_t>(keyboard)] != info.deviceKey) {
      ++keyboard;
    }
    if (keyboard == static_cast<int>(keyboards.size())) keyboards.push_back(info.deviceKey);
    if (info.usagePage == usagePage && info.usage == usage) out.push_back({i, keyboard});
  }
  return out;
}

HidPortCore::HidPortCore(std::unique_ptr<HidBackend> backend) : backend_(std::move(backend)) {}

HidPortCore::~HidPortCore() = default;

int HidPortCore::LastError() { return t_lastError; }

std::size_t HidPortCore::OpenCount() const {
  std::lock_guard<std::mutex> lock(tableMutex_);
  return open_.size();
}

HidHandle HidPortCore::OpenHidDevice(int usagePage, int usage, const HidChar* deviceId, HidFilter filter,
                                     int logLevel, uint32_t access, int* counter) {
  if (counter != nullptr) *counter = 0;
  const std::optional<DeviceId> id = ParseDeviceId(deviceId);
  if (!id || usagePage < 0 || usagePage > 0xFFFF || usage < 0 || usage > 0xFFFF) {
    t_lastError = EINVAL;
    return 0;
  }
  std::lock_guard<std::mutex> enumerating(enumerateMutex_);
  const std::vector<HidInterfaceInfo> interfaces = backend_->Enumerate(id->vendorId, id->productId, logLevel);
  const std::vector<Candidate> candidates =
      MatchInterfaces(interfaces, *id, static_cast<uint16_t>(usagePage), static_cast<uint16_t>(usage));

  std::vector<const Candidate*> accepted;
  for (const Candidate& c : candidates) {
    const HidInterfaceInfo& info = interfaces[c.index];
    const bool ok = filter == nullptr ||
                    filter(c.keyboard, info.lengths.input, info.lengths.output, info.lengths.feature) != 0;
    if (logLevel != 0) {
      std::fprintf(stderr, "HidPort: %s keyboard %d usage 0x%04X:0x%04X input %d output %d feature %d%s\n",
                   info.path.c_str(), c.keyboard, info.usagePage, info.usage, info.lengths.input,
                   info.lengths.output, info.lengths.feature, ok ? " accepted" : "");
    }
    if (ok) accepted.push_back(&c);
  }
  if (counter != nullptr) *counter = static_cast<int>(accepted.size());

  int error = ENODEV;
  for (const Candidate* c : accepted) {
    int openError = 0;
    std::unique_ptr<HidConnection> connection = backend_->Open(interfaces[c->index], access, &openError);
    if (!connection) {
      if (logLevel != 0) {
        std::fprintf(stderr, "HidPort: %s cannot be opened, error %d\n", interfaces[c->index].path.c_str(), openError);
      }
      // Lack of permission is what the user can do something about: it wins over other
      // reasons when several interfaces fail.
      if (error != EACCES) error = openError != 0 ? openError : EIO;
      continue;
    }
    auto entry = std::make_shared<Entry>();
    entry->connection = std::move(connection);
    std::lock_guard<std::mutex> lock(tableMutex_);
    const HidHandle handle = nextHandle_++;
    open_.emplace(handle, std::move(entry));
    t_lastError = 0;
    return handle;
  }
  t_lastError = error;
  return 0;
}

std::shared_ptr<HidPortCore::Entry> HidPortCore::Find(HidHandle handle) const {
  std::lock_guard<std::mutex> lock(tableMutex_);
  const auto it = open_.find(handle);
  return it == open_.end() ? nullptr : it->second;
}

template <typename Call>
int HidPortCore::Transfer(HidHandle handle, const void* report, uint32_t length, Call call) {
  if (report == nullptr || length == 0) return Done(EINVAL);
  const std::shared_ptr<Entry> entry = Find(handle);
  if (!entry) return Done(EBADF);
  std::lock_guard<std::mutex> io(entry->io);
  // Closed while this call waited for the previous one.
  if (!entry->connection) return Done(EBADF);
  return Done(call(*entry->connection));
}

int HidPortCore::SetFeature(HidHandle handle, const uint8_t* report, uint32_t length) {
  return Transfer(handle, report, length, [&](HidConnection& c) { return c.SetFeature(report, length); });
}

int HidPortCore::GetFeature(HidHandle handle, uint8_t* report, uint32_t length) {
  return Transfer(handle, report, length, [&](HidConnection& c) {
    const uint8_t reportId = report[0];
    std::size_t received = 0;
    const int error = c.GetFeature(report, length, received);
    if (error != 0) return error;
    // A report cut short, or one that is not the report asked for, is no answer: the
    // caller would take stale or foreign bytes for the keyboard's state.
    if (received != length || report[0] != reportId) {
      std::fill(report + 1, report + length, uint8_t{0});
      report[0] = reportId;
      return EPROTO;
    }
    return 0;
  });
}

int HidPortCore::GetInputReport(HidHandle handle, uint8_t* report, uint32_t length) {
  return Transfer(handle, report, length, [&](HidConnection& c) { return c.GetInputReport(report, length); });
}

int HidPortCore::GetProductString(HidHandle handle, HidChar* buffer, uint32_t capacity) {
  if (buffer == nullptr || capacity == 0) return Done(EINVAL);
  buffer[0] = 0;
  return Transfer(handle, buffer, capacity, [&](HidConnection& c) {
    std::u16string product;
    const int error = c.ProductString(product);
    if (error != 0) return error;
    const std::size_t n = std::min<std::size_t>(product.size(), capacity - 1);
    product.copy(buffer, n);
    buffer[n] = 0;
    return 0;
  });
}

int HidPortCore::CloseHidDevice(HidHandle handle) {
  std::shared_ptr<Entry> entry;
  {
    std::lock_guard<std::mutex> lock(tableMutex_);
    const auto it = open_.find(handle);
    if (it == open_.end()) return Done(EBADF);
    entry = std::move(it->second);
    open_.erase(it);
  }
  // Wait for a transfer in progress, then close the interface.
  std::lock_guard<std::mutex> io(entry->io);
  entry->connection.reset();
  return Done(0);
}

}  // namespace hidport
