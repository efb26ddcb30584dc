// SPDX-License-Identifier: GPL-2.0-or-later
#include "libs/hidport/node_access.h"

#include "libs/hidport/report_descriptor.h"

namespace hidport {
namespace {

constexpr uint16_t kGenericDesktop = 0x01;
constexpr uint16_t kKeyboardUsage = 0x06;
constexpr uint16_t kKeypadUsage = 0x07;
constexpr uint16_t kKeyboardPage = 0x07;  // the key codes' own page, used as a collection page by a few devices
constexpr uint16_t kVendorPage = 0xFF00;
constexpr uint16_t kConsumerPage = 0x0C;

bool IsTyping(const TopLevelCollection& c) {
  return (c.usagePage == kGenericDesktop && (c.usage == kKeyboardUsage || c.usage == kKeypadUsage)) ||
         c.usagePage == kKeyboardPage;
}

}  // namespace

NodeVerdict ClassifyNode(std::span<const uint8_t> descriptor) {
  NodeVerdict v;
  const ReportDescriptorInfo info = ParseReportDescriptor(descriptor);
  if (descriptor.empty() || !info.ok() || info.collections.empty()) {
    v.reason = descriptor.empty() ? "no report descriptor"
               : info.ok()        ? "no top-level collection"
                                  : "report descriptor not readable: " + info.error;
    return v;
  }
  bool vendor = false;
  bool consumer = false;
  for (const TopLevelCollection& c : info.collections) {
    if (IsTyping(c)) {
      v.role = NodeRole::kTyping;
      v.reason = "carries a keyboard collection";
      return v;
    }
    vendor = vendor || (c.usagePage == kVendorPage && c.usage == 1);
    consumer = consumer || (c.usagePage == kConsumerPage && c.usage == 1);
  }
  if (vendor || consumer) {
    v.role = vendor ? NodeRole::kVendor : NodeRole::kConsumer;
    v.grant = true;
    v.reason = vendor ? "vendor interface 0xFF00" : "consumer control";
    return v;
  }
  v.role = NodeRole::kOther;
  v.reason = "no interface the program opens";
  return v;
}

const char* NodeRoleName(NodeRole role) {
  switch (role) {
    case NodeRole::kVendor: return "vendor";
    case NodeRole::kConsumer: return "consumer";
    case NodeRole::kTyping: return "typing";
    case NodeRole::kOther: return "other";
    case NodeRole::kUnreadable: break;
  }
  return "unreadable";
}

}  // namespace hidport
