// SPDX-License-Identifier: GPL-2.0-or-later
// The apply worker: one long-lived thread that writes the current profile into the
// keyboard whenever a window asks for it, so that the windows stay responsive during the
// slow report transfers. A request adds its ApplyFlags to the job's pending flags and
// releases the request semaphore once; the worker wakes, takes all pending flags at once,
// copies the current profile and the macros it uses, and runs ApplySetting. A full apply
// (flag 0x8000) reports its progress to the progress dialog, found by its caption, and
// closes it at the end.
//
// Threads: Request and Stop are called by the UI thread; the worker reaches windows only
// through the WindowPort (whose message boxes are answered on the UI thread while the
// worker waits) and the keyboard only through the driver's guarded transfers.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>

#include "device/apply_setting.h"
#include "platform/hwnd.h"

class CUSBDriver;
class MacroLibrary;
class ProfileStore;

// The caption the progress dialog gives its window.
inline constexpr char16_t kProgressCaption[] = u"MyProgressDlg..";
// The worker's failure message, shown without owner.
inline constexpr char16_t kApplyFailedText[] = u"   Update settings failed!      ";

// What became of one wake-up of the worker for a request.
struct ApplyOutcome {
  enum class Result {
    Applied,  // ApplySetting returned 1
    Failed,   // ApplySetting returned 0 ("Update settings failed!" was shown)
    Dropped,  // no keyboard and GoWithNoDev 0: nothing sent, the parts stay pending
  };
  uint32_t flags = 0;       // the flags the run took
  uint32_t profileId = 0;   // the profile of a RequestProfile run; 0: the current profile
  Result result = Result::Dropped;
  HWND progress = nullptr;  // the progress window found, or null
  std::string failure;      // Failed: the text of the failure that ended the run (UTF-8)
};

class ApplyJob {
 public:
  // The semaphore's maximum count: at most this many wake-ups wait at once, one of them
  // kept for the exit. Requests beyond it still add their flags, which the waiting runs take.
  static constexpr std::ptrdiff_t kMaxWakeups = 100;

  ApplyJob();
  ~ApplyJob();  // stops the worker
  ApplyJob(const ApplyJob&) = delete;
  ApplyJob& operator=(const ApplyJob&) = delete;

  // Clears the job and starts the worker over the driver, the store's current profile and
  // the library. 1, or 0 when it runs already or an argument is missing.
  int Start(CUSBDriver* driver, ProfileStore& store, MacroLibrary& library);
  // Adds the flags to the pending ones and wakes the worker once. Nothing without a
  // running worker.
  void Request(uint32_t flags);
  // Applies the profile with the id (current or not) with the flags, without progress
  // window, in a run of its own after the pending requests; the outcome names the profile.
  // A failure shows no "Update settings failed!" (the caller decides), and without a
  // keyboard the request is dropped rather than kept. A newer request replaces one not
  // yet taken; its `ended` is then called at once, on the caller's thread, as dropped.
  // Nothing without a running worker. `ended` is called on the worker thread at the end of
  // that run (before the run observer), also when it was dropped.
  void RequestProfile(uint32_t profileId, uint32_t flags, std::function<void(const ApplyOutcome&)> ended = {});
  // Signals the exit event and waits for the worker to end: requests already waiting are
  // applied first, and a run in progress is finished. The worker's message boxes are
  // answered on the UI thread; a UI thread that stops the worker passes a function that
  // keeps serving them (it is called every few milliseconds while the worker runs).
  void Stop(const std::function<void()>& whileWaiting = {});

  bool Running() const;
  // The flags requested and not yet taken by a run.
  uint32_t PendingFlags() const { return flags_.load(); }

  // The fixed pauses of the runs (default: the keyboard's). May be changed at any time;
  // a run uses the pauses set when it starts.
  void SetPauses(const ApplyPauses& pauses);
  // Called on the worker thread at the end of every wake-up for a request.
  void SetRunObserver(std::function<void(const ApplyOutcome&)> observer);

  const std::u16string caption = kProgressCaption;
  const unsigned progressMessage;

 private:
  enum class Wake { Request, Exit, Spurious };
  void Worker();
  Wake TakeWake();
  void Run();
  void RunProfile(uint32_t profileId, uint32_t flags, const ApplyPauses& pauses,
                  const std::function<void(const ApplyOutcome&)>& ended,
                  const std::function<void(const ApplyOutcome&)>& observer);
  HWND FindProgressWindow(const ApplyPauses& pauses) const;
  static void CloseProgressWindow(HWND window, const ApplyPauses& pauses);

  CUSBDriver* driver_ = nullptr;
  ProfileStore* store_ = nullptr;
  MacroLibrary* library_ = nullptr;

  std::atomic<uint32_t> flags_{0};
  std::counting_semaphore<kMaxWakeups> wake_{0};

  mutable std::mutex mutex_;
  std::condition_variable ended_;
  int queued_ = 0;             // request wake-ups released and not yet taken
  bool exitSignalled_ = false; // the exit event (auto-reset: taken by the worker)
  bool running_ = false;       // Start done, Stop not yet begun
  bool finished_ = true;       // the worker thread has left its loop
  uint32_t profileRequest_ = 0;  // RequestProfile's profile not yet taken, and its flags
  uint32_t profileFlags_ = 0;
  std::function<void(const ApplyOutcome&)> profileEnded_;
  ApplyPauses pauses_;
  std::function<void(const ApplyOutcome&)> observer_;
  std::thread thread_;
};

// A copy of the store's current profile and of the library's macros it uses, written with
// ApplySetting: what one run of the worker does, and what the process watch calls directly
// on the UI thread (flags 7, no progress window).
int ApplyStoredProfile(const ProfileStore& store, const MacroLibrary& library, HWND progress, CUSBDriver* driver,
                       unsigned progressMessage, uint32_t flags, const ApplyPauses& pauses = ApplyPauses(),
                       std::string* failure = nullptr);
// The same for the store's profile with the id.
int ApplyStoredProfileById(const ProfileStore& store, uint32_t profileId, const MacroLibrary& library,
                           CUSBDriver* driver, uint32_t flags, const ApplyPauses& pauses = ApplyPauses(),
                           std::string* failure = nullptr);

// The process-wide job of the main window, over TheProfileStore() and TheMacroLibrary().
ApplyJob& TheApplyJob();
int StartApplyWorker(CUSBDriver* driver);
void RequestApply(uint32_t flags);
void StopApplyWorker(const std::function<void()>& whileWaiting = {});
