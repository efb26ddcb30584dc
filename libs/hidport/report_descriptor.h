// SPDX-License-Identifier: GPL-2.0-or-later
// The parts of a HID report descriptor the keyboard link needs: each top-level
// collection's usage page and usage, and the lengths of its input, output and feature
// reports as the platform counts them (the longest report of that kind plus one byte for
// the report id; a descriptor without report ids counts that byte too). hidraw does not
// give these lengths, so they are read from the descriptor itself.
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

struct ReportDescriptorInfo {
  std::vector<TopLevelCollection> collections;  // in descriptor order
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
