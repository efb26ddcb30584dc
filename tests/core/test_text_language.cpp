// SPDX-License-Identifier: GPL-2.0-or-later
// Which text table is read: the locale's language, an explicit choice, and a text.xml the
// user replaced.
#include <gtest/gtest.h>

#include "app/text_language.h"
#include "tests/support/test_support.h"

namespace {

TEST(LocaleLanguage, TakesTheFirstSetVariableAndDropsCodesetAndModifier) {
  EXPECT_EQ("de_DE", LocaleLanguage(nullptr, nullptr, "de_DE.UTF-8"));
  EXPECT_EQ("fr_FR", LocaleLanguage("fr_FR@euro", "de_DE.UTF-8", "en_US.UTF-8"));
  EXPECT_EQ("de_AT", LocaleLanguage("", "de_AT.utf8", "en_US.UTF-8"));  // empty counts as unset
  EXPECT_EQ("pt_BR", LocaleLanguage(nullptr, nullptr, "PT_br"));
  EXPECT_EQ("de", LocaleLanguage(nullptr, nullptr, "de"));
  EXPECT_EQ("", LocaleLanguage(nullptr, nullptr, "C.UTF-8"));
  EXPECT_EQ("", LocaleLanguage("POSIX", nullptr, "de_DE.UTF-8"));
  EXPECT_EQ("", LocaleLanguage(nullptr, nullptr, nullptr));
  // Nothing that could lead out of the translations folder.
  EXPECT_EQ("", LocaleLanguage(nullptr, nullptr, "../../etc"));
}

TEST(LanguagePreference, LanguageComesFirstUnlessTheLocaleIsCOrPosix) {
  // Desktops set LANGUAGE beside LANG; its entries come first, in order, then the locale's.
  EXPECT_EQ("de", LanguagePreference("de", nullptr, nullptr, "en_US.UTF-8").substr(0, 2));
  EXPECT_EQ("de:en_US", LanguagePreference("de", nullptr, nullptr, "en_US.UTF-8"));
  EXPECT_EQ("fr_CA:de_AT:en_GB", LanguagePreference("fr_CA.UTF-8:de_AT::de_AT", "en_GB", nullptr, nullptr));
  EXPECT_EQ("de_DE", LanguagePreference("", nullptr, nullptr, "de_DE.UTF-8"));
  EXPECT_EQ("de_DE", LanguagePreference("de_DE", nullptr, nullptr, "de_DE.UTF-8"));  // no repeats
  // As gettext does, LANGUAGE is not read under the C locale or without one.
  EXPECT_EQ("", LanguagePreference("de", "C", nullptr, "de_DE.UTF-8"));
  EXPECT_EQ("", LanguagePreference("de", nullptr, nullptr, "C.UTF-8"));
  EXPECT_EQ("", LanguagePreference("de", nullptr, "POSIX", nullptr));
  EXPECT_EQ("", LanguagePreference("de", nullptr, nullptr, nullptr));
  // Entries that are no language code are dropped, not followed.
  EXPECT_EQ("en_US", LanguagePreference("../x:C", nullptr, nullptr, "en_US"));
}

TEST(NormalLanguageCode, TakesTheFormsUsersWrite) {
  EXPECT_EQ("de_DE", NormalLanguageCode("de_DE.UTF-8"));
  EXPECT_EQ("de_DE", NormalLanguageCode("DE_de"));
  EXPECT_EQ("de", NormalLanguageCode("de@euro"));
  EXPECT_EQ("", NormalLanguageCode("C"));
  EXPECT_EQ("", NormalLanguageCode("_DE"));
  EXPECT_EQ("", NormalLanguageCode("de/../x"));
}

class TextChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    english_ = "<tastor><config><tc_ok>OK</tc_ok></config></tastor>";
    dir_.Write("text.xml", english_);
    dir_.Write("translations/en/text.xml", english_);
    german_ = dir_.Write("translations/de/text.xml", "<tastor><config><tc_ok>Gut</tc_ok></config></tastor>");
    austrian_ = dir_.Write("translations/de_AT/text.xml", "<tastor><config><tc_ok>Passt</tc_ok></config></tastor>");
  }
  std::string TextXml() const { return dir_.path() + "text.xml"; }
  TempDir dir_;
  std::string english_, german_, austrian_;
};

TEST_F(TextChoiceTest, LocaleLanguageWithATranslationReadsIt) {
  const TextChoice german = ChooseTextFile(dir_.path(), "", "de_DE");
  EXPECT_EQ(german_, german.path);
  EXPECT_EQ("de", german.language);
  // A translation for the territory comes before the language's own.
  EXPECT_EQ(austrian_, ChooseTextFile(dir_.path(), "", "de_AT").path);
}

TEST_F(TextChoiceTest, EnglishUnknownAndNoLocaleReadTextXml) {
  for (const char* locale : {"en_GB", "fr_FR", "ja", ""}) {
    const TextChoice c = ChooseTextFile(dir_.path(), "", locale);
    EXPECT_EQ(TextXml(), c.path) << locale;
    EXPECT_TRUE(c.ok);
    EXPECT_EQ("", c.language);
  }
}

TEST_F(TextChoiceTest, ThePreferenceIsTriedInOrderUntilOneHasTextsOrIsEnglish) {
  EXPECT_EQ(german_, ChooseTextFile(dir_.path(), "", "fr:de:en_US").path);
  EXPECT_EQ(austrian_, ChooseTextFile(dir_.path(), "", "fr:de_AT:en_US").path);
  EXPECT_EQ(TextXml(), ChooseTextFile(dir_.path(), "", "fr:en:de").path);  // English before German
  EXPECT_EQ(german_, ChooseTextFile(dir_.path(), "", "de_CH").path);       // the language's own
  const TextChoice none = ChooseTextFile(dir_.path(), "", "fr:ja");
  EXPECT_EQ(TextXml(), none.path);
  EXPECT_TRUE(none.ok);
}

TEST_F(TextChoiceTest, ExplicitLanguageWinsAndEnglishKeepsTextXml) {
  // --lang takes the forms of a locale too.
  for (const char* code : {"de_DE", "de_DE.UTF-8", "DE", "de_CH.utf8"}) {
    const TextChoice c = ChooseTextFile(dir_.path(), code, "");
    EXPECT_TRUE(c.ok) << code;
    EXPECT_EQ(german_, c.path) << code;
  }
  EXPECT_EQ(austrian_, ChooseTextFile(dir_.path(), "de_AT.UTF-8", "").path);
  EXPECT_EQ(TextXml(), ChooseTextFile(dir_.path(), "en_GB.UTF-8", "de_DE").path);
  EXPECT_EQ(german_, ChooseTextFile(dir_.path(), "de", "fr_FR").path);
  EXPECT_EQ(TextXml(), ChooseTextFile(dir_.path(), "en", "de_DE").path);
  EXPECT_EQ(TextXml(), ChooseTextFile(dir_.path(), "EN", "de_DE").path);
  const TextChoice missing = ChooseTextFile(dir_.path(), "xx", "de_DE");
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(TextXml(), missing.path);
  EXPECT_FALSE(ChooseTextFile(dir_.path(), "../translations/de", "").ok);
}

TEST_F(TextChoiceTest, ATextXmlTheUserReplacedIsReadWhateverTheLocale) {
  EXPECT_FALSE(TextFileReplaced(dir_.path()));
  dir_.Write("text.xml", "<tastor><config><tc_ok>Mine</tc_ok></config></tastor>");
  EXPECT_TRUE(TextFileReplaced(dir_.path()));
  EXPECT_EQ(TextXml(), ChooseTextFile(dir_.path(), "", "de_DE").path);
  // Asking for a language by name still reads it.
  EXPECT_EQ(german_, ChooseTextFile(dir_.path(), "de", "").path);
}

TEST_F(TextChoiceTest, WithoutTheShippedEnglishCopyTheLocaleDecides) {
  TempDir bare;
  bare.Write("text.xml", "<tastor/>");
  const std::string german = bare.Write("translations/de/text.xml", "<tastor/>");
  EXPECT_FALSE(TextFileReplaced(bare.path()));
  EXPECT_EQ(german, ChooseTextFile(bare.path(), "", "de_CH").path);
  EXPECT_EQ((std::vector<std::string>{"de"}), AvailableLanguages(bare.path()));
  EXPECT_EQ((std::vector<std::string>{"de", "de_AT", "en"}), AvailableLanguages(dir_.path()));
}

}  // namespace
