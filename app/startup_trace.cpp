// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/startup_trace.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/checked_file.h"

namespace {

// /proc/PID/stat is a few hundred bytes; anything longer is not the kernel's.
constexpr std::size_t kMaxStatBytes = 4096;
// The field of /proc/PID/stat that holds the start time in clock ticks since boot.
constexpr int kStartTimeField = 22;

double BootClockMs() {
  timespec now{};
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The process's start on the boot clock, in milliseconds; the kernel counts it in clock
// ticks (10 ms on most systems). Negative when /proc cannot tell.
double ProcessStartMs() {
  const FileBytes file = ReadWholeFile("/proc/self/stat", kMaxStatBytes);
  if (!file.ok()) return -1;
  const std::string& stat = file.bytes;
  // The command name (field 2) is in parentheses and may hold spaces: count after it.
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  int field = 2;
  std::size_t at = close + 1;
  while (at < stat.size() && field < kStartTimeField) {
    if (stat[at] == ' ') ++field;
    ++at;
  }
  if (field != kStartTimeField) return -1;
  const long ticksPerSecond = ::sysconf(_SC_CLK_TCK);
  if (ticksPerSecond <= 0) return -1;
  const double ticks = std::strtod(stat.c_str() + at, nullptr);
  return ticks * 1000.0 / static_cast<double>(ticksPerSecond);
}

struct Trace {
  bool on = false;
  double start = 0;  // the process's start, boot clock
  double last = 0;   // the previous step
  Trace() {
    const char* value = std::getenv("TASTOR_TRACE_STARTUP");
    on = value != nullptr && *value != 0 && std::strcmp(value, "0") != 0;
    if (!on) return;
    const double now = BootClockMs();
    const double started = ProcessStartMs();
    start = started >= 0 && started <= now ? started : now;
    last = start;
  }
};

Trace& TheTrace() {
  static Trace trace;
  return trace;
}

}  // namespace

bool StartupTraceOn() { return TheTrace().on; }

void TraceStartup(const char* step) {
  Trace& trace = TheTrace();
  if (!trace.on) return;
  const double now = BootClockMs();
  std::fprintf(stderr, "tastor start-up: %7.1f ms (+%6.1f) %s\n", now - trace.start, now - trace.last, step);
  trace.last = now;
}
