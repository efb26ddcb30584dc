// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes the HID report-descriptor parser with any bytes, as read from a hidraw node's
// sysfs report_descriptor: it never reads past the end, the lengths it gives stay within
// what a bus can carry, and the access verdict of tastor-udev-probe never grants a node
// that can deliver keys. "Can deliver keys" is judged here by a walk of the raw bytes of
// its own, written apart from the parser, so that a key field the parser loses (nested,
// behind a Push, in a range, in an extended usage) shows as a broken rule.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "libs/hidport/node_access.h"
#include "libs/hidport/report_descriptor.h"

namespace {

constexpr std::size_t kKernelDescriptorLimit = 4096;
constexpr uint32_t kKeyboardPage = 0x07;

struct KeyWalk {
  bool whole = true;   // every item complete, Pop and End Collection matched, all closed
  bool keys = false;   // a keyboard/keypad collection at any depth, or an Input of page 7
  int fields = 0;      // Input, Output and Feature items
  int collections = 0;
};

// Item by item: the prefix byte gives size (0, 1, 2 or 4 bytes), type and tag; 0xFE
// starts a long item (size byte, tag byte, data). The usage page is global state with a
// Push/Pop stack; usages, usage minimum and maximum are local until the next main item.
KeyWalk WalkForKeys(std::span<const uint8_t> d) {
  struct Local {
    uint8_t tag;
    uint32_t data;
    bool extended;
    uint32_t pageThen;
  };
  KeyWalk w;
  uint32_t page = 0;
  std::vector<uint32_t> pushed;
  std::vector<Local> locals;
  int depth = 0;
  std::size_t i = 0;
  while (i < d.size()) {
    if (d[i] == 0xFE) {
      if (i + 3 > d.size() || i + 3 + d[i + 1] > d.size()) return w.whole = false, w;
      i += 3 + d[i + 1];
      continue;
    }
    const std::size_t size = "\x00\x01\x02\x04"[d[i] & 3];
    const uint8_t type = (d[i] >> 2) & 3;
    const uint8_t tag = d[i] >> 4;
    if (i + 1 + size > d.size()) return w.whole = false, w;
    uint32_t data = 0;
    for (std::size_t b = size; b > 0; --b) data = (data << 8) | d[i + b];
    i += 1 + size;
    if (type == 1) {  // global
      if (tag == 0x0) page = data & 0xFFFF;
      if (tag == 0xA) pushed.push_back(page);
      if (tag == 0xB) {
        if (pushed.empty()) return w.whole = false, w;
        page = pushed.back();
        pushed.pop_back();
      }
    } else if (type == 2 && tag <= 2) {  // usage, usage minimum, usage maximum
      locals.push_back({tag, data, size == 4, page});
    } else if (type == 0) {  // main
      // A usage counts with the page where it stood and with the page at the item (an
      // extended usage brings its own); a minimum directly followed by its maximum spans
      // every usage between its two ends as they stood, or reads both at the item's page.
      bool keyboardPage = page == kKeyboardPage;
      bool keyboardUsage = false;
      for (std::size_t u = 0; u < locals.size(); ++u) {
        const Local& a = locals[u];
        const bool pair = a.tag == 1 && u + 1 < locals.size() && locals[u + 1].tag == 2;
        const Local& b = pair ? locals[++u] : a;
        const auto full = [](const Local& l, uint32_t p) { return l.extended ? l.data : (p << 16) | (l.data & 0xFFFF); };
        const uint32_t readings[2][2] = {{full(a, a.pageThen), full(b, b.pageThen)}, {full(a, page), full(b, page)}};
        for (const auto& r : readings) {
          const uint32_t first = std::min(r[0], r[1]), last = std::max(r[0], r[1]);
          if ((first >> 16) <= kKeyboardPage && kKeyboardPage <= (last >> 16)) keyboardPage = true;
          if (first <= 0x10007 && last >= 0x10006) keyboardUsage = true;  // Generic Desktop keyboard, keypad
        }
      }
      if (tag == 0x8 || tag == 0x9 || tag == 0xB) ++w.fields;
      if (tag == 0x8 && keyboardPage) w.keys = true;
      if (tag == 0xA) {
        ++w.collections;
        ++depth;
        if (keyboardPage || keyboardUsage) w.keys = true;
      }
      if (tag == 0xC && --depth < 0) return w.whole = false, w;
      locals.clear();
    }
  }
  if (depth != 0 || d.size() > kKernelDescriptorLimit) w.whole = false;
  return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using fuzzing::Check;
  const std::span<const uint8_t> bytes(data, size);
  const hidport::ReportDescriptorInfo info = hidport::ParseReportDescriptor(bytes);
  for (const hidport::TopLevelCollection& c : info.collections) {
    for (const int length : {c.lengths.input, c.lengths.output, c.lengths.feature}) {
      Check(length >= 0 && length <= 65537, "report lengths stay within a bus's reports");
    }
    Check(hidport::FindCollection(info, c.usagePage, c.usage) != nullptr, "a collection is found by its usage");
  }
  for (const hidport::MainItem& item : info.mainItems) {
    Check(item.parent < 0 || (info.mainItems[static_cast<std::size_t>(item.parent)].kind ==
                                  hidport::MainItemKind::kCollection &&
                              info.mainItems[static_cast<std::size_t>(item.parent)].depth == item.depth - 1),
          "a main item lies in a collection one level up");
    for (const hidport::UsageRange& r : item.usages) Check(r.first <= r.last, "usage ranges are ordered");
  }

  const KeyWalk walk = WalkForKeys(bytes);
  if (info.ok() && walk.whole) {
    int fields = 0, collections = 0;
    for (const hidport::MainItem& item : info.mainItems) {
      (item.kind == hidport::MainItemKind::kCollection ? collections : fields)++;
    }
    Check(fields == walk.fields && collections == walk.collections, "the parser records every main item");
  }
  const hidport::NodeVerdict verdict = hidport::ClassifyNode(bytes);
  if (verdict.grant) {
    Check(info.ok() && walk.whole, "only whole descriptors are granted");
    Check(!walk.keys, "no node that can deliver keys is granted");
    Check(verdict.role == hidport::NodeRole::kVendor || verdict.role == hidport::NodeRole::kConsumer,
          "only the program's interfaces are granted");
  }
  Check(!verdict.reason.empty(), "every verdict says why");
  return 0;
}
