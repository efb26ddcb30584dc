// SPDX-License-Identifier: GPL-2.0-or-later
// The running Tastor as tastor-cli reaches it on the session bus (name org.tastor.Tastor,
// interface org.tastor.Tastor1, packaging/org.tastor.Tastor1.xml), over libdbus-1: whether
// one runs, which files and which keyboard it works on, its profile buttons, and its
// SwitchProfile and Apply calls. "apply" and "switch" go through it when it runs, so that
// the window, the files and the keyboard never disagree. The CLI never starts a bus: it
// uses $DBUS_SESSION_BUS_ADDRESS, else the user's bus at $XDG_RUNTIME_DIR/bus.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"

class RunningTastor {
 public:
  // The answer to a call: ok, or the error's name and message.
  struct Answer {
    bool ok = false;
    std::string errorName;
    std::string message;
  };
  struct ProfileButton {
    uint32_t slot = 0;
    std::string name;
  };

  // The program on the session bus, or nothing with `why` saying what was missing.
  static std::optional<RunningTastor> Find(std::string& why);

  ~RunningTastor();
  RunningTastor(RunningTastor&& other) noexcept;
  RunningTastor& operator=(RunningTastor&&) = delete;
  RunningTastor(const RunningTastor&) = delete;
  RunningTastor& operator=(const RunningTastor&) = delete;

  // Its properties, read by Find.
  const std::string& UserDataFolder() const { return userDataFolder_; }
  bool Simulated() const { return simulated_; }

  // CurrentProfile (0 when it cannot be read or the profile has no button).
  uint32_t CurrentSlot();
  std::vector<ProfileButton> Profiles();
  // Answered once the keyboard has taken the profile, or not (at most kApplyTimeoutMs).
  Answer SwitchProfile(uint32_t slot);
  Answer Apply();

  // How long an apply may take to be answered: the program shows a failure in a box and
  // answers once it is closed.
  static constexpr int kApplyTimeoutMs = 120000;
  // Any other call.
  static constexpr int kCallTimeoutMs = 5000;

  // The error names of the interface, without the prefix "org.tastor.Tastor1.Error.".
  static bool IsError(const Answer& answer, const char* name);

 private:
  struct Connection;
  explicit RunningTastor(std::unique_ptr<Connection> connection);

  std::unique_ptr<Connection> connection_;
  std::string userDataFolder_;
  bool simulated_ = false;
};

// "apply" and "switch" through the running program. The exit status when the program
// did the work or refused it; nothing when the command is to work on the files and the
// keyboard directly (it has then said so on standard output). Reads the options of
// "apply" (--profile N, --flags HEX); options it does not know are left to the command.
std::optional<int> ApplyThroughRunningProgram(CliContext& ctx);
