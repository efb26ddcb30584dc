// SPDX-License-Identifier: GPL-2.0-or-later
// Filling the text table from text.xml: where the keys are looked for, which occurrence
// counts, what text arrives, the tc_space default, the lighting-mode names, and the
// shipped English and German files.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "text/xml_document.h"

namespace {

class TextTableLoad : public ::testing::Test {
 protected:
  TextTable Load(const std::string& xml) {
    TextTable table;
    table.Load(dir.Write("text.xml", xml));
    return table;
  }
  static std::string Config(const std::string& entries) { return "<tastor><config>" + entries + "</config></tastor>"; }

  TempDir dir;
};

TEST_F(TextTableLoad, ConfigIsLookedForAmongTheChildrenOfTheOutermostElement) {
  TextTable t = Load("<?xml version=\"1.0\"?><anything><other><tc_ok>no</tc_ok></other>"
                     "<config><tc_ok>OK</tc_ok><tc_cancel>Cancel</tc_cancel></config></anything>");
  EXPECT_EQ(t.tc_ok, u"OK");
  EXPECT_EQ(t.tc_cancel, u"Cancel");

  // An outermost config is not a child of the outermost element.
  t = Load("<config><tc_ok>OK</tc_ok><tc_space>Blank</tc_space></config>");
  EXPECT_EQ(t.tc_ok, u"");
  EXPECT_EQ(t.tc_space, u"Space");
  // Nor is a config further down another branch.
  t = Load("<r><group><config><tc_ok>OK</tc_ok></config></group></r>");
  EXPECT_EQ(t.tc_ok, u"");
}

TEST_F(TextTableLoad, NestedConfigIsSearchedInTurn) {
  TextTable t = Load(Config("<tc_ok>outer</tc_ok>"
                            "<config><tc_ok>inner</tc_ok><tc_cancel>inner cancel</tc_cancel>"
                            "<config><tc_apply>deep</tc_apply></config></config>"));
  EXPECT_EQ(t.tc_ok, u"outer");
  EXPECT_EQ(t.tc_cancel, u"inner cancel");
  EXPECT_EQ(t.tc_apply, u"deep");

  // Only the first config of a level is entered: its siblings are not searched.
  t = Load("<r><config><tc_ok>1</tc_ok></config><config><tc_cancel>2</tc_cancel></config></r>");
  EXPECT_EQ(t.tc_ok, u"1");
  EXPECT_EQ(t.tc_cancel, u"");
  t = Load(Config("<config/><config><tc_ok>second</tc_ok></config>"));
  EXPECT_EQ(t.tc_ok, u"");
}

TEST_F(TextTableLoad, EntryTexts) {
  const TextTable t = Load(Config("<tc_ok>first</tc_ok><tc_ok>second</tc_ok>"
                                  "<tc_cancel>a<b>x</b></tc_cancel>"
                                  "<tc_apply><![CDATA[ <OK> & &amp; ]]></tc_apply>"
                                  "<tc_title>\n  &lt;T&#97;&#x73;tor&gt; \n</tc_title>"
                                  "<tc_exit>E<!-- not shown -->xit</tc_exit>"
                                  "<TC_MUTEX>upper</TC_MUTEX><tc_pl>lower</tc_pl><tc_PL>Play</tc_PL>"
                                  "<tc_version>\xF0\x9F\x8E\xAE 0.1</tc_version>"
                                  "<not_a_key>ignored</not_a_key>"));
  EXPECT_EQ(t.tc_ok, u"first");
  EXPECT_EQ(t.tc_cancel, u"");  // an element with children has no text
  EXPECT_EQ(t.tc_apply, u" <OK> & &amp; ");
  EXPECT_EQ(t.tc_title, u"\n  <Tastor> \n");
  EXPECT_EQ(t.tc_exit, u"Exit");
  EXPECT_EQ(t.tc_mutex, u"");  // keys compare with case
  EXPECT_EQ(t.tc_PL, u"Play");
  EXPECT_EQ(t.tc_version, u"\U0001F3AE 0.1");
}

TEST_F(TextTableLoad, SpaceDefault) {
  EXPECT_EQ(Load(Config("")).tc_space, u"Space");
  EXPECT_EQ(Load(Config("<tc_space></tc_space>")).tc_space, u"Space");
  EXPECT_EQ(Load(Config("<tc_space/>")).tc_space, u"Space");
  EXPECT_EQ(Load(Config("<tc_space> </tc_space>")).tc_space, u" ");
  EXPECT_EQ(Load(Config("<tc_space>Leertaste</tc_space>")).tc_space, u"Leertaste");
}

TEST_F(TextTableLoad, LedModeNamesAndColourNames) {
  const TextTable t = Load(Config("<tc_led_mode10>ten</tc_led_mode10><tc_led_mode1>one</tc_led_mode1>"
                                  "<tc_led_mode2>two</tc_led_mode2><tc_led_mode4>four</tc_led_mode4>"
                                  "<tc_led_mode30>thirty</tc_led_mode30><tc_led_mode31>no</tc_led_mode31>"
                                  "<tc_clr_str1>FPS</tc_clr_str1><tc_clr_str15>Custom 7</tc_clr_str15>"));
  EXPECT_EQ(t.LedModeName(0), u"one");
  EXPECT_EQ(t.LedModeName(1), u"two");
  EXPECT_EQ(t.LedModeName(2), u"");  // the mode list ends here
  EXPECT_EQ(t.LedModeName(3), u"four");
  EXPECT_EQ(t.LedModeName(9), u"ten");
  EXPECT_EQ(t.LedModeName(29), u"thirty");
  EXPECT_EQ(t.LedModeName(30), u"");
  EXPECT_EQ(t.LedModeName(1000), u"");
  EXPECT_EQ(t.LedModeName(-1), u"");
  EXPECT_EQ(t.tc_clr_str[0], u"FPS");
  EXPECT_EQ(t.tc_clr_str[1], u"");
  EXPECT_EQ(t.tc_clr_str[14], u"Custom 7");
}

TEST_F(TextTableLoad, MissingIllFormedAndReloadedFiles) {
  TextTable t = Load(Config("<tc_ok>OK</tc_ok><tc_led_mode1>Static</tc_led_mode1>"));
  ASSERT_EQ(t.tc_ok, u"OK");
  // Every entry is overwritten: a later file without the key leaves it empty.
  t.Load(dir.Write("other.xml", Config("<tc_cancel>Cancel</tc_cancel>")));
  EXPECT_EQ(t.tc_ok, u"");
  EXPECT_EQ(t.tc_cancel, u"Cancel");
  EXPECT_EQ(t.LedModeName(0), u"");

  // A missing file after a good one: every entry empty but tc_space and the program's own
  // texts, which fall back to their English.
  t.Load(dir.path() + "missing.xml");
  int filled = 0;
  t.ForEach([&](std::string_view key, const std::u16string& text) {
    if (!text.empty()) {
      ++filled;
      EXPECT_TRUE(key == "tc_space" || key == "tc_pro_export" || key.rfind("tc_link_", 0) == 0 ||
                  key.rfind("tc_name_", 0) == 0 || key.rfind("tc_file_", 0) == 0 || key.ends_with("_failed") ||
                  key == "tc_pro_import" || key == "tc_pro_delete" || key == "tc_macro_unsaved" ||
                  key == "tc_folder_choose" || key == "tc_pick_choose" || key.rfind("tc_verify_", 0) == 0 ||
                  key == "tc_files_changed" || key == "tc_apply_not_saved" || key.rfind("tc_acc_", 0) == 0 ||
                  key.rfind("tc_profiles_damaged", 0) == 0 || key == "tc_settings_not_used")
          << key;
    }
  });
  EXPECT_EQ(filled, 36);
  EXPECT_EQ(t.tc_verify_matrix, u"The keyboard did not keep the key assignments.");
  EXPECT_EQ(t.tc_space, u"Space");
  EXPECT_EQ(t.tc_macro_unsaved, u"The macro has changes that are not saved. Save them?");
  // A file that has one of them, even empty, is taken at its word.
  t = Load(Config("<tc_pro_delete></tc_pro_delete><tc_link_none>(keine)</tc_link_none>"));
  EXPECT_EQ(t.tc_pro_delete, u"");
  EXPECT_EQ(t.tc_link_none, u"(keine)");
  EXPECT_EQ(t.tc_link_program, u"Link program\u2026");

  // An ill-formed file still gives the keys the reader could index: a stray end tag is
  // passed over, an element without end tag has no text.
  t = Load(Config("<tc_ok>OK</tc_ok></tc_bogus><tc_apply>A &amp B</tc_apply><tc_cancel>Can"));
  EXPECT_EQ(t.tc_ok, u"OK");
  EXPECT_EQ(t.tc_apply, u"A &amp B");
  EXPECT_EQ(t.tc_cancel, u"");
  // An unended config gives its entries to its parent, where they are no longer found.
  t = Load("<tastor><config><tc_ok>OK</tc_ok></tastor>");
  EXPECT_EQ(t.tc_ok, u"");
}

// Checks a shipped text.xml: every key present, and a text for every key the program
// reads (the lighting modes past the reference keyboard's ten are empty on purpose).
void CheckShippedFile(const std::string& path, TextTable& table) {
  table.Load(path);
  const XmlDocument& doc = XmlDocument::Instance();
  EXPECT_TRUE(doc.IsWellFormed()) << path;
  EXPECT_EQ(ToUtf8(doc.Result()).find("at offset"), std::string::npos) << ToUtf8(doc.Result());
  int count = 0;
  table.ForEach([&](std::string_view key, const std::u16string& text) {
    ++count;
    const std::string k(key);
    EXPECT_TRUE(TextTable::Find(u"config", FromUtf8(key), nullptr)) << path << ": " << k << " missing";
    const bool spareMode = k.rfind("tc_led_mode", 0) == 0 && std::stoi(k.substr(11)) > 10;
    // The web links are optional: empty until the keyboard has a real home page.
    const bool optionalLink = k == "tc_web" || k == "tc_web2";
    if (spareMode) {
      EXPECT_EQ(text, u"") << k;
    } else if (optionalLink) {
    } else if (!TextTable::IsUnusedKey(key)) {
      EXPECT_FALSE(text.empty()) << path << ": " << k << " empty";
    }
  });
  EXPECT_EQ(count, 177);
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(table.LedModeName(i).empty());
  for (const auto& name : table.tc_clr_str) EXPECT_FALSE(name.empty());
  EXPECT_EQ(table.tc_proname.back(), u' ');  // "%s%d" makes "Profile 1"
}

TEST(ShippedTexts, EnglishAndGermanAreComplete) {
  TextTable english;
  CheckShippedFile(SourceDir() + "data/text.xml", english);
  EXPECT_EQ(english.tc_title, u"Tastor TK-105");
  EXPECT_EQ(english.LedModeName(1), u"Game");

  TextTable german;
  CheckShippedFile(SourceDir() + "data/translations/de/text.xml", german);
  EXPECT_EQ(german.tc_cancel, u"Abbrechen");
  EXPECT_EQ(german.tc_space, u"Leertaste");
  EXPECT_EQ(german.tc_verify_matrix, u"Die Tastatur hat die Tastenbelegung nicht übernommen.");
  // A drop-in: the same instance name, translated words.
  EXPECT_EQ(german.tc_mutex, english.tc_mutex);
  int translated = 0;
  german.ForEach([&](std::string_view key, const std::u16string& text) {
    english.ForEach([&](std::string_view k, const std::u16string& t) {
      if (k == key && t != text) ++translated;
    });
  });
  EXPECT_GT(translated, 100);
}

}  // namespace
