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

std::string LocaleLanguage(const char* lcAll, const char* lcMessages, const char* lang) {
  std::string locale;
  for (const char* value : {lcAll, lcMessages, lang}) {
    if (value != nullptr && *value != '\0') {
      locale = value;
      break;
    }
  }
  locale = locale.substr(0, locale.find_first_of(".@"));
  if (locale == "C" || locale == "POSIX" || !IsLanguageCode(locale)) return {};
  // The language part is lower case and the territory upper case, whatever the spelling.
  const std::size_t underscore = locale.find('_');
  std::string result = Lower(locale.substr(0, underscore));
  if (underscore != std::string::npos) {
    std::string territory = locale.substr(underscore + 1);
    std::transform(territory.begin(), territory.end(), territory.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (!territory.empty()) result += "_" + territory;
  }
  return result;
}

std::string EnvironmentLanguage() {
  return LocaleLanguage(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
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
                          const std::string& localeLanguage) {
  TextChoice choice;
  choice.path = programFolder + "text.xml";
  if (!explicitLanguage.empty()) {
    const std::string code = explicitLanguage;
    if (Lower(code) == "en") {
      choice.reason = "--lang en";
      return choice;
    }
    if (IsLanguageCode(code) && PathFileExists(TranslationFile(programFolder, code))) {
      choice.path = TranslationFile(programFolder, code);
      choice.language = code;
      choice.reason = "--lang " + code;
      return choice;
    }
    choice.ok = false;
    choice.reason = "no translation \"" + code + "\"";
    return choice;
  }
  if (localeLanguage.empty()) {
    choice.reason = "no locale language";
    return choice;
  }
  const std::string base = localeLanguage.substr(0, localeLanguage.find('_'));
  if (base == "en") {
    choice.reason = "English locale";
    return choice;
  }
  if (TextFileReplaced(programFolder)) {
    choice.reason = "text.xml replaced by the user";
    return choice;
  }
  for (const std::string& code : {localeLanguage, base}) {
    if (PathFileExists(TranslationFile(programFolder, code))) {
      choice.path = TranslationFile(programFolder, code);
      choice.language = code;
      choice.reason = "locale " + localeLanguage;
      return choice;
    }
  }
  choice.reason = "no translation for locale " + localeLanguage;
  return choice;
}
