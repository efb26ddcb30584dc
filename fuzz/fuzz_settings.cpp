// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes the settings file: any bytes, as cfg.ini beside the program, are read by the ini
// reader and the settings loader (every key of OPT and the K lines of KEY). The loaded
// settings must keep the limits the rest of the program relies on: at most 126 keys, each
// at a matrix position below 126, list counts inside their arrays, and macro slots that
// fit the keyboard's buffer. The same bytes as the user's settings file: only values the
// user switches' rules allow are taken, and set-option's line edit sets exactly the one key
// (as the reader then reads it) and leaves every other key of the file as it was.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "base/ini_reader.h"
#include "base/settings.h"
#include "base/user_settings.h"
#include "base/user_settings_file.h"
#include "fuzz/fuzz_support.h"
#include "macro/macro_encoding.h"
#include "macro/macro_limits.h"
#include "text/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using fuzzing::Check;
  const std::string folder = fuzzing::Scratch() + "program/";
  static const bool made = std::filesystem::create_directories(folder) || true;
  (void)made;
  fuzzing::WriteBytes(folder + "cfg.ini", {data, size});

  // The reader on its own, with the lookups the loader makes.
  const IniFile ini = IniFile::Load(folder + "cfg.ini");
  (void)ini.GetInt(u"OPT", u"VID", 0);
  (void)ini.GetString(u"KEY", u"K1", u"", 260);
  (void)ini.GetString(u"opt", u"rcKB", u"x", 50);

  AppSettings settings;
  Check(LoadSettings(folder, settings) == 1, "the settings load never fails");
  Check(settings.KeyTable.count >= 0 && settings.KeyTable.count <= kKeyCount, "key table count");
  for (int i = 0; i < settings.KeyTable.count; ++i) {
    Check(settings.KeyTable.keys[static_cast<std::size_t>(i)].matrixPos >= 0 &&
              settings.KeyTable.keys[static_cast<std::size_t>(i)].matrixPos < kKeyCount,
          "key table matrix position");
  }
  Check(settings.Title.size() < 100 && settings.USBString.size() < 30 && settings.appdir.size() < 30,
        "string settings are cut to their buffers");
  Check(settings.ModesCount >= 0 && settings.ModesCount <= 30, "mode list count");
  Check(settings.LightPercentageCount >= 0 && settings.LightPercentageCount <= 80, "percentage list count");
  Check(settings.UnRectKey.count >= 0 && settings.UnRectKey.count <= 50, "outline count");
  (void)settings.UnRectKey.Corners();

  fuzzing::WriteBytes(folder + "settings.ini", {data, size});
  const SettingsOverrides overrides = ReadSettingsOverrides("", folder + "settings.ini");
  for (const SettingsLayer& layer : overrides.layers) {
    for (const UserSwitchInfo& info : UserSwitches()) {
      const auto& v = layer.values[static_cast<std::size_t>(info.id)];
      Check(!v || UserSwitchValueProblem(info.id, *v) == nullptr, "an override holds only allowed values");
    }
  }
  AppSettings layered;
  Check(LoadSettings(folder, layered, nullptr, &overrides) == 1, "the layered load never fails");
  Check(layered.Scale == 0 || layered.Scale == settings.Scale || (layered.Scale >= 100 && layered.Scale <= 400),
        "an overridden Scale is one the rules allow");
  const std::u16string text = DecodeTextFile(std::string_view(reinterpret_cast<const char*>(data), size));
  const IniFile before = IniFile::Parse(text);
  for (const std::optional<std::u16string_view> value : {std::optional<std::u16string_view>(u"3"),
                                                          std::optional<std::u16string_view>()}) {
    const IniFile after = IniFile::Parse(WithUserSwitch(text, UserSwitch::kTrayIcon, value));
    Check(after.Find(u"OPT", u"TrayIcon") == (value ? std::optional<std::u16string>(*value) : std::nullopt),
          "set-option's edit sets the key as the reader reads it");
    for (const std::u16string& key : before.KeysOf(u"OPT")) {
      if (FindUserSwitch(key) != nullptr && FindUserSwitch(key)->id == UserSwitch::kTrayIcon) continue;
      Check(after.Find(u"OPT", key) == before.Find(u"OPT", key), "set-option's edit keeps the other keys");
    }
  }

  // Whatever MacroBufferSize says, a slot is never written past the keyboard's buffer.
  const MacroLimits limits = DeriveMacroLimits(settings);
  MacroRecord record = MakeDefaultMacro(1, u"m");
  for (int i = 0; i < kMacroEventsMax; ++i) {
    record.Events[static_cast<std::size_t>(i)] = MacroEvent{static_cast<uint16_t>('A' + i % 26), static_cast<uint16_t>(i % 2), 5000};
  }
  std::array<uint8_t, 1920 + 16> buffer{};
  buffer.fill(0xEE);
  StMacro_To_HdMacro(&record, buffer.data(), limits);
  Check(std::all_of(buffer.begin() + 1920, buffer.end(), [](uint8_t b) { return b == 0xEE; }),
        "a macro slot stays inside the macro buffer");
  return 0;
}
