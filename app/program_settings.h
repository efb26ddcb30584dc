// SPDX-License-Identifier: GPL-2.0-or-later
// The running GUI's one AppSettings value: start-up (ui/tastor_app) reads cfg.ini into it
// once, and the windows read it and hand it (or the fields needed) down to the controls,
// the skin, the model and the device code, which never reach for it themselves.
// tastor-cli keeps its own value in its command context and does not use this holder.
#pragma once

#include "base/settings.h"

// The program's settings, read-only after start-up.
AppSettings& Settings();
