// SPDX-License-Identifier: GPL-2.0-or-later
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
// The languages asked for, most wanted first, as a colon-separated list: the entries of
// LANGUAGE (each normalised as above, unusable ones dropped) before the locale's language,
// as gettext takes them; LANGUAGE only counts when the locale is set and is not C or POSIX,
// so a program run under LC_ALL=C speaks the untranslated texts whatever LANGUAGE says.
std::string LanguagePreference(const char* language, const char* lcAll, const char* lcMessages, const char* lang);
// LanguagePreference from this process's environment ("de_AT:fr:de_DE", or "").
std::string EnvironmentLanguage();

// A language code as a user may write it ("de_DE.UTF-8", "DE_de", "de@euro") in the form
// the translation folders are named ("de_DE", "de"); "" for what is no language code.
std::string NormalLanguageCode(const std::string& code);

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

// The text table to read. With an explicit language (--lang CODE, in any form
// NormalLanguageCode takes): English ("en", "en_GB") keeps text.xml; another code reads its
// translation, the territory's first ("de_AT", then "de"), and one without a translation
// is refused (ok false, path text.xml). Without one, the languages of the preference (a
// colon-separated list, EnvironmentLanguage) are tried in order the same way, and the
// first with a translation, or English, wins; no match and a replaced text.xml read
// text.xml.
TextChoice ChooseTextFile(const std::string& programFolder, const std::string& explicitLanguage,
                          const std::string& preferredLanguages);

// The same with the Language user setting between the two: --lang first, then the setting
// (settingFrom names where it was set, for the reason), then the preference. A setting
// whose language has no translation leaves the choice to the preference, and the reason
// says so; a replaced text.xml does not win over the setting, as over --lang.
TextChoice ChooseTextFile(const std::string& programFolder, const std::string& explicitLanguage,
                          const std::string& settingLanguage, const std::string& settingFrom,
                          const std::string& preferredLanguages);
