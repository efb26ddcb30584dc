// SPDX-License-Identifier: GPL-2.0-or-later
// The report descriptor parser: lengths as the platform counts them, for the keyboard's
// own interfaces and for the descriptors other devices present, and the main items with
// their usages and nesting that the udev probe judges.
#include <gtest/gtest.h>

#include <vector>

#include "libs/hidport/report_descriptor.h"
#include "libs/simkeyboard/sim_keyboard.h"

using hidport::FindCollection;
using hidport::MainItemKind;
using hidport::UsageRange;
using hidport::ParseReportDescriptor;
using hidport::ReportLengths;
using Bytes = std::vector<uint8_t>;

namespace {

// The boot keyboard of the HID class definition: modifiers, a reserved byte and six key
// codes in, five LEDs and padding out, no report ids.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};

// A gaming keyboard's second interface: four top-level collections with report ids 1 to
// 3 and 5 to 7; the vendor collection has two feature reports of different lengths.
const Bytes kSeveralReportIds = {
    // Keyboard, report 1: 8 modifier bits and a 120-bit key bitmap.
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,
    0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x78, 0x81, 0x02, 0xC0,
    // Consumer control, report 2: one 16-bit usage.
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x03, 0x19, 0x00, 0x2A,
    0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0,
    // System control, report 3: three bits and five bits of padding.
    0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x03, 0x19, 0x81, 0x29, 0x83, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x95, 0x05, 0x81, 0x01, 0xC0,
    // Vendor: feature 5 of 7 bytes, feature 6 of 63 bytes, input 7 of 2 bytes.
    0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x05, 0x75, 0x08, 0x95, 0x07, 0x15, 0x00, 0x26,
    0xFF, 0x00, 0x09, 0x01, 0xB1, 0x02, 0x85, 0x06, 0x95, 0x3F, 0x09, 0x01, 0xB1, 0x02, 0x85, 0x07,
    0x95, 0x02, 0x09, 0x01, 0x81, 0x02, 0xC0};

const Bytes kVendorMatrix = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x09, 0x15, 0x00, 0x26,
                             0xFF, 0x00, 0x75, 0x08, 0x96, 0xF8, 0x01, 0x09, 0x01, 0xB1, 0x02, 0xC0};

}  // namespace

TEST(ReportDescriptor, KeyboardInterfacesHaveTheirReportLengths) {
  // The simulated keyboard's descriptors are the ones a real keyboard of this model presents.
  const auto interfaces = simkeyboard::Interfaces(true);
  ASSERT_EQ(interfaces.size(), 5u);
  const int features[] = {505, 42, 127, 1921};
  for (int i = 0; i < 4; ++i) {
    const auto info = ParseReportDescriptor(interfaces[static_cast<std::size_t>(i)].descriptor);
    ASSERT_TRUE(info.ok()) << info.error;
    ASSERT_EQ(info.collections.size(), 1u);
    const auto& c = info.collections[0];
    EXPECT_EQ(c.usagePage, 0xFF00);
    EXPECT_EQ(c.usage, 1);
    EXPECT_EQ(c.lengths, (ReportLengths{0, 0, features[i]}));
    EXPECT_EQ(c.reportIds, Bytes{static_cast<uint8_t>(9 + i)});
  }
  const auto consumer = ParseReportDescriptor(interfaces[4].descriptor);
  ASSERT_EQ(consumer.collections.size(), 1u);
  EXPECT_EQ(consumer.collections[0].usagePage, 12);
  EXPECT_EQ(consumer.collections[0].usage, 1);
  EXPECT_EQ(consumer.collections[0].lengths, (ReportLengths{3, 0, 0}));

  // The same matrix interface written by hand, with its two-byte report count.
  const auto matrix = ParseReportDescriptor(kVendorMatrix);
  ASSERT_EQ(matrix.collections.size(), 1u);
  EXPECT_EQ(matrix.collections[0].lengths.feature, 505);
}

TEST(ReportDescriptor, WithoutReportIdsTheIdByteIsStillCounted) {
  const auto info = ParseReportDescriptor(kBootKeyboard);
  ASSERT_TRUE(info.ok());
  ASSERT_EQ(info.collections.size(), 1u);
  const auto& c = info.collections[0];
  EXPECT_EQ(c.usagePage, 1);
  EXPECT_EQ(c.usage, 6);
  EXPECT_EQ(c.lengths, (ReportLengths{9, 2, 0}));  // 8 bytes in, 1 byte out, plus one each
  EXPECT_TRUE(c.reportIds.empty());
}

TEST(ReportDescriptor, SeveralReportIdsGiveEachCollectionItsLongestReport) {
  const auto info = ParseReportDescriptor(kSeveralReportIds);
  ASSERT_TRUE(info.ok()) << info.error;
  ASSERT_EQ(info.collections.size(), 4u);
  EXPECT_EQ(info.collections[0].lengths, (ReportLengths{17, 0, 0}));
  EXPECT_EQ(info.collections[1].lengths, (ReportLengths{3, 0, 0}));
  EXPECT_EQ(info.collections[2].lengths, (ReportLengths{2, 0, 0}));
  EXPECT_EQ(info.collections[3].lengths, (ReportLengths{3, 0, 64}));
  EXPECT_EQ(info.collections[3].reportIds, (Bytes{5, 6, 7}));

  const auto* system = FindCollection(info, 1, 0x80);
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(system->reportIds, Bytes{3});
  EXPECT_EQ(FindCollection(info, 0xFF00, 1, 1), nullptr);  // only one vendor collection
}

TEST(ReportDescriptor, PushPopRestoresReportIdAndCount) {
  const Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                   0x85, 0x04, 0x75, 0x08, 0x95, 0x10,  // report 4, 16 bytes
                   0xA4,                                // push
                   0x85, 0x05, 0x95, 0x08, 0xB1, 0x02,  // feature 5: 8 bytes
                   0xB4,                                // pop
                   0xB1, 0x02, 0xB1, 0x02,              // feature 4 twice: 32 bytes
                   0xC0};
  const auto info = ParseReportDescriptor(d);
  ASSERT_TRUE(info.ok()) << info.error;
  ASSERT_EQ(info.collections.size(), 1u);
  // Had the pop not restored report 4, report 5 would be 24 bytes and the length 25.
  EXPECT_EQ(info.collections[0].lengths.feature, 33);
  EXPECT_EQ(info.collections[0].reportIds, (Bytes{4, 5}));
}

TEST(ReportDescriptor, LongItemsNestedCollectionsAndExtendedUsages) {
  const Bytes d = {0x0B, 0x01, 0x00, 0x00, 0xFF,        // Usage (page 0xFF00, usage 1), 32-bit
                   0xA1, 0x01,                          // Collection (Application)
                   0xFE, 0x02, 0x10, 0xAA, 0xBB,        //   long item, skipped
                   0x09, 0x02, 0xA1, 0x02,              //   Collection (Logical)
                   0x75, 0x08, 0x95, 0x04, 0x91, 0x02,  //     Output: 4 bytes
                   0xC0,                                //   End Collection
                   0x95, 0x02, 0x81, 0x02,              //   Input: 2 bytes
                   0xC0};
  const auto info = ParseReportDescriptor(d);
  ASSERT_TRUE(info.ok()) << info.error;
  ASSERT_EQ(info.collections.size(), 1u);
  EXPECT_EQ(info.collections[0].usagePage, 0xFF00);
  EXPECT_EQ(info.collections[0].usage, 1);
  EXPECT_EQ(info.collections[0].lengths, (ReportLengths{3, 5, 0}));
}

TEST(ReportDescriptor, MalformedInputStopsWithoutReadingPastTheEnd) {
  // Every cut of a valid descriptor is read safely; a cut inside an item is an error.
  for (std::size_t n = 0; n < kSeveralReportIds.size(); ++n) {
    // A copy of exactly n bytes, so that a read past the end is a read past the buffer.
    const Bytes cut(kSeveralReportIds.begin(), kSeveralReportIds.begin() + static_cast<long>(n));
    const auto info = ParseReportDescriptor(cut);
    EXPECT_LE(info.collections.size(), 4u);
  }
  const Bytes cutInItem(kVendorMatrix.begin(), kVendorMatrix.begin() + 18);  // inside 96 F8 01
  EXPECT_EQ(ParseReportDescriptor(cutInItem).error, "truncated item");
  EXPECT_EQ(ParseReportDescriptor(Bytes{0xFE, 0x05, 0x10, 0xAA}).error, "truncated long item");
  EXPECT_EQ(ParseReportDescriptor(Bytes{0xFE}).error, "truncated long item");
  EXPECT_EQ(ParseReportDescriptor(Bytes{0xB4}).error, "pop without push");
  EXPECT_EQ(ParseReportDescriptor(Bytes{0x85, 0x00}).error, "invalid report id");
  EXPECT_EQ(ParseReportDescriptor(Bytes{0xC0}).error, "end collection without collection");

  Bytes deep;
  for (int i = 0; i < 40; ++i) deep.insert(deep.end(), {0xA1, 0x01});
  EXPECT_EQ(ParseReportDescriptor(deep).error, "collections nested too deeply");

  // A collection left open still names an interface.
  const Bytes open(kVendorMatrix.begin(), kVendorMatrix.end() - 1);
  const auto info = ParseReportDescriptor(open);
  EXPECT_EQ(info.error, "collection not closed");
  ASSERT_EQ(info.collections.size(), 1u);
  EXPECT_EQ(info.collections[0].lengths.feature, 505);
}

TEST(ReportDescriptor, AbsurdSizesAreCappedInsteadOfOverflowing) {
  const Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
                   0x77, 0xFF, 0xFF, 0xFF, 0xFF,  // Report Size 2^32 - 1
                   0x97, 0xFF, 0xFF, 0xFF, 0xFF,  // Report Count 2^32 - 1
                   0xB1, 0x02, 0xB1, 0x02, 0xC0};
  const auto info = ParseReportDescriptor(d);
  ASSERT_EQ(info.collections.size(), 1u);
  EXPECT_EQ(info.collections[0].lengths.feature, 65536 + 1);
}

TEST(ReportDescriptor, MainItemsKeepTheirUsagesPagesAndNesting) {
  const Bytes d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  // vendor application collection
                   0x05, 0x01, 0x09, 0x06, 0xA1, 0x00,        //   keyboard, physical
                   0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7,        //     keys E0-E7 of page 7
                   0x05, 0x0C, 0x81, 0x02,                    //     Input, the consumer page now in effect
                   0x0B, 0x04, 0x00, 0x07, 0x00, 0x81, 0x02,  //     Input of the extended usage 7:4
                   0xC0,                                      //   End Collection
                   0xA4, 0x05, 0x07, 0x09, 0x04, 0xB4,        //   Push, page 7, usage 4, Pop
                   0xB1, 0x02,                                //   Feature: the Pop gave back page 0x0C
                   0xC0};
  const auto info = ParseReportDescriptor(d);
  ASSERT_TRUE(info.ok()) << info.error;
  ASSERT_EQ(info.mainItems.size(), 5u);
  const auto& vendor = info.mainItems[0];
  EXPECT_EQ(vendor.kind, MainItemKind::kCollection);
  EXPECT_EQ(vendor.data, 1u);
  EXPECT_EQ(vendor.depth, 0);
  EXPECT_EQ(vendor.usages, (std::vector<UsageRange>{{0xFF000001, 0xFF000001}}));
  const auto& keyboard = info.mainItems[1];
  EXPECT_EQ(keyboard.parent, 0);
  EXPECT_EQ(keyboard.depth, 1);
  EXPECT_EQ(keyboard.data, 0u);
  EXPECT_EQ(keyboard.usages, (std::vector<UsageRange>{{0x00010006, 0x00010006}}));
  // A range given under page 7 is read with page 7 and with the page of the main item.
  const auto& keys = info.mainItems[2];
  EXPECT_EQ(keys.kind, MainItemKind::kInput);
  EXPECT_EQ(keys.parent, 1);
  EXPECT_EQ(keys.depth, 2);
  EXPECT_EQ(keys.page, 0x0C);
  EXPECT_EQ(keys.usages, (std::vector<UsageRange>{{0x000700E0, 0x000700E7}, {0x000C00E0, 0x000C00E7}}));
  // An extended usage brings its own page.
  EXPECT_EQ(info.mainItems[3].usages, (std::vector<UsageRange>{{0x00070004, 0x00070004}}));
  // The usage given under the pushed page keeps it.
  const auto& feature = info.mainItems[4];
  EXPECT_EQ(feature.kind, MainItemKind::kFeature);
  EXPECT_EQ(feature.parent, 0);
  EXPECT_EQ(feature.page, 0x0C);
  EXPECT_EQ(feature.usages, (std::vector<UsageRange>{{0x00070004, 0x00070004}, {0x000C0004, 0x000C0004}}));
  // The top-level view is unchanged: one vendor collection.
  ASSERT_EQ(info.collections.size(), 1u);
  EXPECT_EQ(info.collections[0].usagePage, 0xFF00);
}
