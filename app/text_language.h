// Which text table the program reads: text.xml beside the executable holds the English
// texts, and each other language has translations/<lang>/text.xml. The user's locale or an
// explicit choice picks a translation; a text.xml that the user put in place of the
// shipped one is read whatever the locale says, as it always was.
#pragma once

#include <string>
#include <vector>

// The language a locale names, from the first of LC_ALL, LC_MESSAGES and LANG that is set
// and not empty (POSIX order): "de_DE.UTF-8" and "de_DE@euro" give "de_DE", "de" gives
// "de". "C", "POSIX" and no locale give "". Null arguments count as unset.
std::string LocaleLanguage(const char* lcAll, const char* lcMessages, const char* lang);
// The same from this process's environment.
std::string EnvironmentLanguage();

// The folder of the translations inside the program folder: "translations/".
std::string TranslationsFolder(const std::string& programFolder);
// The languages that have a translations/<lang>/text.xml, sorted ("en" is the shipped
// English copy the build keeps there to recognise a replaced text.xml).
std::vector<std::string> AvailableLanguages(const std::string& programFolder);

// True when text.xml differs from the English texts the program shipped with
// (translations/en/text.xml): a user has replaced it. False when either is missing.
bool TextFileReplaced(const std::string& programFolder);

struct TextChoice {
  std::string path;      // the text table to read
  std::string language;  // the translation read ("" for text.xml)
  std::string reason;    // why, in a few words, for the log and "tastor-cli text"
  bool ok = true;        // false: the explicitly chosen language has no translation
};

// The text table to read. With an explicit language (--lang CODE): "en" keeps text.xml;
// another code reads its translation, and one without a translation is refused (ok false,
// path text.xml). Without one, the locale's language: "de_DE" looks for "de_DE", then
// "de"; English, an unknown language and a replaced text.xml read text.xml.
TextChoice ChooseTextFile(const std::string& programFolder, const std::string& explicitLanguage,
                          const std::string& localeLanguage);
