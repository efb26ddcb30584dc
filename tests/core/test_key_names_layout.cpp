// SPDX-License-Identifier: GPL-2.0-or-later
// The layout characters of key names: the built-in US layout, and the layout of a real X
// display (a private Xvfb whose layout setxkbmap changes). The display tests are skipped,
// not failed, when Xvfb or setxkbmap is not installed.
#include <gtest/gtest.h>

#include <string>

#include "model/key_names.h"
#include "platform/keyboard_layout.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "tests/support/test_support.h"

#include <X11/XKBlib.h>

namespace {

TEST(KeyNamesLayout, WithoutADisplayTheUsLayoutNamesTheKeys) {
  // No X server answers on this display.
  EXPECT_EQ(OpenX11KeyboardLayout(":4711"), nullptr);

  const TextTable texts;
  const KeyNaming us{0, texts, UsKeyboardLayout()};
  std::u16string letters;
  for (char16_t c = u'A'; c <= u'Z'; ++c) letters += KeyName(c, us);
  EXPECT_EQ(letters, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  std::u16string punctuation;
  for (uint32_t code : {0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xC0, 0xDB, 0xDC, 0xDD, 0xDE, 0xE2}) {
    punctuation += KeyName(code, us);
  }
  EXPECT_EQ(punctuation, u";=,-./`[\\]'<");
  // Keys of other keyboards type nothing on a US layout.
  for (uint32_t code : {0xC1, 0xC3, 0xD7, 0xDA, 0xEB}) EXPECT_EQ(KeyName(code, us), u"") << code;
}

class DisplayLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OnPath("Xvfb") || !OnPath("setxkbmap")) GTEST_SKIP() << "Xvfb or setxkbmap is not installed";
    ASSERT_TRUE(server_.Start());
  }

  void SetLayout(const std::string& layout) {
    const RunResult r = RunProgram({"/usr/bin/env", "setxkbmap", "-display", server_.display(), "-layout", layout});
    ASSERT_EQ(0, r.status) << r.err;
  }
  // Sets the display's layout and opens it for the names.
  void OpenWithLayout(const std::string& layout) {
    SetLayout(layout);
    display_ = OpenX11KeyboardLayout(server_.display());
    ASSERT_NE(display_, nullptr);
  }
  std::u16string Name(uint32_t code, int kbType = 0) const {
    return KeyName(code, KeyNaming{kbType, texts_, *display_});
  }

  Xvfb server_;
  std::unique_ptr<KeyboardLayout> display_;  // closed before the server ends
  const TextTable texts_;
};

TEST_F(DisplayLayout, UsLayoutOfTheDisplayMatchesTheBuiltInOne) {
  OpenWithLayout("us");
  const KeyNaming builtIn{0, texts_, UsKeyboardLayout()};
  for (uint32_t code = 0; code < 256; ++code) {
    EXPECT_EQ(ToUtf8(Name(code)), ToUtf8(KeyName(code, builtIn))) << "code 0x" << std::hex << code;
  }
}

TEST_F(DisplayLayout, GermanLayoutNamesTheKeysAsItsKeyCapsRead) {
  OpenWithLayout("us");
  EXPECT_EQ(Name(0x59), u"Y");

  // The same connection follows the change of layout.
  SetLayout("de");
  EXPECT_EQ(Name(0x59), u"Z");
  EXPECT_EQ(Name(0x5A), u"Y");
  EXPECT_EQ(Name(0x41), u"A");
  EXPECT_EQ(Name(0xBA), u"\u00D6");  // ö, upper case
  EXPECT_EQ(Name(0xDE), u"\u00C4");  // ä
  EXPECT_EQ(Name(0xBD), u"\u00DF");  // ß has no upper-case key cap
  EXPECT_EQ(Name(0xE2), u"<");
  // Dead keys show their accent.
  EXPECT_EQ(Name(0xC0), u"^");
  EXPECT_EQ(Name(0xBB), u"\u00B4");
  // Digits and fixed names stay.
  EXPECT_EQ(Name(0x31), u"1");
  EXPECT_EQ(Name(0xFD), u"Enter");
  // The layout variant still swaps before the layout is asked.
  EXPECT_EQ(Name(0x59, 1), u"Y");
}

TEST_F(DisplayLayout, TheActiveGroupOfATwoLayoutKeyboardCounts) {
  OpenWithLayout("us,de");
  EXPECT_EQ(Name(0x59), u"Y");

  Display* other = XOpenDisplay(server_.display().c_str());
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(XkbLockGroup(other, XkbUseCoreKbd, 1));
  XSync(other, False);
  EXPECT_EQ(Name(0x59), u"Z");
  EXPECT_EQ(Name(0xBA), u"\u00D6");
  XkbLockGroup(other, XkbUseCoreKbd, 0);
  XSync(other, False);
  EXPECT_EQ(Name(0x59), u"Y");
  XCloseDisplay(other);
}

}  // namespace
