// SPDX-License-Identifier: GPL-2.0-or-later
// HidPort over hidapi's hidraw backend. hidapi lists one entry per top-level collection
// of each hidraw node with its usage page and usage; the report lengths come from the
// node's report descriptor, read from sysfs and parsed here.
#include <hidapi.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>

#include "libs/hidport/entry_points.h"
#include "libs/hidport/sysfs.h"

namespace hidport {
namespace {

std::u16string FromWide(const wchar_t* text) {
  std::u16string out;
  if (text == nullptr) return out;
  for (; *text != 0; ++text) {
    const auto c = static_cast<uint32_t>(*text);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(c > 0x10FFFF || (c >= 0xD800 && c < 0xE000) ? u'\uFFFD' : static_cast<char16_t>(c));
    }
  }
  return out;
}

int ErrnoOr(int fallback) { return errno != 0 ? errno : fallback; }

class HidapiConnection : public HidConnection {
 public:
  explicit HidapiConnection(hid_device* device) : device_(device) {}
  ~HidapiConnection() override { hid_close(device_); }

  int SetFeature(const uint8_t* report, std::size_t length) override {
    errno = 0;
    const int n = hid_send_feature_report(device_, report, length);
    return n < 0 ? ErrnoOr(EIO) : 0;
  }

  int GetFeature(uint8_t* report, std::size_t length, std::size_t& received) override {
    errno = 0;
    const int n = hid_get_feature_report(device_, report, length);
    if (n < 0) return ErrnoOr(EIO);
    // hidraw returns the bytes the keyboard sent, id included.
    received = static_cast<std::size_t>(n);
    return 0;
  }

  int GetInputReport(uint8_t* report, std::size_t length) override {
    errno = 0;
    const int n = hid_get_input_report(device_, report, length);
    if (n < 0) return ErrnoOr(EIO);
    if (static_cast<std::size_t>(n) < length) std::memset(report + n, 0, length - static_cast<std::size_t>(n));
    return 0;
  }

  int ProductString(std::u16string& product) override {
    wchar_t buffer[256] = {};
    errno = 0;
    if (hid_get_product_string(device_, buffer, 255) != 0) return ErrnoOr(EIO);
    buffer[255] = 0;
    product = FromWide(buffer);
    return 0;
  }

 private:
  hid_device* device_;
};

class HidapiBackend : public HidBackend {
 public:
  ~HidapiBackend() override {
    if (initialised_) hid_exit();
  }

  std::vector<HidInterfaceInfo> Enumerate(uint16_t vendorId, uint16_t productId, int logLevel) override {
    std::vector<HidInterfaceInfo> out;
    if (!Initialise()) return out;
    hid_device_info* list = hid_enumerate(vendorId, productId);
    // hidapi lists a node once per top-level collection; the n-th entry of a node with a
    // given usage is the n-th collection with that usage in the node's descriptor.
    std::map<std::string, ReportDescriptorInfo> descriptors;
    std::map<std::pair<std::string, uint32_t>, int> seen;
    for (const hid_device_info* d = list; d != nullptr; d = d->next) {
      if (d->path == nullptr) continue;
      HidInterfaceInfo info;
      info.path = d->path;
      info.vendorId = d->vendor_id;
      info.productId = d->product_id;
      info.usagePage = d->usage_page;
      info.usage = d->usage;
      info.interfaceNumber = d->interface_number;
      info.product = FromWide(d->product_string);
      info.deviceKey = PhysicalDeviceKey("/sys", info.path);
      auto found = descriptors.find(info.path);
      if (found == descriptors.end()) {
        int error = 0;
        const std::vector<uint8_t> bytes = ReadReportDescriptor("/sys", info.path, &error);
        ReportDescriptorInfo parsed = ParseReportDescriptor(bytes);
        if (logLevel != 0 && (error != 0 || !parsed.ok())) {
          std::fprintf(stderr, "HidPort: %s report descriptor: %s\n", info.path.c_str(),
                       error != 0 ? std::strerror(error) : parsed.error.c_str());
        }
        found = descriptors.emplace(info.path, std::move(parsed)).first;
      }
      const int occurrence = seen[{info.path, (uint32_t{info.usagePage} << 16) | info.usage}]++;
      if (const TopLevelCollection* c = FindCollection(found->second, info.usagePage, info.usage, occurrence)) {
        info.lengths = c->lengths;
      }
      out.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return out;
  }

  std::unique_ptr<HidConnection> Open(const HidInterfaceInfo& info, uint32_t, int* error) override {
    // hidapi opens hidraw nodes for reading and writing whatever the access asked; tell
    // a missing permission apart from other failures before trying.
    if (::access(info.path.c_str(), R_OK | W_OK) != 0) {
      *error = errno;
      return nullptr;
    }
    errno = 0;
    hid_device* device = hid_open_path(info.path.c_str());
    if (device == nullptr) {
      *error = ErrnoOr(EIO);
      return nullptr;
    }
    return std::make_unique<HidapiConnection>(device);
  }

 private:
  bool Initialise() {
    std::call_once(once_, [this] { initialised_ = hid_init() == 0; });
    return initialised_;
  }
  std::once_flag once_;
  bool initialised_ = false;
};

}  // namespace

HidPortCore& ThePort() {
  static HidPortCore port(std::make_unique<HidapiBackend>());
  return port;
}

}  // namespace hidport
