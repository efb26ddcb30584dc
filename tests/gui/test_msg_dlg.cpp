// SPDX-License-Identifier: GPL-2.0-or-later
// CMsgDlg: the layout of its modes on the reference skin, the results of the text and
// number boxes, the keys it swallows or takes as OK, a missing face, and the core's
// messages shown in it.
#include "tests/gui/controls_fixture.h"
#include "controls/control_look.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QTimer>
#include <functional>
#include <memory>

#include "ui/user_message_box.h"
#include "skin/skin_image.h"
#include "text/text_table.h"
#include "ui/msg_dlg.h"
#include "ui/qt_window_port.h"

using namespace controls_test;

namespace {

constexpr COLORREF kTextColour = RGB(255, 255, 0);

// Runs fn on the modal box once it is up.
void WhenModal(std::function<void(CMsgDlg&)> fn) {
  QTimer::singleShot(0, [fn] {
    auto* box = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, box);
    fn(*box);
  });
}

void Click(CPngBtn& button) { QTest::mouseClick(&button, Qt::LeftButton); }

// The pixels of the text colour (yellow, or nearly so where a glyph's edge is smoothed)
// inside a rectangle of a picture; the skin has no such colour.
int TextPixels(const QImage& picture, const QRect& rect) {
  int n = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y) {
    for (int x = rect.left(); x <= rect.right(); ++x) {
      const QRgb p = picture.pixel(x, y);
      n += qRed(p) > 200 && qGreen(p) > 200 && qBlue(p) < 80;
    }
  }
  return n;
}

class MsgDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildFolder();
    TextTable::Instance().Load(BinDir() + "text.xml");
    Settings().Txt_clr = kTextColour;
    owner_.setGeometry(100, 50, 800, 600);
    owner_.show();
    face_ = LoadSkinImage("msg_nr.png").Image();
    ASSERT_EQ(QSize(540, 190), face_.size());
  }
  CMsgDlg& Show(int mode, std::u16string_view text = u"Hello") {
    box_ = std::make_unique<CMsgDlg>(&owner_);
    box_->mode = mode;
    box_->message = text;
    box_->ShowModeless();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(box_.get()));
    return *box_;
  }

  Restore restore_;
  QWidget owner_;
  QImage face_;
  std::unique_ptr<CMsgDlg> box_;
};

}  // namespace

TEST_F(MsgDlgTest, AMessageHasOneOkButtonAtTheBottomRightAndTheIcon) {
  CMsgDlg& box = Show(CMsgDlg::MODE_MESSAGE, u"Rename failed.");
  EXPECT_EQ(face_.size(), box.size());
  EXPECT_EQ(QPoint(100 + (800 - 540) / 2, 50 + (600 - 190) / 2), box.pos());
  EXPECT_EQ(QPoint(540 - 87, 190 - 45), box.OkButton().pos());
  EXPECT_EQ(u"OK", box.OkButton().Caption());
  EXPECT_FALSE(box.CancelButton().isVisible());
  EXPECT_TRUE(box.OkButton().isVisible());
  EXPECT_EQ(QPoint(540 - 36, 10), box.CloseButton().pos());
  EXPECT_EQ(nullptr, box.Edit());

  // The icon at (45, 85) in its own size: its opaque pixels show over the face.
  const QImage icon = LoadSkinImage("msgico.png").Image();
  const QImage shown = box.grab().toImage();
  int iconPixels = 0;
  for (int y = 0; y < icon.height(); ++y) {
    for (int x = 0; x < icon.width(); ++x) {
      if (qAlpha(icon.pixel(x, y)) != 255) continue;
      ++iconPixels;
      ASSERT_EQ(icon.pixel(x, y), shown.pixel(45 + x, 85 + y)) << x << "," << y;
    }
  }
  EXPECT_GT(iconPixels, 100);
  // The message in the text colour, right of the icon.
  EXPECT_GT(TextPixels(shown, QRect(110, 98, 400, 20)), 20);
  EXPECT_EQ(0, TextPixels(shown, QRect(0, 0, 110, 190)));

  // Enter works as OK.
  QTest::keyClick(&box, Qt::Key_Return);
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(IDOK, box.result());
}

TEST_F(MsgDlgTest, ALongMessageWrapsOntoTheLinesAboveTheButtons) {
  const std::u16string text = TextTable::Instance().tc_msg8 + u" " + TextTable::Instance().tc_msg8;
  CMsgDlg& box = Show(CMsgDlg::MODE_MESSAGE, text);
  const QImage shown = box.grab().toImage();
  EXPECT_GT(TextPixels(shown, QRect(110, 98, 400, 20)), 20);
  EXPECT_GT(TextPixels(shown, QRect(110, 118, 400, 20)), 20);  // a second line, not cut off
  EXPECT_EQ(0, TextPixels(shown, QRect(0, 190 - 45, 540, 45)));  // nothing over the buttons
}

TEST_F(MsgDlgTest, AQuestionHasOkAndCancelAndNoIcon) {
  for (int mode : {static_cast<int>(CMsgDlg::MODE_QUESTION), -1, 9}) {
    CMsgDlg& box = Show(mode, TextTable::Instance().tc_msg5);
    EXPECT_EQ(QPoint(540 - 164, 190 - 45), box.OkButton().pos()) << mode;
    EXPECT_EQ(QPoint(540 - 87, 190 - 45), box.CancelButton().pos());
    EXPECT_TRUE(box.CancelButton().isVisible());
    EXPECT_EQ(u"Cancel", box.CancelButton().Caption());
    EXPECT_EQ(nullptr, box.Edit());
    const QImage shown = box.grab().toImage();
    EXPECT_EQ(face_.pixel(45 + 24, 85 + 24), shown.pixel(45 + 24, 85 + 24));
    EXPECT_GT(TextPixels(shown, QRect(65, 75, 400, 20)), 20);
  }
  WhenModal([](CMsgDlg& box) { Click(box.OkButton()); });
  EXPECT_EQ(IDOK, CMsgDlg::Question(&owner_, u"Delete?"));
  WhenModal([](CMsgDlg& box) { Click(box.CancelButton()); });
  EXPECT_EQ(IDCANCEL, CMsgDlg::Question(&owner_, u"Delete?"));
  WhenModal([](CMsgDlg& box) { Click(box.CloseButton()); });
  EXPECT_EQ(IDCANCEL, CMsgDlg::Question(&owner_, u"Delete?"));
}

TEST_F(MsgDlgTest, TheKeysThatWouldCloseOrPressAButtonAreSwallowed) {
  CMsgDlg& box = Show(CMsgDlg::MODE_QUESTION);
  box.OkButton().setFocus();
  QTest::keyClick(&box.OkButton(), Qt::Key_Space);
  QTest::keyClick(&box.OkButton(), Qt::Key_Escape);
  QTest::keyClick(&box.OkButton(), Qt::Key_F1);
  EXPECT_TRUE(box.isVisible());
  // Enter is OK, also the keypad's.
  QTest::keyClick(&box.OkButton(), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(IDOK, box.result());
}

TEST_F(MsgDlgTest, TheTextBoxGivesItsTextOnlyForOkWithAText) {
  std::u16string result = u"unchanged";
  WhenModal([](CMsgDlg& box) {
    ASSERT_NE(nullptr, box.Edit());
    EXPECT_EQ(QRect(70, 100, 400, 24), box.Edit()->geometry());
    EXPECT_FALSE(box.Edit()->isReadOnly());
    EXPECT_EQ(box.Edit(), box.focusWidget());
    EXPECT_EQ(QFont::DemiBold, box.Edit()->font().weight());
    Click(box.OkButton());  // empty
  });
  EXPECT_EQ(0, CMsgDlg::AskText(&owner_, u"Name", result));
  EXPECT_EQ(u"unchanged", result);

  // A name may hold spaces: Space reaches the edit here.
  WhenModal([](CMsgDlg& box) {
    QTest::keyClicks(box.Edit(), "My macro 2");
    QTest::keyClick(box.Edit(), Qt::Key_Return);
  });
  EXPECT_EQ(1, CMsgDlg::AskText(&owner_, u"Name", result));
  EXPECT_EQ(u"My macro 2", result);

  WhenModal([](CMsgDlg& box) {
    box.Edit()->setText(QString(300, QChar(u'x')));
    Click(box.OkButton());
  });
  EXPECT_EQ(1, CMsgDlg::AskText(&owner_, u"Name", result));
  EXPECT_EQ(std::u16string(259, u'x'), result);

  WhenModal([](CMsgDlg& box) {
    QTest::keyClicks(box.Edit(), "typed");
    Click(box.CancelButton());
  });
  EXPECT_EQ(0, CMsgDlg::AskText(&owner_, u"Name", result));
  EXPECT_EQ(std::u16string(259, u'x'), result);
}

TEST_F(MsgDlgTest, TheNumberBoxReadsDigitsOnly) {
  struct Case {
    const char* typed;
    bool ok;
    int result;
    int number;
  };
  for (const Case& c : {Case{"0012", true, IDOK, 12}, Case{"", true, IDOK, 0}, Case{"a1b2", true, IDOK, 12},
                        Case{"77", false, IDCANCEL, 0}}) {
    CMsgDlg box(&owner_);
    box.mode = CMsgDlg::MODE_NUMBER;
    box.numberResult = -5;
    QTimer::singleShot(0, [&] {
      QTest::keyClicks(box.Edit(), c.typed);
      Click(c.ok ? box.OkButton() : box.CancelButton());
    });
    EXPECT_EQ(c.result, box.RunModal()) << c.typed;
    EXPECT_EQ(c.number, box.numberResult) << c.typed;
  }
  // Enter is OK here too.
  CMsgDlg box(&owner_);
  box.mode = CMsgDlg::MODE_NUMBER;
  QTimer::singleShot(0, [&] {
    QTest::keyClicks(box.Edit(), "40950");
    QTest::keyClick(box.Edit(), Qt::Key_Return);
  });
  EXPECT_EQ(IDOK, box.RunModal());
  EXPECT_EQ(40950, box.numberResult);
}

TEST_F(MsgDlgTest, AMissingFaceEndsTheBoxWithCancelAtOnce) {
  controls_test::SkinFolder skin;
  skin.Put("msgico.png", Solid(QSize(8, 8), 0xFFFF0000));
  skin.Use();
  EXPECT_EQ(IDCANCEL, CMsgDlg::Message(&owner_, u"Saved."));
  CMsgDlg box(&owner_);
  box.mode = CMsgDlg::MODE_NUMBER;
  EXPECT_EQ(IDCANCEL, box.RunModal());
  EXPECT_EQ(0, box.numberResult);
}

TEST_F(MsgDlgTest, TheCoresMessagesAreShownInTheSkinnedBoxOverTheirOwner) {
  QtWindowPort port;
  SetWindowPort(&port);
  Settings().Title = u"Tastor";
  MessageLog window;
  window.setGeometry(200, 100, 700, 500);
  window.show();
  WhenModal([&](CMsgDlg& box) {
    EXPECT_EQ(int(CMsgDlg::MODE_MESSAGE), box.mode);
    EXPECT_EQ(u"Rename failed.", box.message);
    EXPECT_EQ(&window, box.parentWidget());
    Click(box.OkButton());
  });
  EXPECT_EQ(IDOK, ShowMessage(window.hwnd(), u"Rename failed."));

  // Other boxes (start-up, device errors) stay the platform's.
  QTimer::singleShot(0, [] {
    auto* plain = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, plain);
    plain->accept();
  });
  Windows().MessageBox(nullptr, u"Wrong rect num", u"Error", MB_OK);
  SetWindowPort(nullptr);
}

TEST_F(MsgDlgTest, TheEditsAreDrawnInTheSkinsListColoursWithoutTheStockFrame) {
  Settings().LstBox_bkg_clr = RGB(24, 24, 28);
  Settings().LstBox_txt_clr_nr = RGB(0, 255, 0);
  InstallControlLook(ControlLookOf(Settings()));
  for (int mode : {CMsgDlg::MODE_TEXT, CMsgDlg::MODE_NUMBER, CMsgDlg::MODE_CAPTURE}) {
    CMsgDlg& box = Show(mode);
    QLineEdit* edit = box.Edit();
    ASSERT_NE(nullptr, edit);
    EXPECT_FALSE(edit->hasFrame());
    if (mode == CMsgDlg::MODE_CAPTURE) {
      QTest::keyClick(edit, Qt::Key_W);
    } else {
      QTest::keyClicks(edit, "8888");
    }
    ASSERT_TRUE(edit->hasFocus());
    const QImage picture = box.grab().toImage();
    const QRect field = edit->geometry();
    // The field is dark inside its border, also while it has the focus: no white field, no
    // focus ring of another colour.
    int dark = 0, green = 0, white = 0, blue = 0;
    for (int y = field.top(); y <= field.bottom(); ++y) {
      for (int x = field.left(); x <= field.right(); ++x) {
        const QColor p = picture.pixelColor(x, y);
        dark += p.red() < 40 && p.green() < 40 && p.blue() < 50;
        green += p.green() > 150 && p.red() < 100 && p.blue() < 100;
        white += p.red() > 200 && p.green() > 200 && p.blue() > 200;
        blue += p.blue() > 120 && p.blue() > p.red() + 50;
      }
    }
    EXPECT_GT(dark, field.width() * field.height() / 2) << mode;
    EXPECT_GT(green, 10) << mode;  // the text in the list text colour
    EXPECT_LE(white, field.height()) << mode;  // the caret at most, the platform's

    EXPECT_EQ(0, blue) << mode;
    // The border is a lighter tone of the field, not the platform's frame.
    const QColor border = picture.pixelColor(field.left(), field.center().y());
    EXPECT_LT(border.red(), 140);
    EXPECT_NEAR(border.red(), border.green(), 8);
  }
}
