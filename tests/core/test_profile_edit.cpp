// SPDX-License-Identifier: GPL-2.0-or-later
// The editing rules the main window and the lighting panel share: key flags, locked keys,
// storing key functions with the macro limit, forgetting a macro, the profile buttons after
// a delete and after loading a store of another count, and storing the lighting.
#include <gtest/gtest.h>

#include "base/identifier.h"
#include "macro/macro_library.h"
#include "app/profile_switch.h"
#include "model/profile_edit.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "tests/core/test_model_support.h"

namespace {

struct Edit : ::testing::Test {
  AppSettings settings = TestSettings();
  Profile profile = MakeProfile(0x123, u"P1", settings);
  MacroLibrary library;
  void AddMacros(int n) {
    for (int i = 1; i <= n; ++i) library.Add(TestMacro(static_cast<uint32_t>(i), u"m", {}));
  }
};

}  // namespace

TEST_F(Edit, KeyFlagsMarkOnlyKeysThatDifferFromTheTable) {
  EXPECT_EQ(KeyFunctionFlags(&profile, settings.KeyTable), (std::array<uint32_t, kKeyCount>{}));
  profile.keys[3].key2 = 0x41;  // key 2 counts
  profile.keys[5].matrixPos = 99;  // the position does not
  profile.keys[100] = Combination(1, 'A');  // beyond the table's count
  const auto flags = KeyFunctionFlags(&profile, settings.KeyTable);
  EXPECT_EQ(flags[3], 1u);
  EXPECT_EQ(flags[5], 0u);
  EXPECT_EQ(flags[100], 0u);
  EXPECT_EQ(KeyFunctionFlags(nullptr, settings.KeyTable)[3], 0u);
}

TEST_F(Edit, LockedKeysOpenThePickerOnlyWhileColoursMayBeEdited) {
  // Key 1 is 'A'. No lock while KeyNotSet is all zero.
  EXPECT_FALSE(IsKeyLocked(settings.KeyNotSet, settings.KeyTable, 1));
  settings.KeyNotSet = {0, 'A', 0, 0};
  EXPECT_TRUE(IsKeyLocked(settings.KeyNotSet, settings.KeyTable, 1));
  EXPECT_FALSE(IsKeyLocked(settings.KeyNotSet, settings.KeyTable, 2));
  // A zero byte never locks a key whose key 1 is 0 (the modifier records).
  EXPECT_FALSE(IsKeyLocked(settings.KeyNotSet, settings.KeyTable, 43));

  settings.GaoshouIndex = 1;
  settings.ColorCustomIndex = 8;
  profile.ledMode = 2;
  EXPECT_FALSE(KeyClickOpensPicker(profile, settings, 1));
  EXPECT_TRUE(KeyClickOpensPicker(profile, settings, 2));
  profile.ledMode = 1;
  profile.colourGroup = 7;  // a preset group: colours are not edited
  EXPECT_FALSE(ColourEditingAllowed(profile, settings));
  EXPECT_FALSE(KeyClickOpensPicker(profile, settings, 1));
  profile.colourGroup = 8;
  EXPECT_TRUE(ColourEditingAllowed(profile, settings));
  EXPECT_TRUE(KeyClickOpensPicker(profile, settings, 1));
  EXPECT_FALSE(KeyClickOpensPicker(profile, settings, 126));
}

TEST_F(Edit, StoringCopiesTheTablePlaceAndRefusesTheSameCombination) {
  KeyFunction f = Combination(MOD_LCTRL, 'C');
  f.rect = {1, 1, 2, 2};
  f.matrixPos = 77;
  ASSERT_EQ(StoreKeyFunction(profile, 4, f, settings.KeyTable, library, 10), StoreResult::kStored);
  EXPECT_EQ(profile.keys[4].rect, settings.KeyTable.keys[4].rect);
  EXPECT_EQ(profile.keys[4].matrixPos, settings.KeyTable.keys[4].matrixPos);
  EXPECT_EQ(KeyFunctionFlag(profile, settings.KeyTable, 4), 1u);

  // The same modifiers and key 1 again (another key 2 too) store nothing.
  const Profile before = profile;
  EXPECT_EQ(StoreKeyFunction(profile, 4, Combination(MOD_LCTRL, 'C', 'X'), settings.KeyTable, library, 10),
            StoreResult::kSame);
  EXPECT_EQ(profile.keys[4].key2, before.keys[4].key2);
  // A key's own default stored again is the same too.
  EXPECT_EQ(StoreKeyFunction(profile, 1, settings.KeyTable.keys[1], settings.KeyTable, library, 10), StoreResult::kSame);

  EXPECT_EQ(StoreKeyFunction(profile, -1, f, settings.KeyTable, library, 10), StoreResult::kNothing);
  EXPECT_EQ(StoreKeyFunction(profile, 126, f, settings.KeyTable, library, 10), StoreResult::kNothing);
  profile.id = 0;
  EXPECT_EQ(StoreKeyFunction(profile, 5, f, settings.KeyTable, library, 10), StoreResult::kNothing);
}

TEST_F(Edit, TheEleventhMacroIsRefusedWhileTheTenMayGoOnMoreKeys) {
  AddMacros(11);
  for (int i = 1; i <= 10; ++i) {
    ASSERT_EQ(StoreKeyFunction(profile, i, MacroKey(i), settings.KeyTable, library, 10), StoreResult::kStored);
  }
  EXPECT_EQ(CountProfileMacros(profile, library), 10);
  const Profile before = profile;
  EXPECT_EQ(StoreKeyFunction(profile, 20, MacroKey(11), settings.KeyTable, library, 10), StoreResult::kMacroLimit);
  EXPECT_EQ(profile.keys[20].code, before.keys[20].code);
  EXPECT_EQ(StoreKeyFunction(profile, 20, MacroKey(3), settings.KeyTable, library, 10), StoreResult::kStored);
  EXPECT_EQ(CountProfileMacros(profile, library), 10);

  // A key whose macro the library no longer has does not count.
  library.Remove(1);
  EXPECT_EQ(StoreKeyFunction(profile, 21, MacroKey(11), settings.KeyTable, library, 10), StoreResult::kStored);
}

TEST_F(Edit, ForgettingAMacroGivesItsKeysTheirDefaults) {
  AddMacros(2);
  StoreKeyFunction(profile, 2, MacroKey(1), settings.KeyTable, library, 10);
  StoreKeyFunction(profile, 9, MacroKey(1), settings.KeyTable, library, 10);
  StoreKeyFunction(profile, 11, MacroKey(2), settings.KeyTable, library, 10);
  EXPECT_EQ(ForgetMacro(profile, 1, settings.KeyTable), (std::vector<int>{2, 9}));
  EXPECT_TRUE(IsDefaultFunction(profile.keys[2], settings.KeyTable.keys[2]));
  EXPECT_EQ(profile.keys[9].matrixPos, settings.KeyTable.keys[9].matrixPos);
  EXPECT_EQ(profile.keys[11].macroId, 2);
  EXPECT_TRUE(ForgetMacro(profile, 1, settings.KeyTable).empty());
}

TEST(ProfileButtons, ADeletedProfileIsReplacedInItsSlotByANewDefault) {
  const AppSettings settings = TestSettings();
  SetIdentifierPause(0);
  ProfileStore store;
  for (uint32_t id : {11u, 12u, 13u}) store.Append(MakeProfile(id, u"Profile" + FromUtf8(std::to_string(id - 10)), settings));
  store.FindById(12)->keys[4] = Combination(1, 'A');
  store.SetCurrent(12);
  EXPECT_EQ(DeleteCurrentProfile(store, settings, u"Profile"), 11u);
  EXPECT_EQ(store.Current()->id, 11u);
  ASSERT_EQ(store.Count(), 3);
  const auto ids = ProfileButtonIds(store);
  EXPECT_EQ(ids[0], 11u);
  EXPECT_EQ(ids[2], 13u);
  // The second button still has a profile of its own: new, with the slot's name and defaults.
  EXPECT_NE(ids[1], 0u);
  EXPECT_NE(ids[1], 12u);
  const Profile* fresh = store.FindById(ids[1]);
  EXPECT_EQ(fresh->Name(), u"Profile2");
  EXPECT_EQ(ChangedKeyCount(*fresh, settings.KeyTable), 0);
  // Deleting the first again and again never empties a slot.
  for (int i = 0; i < 3; ++i) DeleteCurrentProfile(store, settings, u"Profile");
  EXPECT_EQ(store.Count(), 3);
  EXPECT_EQ(store.First()->Name(), u"Profile1");
  store.Clear();
  EXPECT_EQ(DeleteCurrentProfile(store, settings, u"Profile"), 0u);
  SetIdentifierPause(-1);
}

TEST(ProfileButtons, AStoredCountOtherThanThreeBecomesThreeWithoutRepeatedNames) {
  const AppSettings settings = TestSettings();
  SetIdentifierPause(0);
  auto names = [](const ProfileStore& store) {
    std::vector<std::u16string> out;
    for (const Profile* p : store.Profiles()) out.push_back(p->Name());
    return out;
  };
  // Two (as an earlier delete left them): the third slot is filled, with a name not taken.
  ProfileStore two;
  two.Append(MakeProfile(1, u"Profile1", settings));
  two.Append(MakeProfile(3, u"Profile3", settings));
  BringStoreToThree(two, 0, settings, u"Profile");
  EXPECT_EQ(names(two), (std::vector<std::u16string>{u"Profile1", u"Profile3", u"Profile2"}));
  ProfileStore none;
  BringStoreToThree(none, 0, settings, u"Profile");
  EXPECT_EQ(names(none), (std::vector<std::u16string>{u"Profile1", u"Profile2", u"Profile3"}));

  // Five (two of the user's and three defaults appended, two of them named alike): the
  // user's, the current one and no name twice are kept, in store order.
  ProfileStore five;
  five.Append(MakeProfile(1, u"Profile1", settings))->keys[2] = Combination(1, 'B');
  five.Append(MakeProfile(3, u"Profile3", settings));
  five.Append(MakeProfile(4, u"Profile1", settings));
  five.Append(MakeProfile(5, u"Profile2", settings));
  SetLinkedProgram(*five.Append(MakeProfile(6, u"Game", settings)), u"game");
  BringStoreToThree(five, 3, settings, u"Profile");
  EXPECT_EQ(ProfileButtonIds(five), (std::array<uint32_t, 3>{1, 3, 6}));
  // Names made alike elsewhere are told apart by their slot.
  ProfileStore same;
  for (uint32_t id : {1u, 2u, 3u, 4u}) same.Append(MakeProfile(id, u"X", settings));
  BringStoreToThree(same, 0, settings, u"Profile");
  EXPECT_EQ(names(same), (std::vector<std::u16string>{u"X", u"Profile2", u"Profile3"}));
  EXPECT_EQ(ProfileButtonIds(same), (std::array<uint32_t, 3>{1, 2, 3}));
  // Three as the user left them are not touched.
  ProfileStore three;
  for (uint32_t id : {1u, 2u, 3u}) three.Append(MakeProfile(id, u"Mine", settings));
  BringStoreToThree(three, 0, settings, u"Profile");
  EXPECT_EQ(names(three), (std::vector<std::u16string>{u"Mine", u"Mine", u"Mine"}));
  SetIdentifierPause(-1);
}

TEST_F(Edit, LightingGoesIntoTheModeAndTheGroupOfTheGameMode) {
  settings.GaoshouIndex = 1;
  settings.SpeedVal = {1, 5};
  settings.LightVal = {0, 5};
  std::array<COLORREF, kKeyCount> picture{};
  picture[0] = 0x0000FF;
  picture[3] = 0x00FF00;
  profile.colours[9] = {};
  StoreLighting(profile, {1, 4, 2, 9}, picture, settings);
  EXPECT_EQ(profile.ledMode, 1);
  EXPECT_EQ(profile.modeSettings[1].speed, 4);
  EXPECT_EQ(profile.modeSettings[1].brightness, 2);
  EXPECT_EQ(profile.colourGroup, 9);
  EXPECT_EQ(profile.colours[9][0], 0x0000FFu);
  EXPECT_EQ(profile.colours[9][3], 0x00FF00u);
  EXPECT_EQ(PictureColours(profile, 1, settings), picture);
  EXPECT_EQ(PictureColours(profile, 2, settings), (std::array<COLORREF, kKeyCount>{}));

  // Outside the game mode the groups stay; a slider outside its range stores 0.
  picture[0] = 0;
  StoreLighting(profile, {3, 0, 6, 9}, picture, settings);
  EXPECT_EQ(profile.modeSettings[3].speed, 0);
  EXPECT_EQ(profile.modeSettings[3].brightness, 0);
  EXPECT_EQ(profile.colours[9][0], 0x0000FFu);
}

TEST_F(Edit, AWrongGroupIsLoggedAndStoredAsGroupZero) {
  LogRecorder log;
  const std::array<COLORREF, kKeyCount> picture{};
  StoreLighting(profile, {2, 3, 3, 15}, picture, settings);
  EXPECT_TRUE(log.Has("Get wrong nCurGameGroup value"));
  EXPECT_EQ(profile.colourGroup, 0);
  // A mode without a button value touches no mode settings.
  const auto before = profile.modeSettings;
  StoreLighting(profile, {-1, 3, 3, 0}, picture, settings);
  EXPECT_EQ(profile.modeSettings[0].speed, before[0].speed);
}

TEST_F(Edit, ChoosingAModeMarksTheCurrentGroupEdited) {
  profile.groupEdited = {};
  profile.colourGroup = 4;
  MarkColourGroupEdited(profile);
  EXPECT_EQ(profile.groupEdited[4], 1);
  profile.colourGroup = 15;
  MarkColourGroupEdited(profile);  // no group 15: nothing written out of the record
  EXPECT_EQ(profile.reserved2, (std::array<uint8_t, 3>{}));
}

TEST(LightingPanelRules, ControlsTextsAndLists) {
  AppSettings s = TestSettings();
  s.LightVal = {0, 5};
  s.LightPercentage = {0, 20, 40, 60, 80, 100};
  s.LightPercentageCount = 6;
  EXPECT_EQ(BrightnessText(3, s), u"60 %");
  s.LightVal = {2, 5};
  EXPECT_EQ(BrightnessText(1, s), u"0 %");  // below the lowest: the first entry
  EXPECT_EQ(BrightnessText(1000, s), u"0 %");  // beyond the setting: its last entry, no overrun
  EXPECT_EQ(SpeedText(4), u"4");

  s.LedModeTable[4] = {4, 1, 0};
  s.GaoshouIndex = 1;
  const ModeControls c = ControlsOfMode(4, s);
  EXPECT_TRUE(c.speed);
  EXPECT_FALSE(c.brightness);
  EXPECT_FALSE(c.game);
  EXPECT_TRUE(ControlsOfMode(1, s).game);
  EXPECT_FALSE(ControlsOfMode(30, s).speed);

  TextTable texts;
  texts.tc_led_mode[0] = u"Static";
  texts.tc_led_mode[1] = u"Game";
  texts.tc_led_mode[2] = u"Wave";
  texts.tc_led_mode[3] = u"Ripple";
  for (int i = 0; i < 30; ++i) s.Modes[static_cast<std::size_t>(i)] = static_cast<uint8_t>(29 - i);
  s.LedMask = 1 << 2;
  EXPECT_EQ(LightingModeItems(texts, s), (std::vector<ChoiceItem>{{29, u"Static"}, {28, u"Game"}, {26, u"Ripple"}}));
  s.LedMask = 0;
  texts.tc_led_mode[2].clear();
  EXPECT_EQ(LightingModeItems(texts, s).size(), 2u);

  texts.tc_clr_str[0] = u"Group one";
  texts.tc_clr_str[1] = u"A name that is far longer than twenty-nine";
  texts.tc_clr_str[2] = u"Three";
  s.GameMask = 0b001;
  const auto groups = ColourGroupItems(texts, s);
  ASSERT_EQ(groups.size(), 2u);
  EXPECT_EQ(groups[0].value, 1);
  EXPECT_EQ(groups[0].text.size(), 29u);
  EXPECT_EQ(groups[1], (ChoiceItem{2, u"Three"}));
}
