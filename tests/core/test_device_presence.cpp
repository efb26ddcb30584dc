// SPDX-License-Identifier: GPL-2.0-or-later
// The keyboard plugged in and out: device events matched on VID and PID, the searches
// after an arrival, the handles closed on removal, the simulated keyboard's plug, and the
// automatic switch's own runs of the apply worker.
#include <gtest/gtest.h>

#include "device/apply_job.h"
#include "device/device_presence.h"
#include "libs/simkeyboard/sim_keyboard.h"
#include "model/profile_store.h"
#include "tests/core/test_apply_support.h"

using namespace apply_test;

namespace {

class PresenceTest : public ApplyTest {
 protected:
  DeviceEvent Event(DeviceEvent::Kind kind, const std::string& name) { return {kind, name}; }
  std::string Keyboard() const { return "USB#VID_2F68&PID_0A17#/devices/pci0000:00/usb1/1-2"; }
  void Pull(bool out) { ASSERT_EQ(simkeyboard::SetPluggedIn(SimDir(), !out), 0); }
};

}  // namespace

TEST(DeviceNames, PatternAndUsbNamesMatchIgnoringCase) {
  EXPECT_EQ(KeyboardDevicePattern(0x2F68, 0x0A17), "USB#VID_2f68&PID_0a17");
  EXPECT_TRUE(NamesKeyboard("\\\\?\\usb#vid_2F68&pid_0A17#5&1#{a5dcbf10}", 0x2F68, 0x0A17));
  EXPECT_FALSE(NamesKeyboard("USB#VID_2F68&PID_0A18#x", 0x2F68, 0x0A17));
  EXPECT_FALSE(NamesKeyboard("USB#VID_2F6", 0x2F68, 0x0A17));
  EXPECT_EQ(UsbDeviceName("2f68/a17/100", "/devices/usb1/1-2"), "USB#VID_2F68&PID_0A17#/devices/usb1/1-2");
  EXPECT_EQ(UsbDeviceName("46d/c52b", "p"), "USB#VID_046D&PID_C52B#p");
  EXPECT_EQ(UsbDeviceName("", "p"), "");
  EXPECT_EQ(UsbDeviceName("12345/1/1", "p"), "");  // more than four digits
  EXPECT_EQ(UsbDeviceName("zz/1/1", "p"), "");
  EXPECT_EQ(UsbDeviceName("1//1", "p"), "");
}

TEST_F(PresenceTest, ARemovalOfAnotherDeviceChangesNothing) {
  ASSERT_EQ(driver_.FindDev(), 1);
  DevicePresence presence(driver_);
  EXPECT_EQ(presence.OnDeviceEvent(Event(DeviceEvent::Kind::Removal, "USB#VID_046D&PID_C52B#/devices/usb1/1-1")),
            DevicePresence::Reaction::None);
  EXPECT_EQ(presence.OnDeviceEvent(Event(DeviceEvent::Kind::Arrival, "USB#VID_2F68&PID_0A18#x")),
            DevicePresence::Reaction::None);
  EXPECT_NE(driver_.m_hMatrix.load(), 0u);
  EXPECT_EQ(LogIndex("Device OUT"), -1);
  EXPECT_EQ(LogIndex("Device IN"), -1);
}

TEST_F(PresenceTest, ArrivalAfterRemovalFindsTheKeyboardAgain) {
  ASSERT_EQ(driver_.FindDev(), 1);
  DevicePresence presence(driver_);
  Pull(true);
  LogRecorder::Lines().clear();
  EXPECT_EQ(presence.OnDeviceEvent(Event(DeviceEvent::Kind::Removal, Keyboard())), DevicePresence::Reaction::Removed);
  EXPECT_EQ(driver_.m_hMatrix.load(), 0u);
  EXPECT_EQ(LogIndex("Device OUT"), 0);
  EXPECT_EQ(LogIndex("ClearHandle"), 1);
  EXPECT_EQ(presence.Search(), DevicePresence::SearchResult::Idle);  // no arrival waits

  Pull(false);
  EXPECT_EQ(presence.OnDeviceEvent(Event(DeviceEvent::Kind::Arrival, Keyboard())), DevicePresence::Reaction::Search);
  EXPECT_GE(LogIndex("Device IN"), 0);
  EXPECT_EQ(presence.Search(), DevicePresence::SearchResult::Found);
  EXPECT_NE(driver_.m_hMatrix.load(), 0u);
  EXPECT_FALSE(presence.Searching());
}

TEST_F(PresenceTest, AnArrivalIsSearchedThreeTimesAndThenCountsAsAbsent) {
  DevicePresence presence(driver_);
  Pull(true);
  ASSERT_EQ(presence.OnDeviceEvent(Event(DeviceEvent::Kind::Arrival, Keyboard())), DevicePresence::Reaction::Search);
  EXPECT_EQ(presence.Search(), DevicePresence::SearchResult::TryAgain);
  EXPECT_EQ(presence.Search(), DevicePresence::SearchResult::TryAgain);
  EXPECT_EQ(presence.Search(), DevicePresence::SearchResult::GaveUp);
  EXPECT_EQ(presence.Search(), DevicePresence::SearchResult::Idle);
  EXPECT_EQ(driver_.m_hMatrix.load(), 0u);

  // The interfaces show up between two tries: the second finds them.
  ASSERT_EQ(presence.OnDeviceEvent(Event(DeviceEvent::Kind::Arrival, Keyboard())), DevicePresence::Reaction::Search);
  EXPECT_EQ(presence.Search(), DevicePresence::SearchResult::TryAgain);
  Pull(false);
  EXPECT_EQ(presence.Search(), DevicePresence::SearchResult::Found);
  // A removal in between ends the searching.
  ASSERT_EQ(presence.OnDeviceEvent(Event(DeviceEvent::Kind::Arrival, Keyboard())), DevicePresence::Reaction::Search);
  presence.OnDeviceEvent(Event(DeviceEvent::Kind::Removal, Keyboard()));
  EXPECT_EQ(presence.Search(), DevicePresence::SearchResult::Idle);
}

TEST_F(PresenceTest, APulledOutSimulatedKeyboardIsNotFoundAndItsOpenInterfacesFail) {
  ASSERT_EQ(driver_.FindDev(), 1);
  Pull(true);
  EXPECT_FALSE(simkeyboard::PluggedIn(SimDir()));
  std::vector<uint8_t> work(2048);
  std::vector<uint8_t> led(41);
  EXPECT_EQ(GetCommand(10, work, led.data(), &driver_, driver_.m_hLed, 41), 0);
  EXPECT_EQ(driver_.FindDev(), 0);
  EXPECT_EQ(driver_.LastFindResult(), CUSBDriver::FindResult::Absent);
  Pull(false);
  EXPECT_TRUE(simkeyboard::PluggedIn(SimDir()));
  EXPECT_EQ(driver_.FindDev(), 1);
  EXPECT_EQ(GetCommand(10, work, led.data(), &driver_, driver_.m_hLed, 41), 1);
  // Plugging in twice, or a folder never pulled out, is plugged in.
  EXPECT_EQ(simkeyboard::SetPluggedIn(SimDir(), true), 0);
  EXPECT_TRUE(simkeyboard::PluggedIn(dir_.path() + "elsewhere/"));
}

namespace {

class SwitchRunTest : public WorkerTest {
 protected:
  void SetUp() override {
    WorkerTest::SetUp();
    Profile current = TestProfile(0x1001);
    current.ledMode = 2;
    Profile game = TestProfile(0x2002);
    game.ledMode = 5;
    store_.Append(current);
    store_.Append(game);
    store_.SetCurrent(0x1001);
    job_.SetPauses(ApplyPauses::Zero());
    Start();
  }
  // The outcomes once n runs have ended (or five seconds have passed).
  std::vector<ApplyOutcome> RunsAfter(std::size_t n) {
    WaitForRuns(n);
    return Outcomes();
  }
};

}  // namespace

TEST_F(SwitchRunTest, TheWorkerAppliesTheNamedProfileAndLeavesTheCurrentOneAlone) {
  ASSERT_EQ(driver_.FindDev(), 1);
  RecordingWindowPort port;
  job_.RequestProfile(0x2002, 0x8007);  // never with a progress window
  const auto runs = RunsAfter(1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].profileId, 0x2002u);
  EXPECT_EQ(runs[0].flags, 7u);
  EXPECT_EQ(runs[0].result, ApplyOutcome::Result::Applied);
  EXPECT_EQ(static_cast<uint8_t>(Report(10).at(0)), 0x31 + 5);  // the game profile's mode code
  EXPECT_TRUE(Written(9));
  EXPECT_EQ(store_.Current()->id, 0x1001u);  // the caller makes it current
  EXPECT_TRUE(port.boxes.empty());
}

TEST_F(SwitchRunTest, PendingRequestsForTheCurrentProfileGoFirstAndAFailureShowsNoBox) {
  ASSERT_EQ(driver_.FindDev(), 1);
  RecordingWindowPort port;
  job_.Request(2);
  job_.RequestProfile(0x2002, 7);
  auto runs = RunsAfter(2);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].profileId, 0u);
  EXPECT_EQ(runs[1].profileId, 0x2002u);
  EXPECT_EQ(static_cast<uint8_t>(Report(10).at(0)), 0x31 + 5);  // the switch was written last

  // The keyboard refuses everything: the run fails without "Update settings failed!".
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "1000", 1);
  ASSERT_EQ(driver_.FindDev(), 1);  // interfaces opened now fail every transfer
  job_.RequestProfile(0x2002, 7);
  runs = RunsAfter(3);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[2].result, ApplyOutcome::Result::Failed);
  for (const std::u16string& text : port.Texts()) EXPECT_NE(text, kApplyFailedText);
  ::unsetenv("TASTOR_SIM_FAIL_TRANSFERS");
}

TEST_F(SwitchRunTest, ANewerSwitchReplacesOneNotYetTakenAndItsRequesterLearnsIt) {
  ASSERT_EQ(driver_.FindDev(), 1);
  // The worker is held by a run whose failure box waits for an answer.
  ProgressPort port(-1);
  port.HoldBoxes(true);
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "3", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  ::unsetenv("TASTOR_SIM_FAIL_TRANSFERS");
  job_.Request(2);
  ASSERT_TRUE(port.WaitForBoxes(1));
  std::vector<ApplyOutcome> ended;
  std::mutex endedMutex;
  const auto record = [&](const ApplyOutcome& o) {
    std::lock_guard<std::mutex> lock(endedMutex);
    ended.push_back(o);
  };
  // Lighting only: the lighting interface has had its failures.
  job_.RequestProfile(0x2002, 2, record);
  job_.RequestProfile(0x1001, 2, record);
  {
    // The first is told at once, on this thread, that it was dropped.
    std::lock_guard<std::mutex> lock(endedMutex);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].profileId, 0x2002u);
    EXPECT_EQ(ended[0].result, ApplyOutcome::Result::Dropped);
  }
  port.HoldBoxes(false);
  ASSERT_TRUE(WaitForRuns(2));
  std::lock_guard<std::mutex> lock(endedMutex);
  ASSERT_EQ(ended.size(), 2u);
  EXPECT_EQ(ended[1].profileId, 0x1001u);
  EXPECT_EQ(ended[1].result, ApplyOutcome::Result::Applied);
}

TEST_F(SwitchRunTest, WithoutAKeyboardTheSwitchIsDroppedNotKept) {
  RecordingWindowPort port;
  job_.RequestProfile(0x2002, 7);
  auto runs = RunsAfter(1);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].result, ApplyOutcome::Result::Dropped);
  EXPECT_EQ(runs[0].profileId, 0x2002u);
  EXPECT_EQ(job_.PendingFlags(), 0u);
  // A later request for the current profile does not carry the switch along.
  ASSERT_EQ(driver_.FindDev(), 1);
  job_.Request(2);
  runs = RunsAfter(2);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[1].profileId, 0u);
  EXPECT_EQ(static_cast<uint8_t>(Report(10).at(0)), 0x31 + 2);
}
