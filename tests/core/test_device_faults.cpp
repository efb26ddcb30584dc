// SPDX-License-Identifier: GPL-2.0-or-later
// Faults a real keyboard shows in the middle of an apply, through the simulated keyboard:
// pulled after some transfers, a transfer that hangs and times out, a read cut short or
// full of noise. The driver and the worker must not crash or hang beyond their retries,
// must tell the user with the program's messages, must not call an apply done that did
// not reach the keyboard, and must apply again once the keyboard is back.
#include <gtest/gtest.h>

#include <cerrno>

#include "device/apply_job.h"
#include "model/profile_store.h"
#include "text/utf.h"
#include "tests/core/test_apply_support.h"

using namespace apply_test;

namespace {

using Clock = std::chrono::steady_clock;

class DeviceFaultTest : public WorkerTest {
 protected:
  void SetUp() override {
    WorkerTest::SetUp();
    store_.Append(TestProfile(0x4242));
    store_.SetCurrent(0x4242);
    ApplyPauses pauses = ApplyPauses::Zero();
    pauses.findWindowTry = 1ms;
    job_.SetPauses(pauses);
  }

  // The outcome of the n-th run (1-based), waiting up to ten seconds for it.
  ApplyOutcome Run(std::size_t n) {
    if (!WaitForRuns(n, 10s)) {
      ADD_FAILURE() << "run " << n << " did not end";
      return {};
    }
    return Outcomes()[n - 1];
  }
  std::size_t Runs() { return Outcomes().size(); }
  static bool Has(const std::vector<std::u16string>& texts, const std::u16string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
  // The keyboard comes back: the fault variables are gone and the device is searched again.
  void PlugBackIn() {
    for (const char* name : kSimVariables) {
      if (std::string(name) != "TASTOR_SIM_DIR") ::unsetenv(name);
    }
    ASSERT_EQ(driver_.FindDev(), 1);
  }

};

TEST_F(DeviceFaultTest, PulledKeyboardFailsItsTransfersAndIsFoundAgainWhenBack) {
  ::setenv("TASTOR_SIM_REMOVE_AFTER", "2", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  std::array<uint8_t, 2048> work{};
  const std::array<uint8_t, kLedPayload> led{0x31, 1, 2, 3};
  EXPECT_EQ(SendCommand(kLedReportId, kLedPayload, work, &driver_, driver_.m_hLed, led.data()), 1);
  EXPECT_EQ(SendCommand(kLedReportId, kLedPayload, work, &driver_, driver_.m_hLed, led.data()), 1);
  EXPECT_EQ(SendCommand(kLedReportId, kLedPayload, work, &driver_, driver_.m_hLed, led.data()), 0);
  EXPECT_EQ(LastTransferError(), ENODEV);
  // Gone: a search finds nothing and leaves every handle closed.
  EXPECT_EQ(driver_.FindDev(), 0);
  EXPECT_EQ(driver_.LastFindResult(), CUSBDriver::FindResult::Absent);
  EXPECT_EQ(driver_.m_hMatrix.load(), 0u);
  PlugBackIn();
  EXPECT_EQ(SendCommand(kLedReportId, kLedPayload, work, &driver_, driver_.m_hLed, led.data()), 1);
}

TEST_F(DeviceFaultTest, ShortAndNoisyReadsAreRetriedAndNeverTakenForTheReport) {
  Seed(10, std::string("\x31\x01\x02\x03", 4) + std::string(37, '\x55'));
  std::array<uint8_t, 2048> work{};
  std::array<uint8_t, kLedPayload> led{};
  for (const char* fault : {"TASTOR_SIM_SHORT_READS", "TASTOR_SIM_GARBAGE_READS"}) {
    SCOPED_TRACE(fault);
    // One bad answer: the second try reads the real report.
    ::setenv(fault, "1", 1);
    ASSERT_EQ(driver_.FindDev(), 1);
    led.fill(0xAA);
    ASSERT_EQ(GetCommand(kLedReportId, work, led.data(), &driver_, driver_.m_hLed, kLedPayload), 1);
    EXPECT_EQ(led[0], 0x31);
    EXPECT_EQ(led[40], 0x55);
    // Three bad answers: the read fails with a protocol error and the caller's buffer keeps
    // what it held, so nothing half-read or foreign is taken for the keyboard's state.
    ::setenv(fault, "3", 1);
    ASSERT_EQ(driver_.FindDev(), 1);
    led.fill(0xAA);
    EXPECT_EQ(GetCommand(kLedReportId, work, led.data(), &driver_, driver_.m_hLed, kLedPayload), 0);
    EXPECT_EQ(LastTransferError(), EPROTO);
    EXPECT_EQ(led[0], 0xAA);
    EXPECT_EQ(led[40], 0xAA);
    ::unsetenv(fault);
  }
}

TEST_F(DeviceFaultTest, KeyboardPulledInTheMiddleOfAFullApplyFailsWithTheMessages) {
  // The lighting read and write get through, the matrix write finds the keyboard gone.
  ::setenv("TASTOR_SIM_REMOVE_AFTER", "2", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port(0);
  Start();
  job_.Request(kFullApplyFlags);
  const ApplyOutcome pulled = Run(1);
  EXPECT_EQ(pulled.result, ApplyOutcome::Result::Failed);
  ASSERT_TRUE(port.WaitForBoxes(2));
  const auto texts = port.Texts();
  EXPECT_TRUE(Has(texts, u"Set matrix, err=0x13")) << ToUtf8(texts.front());  // ENODEV
  EXPECT_TRUE(Has(texts, kApplyFailedText));
  // Never reported done: no 100, and the dialog was closed all the same.
  EXPECT_EQ(port.Progress(), (std::vector<uintptr_t>{20, 70}));
  const auto messages = port.Messages();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), unsigned{WM_CLOSE}), 2);
  EXPECT_TRUE(Written(10));
  EXPECT_FALSE(Written(9));

  // Requests while it is gone fail the same way and send nothing.
  job_.Request(APPLY_MATRIX);
  EXPECT_EQ(Run(2).result, ApplyOutcome::Result::Failed);
  EXPECT_FALSE(Written(9));

  // Back again: the next apply reaches the keyboard.
  PlugBackIn();
  job_.Request(kFullApplyFlags);
  EXPECT_EQ(Run(3).result, ApplyOutcome::Result::Applied);
  EXPECT_TRUE(Written(9));
}

TEST_F(DeviceFaultTest, HangingTransfersEndAfterTheirRetriesWithoutBlockingTheUiThread) {
  constexpr auto kHang = 150ms;
  ::setenv("TASTOR_SIM_HANG_MS", "150", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port(0);
  Start();
  const auto start = Clock::now();
  job_.Request(kFullApplyFlags);
  ASSERT_TRUE(port.WaitForLooks(1));
  std::this_thread::sleep_for(20ms);  // inside the first hanging try
  // The UI thread's requests never wait for the keyboard.
  const auto requested = Clock::now();
  job_.Request(APPLY_LIGHTING);
  EXPECT_LT(Clock::now() - requested, 50ms);
  const ApplyOutcome hung = Run(1);
  const auto took = Clock::now() - start;
  EXPECT_EQ(hung.result, ApplyOutcome::Result::Failed);
  // Three tries of the lighting read, then the sequence ends: no further report is tried.
  EXPECT_GE(took, 3 * kHang);
  EXPECT_LT(took, 3 * kHang + 1500ms);
  EXPECT_TRUE(Has(port.Texts(), u"Get LED Failed."));
  EXPECT_TRUE(Has(port.Texts(), kApplyFailedText));
  EXPECT_EQ(port.Progress(), std::vector<uintptr_t>{});

  // The request made during the hang runs next and fails the same way; a removal handled
  // by the UI thread meanwhile waits at most for the one try in progress.
  std::this_thread::sleep_for(20ms);
  const auto cleared = Clock::now();
  driver_.ClearHandle();
  EXPECT_LT(Clock::now() - cleared, kHang + 200ms);
  EXPECT_EQ(Run(2).result, ApplyOutcome::Result::Failed);

  PlugBackIn();
  job_.Request(kFullApplyFlags);
  EXPECT_EQ(Run(3).result, ApplyOutcome::Result::Applied);
  EXPECT_TRUE(Written(9));
}

TEST_F(DeviceFaultTest, BadReadsOfTheLightingAndTheMatrixEndTheApplyBeforeAnyWrite) {
  ProgressPort port(0);
  Settings().SyncKB = 1;
  // Lighting read cut short three times: nothing is written, the user is told.
  ::setenv("TASTOR_SIM_SHORT_READS", "3", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  Start();
  job_.Request(kFullApplyFlags);
  EXPECT_EQ(Run(1).result, ApplyOutcome::Result::Failed);
  EXPECT_TRUE(Has(port.Texts(), u"Get LED Failed."));
  EXPECT_FALSE(Written(10));
  EXPECT_FALSE(Written(9));

  // Noise for the matrix read of SyncKB: the keyboard's entries are not mixed with it.
  ::unsetenv("TASTOR_SIM_SHORT_READS");
  ::setenv("TASTOR_SIM_GARBAGE_READS", "3", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  job_.Request(APPLY_MATRIX);
  EXPECT_EQ(Run(2).result, ApplyOutcome::Result::Failed);
  EXPECT_TRUE(Has(port.Texts(), u"Get matrix, err=0x47"));  // EPROTO
  EXPECT_FALSE(Written(9));

  // One bad answer each is only a retry.
  ::setenv("TASTOR_SIM_GARBAGE_READS", "1", 1);
  ::setenv("TASTOR_SIM_SHORT_READS", "1", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  job_.Request(kFullApplyFlags);
  EXPECT_EQ(Run(3).result, ApplyOutcome::Result::Applied);
  EXPECT_TRUE(Written(9));
  EXPECT_TRUE(Written(10));
}

TEST_F(DeviceFaultTest, ManyQuickRequestsWhileTheKeyboardIsPulledAndFoundAgain) {
  // The UI thread's side of a flaky keyboard: a stream of small requests, with removals
  // and arrivals handled in between (and the keyboard itself vanishing after a few
  // transfers in half of the rounds). Every run ends; none hangs.
  InitLog(0);  // both threads would log at once
  RecordingWindowPort port;
  ASSERT_EQ(driver_.FindDev(), 1);
  Start();
  const uint32_t kinds[] = {APPLY_MATRIX, APPLY_LIGHTING, APPLY_COLOUR, APPLY_LIGHTING | APPLY_COLOUR};
  for (int i = 0; i < 400; ++i) {
    job_.Request(kinds[i % 4]);
    if (i % 25 == 24) {
      driver_.ClearHandle();
      if ((i / 25) % 2 == 0) {
        ::setenv("TASTOR_SIM_REMOVE_AFTER", std::to_string(3 + i % 7).c_str(), 1);
      } else {
        ::unsetenv("TASTOR_SIM_REMOVE_AFTER");
      }
      driver_.FindDev();
    }
    if (i % 10 == 0) std::this_thread::sleep_for(1ms);
  }
  PlugBackIn();
  const auto start = Clock::now();
  job_.Stop();  // every waiting request is taken first
  EXPECT_LT(Clock::now() - start, 10s);
  ASSERT_GT(Runs(), 0u);
  Start();
  const std::size_t before = Runs();
  job_.Request(APPLY_MATRIX | APPLY_LIGHTING);
  EXPECT_EQ(Run(before + 1).result, ApplyOutcome::Result::Applied);
}

}  // namespace
