// SPDX-License-Identifier: GPL-2.0-or-later
// Macro records, their file image, the list container and the macro library.
#include <gtest/gtest.h>

#include "base/identifier.h"
#include "macro/cmylist.h"
#include "macro/macro_library.h"
#include "model/profile.h"
#include "tests/core/test_model_support.h"

namespace {

IdentifierTime g_time;
IdentifierTime FixedClock() { return g_time; }

}  // namespace

TEST(MacroFileImage, RotatesEveryByte) {
  EXPECT_EQ(RotateForFile(0x01), 0x40);
  EXPECT_EQ(RotateForFile(0x80), 0x20);
  EXPECT_EQ(RotateForFile(0xFF), 0xFF);
  for (int b = 0; b < 256; ++b) EXPECT_EQ(RotateFromFile(RotateForFile(static_cast<uint8_t>(b))), b);

  MacroRecord m = MakeDefaultMacro(0x123456, u"Jump");
  m.dwFlags = kMacroDirtyBits;
  m.Events[0] = {0x41, 1, 95};
  m.Events[1] = {0x41, 0, 0};
  const auto image = MacroFileImage(m);
  // The record's bytes by hand, then rotated right by two bits.
  std::string plain(kMacroRecordSize, '\0');
  Put32(plain, 0, 0xFAFB88A0);
  Put32(plain, 4, 0x123456);
  Put32(plain, 8, 0);  // dirty bits are not stored
  Put32(plain, 12, 1);
  Put32(plain, 16, 0);
  PutText(plain, 20, u"Jump");
  Put32(plain, 100, 0);
  Put16(plain, 104, 1);
  Put16(plain, 106, 0x41);
  Put16(plain, 108, 1);
  Put32(plain, 110, 95);
  Put16(plain, 114, 0x41);
  std::string want = plain;
  for (char& c : want) c = static_cast<char>(RotateForFile(static_cast<uint8_t>(c)));
  EXPECT_EQ(AsString(image.data(), image.size()), want);
  EXPECT_EQ(AsString(image.data(), 4), std::string("\x28\x22\xFE\xBE", 4));

  const MacroRecord back = MacroFromFileImage(image);
  EXPECT_EQ(uint32_t{back.dwMacroId}, 0x123456u);
  EXPECT_EQ(uint32_t{back.dwFlags}, 0u);
  EXPECT_EQ(back.Name(), u"Jump");
  EXPECT_EQ(back.EventCount(), 2);
  EXPECT_EQ(uint32_t{back.Events[0].dwDelay}, 95u);
}

TEST(MacroRecordFields, DefaultsAndNames) {
  const MacroRecord m = MakeDefaultMacro(7, u"a name much longer than thirty-nine characters");
  EXPECT_EQ(uint32_t{m.dwMagicNumber}, kMacroMagic);
  EXPECT_EQ(uint32_t{m.dwAutoDelay}, 1u);
  EXPECT_EQ(uint32_t{m.dwRepeatMode}, 0u);
  EXPECT_EQ(uint16_t{m.wLoopCount}, 1);
  EXPECT_EQ(int32_t{m.Macro_Buffer_ID}, 0);
  EXPECT_EQ(m.EventCount(), 0);
  EXPECT_EQ(m.Name().size(), 39u);
  EXPECT_EQ(m.szName[39], u'\0');
}

TEST(MacroRecordFields, UnsupportedMouseCodes) {
  MacroRecord m = TestMacro(1, u"m", {{0x41, 1, 0}, {0xF0, 1, 0}, {0xF0, 0, 0}});
  EXPECT_TRUE(MacroHasUnsupportedKey(m, 0));
  EXPECT_FALSE(MacroHasUnsupportedKey(m, 1));
  m.Events[3] = {0xF1, 1, 0};
  EXPECT_TRUE(MacroHasUnsupportedKey(m, 1));
  EXPECT_FALSE(MacroHasUnsupportedKey(m, 3));
  m.Events[4] = {0xF6, 1, 0};
  EXPECT_TRUE(MacroHasUnsupportedKey(m, 0x3F));
  EXPECT_FALSE(MacroHasUnsupportedKey(m, 0x7F));
  // Events after the first zero key code are not looked at.
  MacroRecord ended = TestMacro(1, u"e", {{0x41, 1, 0}});
  ended.Events[5] = {0xF0, 1, 0};
  EXPECT_FALSE(MacroHasUnsupportedKey(ended, 0));
}

TEST(MacroRecordFields, SameContentIgnoresIdNameFlagsAndSlot) {
  MacroRecord a = TestMacro(1, u"a", {{0x41, 1, 10}});
  MacroRecord b = a;
  b.dwMacroId = 2;
  b.SetName(u"b");
  b.dwFlags = kMacroDirtyBits;
  b.Macro_Buffer_ID = 3;
  EXPECT_TRUE(SameMacroContent(a, b));
  b.Events[0].dwDelay = 20;
  EXPECT_FALSE(SameMacroContent(a, b));
  b = a;
  b.wLoopCount = 2;
  EXPECT_FALSE(SameMacroContent(a, b));
}

TEST(MyList, OwningAndReferringModes) {
  struct Item {
    int* destroyed;
    ~Item() { ++*destroyed; }
  };
  int destroyed = 0;
  int callbacks = 0;
  {
    CMyList<Item> list;
    EXPECT_EQ(list.Mode(), kListRefersToItems);
    Item kept{&destroyed};
    list.Append(&kept);
    list.RemoveAll();
    EXPECT_EQ(destroyed, 0);  // not owned

    list.SetMode(kListOwnsItems, [&](Item*) { ++callbacks; });
    Item* first = list.Append(std::make_unique<Item>(Item{&destroyed}));
    destroyed = 0;  // the temporary moved from above
    list.Append(std::make_unique<Item>(Item{&destroyed}));
    destroyed = 0;
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Head(), first);
    list.Remove(list.begin());
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(callbacks, 1);
    EXPECT_EQ(list.Count(), 1);
  }
  EXPECT_EQ(destroyed, 3);  // the second owned item and `kept`
  EXPECT_EQ(callbacks, 2);
}

TEST(MacroLibraryList, FindsTheFirstRecordOfAnId) {
  MacroLibrary library;
  library.Add(TestMacro(5, u"first", {}));
  library.Add(TestMacro(6, u"other", {}));
  library.Add(TestMacro(5, u"second", {}));
  EXPECT_EQ(library.Count(), 3);
  EXPECT_EQ(library.FindMacroById(5)->Name(), u"first");
  EXPECT_EQ(library.FindMacroById(9), nullptr);
  EXPECT_TRUE(library.Remove(5));
  EXPECT_EQ(library.FindMacroById(5)->Name(), u"second");
  EXPECT_FALSE(library.Remove(9));
  library.Clear();
  EXPECT_EQ(library.Count(), 0);
}

TEST(MacroLibraryList, FullAtTwoThousand) {
  MacroLibrary library;
  for (uint32_t i = 1; i < 2000; ++i) library.Add(TestMacro(i, u"m", {}));
  EXPECT_FALSE(library.Full());
  library.Add(TestMacro(2000, u"m", {}));
  EXPECT_TRUE(library.Full());
}

TEST(MacroLibraryList, NewIdsNeverRepeatAnIdOfTheLibrary) {
  g_time = {2, 30, 15, 40};
  SetIdentifierClock(FixedClock);
  MacroLibrary library;
  const uint32_t first = library.NewMacroId();
  library.Add(TestMacro(first, u"made at 02:30", {}));
  // Sixteen hours later the clock gives the same value.
  g_time = {18, 30, 15, 40};
  const uint32_t second = library.NewMacroId();
  library.Add(TestMacro(second, u"made at 18:30", {}));
  const uint32_t third = library.NewMacroId();
  SetIdentifierClock(nullptr);
  EXPECT_NE(second, first);
  EXPECT_NE(third, first);
  EXPECT_NE(third, second);
  EXPECT_EQ(library.FindMacroById(first)->Name(), u"made at 02:30");
  EXPECT_EQ(library.FindMacroById(second)->Name(), u"made at 18:30");
}

TEST(MacroLibraryList, SnapshotsAreCopiesForOneRun) {
  MacroLibrary library;
  library.Add(TestMacro(1, u"a", {}));
  library.Add(TestMacro(2, u"b", {}));
  library.Add(TestMacro(3, u"c", {}));
  Profile p{};
  p.keys[0].code = KeyFunction::MakeCode(KIND_MACRO, 0);
  p.keys[0].macroId = 3;
  p.keys[1] = p.keys[0];
  p.keys[2].code = KeyFunction::MakeCode(KIND_MACRO, 0);
  p.keys[2].macroId = 1;
  MacroSet set = library.SnapshotFor(p.keys);
  ASSERT_EQ(set.Records().size(), 2u);
  EXPECT_EQ(uint32_t{set.Records()[0].dwMacroId}, 1u);  // library order
  set.FindMacroById(1)->Macro_Buffer_ID = 4;
  EXPECT_EQ(int32_t{library.FindMacroById(1)->Macro_Buffer_ID}, 0);
  EXPECT_EQ(library.Snapshot().Records().size(), 3u);
}
