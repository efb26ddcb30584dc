// SPDX-License-Identifier: GPL-2.0-or-later
// The device macro buffer: event encoding, slots, and the macro part of the matrix.
#include <gtest/gtest.h>

#include "macro/macro_encoding.h"
#include "macro/macro_library.h"
#include "tests/core/test_model_support.h"
#include "tests/support/test_support.h"

namespace {

MacroEvent Press(uint16_t code, uint32_t delay = 0) { return {code, 1, delay}; }
MacroEvent Release(uint16_t code, uint32_t delay = 0) { return {code, 0, delay}; }

std::vector<uint8_t> Slot(const MacroRecord& m, const MacroLimits& limits = MacroLimits{}) {
  std::vector<uint8_t> out(static_cast<std::size_t>(limits.bufferSize), 0xCC);
  StMacro_To_HdMacro(&m, out.data(), limits);
  return out;
}

std::vector<uint8_t> Padded(std::vector<uint8_t> head, std::size_t size = 192) {
  head.resize(size, 0);
  return head;
}

KeyFunction MacroKey(uint32_t id, int pos) {
  KeyFunction k;
  k.code = KeyFunction::MakeCode(KIND_MACRO, 0);
  k.macroId = static_cast<int32_t>(id);
  k.matrixPos = pos;
  return k;
}

}  // namespace

TEST(MacroSlotEncoding, PressAndReleaseOfA) {
  const MacroRecord m = TestMacro(1, u"a", {Press('A', 95), Release('A')});
  std::vector<uint8_t> out(192, 0xCC);
  EXPECT_EQ(StMacro_To_HdMacro(&m, out.data(), MacroLimits{}), 6);
  EXPECT_EQ(out, Padded({0x09, 0x00, 0x04, 0x80, 0x00, 0x04}));
}

TEST(MacroSlotEncoding, ModifiersAndLongDelays) {
  // Left Shift with 2000 ms: count 200 = low bits 0x48, high bits 1, modifier marker.
  EXPECT_EQ(Slot(TestMacro(1, u"s", {Press(0xA0, 2000)})), Padded({0x48, 0xF1, 0x02}));
  // Right and generic modifiers are sent alike.
  EXPECT_EQ(Slot(TestMacro(1, u"c", {Press(0x11), Release(0xA3), Press(0x12), Press(0x5C)})),
            Padded({0x00, 0xF0, 0x01, 0x80, 0xF0, 0x01, 0x00, 0xF0, 0x04, 0x00, 0xF0, 0x08}));
  // 2047 units is the longest delay sent unchanged; longer delays are sent as 2047
  // rather than wrapping to a short wait (2048 units would otherwise become 0).
  EXPECT_EQ(Slot(TestMacro(1, u"d", {Press('A', 20470)})), Padded({0x7F, 0x0F, 0x04}));
  EXPECT_EQ(Slot(TestMacro(1, u"d", {Press('A', 20480)})), Padded({0x7F, 0x0F, 0x04}));
  EXPECT_EQ(Slot(TestMacro(1, u"d", {Release('A', 40950)})), Padded({0xFF, 0x0F, 0x04}));
}

TEST(MacroSlotEncoding, MouseButtonsAndCodesWithoutUsage) {
  LogRecorder log;
  EXPECT_EQ(Slot(TestMacro(1, u"m", {Press(0xF1), Press(0xF3), Release(0xF1), Press(0xF2), Press(0xF0)})),
            Padded({0x00, 0x00, 0xF1, 0x80, 0x00, 0xF1, 0x00, 0x00, 0xF2, 0x00, 0x00, 0xF0}));
  EXPECT_EQ(log.Count("StMacro_To_HdMacro: get wrong hid"), 1);
}

TEST(MacroSlotEncoding, SlotHoldsAtMost63Events) {
  std::vector<MacroEvent> events;
  for (int i = 0; i < 70; ++i) events.push_back(i % 2 == 0 ? Press('B') : Release('B'));
  const MacroRecord m = TestMacro(1, u"long", events);
  std::vector<uint8_t> out(192, 0xCC);
  EXPECT_EQ(StMacro_To_HdMacro(&m, out.data(), MacroLimits{}), 189);
  EXPECT_EQ(out[186], 0x00);  // event 63 is a press of B
  EXPECT_EQ(out[188], 0x05);
  EXPECT_EQ(out[189], 0);
  EXPECT_EQ(out[191], 0);
  // A smaller slot holds fewer; a missing record or destination writes nothing.
  MacroLimits small;
  small.bufferSize = 10;
  EXPECT_EQ(StMacro_To_HdMacro(&m, out.data(), small), 9);
  EXPECT_EQ(StMacro_To_HdMacro(nullptr, out.data(), MacroLimits{}), 0);
  EXPECT_EQ(StMacro_To_HdMacro(&m, nullptr, MacroLimits{}), 0);
}

TEST(MacroSlotEncoding, SlotSizeAbove192IsLimitedToTheBuffer) {
  MacroLimits big;
  big.bufferSize = 400;
  std::vector<MacroEvent> events(90, Press('C'));
  const MacroRecord m = TestMacro(1, u"big", events);
  std::vector<uint8_t> out(400, 0xCC);
  EXPECT_EQ(StMacro_To_HdMacro(&m, out.data(), big), 189);
  EXPECT_EQ(out[192], 0xCC);  // nothing written beyond one slot of the 1920-byte buffer
}

TEST(MacroBufferBuild, SlotsFollowTheFirstKeyOfEachMacro) {
  MacroRecord a = TestMacro(0xA, u"a", {Press('A')});
  MacroRecord b = TestMacro(0xB, u"b", {Press('B')});
  MacroRecord c = TestMacro(0xC, u"c", {Press('C')});
  b.dwRepeatMode = MACRO_REPEAT_SECOND;
  a.wLoopCount = 0x0105;
  MacroSet macros({a, b, c});
  std::array<KeyFunction, kKeyCount> keys{};
  keys[3] = MacroKey(0xC, 30);
  keys[7] = MacroKey(0xA, 70);
  keys[9] = MacroKey(0xC, 90);  // the same macro on a second key shares its slot
  keys[11] = MacroKey(0xB, 110);
  keys[12] = MacroKey(0xD, 120);  // no such macro
  DeviceMatrix matrix{};
  matrix[30] = matrix[90] = 0x00010002;
  matrix[70] = 0x00010002;
  matrix[110] = 0x00040002;
  LogRecorder log;
  MacroBuffer buffer;
  buffer.fill(0xEE);
  EXPECT_EQ(BuildMacroBuffer(keys, macros, matrix, buffer, MacroLimits{}), 4);
  EXPECT_EQ(int32_t{macros.FindMacroById(0xC)->Macro_Buffer_ID}, 1);
  EXPECT_EQ(int32_t{macros.FindMacroById(0xA)->Macro_Buffer_ID}, 2);
  EXPECT_EQ(int32_t{macros.FindMacroById(0xB)->Macro_Buffer_ID}, 3);
  EXPECT_EQ(matrix[30], 0x01010002u);  // slot 1, one loop
  EXPECT_EQ(matrix[90], 0x01010002u);
  EXPECT_EQ(matrix[70], 0x05010102u);  // slot 2, low byte of the loop count
  EXPECT_EQ(matrix[110], 0x00040202u); // slot 3, second repeat mode: no loop count
  EXPECT_EQ(buffer[0 * 192 + 2], 0x06);  // C
  EXPECT_EQ(buffer[1 * 192 + 2], 0x04);  // A
  EXPECT_EQ(buffer[2 * 192 + 2], 0x05);  // B
  EXPECT_EQ(buffer[3 * 192], 0);
  EXPECT_EQ(buffer[1919], 0);
  EXPECT_TRUE(log.Has("Key[0][12] Set To Macro NULL"));
  EXPECT_TRUE(log.Has("Key[0][3] Set To Macro 0x0000000c, Macro_Buffer_ID=0"));
  EXPECT_TRUE(log.Has("Key[0][9] Set To Macro 0x0000000c, Macro_Buffer_ID=1"));
  EXPECT_EQ(log.Count("New Assign Buffer_ID= 1"), 1);
  EXPECT_TRUE(log.Has("Matrix[0][70] = 0x05010102"));
}

TEST(MacroBufferBuild, StopsWhenAllSlotsAreTaken) {
  std::vector<MacroRecord> records;
  std::array<KeyFunction, kKeyCount> keys{};
  for (uint32_t i = 0; i < 12; ++i) {
    records.push_back(TestMacro(0x100 + i, u"m", {Press('A')}));
    keys[i] = MacroKey(0x100 + i, static_cast<int>(i));
  }
  MacroSet macros(records);
  DeviceMatrix matrix{};
  for (int i = 0; i < 12; ++i) matrix[static_cast<std::size_t>(i)] = 0x00010002;
  MacroBuffer buffer;
  EXPECT_EQ(BuildMacroBuffer(keys, macros, matrix, buffer, MacroLimits{}), 10);
  EXPECT_EQ(AllocateMacroSlot(macros, MacroLimits{}), -1);
  EXPECT_EQ(int32_t{macros.FindMacroById(0x10A)->Macro_Buffer_ID}, -1);
  EXPECT_EQ(int32_t{macros.FindMacroById(0x10B)->Macro_Buffer_ID}, 0);
  EXPECT_EQ(matrix[9], 0x01010902u);
  EXPECT_EQ(matrix[10], 0x00010002u);  // kept without a buffer
  EXPECT_EQ(buffer[9 * 192 + 2], 0x04);
}

TEST(MacroBufferBuild, KeyOutsideTheMatrixIsWarnedAndSkipped) {
  MacroSet macros({TestMacro(0xA, u"a", {Press('A')})});
  std::array<KeyFunction, kKeyCount> keys{};
  keys[0] = MacroKey(0xA, 126);
  keys[1] = MacroKey(0xA, -1);
  RecordingWindowPort port;
  DeviceMatrix matrix{};
  MacroBuffer buffer;
  int misplaced = 0;
  EXPECT_EQ(BuildMacroBuffer(keys, macros, matrix, buffer, MacroLimits{}, kKeyCount, &misplaced), 0);
  EXPECT_EQ(misplaced, 2);  // for the caller to show "Matrix inx warning" for each
  EXPECT_TRUE(port.boxes.empty());
  EXPECT_EQ(int32_t{macros.FindMacroById(0xA)->Macro_Buffer_ID}, 0);
}

TEST(MacroBufferBuild, KeysPastTheKeyTableTakeNoSlotAndPatchNothing) {
  // A profile from elsewhere may name macros on keys this keyboard's table does not have:
  // the matrix has no entry for them, so neither has the macro buffer.
  MacroSet macros({TestMacro(0xA, u"a", {Press('A')}), TestMacro(0xB, u"b", {Press('B')})});
  std::array<KeyFunction, kKeyCount> keys{};
  keys[2] = MacroKey(0xA, 2);
  keys[5] = MacroKey(0xB, 3);  // past a table of five keys, pointing at key 3's position
  DeviceMatrix matrix{};
  matrix[2] = 0x00010002;
  matrix[3] = 0x00000402;  // key 3's own function
  MacroBuffer buffer;
  EXPECT_EQ(BuildMacroBuffer(keys, macros, matrix, buffer, MacroLimits{}, 5), 1);
  EXPECT_EQ(matrix[3], 0x00000402u);
  EXPECT_EQ(int32_t{macros.FindMacroById(0xB)->Macro_Buffer_ID}, 0);
  EXPECT_EQ(buffer[192 + 2], 0);  // no second slot
}

TEST(MacroBufferBuild, SlotAllocationTakesTheSmallestFreeNumber) {
  MacroSet macros({TestMacro(1, u"a", {}), TestMacro(2, u"b", {}), TestMacro(3, u"c", {})});
  EXPECT_EQ(AllocateMacroSlot(macros), 1);
  macros.Records()[0].Macro_Buffer_ID = 1;
  macros.Records()[1].Macro_Buffer_ID = 3;
  EXPECT_EQ(AllocateMacroSlot(macros), 2);
  MacroRecord m = TestMacro(1, u"a", {});
  m.Macro_Buffer_ID = 4;
  m.wLoopCount = 300;
  EXPECT_EQ(PatchMacroEntry(0x00010002, m), 0x2C010302u);
}
