// SPDX-License-Identifier: GPL-2.0-or-later
#include "libs/hidport/node_access.h"

#include <cstdio>
#include <optional>

#include "libs/hidport/report_descriptor.h"
#include "libs/hidport/sysfs.h"

namespace hidport {
namespace {

constexpr uint16_t kGenericDesktop = 0x01;
constexpr uint16_t kKeyboardUsage = 0x06;
constexpr uint16_t kKeypadUsage = 0x07;
constexpr uint16_t kKeyboardPage = 0x07;  // the key codes' own page
constexpr uint16_t kConsumerPage = 0x0C;
constexpr uint16_t kVendorPage = 0xFF00;  // the program's interfaces; 0xFF00-0xFFFF are all vendor pages
constexpr uint32_t kApplicationCollection = 0x01;

bool Covers(const UsageRange& r, uint16_t page, uint16_t id) {
  const uint32_t usage = (uint32_t{page} << 16) | id;
  return r.first <= usage && usage <= r.last;
}

// True when the range names a usage of the page (a range may span several pages).
bool NamesPage(const UsageRange& r, uint16_t page) { return r.FirstPage() <= page && page <= r.LastPage(); }

// A collection that makes a keyboard or keypad: Generic Desktop 6 or 7 or any usage of the
// keyboard page among its usages, or the keyboard page in effect at it.
bool IsKeyboardCollection(const MainItem& c) {
  for (const UsageRange& r : c.usages) {
    if (Covers(r, kGenericDesktop, kKeyboardUsage) || Covers(r, kGenericDesktop, kKeypadUsage) ||
        NamesPage(r, kKeyboardPage)) {
      return true;
    }
  }
  return c.page == kKeyboardPage;
}

// An input field that may deliver key codes: any of its usages on the keyboard page, or
// the keyboard page in effect at the item (which gives a field its page when its usages
// leave it open).
bool IsKeyField(const MainItem& f) {
  if (f.page == kKeyboardPage) return true;
  for (const UsageRange& r : f.usages) {
    if (NamesPage(r, kKeyboardPage)) return true;
  }
  return false;
}

bool AllowedPage(uint16_t page) { return page == kConsumerPage || page >= kVendorPage; }

// The first usage page an input field may be read with that is neither consumer nor
// vendor-defined, if any.
std::optional<uint16_t> ForeignPage(const MainItem& f) {
  if (!AllowedPage(f.page)) return f.page;
  for (const UsageRange& r : f.usages) {
    if (!AllowedPage(r.FirstPage())) return r.FirstPage();
    // A range that starts on the consumer page and goes on crosses the page after it.
    if (r.FirstPage() == kConsumerPage && r.LastPage() != kConsumerPage) return kConsumerPage + 1;
  }
  return std::nullopt;
}

std::string Hex4(uint16_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%04X", value);
  return text;
}

}  // namespace

NodeVerdict ClassifyNode(std::span<const uint8_t> descriptor) {
  NodeVerdict v;
  if (descriptor.empty()) {
    v.reason = "no report descriptor";
    return v;
  }
  if (descriptor.size() > kMaxReportDescriptorBytes) {
    v.reason = "report descriptor longer than " + std::to_string(kMaxReportDescriptorBytes) + " bytes";
    return v;
  }
  const ReportDescriptorInfo info = ParseReportDescriptor(descriptor);
  if (!info.ok()) {
    v.reason = "report descriptor not readable: " + info.error;
    return v;
  }
  if (info.collections.empty()) {
    v.reason = "no top-level collection";
    return v;
  }
  // Whatever may carry keys decides first, at any depth.
  for (const MainItem& item : info.mainItems) {
    if (item.kind == MainItemKind::kCollection && IsKeyboardCollection(item)) {
      v.role = NodeRole::kTyping;
      v.reason = item.depth == 0 ? "carries a keyboard collection"
                                 : "carries a keyboard collection nested " + std::to_string(item.depth) + " deep";
      return v;
    }
    if (item.kind == MainItemKind::kInput && IsKeyField(item)) {
      v.role = NodeRole::kTyping;
      v.reason = "carries key input (usage page 7) in a keyboard collection or elsewhere";
      return v;
    }
  }
  v.role = NodeRole::kOther;
  for (const MainItem& item : info.mainItems) {
    if (item.kind != MainItemKind::kInput) continue;
    if (const std::optional<uint16_t> page = ForeignPage(item)) {
      v.reason = "an input field of usage page " + Hex4(*page) + ", neither vendor nor consumer";
      return v;
    }
  }
  bool vendor = false;
  bool consumer = false;
  for (const MainItem& item : info.mainItems) {
    if (item.kind != MainItemKind::kCollection || item.depth != 0 || item.data != kApplicationCollection) continue;
    for (const UsageRange& r : item.usages) {
      vendor = vendor || (r.first == r.last && Covers(r, kVendorPage, 1));
      consumer = consumer || (r.first == r.last && Covers(r, kConsumerPage, 1));
    }
  }
  if (!vendor && !consumer) {
    v.reason = "no interface the program opens";
    return v;
  }
  v.role = vendor ? NodeRole::kVendor : NodeRole::kConsumer;
  v.grant = true;
  v.reason = vendor ? "vendor interface 0xFF00" : "consumer control";
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
