// SPDX-License-Identifier: GPL-2.0-or-later
// The automatic profile switch: while the keyboard is present, the main window's timer
// (every 1300 ms) looks for the first profile of the store whose linked program runs, and
// has the apply worker write it into the keyboard (lighting, colour group, matrix and
// macros; no progress window). The profile becomes current only when that run succeeded.
// A failed run changes nothing and is not tried again for the same profile until another
// profile (or none) matches or the keyboard arrives again, so a keyboard that refuses the
// reports is not written to every tick. While the user is in a modal window (the picker,
// the macro editor, a message box, a file dialog) nothing is switched: the edit made
// there belongs to the profile it was begun in, so the switch waits for the first tick
// after the last modal window has closed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/process_scan.h"

class ProfileStore;
struct Profile;

// The flags of the automatic apply: matrix and macros, lighting, colour group.
inline constexpr uint32_t kAutoSwitchFlags = 0x0007;

// The first profile of the store, in store order, whose linked program is not empty and is
// contained, ignoring case, in a name of one of the processes. Null when none.
const Profile* FirstLinkedProfile(const ProfileStore& store, const std::vector<RunningProcess>& processes);

// Sets the profile's linked program (cut to 259 characters; empty removes the link).
void SetLinkedProgram(Profile& profile, std::u16string_view program);

// The names shown for choosing a linked program: every process name that is an executable
// or a program file (its exe's base name and the files its arguments name), without
// repeats, Windows programs (".exe") first and each group sorted ignoring case; kernel threads and the names of this program are left
// out.
std::vector<std::u16string> LinkableProgramNames(const std::vector<RunningProcess>& processes, int ownPid);

class ProfileSwitch {
 public:
  // One tick of the timer. Returns the id of the profile the caller is to apply (with
  // kAutoSwitchFlags), or 0 for nothing to do: no keyboard, the user in a modal window, a
  // run still under way, no linked program running, the match already current, or the
  // match's last run failed. Scans the processes only when a switch may run.
  uint32_t Tick(bool devicePresent, bool userInModal, const ProfileStore& store, ProcessScanner& scanner);

  enum class RunResult {
    Applied,
    Failed,  // the keyboard refused a report
    NotRun,  // the keyboard had gone: tried again on a later tick
  };
  // The run for the profile ended. True when the caller is to make it current (and save
  // the current id): it was applied and the user is not in a modal window. A run that
  // ends while a modal window is open is not made current (an edit under way would land
  // in the wrong profile); the next tick after the window has closed applies it again.
  bool RunEnded(uint32_t profileId, RunResult result, bool userInModal);
  // The keyboard arrived again: a failed profile may be tried again.
  void DeviceArrived() { failed_ = 0; }

  uint32_t Pending() const { return pending_; }

 private:
  uint32_t pending_ = 0;  // requested, its end not yet reported
  uint32_t failed_ = 0;   // the last profile whose run failed
};
