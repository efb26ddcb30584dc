// SPDX-License-Identifier: GPL-2.0-or-later
// The parts of a HID report descriptor the keyboard link needs: each top-level
// collection's usage page and usage, and the lengths of its input, output and feature
// reports as the platform counts them (the longest report of that kind plus one byte for
// the report id; a descriptor without report ids counts that byte too). hidraw does not
// give these lengths, so they are read from the descriptor itself. For tastor-udev-probe
// (node_access.h) the parser also records every main item with the usages and usage pages
// it may be read with and the collection it lies in, so that a key field at any depth is
// seen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace hidport {

enum class ReportKind { Input = 0, Output = 1, Feature = 2 };

struct ReportLengths {
  int input = 0;
  int output = 0;
  int feature = 0;
  int Of(ReportKind kind) const {
    return kind == ReportKind::Input ? input : kind == ReportKind::Output ? output : feature;
  }
  friend bool operator==(const ReportLengths&, const ReportLengths&) = default;
};

struct TopLevelCollection {
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  ReportLengths lengths;
  std::vector<uint8_t> reportIds;  // the ids its reports use, ascending; empty without ids
};

// A span of usages, each as page << 16 | id; a single usage has first == last.
struct UsageRange {
  uint32_t first = 0;
  uint32_t last = 0;
  uint16_t FirstPage() const { return static_cast<uint16_t>(first >> 16); }
  uint16_t LastPage() const { return static_cast<uint16_t>(last >> 16); }
  friend bool operator==(const UsageRange&, const UsageRange&) = default;
};

enum class MainItemKind : uint8_t { kInput, kOutput, kFeature, kCollection };

// One Input, Output, Feature or Collection item (End Collection only closes).
struct MainItem {
  MainItemKind kind = MainItemKind::kInput;
  uint32_t data = 0;  // a field's flags, a collection's type (1: application)
  // The page in effect (Usage Page, after Push and Pop) at the main item.
  uint16_t page = 0;
  // Every usage its local items name. A 16-bit usage, usage minimum or maximum is counted
  // with the page in effect where it stands and, when that differs, again with the page at
  // the main item: readers of descriptors (the kernel among them) differ on which applies.
  // A usage minimum and maximum give one range; one without its partner a single usage.
  std::vector<UsageRange> usages;
  int parent = -1;  // index in mainItems of the innermost open collection, -1 outside all
  int depth = 0;    // collections open around it
};

struct ReportDescriptorInfo {
  std::vector<TopLevelCollection> collections;  // in descriptor order
  std::vector<MainItem> mainItems;              // in descriptor order, at every depth
  // Empty when the whole descriptor was read; otherwise why reading stopped early (what
  // was read up to there is kept).
  std::string error;
  bool ok() const { return error.empty(); }
};

// Reads a descriptor. Never reads past its end; a truncated item, a pop without a push,
// a report id of 0 or collections nested too deeply stop reading with an error.
ReportDescriptorInfo ParseReportDescriptor(std::span<const uint8_t> descriptor);

// The n-th (0-based) top-level collection with this usage page and usage, or null.
const TopLevelCollection* FindCollection(const ReportDescriptorInfo& info, uint16_t usagePage, uint16_t usage,
                                         int occurrence = 0);

}  // namespace hidport
