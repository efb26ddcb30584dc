// SPDX-License-Identifier: GPL-2.0-or-later
#include "macro/macro_limits.h"

#include "base/settings.h"

MacroLimits DeriveMacroLimits(const AppSettings& settings) {
  MacroLimits limits;
  limits.bufferSize = settings.MacroBufferSize;
  limits.bufferCount = 10;
  limits.minDelay = 10;
  limits.eventsPerMacro = (settings.MacroBufferSize - 4) / 3;
  limits.repeatMax = 255;
  limits.delayMax = 40950;
  return limits;
}

MacroLimits& Limits() {
  static MacroLimits limits;
  return limits;
}
