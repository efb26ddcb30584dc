// SPDX-License-Identifier: GPL-2.0-or-later
// CPngSlider and CPngSliderBar: the position table, steps at points, setting positions,
// dragging and clicking with the messages they post, the fill, and creation failures.
#include "tests/gui/controls_fixture.h"
#include "controls/control_look.h"

#include "controls/png_slider.h"
#include "platform/messages.h"

using namespace controls_test;

namespace {

constexpr int kBarId = 149;
const QRect kBarRect(20, 30, 180, 18);

class SliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildFolder();
    Settings().UIDebug = 0;
    InstallControlLook(ControlLookOf(Settings()));
    background_ = Solid(QSize(300, 100), 0xFF202020);
    thumb_ = Solid(QSize(14, 18), 0xFFFF8000);
    dialog_.resize(300, 100);
    dialog_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
  }
  bool Create(int min, int max) {
    return CreatePngSlider(thumb_, &dialog_, background_, bar_, min, max, kBarId, QPoint(0, 6), kBarRect, kBarRect);
  }
  CPngSlider& Thumb() { return bar_.Slider(); }
  int ThumbCentre() { return Thumb().x() + Thumb().width() / 2; }
  // Messages the dialog received, after delivering what was posted.
  std::vector<MessageLog::Message> Received(unsigned msg) {
    Pump();
    return dialog_.Of(msg);
  }
  // Drags the thumb by dx in steps of `by` pixels and lets go.
  void Drag(int dx, int by) {
    const QPoint start(Thumb().width() / 2, 9);
    QTest::mousePress(&Thumb(), Qt::LeftButton, {}, start);
    const QPoint origin = Thumb().mapToGlobal(start);
    for (int moved = by; moved <= dx; moved += by) {
      // Each move is relative to where the thumb now is, as the pointer sees it.
      QTest::mouseMove(&Thumb(), Thumb().mapFromGlobal(origin + QPoint(moved, 0)));
    }
    QTest::mouseRelease(&Thumb(), Qt::LeftButton, {}, Thumb().mapFromGlobal(origin + QPoint(dx, 0)));
  }

  Restore restore_;
  RecordingWindowPort port_;
  QImage background_, thumb_;
  MessageLog dialog_;
  CPngSliderBar bar_;
};

using MessageList = std::vector<MessageLog::Message>;

}  // namespace

TEST_F(SliderTest, ScalePositionsSpreadTheRemainderOverTheFirstSteps) {
  ASSERT_TRUE(Create(0, 9));
  Thumb().SetScalePos(10);
  EXPECT_EQ((std::vector<int>{12, 30, 48, 66, 83, 100, 117, 134, 151, 168}), Thumb().ScalePositions());
  EXPECT_TRUE(port_.boxes.empty());

  CPngSliderBar six, two;
  ASSERT_TRUE(CreatePngSlider(thumb_, &dialog_, background_, six, 1, 6, 148, QPoint(0, 6), kBarRect, kBarRect));
  six.Slider().SetScalePos(6);
  EXPECT_EQ((std::vector<int>{12, 44, 75, 106, 137, 168}), six.Slider().ScalePositions());
  ASSERT_TRUE(CreatePngSlider(thumb_, &dialog_, background_, two, 0, 1, 148, QPoint(0, 6), kBarRect, kBarRect));
  two.Slider().SetScalePos(2);
  EXPECT_EQ((std::vector<int>{12, 168}), two.Slider().ScalePositions());
  EXPECT_TRUE(port_.boxes.empty());

  // A scale that does not match the range warns and is set all the same; a table ends at
  // 250 positions; a single step has no spacing.
  two.Slider().SetScalePos(6);
  ASSERT_EQ(1u, port_.boxes.size());
  EXPECT_EQ(u"CPngSlider::SetScalePos  dwScale and Range unmatch!", port_.boxes[0].text);
  EXPECT_EQ(u"Warning", port_.boxes[0].caption);
  EXPECT_EQ(6u, two.Slider().ScalePositions().size());
  two.Slider().SetScalePos(300);
  EXPECT_EQ(250u, two.Slider().ScalePositions().size());
  two.Slider().SetScalePos(1);
  EXPECT_TRUE(two.Slider().ScalePositions().empty());
  EXPECT_EQ(3u, port_.boxes.size());
}

TEST_F(SliderTest, SetPosPlacesTheThumbAndPostsOnlyWithNotify) {
  ASSERT_TRUE(Create(1, 5));
  EXPECT_TRUE(Received(WM_SLIDER_DONE).empty());  // creation posts nothing
  Thumb().SetScalePos(5);
  Thumb().SetCrossPos(0);
  bar_.SetPos(3, false);
  EXPECT_EQ(3, bar_.GetPos());
  EXPECT_EQ(90, ThumbCentre());  // 12, 51, 90, 129, 168
  EXPECT_EQ(0, Thumb().y());
  EXPECT_EQ(91, bar_.FillPos());
  EXPECT_TRUE(Received(WM_SLIDER_DONE).empty());

  bar_.SetPos(4, true);
  EXPECT_EQ((MessageList{{WM_SLIDER_DONE, 4, kBarId}}), Received(WM_SLIDER_DONE));
  // Above max (or below min) shows min.
  bar_.SetPos(9, false);
  EXPECT_EQ(1, bar_.GetPos());
  EXPECT_EQ(12, ThumbCentre());
  bar_.SetPos(0, false);
  EXPECT_EQ(1, bar_.GetPos());
}

TEST_F(SliderTest, StepsAtPoints) {
  // Evenly spaced: 180 pixels, range 0..5, a step every 36 pixels; half way is the lower.
  ASSERT_TRUE(Create(0, 5));
  EXPECT_EQ(0, Thumb().StepAt(18));
  EXPECT_EQ(1, Thumb().StepAt(19));
  EXPECT_EQ(1, Thumb().StepAt(54));
  EXPECT_EQ(2, Thumb().StepAt(55));
  EXPECT_EQ(5, Thumb().StepAt(179));
  EXPECT_EQ(0, Thumb().StepAt(-20));
  EXPECT_EQ(5, Thumb().StepAt(400));
  EXPECT_EQ(72, Thumb().PositionOf(2));

  // A table: the nearest position, the later step on equal distance.
  Thumb().SetScalePos(6);  // 12, 44, 75, 106, 137, 168
  EXPECT_EQ(0, Thumb().StepAt(27));
  EXPECT_EQ(1, Thumb().StepAt(28));  // 16 from both 12 and 44
  EXPECT_EQ(5, Thumb().StepAt(179));
}

TEST_F(SliderTest, PressAndReleaseOnTheThumbPostsOneSetAndNoDrag) {
  ASSERT_TRUE(Create(0, 9));
  Thumb().SetScalePos(10);
  bar_.SetPos(4, false);
  QTest::mousePress(&Thumb(), Qt::LeftButton, {}, QPoint(7, 9));
  QTest::mouseRelease(&Thumb(), Qt::LeftButton, {}, QPoint(7, 9));
  EXPECT_TRUE(Received(WM_SLIDER_MOVING).empty());
  EXPECT_EQ((MessageList{{WM_SLIDER_DONE, 4, kBarId}}), Received(WM_SLIDER_DONE));
}

TEST_F(SliderTest, DraggingPostsOncePerStepChangeAndOnceAtTheEnd) {
  ASSERT_TRUE(Create(0, 9));
  Thumb().SetScalePos(10);  // 12, 30, 48, 66, 83, 100, 117, 134, 151, 168
  bar_.SetPos(4, false);
  ASSERT_EQ(83, ThumbCentre());
  Drag(51, 3);  // to 134, step 7, in 17 moves
  EXPECT_EQ((MessageList{{WM_SLIDER_MOVING, 4, kBarId},
                         {WM_SLIDER_MOVING, 5, kBarId},
                         {WM_SLIDER_MOVING, 6, kBarId},
                         {WM_SLIDER_MOVING, 7, kBarId}}),
            Received(WM_SLIDER_MOVING));
  EXPECT_EQ((MessageList{{WM_SLIDER_DONE, 7, kBarId}}), Received(WM_SLIDER_DONE));
  EXPECT_EQ(7, bar_.GetPos());
  EXPECT_EQ(134, ThumbCentre());

  // A second drag starts afresh: its first move posts the step under the thumb again.
  dialog_.received.clear();
  Drag(2, 2);
  EXPECT_EQ((MessageList{{WM_SLIDER_MOVING, 7, kBarId}}), Received(WM_SLIDER_MOVING));
  EXPECT_EQ(1u, Received(WM_SLIDER_DONE).size());
  EXPECT_EQ(134, ThumbCentre());  // snapped back to its step
}

TEST_F(SliderTest, DraggingKeepsTheThumbInsideTheBarAndTheFillFollows) {
  ASSERT_TRUE(Create(0, 5));
  ASSERT_TRUE(bar_.HasFill());
  bar_.SetPos(4, false);  // centre 144
  const QPoint start(7, 9);
  QTest::mousePress(&Thumb(), Qt::LeftButton, {}, start);
  const QPoint origin = Thumb().mapToGlobal(start);
  QTest::mouseMove(&Thumb(), Thumb().mapFromGlobal(origin + QPoint(100, 40)));
  EXPECT_EQ(180 - 14, Thumb().x());  // right edge at the bar's end
  EXPECT_EQ(bar_.Slider().CrossPos(), Thumb().y());
  EXPECT_EQ(180 - 7 + 1, bar_.FillPos());
  QTest::mouseMove(&Thumb(), Thumb().mapFromGlobal(origin + QPoint(-300, 0)));
  EXPECT_EQ(0, Thumb().x());
  QTest::mouseRelease(&Thumb(), Qt::LeftButton, {}, Thumb().mapFromGlobal(origin + QPoint(-300, 0)));
  EXPECT_EQ(0, bar_.GetPos());
  EXPECT_EQ(1, bar_.FillPos());
}

TEST_F(SliderTest, ClickingTheTrackPostsExactlyOneSetEitherWay) {
  ASSERT_TRUE(Create(0, 5));
  Received(WM_SLIDER_DONE);
  // Notify on set off: the bar posts it itself.
  QTest::mouseClick(&bar_, Qt::LeftButton, {}, QPoint(54, 9));  // half way between 1 and 2
  EXPECT_EQ(1, bar_.GetPos());
  EXPECT_EQ(37, bar_.FillPos());
  EXPECT_EQ((MessageList{{WM_SLIDER_DONE, 1, kBarId}}), Received(WM_SLIDER_DONE));

  // Notify on set on: setting the position posts it, through the thumb.
  dialog_.received.clear();
  bar_.SetNotifyOnSet(true);
  QTest::mouseClick(&bar_, Qt::LeftButton, {}, QPoint(170, 9));
  EXPECT_EQ((MessageList{{WM_SLIDER_DONE, 5, kBarId}}), Received(WM_SLIDER_DONE));
  EXPECT_TRUE(Received(WM_SLIDER_MOVING).empty());
}

TEST_F(SliderTest, CreationFailuresShowTheirMessage) {
  CPngSliderBar bar;
  EXPECT_FALSE(CreatePngSlider(QImage(), &dialog_, background_, bar, 0, 5, 1, QPoint(0, 6), kBarRect, kBarRect));
  ASSERT_EQ(1u, port_.boxes.size());
  EXPECT_EQ(u"Slider img is null", port_.boxes[0].text);
  EXPECT_EQ(u"Error", port_.boxes[0].caption);
  EXPECT_FALSE(bar.Exists());

  // A range of one value is refused before anything divides by it.
  EXPECT_FALSE(CreatePngSlider(thumb_, &dialog_, background_, bar, 3, 3, 1, QPoint(0, 6), kBarRect, kBarRect));
  ASSERT_EQ(2u, port_.boxes.size());
  EXPECT_EQ(u"Slider range 3 to 3 has a single step: the highest value must be above the lowest.",
            port_.boxes[1].text);
  EXPECT_FALSE(CreatePngSlider(thumb_, &dialog_, background_, bar, 5, 1, 1, QPoint(0, 6), kBarRect, kBarRect));
  EXPECT_EQ(3u, port_.boxes.size());
  EXPECT_FALSE(bar.Exists());

  // No track image: "File not exist" with its path. No fill image: a bar without fill.
  SkinFolder skin;
  skin.Use();
  EXPECT_FALSE(CreatePngSlider(thumb_, &dialog_, background_, bar, 0, 5, 1, QPoint(0, 6), kBarRect, kBarRect));
  ASSERT_EQ(4u, port_.boxes.size());
  EXPECT_EQ(u"File not exist: " + QString::fromStdString(skin.path() + "skins/dpi_bar.png").toStdU16String(),
            port_.boxes[3].text);
  skin.Put("dpi_bar.png", Solid(QSize(180, 6), 0xFF000000));
  ASSERT_TRUE(CreatePngSlider(thumb_, &dialog_, background_, bar, 0, 5, 1, QPoint(0, 6), kBarRect, kBarRect));
  EXPECT_FALSE(bar.HasFill());
  bar.SetPos(3, false);
  EXPECT_EQ(0, bar.FillPos());
  EXPECT_EQ(4u, port_.boxes.size());
}

TEST_F(SliderTest, TrackBitmapIsTheBackgroundWithTheTrackImage) {
  ASSERT_TRUE(Create(0, 5));
  const QImage track = bar_.Track();
  ASSERT_EQ(kBarRect.size(), track.size());
  EXPECT_EQ(0xFF202020, track.pixel(5, 2));  // background above the track image
  EXPECT_NE(0xFF202020, track.pixel(90, 8));  // dpi_bar.png at (0, 6)
  // The thumb draws the track (not the fill) under itself, then its image.
  EXPECT_EQ(0xFFFF8000, Thumb().grab().toImage().pixel(7, 9));
}
