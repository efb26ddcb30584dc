// SPDX-License-Identifier: GPL-2.0-or-later
// The user's switches over cfg.ini: the user's file over the system's over cfg.ini, key by
// key; the keyboard's description never taken from an override; hostile values and files
// refused without stopping the load; the user's file edited line by line.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>

#include "base/ini_reader.h"
#include "base/settings.h"
#include "base/user_settings.h"
#include "base/user_settings_file.h"
#include "tests/support/test_support.h"
#include "text/utf.h"

namespace {

class UserSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("cfg.ini",
               "[OPT]\nappdir=Tastor\nVID=0x2F68\nPID=0x0A17\nTitle=Shipped\nTrayIcon=3\nApplyNow=1\nScale=150\n"
               "Debug=0\n[KEY]\nK1=10,20,30,40,2,41,0,5\n");
  }
  AppSettings Load(const std::string& system, const std::string& user, SettingsOverrides* seen = nullptr) {
    if (!system.empty()) dir_.Write("etc.ini", system);
    if (!user.empty()) dir_.Write("user.ini", user);
    const SettingsOverrides overrides = ReadSettingsOverrides(dir_.path() + "etc.ini", dir_.path() + "user.ini");
    if (seen != nullptr) *seen = overrides;
    AppSettings s;
    EXPECT_EQ(1, LoadSettings(dir_.path(), s, nullptr, &overrides));
    return s;
  }
  std::string Problems(const SettingsOverrides& o) {
    std::string all;
    for (const std::string& line : o.problems) all += line + "\n";
    return all;
  }
  TempDir dir_;
  RecordingWindowPort port_;
};

TEST_F(UserSettingsTest, UserOverSystemOverCfgIniKeyByKey) {
  SettingsOverrides o;
  const AppSettings s = Load("[OPT]\nTrayIcon=1\nHookDLL=1\nLanguage=de\n",
                             "; mine\n[opt]\ntrayicon=0\nStartHidden=1\nTrayIcon=3\n", &o);
  EXPECT_EQ("", Problems(o));
  EXPECT_EQ(0, s.TrayIcon);  // the user's first line wins over the system's and cfg.ini's
  EXPECT_EQ(1, s.StartHidden);
  EXPECT_EQ(1, s.HookDLL);  // the system's where the user sets none
  EXPECT_EQ(u"de", s.Language);
  EXPECT_EQ(1, s.ApplyNow);  // cfg.ini's where no override sets one
  EXPECT_EQ(150, s.Scale);
  const std::string user = dir_.path() + "user.ini", system = dir_.path() + "etc.ini", shipped = dir_.path() + "cfg.ini";
  EXPECT_EQ((SettingOrigin{SettingSource::kUser, user}), s.OriginOf(UserSwitch::kTrayIcon));
  EXPECT_EQ((SettingOrigin{SettingSource::kUser, user}), s.OriginOf(UserSwitch::kStartHidden));
  EXPECT_EQ((SettingOrigin{SettingSource::kSystem, system}), s.OriginOf(UserSwitch::kHookDLL));
  EXPECT_EQ((SettingOrigin{SettingSource::kSystem, system}), s.OriginOf(UserSwitch::kLanguage));
  EXPECT_EQ((SettingOrigin{SettingSource::kProgram, shipped}), s.OriginOf(UserSwitch::kApplyNow));
  EXPECT_EQ((SettingOrigin{SettingSource::kProgram, shipped}), s.OriginOf(UserSwitch::kDebug));

  // Without override files (missing is normal: no problem) cfg.ini and the defaults decide.
  std::remove((dir_.path() + "etc.ini").c_str());
  std::remove(user.c_str());
  const AppSettings plain = Load("", "", &o);
  EXPECT_TRUE(o.layers.empty());
  EXPECT_EQ("", Problems(o));
  EXPECT_EQ(3, plain.TrayIcon);
  EXPECT_EQ(0, plain.StartHidden);
  EXPECT_EQ(SettingSource::kDefault, plain.OriginOf(UserSwitch::kStartHidden).source);
  EXPECT_TRUE(port_.boxes.empty());
}

TEST_F(UserSettingsTest, TheKeyboardsDescriptionIsNeverOverridden) {
  SettingsOverrides o;
  const AppSettings s = Load("", "[OPT]\nVID=0x1111\nPID=1\nTitle=Mine\nappdir=../../elsewhere\n[KEY]\nK1=0,0,1,1,2,42,0,9\n", &o);
  EXPECT_EQ(0x2F68, s.VID);
  EXPECT_EQ(0x0A17, s.PID);
  EXPECT_EQ(u"Shipped", s.Title);
  EXPECT_EQ(u"Tastor", s.appdir);
  ASSERT_EQ(1, s.KeyTable.count);
  EXPECT_EQ(5, s.KeyTable.keys[0].matrixPos);
  const std::string problems = Problems(o);
  for (const char* told : {"VID is not used", "PID is not used", "Title is not used", "appdir is not used",
                           "section [KEY] is not used"}) {
    EXPECT_TRUE(Has(problems, told)) << told << "\n" << problems;
  }
}

TEST_F(UserSettingsTest, HostileValuesAreRefusedAndTheLowerValueStays) {
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"TrayIcon", "7"}, {"TrayIcon", "-1"}, {"TrayIcon", "0x1"}, {"TrayIcon", "1 2"}, {"TrayIcon", "99999999999"},
      {"Debug", "3"},    {"ApplyNow", "yes"}, {"HookDLL", "2"},   {"Scale", "99"},      {"Scale", "401"},
      {"Scale", "1e3"},  {"StartHidden", "+1"}, {"Language", "../../etc"}, {"Language", "d"},
      {"Language", "de;rm -rf"}, {"Language", "de\x01"}, {"Language", std::string(31, 'a')}, {"Language", "\xC3\xA9s"},
  };
  for (const auto& [key, value] : refused) {
    SettingsOverrides o;
    const AppSettings s = Load("", "[OPT]\n" + key + "=" + value + "\n", &o);
    ASSERT_EQ(1u, o.problems.size()) << key << "=" << value;
    EXPECT_TRUE(Has(o.problems[0], key + "=")) << o.problems[0];
    EXPECT_TRUE(Has(o.problems[0], "is not used (" + key + " takes ")) << o.problems[0];
    EXPECT_EQ(o.problems[0].find('\x01'), std::string::npos);  // control characters never reach a message
    const UserSwitch id = FindUserSwitch(FromUtf8(key))->id;
    EXPECT_NE(SettingSource::kUser, s.OriginOf(id).source) << key << "=" << value;
  }
  // Their edges are taken, numbers written plainly, a code in a locale's form.
  SettingsOverrides o;
  const AppSettings s = Load("", "[OPT]\nScale=400\nTrayIcon=01\nDebug=2\nLanguage=de_AT.UTF-8\nApplyNow=\n", &o);
  EXPECT_EQ("", Problems(o));
  EXPECT_EQ(400, s.Scale);
  EXPECT_EQ(1, s.TrayIcon);
  EXPECT_EQ(2, s.Debug);
  EXPECT_EQ(u"de_AT.UTF-8", s.Language);
  EXPECT_EQ(SettingSource::kProgram, s.OriginOf(UserSwitch::kApplyNow).source);  // an empty value sets nothing
}

TEST_F(UserSettingsTest, AnUnreadableOverrideIsToldAndSkipped) {
  // A pipe where the user's file belongs returns at once; a folder or a huge file the same.
  ASSERT_EQ(0, ::mkfifo((dir_.path() + "user.ini").c_str(), 0600));
  ::mkdir((dir_.path() + "etc.ini").c_str(), 0700);
  SettingsOverrides o;
  const AppSettings s = Load("", "", &o);
  ASSERT_EQ(2u, o.problems.size()) << Problems(o);
  EXPECT_EQ("cannot read " + dir_.path() + "etc.ini: not a regular file; its settings are not used", o.problems[0]);
  EXPECT_TRUE(Has(o.problems[1], "user.ini: not a regular file")) << o.problems[1];
  EXPECT_EQ(3, s.TrayIcon);
  std::remove((dir_.path() + "user.ini").c_str());
  dir_.Write("user.ini", std::string(IniFile::kMaxFileBytes + 1, ';'));
  Load("", "", &o);
  EXPECT_TRUE(Has(Problems(o), "user.ini: larger than 4 MiB")) << Problems(o);
}

TEST_F(UserSettingsTest, TheUsersFileKeepsItsOtherLines) {
  const std::u16string text =
      u"; my settings\n[KEY]\nK1=1\n[OPT]\n; comment\nDebug=2\ntrayicon=3\nApplyNow=1\nTrayIcon=0\n\n[Other]\nx=1\n"
      u"[OPT]\nHookDLL=1\n";
  // The first line of the key takes the value in its canonical name; a later one goes.
  EXPECT_EQ(u"; my settings\n[KEY]\nK1=1\n[OPT]\n; comment\nDebug=2\nTrayIcon=1\nApplyNow=1\n\n[Other]\nx=1\n"
            u"[OPT]\nHookDLL=1\n",
            WithUserSwitch(text, UserSwitch::kTrayIcon, u"1"));
  // A new key goes after the first [OPT] section's last setting, not into [KEY] or [Other].
  EXPECT_EQ(u"; my settings\n[KEY]\nK1=1\n[OPT]\n; comment\nDebug=2\ntrayicon=3\nApplyNow=1\nTrayIcon=0\n"
            u"Scale=200\n\n[Other]\nx=1\n[OPT]\nHookDLL=1\n",
            WithUserSwitch(text, UserSwitch::kScale, u"200"));
  // Removing takes every line of the key, in every [OPT] section.
  EXPECT_EQ(u"; my settings\n[KEY]\nK1=1\n[OPT]\n; comment\nDebug=2\ntrayicon=3\nApplyNow=1\nTrayIcon=0\n\n"
            u"[Other]\nx=1\n[OPT]\n",
            WithUserSwitch(text, UserSwitch::kHookDLL, std::nullopt));
  // No [OPT] yet: the section is added at the end; Windows line ends stay.
  EXPECT_EQ(u"; mine\r\n\r\n[OPT]\r\nLanguage=de\r\n", WithUserSwitch(u"; mine\r\n", UserSwitch::kLanguage, u"de"));
  EXPECT_EQ(u"[OPT]\nStartHidden=1\n", WithUserSwitch(u"", UserSwitch::kStartHidden, u"1"));
}

TEST_F(UserSettingsTest, WritingMakesAPrivateFolderAndReportsWhatFailed) {
  const std::string path = dir_.path() + "config/Tastor/settings.ini";
  bool changed = false;
  EXPECT_EQ("", WriteUserSwitch(path, UserSwitch::kTrayIcon, u"1", &changed));
  EXPECT_TRUE(changed);
  struct stat st {};
  ASSERT_EQ(0, ::stat((dir_.path() + "config/Tastor").c_str(), &st));
  EXPECT_EQ(0700u, st.st_mode & 0777);
  const SettingsOverrides o = ReadSettingsOverrides("", path);
  ASSERT_EQ(1u, o.layers.size());
  EXPECT_EQ(u"1", o.layers[0].values[static_cast<std::size_t>(UserSwitch::kTrayIcon)]);
  EXPECT_EQ("", WriteUserSwitch(path, UserSwitch::kTrayIcon, u"1", &changed));
  EXPECT_FALSE(changed);  // already so: the file is left alone

  // A file where the folder belongs, and a folder where the file belongs.
  dir_.Write("blocked", "x");
  EXPECT_EQ("cannot create the folder " + dir_.path() + "blocked: a file is in its place",
            WriteUserSwitch(dir_.path() + "blocked/Tastor/settings.ini", UserSwitch::kDebug, u"1"));
  ::mkdir((dir_.path() + "folder.ini").c_str(), 0700);
  EXPECT_EQ("cannot read " + dir_.path() + "folder.ini: not a regular file",
            WriteUserSwitch(dir_.path() + "folder.ini", UserSwitch::kDebug, u"1"));
}

}  // namespace

TEST(UserSettingsPlace, AnUnsetEmptyOrRelativeConfigHomeMeansDotConfig) {
  const std::string saved = std::getenv("XDG_CONFIG_HOME") != nullptr ? std::getenv("XDG_CONFIG_HOME") : "";
  const std::string home = std::getenv("HOME");
  ::setenv("XDG_CONFIG_HOME", "/somewhere//", 1);
  EXPECT_EQ("/somewhere/Tastor/settings.ini", UserSettingsPath());
  for (const char* value : {"", "relative/config"}) {
    ::setenv("XDG_CONFIG_HOME", value, 1);
    EXPECT_EQ(home + "/.config/Tastor/settings.ini", UserSettingsPath()) << value;
  }
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(home + "/.config/Tastor/settings.ini", UserSettingsPath());
  ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  EXPECT_EQ(std::getenv("TASTOR_SYSTEM_SETTINGS"), SystemSettingsPath());  // the tests' own, never /etc
}
