// SPDX-License-Identifier: GPL-2.0-or-later
// MacroLimits: the sizes of the keyboard's macro buffer and the editor's bounds,
// derived once from the settings at start-up.
#pragma once

#include <cstdint>

struct AppSettings;

struct MacroLimits {
  int32_t bufferSize = 192;    // bytes of one macro slot (MacroBufferSize)
  int32_t bufferCount = 10;    // slots in the device macro buffer
  int32_t minDelay = 10;       // ms
  int32_t eventsPerMacro = 62; // (bufferSize - 4) / 3
  int32_t repeatMax = 255;
  int32_t delayMax = 40950;    // ms
};

MacroLimits DeriveMacroLimits(const AppSettings& settings);

// The process-wide limits, set by start-up's data initialisation.
MacroLimits& Limits();
