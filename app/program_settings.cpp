// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/program_settings.h"

AppSettings& Settings() {
  static AppSettings settings;
  return settings;
}
