// SPDX-License-Identifier: GPL-2.0-or-later
// ApplySetting against the simulated keyboard: which reports are written, in which order
// and with which bytes; the macro slots; SyncKB; the colour group of the game mode; the
// progress messages; transfer failures with and without GoWithNoDev.
#include <gtest/gtest.h>

#include "device/apply_job.h"
#include "device/apply_setting.h"
#include "model/profile_store.h"
#include "tests/core/test_apply_support.h"

using namespace apply_test;

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

class ApplySettingTest : public ApplyTest {
 protected:
  void SetUp() override {
    ApplyTest::SetUp();
    ASSERT_EQ(driver_.FindDev(), 1);
  }
  int Apply(const Profile& profile, uint32_t flags, HWND progress = nullptr) {
    return ApplySetting(&profile, &macros_, progress, &driver_, WM_APPLY_PROGRESS, flags, ApplyPauses::Zero());
  }
  MacroSet macros_;
};

}  // namespace

TEST_F(ApplySettingTest, FullApplyWithoutMacroKeysWritesLightingThenMatrix) {
  // The keyboard's lighting report: its bytes 4..40 survive the apply.
  std::string led(41, '\0');
  for (std::size_t i = 0; i < led.size(); ++i) led[i] = static_cast<char>(0xA0 + i);
  Seed(10, led);
  driver_.ClearHandle();
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port;
  Profile p = TestProfile();
  p.modeSettings[2] = {4, 3};  // mode index 2: speed level 4, brightness 3
  p.colourGroup = 6;

  EXPECT_EQ(Apply(p, kFullApplyFlags, port.Window()), 1);

  const std::string ledOut = Report(10);
  ASSERT_EQ(ledOut.size(), 41u);
  EXPECT_EQ(ledOut.substr(0, 4), Bytes({0x33, 7, 2, 3}));  // code of mode 2, group + 1, speed 4 -> 2
  EXPECT_EQ(ledOut.substr(4), led.substr(4));
  EXPECT_EQ(DeviceSpeed(1), 5);
  EXPECT_EQ(DeviceSpeed(0), 1);  // levels outside 1..5 are sent as 1
  EXPECT_EQ(DeviceSpeed(6), 1);
  // Esc, A, B and left Ctrl of the key table; positions the table lacks stay 0.
  EXPECT_EQ(MatrixEntry(0), 0x00290000u);
  EXPECT_EQ(MatrixEntry(1), 0x00040000u);
  EXPECT_EQ(MatrixEntry(2), 0x00050000u);
  EXPECT_EQ(MatrixEntry(43), 0x00000100u);
  EXPECT_EQ(MatrixEntry(125), 0u);
  EXPECT_FALSE(Written(11));  // not the game mode
  EXPECT_FALSE(Written(12));  // no macro keys

  EXPECT_EQ(port.Progress(), (std::vector<uintptr_t>{20, 70, 100}));
  for (const auto& post : port.Posts()) EXPECT_EQ(post.lParam, 0);
  EXPECT_TRUE(port.boxes.empty());
  // Order of the log: the lighting is read, changed and written before the matrix.
  const int load = LogIndex("LED(Load):  a0 a1 a2"), save = LogIndex("LED(Save):  33 07 02 03 a4");
  const int after = LogIndex("-------After convert over--------"), matrix = LogIndex("Matrix_Data:");
  EXPECT_TRUE(load >= 0 && load < save && save < after && after < matrix) << load << " " << save << " " << matrix;
  EXPECT_EQ(LogIndex("Macro: "), -1);
  EXPECT_EQ(LogIndex("ApplySetting: hWnd=0"), -1);
}

TEST_F(ApplySettingTest, MacroKeysGetSlotsInKeyOrderAndShareThem) {
  Profile p = TestProfile();
  MacroRecord a = KeyMacro(0xA1, 'A', 3), b = KeyMacro(0xB2, 'B'), c = KeyMacro(0xC3, 'C');
  b.dwRepeatMode = MACRO_REPEAT_SECOND;
  a.Macro_Buffer_ID = 1;  // a stale number read with the macro does not count
  macros_ = MacroSet({a, b, c});
  p.keys[5] = MacroKey(0xC3, 5);
  p.keys[7] = MacroKey(0xA1, 7);
  p.keys[9] = MacroKey(0xC3, 9);  // the same macro again: the same slot
  p.keys[11] = MacroKey(0xB2, 11);
  p.keys[12] = MacroKey(0xD4, 12);  // no such macro
  RecordingWindowPort port;

  EXPECT_EQ(Apply(p, APPLY_MATRIX), 1);

  const std::string buffer = Report(12);
  ASSERT_EQ(buffer.size(), 1920u);
  // Press with 50 ms, release at once: 05 00 usage, 80 00 usage.
  EXPECT_EQ(buffer.substr(0, 7), Bytes({0x05, 0, 0x06, 0x80, 0, 0x06, 0}));          // slot 1: C
  EXPECT_EQ(buffer.substr(192, 7), Bytes({0x05, 0, 0x04, 0x80, 0, 0x04, 0}));        // slot 2: A
  EXPECT_EQ(buffer.substr(384, 7), Bytes({0x05, 0, 0x05, 0x80, 0, 0x05, 0}));        // slot 3: B
  EXPECT_EQ(buffer.substr(576), std::string(1920 - 576, '\0'));
  EXPECT_EQ(MatrixEntry(5), 0x01010002u);   // slot 1, repeat bit 1, one loop
  EXPECT_EQ(MatrixEntry(9), 0x01010002u);
  EXPECT_EQ(MatrixEntry(7), 0x03010102u);   // slot 2, three loops
  EXPECT_EQ(MatrixEntry(11), 0x00040202u);  // slot 3, second repeat mode: no loop count
  EXPECT_EQ(MatrixEntry(12), 0u);           // the missing macro has no entry...
  EXPECT_EQ(port.Texts(), std::vector<std::u16string>{u"Invaild key code"});  // ...and says so
  EXPECT_FALSE(Written(10));
  EXPECT_EQ(LogIndex("Key[0][12] Set To Macro NULL") >= 0, true);
  const int macro = LogIndex("Macro:  05 00 06");
  EXPECT_GE(macro, 0);
  EXPECT_LT(macro, LogIndex("Matrix_Data:"));
  // The buffer numbers were the run's only.
  for (const MacroRecord& m : macros_.Records()) EXPECT_EQ(int32_t{m.Macro_Buffer_ID}, 0);
}

TEST_F(ApplySettingTest, MoreThanTenMacrosLeaveTheLaterKeysWithoutBuffer) {
  Profile p = TestProfile();
  std::vector<MacroRecord> records;
  for (int i = 0; i < 12; ++i) {
    records.push_back(KeyMacro(0x100 + i, static_cast<uint16_t>('A' + i)));
    p.keys[static_cast<std::size_t>(20 + i)] = MacroKey(0x100 + i, 20 + i);
  }
  macros_ = MacroSet(records);
  EXPECT_EQ(Apply(p, APPLY_MATRIX), 1);
  const std::string buffer = Report(12);
  for (int slot = 0; slot < 10; ++slot) {
    EXPECT_EQ(static_cast<uint8_t>(buffer[static_cast<std::size_t>(slot * 192 + 2)]), 0x04 + slot) << slot;
    EXPECT_EQ(MatrixEntry(20 + slot), 0x01010002u | (static_cast<uint32_t>(slot) << 8)) << slot;
  }
  EXPECT_EQ(MatrixEntry(30), 0x00010002u);  // the eleventh and twelfth macro: buffer byte 0, no loops
  EXPECT_EQ(MatrixEntry(31), 0x00010002u);
}

TEST_F(ApplySettingTest, SyncKBKeepsTheKeyboardsOwnEntries) {
  std::string matrix(504, '\0');
  for (int pos = 0; pos < 126; ++pos) matrix.replace(static_cast<std::size_t>(pos * 4), 4, Bytes({0xDD, 0xCC, 0xBB, 0xAA}));
  Seed(9, matrix);
  driver_.ClearHandle();
  ASSERT_EQ(driver_.FindDev(), 1);
  Settings().SyncKB = 1;
  Profile p = TestProfile();
  p.keys[1].code = 0;  // A: no function in the profile

  EXPECT_EQ(Apply(p, APPLY_MATRIX), 1);
  EXPECT_EQ(MatrixEntry(0), 0x00290000u);
  EXPECT_EQ(MatrixEntry(1), 0xAABBCCDDu);
  EXPECT_EQ(MatrixEntry(2), 0x00050000u);
  EXPECT_EQ(MatrixEntry(125), 0xAABBCCDDu);
  EXPECT_GE(LogIndex("SyncKB=1"), 0);

  Settings().SyncKB = 0;
  EXPECT_EQ(Apply(p, APPLY_MATRIX), 1);
  EXPECT_EQ(MatrixEntry(1), 0u);
  EXPECT_EQ(MatrixEntry(125), 0u);
}

TEST_F(ApplySettingTest, ColourGroupOnlyForAUserGroupOfTheGameMode) {
  Profile p = TestProfile();
  p.ledMode = 1;  // the game mode
  p.colourGroup = 9;
  p.colours[9][0] = RGB(255, 0, 0);
  p.colours[9][5] = RGB(0, 0, 1);
  p.colours[9][125] = RGB(1, 1, 1);  // beyond the report
  EXPECT_EQ(Apply(p, APPLY_COLOUR), 1);
  std::string expected(126, '\0');
  expected[0] = 10;
  expected[1] = 7;
  expected[6] = 7;
  EXPECT_EQ(Report(11), expected);
  EXPECT_GE(LogIndex("Game Color Data: (clrKey[0] is group index)"), 0);
  EXPECT_FALSE(Written(10));
  EXPECT_FALSE(Written(9));

  std::filesystem::remove(SimDir() + "report-11.bin");
  p.colourGroup = 7;  // a preset group
  EXPECT_EQ(Apply(p, APPLY_COLOUR), 1);
  p.colourGroup = 9;
  p.ledMode = 3;  // not the game mode
  EXPECT_EQ(Apply(p, kFullApplyFlags), 1);
  EXPECT_FALSE(Written(11));

  // A refused colour report names its group.
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "3", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  RecordingWindowPort port;
  p.ledMode = 1;
  EXPECT_EQ(Apply(p, APPLY_COLOUR), 0);
  EXPECT_EQ(port.Texts(), std::vector<std::u16string>{u"Set color[9] data, err=0x5"});
}

TEST_F(ApplySettingTest, NothingIsSentWithoutFlagsOrWithoutAProfile) {
  ProgressPort port;
  Profile p = TestProfile();
  EXPECT_EQ(Apply(p, 0), 1);
  EXPECT_FALSE(Written(9) || Written(10) || Written(11) || Written(12));
  EXPECT_TRUE(port.Posts().empty());

  Profile zero = p;
  zero.id = 0;
  EXPECT_EQ(Apply(zero, kFullApplyFlags, port.Window()), 0);
  EXPECT_EQ(ApplySetting(nullptr, &macros_, nullptr, &driver_, WM_APPLY_PROGRESS, 7, ApplyPauses::Zero()), 0);
  EXPECT_EQ(ApplySetting(&p, &macros_, nullptr, nullptr, WM_APPLY_PROGRESS, 7, ApplyPauses::Zero()), 0);
  EXPECT_FALSE(Written(9) || Written(10));
  EXPECT_TRUE(port.Posts().empty());
  EXPECT_TRUE(port.boxes.empty());
}

TEST_F(ApplySettingTest, AnUnusableProgressWindowIsLeftAlone) {
  ProgressPort port;
  TastorWindow gone{};  // not the port's window
  Profile p = TestProfile();
  p.keys[4].code = KeyFunction::MakeCode(KIND_MEDIA, 99);  // no such media function
  EXPECT_EQ(Apply(p, APPLY_MATRIX | APPLY_LIGHTING, &gone), 1);
  EXPECT_GE(LogIndex("ApplySetting: hWnd=0"), 0);
  EXPECT_TRUE(port.Posts().empty());
  ASSERT_EQ(port.Calls().size(), 1u);
  EXPECT_EQ(port.Calls()[0].owner, nullptr);

  // With the progress window the box is its own.
  EXPECT_EQ(Apply(p, APPLY_MATRIX, port.Window()), 1);
  ASSERT_EQ(port.Calls().size(), 2u);
  EXPECT_EQ(port.Calls()[1].owner, port.Window());
  EXPECT_EQ(port.Boxes()[1].caption, u"Error");
  EXPECT_EQ(MatrixEntry(4), 0u);
}

TEST_F(ApplySettingTest, TransferFailingTwiceSucceedsAfter400ms) {
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "2", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  driver_.SetRetryPause(200ms);
  const Profile p = TestProfile();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Apply(p, APPLY_MATRIX), 1);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 400ms);
  EXPECT_LT(took, 700ms);
  EXPECT_EQ(MatrixEntry(0), 0x00290000u);
  EXPECT_EQ(LogIndex("SendCommand err="), -1);
}

TEST_F(ApplySettingTest, TransferFailingThreeTimesEndsWithTheInfoBox) {
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "3", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port;
  const Profile p = TestProfile();
  EXPECT_EQ(Apply(p, APPLY_MATRIX, port.Window()), 0);
  ASSERT_EQ(port.Boxes().size(), 1u);
  EXPECT_EQ(port.Boxes()[0].text, u"Set matrix, err=0x5");
  EXPECT_EQ(port.Boxes()[0].caption, u"Info");
  EXPECT_EQ(port.Calls()[0].owner, port.Window());
  EXPECT_GE(LogIndex("SendCommand err=5"), 0);
  EXPECT_EQ(port.Progress(), std::vector<uintptr_t>{70});  // no 100 after a failure
  EXPECT_FALSE(Written(9));

  // The lighting read fails the same way; the lighting is then not written.
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "3", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  EXPECT_EQ(Apply(p, kFullApplyFlags, port.Window()), 0);
  EXPECT_EQ(port.Boxes().back().text, u"Get LED Failed.");
  EXPECT_FALSE(Written(10));
}

TEST_F(ApplySettingTest, GoWithNoDevLogsFailuresAndGoesOn) {
  Settings().GoWithNoDev = 1;
  // Every interface fails its first six transfers: each read and each write fails.
  ::setenv("TASTOR_SIM_FAIL_TRANSFERS", "6", 1);
  ASSERT_EQ(driver_.FindDev(), 1);
  ProgressPort port;
  Profile p = TestProfile();
  p.keys[3] = MacroKey(0xA1, 3);
  macros_ = MacroSet({KeyMacro(0xA1, 'A')});
  EXPECT_EQ(Apply(p, kFullApplyFlags, port.Window()), 1);
  EXPECT_TRUE(port.boxes.empty());
  EXPECT_EQ(port.Progress(), (std::vector<uintptr_t>{20, 70, 100}));
  for (const char* line : {"Get LED Failed.", "Set led data, err=0x5", "Set macro buffer, err=0x5", "Set matrix, err=0x5"}) {
    EXPECT_GE(LogIndex(line), 0) << line;
  }
  EXPECT_FALSE(Written(9) || Written(10) || Written(12));
}

TEST_F(ApplySettingTest, StoredProfileIsAppliedFromCopies) {
  // What the process watch calls on the UI thread: the current profile, no window.
  ProfileStore store;
  MacroLibrary library;
  Profile p = TestProfile(0x777);
  p.keys[2] = MacroKey(0xA1, 2);
  store.Append(p);
  store.SetCurrent(0x777);
  library.Add(KeyMacro(0xA1, 'Z'));
  EXPECT_EQ(ApplyStoredProfile(store, library, nullptr, &driver_, WM_APPLY_PROGRESS, 7, ApplyPauses::Zero()), 1);
  EXPECT_EQ(Report(12).substr(0, 3), Bytes({0x05, 0, 0x1D}));
  EXPECT_EQ(MatrixEntry(2), 0x01010002u);
  EXPECT_EQ(int32_t{library.FindMacroById(0xA1)->Macro_Buffer_ID}, 0);
  EXPECT_EQ(Report(10).substr(0, 4), Bytes({0x33, 1, 5, 4}));  // LEDParam 2, 1, 4 of the test settings
}
