// SPDX-License-Identifier: GPL-2.0-or-later
#include "libs/hidport/report_descriptor.h"

#include <algorithm>
#include <map>
#include <utility>

namespace hidport {
namespace {

// Item types and tags of the short item prefix byte.
constexpr int kTypeMain = 0, kTypeGlobal = 1, kTypeLocal = 2;
constexpr int kMainInput = 0x8, kMainOutput = 0x9, kMainCollection = 0xA, kMainFeature = 0xB,
              kMainEndCollection = 0xC;
constexpr int kGlobalUsagePage = 0x0, kGlobalReportSize = 0x7, kGlobalReportId = 0x8,
              kGlobalReportCount = 0x9, kGlobalPush = 0xA, kGlobalPop = 0xB;
constexpr int kLocalUsage = 0x0, kLocalUsageMinimum = 0x1, kLocalUsageMaximum = 0x2;
constexpr uint8_t kLongItemPrefix = 0xFE;

constexpr int kMaxDepth = 32;        // nesting of collections
constexpr int kMaxPushDepth = 32;    // global state stack
// A report longer than this many bytes does not exist on any bus; longer sums are capped
// here so that absurd size and count values cannot overflow.
constexpr uint64_t kMaxReportBits = 8ull * 65536;

struct GlobalState {
  uint32_t usagePage = 0;
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint8_t reportId = 0;
};

struct Builder {
  TopLevelCollection collection;
  // Bits per (kind, report id), summed over the collection's main items.
  std::map<std::pair<int, uint8_t>, uint64_t> bits;

  void Finish(std::vector<TopLevelCollection>& out) {
    for (const auto& [key, total] : bits) {
      const auto [kind, id] = key;
      const int length = static_cast<int>((total + 7) / 8) + 1;
      int& slot = kind == 0 ? collection.lengths.input : kind == 1 ? collection.lengths.output
                                                                   : collection.lengths.feature;
      slot = std::max(slot, length);
      if (id != 0) collection.reportIds.push_back(id);
    }
    std::sort(collection.reportIds.begin(), collection.reportIds.end());
    collection.reportIds.erase(std::unique(collection.reportIds.begin(), collection.reportIds.end()),
                               collection.reportIds.end());
    out.push_back(std::move(collection));
  }
};

// A Usage, Usage Minimum or Usage Maximum as it stood, until the next main item.
struct LocalUsage {
  int tag = kLocalUsage;
  uint32_t value = 0;     // the whole usage when extended, else the usage id
  bool extended = false;  // given in 32 bits, page included
  uint16_t page = 0;      // the page in effect where it stood
};

uint32_t FullUsage(const LocalUsage& u, uint16_t page) {
  return u.extended ? u.value : (uint32_t{page} << 16) | (u.value & 0xFFFF);
}

// The usages the local items name, read with the page where each stood and with the
// page at the main item (see MainItem::usages).
std::vector<UsageRange> UsagesOf(const std::vector<LocalUsage>& locals, uint16_t mainPage) {
  std::vector<UsageRange> out;
  const auto add = [&out](uint32_t a, uint32_t b) {
    const UsageRange r{std::min(a, b), std::max(a, b)};
    if (std::find(out.begin(), out.end(), r) == out.end()) out.push_back(r);
  };
  const auto addBoth = [&](const LocalUsage& a, const LocalUsage& b) {
    add(FullUsage(a, a.page), FullUsage(b, b.page));
    add(FullUsage(a, mainPage), FullUsage(b, mainPage));
  };
  const LocalUsage* minimum = nullptr;
  for (const LocalUsage& u : locals) {
    if (u.tag == kLocalUsageMinimum) {
      if (minimum != nullptr) addBoth(*minimum, *minimum);
      minimum = &u;
    } else if (u.tag == kLocalUsageMaximum && minimum != nullptr) {
      addBoth(*minimum, u);
      minimum = nullptr;
    } else {
      addBoth(u, u);
    }
  }
  if (minimum != nullptr) addBoth(*minimum, *minimum);
  return out;
}

}  // namespace

ReportDescriptorInfo ParseReportDescriptor(std::span<const uint8_t> d) {
  ReportDescriptorInfo info;
  GlobalState global;
  std::vector<GlobalState> stack;
  // The first usage (or usage minimum) given since the last main item, with its page when
  // it was given as an extended (32-bit) usage.
  bool haveUsage = false;
  uint32_t usage = 0;
  bool usageExtended = false;
  int depth = 0;
  bool inTopLevel = false;
  Builder current;
  std::vector<LocalUsage> locals;
  std::vector<int> open;  // indices in info.mainItems of the open collections
  const auto record = [&](MainItemKind kind, uint32_t data) {
    MainItem item;
    item.kind = kind;
    item.data = data;
    item.page = static_cast<uint16_t>(global.usagePage);
    item.usages = UsagesOf(locals, item.page);
    item.parent = open.empty() ? -1 : open.back();
    item.depth = static_cast<int>(open.size());
    info.mainItems.push_back(std::move(item));
  };

  std::size_t pos = 0;
  while (pos < d.size()) {
    const uint8_t prefix = d[pos];
    if (prefix == kLongItemPrefix) {
      // Long item: prefix, data size, tag, data. No long item is defined; skip it whole.
      if (d.size() - pos < 3) {
        info.error = "truncated long item";
        break;
      }
      const std::size_t size = d[pos + 1];
      if (d.size() - pos - 3 < size) {
        info.error = "truncated long item";
        break;
      }
      pos += 3 + size;
      continue;
    }
    const std::size_t size = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
    const int type = (prefix >> 2) & 0x3;
    const int tag = prefix >> 4;
    if (d.size() - pos - 1 < size) {
      info.error = "truncated item";
      break;
    }
    uint32_t data = 0;
    for (std::size_t i = 0; i < size; ++i) data |= static_cast<uint32_t>(d[pos + 1 + i]) << (8 * i);
    pos += 1 + size;

    if (type == kTypeMain) {
      if (tag == kMainInput || tag == kMainOutput || tag == kMainFeature) {
        record(tag == kMainInput    ? MainItemKind::kInput
               : tag == kMainOutput ? MainItemKind::kOutput
                                    : MainItemKind::kFeature,
               data);
        if (inTopLevel) {
          const int kind = tag == kMainInput ? 0 : tag == kMainOutput ? 1 : 2;
          uint64_t& total = current.bits[{kind, global.reportId}];
          total = std::min(kMaxReportBits, total + static_cast<uint64_t>(global.reportSize) * global.reportCount);
        }
      } else if (tag == kMainCollection) {
        if (depth >= kMaxDepth) {
          info.error = "collections nested too deeply";
          break;
        }
        if (depth == 0) {
          // Every collection at the outermost level is a top-level collection (the
          // platform gives each one its own interface, whatever its collection type); its
          // usage names the interface.
          current = Builder{};
          current.collection.usagePage =
              static_cast<uint16_t>(haveUsage && usageExtended ? usage >> 16 : global.usagePage);
          current.collection.usage = static_cast<uint16_t>(haveUsage ? usage & 0xFFFF : 0);
          inTopLevel = true;
        }
        record(MainItemKind::kCollection, data);
        open.push_back(static_cast<int>(info.mainItems.size()) - 1);
        ++depth;
      } else if (tag == kMainEndCollection) {
        if (depth == 0) {
          info.error = "end collection without collection";
          break;
        }
        open.pop_back();
        if (--depth == 0) {
          current.Finish(info.collections);
          inTopLevel = false;
        }
      }
      haveUsage = false;  // local items end with every main item
      locals.clear();
    } else if (type == kTypeGlobal) {
      switch (tag) {
        case kGlobalUsagePage: global.usagePage = data; break;
        case kGlobalReportSize: global.reportSize = data; break;
        case kGlobalReportCount: global.reportCount = data; break;
        case kGlobalReportId:
          if (data == 0 || data > 0xFF) {
            info.error = "invalid report id";
            return info;
          }
          global.reportId = static_cast<uint8_t>(data);
          break;
        case kGlobalPush:
          if (stack.size() >= kMaxPushDepth) {
            info.error = "push stack overflow";
            return info;
          }
          stack.push_back(global);
          break;
        case kGlobalPop:
          if (stack.empty()) {
            info.error = "pop without push";
            return info;
          }
          global = stack.back();
          stack.pop_back();
          break;
        default: break;  // logical and physical extents, units: not needed here
      }
    } else if (type == kTypeLocal) {
      if (tag == kLocalUsage || tag == kLocalUsageMinimum || tag == kLocalUsageMaximum) {
        locals.push_back({tag, data, size == 4, static_cast<uint16_t>(global.usagePage)});
      }
      if ((tag == kLocalUsage || tag == kLocalUsageMinimum) && !haveUsage) {
        haveUsage = true;
        usage = data;
        usageExtended = size == 4;
      }
    }
  }
  // A collection left open at the end still names an interface with what it declared.
  if (inTopLevel && !info.ok()) return info;
  if (inTopLevel) {
    info.error = "collection not closed";
    current.Finish(info.collections);
  }
  return info;
}

const TopLevelCollection* FindCollection(const ReportDescriptorInfo& info, uint16_t usagePage, uint16_t usage,
                                         int occurrence) {
  for (const TopLevelCollection& c : info.collections) {
    if (c.usagePage == usagePage && c.usage == usage && occurrence-- == 0) return &c;
  }
  return nullptr;
}

}  // namespace hidport
