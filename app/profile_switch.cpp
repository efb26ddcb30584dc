// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/profile_switch.h"

#include <algorithm>

#include "model/profile.h"
#include "model/profile_store.h"
#include "text/utf.h"

namespace {

std::u16string Folded(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = FoldCase(c);
  return out;
}

bool Runs(std::u16string_view foldedProgram, const std::vector<RunningProcess>& processes) {
  for (const RunningProcess& process : processes) {
    for (const std::u16string& name : process.folded) {
      if (name.find(foldedProgram) != std::u16string::npos) return true;
    }
  }
  return false;
}

bool EndsWithExe(std::u16string_view name) {
  return name.size() > 4 && EqualsIgnoreCase(name.substr(name.size() - 4), u".exe");
}

}  // namespace

const Profile* FirstLinkedProfile(const ProfileStore& store, const std::vector<RunningProcess>& processes) {
  for (const Profile* profile : store.Profiles()) {
    const std::u16string program = profile->LinkedProgram();
    if (program.empty()) continue;
    if (Runs(Folded(program), processes)) return profile;
  }
  return nullptr;
}

void SetLinkedProgram(Profile& profile, std::u16string_view program) {
  profile.linkedProgram.fill(u'\0');
  const std::u16string cut = Truncated(program, kLinkedProgramChars);
  std::copy(cut.begin(), cut.end(), profile.linkedProgram.begin());
}

std::vector<std::u16string> LinkableProgramNames(const std::vector<RunningProcess>& processes, int ownPid) {
  std::vector<std::u16string> names;
  auto add = [&names](const std::u16string& name) {
    if (name.empty()) return;
    for (const std::u16string& n : names) {
      if (EqualsIgnoreCase(n, name)) return;
    }
    names.push_back(name);
  };
  for (const RunningProcess& process : processes) {
    // Programs of this user: their executable can be read (kernel threads have none).
    if (process.pid == ownPid || process.program.empty()) continue;
    // A program run from an anonymous memory file has no name of its own.
    if (process.program.starts_with(u"memfd:")) continue;
    add(process.program);
    // Windows programs run by a loader (Wine, Proton) are known by their .exe.
    for (const std::u16string& name : process.names) {
      if (EndsWithExe(name)) add(name);
    }
  }
  // Windows programs first (most games are), each group in alphabetical order.
  std::sort(names.begin(), names.end(), [](const std::u16string& a, const std::u16string& b) {
    if (EndsWithExe(a) != EndsWithExe(b)) return EndsWithExe(a);
    return Folded(a) < Folded(b);
  });
  return names;
}

uint32_t ProfileSwitch::Tick(bool devicePresent, bool userInModal, const ProfileStore& store, ProcessScanner& scanner) {
  if (!devicePresent || userInModal || pending_ != 0) return 0;
  const Profile* match = FirstLinkedProfile(store, scanner.Scan());
  if (match == nullptr) {
    failed_ = 0;
    return 0;
  }
  if (match == store.Current() || match->id == failed_) return 0;
  failed_ = 0;
  pending_ = match->id;
  return pending_;
}

bool ProfileSwitch::RunEnded(uint32_t profileId, RunResult result, bool userInModal) {
  if (profileId == 0 || profileId != pending_) return false;
  pending_ = 0;
  if (result == RunResult::Failed) failed_ = profileId;
  // Written, but held back: the match is still not current, so a later tick writes it
  // again once the modal window has gone (and whatever the window's edit applied since).
  return result == RunResult::Applied && !userInModal;
}
