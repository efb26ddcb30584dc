// SPDX-License-Identifier: GPL-2.0-or-later
// The steps of start-up and shutdown that are data and rules rather than windows: the
// GUI's application object and the command line run them in the same order.
#pragma once

#include <string>
#include <vector>

struct AppSettings;

// Data initialisation: reads the settings into `settings` (which starts the log) with the
// system's and the user's overrides of the user switches (base/user_settings.h) and
// derives the process's macro limits from them. Returns 1 on success, 0 when cfg.ini
// cannot be read at all (missing, unreadable, not a plain file, too large): without it the
// program knows neither its keyboard nor its user data folder. failure, when given, then
// says "cannot read cfg.ini at PATH: reason". An override file that cannot be read and the
// values refused in one are not failures: they are logged and, when overrideProblems is
// given, put there for the caller to show (one line each).
int DataInit(const std::string& programFolder, AppSettings& settings, std::string* failure = nullptr,
             std::vector<std::string>* overrideProblems = nullptr);

// The two launch lines of the log: 50 dashes, then the date, hour, tc_version and the
// version of this build.
void WriteLaunchLines();

// An empty Title setting takes the text table's tc_title (at most 99 characters).
void ApplyTitleDefault(AppSettings& settings);

// Builds the user data folder (application-data folder + the settings' appdir + "/", or
// the override when one is given), logs "Mk AppData=%s" and creates one missing folder level.
void MakeUserDataFolder(const AppSettings& settings, const std::string& userDirOverride = {});

// The Windows version class that decides whether to declare DPI awareness. It has no
// meaning off Windows, where it is always 0 and the DPI call is skipped.
int WindowsVersionClass();

// The single-instance name: tc_mutex, or "MUTEX_BY_QOR" when empty.
std::u16string InstanceMutexName();
