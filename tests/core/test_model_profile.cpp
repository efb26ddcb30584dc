// SPDX-License-Identifier: GPL-2.0-or-later
// The profile record, its defaults, and the identifier scheme.
#include <gtest/gtest.h>

#include <set>

#include "base/identifier.h"
#include "model/profile.h"
#include "model/profile_store.h"
#include "tests/core/test_model_support.h"

namespace {

IdentifierTime g_fakeTime;
IdentifierTime FakeClock() { return g_fakeTime; }

struct FakeClockScope {
  explicit FakeClockScope(IdentifierTime t) {
    g_fakeTime = t;
    SetIdentifierClock(FakeClock);
  }
  ~FakeClockScope() { SetIdentifierClock(nullptr); }
};

std::string Image(const Profile& p) {
  std::array<uint8_t, kProfileSize> bytes;
  ProfileToBytes(p, bytes);
  return AsString(bytes.data(), bytes.size());
}

}  // namespace

TEST(ProfileRecord, StoredImageMatchesHandMadeBytes) {
  Profile p;
  p.signature = kProfileSignature;
  p.id = 0x4A5B6C;
  p.SetName(u"Game");
  p.linkedProgram[0] = u'x';
  p.keys[1].code = KeyFunction::MakeCode(KIND_KEY, 0xA0);
  p.keys[1].rect = {-1, 2, 3, 4};
  p.keys[1].matrixPos = 7;
  p.keys[1].macroId = 0x123456;
  p.keys[1].modifiers = 0x03;
  p.keys[1].key1 = 0x41;
  p.keys[1].key2 = 0x42;
  p.ledMode = 9;
  p.modeSettings[29] = {3, 5};
  p.colourGroup = 0x0102;
  p.groupEdited[14] = 1;
  p.colours[14][125] = 0x00112233;

  std::string want(kProfileSize, '\0');
  Put32(want, 0, 0xFCFB6D15);
  Put32(want, 4, 0x4A5B6C);
  Put16(want, 8, u'x');
  PutText(want, 528, u"Game");
  const std::size_t key1 = 612 + 36;
  Put32(want, key1, 0x020000A0);
  Put32(want, key1 + 4, 0xFFFFFFFF);
  Put32(want, key1 + 8, 2);
  Put32(want, key1 + 12, 3);
  Put32(want, key1 + 16, 4);
  Put32(want, key1 + 20, 7);
  Put32(want, key1 + 24, 0x123456);
  want[key1 + 28] = 0x03;
  want[key1 + 29] = 0x41;
  want[key1 + 30] = 0x42;
  Put32(want, 5148, 9);
  want[5152 + 58] = 3;
  want[5152 + 59] = 5;
  Put16(want, 5212, 0x0102);
  want[5214 + 14] = 1;
  Put32(want, 5232 + (14 * 126 + 125) * 4, 0x00112233);
  EXPECT_EQ(Image(p), want);

  const Profile back = ProfileFromBytes(std::span<const uint8_t, kProfileSize>(
      reinterpret_cast<const uint8_t*>(want.data()), kProfileSize));
  EXPECT_EQ(Image(back), want);
  EXPECT_EQ(back.Name(), u"Game");
}

TEST(ProfileRecord, ReaderTreatsAnyKeyLayerAsZeroAndNamesAreCut) {
  std::string bytes(kProfileSize, '\0');
  Put32(bytes, 0, kProfileSignature);
  Put32(bytes, 4, 1);
  Put32(bytes, 608, 3);
  const Profile p = ProfileFromBytes(std::span<const uint8_t, kProfileSize>(
      reinterpret_cast<const uint8_t*>(bytes.data()), kProfileSize));
  EXPECT_EQ(p.keyLayer, 0);

  Profile named;
  named.SetName(u"abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(named.Name(), u"abcdefghijklmnopqrs");  // 19 characters
  EXPECT_EQ(named.name[19], u'\0');
}

TEST(ProfileIdentifier, PacksTheClock) {
  EXPECT_EQ(PackIdentifier({13, 59, 58, 1234}), (13u << 20) | (59u << 14) | (58u << 8) | (1234u & 255));
  EXPECT_EQ(PackIdentifier({29, 0, 0, 0}), 13u << 20);  // only the hour modulo 16
}

TEST(ProfileIdentifier, IsNeverZero) {
  // At 16:00:00 with a millisecond low byte of 0 the clock alone gives 0.
  ASSERT_EQ(PackIdentifier({16, 0, 0, 256}), 0u);
  FakeClockScope clock({16, 0, 0, 256});
  EXPECT_NE(NewIdentifier(), 0u);
  ProfileStore store;
  EXPECT_NE(store.Create(u"P", TestSettings())->id, 0u);
}

TEST(ProfileIdentifier, SkipsIdentifiersAlreadyHeld) {
  // Sixteen hours apart the clock gives the same value again.
  FakeClockScope clock({3, 10, 20, 30});
  ProfileStore store;
  const uint32_t first = store.Create(u"A", TestSettings())->id;
  g_fakeTime = {19, 10, 20, 30};
  const uint32_t second = store.Create(u"B", TestSettings())->id;
  EXPECT_EQ(first, PackIdentifier({3, 10, 20, 30}));
  EXPECT_NE(second, first);
  EXPECT_EQ(store.FindById(first)->Name(), u"A");
  EXPECT_EQ(store.FindById(second)->Name(), u"B");
}

TEST(ProfileIdentifier, TwoMadeInARowDiffer) {
  std::set<uint32_t> ids;
  for (int i = 0; i < 3; ++i) ids.insert(NewIdentifier());
  EXPECT_EQ(ids.size(), 3u);
  for (uint32_t id : ids) EXPECT_EQ(id & ~kIdentifierMask, 0u);
}

TEST(ProfileDefaults, NewProfileTakesKeyTableAndLighting) {
  const AppSettings s = TestSettings();
  Profile p = MakeProfile(0x55, u"One", s);
  EXPECT_EQ(p.signature, kProfileSignature);
  EXPECT_EQ(p.id, 0x55u);
  EXPECT_EQ(p.Name(), u"One");
  EXPECT_EQ(std::memcmp(p.keys.data(), s.KeyTable.keys.data(), sizeof p.keys), 0);
  EXPECT_EQ(p.ledMode, 2);
  EXPECT_EQ(p.modeSettings[2].speed, 1);
  EXPECT_EQ(p.modeSettings[2].brightness, 4);
  EXPECT_EQ(p.modeSettings[0].speed, 3);
  EXPECT_EQ(p.modeSettings[29].brightness, 5);
  EXPECT_EQ(p.colourGroup, 0);
  for (uint8_t e : p.groupEdited) EXPECT_EQ(e, 1);
  EXPECT_EQ(ChangedKeyCount(p, s.KeyTable), 0);

  // Reset keeps identity, clears the linked program and restores the keys and lighting.
  p.linkedProgram[0] = u'g';
  p.keys[3].code = KeyFunction::MakeCode(KIND_MEDIA, 34);
  p.ledMode = 7;
  p.colours[9][0] = 5;
  EXPECT_EQ(ChangedKeyCount(p, s.KeyTable), 1);
  ResetProfileToDefaults(p, s);
  EXPECT_EQ(p.id, 0x55u);
  EXPECT_EQ(p.Name(), u"One");
  EXPECT_EQ(p.LinkedProgram(), u"");
  EXPECT_EQ(p.ledMode, 2);
  EXPECT_EQ(p.colours[9][0], 0u);
  EXPECT_EQ(ChangedKeyCount(p, s.KeyTable), 0);
}

TEST(ProfileDefaults, PresetGroupsLightTheirKeys) {
  const AppSettings s = TestSettings();
  const Profile p = MakeProfile(1, u"x", s);
  // Group 0: A, S, D, W, the arrows and Esc.
  std::set<int> lit;
  for (int pos = 0; pos < kKeyCount; ++pos) {
    if (p.colours[0][static_cast<std::size_t>(pos)] != 0) lit.insert(pos);
  }
  std::set<int> want;
  for (int vk : {0x41, 0x53, 0x44, 0x57, 0x26, 0x28, 0x25, 0x27, 0x1B}) want.insert(MatrixPositionOfVirtualKey(s.KeyTable, static_cast<uint8_t>(vk)));
  EXPECT_EQ(lit, want);
  EXPECT_EQ(p.colours[0][static_cast<std::size_t>(MatrixPositionOfVirtualKey(s.KeyTable, 'A'))], 0x00FFFFFFu);
  // Group 1 holds the left modifiers, found through the modifier records.
  for (uint8_t vk : {0xA2, 0xA0, 0xA4}) {
    const int pos = MatrixPositionOfVirtualKey(s.KeyTable, vk);
    ASSERT_GE(pos, 0);
    EXPECT_NE(p.colours[1][static_cast<std::size_t>(pos)], 0u);
  }
  // Group 4 has the key left of 1; groups 8 and up are unlit without game-key sets.
  EXPECT_NE(p.colours[4][static_cast<std::size_t>(MatrixPositionOfVirtualKey(s.KeyTable, 0xC0))], 0u);
  for (int g = kPresetGroupCount; g < kColourGroupCount; ++g) {
    for (COLORREF c : p.colours[static_cast<std::size_t>(g)]) EXPECT_EQ(c, 0u);
  }
}

TEST(ProfileDefaults, EmptyKeyTableLeavesEverythingUnlit) {
  AppSettings s;
  s.LEDParam = {0, 4, 5};
  const Profile p = MakeProfile(1, u"x", s);
  for (const KeyFunction& k : p.keys) EXPECT_EQ(k.code, 0u);
  for (const auto& group : p.colours) {
    for (COLORREF c : group) EXPECT_EQ(c, 0u);
  }
}

TEST(ProfileDefaults, GameKeySetsReplaceOrAddGroups) {
  AppSettings s = TestSettings();
  LogRecorder log;
  // A set of zeros changes nothing.
  const Profile plain = MakeProfile(1, u"x", s);
  // Set 3 (group 2) with only A: group 2 has only A lit.
  s.GameKeySets[2][0] = 0x41;
  // Set 10 (group 9) defines a further group; an unknown key is logged and skipped.
  s.GameKeySets[9][0] = 0x51;
  s.GameKeySets[9][4] = 0x7E;  // F15: not on this keyboard
  const Profile p = MakeProfile(1, u"x", s);
  const auto posA = static_cast<std::size_t>(MatrixPositionOfVirtualKey(s.KeyTable, 'A'));
  const auto posQ = static_cast<std::size_t>(MatrixPositionOfVirtualKey(s.KeyTable, 'Q'));
  int litInGroup2 = 0;
  for (COLORREF c : p.colours[2]) litInGroup2 += c != 0 ? 1 : 0;
  EXPECT_EQ(litInGroup2, 1);
  EXPECT_NE(p.colours[2][posA], 0u);
  EXPECT_GT(std::count_if(plain.colours[2].begin(), plain.colours[2].end(), [](COLORREF c) { return c != 0; }), 1);
  EXPECT_NE(p.colours[9][posQ], 0u);
  EXPECT_TRUE(log.Has("Error Value: GaoshouKey[9][4]=0x7e"));
  EXPECT_EQ(std::memcmp(&p.colours[0], &plain.colours[0], sizeof p.colours[0]), 0);
}

TEST(ProfileDefaults, LightingModeBeyondTheTableGivesModeZeroAndKeepsModeSettingsIntact) {
  AppSettings s = TestSettings();
  s.LEDParam = {0x40, 9, 9};
  const Profile p = MakeProfile(1, u"x", s);
  EXPECT_EQ(p.ledMode, 0);
  for (const ModeSetting& m : p.modeSettings) EXPECT_EQ(m.speed, 3);
  EXPECT_EQ(p.colourGroup, 0);
}

TEST(MatrixPosition, FindsKeysAndModifierBits) {
  KeyTable table;
  AddKey(table, KeyRecord(0x41, 40));
  AddKey(table, KeyRecord(0, 50, MOD_LSHIFT | MOD_RCTRL));
  AddKey(table, KeyRecord(0x41, 60));  // a later record for the same key is never found
  KeyFunction media;
  media.code = KeyFunction::MakeCode(KIND_MEDIA, 34);
  media.matrixPos = 70;
  AddKey(table, media);
  EXPECT_EQ(MatrixPositionOfVirtualKey(table, 0x41), 40);
  EXPECT_EQ(MatrixPositionOfVirtualKey(table, 0x10), 50);
  EXPECT_EQ(MatrixPositionOfVirtualKey(table, 0xA0), 50);
  EXPECT_EQ(MatrixPositionOfVirtualKey(table, 0xA3), 50);
  EXPECT_EQ(MatrixPositionOfVirtualKey(table, 0xA2), -1);
  EXPECT_EQ(MatrixPositionOfVirtualKey(table, 0x42), -1);  // other codes never match a modifier record
  EXPECT_EQ(MatrixPositionOfVirtualKey(table, 0), -1);
}

TEST(ProfileStoreList, CurrentPointerFollowsTheList) {
  ProfileStore store;
  const AppSettings s = TestSettings();
  const uint32_t a = store.Create(u"A", s)->id;
  const uint32_t b = store.Create(u"B", s)->id;
  EXPECT_EQ(store.Current(), nullptr);
  EXPECT_TRUE(store.SetCurrent(b));
  EXPECT_FALSE(store.SetCurrent(0x999999));
  EXPECT_EQ(store.Current()->id, b);
  ASSERT_TRUE(store.CopyCurrent().has_value());
  EXPECT_EQ(store.CopyCurrent()->Name(), u"B");
  EXPECT_TRUE(store.Remove(b));
  EXPECT_EQ(store.Current(), nullptr);
  EXPECT_EQ(store.First()->id, a);
  EXPECT_EQ(store.Count(), 1);
  store.Clear();
  EXPECT_EQ(store.Count(), 0);
  EXPECT_FALSE(store.CopyCurrent().has_value());
}
