// SPDX-License-Identifier: GPL-2.0-or-later
// The key function picker's rules: a combination typed as one quick sequence of presses
// (the 300 ms gap, modifier sorts, key 1 and key 2, held keys, the layout remap), the media
// list, and the function OK makes of each page's choice.
#include <gtest/gtest.h>

#include <cstring>

#include "model/key_pick.h"
#include "platform/virtual_keys.h"
#include "text/text_table.h"

namespace {

class Typing {
 public:
  explicit Typing(int kbType = 0) : kbType_(kbType) {}
  // A press and its release at the time given.
  void Tap(uint8_t vk, uint64_t atMs) { Press(vk, atMs), Release(vk, atMs + 20); }
  bool Press(uint8_t vk, uint64_t atMs) { return AddPickerKey(combination, history, vk, false, atMs, kbType_); }
  bool Release(uint8_t vk, uint64_t atMs) { return AddPickerKey(combination, history, vk, true, atMs, kbType_); }
  PickedCombination combination;
  KeyPressHistory history;

 private:
  int kbType_;
};

}  // namespace

TEST(PickerCapture, ModifiersAndKeysWithinTheGapMakeOneCombination) {
  Typing t;
  t.Press(VK_LCONTROL, 1000);
  t.Press(VK_LSHIFT, 1200);
  t.Press('A', 1499);  // 299 ms after Shift
  EXPECT_EQ((PickedCombination{0x03, 'A', 0}), t.combination);

  // 300 ms or more after the previous press starts anew.
  Typing late;
  late.Press(VK_LCONTROL, 1000);
  late.Press(VK_LSHIFT, 1200);
  late.Press('A', 1500);
  EXPECT_EQ((PickedCombination{0, 'A', 0}), late.combination);
}

TEST(PickerCapture, AModifierOfASortAlreadyInOrAThirdKeyStartsAnew) {
  Typing t;
  t.Tap(VK_LCONTROL, 0);
  t.Tap(VK_RCONTROL, 50);  // the same sort, the other side
  EXPECT_EQ((PickedCombination{0x10, 0, 0}), t.combination);
  t.Tap(VK_CONTROL, 100);
  EXPECT_EQ((PickedCombination{0x01, 0, 0}), t.combination);
  t.Tap(VK_RMENU, 150);
  t.Tap(VK_RWIN, 200);
  t.Tap(VK_RSHIFT, 250);
  EXPECT_EQ((PickedCombination{0xE1, 0, 0}), t.combination);

  Typing keys;
  keys.Tap('A', 0);
  keys.Tap('B', 100);
  EXPECT_EQ((PickedCombination{0, 'A', 'B'}), keys.combination);
  keys.Tap('C', 200);
  EXPECT_EQ((PickedCombination{0, 'C', 0}), keys.combination);
  // The same key again stays key 1.
  keys.Tap('C', 250);
  EXPECT_EQ((PickedCombination{0, 'C', 0}), keys.combination);
}

TEST(PickerCapture, AHeldKeyCountsOnceAndReleasesOnlyUpdateTheLastEvent) {
  Typing t;
  EXPECT_TRUE(t.Press(VK_LSHIFT, 0));
  for (uint64_t ms = 30; ms < 2000; ms += 30) EXPECT_FALSE(t.Press(VK_LSHIFT, ms));
  // The repeats kept no time: the gap counts from the first press.
  EXPECT_FALSE(t.Release(VK_LSHIFT, 2000));
  t.Press('Z', 2010);
  EXPECT_EQ((PickedCombination{0, 'Z', 0}), t.combination);
  EXPECT_EQ(2010u, t.history.lastPressMs);
}

TEST(PickerCapture, CapturedKeysPassTheLayoutRemap) {
  Typing yz(1);
  yz.Tap('Y', 0);
  yz.Tap('A', 50);
  EXPECT_EQ((PickedCombination{0, 'Z', 'A'}), yz.combination);
  Typing aq(2);
  aq.Press(VK_LCONTROL, 0);
  aq.Press('A', 10);
  EXPECT_EQ((PickedCombination{0x01, 'Q', 0}), aq.combination);
}

TEST(PickerRules, TheMediaList) {
  ASSERT_EQ(12u, MediaPickItems().size());
  EXPECT_EQ(0x04000021u, MediaPickItems().front().code);
  EXPECT_EQ(0x04000034u, MediaPickItems().back().code);
  TextTable text;
  text.tc_kbmedia_msel = std::u16string(40, u'm');
  EXPECT_EQ(29u, MediaPickCaption(MediaPickItems()[0], text).size());
}

TEST(PickerRules, OkMakesTheFunctionOfThePageOrKeepsTheKeysOwn) {
  KeyFunction current;
  current.code = 0x01000004;
  current.matrixPos = 17;
  current.rect = {1, 2, 3, 4};

  KeyFunction f = current;
  EXPECT_TRUE(PickedFunction(PickerChoice{}, f));  // no page chosen
  EXPECT_EQ(0, std::memcmp(&current, &f, sizeof f));

  PickerChoice keys;
  keys.page = PAGE_KEYS;
  EXPECT_FALSE(PickedFunction(keys, f));
  keys.combination = {0x03, 'A', 'B'};
  ASSERT_TRUE(PickedFunction(keys, f));
  EXPECT_EQ(0x02000000u, f.code);
  EXPECT_EQ((std::array<uint8_t, 3>{0x03, 'A', 'B'}), (std::array<uint8_t, 3>{f.modifiers, f.key1, f.key2}));
  EXPECT_EQ(0, f.matrixPos);
  EXPECT_EQ(0, f.rect.left);

  PickerChoice macro;
  macro.page = PAGE_MACRO;
  f = current;
  EXPECT_FALSE(PickedFunction(macro, f));  // nothing or a folder selected
  macro.macroId = 0x7ABCDEF1;
  ASSERT_TRUE(PickedFunction(macro, f));
  EXPECT_EQ(0x05000000u, f.code);
  EXPECT_EQ(0xBCDEF1, f.macroId);
  EXPECT_EQ(0, f.matrixPos);

  PickerChoice media;
  media.page = PAGE_MEDIA;
  f = current;
  EXPECT_FALSE(PickedFunction(media, f));
  media.mediaCode = 0x04000028;
  ASSERT_TRUE(PickedFunction(media, f));
  EXPECT_EQ(0x04000028u, f.code);
  EXPECT_EQ(0, f.macroId);
  EXPECT_EQ(0, f.rect.right);
}
