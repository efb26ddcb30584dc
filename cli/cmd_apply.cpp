// SPDX-License-Identifier: GPL-2.0-or-later
// "apply": writes a stored profile into the keyboard as the main window's Apply button
// does. When Tastor runs on the session bus, the program does it (cli/running_tastor);
// otherwise the apply worker runs the request here, and this command stands in for the progress
// dialog (the worker finds it by its caption, moves its bar and closes it). After a
// successful apply the profiles and the current profile id are saved, as the main window
// does once the progress dialog has closed; a save that fails ends the command with exit
// status 1. The user data folder stays locked from the read of the profiles to the saves.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "app/paths.h"
#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "cli/profile_edit_cli.h"
#include "cli/keyboard_link.h"
#include "cli/running_tastor.h"
#include "device/apply_job.h"
#include "device/usb_driver.h"
#include "macro/macro_library.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "platform/messages.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

// The command's progress dialog: a window handle whose posted messages, and the worker's
// report of each run, are queued for the command's own thread, which shows them.
class ProgressWindow : public WindowPort {
 public:
  struct Event {
    enum class Kind { Message, RunOver } kind;
    unsigned msg = 0;
    uintptr_t wParam = 0;
    ApplyOutcome outcome;
  };

  explicit ProgressWindow(WindowPort& boxes) : boxes_(boxes) { handle_.self = this; }

  // Shown from the request until the worker closes it.
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
  }

  int MessageBox(HWND owner, std::u16string_view text, std::u16string_view caption, unsigned type) override {
    std::lock_guard<std::mutex> lock(boxMutex_);
    return boxes_.MessageBox(owner, text, caption, type);
  }
  HWND FindWindow(std::u16string_view caption) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_ && caption == kProgressCaption ? &handle_ : nullptr;
  }
  bool IsWindow(HWND window) override {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_ && window == &handle_;
  }

  void RunOver(const ApplyOutcome& outcome) { Push({Event::Kind::RunOver, 0, 0, outcome}); }

  // The next event, waiting for it.
  Event Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    arrived_.wait(lock, [this] { return !events_.empty(); });
    Event e = events_.front();
    events_.pop_front();
    // A closed dialog is found no more; a second WM_CLOSE finds it gone.
    if (e.kind == Event::Kind::Message && e.msg == WM_CLOSE) {
      if (!open_) e.msg = 0;
      open_ = false;
    }
    return e;
  }

 private:
  struct Handle : TastorWindow {
    ProgressWindow* self = nullptr;
    Handle() { post = &Handle::Post; }
    static void Post(TastorWindow* window, unsigned msg, uintptr_t wParam, intptr_t) {
      static_cast<Handle*>(window)->self->Push({Event::Kind::Message, msg, wParam, {}});
    }
  };

  void Push(const Event& e) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(e);
    arrived_.notify_one();
  }

  WindowPort& boxes_;
  Handle handle_;
  std::mutex boxMutex_;
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Event> events_;
  bool open_ = false;
};

// The bar on a terminal, redrawn in place.
void DrawBar(const std::string& title, int percent) {
  constexpr int kWidth = 30;
  const int filled = percent * kWidth / 100;
  std::printf("\r%s [%s%s] %3d%%", title.c_str(), std::string(static_cast<std::size_t>(filled), '#').c_str(),
              std::string(static_cast<std::size_t>(kWidth - filled), '.').c_str(), percent);
  std::fflush(stdout);
}

bool ParseFlags(const std::string& text, uint32_t& flags) {
  if (text.empty() || std::isxdigit(static_cast<unsigned char>(text[0])) == 0) return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, 16);
  if (end == text.c_str() || *end != '\0' || value > 0xFFFFu) return false;
  flags = static_cast<uint32_t>(value);
  return true;
}

// With the simulated keyboard, TASTOR_SIM_NO_PAUSES=1 leaves out the pauses the real
// keyboard needs between reports and transfer tries.
bool WithoutPauses(const CliContext& ctx) {
  const char* value = std::getenv("TASTOR_SIM_NO_PAUSES");
  return ctx.simulate && value != nullptr && std::string(value) == "1";
}

}  // namespace

int RunApply(CliContext& ctx);
static CommandRegistrar g_apply{
    "apply", "apply [--profile N] [--flags HEX]",
    "writes a stored profile (default: the current one) into the keyboard", RunApply,
    {kProfileOption,
     {"--flags", "HEX",
      "the parts to write, added up: 1 key matrix and macros, 2 lighting, 4 colour group, 8000 progress "
      "(default: 8007, everything)"}},
    "Goes through the running Tastor when one is on the session bus (whole profiles only, so\n"
    "not with --flags), otherwise writes the keyboard directly; the first line says which.\n"
    "After a direct apply the profiles and the current profile are saved.\n"};

int RunApply(CliContext& ctx) {
  if (!ctx.options.Words().empty()) throw UsageError("apply takes no arguments besides its options");
  const int position = ctx.options.Number("--profile", 0);
  uint32_t flags = kFullApplyFlags;
  if (const auto text = ctx.options.Value("--flags"); text && !ParseFlags(*text, flags)) {
    throw UsageError("--flags needs a hexadecimal number up to FFFF, not \"" + *text + "\"");
  }
  // With Tastor running, it applies (so that its window, the files and the keyboard agree).
  if (auto status = ApplyThroughRunningProgram(ctx)) return *status;
  std::string error;
  // Held until the command ends: the profiles read here are the ones saved at its end.
  if (!LoadUserDataForChange(ctx, error)) return Fail(error);
  ProfileStore store;
  Profile* profile = StartupProfile(ctx.settings, store, position, error);
  if (profile == nullptr) return Fail(error);
  store.SetCurrent(profile->id);
  const auto all = store.Profiles();
  const auto slot = std::find(all.begin(), all.end(), profile) - all.begin() + 1;
  const std::string title = "Profile " + std::to_string(slot) + " \"" + ToUtf8(profile->Name()) + "\"";

  CUSBDriver driver(ctx.settings);
  if (!LoadKeyboardLibrary(ctx, driver)) return 1;
  if (!driver.FindDev()) return Fail(FindResultMessage(driver.LastFindResult(), ToUtf8(DeviceIdString(ctx.settings)), driver));
  if (const int count = driver.CountKeyboards(); count > 1) {
    return Fail(std::to_string(count) + " keyboards are attached; the program applies only when one is: " +
                ToUtf8(TextTable::Instance().tc_msg11));
  }

  const bool pauses = !WithoutPauses(ctx);
  if (!pauses) driver.SetRetryPause(std::chrono::milliseconds(0));
  ProgressWindow window(ctx.port);
  SetWindowPort(&window);
  ApplyJob job;
  job.SetPauses(pauses ? ApplyPauses() : ApplyPauses::Zero());
  job.SetRunObserver([&window](const ApplyOutcome& outcome) { window.RunOver(outcome); });
  job.Start(&driver, store, TheMacroLibrary());
  if (flags & APPLY_PROGRESS) window.Open();
  job.Request(flags);

  const bool terminal = ::isatty(STDOUT_FILENO) != 0;
  std::vector<int> progress;
  ApplyOutcome outcome;
  for (bool over = false; !over;) {
    const ProgressWindow::Event e = window.Next();
    if (e.kind == ProgressWindow::Event::Kind::RunOver) {
      outcome = e.outcome;
      over = true;
    } else if (e.msg == job.progressMessage) {
      progress.push_back(static_cast<int>(e.wParam));
      if (terminal) DrawBar(title, static_cast<int>(e.wParam));
    } else if (e.msg == WM_CLOSE && terminal && !progress.empty()) {
      std::printf("\n");
    }
  }
  job.Stop();
  SetWindowPort(&ctx.port);

  std::string steps;
  for (int p : progress) steps += " " + std::to_string(p);
  if (!terminal) std::printf("Progress:%s\n", steps.empty() ? " none" : steps.c_str());
  char flagText[8];
  std::snprintf(flagText, sizeof flagText, "0x%04X", outcome.flags);
  switch (outcome.result) {
    case ApplyOutcome::Result::Applied: {
      // Both are tried: a current id of a profile already on disk is worth keeping.
      const std::string& folder = Paths().userDataFolder;
      const bool profilesSaved = SaveProfiles(store, folder) == 1;
      const bool idSaved = SaveCurrentId(store, folder) == 1;
      if (!profilesSaved || !idSaved) {
        const std::string files = !profilesSaved && !idSaved ? std::string(kProfileFileName) + " and " + kCurrentIdFileName
                                  : !profilesSaved            ? kProfileFileName
                                                              : kCurrentIdFileName;
        return Fail(title + " was applied to the keyboard, but " + files + " could not be saved in " + folder +
                    ": the keyboard has the profile but the files do not (the log says why)");
      }
      std::printf("%s (id %s) applied to the keyboard with flags %s.\n", title.c_str(), Hex(profile->id, 6).c_str(),
                  flagText);
      return 0;
    }
    case ApplyOutcome::Result::Failed:
      return Fail("the keyboard did not take all of " + title + " (flags " + flagText + "); see the messages above");
    case ApplyOutcome::Result::Dropped: break;
  }
  return Fail("the keyboard went away before " + title + " could be applied");
}
