// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-udev-probe: what udev runs (IMPORT{program}) for each hidraw node of the
// keyboard, to decide whether the user at the seat may open it. It reads the node's
// report descriptor from sysfs with the program's own descriptor parser and prints udev
// properties:
//
//   TASTOR_HID_ROLE=vendor|consumer|typing|other|unreadable
//   TASTOR_HID_ACCESS=1|0        1 only for the interfaces the program opens
//
// Usage: tastor-udev-probe [--sys-root DIR] NODE      (NODE: "hidraw3" or "/dev/hidraw3")
//        tastor-udev-probe --descriptor FILE          (a descriptor saved to a file)
// Exit status 0 when a verdict was printed (also a refusal), 2 for wrong arguments.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "libs/hidport/node_access.h"
#include "libs/hidport/sysfs.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: tastor-udev-probe [--sys-root DIR] NODE | --descriptor FILE\n");
  return 2;
}

std::vector<uint8_t> ReadDescriptorFile(const std::string& path, int* error) {
  std::vector<uint8_t> bytes;
  *error = 0;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = errno;
    return bytes;
  }
  uint8_t buffer[4096];
  // A report descriptor is at most 4096 bytes; more is no descriptor.
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  if (n < 0) {
    *error = errno;
    return bytes;
  }
  bytes.assign(buffer, buffer + n);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  std::string sysRoot = "/sys";
  std::string node;
  std::string descriptorFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--sys-root" && i + 1 < argc) {
      sysRoot = argv[++i];
    } else if (arg == "--descriptor" && i + 1 < argc) {
      descriptorFile = argv[++i];
    } else if (!arg.empty() && arg[0] != '-' && node.empty()) {
      node = arg;
    } else {
      return Usage();
    }
  }
  if (node.empty() == descriptorFile.empty()) return Usage();

  int error = 0;
  const std::vector<uint8_t> descriptor = descriptorFile.empty() ? hidport::ReadReportDescriptor(sysRoot, node, &error)
                                                                 : ReadDescriptorFile(descriptorFile, &error);
  hidport::NodeVerdict verdict = hidport::ClassifyNode(descriptor);
  if (error != 0) verdict.reason = std::string("report descriptor cannot be read: ") + std::strerror(error);
  std::printf("TASTOR_HID_ROLE=%s\nTASTOR_HID_ACCESS=%d\n", hidport::NodeRoleName(verdict.role), verdict.grant ? 1 : 0);
  // udev logs what a program writes on standard error when debugging.
  std::fprintf(stderr, "tastor-udev-probe: %s: %s\n", node.empty() ? descriptorFile.c_str() : node.c_str(),
               verdict.reason.c_str());
  return 0;
}
