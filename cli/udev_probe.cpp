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
// Exit status 0 when a verdict was printed (also a refusal), 1 when it could not be
// written, 2 for wrong arguments. udev
// runs it as root: it reads one file of at most 4097 bytes and writes two lines, nothing
// else (libs/hidport/node_access.h says what is granted).
#include <cerrno>
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
                                                                 : hidport::ReadReportDescriptorFile(descriptorFile, &error);
  hidport::NodeVerdict verdict = hidport::ClassifyNode(descriptor);
  if (error == EFBIG) {
    verdict.reason = "report descriptor longer than " + std::to_string(hidport::kMaxReportDescriptorBytes) + " bytes";
  } else if (error != 0) {
    verdict.reason = std::string("report descriptor cannot be read: ") + std::strerror(error);
  }
  // udev logs what a program writes on standard error when debugging.
  std::fprintf(stderr, "tastor-udev-probe: %s: %s\n", node.empty() ? descriptorFile.c_str() : node.c_str(),
               verdict.reason.c_str());
  // A verdict udev may not have received counts as none (and grants nothing).
  if (std::printf("TASTOR_HID_ROLE=%s\nTASTOR_HID_ACCESS=%d\n", hidport::NodeRoleName(verdict.role),
                  verdict.grant ? 1 : 0) < 0 ||
      std::fflush(stdout) != 0) {
    return 1;
  }
  return 0;
}
