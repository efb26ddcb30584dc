// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes the HID report-descriptor parser with any bytes, as read from a hidraw node's
// sysfs report_descriptor: it never reads past the end, the lengths it gives stay within
// what a bus can carry, and the access verdict of tastor-udev-probe never grants a node
// that carries a keyboard collection or that the parser could not read whole.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_support.h"
#include "libs/hidport/node_access.h"
#include "libs/hidport/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using fuzzing::Check;
  const std::span<const uint8_t> bytes(data, size);
  const hidport::ReportDescriptorInfo info = hidport::ParseReportDescriptor(bytes);
  bool typing = false;
  for (const hidport::TopLevelCollection& c : info.collections) {
    for (const int length : {c.lengths.input, c.lengths.output, c.lengths.feature}) {
      Check(length >= 0 && length <= 65537, "report lengths stay within a bus's reports");
    }
    Check(hidport::FindCollection(info, c.usagePage, c.usage) != nullptr, "a collection is found by its usage");
    typing = typing || (c.usagePage == 1 && (c.usage == 6 || c.usage == 7)) || c.usagePage == 7;
  }
  const hidport::NodeVerdict verdict = hidport::ClassifyNode(bytes);
  if (verdict.grant) {
    Check(info.ok() && !typing, "only whole descriptors without a keyboard collection are granted");
    Check(verdict.role == hidport::NodeRole::kVendor || verdict.role == hidport::NodeRole::kConsumer,
          "only the program's interfaces are granted");
  }
  Check(!verdict.reason.empty(), "every verdict says why");
  return 0;
}
