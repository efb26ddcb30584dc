// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/startup.h"

#include <ctime>

#include "app/paths.h"
#include "app/version.h"
#include "base/log.h"
#include "base/settings.h"
#include "macro/macro_limits.h"
#include "platform/special_folders.h"
#include "text/text_table.h"
#include "text/utf.h"

AppPaths& Paths() {
  static AppPaths paths;
  return paths;
}

std::string WithTrailingSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder.push_back('/');
  return folder;
}

int DataInit(const std::string& programFolder, AppSettings& settings, std::string* failure,
             std::vector<std::string>* overrideProblems) {
  std::string problem;
  const SettingsOverrides overrides = ReadSettingsOverrides();
  LoadSettings(programFolder, settings, &problem, &overrides);
  for (const std::string& line : overrides.problems) WriteLog("Settings: %s", line.c_str());
  if (overrideProblems != nullptr) *overrideProblems = overrides.problems;
  Limits() = DeriveMacroLimits(settings);
  if (problem.empty()) return 1;
  const std::string text = "cannot read cfg.ini at " + programFolder + "cfg.ini: " + problem;
  WriteLog("DataInit: %s", text.c_str());
  if (failure != nullptr) *failure = text;
  return 0;
}

void WriteLaunchLines() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  WriteLog("--------------------------------------------------");
  // The keyboard maker's version text first, then the version of this build of Tastor.
  WriteLog("Launch %04d-%d-%d:%dH, App Ver=%s, Tastor %s", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
           local.tm_hour, ToUtf8(TextTable::Instance().tc_version).c_str(), TastorVersion());
}

void ApplyTitleDefault(AppSettings& s) {
  if (s.Title.empty()) s.Title = Truncated(TextTable::Instance().tc_title, 100);
}

void MakeUserDataFolder(const AppSettings& settings, const std::string& userDirOverride) {
  std::string folder;
  if (!userDirOverride.empty()) {
    folder = WithTrailingSlash(userDirOverride);
  } else {
    folder = AppDataFolder() + "/" + ToUtf8(settings.appdir) + "/";
  }
  Paths().userDataFolder = folder;
  WriteLog("Mk AppData=%s", folder.c_str());
  if (!PathFileExists(folder)) {
    // The application-data folder itself is the platform's and always there on Windows; on
    // Linux a new account may lack ~/.local/share, so it is made first: otherwise every
    // profile and macro of the session would be lost.
    if (userDirOverride.empty()) CreateDirectoryPath(AppDataFolder());
    const int err = CreateOneDirectory(folder);
    if (err != 0) WriteLog("CreateDirectory err=%d", err);
  }
}

int WindowsVersionClass() { return 0; }

std::u16string InstanceMutexName() {
  const std::u16string& name = TextTable::Instance().tc_mutex;
  return name.empty() ? std::u16string(u"MUTEX_BY_QOR") : name;
}
