// SPDX-License-Identifier: GPL-2.0-or-later
// CKBColorDlg: the hit test (rectangle edges, overlapping keys, the polygon key), the
// mouse (hover, WM_KEY_CLICKED on the release of the left button, no drag), the key flags,
// and what is drawn: frames, colour fills at alpha 120, the background behind the image.
// The skin here is of solid colours, so a pixel tells what was drawn over it.
#include "tests/gui/controls_fixture.h"

#include <array>
#include <memory>

#include "platform/messages.h"
#include "skin/window_region.h"
#include "ui/kb_color_dlg.h"

using namespace controls_test;

namespace {

constexpr QRgb kGrey = 0xFF808080, kBlue = 0xFF0000FF;
constexpr COLORREF kHover = RGB(0, 0, 255), kSelected = RGB(255, 0, 255), kFunction = RGB(0, 255, 0);

KeyFunction KeyAt(Rect rect, int matrixPos) {
  KeyFunction k;
  k.code = KeyFunction::MakeCode(KIND_KEY, 0xA0);
  k.rect = rect;
  k.matrixPos = matrixPos;
  return k;
}

// Four keys: 0 and 1 overlap from x 40 to 49; 2 is an L inside (100, 10)-(160, 90) whose
// lower left quarter (x < 130, y >= 50) is not the key; 3 stands alone.
KeyTable FourKeys() {
  KeyTable table;
  table.keys[0] = KeyAt({10, 10, 50, 50}, 0);
  table.keys[1] = KeyAt({40, 10, 90, 50}, 1);
  table.keys[2] = KeyAt({100, 10, 160, 90}, 2);
  table.keys[3] = KeyAt({200, 10, 240, 50}, 3);
  table.count = 4;
  return table;
}
const std::vector<Point> kLShape = {{100, 10}, {160, 10}, {160, 90}, {130, 90}, {130, 50}, {100, 50}, {100, 10}};

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 && std::abs(qBlue(a) - qBlue(b)) <= 2;
}

class KbPictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The key image leaves its first ten columns clear, where the background shows.
    QImage keys = Solid(QSize(300, 100), kGrey);
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 10; ++x) keys.setPixel(x, y, 0);
    }
    skin_.Put("keyimg.png", keys);
    skin_.Use();
    parent_.setGeometry(100, 100, 400, 200);
    parent_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
    picture_ = std::make_unique<CKBColorDlg>();
    picture_->SetColors(kHover, kSelected, kFunction);
    picture_->SetKeyRects(FourKeys());
    picture_->SetPictureBackground(Solid(QSize(150, 50), kBlue));
    picture_->SetPolygonKey(2, kLShape);
    picture_->CreateChild(&parent_, QRect(10, 20, 300, 100));
  }
  QRgb Pixel(int x, int y) const { return picture_->grab().toImage().pixel(x, y); }
  std::vector<MessageLog::Message> Clicks() {
    Pump();
    return parent_.Of(WM_KEY_CLICKED);
  }

  Restore restore_;
  controls_test::SkinFolder skin_;
  MessageLog parent_;
  std::unique_ptr<CKBColorDlg> picture_;
};

}  // namespace

TEST_F(KbPictureTest, HitTestsTakeTheFirstKeyWhoseAreaHoldsThePoint) {
  CKBColorDlg& p = *picture_;
  EXPECT_EQ(4, p.KeyCount());
  EXPECT_EQ(2, p.PolygonKey());
  // Left and top edges belong to a key, right and bottom edges do not.
  EXPECT_EQ(0, p.HitTest({10, 10}));
  EXPECT_EQ(0, p.HitTest({49, 49}));
  EXPECT_EQ(-1, p.HitTest({30, 50}));
  EXPECT_EQ(-1, p.HitTest({9, 30}));
  // Overlapping keys: the lower index wins.
  EXPECT_EQ(0, p.HitTest({45, 30}));
  EXPECT_EQ(1, p.HitTest({50, 30}));
  EXPECT_EQ(-1, p.HitTest({90, 30}));
  // The polygon key is its outline, not its rectangle.
  EXPECT_EQ(2, p.HitTest({110, 30}));
  EXPECT_EQ(2, p.HitTest({145, 80}));
  EXPECT_EQ(-1, p.HitTest({110, 70}));
  EXPECT_EQ(3, p.HitTest({239, 49}));
  EXPECT_EQ(-1, p.HitTest({240, 30}));
  EXPECT_EQ(-1, p.HitTest({-5, -5}));

  // Too few points or an index outside the table leave the polygon key as it is.
  p.SetPolygonKey(3, std::vector<Point>{{200, 10}, {240, 50}});
  p.SetPolygonKey(126, kLShape);
  EXPECT_EQ(2, p.PolygonKey());
  EXPECT_EQ(3, p.HitTest({239, 11}));
  // Keys beyond the table's count are not there.
  KeyTable three = FourKeys();
  three.count = 3;
  p.SetKeyRects(three);
  EXPECT_EQ(-1, p.HitTest({220, 30}));
}

TEST_F(KbPictureTest, ReleasingTheLeftButtonOverAKeyPostsItsIndexToTheParent) {
  QTest::mouseMove(picture_.get(), QPoint(60, 30));
  EXPECT_EQ(1, picture_->HoverKey());
  // A press does not move the main window: the click ends on the release.
  const QPoint parentAt = parent_.pos();
  QTest::mousePress(picture_.get(), Qt::LeftButton, {}, QPoint(20, 30));
  QTest::mouseMove(picture_.get(), QPoint(140, 70));
  QTest::mouseRelease(picture_.get(), Qt::LeftButton, {}, QPoint(140, 70));
  EXPECT_EQ(parentAt, parent_.pos());
  EXPECT_EQ(2, picture_->ClickedKey());
  EXPECT_EQ((std::vector<MessageLog::Message>{{WM_KEY_CLICKED, 2, 0}}), Clicks());

  // The same key again posts again.
  QTest::mouseClick(picture_.get(), Qt::LeftButton, {}, QPoint(150, 20));
  EXPECT_EQ(2u, Clicks().size());
  // The right button clicks nothing.
  QTest::mouseClick(picture_.get(), Qt::RightButton, {}, QPoint(20, 20));
  EXPECT_EQ(2, picture_->ClickedKey());
  EXPECT_EQ(2u, Clicks().size());
  // Outside every key: no key is clicked and nothing is posted.
  QTest::mouseClick(picture_.get(), Qt::LeftButton, {}, QPoint(110, 70));
  EXPECT_EQ(-1, picture_->ClickedKey());
  EXPECT_EQ(2u, Clicks().size());
}

TEST_F(KbPictureTest, KeyFlagsGoToAKeyOrToTheClickedOne) {
  CKBColorDlg& p = *picture_;
  p.SetKeyFlag(-1, 1);  // no key clicked yet
  p.SetKeyFlag(126, 1);
  for (int i = 0; i < kKeyCount; ++i) ASSERT_EQ(0u, p.KeyFlag(i));
  p.SetKeyFlag(1, 1);
  EXPECT_EQ(1u, p.KeyFlag(1));
  QTest::mouseClick(&p, Qt::LeftButton, {}, QPoint(220, 30));
  p.SetKeyFlag(-1, 1);
  EXPECT_EQ(1u, p.KeyFlag(3));
  p.ResetClickedKey();
  p.SetKeyFlag(-1, 0);
  EXPECT_EQ(1u, p.KeyFlag(3));
}

TEST_F(KbPictureTest, DrawsTheFramesAndTheColoursOverTheKeyImage) {
  CKBColorDlg& p = *picture_;
  // The image over the background, both scaled to the window.
  EXPECT_EQ(kBlue, Pixel(5, 60));
  EXPECT_EQ(kGrey, Pixel(20, 30));

  // A key with a function of its own is framed in the function colour.
  p.SetKeyFlag(3, 1);
  EXPECT_EQ(ToQRgb(kFunction), Pixel(200, 30));
  EXPECT_EQ(ToQRgb(kFunction), Pixel(240, 50));  // the frame's right and bottom lines
  EXPECT_EQ(kGrey, Pixel(220, 30));

  // Colours are filled at alpha 120; 0 is no colour, so black cannot be shown.
  std::array<COLORREF, kKeyCount> colours{};
  colours[1] = RGB(255, 0, 0);
  colours[2] = RGB(255, 0, 0);
  colours[3] = RGB(0, 0, 1);
  p.SetKeyColors(colours);
  p.Redraw();
  const QRgb red = qRgb(255 * 120 / 255 + 128 * 135 / 255, 128 * 135 / 255, 128 * 135 / 255);
  EXPECT_TRUE(Near(red, Pixel(70, 30))) << std::hex << Pixel(70, 30);
  EXPECT_TRUE(Near(red, Pixel(145, 80)));
  EXPECT_EQ(kGrey, Pixel(110, 70));  // the polygon's outside
  EXPECT_TRUE(Near(qRgb(68, 68, 68), Pixel(220, 30)));
  colours[3] = 0;
  p.SetKeyColors(colours);
  p.Redraw();
  EXPECT_EQ(kGrey, Pixel(220, 30));

  // The clicked key in the selected colour, the key under the mouse in the hover colour,
  // each framed two pixels outside the key, so that its function frame still shows.
  QTest::mouseClick(&p, Qt::LeftButton, {}, QPoint(220, 30));
  QTest::mouseMove(&p, QPoint(270, 80));  // off the keys
  EXPECT_EQ(-1, p.HoverKey());
  EXPECT_EQ(ToQRgb(kSelected), Pixel(198, 30));
  EXPECT_EQ(ToQRgb(kFunction), Pixel(200, 30));
  QTest::mouseMove(&p, QPoint(20, 20));
  EXPECT_EQ(ToQRgb(kHover), Pixel(30, 8));
  EXPECT_EQ(ToQRgb(kSelected), Pixel(198, 30));
  QTest::mouseMove(&p, QPoint(220, 20));
  EXPECT_EQ(ToQRgb(kHover), Pixel(198, 30));
  EXPECT_EQ(ToQRgb(kFunction), Pixel(200, 30));
  EXPECT_EQ(kGrey, Pixel(30, 8));
  // The polygon key is framed along its outline.
  QTest::mouseMove(&p, QPoint(150, 80));
  EXPECT_EQ(ToQRgb(kHover), Pixel(130, 70));
  EXPECT_EQ(kGrey, Pixel(100, 70));
}

TEST(KbPictureReference, TheLShapedEnterOfTheReferenceKeyboard) {
  Restore restore;
  UseBuildFolder();
  LoadSettings(BinDir(), Settings());
  const AppSettings& s = Settings();
  ASSERT_TRUE(s.UnRectKey.Used());
  int enter = -1, hash = -1;
  for (int i = 0; i < s.KeyTable.count; ++i) {
    if (s.KeyTable.keys[static_cast<std::size_t>(i)].matrixPos == s.UnRectKey.MatrixPosition()) enter = i;
    if (s.KeyTable.keys[static_cast<std::size_t>(i)].matrixPos == 75) hash = i;
  }
  ASSERT_GE(enter, 0);
  CKBColorDlg picture;
  EXPECT_EQ(QSize(s.rcKB.Width(), s.rcKB.Height()), picture.KeyImage().size());
  picture.SetKeyRects(s.KeyTable);
  picture.SetPolygonKey(enter, s.UnRectKey.Corners());
  EXPECT_EQ(enter, picture.HitTest({645, 150}));
  EXPECT_EQ(enter, picture.HitTest({700, 200}));
  EXPECT_EQ(hash, picture.HitTest({645, 200}));  // the key left of the Enter's foot
  EXPECT_EQ(-1, picture.HitTest({651, 200}));    // in the Enter's rectangle, outside its outline
}
