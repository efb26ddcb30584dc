// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/identifier.h"

#include <sys/time.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>

namespace {

IdentifierTime LocalClock() {
  timeval now{};
  ::gettimeofday(&now, nullptr);
  std::tm local{};
  ::localtime_r(&now.tv_sec, &local);
  return {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(now.tv_usec / 1000)};
}

std::atomic<IdentifierClock> g_clock{LocalClock};
constexpr int kPauseMs = 20;
std::atomic<int> g_pauseMs{kPauseMs};

}  // namespace

void SetIdentifierClock(IdentifierClock clock) { g_clock.store(clock != nullptr ? clock : LocalClock); }

void SetIdentifierPause(int milliseconds) { g_pauseMs.store(milliseconds < 0 ? kPauseMs : milliseconds); }

uint32_t NewIdentifier(const IdentifierTaken& taken) {
  if (const int pause = g_pauseMs.load(); pause > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause));
  uint32_t id = PackIdentifier(g_clock.load()()) & kIdentifierMask;
  // At most every 24-bit value is tried once; a caller never holds that many.
  for (uint32_t tries = 0; tries <= kIdentifierMask; ++tries) {
    if (id != 0 && !(taken && taken(id))) return id;
    id = (id + 1) & kIdentifierMask;
  }
  return 0;
}
