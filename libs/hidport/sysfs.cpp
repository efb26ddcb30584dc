// SPDX-License-Identifier: GPL-2.0-or-later
#include "libs/hidport/sysfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace hidport {
namespace {

std::string NodeName(const std::string& nodePath) {
  const std::size_t slash = nodePath.rfind('/');
  return slash == std::string::npos ? nodePath : nodePath.substr(slash + 1);
}

std::string Parent(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

std::string LastComponent(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The physical path a HID device reports (HID_PHYS of its uevent) without its interface
// part "/input<n>": the same for every interface of one keyboard. Empty when there is none.
std::string PhysWithoutInput(const std::string& hidDevice) {
  const int fd = ::open((hidDevice + "/uevent").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  char buffer[2048];
  const ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
  ::close(fd);
  if (n <= 0) return {};
  const std::string text(buffer, static_cast<std::size_t>(n));
  const std::size_t at = text.find("HID_PHYS=");
  if (at == std::string::npos) return {};
  const std::size_t end = text.find('\n', at);
  const std::string phys = text.substr(at + 9, end == std::string::npos ? std::string::npos : end - at - 9);
  const std::size_t input = phys.rfind("/input");
  if (input == std::string::npos || input == 0 || input + 6 == phys.size()) return {};
  for (std::size_t i = input + 6; i < phys.size(); ++i) {
    if (phys[i] < '0' || phys[i] > '9') return {};
  }
  return phys.substr(0, input);
}

}  // namespace

std::vector<uint8_t> ReadReportDescriptorFile(const std::string& path, int* error) {
  *error = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = errno;
    return {};
  }
  // One byte more than a descriptor may hold tells a longer file from a whole one.
  std::vector<uint8_t> bytes(kMaxReportDescriptorBytes + 1);
  std::size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = errno;
      ::close(fd);
      return {};
    }
    if (n == 0) break;
    filled += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (filled > kMaxReportDescriptorBytes) {
    *error = EFBIG;
    return {};
  }
  bytes.resize(filled);
  return bytes;
}

std::vector<uint8_t> ReadReportDescriptor(const std::string& sysRoot, const std::string& nodePath, int* error) {
  *error = 0;
  const std::string name = NodeName(nodePath);
  if (name.empty() || name == "." || name == "..") {
    *error = EINVAL;
    return {};
  }
  return ReadReportDescriptorFile(sysRoot + "/class/hidraw/" + name + "/device/report_descriptor", error);
}

std::vector<std::string> HidrawNodesOf(const std::string& sysRoot, uint16_t vendorId, uint16_t productId) {
  std::vector<std::string> nodes;
  const std::string classFolder = sysRoot + "/class/hidraw";
  DIR* dir = ::opendir(classFolder.c_str());
  if (dir == nullptr) return nodes;
  char ids[16];
  std::snprintf(ids, sizeof ids, ":%04X:%04X.", vendorId, productId);
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name.rfind("hidraw", 0) != 0) continue;
    char device[PATH_MAX];
    if (::realpath((classFolder + "/" + name + "/device").c_str(), device) == nullptr) continue;
    // "0003:2F68:0A17.0001": four hex digits of the bus, then the ids.
    const std::string hidDevice = LastComponent(device);
    if (hidDevice.size() > 15 && hidDevice.compare(4, 11, ids) == 0) {
      nodes.push_back(name);
    }
  }
  ::closedir(dir);
  std::sort(nodes.begin(), nodes.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;  // hidraw2 before hidraw10
  });
  return nodes;
}

std::string PhysicalDeviceKey(const std::string& sysRoot, const std::string& nodePath) {
  const std::string link = sysRoot + "/class/hidraw/" + NodeName(nodePath) + "/device";
  char resolved[PATH_MAX];
  if (::realpath(link.c_str(), resolved) == nullptr) return nodePath;
  const std::string hidDevice = resolved;
  // A USB interface folder is named "<port path>:<configuration>.<interface>", e.g. "1-2:1.0".
  const std::string usbInterface = Parent(hidDevice);
  const std::string usbDevice = Parent(usbInterface);
  if (!usbDevice.empty() && LastComponent(usbInterface).find(':') != std::string::npos &&
      hidDevice.find("/usb") != std::string::npos) {
    return usbDevice;
  }
  // A device outside USB (for example a virtual one on uhid) is grouped by the physical
  // path its interfaces share.
  const std::string phys = PhysWithoutInput(hidDevice);
  if (!phys.empty()) return "phys:" + phys;
  return hidDevice;
}

}  // namespace hidport
