// SPDX-License-Identifier: GPL-2.0-or-later
// The apply worker: requests, merging and ordering of flags, the progress dialog protocol
// (found by its caption, 20/70/100, WM_CLOSE twice), dropped requests, message boxes raised
// on the worker thread, copies of the profile, and stopping.
#include <gtest/gtest.h>

#include "device/apply_job.h"
#include "model/profile_store.h"
#include "tests/core/test_apply_support.h"

using namespace apply_test;

namespace {

class ApplyJobTest : public WorkerTest {
 protected:
  void SetUp() override {
    WorkerTest::SetUp();
    Profile p = TestProfile(0x4242);
    store_.Append(p);
    store_.SetCurrent(0x4242);
    ApplyPauses pauses = ApplyPauses::Zero();
    pauses.findWindowTry = 1ms;
    pauses.betweenCloses = 20ms;  // the closes' spacing is part of the protocol
    job_.SetPauses(pauses);
  }
  std::vector<uint32_t> RunFlags() {
    std::vector<uint32_t> flags;
    for (const ApplyOutcome& o : Outcomes()) flags.push_back(o.flags);
    return flags;
  }

};

}  // namespace

TEST_F(ApplyJobTest, FullApplyReportsToTheProgressWindowAndClosesItTwice) {
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port(3);
  Start();
  job_.Request(kFullApplyFlags);
  ASSERT_TRUE(WaitForRuns(1));

  EXPECT_EQ(Outcomes()[0].result, ApplyOutcome::Result::Applied);
  EXPECT_EQ(Outcomes()[0].progress, port.Window());
  EXPECT_EQ(port.Looks(), std::vector<std::u16string>(4, u"MyProgressDlg.."));  // three misses, then the window
  EXPECT_EQ(port.Messages(), (std::vector<unsigned>{WM_APPLY_PROGRESS, WM_APPLY_PROGRESS, WM_APPLY_PROGRESS, WM_CLOSE,
                                                    WM_CLOSE}));
  EXPECT_EQ(port.Progress(), (std::vector<uintptr_t>{20, 70, 100}));
  const auto posts = port.Posts();
  EXPECT_GE(posts[4].at - posts[3].at, 20ms);
  EXPECT_TRUE(port.boxes.empty());
  EXPECT_TRUE(Written(9) && Written(10));
  char start[64];
  std::snprintf(start, sizeof start, "Start Apply: hDevice=0x%x, nFlag=0x8007", static_cast<unsigned>(driver_.m_hMatrix));
  EXPECT_GE(LogIndex("Start Thread"), 0);
  EXPECT_LT(LogIndex("Start Thread"), LogIndex(start));
  EXPECT_LT(LogIndex(start), LogIndex("Apply Over"));
  EXPECT_EQ(job_.PendingFlags(), 0u);
}

TEST_F(ApplyJobTest, NoFlagsSendNothingAndAMissingWindowGetsNoMessages) {
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port(-1);  // the progress window never shows
  Start();
  job_.Request(0);
  ASSERT_TRUE(WaitForRuns(1));
  EXPECT_EQ(Outcomes()[0].result, ApplyOutcome::Result::Applied);
  EXPECT_TRUE(port.Looks().empty());
  EXPECT_FALSE(Written(9) || Written(10) || Written(11) || Written(12));

  job_.Request(kFullApplyFlags);
  ASSERT_TRUE(WaitForRuns(2));
  EXPECT_EQ(port.Looks().size(), 20u);
  EXPECT_TRUE(port.Posts().empty());
  EXPECT_EQ(Outcomes()[1].result, ApplyOutcome::Result::Applied);
  EXPECT_TRUE(Written(9) && Written(10));
  EXPECT_GE(LogIndex("ApplySetting: hWnd=0"), 0);
}

TEST_F(ApplyJobTest, RequestsWaitingTogetherMergeAndRequestsDuringARunAreKept) {
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port(0);
  port.HoldFind(true);  // the first run waits for its progress window
  Start();
  job_.Request(APPLY_PROGRESS | APPLY_LIGHTING);
  ASSERT_TRUE(port.WaitForLooks(1));
  job_.Request(APPLY_MATRIX);  // while the first run goes on
  job_.Request(APPLY_COLOUR);
  EXPECT_EQ(job_.PendingFlags(), APPLY_MATRIX | APPLY_COLOUR);
  port.HoldFind(false);
  ASSERT_TRUE(WaitForRuns(3));
  // The first run took only its own flags; the two later requests met in one run, and the
  // third wake-up found nothing left.
  EXPECT_EQ(RunFlags(), (std::vector<uint32_t>{0x8002, 0x0005, 0x0000}));
  EXPECT_TRUE(Written(9));  // the matrix asked for during the first run reached the keyboard
  EXPECT_EQ(port.Progress(), (std::vector<uintptr_t>{20, 100}));
}

TEST_F(ApplyJobTest, DroppedFullRequestClosesTheProgressWindowAndKeepsItsParts) {
  ProgressPort port(2);  // no FindDev: no keyboard
  Start();
  job_.Request(kFullApplyFlags);
  ASSERT_TRUE(WaitForRuns(1));
  EXPECT_EQ(Outcomes()[0].result, ApplyOutcome::Result::Dropped);
  EXPECT_EQ(port.Messages(), (std::vector<unsigned>{WM_CLOSE, WM_CLOSE}));
  EXPECT_TRUE(port.boxes.empty());
  EXPECT_EQ(job_.PendingFlags(), 0x0007u);
  EXPECT_GE(LogIndex("Start Apply: hDevice=0x0, nFlag=0x8007"), 0);
  EXPECT_EQ(LogIndex("Apply Over"), -1);

  // Once the keyboard is there, the next request carries them to it.
  ASSERT_EQ(driver_.FindDev(), 1);
  job_.Request(0);
  ASSERT_TRUE(WaitForRuns(2));
  EXPECT_EQ(Outcomes()[1].flags, 0x0007u);
  EXPECT_EQ(Outcomes()[1].result, ApplyOutcome::Result::Applied);
  EXPECT_TRUE(Written(9) && Written(10));
  EXPECT_EQ(port.Messages().size(), 2u);  // no progress window this time
}

TEST_F(ApplyJobTest, GoWithNoDevWithoutKeyboardRunsTo100) {
  Settings().GoWithNoDev = 1;
  ProgressPort port(1);
  Start();
  job_.Request(kFullApplyFlags);
  ASSERT_TRUE(WaitForRuns(1));
  EXPECT_EQ(Outcomes()[0].result, ApplyOutcome::Result::Applied);
  EXPECT_EQ(port.Progress(), (std::vector<uintptr_t>{20, 70, 100}));
  EXPECT_EQ(port.Messages().size(), 5u);
  EXPECT_TRUE(port.boxes.empty());
  EXPECT_GE(LogIndex("Get LED Failed."), 0);
  EXPECT_GE(LogIndex("Set matrix, err="), 0);
}

TEST_F(ApplyJobTest, FailureBoxesAreRaisedOnTheWorkerAndWaitedFor) {
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "3", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port(0);
  port.HoldBoxes(true);
  Start();
  job_.Request(APPLY_PROGRESS | APPLY_MATRIX);
  ASSERT_TRUE(port.WaitForBoxes(1));
  // The info box is open: the worker waits for its answer before it goes on.
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(port.Boxes().size(), 1u);
  EXPECT_TRUE(Outcomes().empty());
  EXPECT_EQ(port.Messages(), std::vector<unsigned>{WM_APPLY_PROGRESS});
  port.HoldBoxes(false);
  ASSERT_TRUE(WaitForRuns(1));

  EXPECT_EQ(Outcomes()[0].result, ApplyOutcome::Result::Failed);
  const auto boxes = port.Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].text, u"Set matrix, err=0x5");
  EXPECT_EQ(boxes[1].text, u"   Update settings failed!      ");
  EXPECT_EQ(boxes[1].caption, u"Error");
  EXPECT_EQ(boxes[1].type, static_cast<unsigned>(MB_OK | MB_ICONWARNING));
  const auto calls = port.Calls();
  EXPECT_EQ(calls[0].owner, port.Window());
  EXPECT_EQ(calls[1].owner, nullptr);
  for (const auto& call : calls) {
    EXPECT_EQ(call.thread, workerThread_);
    EXPECT_NE(call.thread, std::this_thread::get_id());
  }
  // The window is closed after the failure box has been answered.
  EXPECT_EQ(port.Messages(), (std::vector<unsigned>{WM_APPLY_PROGRESS, WM_CLOSE, WM_CLOSE}));
}

TEST_F(ApplyJobTest, RunWorksOnCopiesTakenAtItsStart) {
  ASSERT_EQ(driver_.FindDev(), 1);
  library_.Add(KeyMacro(0xA1, 'A'));
  {
    auto lock = store_.Lock();
    store_.Current()->keys[3] = MacroKey(0xA1, 3);
    store_.Current()->keys[4].code = KeyFunction::MakeCode(KIND_MEDIA, 99);  // raises "Invaild key code"
  }
  ProgressPort port;
  port.HoldBoxes(true);
  Start();
  job_.Request(APPLY_MATRIX);
  ASSERT_TRUE(port.WaitForBoxes(1));
  // The UI edits the profile and the macro while the run is encoding.
  {
    auto lock = store_.Lock();
    store_.Current()->keys[0].code = 0;
    store_.Current()->keys[3].code = 0;
  }
  {
    auto lock = library_.Lock();
    library_.FindMacroById(0xA1)->Events[0].wKeyCode = 'Q';
  }
  port.HoldBoxes(false);
  ASSERT_TRUE(WaitForRuns(1));
  EXPECT_EQ(MatrixEntry(0), 0x00290000u);
  EXPECT_EQ(MatrixEntry(3), 0x01010002u);
  EXPECT_EQ(static_cast<uint8_t>(Report(12)[2]), 0x04);  // A, not Q
  EXPECT_EQ(int32_t{library_.FindMacroById(0xA1)->Macro_Buffer_ID}, 0);
}

TEST_F(ApplyJobTest, StopWhileIdleEndsTheThread) {
  Start();
  EXPECT_TRUE(job_.Running());
  const auto start = std::chrono::steady_clock::now();
  job_.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms);
  EXPECT_FALSE(job_.Running());
  EXPECT_GE(LogIndex("Start Thread"), 0);
  EXPECT_GT(LogIndex("thread exit"), LogIndex("Start Thread"));
  job_.Request(7);  // nobody listens: nothing happens
  job_.Stop();
  EXPECT_TRUE(Outcomes().empty());
  EXPECT_EQ(job_.PendingFlags(), 0u);

  // A stopped job starts afresh.
  ASSERT_EQ(driver_.FindDev(), 1);
  Start();
  job_.Request(APPLY_LIGHTING);
  ASSERT_TRUE(WaitForRuns(1));
  EXPECT_TRUE(Written(10));
}

TEST_F(ApplyJobTest, StopServesTheWorkersBoxesWhileItWaits) {
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "3", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port;
  port.HoldBoxes(true);
  Start();
  job_.Request(APPLY_MATRIX);
  ASSERT_TRUE(port.WaitForBoxes(1));
  job_.Request(APPLY_LIGHTING);
  // The UI thread stops the worker while a box of the worker waits for it: the waiting
  // function answers it, and requests already made are applied before the thread ends.
  int served = 0;
  job_.Stop([&] {
    ++served;
    port.HoldBoxes(false);
  });
  EXPECT_GT(served, 0);
  EXPECT_FALSE(job_.Running());
  EXPECT_EQ(RunFlags(), (std::vector<uint32_t>{APPLY_MATRIX, APPLY_LIGHTING}));
  EXPECT_GT(LogIndex("thread exit"), LogIndex("Apply Over"));
}

TEST_F(ApplyJobTest, ManyRequestsBeyondTheSemaphoreAreNotLost) {
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port(0);
  port.HoldFind(true);
  Start();
  job_.Request(APPLY_PROGRESS);
  ASSERT_TRUE(port.WaitForLooks(1));
  for (int i = 0; i < 150; ++i) job_.Request(i == 149 ? uint32_t{APPLY_MATRIX} : 0u);
  port.HoldFind(false);
  job_.Stop();
  const auto flags = RunFlags();
  EXPECT_LE(flags.size(), static_cast<std::size_t>(ApplyJob::kMaxWakeups) + 1);
  ASSERT_GE(flags.size(), 2u);
  EXPECT_EQ(flags[1], APPLY_MATRIX);  // the last request's part is in the next run
  EXPECT_TRUE(Written(9));
}

TEST_F(ApplyJobTest, KeyboardLeavingAndComingBackDuringRunsIsSafe) {
  // Removal and arrival on the UI thread while the worker transfers: each transfer either
  // reaches the keyboard or fails on a closed handle, never on a handle being closed.
  Settings().GoWithNoDev = 1;
  ASSERT_EQ(driver_.FindDev(), 1);
  InitLog(0);  // both threads would log at once
  ProgressPort port;
  Start();
  for (int i = 0; i < 30; ++i) {
    job_.Request(APPLY_MATRIX | APPLY_LIGHTING);
    driver_.ClearHandle();
    ASSERT_EQ(driver_.FindDev(), 1);
    std::this_thread::sleep_for(1ms);
  }
  job_.Stop();
  ASSERT_FALSE(Outcomes().empty());
  for (const ApplyOutcome& o : Outcomes()) EXPECT_EQ(o.result, ApplyOutcome::Result::Applied);
  EXPECT_TRUE(port.boxes.empty());
  // Afterwards the keyboard holds the profile.
  const std::size_t before = Outcomes().size();
  Start();
  job_.Request(APPLY_MATRIX);
  ASSERT_TRUE(WaitForRuns(before + 1));
  EXPECT_EQ(MatrixEntry(0), 0x00290000u);
}
