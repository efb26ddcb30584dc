// SPDX-License-Identifier: GPL-2.0-or-later
// The switches a user may set over the shipped cfg.ini, and where their values come from.
// cfg.ini beside the executable describes the keyboard and gives every default; the
// system's /etc/tastor/cfg.ini and then the user's $XDG_CONFIG_HOME/Tastor/settings.ini may
// override the user's own switches (section [OPT], key by key), never the keyboard's
// description. LoadSettings (base/settings.h) takes the overrides read here; tastor-cli's
// "config" shows each switch's origin and "set-option" writes the user's file
// (base/user_settings_file.h). Reads go through the checked opener; nothing here shows.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The user's switches, in the order "config" and the help list them.
enum class UserSwitch { kTrayIcon, kApplyNow, kDebug, kHookDLL, kLanguage, kScale, kStartHidden };
inline constexpr std::size_t kUserSwitchCount = 7;

struct UserSwitchInfo {
  UserSwitch id;
  const char* name;     // the key as it is written in [OPT]
  const char* allowed;  // the values it takes, for messages and help ("0, 1, 2 or 3")
  const char* help;     // what it does, one line
};

// Every user switch, in the order of UserSwitch.
const std::array<UserSwitchInfo, kUserSwitchCount>& UserSwitches();
const UserSwitchInfo& InfoOf(UserSwitch id);
// The switch of that key, compared ignoring case; null for any other key.
const UserSwitchInfo* FindUserSwitch(std::u16string_view key);

// Why an override cannot take the value, or null when it can. Numbers are plain decimal
// (no sign, no base prefix, nothing after them) within the switch's values; a language is
// a code such as "de" or "de_AT" (letters, digits and "_", ".", "@", "-" after two or three
// letters, at most 30 characters). Whether a translation exists is the caller's question.
const char* UserSwitchValueProblem(UserSwitch id, std::u16string_view value);
// The value as the user's file writes it: numbers without leading zeros, codes as given.
std::u16string CanonicalValue(UserSwitch id, std::u16string_view value);

// Where a switch got its value.
enum class SettingSource { kDefault, kProgram, kSystem, kUser };
struct SettingOrigin {
  SettingSource source = SettingSource::kDefault;
  std::string path;  // the file, or "" for the default
  friend bool operator==(const SettingOrigin&, const SettingOrigin&) = default;
};
// "default", "cfg.ini", "system", "user": the word the JSON of "config" uses.
const char* SourceWord(SettingSource source);

// The user's folder of settings: $XDG_CONFIG_HOME/Tastor/ (an unset, empty or relative
// variable counts as ~/.config), or "" when neither it nor HOME gives a folder.
std::string UserSettingsFolder();
// The user's settings file in it, "settings.ini" ("" without a folder).
std::string UserSettingsPath();
// The system-wide overrides: /etc/tastor/cfg.ini, or $TASTOR_SYSTEM_SETTINGS when set
// (the tests' file, so that they never read the machine's).
std::string SystemSettingsPath();

// One override file as read: the accepted value of each switch it sets.
struct SettingsLayer {
  SettingSource source = SettingSource::kSystem;
  std::string path;
  std::array<std::optional<std::u16string>, kUserSwitchCount> values;
};
// The override files, lowest first, and what was wrong with them, one line each
// ("cannot read PATH: reason; its settings are not used", "PATH: TrayIcon=7 is not used
// (TrayIcon takes 0, 1, 2 or 3)"). A missing file is normal and gives no layer and no line.
struct SettingsOverrides {
  std::vector<SettingsLayer> layers;
  std::vector<std::string> problems;
};
// Reads the two files ("" skips one). Values the rules refuse, keys that are not user
// switches and other sections than [OPT] are left out, each with a problem line.
SettingsOverrides ReadSettingsOverrides(const std::string& systemPath, const std::string& userPath);
// The same from the default places.
SettingsOverrides ReadSettingsOverrides();

// The switch's final value over the base value from cfg.ini (or nothing), and its origin.
struct LayeredValue {
  std::optional<std::u16string> value;
  SettingOrigin origin;
};
LayeredValue Layered(const SettingsOverrides& overrides, UserSwitch id, std::optional<std::u16string> base,
                     const std::string& basePath);

// A value for a message or a log line: control characters written as \xNN, and a value
// longer than 40 characters cut with "...".
std::string PrintableValue(std::u16string_view text);
