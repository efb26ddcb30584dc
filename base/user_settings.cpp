// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/user_settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "base/ini_reader.h"
#include "platform/checked_file.h"
#include "text/utf.h"

namespace {

constexpr std::u16string_view kOpt = u"OPT";
constexpr std::size_t kMaxLanguageChars = 30;
constexpr std::size_t kShownValueChars = 40;

const std::array<UserSwitchInfo, kUserSwitchCount> kSwitches = {{
    {UserSwitch::kTrayIcon, "TrayIcon", "0, 1, 2 or 3",
     "1: a tray icon and the window starts hidden, 3: a tray icon and the window starts shown, 0 or 2: no tray icon"},
    {UserSwitch::kApplyNow, "ApplyNow", "0 or 1", "1: each change is written to the keyboard at once"},
    {UserSwitch::kDebug, "Debug", "0, 1 or 2", "the diagnostic log: 0 off, 1 debugger output, 2 also Log.txt on the desktop"},
    {UserSwitch::kHookDLL, "HookDLL", "0 or 1", "1: keys are captured system-wide while a macro is recorded"},
    {UserSwitch::kLanguage, "Language", "a language code such as de or de_AT",
     "the language of the texts when --lang is not given (default: the locale's)"},
    {UserSwitch::kScale, "Scale", "0 or 100 to 400", "the windows' scale in percent; 0: the desktop's"},
    {UserSwitch::kStartHidden, "StartHidden", "0 or 1", "1: the window starts hidden in the tray, as with --hidden"},
}};

// A plain decimal number of at most four digits.
std::optional<int> WholeNumber(std::u16string_view value) {
  if (value.empty() || value.size() > 4) return std::nullopt;
  int n = 0;
  for (const char16_t c : value) {
    if (c < u'0' || c > u'9') return std::nullopt;
    n = n * 10 + (c - u'0');
  }
  return n;
}

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

bool IsLanguageCode(std::u16string_view value) {
  if (value.size() < 2 || value.size() > kMaxLanguageChars) return false;
  std::size_t letters = 0;
  while (letters < value.size() && IsAsciiLetter(value[letters])) ++letters;
  if (letters < 2 || letters > 3) return false;
  if (letters < value.size() && value[letters] != u'_' && value[letters] != u'.' && value[letters] != u'@' &&
      value[letters] != u'-') {
    return false;
  }
  for (const char16_t c : value) {
    const bool ok = IsAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'_' || c == u'.' || c == u'@' || c == u'-';
    if (!ok) return false;
  }
  return true;
}

// A folder from the environment without trailing separators, or "" when it is unset,
// empty or not absolute (the base directory rules ignore a relative one).
std::string AbsoluteEnvFolder(const char* name) {
  const char* v = std::getenv(name);
  std::string value = v != nullptr ? std::string(v) : std::string();
  if (value.empty() || value.front() != '/') return {};
  while (value.size() > 1 && value.back() == '/') value.pop_back();
  return value;
}

void ReadLayer(SettingSource source, const std::string& path, SettingsOverrides& out) {
  if (path.empty()) return;
  const FileBytes file = ReadWholeFile(path, IniFile::kMaxFileBytes);
  // No file is the usual case: nobody has overridden anything.
  if (file.error == ENOENT) return;
  if (!file.ok()) {
    out.problems.push_back("cannot read " + path + ": " + file.Reason() + "; its settings are not used");
    return;
  }
  const IniFile ini = IniFile::Parse(DecodeTextFile(file.bytes));
  SettingsLayer layer;
  layer.source = source;
  layer.path = path;
  for (const std::u16string& section : ini.SectionNames()) {
    if (EqualsIgnoreCase(section, kOpt)) continue;
    out.problems.push_back(path + ": section [" + PrintableValue(section) +
                           "] is not used (the keyboard's description comes from cfg.ini beside the program)");
  }
  for (const std::u16string& key : ini.KeysOf(kOpt)) {
    const UserSwitchInfo* info = FindUserSwitch(key);
    if (info == nullptr) {
      out.problems.push_back(path + ": " + PrintableValue(key) +
                             " is not used (only TrayIcon, ApplyNow, Debug, HookDLL, Language, Scale and "
                             "StartHidden may be set here)");
      continue;
    }
    const std::u16string value = *ini.Find(kOpt, key);
    // An empty value sets nothing, as an empty value of cfg.ini gives the default.
    if (value.empty()) continue;
    if (const char* why = UserSwitchValueProblem(info->id, value)) {
      out.problems.push_back(path + ": " + info->name + "=" + PrintableValue(value) + " is not used (" + why + ")");
      continue;
    }
    layer.values[static_cast<std::size_t>(info->id)] = CanonicalValue(info->id, value);
  }
  out.layers.push_back(std::move(layer));
}

}  // namespace

const std::array<UserSwitchInfo, kUserSwitchCount>& UserSwitches() { return kSwitches; }

const UserSwitchInfo& InfoOf(UserSwitch id) { return kSwitches[static_cast<std::size_t>(id)]; }

const UserSwitchInfo* FindUserSwitch(std::u16string_view key) {
  for (const UserSwitchInfo& info : kSwitches) {
    if (EqualsIgnoreCase(key, FromUtf8(info.name))) return &info;
  }
  return nullptr;
}

const char* UserSwitchValueProblem(UserSwitch id, std::u16string_view value) {
  if (id == UserSwitch::kLanguage) {
    return IsLanguageCode(value) ? nullptr : "Language takes a language code such as de or de_AT";
  }
  const std::optional<int> n = WholeNumber(value);
  switch (id) {
    case UserSwitch::kTrayIcon:
      return n && *n <= 3 ? nullptr : "TrayIcon takes 0, 1, 2 or 3";
    case UserSwitch::kDebug:
      return n && *n <= 2 ? nullptr : "Debug takes 0, 1 or 2";
    case UserSwitch::kScale:
      return n && (*n == 0 || (*n >= 100 && *n <= 400)) ? nullptr : "Scale takes 0 or 100 to 400";
    case UserSwitch::kApplyNow:
      return n && *n <= 1 ? nullptr : "ApplyNow takes 0 or 1";
    case UserSwitch::kHookDLL:
      return n && *n <= 1 ? nullptr : "HookDLL takes 0 or 1";
    case UserSwitch::kStartHidden:
      return n && *n <= 1 ? nullptr : "StartHidden takes 0 or 1";
    case UserSwitch::kLanguage:
      break;
  }
  return nullptr;
}

std::u16string CanonicalValue(UserSwitch id, std::u16string_view value) {
  if (id == UserSwitch::kLanguage) return std::u16string(value);
  const std::optional<int> n = WholeNumber(value);
  return n ? FromUtf8(std::to_string(*n)) : std::u16string(value);
}

const char* SourceWord(SettingSource source) {
  switch (source) {
    case SettingSource::kProgram: return "cfg.ini";
    case SettingSource::kSystem: return "system";
    case SettingSource::kUser: return "user";
    case SettingSource::kDefault: break;
  }
  return "default";
}

std::string UserSettingsFolder() {
  std::string config = AbsoluteEnvFolder("XDG_CONFIG_HOME");
  if (config.empty()) {
    const std::string home = AbsoluteEnvFolder("HOME");
    if (home.empty()) return {};
    config = home + "/.config";
  }
  return config + "/Tastor/";
}

std::string UserSettingsPath() {
  const std::string folder = UserSettingsFolder();
  return folder.empty() ? std::string() : folder + "settings.ini";
}

std::string SystemSettingsPath() {
  const char* test = std::getenv("TASTOR_SYSTEM_SETTINGS");
  return test != nullptr && *test != 0 ? std::string(test) : std::string("/etc/tastor/cfg.ini");
}

SettingsOverrides ReadSettingsOverrides(const std::string& systemPath, const std::string& userPath) {
  SettingsOverrides out;
  ReadLayer(SettingSource::kSystem, systemPath, out);
  ReadLayer(SettingSource::kUser, userPath, out);
  return out;
}

SettingsOverrides ReadSettingsOverrides() { return ReadSettingsOverrides(SystemSettingsPath(), UserSettingsPath()); }

LayeredValue Layered(const SettingsOverrides& overrides, UserSwitch id, std::optional<std::u16string> base,
                     const std::string& basePath) {
  LayeredValue result;
  if (base && !base->empty()) {
    result.value = std::move(base);
    result.origin = {SettingSource::kProgram, basePath};
  }
  for (const SettingsLayer& layer : overrides.layers) {
    const auto& v = layer.values[static_cast<std::size_t>(id)];
    if (!v) continue;
    result.value = *v;
    result.origin = {layer.source, layer.path};
  }
  return result;
}

std::string PrintableValue(std::u16string_view text) {
  const bool cut = text.size() > kShownValueChars;
  if (cut) text = text.substr(0, kShownValueChars);
  std::u16string out;
  for (const char16_t c : text) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
      out += FromUtf8(escaped);
    } else {
      out.push_back(c);
    }
  }
  return ToUtf8(out) + (cut ? "..." : "");
}
