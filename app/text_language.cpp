// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/text_language.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "platform/checked_file.h"
#include "platform/special_folders.h"
#include "text/xml_document.h"

namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// A text table's bytes, read as the XML reader reads it: plain files up to its limit only.
bool ReadWhole(const std::string& path, std::string& bytes) {
  FileBytes file = ReadWholeFile(path, XmlDocument::kMaxLoadBytes);
  bytes = std::move(file.bytes);
  return file.ok();
}

std::string TranslationFile(const std::string& programFolder, const std::string& language) {
  return TranslationsFolder(programFolder) + language + "/text.xml";
}

// A language code names a folder: letters, digits, "_" and "-" only, so that a code never
// leads out of the translations folder.
bool IsLanguageCode(const std::string& code) {
  return !code.empty() && code.size() <= 32 && std::all_of(code.begin(), code.end(), [](unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '-';
  });
}

}  // namespace

std::string NormalLanguageCode(const std::string& code) {
  const std::string bare = code.substr(0, code.find_first_of(".@"));
  if (bare == "C" || bare == "POSIX" || !IsLanguageCode(bare)) return {};
  // The language part is lower case and the territory upper case, whatever the spelling.
  const std::size_t underscore = bare.find('_');
  std::string result = Lower(bare.substr(0, underscore));
  if (result.empty()) return {};
  if (underscore != std::string::npos) {
    std::string territory = bare.substr(underscore + 1);
    std::transform(territory.begin(), territory.end(), territory.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (!territory.empty()) result += "_" + territory;
  }
  return result;
}

std::string LocaleLanguage(const char* lcAll, const char* lcMessages, const char* lang) {
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value != nullptr && *value != '\0') return NormalLanguageCode(value);
  }
  return {};
}

std::string LanguagePreference(const char* language, const char* lcAll, const char* lcMessages, const char* lang) {
  const std::string locale = LocaleLanguage(lcAll, lcMessages, lang);
  if (locale.empty()) return {};
  std::vector<std::string> codes;
  const std::string list = language != nullptr ? language : "";
  std::size_t at = 0;
  while (at <= list.size()) {
    std::size_t end = list.find(':', at);
    if (end == std::string::npos) end = list.size();
    const std::string code = NormalLanguageCode(list.substr(at, end - at));
    if (!code.empty() && std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
    at = end + 1;
  }
  if (std::find(codes.begin(), codes.end(), locale) == codes.end()) codes.push_back(locale);
  std::string joined;
  for (const std::string& code : codes) joined += (joined.empty() ? "" : ":") + code;
  return joined;
}

std::string EnvironmentLanguage() {
  return LanguagePreference(std::getenv("LANGUAGE"), std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"),
                            std::getenv("LANG"));
}

std::string TranslationsFolder(const std::string& programFolder) { return programFolder + "translations/"; }

std::vector<std::string> AvailableLanguages(const std::string& programFolder) {
  std::vector<std::string> languages;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(TranslationsFolder(programFolder), ec)) {
    const std::string name = entry.path().filename().string();
    if (IsLanguageCode(name) && PathFileExists(TranslationFile(programFolder, name))) languages.push_back(name);
  }
  std::sort(languages.begin(), languages.end());
  return languages;
}

bool TextFileReplaced(const std::string& programFolder) {
  std::string shipped, present;
  if (!ReadWhole(TranslationFile(programFolder, "en"), shipped)) return false;
  if (!ReadWhole(programFolder + "text.xml", present)) return false;
  return shipped != present;
}

TextChoice ChooseTextFile(const std::string& programFolder, const std::string& explicitLanguage,
                          const std::string& preferredLanguages) {
  TextChoice choice;
  choice.path = programFolder + "text.xml";
  // The translation of a code: its territory's first, then the language's own.
  auto translationOf = [&programFolder](const std::string& code) -> std::string {
    const std::string base = code.substr(0, code.find('_'));
    for (const std::string& candidate : {code, base}) {
      if (PathFileExists(TranslationFile(programFolder, candidate))) return candidate;
    }
    return {};
  };
  auto isEnglish = [](const std::string& code) { return code.substr(0, code.find('_')) == "en"; };

  if (!explicitLanguage.empty()) {
    const std::string code = NormalLanguageCode(explicitLanguage);
    choice.reason = "--lang " + explicitLanguage;
    if (!code.empty() && isEnglish(code)) return choice;
    const std::string found = code.empty() ? std::string() : translationOf(code);
    if (!found.empty()) {
      choice.path = TranslationFile(programFolder, found);
      choice.language = found;
      return choice;
    }
    choice.ok = false;
    choice.reason = "no translation \"" + explicitLanguage + "\"";
    return choice;
  }
  if (preferredLanguages.empty()) {
    choice.reason = "no locale language";
    return choice;
  }
  std::size_t at = 0;
  while (at <= preferredLanguages.size()) {
    std::size_t end = preferredLanguages.find(':', at);
    if (end == std::string::npos) end = preferredLanguages.size();
    const std::string code = NormalLanguageCode(preferredLanguages.substr(at, end - at));
    at = end + 1;
    if (code.empty()) continue;
    if (isEnglish(code)) {
      choice.reason = "English locale";
      return choice;
    }
    const std::string found = translationOf(code);
    if (found.empty()) continue;
    if (TextFileReplaced(programFolder)) {
      choice.reason = "text.xml replaced by the user";
      return choice;
    }
    choice.path = TranslationFile(programFolder, found);
    choice.language = found;
    choice.reason = "locale " + preferredLanguages;
    return choice;
  }
  choice.reason = "no translation for locale " + preferredLanguages;
  return choice;
}

TextChoice ChooseTextFile(const std::string& programFolder, const std::string& explicitLanguage,
                          const std::string& settingLanguage, const std::string& settingFrom,
                          const std::string& preferredLanguages) {
  if (!explicitLanguage.empty() || settingLanguage.empty()) {
    return ChooseTextFile(programFolder, explicitLanguage, preferredLanguages);
  }
  const std::string setting = "Language=" + settingLanguage + (settingFrom.empty() ? "" : " in " + settingFrom);
  TextChoice choice = ChooseTextFile(programFolder, settingLanguage, {});
  if (choice.ok) {
    choice.reason = setting;
    return choice;
  }
  choice = ChooseTextFile(programFolder, {}, preferredLanguages);
  choice.reason += " (" + setting + " has no translation)";
  return choice;
}
