// SPDX-License-Identifier: GPL-2.0-or-later
// The read-back after an apply: a keyboard that acknowledges a report but keeps its old
// content (TASTOR_SIM_DROP_REPORT) fails the apply with the message naming the part, the
// images sent and kept go to the log, and nothing reports 100 %; VerifyApply=0 leaves the
// read-back out.
#include <gtest/gtest.h>

#include "device/apply_job.h"
#include "device/apply_setting.h"
#include "libs/simkeyboard/sim_keyboard.h"
#include "model/profile_store.h"
#include "tests/core/test_apply_support.h"

using namespace apply_test;

namespace {

class ApplyVerifyTest : public ApplyTest {
 protected:
  void SetUp() override {
    ApplyTest::SetUp();
    Settings().VerifyApply = 1;
  }
  void TearDown() override {
    ::unsetenv("TASTOR_SIM_DROP_REPORT");
    ApplyTest::TearDown();
  }
  // The keyboard from now on keeps nothing of these reports.
  void Drop(const char* reports) {
    ::setenv("TASTOR_SIM_DROP_REPORT", reports, 1);
    driver_.ClearHandle();
    ASSERT_EQ(driver_.FindDev(), 1);
  }
  int Apply(const Profile& profile, uint32_t flags, HWND progress, std::string* failure = nullptr) {
    return ApplySetting(&profile, &macros_, progress, &driver_, WM_APPLY_PROGRESS, flags, ApplyPauses::Zero(),
                        failure);
  }
  MacroSet macros_;
};

}  // namespace

TEST_F(ApplyVerifyTest, AKeptApplyPassesAndADroppedMatrixFailsNamingTheKeys) {
  ProgressPort port;
  const Profile p = TestProfile();
  std::string failure = "stale";
  Drop("");
  EXPECT_EQ(Apply(p, kFullApplyFlags, port.Window(), &failure), 1);
  EXPECT_EQ(failure, "");
  EXPECT_TRUE(port.Boxes().empty());
  const std::string matrixBefore = Report(9);

  // A profile with other keys: the keyboard says yes to report 9 and keeps the old one.
  Profile changed = p;
  changed.keys[1] = changed.keys[2];
  Drop("9");
  EXPECT_EQ(Apply(changed, kFullApplyFlags, port.Window(), &failure), 0);
  EXPECT_EQ(Report(9), matrixBefore);
  ASSERT_EQ(port.Boxes().size(), 1u);
  EXPECT_EQ(port.Boxes()[0].text, u"The keyboard did not keep the key assignments.");
  EXPECT_EQ(port.Boxes()[0].caption, u"Info");
  EXPECT_EQ(port.Calls()[0].owner, port.Window());
  EXPECT_EQ(failure, "The keyboard did not keep the key assignments.");
  // No 100 % for an apply the keyboard did not keep; both images are in the log.
  EXPECT_EQ(port.Progress(), (std::vector<uintptr_t>{20, 70, 100, 20, 70}));
  EXPECT_GE(LogIndex("Matrix(Sent): "), 0);
  EXPECT_GT(LogIndex("Matrix(Kept): "), LogIndex("Matrix(Sent): "));
  EXPECT_EQ(LogIndex("LED(Kept): "), -1);
}

TEST_F(ApplyVerifyTest, ADroppedLightingFailsNamingTheLighting) {
  RecordingWindowPort port;
  Profile p = TestProfile();
  p.ledMode = 4;
  Drop("10, 12");
  std::string failure;
  EXPECT_EQ(Apply(p, APPLY_LIGHTING, nullptr, &failure), 0);
  EXPECT_EQ(port.Texts(), std::vector<std::u16string>{u"The keyboard did not keep the lighting."});
  EXPECT_EQ(failure, "The keyboard did not keep the lighting.");
  EXPECT_GE(LogIndex("LED(Kept): "), 0);
  // Only the reports the run wrote are read back: the matrix alone passes.
  EXPECT_EQ(Apply(p, APPLY_MATRIX, nullptr), 1);
  EXPECT_EQ(port.boxes.size(), 1u);
}

TEST_F(ApplyVerifyTest, WithoutVerifyApplyOrWithGoWithNoDevTheApplyGoesThrough) {
  RecordingWindowPort port;
  const Profile p = TestProfile();
  Drop("9,10");
  Settings().VerifyApply = 0;
  EXPECT_EQ(Apply(p, kFullApplyFlags, nullptr), 1);
  EXPECT_EQ(LogIndex("(Kept): "), -1);
  EXPECT_FALSE(Written(9) || Written(10));

  // GoWithNoDev tolerates every failure: logged, not shown.
  Settings().VerifyApply = 1;
  Settings().GoWithNoDev = 1;
  EXPECT_EQ(Apply(p, kFullApplyFlags, nullptr), 1);
  EXPECT_TRUE(port.boxes.empty());
  EXPECT_GE(LogIndex("The keyboard did not keep the lighting."), 0);
  EXPECT_GE(LogIndex("The keyboard did not keep the key assignments."), 0);
}

TEST_F(ApplyVerifyTest, AFailedReadBackFailsTheApply) {
  RecordingWindowPort port;
  const Profile p = TestProfile();
  // Short reads on every interface: the lighting's first read and its read-back both
  // answer half a report three times over, so the lighting run stops at the first read;
  // the matrix is written and its read-back cannot prove it.
  ::setenv("TASTOR_SIM_SHORT_READS", "3", 1);
  Drop("");
  EXPECT_EQ(Apply(p, APPLY_MATRIX, nullptr), 0);
  ASSERT_EQ(port.boxes.size(), 1u);
  EXPECT_EQ(port.Texts()[0].rfind(u"Verify Matrix, err=0x", 0), 0u);
}

TEST(SimulatedKeyboard, DroppedReportListsNameTheKeyboardsReports) {
  using simkeyboard::InReportIdSet;
  using simkeyboard::ReportIdSet;
  const uint32_t set = ReportIdSet(" 9 ,12,x,13,300,,10");
  EXPECT_TRUE(InReportIdSet(set, 9));
  EXPECT_TRUE(InReportIdSet(set, 10));
  EXPECT_TRUE(InReportIdSet(set, 12));
  EXPECT_FALSE(InReportIdSet(set, 11));
  EXPECT_FALSE(InReportIdSet(set, 13));
  EXPECT_EQ(ReportIdSet(""), 0u);
  EXPECT_EQ(ReportIdSet("9a"), 0u);
}
