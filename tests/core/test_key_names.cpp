// SPDX-License-Identifier: GPL-2.0-or-later
// Key names, the two key-combination texts and the display names of key functions, with
// a hand-made keyboard layout and text table.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app/program_settings.h"
#include "macro/macro_library.h"
#include "model/key_combination_text.h"
#include "model/key_names.h"
#include "platform/keyboard_layout.h"
#include "text/text_table.h"
#include "tests/support/test_support.h"

namespace {

// A layout with the characters it is given, counting the questions it is asked.
class FakeLayout : public KeyboardLayout {
 public:
  explicit FakeLayout(std::map<unsigned, char32_t> keys) : keys_(std::move(keys)) {}
  char32_t KeyCharacter(unsigned evdevCode) const override {
    ++asked;
    const auto it = keys_.find(evdevCode);
    return it == keys_.end() ? 0 : it->second;
  }
  mutable int asked = 0;

 private:
  std::map<unsigned, char32_t> keys_;
};

TextTable MouseTexts() {
  TextTable t;
  t.tc_space = u"Leertaste";
  t.tc_click = u"Linksklick";
  t.tc_menu = u"Rechtsklick";
  t.tc_middle = u"Mittelklick";
  return t;
}

class KeyNames : public ::testing::Test {
 protected:
  std::u16string Name(uint32_t code, int kbType = 0) const {
    return KeyName(code, KeyNaming{kbType, texts_, UsKeyboardLayout()});
  }
  TextTable texts_ = MouseTexts();
};

TEST_F(KeyNames, FixedWordsDigitsKeypadAndFunctionKeys) {
  const std::map<uint32_t, std::u16string> expected = {
      {0x08, u"Backspace"}, {0x09, u"Tab"},        {0x0C, u"Clr"},          {0x10, u"Shift"},
      {0x11, u"Ctrl"},      {0x12, u"Alt"},        {0x13, u"Pause"},        {0x14, u"CapsLock"},
      {0x1B, u"Esc"},       {0x21, u"PageUp"},     {0x22, u"PageDown"},     {0x23, u"End"},
      {0x24, u"Home"},      {0x25, u"Left"},       {0x26, u"Up"},           {0x27, u"Right"},
      {0x28, u"Down"},      {0x29, u"Select"},     {0x2A, u"Print"},        {0x2C, u"PrintScreen"},
      {0x2D, u"Insert"},    {0x2E, u"Delete"},     {0x2F, u"Help"},         {0x30, u"0"},
      {0x35, u"5"},         {0x39, u"9"},          {0x5B, u"L_Win"},        {0x5C, u"R_Win"},
      {0x5D, u"App"},       {0x60, u"Num 0"},      {0x69, u"Num 9"},        {0x6A, u"Num *"},
      {0x6B, u"Num +"},     {0x6C, u"\\"},         {0x6D, u"Num -"},        {0x6E, u"Num ."},
      {0x6F, u"Num /"},     {0x70, u"F1"},         {0x79, u"F10"},          {0x7B, u"F12"},
      {0x90, u"NumLock"},   {0x91, u"Scroll Lock"}, {0xA0, u"L_Shift"},     {0xA1, u"R_Shift"},
      {0xA2, u"L_Ctrl"},    {0xA3, u"R_Ctrl"},     {0xA4, u"L_Alt"},        {0xA5, u"R_Alt"},
      {0xFA, u"Fn"},
  };
  for (const auto& [code, name] : expected) EXPECT_EQ(Name(code), name) << std::hex << code;
}

TEST_F(KeyNames, EnterKeypadEnterAndExecuteAllReadEnter) {
  EXPECT_EQ(Name(0x0D), u"Enter");
  EXPECT_EQ(Name(0xFD), u"Enter");
  EXPECT_EQ(Name(0x2B), u"Enter");
}

TEST_F(KeyNames, SpaceAndMouseButtonsComeFromTheTextTable) {
  EXPECT_EQ(Name(0x20), u"Leertaste");
  EXPECT_EQ(Name(0xF0), u"Linksklick");
  EXPECT_EQ(Name(0xF1), u"Rechtsklick");
  EXPECT_EQ(Name(0xF2), u"Mittelklick");
  texts_.tc_click.clear();
  EXPECT_EQ(Name(0xF0), u"");
}

TEST_F(KeyNames, OtherCodesShowTheLayoutCharacter) {
  // The US layout: letters in upper case, punctuation as typed without Shift.
  EXPECT_EQ(Name(0x41), u"A");
  EXPECT_EQ(Name(0x5A), u"Z");
  EXPECT_EQ(Name(0xBA), u";");
  EXPECT_EQ(Name(0xBB), u"=");
  EXPECT_EQ(Name(0xBD), u"-");
  EXPECT_EQ(Name(0xC0), u"`");
  EXPECT_EQ(Name(0xDB), u"[");
  EXPECT_EQ(Name(0xDC), u"\\");
  EXPECT_EQ(Name(0xDE), u"'");

  // Another layout: whatever it puts on the key, also beyond the 16-bit range.
  FakeLayout layout({{30, U'Q'}, {40, U'\u00C4'}, {39, U'\U0001D400'}});
  const KeyNaming naming{0, texts_, layout};
  EXPECT_EQ(KeyName(0x41, naming), u"Q");
  EXPECT_EQ(KeyName(0xDE, naming), u"\u00C4");
  EXPECT_EQ(KeyName(0xBA, naming), u"\U0001D400");
  // The layout has no character for the key.
  EXPECT_EQ(KeyName(0x42, naming), u"");
}

TEST_F(KeyNames, UnknownCodesAreEmpty) {
  FakeLayout layout({{30, U'A'}});
  const KeyNaming naming{0, texts_, layout};
  // Codes no key gives are not asked of the layout.
  for (uint32_t code : {0x00u, 0x07u, 0xE0u, 0xF3u, 0xF4u, 0xFEu}) {
    EXPECT_EQ(KeyName(code, naming), u"") << std::hex << code;
  }
  EXPECT_EQ(layout.asked, 0);
  EXPECT_EQ(KeyName(0xFF, naming), u"");
  // A key without a character: F13 and the volume keys.
  EXPECT_EQ(KeyName(0x7C, naming), u"");
  EXPECT_EQ(KeyName(0xAD, naming), u"");
  // Surrogates and values beyond Unicode are no characters.
  FakeLayout broken({{30, 0xD800}, {31, 0x110000}});
  EXPECT_EQ(KeyName(0x41, KeyNaming{0, texts_, broken}), u"");
  EXPECT_EQ(KeyName(0x53, KeyNaming{0, texts_, broken}), u"");
}

TEST_F(KeyNames, OnlyTheLowByteCounts) {
  EXPECT_EQ(Name(0x141), u"A");
  EXPECT_EQ(Name(0xFF0D), u"Enter");
  EXPECT_EQ(Name(0x10020), u"Leertaste");
  EXPECT_EQ(Name(0x1FF), u"");
}

TEST_F(KeyNames, LayoutVariantsRenameBeforeNaming) {
  // Variant 1 swaps Y and Z and moves the punctuation keys.
  EXPECT_EQ(Name(0x59, 1), Name(0x5A));
  EXPECT_EQ(Name(0x5A, 1), Name(0x59));
  EXPECT_EQ(Name(0x59, 1), u"Z");
  EXPECT_EQ(Name(0xBA, 1), u"`");   // named as 0xC0
  EXPECT_EQ(Name(0xDC, 1), u"/");   // named as 0xBF
  EXPECT_EQ(Name(0x41, 1), u"A");   // not listed: unchanged
  // Variant 2 swaps A and Q, W and Z.
  EXPECT_EQ(Name(0x41, 2), u"Q");
  EXPECT_EQ(Name(0x51, 2), u"A");
  EXPECT_EQ(Name(0x57, 2), u"Z");
  EXPECT_EQ(Name(0x4D, 2), u",");   // named as 0xBC
  // The high bits of a code do not hide it from the remap.
  EXPECT_EQ(Name(0x159, 1), u"Z");
  // Variant 0 and unknown variants leave codes alone.
  EXPECT_EQ(Name(0x59, 0), u"Y");
  EXPECT_EQ(Name(0x59, 3), u"Y");
  EXPECT_EQ(Name(0x41, -1), u"A");
}

class KeyCombinations : public KeyNames {
 protected:
  std::u16string Side(uint8_t mods, uint8_t k1, uint8_t k2, int kbType = 0) const {
    return KeyCombinationText(mods, k1, k2, KeyNaming{kbType, texts_, UsKeyboardLayout()});
  }
  std::u16string Short(uint8_t mods, uint8_t k1, uint8_t k2, int kbType = 0) const {
    return ShortKeyCombinationText(mods, k1, k2, KeyNaming{kbType, texts_, UsKeyboardLayout()});
  }
};

TEST_F(KeyCombinations, SideSpecificNamesEachModifierInItsOrder) {
  EXPECT_EQ(Side(0x01, 'A', 'B'), u"L-Ctrl + A + B");
  EXPECT_EQ(Side(0x11, 0, 0), u"L-Ctrl + R-Ctrl");
  EXPECT_EQ(Side(0x11, 'A', 0), u"L-Ctrl + R-Ctrl + A");
  EXPECT_EQ(Side(0xFF, 0, 0), u"L-Ctrl + L-Alt + L-Shift + L-Win + R-Ctrl + R-Alt + R-Shift + R-Win");
  EXPECT_EQ(Side(0x24, 0x70, 0), u"L-Alt + R-Shift + F1");
  EXPECT_EQ(Side(0x80, 0x5B, 0), u"R-Win + L_Win");
}

TEST_F(KeyCombinations, ShortNamesEachModifierOnceWhicheverSide) {
  EXPECT_EQ(Short(0x11, 'A', 0), u"Ctrl + A");
  EXPECT_EQ(Short(0x10, 'A', 'B'), u"Ctrl + A + B");
  EXPECT_EQ(Short(0xFF, 0, 0), u"Ctrl + Alt + Shift + Win");
  EXPECT_EQ(Short(0x82, 0, 0), u"Shift + Win");
  EXPECT_EQ(Short(0x44, 0x2E, 0), u"Alt + Delete");
}

TEST_F(KeyCombinations, KeysUseTheKeyNames) {
  EXPECT_EQ(Side(0x01, 0xFD, 0), u"L-Ctrl + Enter");
  EXPECT_EQ(Short(0x01, 0xFD, 0x20), u"Ctrl + Enter + Leertaste");
  EXPECT_EQ(Side(0, 250, 0), u"Fn");
  EXPECT_EQ(Short(0x02, 250, 'A'), u"Shift + Fn + A");
  // The layout variant renames the keys, not the modifiers.
  EXPECT_EQ(Side(0x02, 0x59, 0, 1), u"L-Shift + Z");
  EXPECT_EQ(Short(0x02, 0x41, 0x5A, 2), u"Shift + Q + W");
}

TEST_F(KeyCombinations, MissingPartsLeaveNoDanglingJoins) {
  EXPECT_EQ(Side(0, 0, 0), u"");
  EXPECT_EQ(Short(0, 0, 0), u"");
  EXPECT_EQ(Side(0, 0, 'B'), u"B");
  EXPECT_EQ(Short(0x01, 0, 'B'), u"Ctrl + B");
  // Keys with an empty name (0xFF, a code no key gives) are left out.
  EXPECT_EQ(Side(0x01, 0xFF, 0), u"L-Ctrl");
  EXPECT_EQ(Side(0, 0xE0, 'A'), u"A");
  EXPECT_EQ(Short(0x04, 'A', 0xFF), u"Alt + A");
  texts_.tc_space.clear();
  EXPECT_EQ(Side(0x01, 0x20, 0), u"L-Ctrl");
}

// Function names read their texts from a text.xml loaded like the program's.
class FunctionNames : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string entries;
    for (const char* key : {"tc_click", "tc_middle", "tc_menu", "tc_forward", "tc_back", "tc_kbmedia_msel",
                            "tc_PL", "tc_stop", "tc_pre_media", "tc_next_media", "tc_vol_up", "tc_vol_dw",
                            "tc_mute", "tc_kbmedia_mail", "tc_kbmedia_cal", "tc_kbmedia_explore",
                            "tc_kbmedia_search", "tc_kbmedia_main", "tc_kbmedia_stop", "tc_kbmedia_refresh",
                            "tc_kbmedia_favor", "tc_key_off"}) {
      entries += std::string("<") + key + ">text of " + key + "</" + key + ">";
    }
    entries += "<tc_mac_def>Makro</tc_mac_def><tc_space>Leertaste</tc_space>";
    texts_.Load(dir_.Write("text.xml", "<tastor><config>" + entries + "</config></tastor>"));
    ASSERT_EQ(texts_.tc_mac_def, u"Makro");
  }

  std::u16string Name(const KeyFunction& f) const {
    return FunctionName(f, macros_, KeyNaming{0, texts_, UsKeyboardLayout()});
  }
  static KeyFunction Function(uint8_t kind, uint32_t value) {
    KeyFunction f;
    f.code = KeyFunction::MakeCode(kind, value);
    return f;
  }
  static KeyFunction Combination(uint8_t mods, uint8_t k1, uint8_t k2) {
    KeyFunction f = Function(KIND_KEY, 0xA0);
    f.modifiers = mods;
    f.key1 = k1;
    f.key2 = k2;
    return f;
  }
  static std::u16string TextOf(const std::string& key) { return u"text of " + std::u16string(key.begin(), key.end()); }

  TempDir dir_;
  TextTable texts_;
  MacroSet macros_;
};

TEST_F(FunctionNames, MouseMediaAndApplicationFunctionsByValue) {
  const std::map<uint32_t, std::string> expected = {
      {17, "tc_click"}, {18, "tc_middle"}, {19, "tc_menu"}, {20, "tc_forward"}, {21, "tc_back"},
      {33, "tc_kbmedia_msel"}, {34, "tc_PL"}, {35, "tc_stop"}, {36, "tc_pre_media"},
      {37, "tc_next_media"}, {38, "tc_vol_up"}, {39, "tc_vol_dw"}, {40, "tc_mute"},
      {48, "tc_kbmedia_mail"}, {49, "tc_kbmedia_cal"}, {50, "tc_kbmedia_explore"},
      {51, "tc_kbmedia_search"}, {52, "tc_kbmedia_main"}, {53, "tc_back"}, {54, "tc_forward"},
      {55, "tc_kbmedia_stop"}, {56, "tc_kbmedia_refresh"}, {57, "tc_kbmedia_favor"}, {162, "tc_key_off"},
  };
  for (const auto& [value, key] : expected) {
    for (uint8_t kind : {KIND_MOUSE, KIND_MEDIA, KIND_APP}) {
      EXPECT_EQ(Name(Function(kind, value)), TextOf(key)) << "kind " << int(kind) << " value " << value;
    }
  }
}

TEST_F(FunctionNames, ValuesWithoutTextAreEmpty) {
  EXPECT_EQ(Name(Function(KIND_MOUSE, 23)), u"");  // a mouse function the keyboard knows
  for (uint32_t value : {0u, 16u, 22u, 32u, 41u, 47u, 58u, 161u, 163u, 0xFFFFFFu}) {
    EXPECT_EQ(Name(Function(KIND_MEDIA, value)), u"") << value;
  }
  EXPECT_EQ(Name(KeyFunction{}), u"");
}

TEST_F(FunctionNames, MacrosShowTheDefaultTextAndTheirName) {
  macros_.Records().push_back(MakeDefaultMacro(0x123456, u"Sprint"));
  macros_.Records().push_back(MakeDefaultMacro(0x000777, u""));
  KeyFunction f = Function(KIND_MACRO, 0);
  f.macroId = 0x123456;
  EXPECT_EQ(Name(f), u"Makro - Sprint");
  f.macroId = 0x000777;
  EXPECT_EQ(Name(f), u"Makro - ");
  // A macro key whose macro was deleted.
  f.macroId = 0x654321;
  EXPECT_EQ(Name(f), u"");
}

TEST_F(FunctionNames, KeysAndCombinationsUseTheSideSpecificText) {
  EXPECT_EQ(Name(Combination(0, 'A', 0)), u"A");
  EXPECT_EQ(Name(Combination(0x11, 'A', 0)), u"L-Ctrl + R-Ctrl + A");
  EXPECT_EQ(Name(Combination(0x04, 0x20, 0xFD)), u"L-Alt + Leertaste + Enter");
  EXPECT_EQ(Name(Combination(0, 0, 0)), u"");
  // Fn alone is "Fn", also with a second key; with a modifier it is a combination.
  EXPECT_EQ(Name(Combination(0, 250, 0)), u"Fn");
  EXPECT_EQ(Name(Combination(0, 250, 'A')), u"Fn");
  EXPECT_EQ(Name(Combination(0x01, 250, 0)), u"L-Ctrl + Fn");
}

// The program's own naming: the KbType of the settings it is given (two side by side), the
// process-wide text table and macro library, and the installed keyboard layout.
TEST(ProgramKeyNames, UseTheSettingsTextTableMacroLibraryAndLayout) {
  FakeLayout layout({{21, U'Z'}, {44, U'Y'}});
  SetKeyboardLayout(&layout);
  AppSettings standard, variant;
  variant.KbType = 1;
  const std::u16string savedSpace = TextTable::Instance().tc_space;
  const std::u16string savedMacro = TextTable::Instance().tc_mac_def;

  TextTable::Instance().tc_space = u"Blank";
  TextTable::Instance().tc_mac_def = u"Macro";
  const KeyNaming naming = KeyNaming::For(standard);
  EXPECT_EQ(KeyName(0x59, naming), u"Z");
  EXPECT_EQ(KeyName(0x20, naming), u"Blank");
  EXPECT_EQ(KeyCombinationText(0x01, 0x59, 0x20, naming), u"L-Ctrl + Z + Blank");
  EXPECT_EQ(ShortKeyCombinationText(0x10, 0x5A, 0, naming), u"Ctrl + Y");
  EXPECT_EQ(KeyName(0x59, KeyNaming::For(variant)), u"Y");
  EXPECT_EQ(KeyName(0x59, naming), u"Z");

  ASSERT_TRUE(TheMacroLibrary().Add(MakeDefaultMacro(0x0ABCDE, u"Reload")));
  KeyFunction f;
  f.code = KeyFunction::MakeCode(KIND_MACRO, 0);
  f.macroId = 0x0ABCDE;
  EXPECT_EQ(FunctionName(f, naming), u"Macro - Reload");
  EXPECT_TRUE(TheMacroLibrary().Remove(0x0ABCDE));
  EXPECT_EQ(FunctionName(f, naming), u"");

  SetKeyboardLayout(nullptr);
  TextTable::Instance().tc_space = savedSpace;
  TextTable::Instance().tc_mac_def = savedMacro;
}

}  // namespace
