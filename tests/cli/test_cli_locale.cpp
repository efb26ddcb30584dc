// SPDX-License-Identifier: GPL-2.0-or-later
// The texts by locale: both programs read translations/<lang>/text.xml when the locale or
// --lang names a language that has one, text.xml otherwise, and a text.xml that the user
// put in place of the shipped one whatever the locale says. Versions on both programs.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/version.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

RunResult TextJson(const std::vector<std::string>& options, const std::vector<std::string>& env,
                   const std::string& programDir = BinDir()) {
  std::vector<std::string> argv = {BinDir() + "tastor-cli", "--program-dir", programDir};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.insert(argv.end(), {"text", "--json"});
  return RunProgram(argv, env);
}

// The text of tc_cancel in a "text --json" document.
std::string Cancel(const RunResult& r) {
  const std::size_t at = r.out.find("\"key\": \"tc_cancel\"");
  if (at == std::string::npos) return {};
  const std::size_t open = r.out.find("\"text\": \"", at) + 9;
  return r.out.substr(open, r.out.find('"', open) - open);
}

TEST(CliLocale, GermanLocaleReadsTheGermanFile) {
  for (const std::vector<std::string>& env :
       {std::vector<std::string>{"LANG=de_DE.UTF-8"}, {"LANG=en_US.UTF-8", "LC_MESSAGES=de_AT.UTF-8"},
        {"LANG=fr_FR.UTF-8", "LC_ALL=de_DE@euro"}}) {
    const RunResult r = TextJson({}, env);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("Abbrechen", Cancel(r)) << env.back();
    EXPECT_TRUE(Has(r.out, "translations/de/text.xml")) << r.out.substr(0, 200);
  }
}

TEST(CliLocale, LanguageOfTheDesktopComesBeforeTheLocaleButNotUnderC) {
  for (const std::vector<std::string>& env :
       {std::vector<std::string>{"LANG=en_US.UTF-8", "LANGUAGE=de"}, {"LANG=en_US.UTF-8", "LANGUAGE=fr:de_DE:en"},
        {"LANG=de_DE.UTF-8", "LANGUAGE=fr"}}) {
    const RunResult r = TextJson({}, env);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("Abbrechen", Cancel(r)) << env.back();
  }
  for (const std::vector<std::string>& env :
       {std::vector<std::string>{"LANG=de_DE.UTF-8", "LANGUAGE=en:de"}, {"LC_ALL=C", "LANG=de_DE.UTF-8", "LANGUAGE=de"},
        {"LANG=C.UTF-8", "LANGUAGE=de"}}) {
    const RunResult r = TextJson({}, env);
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("Cancel", Cancel(r)) << env.back();
  }
}

TEST(CliLocale, LangTakesTheFormsOfALocale) {
  for (const char* code : {"de", "de_DE", "de_DE.UTF-8", "de_AT@euro"}) {
    const RunResult r = TextJson({"--lang", code}, {"LANG=en_US.UTF-8"});
    ASSERT_EQ(0, r.status) << code << ": " << r.err;
    EXPECT_EQ("Abbrechen", Cancel(r)) << code;
  }
  EXPECT_EQ("Cancel", Cancel(TextJson({"--lang", "en_GB.UTF-8"}, {"LANG=de_DE.UTF-8"})));
}

TEST(CliLocale, UnknownLocaleEnglishAndLangEnReadTextXml) {
  for (const std::vector<std::string>& options : {std::vector<std::string>{}, {"--lang", "en"}}) {
    for (const char* lang : {"LANG=fr_FR.UTF-8", "LANG=C", "LANG=en_GB.UTF-8", "LANG=de_DE.UTF-8"}) {
      if (options.empty() && std::string(lang) == "LANG=de_DE.UTF-8") continue;
      const RunResult r = TextJson(options, {lang});
      ASSERT_EQ(0, r.status) << r.err;
      EXPECT_EQ("Cancel", Cancel(r)) << lang;
      EXPECT_TRUE(Has(r.out, "\"file\": \"" + BinDir() + "text.xml\"")) << lang;
    }
  }
  // --lang chooses explicitly, against the locale.
  EXPECT_EQ("Abbrechen", Cancel(TextJson({"--lang", "de"}, {"LANG=en_US.UTF-8"})));
}

TEST(CliLocale, ALanguageWithoutTranslationIsRefused) {
  const RunResult r = TextJson({"--lang", "xx"}, {});
  EXPECT_EQ(2, r.status);
  EXPECT_EQ("", r.out);
  EXPECT_TRUE(Has(r.err, "no translation \"xx\"")) << r.err;
  EXPECT_TRUE(Has(r.err, "languages there: de en")) << r.err;
}

TEST(CliLocale, ATextXmlTheUserReplacedIsStillRead) {
  // A copy of the program folder whose text.xml the user replaced with texts of their own.
  TempDir program;
  fs::copy(BinDir() + "cfg.ini", program.path() + "cfg.ini");
  fs::copy(BinDir() + "translations", program.path() + "translations", fs::copy_options::recursive);
  std::string mine = ReadFile(BinDir() + "text.xml");
  mine.replace(mine.find("<tc_cancel>Cancel</tc_cancel>"), 29, "<tc_cancel>Forget it</tc_cancel>");
  program.Write("text.xml", mine);
  for (const char* lang : {"LANG=de_DE.UTF-8", "LANG=fr_FR.UTF-8", "LANG=C"}) {
    const RunResult r = TextJson({}, {lang}, program.path());
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("Forget it", Cancel(r)) << lang;
  }
  // Asked for by name, the translation is still read.
  EXPECT_EQ("Abbrechen", Cancel(TextJson({"--lang", "de"}, {}, program.path())));
}

TEST(CliLocale, OtherCommandsShowTheTranslatedNames) {
  const RunResult r = RunProgram({BinDir() + "tastor-cli", "keyname", "0x20"}, {"LANG=de_DE.UTF-8"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "0x20  Leertaste")) << r.out;
}

TEST(Versions, BothProgramsPrintTheProjectVersion) {
  RunResult r = RunProgram({BinDir() + "tastor-cli", "--version"});
  EXPECT_EQ(0, r.status);
  EXPECT_EQ(std::string("tastor-cli ") + TastorVersion() + "\n", r.out);
  if (!fs::exists(BinDir() + "tastor")) GTEST_SKIP() << "the windows are not built";
  // No display is needed for the version.
  r = RunProgram({BinDir() + "tastor", "--version"}, {"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY="});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_EQ(std::string("tastor ") + TastorVersion() + "\n", r.out);
}

}  // namespace
