// SPDX-License-Identifier: GPL-2.0-or-later
// CPngBtn: creation variants, the image and colour chosen in each state for check-style and
// push-style buttons, the press shift, captions, fonts, tool tips and the debug frame.
// The skin here is made of solid colours, so a pixel of the drawn button names its image.
#include "tests/gui/controls_fixture.h"
#include "controls/control_look.h"

#include <QSignalSpy>

#include "controls/png_btn.h"
#include "skin/app_font.h"

using namespace controls_test;
using Face = CPngBtn::Face;

namespace {

constexpr QRgb kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kYellow = 0xFFFFFF00;
const QSize kSize(40, 20);

class PngBtnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    skin_.Put("b_nr.png", Solid(kSize, kRed));
    skin_.Put("b_ov.png", Solid(kSize, kGreen));
    skin_.Put("b_dn.png", Solid(kSize, kBlue));
    skin_.Use();
    Settings().Btn_txt_clr_nr = RGB(1, 1, 1);
    Settings().Btn_txt_clr_ov = RGB(2, 2, 2);
    Settings().Btn_txt_clr_dn = RGB(3, 3, 3);
    Settings().UIDebug = 0;
    Settings().BtnTips = 0;
    InstallControlLook(ControlLookOf(Settings()));
    background_ = Solid(QSize(200, 100), kYellow);
    parent_.resize(200, 100);
    parent_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent_));
  }
  bool Create(CPngBtn& button, bool checkStyle, const char16_t* caption = nullptr) {
    return CreatePngBtn(button, &parent_, QPoint(10, 10), "b_nr.png", "b_ov.png", "b_dn.png", checkStyle,
                        &background_, caption, Settings().BtnTips != 0);
  }
  static QRgb Pixel(CPngBtn& button, QPoint at) { return button.grab().toImage().pixel(at); }

  Restore restore_;
  SkinFolder skin_;
  QImage background_;
  QWidget parent_;
};

}  // namespace

TEST_F(PngBtnTest, FromSkinFilesTakesTheNormalImagesSizeOrIsNotCreated) {
  CPngBtn button;
  ASSERT_TRUE(Create(button, false));
  EXPECT_TRUE(button.Exists());
  EXPECT_EQ(&parent_, button.parentWidget());
  EXPECT_EQ(QRect(QPoint(10, 10), kSize), button.geometry());
  EXPECT_FALSE(button.CheckStyle());
  EXPECT_FALSE(button.PressShift());
  EXPECT_TRUE(button.isVisible());
  EXPECT_EQ(Qt::ClickFocus, button.focusPolicy());  // no tab stop until its window orders it
  EXPECT_EQ(RGB(1, 1, 1), button.CurrentLook().textColour);

  // One missing file: no window, and later calls are harmless.
  CPngBtn missing;
  EXPECT_FALSE(CreatePngBtn(missing, &parent_, QPoint(0, 0), "b_nr.png", "b_nope.png", "b_dn.png", false,
                            &background_));
  EXPECT_FALSE(missing.Exists());
  EXPECT_EQ(nullptr, missing.parentWidget());
  EXPECT_FALSE(missing.isVisible());
  missing.SetText(u"still fine");
  missing.SetCheck(true);
}

TEST_F(PngBtnTest, PushStyleImageChoice) {
  CPngBtn button;
  ASSERT_TRUE(Create(button, false));
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  EXPECT_EQ((CPngBtn::Look{Face::Normal, RGB(1, 1, 1), false}), button.CurrentLook());
  EXPECT_EQ(kRed, Pixel(button, QPoint(20, 10)));

  QTest::mouseMove(&button, QPoint(5, 5));
  EXPECT_TRUE(button.Hovering());
  EXPECT_EQ((CPngBtn::Look{Face::Hover, RGB(2, 2, 2), false}), button.CurrentLook());
  EXPECT_EQ(kGreen, Pixel(button, QPoint(20, 10)));

  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ((CPngBtn::Look{Face::Pressed, RGB(3, 3, 3), false}), button.CurrentLook());
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(1, clicks.count());
  EXPECT_FALSE(button.GetCheck());  // a click never changes the checked flag

  // Checked by the owner: pressed image even while hovered.
  button.SetCheck(true);
  EXPECT_EQ((CPngBtn::Look{Face::Pressed, RGB(3, 3, 3), false}), button.CurrentLook());

  // The mouse leaves; disabled shows the disabled image (a copy of the normal one).
  QTest::mouseMove(&parent_, QPoint(150, 80));
  EXPECT_FALSE(button.Hovering());
  button.SetCheck(false);
  button.setEnabled(false);
  EXPECT_EQ((CPngBtn::Look{Face::Disabled, RGB(1, 1, 1), false}), button.CurrentLook());
  EXPECT_EQ(kRed, Pixel(button, QPoint(20, 10)));
}

TEST_F(PngBtnTest, CheckStyleImageChoice) {
  CPngBtn button;
  ASSERT_TRUE(Create(button, true));
  QSignalSpy clicks(&button, &QAbstractButton::clicked);

  // Being pressed does not change a check-style button's look.
  QTest::mouseMove(&button, QPoint(5, 5));
  QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(Face::Hover, button.CurrentLook().face);
  QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(1, clicks.count());
  EXPECT_FALSE(button.GetCheck());

  // Checked keeps the pressed image while hovered, and shows the disabled one when disabled.
  button.SetCheck(true);
  EXPECT_TRUE(button.Hovering());
  EXPECT_EQ((CPngBtn::Look{Face::Pressed, RGB(3, 3, 3), false}), button.CurrentLook());
  EXPECT_EQ(kBlue, Pixel(button, QPoint(20, 10)));
  button.setEnabled(false);
  EXPECT_EQ((CPngBtn::Look{Face::Disabled, RGB(1, 1, 1), false}), button.CurrentLook());
  button.setEnabled(true);
  button.SetCheck(false);
  EXPECT_EQ(Face::Hover, button.CurrentLook().face);
}

TEST_F(PngBtnTest, PressShiftMovesThePressedImageLeftAndDown) {
  // Push style: shifted while pressed; the uncovered column and row show the background.
  CPngBtn push;
  ASSERT_TRUE(Create(push, false));
  push.SetPressShift(true);
  QTest::mousePress(&push, Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(push.CurrentLook().shifted);
  const QImage drawn = push.grab().toImage();
  EXPECT_EQ(kBlue, drawn.pixel(20, 10));
  EXPECT_EQ(kYellow, drawn.pixel(kSize.width() - 1, 10));
  EXPECT_EQ(kYellow, drawn.pixel(20, 0));
  EXPECT_EQ(kBlue, drawn.pixel(0, kSize.height() - 1));
  QTest::mouseRelease(&push, Qt::LeftButton, {}, QPoint(5, 5));
  // Checked by the owner, a push button shows its pressed image unshifted.
  push.SetCheck(true);
  EXPECT_FALSE(push.CurrentLook().shifted);

  // Check style: shifted whenever checked.
  CPngBtn check;
  ASSERT_TRUE(Create(check, true));
  check.SetPressShift(true);
  check.SetCheck(true);
  EXPECT_EQ((CPngBtn::Look{Face::Pressed, RGB(3, 3, 3), true}), check.CurrentLook());
}

TEST_F(PngBtnTest, CaptionsToolTipsFontAndDebugFrame) {
  // BtnTips 0: no tool tip, whatever the caption.
  CPngBtn quiet;
  ASSERT_TRUE(Create(quiet, false, u"Apply"));
  EXPECT_EQ(u"Apply", quiet.Caption());
  EXPECT_TRUE(quiet.toolTip().isEmpty());

  // BtnTips 1: the caption is the tool tip; a null text changes nothing.
  Settings().BtnTips = 1;
  InstallControlLook(ControlLookOf(Settings()));
  CPngBtn tipped;
  ASSERT_TRUE(Create(tipped, false, u"Apply"));
  EXPECT_EQ(QStringLiteral("Apply"), tipped.toolTip());
  tipped.SetTooltipText(nullptr);
  EXPECT_EQ(QStringLiteral("Apply"), tipped.toolTip());
  CPngBtn uncaptioned;
  ASSERT_TRUE(Create(uncaptioned, false));
  EXPECT_TRUE(uncaptioned.toolTip().isEmpty());

  // Without an application font captions use the own font, 15 pixels high.
  ASSERT_EQ(nullptr, AppFont());
  EXPECT_EQ(ShellDlgFont(15, 400), tipped.DrawingFont());
  EXPECT_LE(QFontMetrics(tipped.DrawingFont()).height(), 15);

  // The caption is drawn over the image in the state's colour, centred or indented.
  tipped.SetTextColors(RGB(0, 0, 0), RGB(0, 0, 0), RGB(0, 0, 0));
  tipped.SetText(u"I", 0);
  auto darkColumns = [&] {
    const QImage drawn = tipped.grab().toImage();
    int first = -1;
    for (int x = 0; x < drawn.width() && first < 0; ++x) {
      for (int y = 0; y < drawn.height(); ++y) {
        if (drawn.pixel(x, y) != kRed) {
          first = x;
          break;
        }
      }
    }
    return first;
  };
  const int centred = darkColumns();
  EXPECT_GT(centred, 4);
  tipped.SetText(u"I", 1);
  EXPECT_LE(darkColumns(), 2);
  EXPECT_LT(darkColumns(), centred);

  // UIDebug frames buttons of the first variant in RGB(10, 0, 255).
  Settings().UIDebug = 1;
  InstallControlLook(ControlLookOf(Settings()));
  CPngBtn framed;
  ASSERT_TRUE(Create(framed, false));
  EXPECT_EQ(qRgb(10, 0, 255), Pixel(framed, QPoint(0, 0)));
  EXPECT_EQ(kRed, Pixel(framed, QPoint(20, 10)));
  CPngBtn cut;
  ASSERT_TRUE(CreatePngBtnCut(cut, &parent_, QPoint(0, 50), "b_nr.png", "b_ov.png", "b_dn.png", nullptr, false, false));
  EXPECT_FALSE(cut.DebugFrame());
}

TEST_F(PngBtnTest, CutAndImageVariants) {
  QImage halves(40, 20, QImage::Format_ARGB32);
  halves.fill(kRed);
  for (int y = 0; y < 20; ++y) {
    for (int x = 20; x < 40; ++x) halves.setPixel(x, y, kGreen);
  }
  skin_.Put("h.png", halves);

  // Cut to the right half: the button is that half's size and shows it.
  const QRect right(20, 0, 20, 20);
  CPngBtn cut;
  ASSERT_TRUE(CreatePngBtnCut(cut, &parent_, QPoint(5, 5), "h.png", "h.png", "h.png", &right, true, true, u"x"));
  EXPECT_EQ(QRect(5, 5, 20, 20), cut.geometry());
  EXPECT_TRUE(cut.CheckStyle());
  EXPECT_TRUE(cut.PressShift());
  EXPECT_EQ(kGreen, Pixel(cut, QPoint(2, 2)));  // clear of the caption
  EXPECT_EQ(ShellDlgFont(15, 400), cut.DrawingFont());

  // From loaded images over a window rectangle: check style and push style.
  CPngBtn check, push;
  ASSERT_TRUE(CreatePngCheckBtn(check, &parent_, QRect(50, 5, 20, 20), halves, halves, halves, &right));
  ASSERT_TRUE(CreatePngPushBtn(push, &parent_, QRect(80, 5, 40, 20), halves, halves, halves));
  EXPECT_TRUE(check.CheckStyle());
  EXPECT_FALSE(push.CheckStyle());
  EXPECT_EQ(QRect(80, 5, 40, 20), push.geometry());
  EXPECT_EQ(kGreen, Pixel(check, QPoint(10, 10)));
  EXPECT_EQ(kRed, Pixel(push, QPoint(10, 10)));

  // SetImages replaces all four images.
  push.SetImages(Solid(kSize, kBlue), Solid(kSize, kBlue), Solid(kSize, kBlue));
  push.setEnabled(false);
  EXPECT_EQ(kBlue, Pixel(push, QPoint(10, 10)));
}

TEST_F(PngBtnTest, KeyboardClicksAFocusedButton) {
  CPngBtn button;
  ASSERT_TRUE(Create(button, false));
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  parent_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&parent_));
  QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));  // a click gives it the focus
  EXPECT_TRUE(button.hasFocus());
  QTest::keyClick(&button, Qt::Key_Space);
  EXPECT_EQ(2, clicks.count());
}
