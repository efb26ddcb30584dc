// SPDX-License-Identifier: GPL-2.0-or-later
// Key function codes, the virtual-key to HID usage table, the device matrix and the layout
// remaps.
#include <gtest/gtest.h>

#include "macro/macro_library.h"
#include "model/device_matrix.h"
#include "model/profile.h"
#include "tests/core/test_model_support.h"
#include "tests/support/test_support.h"

namespace {

KeyFunction Key(uint8_t modifiers, uint8_t key1, uint8_t key2 = 0) {
  KeyFunction k;
  k.code = KeyFunction::MakeCode(KIND_KEY, 0);
  k.modifiers = modifiers;
  k.key1 = key1;
  k.key2 = key2;
  return k;
}

KeyFunction Function(uint8_t kind, uint32_t value, int32_t macroId = 0) {
  KeyFunction k;
  k.code = KeyFunction::MakeCode(kind, value);
  k.macroId = macroId;
  return k;
}

// Bytes of an entry from the least significant up.
std::array<uint8_t, 4> Bytes(uint32_t entry) {
  return {static_cast<uint8_t>(entry), static_cast<uint8_t>(entry >> 8), static_cast<uint8_t>(entry >> 16),
          static_cast<uint8_t>(entry >> 24)};
}

const MacroSet kNoMacros;

}  // namespace

TEST(UsageTable, HasItsPairsInOrder) {
  const auto table = VirtualKeyUsageTable();
  ASSERT_EQ(table.size(), 113u);
  EXPECT_EQ(table.front().usage, 0x29);
  EXPECT_EQ(table.front().vk, 0x1B);
  EXPECT_EQ(table.back().usage, 0x8B);
  EXPECT_EQ(table.back().vk, 0xEB);
  EXPECT_EQ(UsageOfVirtualKey('A'), 0x04);
  EXPECT_EQ(UsageOfVirtualKey('Z'), 0x1D);
  EXPECT_EQ(UsageOfVirtualKey('1'), 0x1E);
  EXPECT_EQ(UsageOfVirtualKey('0'), 0x27);
  EXPECT_EQ(UsageOfVirtualKey(0x7B), 0x45);  // F12
  EXPECT_EQ(UsageOfVirtualKey(0x60), 0x62);  // keypad 0
  EXPECT_EQ(UsageOfVirtualKey(0x5C), 0xE7);
  // Enter matches its first pair; keypad Enter is reached only through 0xFD.
  EXPECT_EQ(UsageOfVirtualKey(0x0D), 0x28);
  EXPECT_EQ(UsageOfVirtualKey(0xFD), 0x58);
  EXPECT_EQ(UsageOfVirtualKey(0xD8), 0x32);
  EXPECT_EQ(UsageOfVirtualKey(0x7C), 0);  // F13 has no pair
  EXPECT_EQ(UsageOfVirtualKey(0x141), 0);
}

TEST(HardwareCode, KeysAndCombinations) {
  // Left Ctrl + Left Shift + A.
  EXPECT_EQ(Bytes(keyinfo_to_hardware_code(Key(0x03, 0x41), kNoMacros)), (std::array<uint8_t, 4>{0x00, 0x03, 0x04, 0x00}));
  EXPECT_EQ(keyinfo_to_hardware_code(Key(0x00, 0x41, 0x42), kNoMacros), 0x05040000u);
  EXPECT_EQ(keyinfo_to_hardware_code(Key(0x80, 0, 0), kNoMacros), 0x00008000u);
  // Fn alone, and Fn with a modifier (usage 0).
  EXPECT_EQ(keyinfo_to_hardware_code(Key(0, 250), kNoMacros), 0x00B00000u);
  EXPECT_EQ(keyinfo_to_hardware_code(Key(0x02, 250), kNoMacros), 0x00000200u);
  EXPECT_EQ(keyinfo_to_hardware_code(Key(0, 0x7C), kNoMacros), 0u);
}

TEST(HardwareCode, MouseAndMediaTables) {
  const std::pair<uint32_t, uint32_t> mouse[] = {{17, 0xF010}, {18, 0xF210}, {19, 0xF110},
                                                 {20, 0xF410}, {21, 0xF310}, {23, 0x0130}};
  for (const auto& [value, entry] : mouse) EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_MOUSE, value), kNoMacros), entry);
  EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_MOUSE, 22), kNoMacros), kNoHardwareCode);

  const std::pair<uint32_t, uint16_t> media[] = {
      {33, 0x0183}, {34, 0x00CD}, {35, 0x00B7}, {36, 0x00B6}, {37, 0x00B5}, {38, 0x00E9},
      {39, 0x00EA}, {40, 0x00E2}, {48, 0x018A}, {49, 0x0192}, {50, 0x0194}, {51, 0x0221},
      {52, 0x0223}, {53, 0x0224}, {54, 0x0225}, {55, 0x0226}, {56, 0x0227}, {57, 0x022A}};
  for (const auto& [value, usage] : media) {
    const uint32_t want = 0x01u | (static_cast<uint32_t>(usage >> 8) << 16) | (static_cast<uint32_t>(usage & 0xFF) << 24);
    EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_MEDIA, value), kNoMacros), want) << value;
    EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_APP, value), kNoMacros), want) << value;
  }
  EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_APP, 34), kNoMacros), 0xCD000001u);
  for (uint32_t v = 41; v <= 47; ++v) EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_MEDIA, v), kNoMacros), kNoHardwareCode);
  EXPECT_EQ(keyinfo_to_hardware_code(Function(6, 0), kNoMacros), kNoHardwareCode);
}

TEST(HardwareCode, MacroFunctionsCarryTheRepeatModeBit) {
  std::vector<MacroRecord> records;
  for (uint32_t mode : {0u, 1u, 2u, 3u}) {
    records.push_back(MakeDefaultMacro(0x100 + mode, u"m"));
    records.back().dwRepeatMode = mode;
  }
  const MacroSet macros(records);
  EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_MACRO, 0, 0x100), macros), 0x00010002u);
  EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_MACRO, 0, 0x101), macros), 0x00020002u);
  EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_MACRO, 0, 0x102), macros), 0x00040002u);
  EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_MACRO, 0, 0x103), macros), 0x00000002u);
  LogRecorder log;
  EXPECT_EQ(keyinfo_to_hardware_code(Function(KIND_MACRO, 0, 0xABC), macros), kNoHardwareCode);
  EXPECT_TRUE(log.Has("keyinfo_to_hardware_code can't find macro id 0xabc"));
}

TEST(DeviceMatrixBuild, PlacesEntriesAtKeyTablePositions) {
  KeyTable table;
  AddKey(table, KeyRecord('A', 5));
  AddKey(table, KeyRecord('B', 125));
  AddKey(table, KeyRecord('C', 126));  // outside the matrix
  AddKey(table, KeyRecord('D', 9));
  std::array<KeyFunction, kKeyCount> keys = table.keys;
  keys[0].matrixPos = 77;  // the profile's copy of the position is not used
  keys[3] = Function(KIND_MEDIA, 34);
  keys[100] = Key(0, 'E');  // beyond the key table: no position
  RecordingWindowPort port;
  DeviceMatrix matrix;
  matrix.fill(0xEEEEEEEE);
  KEYINFO_2_Matrix(keys, table, kNoMacros, matrix);
  DeviceMatrix want{};
  want[5] = 0x00040000;
  want[125] = 0x00050000;
  want[9] = 0xCD000001;
  EXPECT_EQ(matrix, want);
  EXPECT_TRUE(port.boxes.empty());

  const auto bytes = MatrixBytes(matrix);
  EXPECT_EQ(AsString(bytes.data() + 20, 4), std::string("\x00\x00\x04\x00", 4));
  EXPECT_EQ(AsString(bytes.data() + 500, 4), std::string("\x00\x00\x05\x00", 4));
}

TEST(DeviceMatrixBuild, UnencodableKeysAreCountedAndStayZero) {
  KeyTable table;
  AddKey(table, KeyRecord('A', 0));
  AddKey(table, KeyRecord('B', 1));
  std::array<KeyFunction, kKeyCount> keys = table.keys;
  keys[0] = Function(KIND_MEDIA, 41);
  keys[1] = Function(KIND_MACRO, 0, 0x777);
  RecordingWindowPort port;
  LogRecorder log;
  DeviceMatrix matrix;
  // Both are counted for the caller to tell; the encoding itself shows nothing.
  EXPECT_EQ(2, KEYINFO_2_Matrix(keys, table, kNoMacros, matrix));
  EXPECT_EQ(matrix, DeviceMatrix{});
  EXPECT_TRUE(port.boxes.empty());
  EXPECT_TRUE(log.Has("keyinfo_to_hardware_code can't find macro id 0x777"));
}

TEST(DeviceMatrixBuild, SamePositionTwiceKeepsTheLaterKey) {
  KeyTable table;
  AddKey(table, KeyRecord('A', 3));
  AddKey(table, KeyRecord('B', 3));
  LogRecorder log;
  DeviceMatrix matrix;
  KEYINFO_2_Matrix(table.keys, table, kNoMacros, matrix);
  EXPECT_EQ(matrix[3], 0x00050000u);
  EXPECT_TRUE(log.Has("Error: KEYINFO_2_Matrix Matrix[3]=00040000"));
}

TEST(DeviceMatrixBuild, DumpLogsOnlyChangedEntries) {
  KeyTable table;
  AddKey(table, KeyRecord('A', 0));
  AddKey(table, KeyRecord('B', 1));
  AddKey(table, KeyRecord('C', 2));
  std::array<KeyFunction, kKeyCount> keys = table.keys;
  keys[1] = Key(0, 'Z');
  keys[2].code = 0;
  DeviceMatrix matrix;
  KEYINFO_2_Matrix(keys, table, kNoMacros, matrix);
  LogRecorder log;
  DumpMatrix(matrix, table, kNoMacros);
  EXPECT_EQ(LogRecorder::Lines(), std::vector<std::string>{"Matrix[01] = 0x001d0000"});
}

TEST(LayoutRemap, VariantOneExchangesYAndZ) {
  EXPECT_EQ(CaptureRemap(0x59, 1), 0x5Au);
  EXPECT_EQ(NameRemap(0x5A, 1), 0x59u);
  EXPECT_EQ(CaptureRemap(0xBC, 1), 0xBCu);
  EXPECT_EQ(CaptureRemap(0x159, 1), 0x15Au);  // higher bits kept when capturing
  EXPECT_EQ(CaptureRemap(0x59, 0), 0x59u);
  EXPECT_EQ(NameRemap(0x5A, 0), 0x5Au);
  EXPECT_EQ(NameRemap(0x41, 1), 0x41u);
  // Variant 1 is a permutation and naming undoes capturing for every code.
  for (uint32_t c = 0; c < 256; ++c) EXPECT_EQ(NameRemap(CaptureRemap(c, 1), 1), c) << c;
}

TEST(LayoutRemap, VariantTwoExchangesAQAndWZ) {
  const std::pair<uint32_t, uint32_t> capture[] = {
      {0x41, 0x51}, {0x51, 0x41}, {0x57, 0x5A}, {0x5A, 0x57}, {0x4D, 0xBA}, {0xBA, 0xDD}, {0xBC, 0x4D},
      {0xBE, 0xBC}, {0xBF, 0xBE}, {0xC0, 0xDE}, {0xDB, 0xBD}, {0xDD, 0xDB}, {0xDE, 0xC0}, {0xDF, 0xBF}};
  for (const auto& [from, to] : capture) {
    EXPECT_EQ(CaptureRemap(from, 2), to) << from;
    EXPECT_EQ(NameRemap(to, 2), from) << to;
  }
  EXPECT_EQ(CaptureRemap(0xBB, 2), 0xBBu);
  EXPECT_EQ(NameRemap(0xBB, 2), 0xBBu);
  EXPECT_EQ(CaptureRemap(0x42, 3), 0x42u);
}
