// SPDX-License-Identifier: GPL-2.0-or-later
// The program's identifiers for profiles and macros: a 24-bit value packed from the local
// clock after a short wait, so that two identifiers made one after the other differ.
#pragma once

#include <cstdint>
#include <functional>

// The parts of the local time an identifier is made from.
struct IdentifierTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

// ((hour & 15) << 20) | (minute << 14) | (second << 8) | (millisecond & 255).
constexpr uint32_t PackIdentifier(const IdentifierTime& t) {
  return (static_cast<uint32_t>(t.hour & 15) << 20) | (static_cast<uint32_t>(t.minute) << 14) |
         (static_cast<uint32_t>(t.second) << 8) | (static_cast<uint32_t>(t.millisecond) & 255u);
}

// Identifiers live in 24 bits.
constexpr uint32_t kIdentifierMask = 0x00FFFFFFu;

// Says whether an identifier is already held by a record of the caller's collection.
using IdentifierTaken = std::function<bool(uint32_t)>;

// Waits 20 ms, reads the local time and packs it. The clock alone can give 0 (at 16:00:00
// with a millisecond low byte of 0) and repeats every 16 hours, so the result is moved on
// to the next free value when it is 0 or already taken: a new identifier is never 0 and
// never equal to one the caller already holds.
uint32_t NewIdentifier(const IdentifierTaken& taken = {});

// The time source of NewIdentifier: the local clock unless replaced (tests); null restores it.
using IdentifierClock = IdentifierTime (*)();
void SetIdentifierClock(IdentifierClock clock);
// The wait before the clock is read (20 ms unless replaced; tests with their own clock and
// the fuzz targets leave it out). Negative restores it.
void SetIdentifierPause(int milliseconds);
