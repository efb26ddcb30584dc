// SPDX-License-Identifier: GPL-2.0-or-later
// The reference keyboard's cfg.ini (Tastor TK-105): it reads without a message, and its
// key table, matrix, Enter outline, lighting modes and game-key sets agree with each other.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <set>
#include <string>

#include "base/settings.h"
#include "tests/support/test_support.h"

namespace {

struct Loaded {
  AppSettings settings;
  std::vector<RecordingWindowPort::Box> boxes;
};

const Loaded& Reference() {
  static const Loaded loaded = [] {
    Loaded l;
    RecordingWindowPort port;
    LoadSettings(SourceDir() + "data/", l.settings);
    l.boxes = port.boxes;
    return l;
  }();
  return loaded;
}

const KeyFunction* FindKey(const AppSettings& s, uint8_t key1, uint8_t modifiers) {
  for (int k = 0; k < s.KeyTable.count; ++k) {
    const KeyFunction& key = s.KeyTable.keys[static_cast<std::size_t>(k)];
    if (key.key1 == key1 && key.modifiers == modifiers) return &key;
  }
  return nullptr;
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

TEST(ReferenceData, ReadsWithoutAnyMessage) {
  for (const auto& box : Reference().boxes) ADD_FAILURE() << std::string(box.text.begin(), box.text.end());
  const AppSettings& s = Reference().settings;
  EXPECT_EQ(s.VID, 12136);
  EXPECT_EQ(s.PID, 2583);
  EXPECT_EQ(s.appdir, u"Tastor");
}

TEST(ReferenceData, CommandLineConfigShowsNoMessages) {
  const RunResult run = RunProgram({BinDir() + "tastor-cli", "config", "--program-dir", BinDir()});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Messages while reading: 0"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("Key table: 106 keys"), std::string::npos);
  EXPECT_EQ(run.err, "");
}

TEST(ReferenceData, EveryKeyHasItsOwnFunctionAndMatrixPosition) {
  const AppSettings& s = Reference().settings;
  ASSERT_EQ(s.KeyTable.count, 106);
  std::set<int> positions;
  std::set<std::pair<int, int>> functions;
  for (int k = 0; k < s.KeyTable.count; ++k) {
    const KeyFunction& key = s.KeyTable.keys[static_cast<std::size_t>(k)];
    EXPECT_EQ(key.Kind(), KIND_KEY) << k;
    EXPECT_TRUE(positions.insert(key.matrixPos).second) << "matrix position used twice: " << key.matrixPos;
    EXPECT_LT(key.matrixPos, 6 * 21);
    EXPECT_TRUE(functions.insert({key.modifiers, key.key1}).second) << "function used twice by key " << k;
    EXPECT_EQ(key.key2, 0);
    // A modifier key carries one modifier bit and no key; any other key no modifier.
    if (key.key1 == 0) {
      EXPECT_EQ(std::popcount(key.modifiers), 1) << k;
    } else {
      EXPECT_EQ(key.modifiers, 0) << k;
    }
    EXPECT_GT(key.rect.Width(), 30) << k;
    EXPECT_GT(key.rect.Height(), 30) << k;
  }
  // All eight modifiers, each on its own side.
  for (uint8_t bit = 1; bit != 0; bit = static_cast<uint8_t>(bit << 1)) EXPECT_NE(FindKey(s, 0, bit), nullptr) << int(bit);
  // The keys only this program codes: Fn, keypad Enter, the ISO keys.
  for (uint8_t vk : {0xFA, 0xFD, 0xE2, 0xD8, 0x0D, 0x5D}) EXPECT_NE(FindKey(s, vk, 0), nullptr) << int(vk);
}

TEST(ReferenceData, KeyRectanglesDoNotOverlapExceptTheEnterOutline) {
  const AppSettings& s = Reference().settings;
  const int enter = s.UnRectKey.MatrixPosition();
  for (int a = 0; a < s.KeyTable.count; ++a) {
    const KeyFunction& ka = s.KeyTable.keys[static_cast<std::size_t>(a)];
    EXPECT_GE(ka.rect.left, 0);
    EXPECT_LE(ka.rect.right, s.rcKB.Width());
    EXPECT_LE(ka.rect.bottom, s.rcKB.Height());
    for (int b = a + 1; b < s.KeyTable.count; ++b) {
      const KeyFunction& kb = s.KeyTable.keys[static_cast<std::size_t>(b)];
      if (ka.matrixPos == enter || kb.matrixPos == enter) continue;
      EXPECT_FALSE(Overlap(ka.rect, kb.rect)) << a << " and " << b;
    }
  }
}

TEST(ReferenceData, TheLShapedEnterOutline) {
  const AppSettings& s = Reference().settings;
  ASSERT_TRUE(s.UnRectKey.Used());
  const KeyFunction* enter = FindKey(s, 0x0D, 0);
  ASSERT_NE(enter, nullptr);
  EXPECT_EQ(s.UnRectKey.MatrixPosition(), enter->matrixPos);
  const std::vector<Point> corners = s.UnRectKey.Corners();
  ASSERT_EQ(corners.size(), 7u);  // six corners of an L and the first again
  EXPECT_EQ(corners.front(), corners.back());
  std::set<int> xs;
  for (const Point& p : corners) {
    EXPECT_GE(p.x, enter->rect.left);
    EXPECT_LE(p.x, enter->rect.right);
    EXPECT_GE(p.y, enter->rect.top);
    EXPECT_LE(p.y, enter->rect.bottom);
    xs.insert(p.x);
  }
  EXPECT_EQ(xs.size(), 3u);  // the step of the L
  // The key left of the Enter's lower part reaches into the outline's bounding box only.
  const KeyFunction* hash = FindKey(s, 0xD8, 0);
  ASSERT_NE(hash, nullptr);
  EXPECT_LE(hash->rect.right, corners[3].x);
}

TEST(ReferenceData, LightingModesAndGameKeySets) {
  const AppSettings& s = Reference().settings;
  for (int m = 0; m < 10; ++m) EXPECT_EQ(s.LedModeTable[static_cast<std::size_t>(m)].code, m + 1);
  EXPECT_EQ(s.GaoshouIndex, 1);
  EXPECT_EQ(s.ModesCount, 10);
  EXPECT_LT(s.LEDParam[0], 10);
  // Every key of a game-key set exists on the keyboard (else applying the set logs an error).
  int sets = 0;
  for (const auto& set : s.GameKeySets) {
    bool any = false;
    for (uint8_t vk : set) {
      if (vk == 0) continue;
      any = true;
      const bool modifier = vk >= 0xA0 && vk <= 0xA5;
      const uint8_t bit = modifier ? std::array<uint8_t, 6>{0x02, 0x20, 0x01, 0x10, 0x04, 0x40}[vk - 0xA0] : 0;
      EXPECT_NE(modifier ? FindKey(s, 0, bit) : FindKey(s, vk, 0), nullptr) << int(vk);
    }
    sets += any;
  }
  EXPECT_EQ(sets, 8);
  // The key whose function cannot be changed is the Fn key.
  EXPECT_NE(FindKey(s, s.KeyNotSet[0], 0), nullptr);
}
