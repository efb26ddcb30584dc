// SPDX-License-Identifier: GPL-2.0-or-later
// CColorBtnDlg: what the colour swatch draws and the one message per release it posts.
#include "tests/gui/controls_fixture.h"

#include "controls/color_btn_dlg.h"
#include "platform/messages.h"

using namespace controls_test;

namespace {

class SwatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
    swatch_.setGeometry(10, 10, 24, 24);
    swatch_.SetFrameColors(0x969696, 0x1513BD);
    swatch_.SetIndex(1);
    swatch_.show();
  }
  QImage Drawn() { return swatch_.grab().toImage(); }

  MessageLog parent_;
  CColorBtnDlg swatch_{&parent_};
};

}  // namespace

TEST_F(SwatchTest, EveryReleaseOverItPostsOneMessage) {
  for (int i = 0; i < 3; ++i) QTest::mouseClick(&swatch_, Qt::LeftButton, {}, QPoint(12, 12));
  Pump();
  EXPECT_EQ(std::vector<MessageLog::Message>(3, {WM_COLOR_SWATCH, 1, 1}), parent_.Of(WM_COLOR_SWATCH));
  EXPECT_EQ(1086u, WM_COLOR_SWATCH);

  // Selected: wParam 0. The swatch never changes its selection itself.
  parent_.received.clear();
  swatch_.SetSelected(true);
  swatch_.SetIndex(0);
  QTest::mouseClick(&swatch_, Qt::LeftButton, {}, QPoint(3, 20));
  Pump();
  EXPECT_EQ((std::vector<MessageLog::Message>{{WM_COLOR_SWATCH, 0, 0}}), parent_.Of(WM_COLOR_SWATCH));
  EXPECT_TRUE(swatch_.Selected());

  // A press that is let go elsewhere, and other buttons, post nothing.
  parent_.received.clear();
  QTest::mousePress(&swatch_, Qt::LeftButton, {}, QPoint(12, 12));
  QTest::mouseRelease(&parent_, Qt::LeftButton, {}, QPoint(200, 200));
  QTest::mouseClick(&swatch_, Qt::RightButton, {}, QPoint(12, 12));
  Pump();
  EXPECT_TRUE(parent_.Of(WM_COLOR_SWATCH).empty());
}

TEST_F(SwatchTest, ColourNoneMarkAndFrames) {
  const QRgb field = qRgb(0x12, 0x12, 0x12);
  // Colour 0 without the mark: a black square inside the dark field and the grey frame.
  swatch_.SetColor(0);
  QImage drawn = Drawn();
  EXPECT_EQ(qRgb(0x96, 0x96, 0x96), drawn.pixel(0, 0));
  EXPECT_EQ(qRgb(0x96, 0x96, 0x96), drawn.pixel(23, 23));
  EXPECT_EQ(field, drawn.pixel(2, 2));
  EXPECT_EQ(qRgb(0, 0, 0), drawn.pixel(3, 3));
  EXPECT_EQ(qRgb(0, 0, 0), drawn.pixel(20, 20));
  EXPECT_EQ(field, drawn.pixel(21, 21));

  // A colour is given red first.
  swatch_.SetColor(RGB(255, 140, 0));
  EXPECT_EQ(qRgb(255, 140, 0), Drawn().pixel(12, 12));

  // The none mark: the red diagonal on the dark field, no colour.
  swatch_.SetNoneMark(true);
  drawn = Drawn();
  EXPECT_EQ(qRgb(255, 0, 0), drawn.pixel(12, 12));
  EXPECT_EQ(qRgb(255, 0, 0), drawn.pixel(2, 22));
  EXPECT_EQ(field, drawn.pixel(6, 6));
  EXPECT_EQ(field, drawn.pixel(18, 18));

  // Selected: the selected frame colour (0x1513BD, red in the low byte).
  swatch_.SetSelected(true);
  EXPECT_EQ(qRgb(0xBD, 0x13, 0x15), Drawn().pixel(0, 12));
}
