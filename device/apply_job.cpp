// SPDX-License-Identifier: GPL-2.0-or-later
#include "device/apply_job.h"

#include <optional>
#include <utility>

#include "base/log.h"
#include "base/settings.h"
#include "base/window_port.h"
#include "device/usb_driver.h"
#include "macro/macro_library.h"
#include "model/profile_store.h"
#include "platform/messages.h"

namespace {

constexpr int kFindWindowTries = 20;
constexpr auto kStopPoll = std::chrono::milliseconds(5);

void Pause(std::chrono::milliseconds pause) {
  if (pause.count() > 0) std::this_thread::sleep_for(pause);
}

}  // namespace

ApplyJob::ApplyJob() : progressMessage(WM_APPLY_PROGRESS) {}

ApplyJob::~ApplyJob() { Stop(); }

int ApplyJob::Start(CUSBDriver* driver, ProfileStore& store, MacroLibrary& library) {
  if (driver == nullptr) return 0;
  std::lock_guard<std::mutex> lock(mutex_);
  if (running_ || thread_.joinable()) return 0;
  driver_ = driver;
  store_ = &store;
  library_ = &library;
  flags_ = 0;
  queued_ = 0;
  profileRequest_ = 0;
  profileFlags_ = 0;
  exitSignalled_ = false;
  // Wake-ups left over from an earlier worker are given back.
  while (wake_.try_acquire()) {
  }
  running_ = true;
  finished_ = false;
  thread_ = std::thread(&ApplyJob::Worker, this);
  return 1;
}

void ApplyJob::Request(uint32_t flags) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_) return;
    flags_.fetch_or(flags);
    // Enough wake-ups wait already to take these flags. One count of the semaphore stays
    // free for the exit event.
    if (queued_ >= kMaxWakeups - 1) return;
    ++queued_;
  }
  wake_.release();
}

void ApplyJob::RequestProfile(uint32_t profileId, uint32_t flags, std::function<void(const ApplyOutcome&)> ended) {
  ApplyOutcome replaced;
  std::function<void(const ApplyOutcome&)> replacedEnded;
  bool wake = true;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!running_ || profileId == 0) return;
    if (profileRequest_ != 0) {
      // The request not yet taken is replaced; its requester still learns its end.
      replaced.flags = profileFlags_;
      replaced.profileId = profileRequest_;
      replacedEnded = std::exchange(profileEnded_, {});
    }
    profileRequest_ = profileId;
    profileFlags_ = flags & ~APPLY_PROGRESS;
    profileEnded_ = std::move(ended);
    if (queued_ >= kMaxWakeups - 1) {
      wake = false;
    } else {
      ++queued_;
    }
  }
  if (replacedEnded) replacedEnded(replaced);
  if (wake) wake_.release();
}

void ApplyJob::Stop(const std::function<void()>& whileWaiting) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!thread_.joinable()) return;
    running_ = false;
    if (!exitSignalled_) {
      exitSignalled_ = true;
      wake_.release();
    }
  }
  if (whileWaiting) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!finished_) {
      lock.unlock();
      whileWaiting();
      lock.lock();
      ended_.wait_for(lock, kStopPoll, [this] { return finished_; });
    }
  }
  thread_.join();
}

bool ApplyJob::Running() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return running_;
}

void ApplyJob::SetPauses(const ApplyPauses& pauses) {
  std::lock_guard<std::mutex> lock(mutex_);
  pauses_ = pauses;
}

void ApplyJob::SetRunObserver(std::function<void(const ApplyOutcome&)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observer_ = std::move(observer);
}

ApplyJob::Wake ApplyJob::TakeWake() {
  std::lock_guard<std::mutex> lock(mutex_);
  // Requests come before the exit event, as a wait on both would give them.
  if (queued_ > 0) {
    --queued_;
    return Wake::Request;
  }
  if (exitSignalled_) {
    exitSignalled_ = false;
    return Wake::Exit;
  }
  return Wake::Spurious;
}

void ApplyJob::Worker() {
  WriteLog("Start Thread");
  for (;;) {
    wake_.acquire();
    const Wake wake = TakeWake();
    if (wake == Wake::Exit) break;
    if (wake == Wake::Request) Run();
  }
  WriteLog("thread exit");
  std::lock_guard<std::mutex> lock(mutex_);
  finished_ = true;
  ended_.notify_all();
}

HWND ApplyJob::FindProgressWindow(const ApplyPauses& pauses) const {
  for (int i = 0; i < kFindWindowTries; ++i) {
    Pause(pauses.findWindowTry);
    if (HWND window = Windows().FindWindow(caption)) return window;
  }
  return nullptr;
}

void ApplyJob::CloseProgressWindow(HWND window, const ApplyPauses& pauses) {
  if (window == nullptr) return;
  Windows().PostMessage(window, WM_CLOSE, 0, 0);
  Pause(pauses.betweenCloses);
  Windows().PostMessage(window, WM_CLOSE, 0, 0);
}

void ApplyJob::Run() {
  ApplyPauses pauses;
  std::function<void(const ApplyOutcome&)> observer;
  uint32_t profileId = 0;
  uint32_t profileFlags = 0;
  std::function<void(const ApplyOutcome&)> profileEnded;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pauses = pauses_;
    observer = observer_;
    // A profile of its own runs once the requests for the current profile are through.
    if (flags_.load() == 0 && profileRequest_ != 0) {
      profileId = std::exchange(profileRequest_, 0);
      profileFlags = std::exchange(profileFlags_, 0);
      profileEnded = std::exchange(profileEnded_, {});
    }
  }
  if (profileId != 0) {
    RunProfile(profileId, profileFlags, pauses, profileEnded, observer);
    return;
  }
  ApplyOutcome outcome;
  // Every flag requested until now; requests made during this run wake a run of their own.
  outcome.flags = flags_.exchange(0);
  const HidHandle device = driver_->m_hMatrix;
  WriteLog("Start Apply: hDevice=0x%x, nFlag=0x%x", static_cast<unsigned>(device), outcome.flags);

  if (device == 0 && driver_->Config().GoWithNoDev == 0) {
    // Nothing reaches the keyboard: the parts stay pending for the next run, and a progress
    // dialog that waits for this run is closed rather than left open.
    flags_.fetch_or(outcome.flags & ~APPLY_PROGRESS);
    if (outcome.flags & APPLY_PROGRESS) CloseProgressWindow(FindProgressWindow(pauses), pauses);
    outcome.result = ApplyOutcome::Result::Dropped;
    if (observer) observer(outcome);
    return;
  }

  if (outcome.flags & APPLY_PROGRESS) outcome.progress = FindProgressWindow(pauses);
  const int result = ApplyStoredProfile(*store_, *library_, outcome.progress, driver_, progressMessage,
                                        outcome.flags, pauses, &outcome.failure);
  if (result == 0) Windows().MessageBox(nullptr, kApplyFailedText, u"Error", MB_OK | MB_ICONWARNING);
  CloseProgressWindow(outcome.progress, pauses);
  WriteLog("Apply Over");
  outcome.result = result != 0 ? ApplyOutcome::Result::Applied : ApplyOutcome::Result::Failed;
  if (observer) observer(outcome);
}

void ApplyJob::RunProfile(uint32_t profileId, uint32_t flags, const ApplyPauses& pauses,
                          const std::function<void(const ApplyOutcome&)>& ended,
                          const std::function<void(const ApplyOutcome&)>& observer) {
  ApplyOutcome outcome;
  outcome.flags = flags;
  outcome.profileId = profileId;
  const HidHandle device = driver_->m_hMatrix;
  WriteLog("Start Apply: hDevice=0x%x, nFlag=0x%x", static_cast<unsigned>(device), flags);
  if (device == 0 && driver_->Config().GoWithNoDev == 0) {
    outcome.result = ApplyOutcome::Result::Dropped;
  } else {
    const int result = ApplyStoredProfileById(*store_, profileId, *library_, driver_, flags, pauses, &outcome.failure);
    WriteLog("Apply Over");
    outcome.result = result != 0 ? ApplyOutcome::Result::Applied : ApplyOutcome::Result::Failed;
  }
  if (ended) ended(outcome);
  if (observer) observer(outcome);
}

namespace {

int ApplyProfileCopy(const std::optional<Profile>& profile, const MacroLibrary& library, HWND progress,
                     CUSBDriver* driver, unsigned progressMessage, uint32_t flags, const ApplyPauses& pauses,
                     std::string* failure) {
  MacroSet macros = profile ? library.SnapshotFor(profile->keys) : MacroSet();
  return ApplySetting(profile ? &*profile : nullptr, &macros, progress, driver, progressMessage, flags, pauses,
                      failure);
}

}  // namespace

int ApplyStoredProfileById(const ProfileStore& store, uint32_t profileId, const MacroLibrary& library,
                           CUSBDriver* driver, uint32_t flags, const ApplyPauses& pauses, std::string* failure) {
  return ApplyProfileCopy(store.CopyById(profileId), library, nullptr, driver, WM_APPLY_PROGRESS, flags, pauses,
                          failure);
}

int ApplyStoredProfile(const ProfileStore& store, const MacroLibrary& library, HWND progress, CUSBDriver* driver,
                       unsigned progressMessage, uint32_t flags, const ApplyPauses& pauses, std::string* failure) {
  // The UI may edit the profile and the macros meanwhile: the run works on copies taken
  // under their owners' locks.
  return ApplyProfileCopy(store.CopyCurrent(), library, progress, driver, progressMessage, flags, pauses, failure);
}

ApplyJob& TheApplyJob() {
  static ApplyJob job;
  return job;
}

int StartApplyWorker(CUSBDriver* driver) { return TheApplyJob().Start(driver, TheProfileStore(), TheMacroLibrary()); }

void RequestApply(uint32_t flags) { TheApplyJob().Request(flags); }

void StopApplyWorker(const std::function<void()>& whileWaiting) { TheApplyJob().Stop(whileWaiting); }
