// SPDX-License-Identifier: GPL-2.0-or-later
// CComboBtn: its item list, selection, the placement of its list, and the list opened as a
// skinned menu by mouse and keyboard, answering through WM_MENU_COMMAND.
#include "tests/gui/controls_fixture.h"
#include "controls/control_look.h"

#include <QSignalSpy>

#include "controls/combo_btn.h"
#include "ui/skinned_dialog.h"

using namespace controls_test;

namespace {

class ComboBtnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildFolder();
    ASSERT_EQ(1, LoadMenuLibrary(BinDir()));
    Settings().MenuW = 0;
    Settings().BtnTips = 1;
    InstallControlLook(ControlLookOf(Settings()));
    dialog_.move(100, 50);
    dialog_.resize(400, 200);
    dialog_.ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog_));
    ASSERT_TRUE(CreatePngBtn(combo_, &dialog_, QPoint(20, 30), "combo_nr.png", "combo_nr.png", "combo_nr.png",
                             false, nullptr));
  }
  void TearDown() override { CloseSkinnedMenus(); }
  void AddItems(int n) {
    for (int i = 0; i < n; ++i) combo_.AddItem(100 + i, (u"item " + QString::number(i).toStdU16String()));
  }

  Restore restore_;
  CSkinnedDialog dialog_;  // swallows Enter, Escape and Space: an open list still gets them
  CComboBtn combo_;
};

}  // namespace

TEST_F(ComboBtnTest, ItemsSelectionAndToolTips) {
  const std::u16string text40 = u"0123456789012345678901234567890123456789";
  combo_.AddItem(5, text40);
  AddItems(30);  // 31 items in all: values 5, 100 ... 129
  ASSERT_EQ(31u, combo_.Items().size());
  EXPECT_EQ(text40.substr(0, 29), combo_.Items()[0].text);
  EXPECT_EQ(-1, combo_.CurSel());
  EXPECT_EQ(-1, combo_.SelectedValue());

  combo_.SetCurSel(0);
  EXPECT_EQ(text40.substr(0, 29), combo_.Caption());
  EXPECT_EQ(5, combo_.SelectedValue());
  EXPECT_EQ(QString::fromStdU16String(text40.substr(0, 29)), combo_.toolTip());

  // An index beyond the list changes nothing; below 0 clears.
  combo_.SetCurSel(31);
  EXPECT_EQ(0, combo_.CurSel());
  combo_.SetCurSel(-1);
  EXPECT_EQ(u"", combo_.Caption());
  EXPECT_EQ(-1, combo_.SelectedValue());
  EXPECT_TRUE(combo_.toolTip().isEmpty());

  // By value among the first 30 only: the 31st item's value is out of reach.
  EXPECT_TRUE(combo_.SelectByValue(128));
  EXPECT_EQ(29, combo_.CurSel());
  EXPECT_EQ(u"item 28", combo_.Caption());
  EXPECT_FALSE(combo_.SelectByValue(129));
  EXPECT_EQ(128, combo_.SelectedValue());

  // The first item holding a value wins.
  CComboBtn twice;
  twice.AddItem(1, u"a");
  twice.AddItem(1, u"b");
  EXPECT_TRUE(twice.SelectByValue(1));
  EXPECT_EQ(0, twice.CurSel());

  // Without BtnTips a selection sets no tool tip.
  Settings().BtnTips = 0;
  InstallControlLook(ControlLookOf(Settings()));
  CComboBtn quiet;
  quiet.AddItem(1, u"a");
  quiet.SetCurSel(0);
  EXPECT_TRUE(quiet.toolTip().isEmpty());
}

TEST(ComboBtnPlacement, ListGoesBelowCentredOrAbove) {
  const QRect screen(0, 0, 800, 600);
  const QRect button(100, 200, 180, 24);
  // As wide as the button or narrower: 2 pixels in, below the button.
  EXPECT_EQ(QPoint(102, 224), CComboBtn::ListPosition(button, 180, 5, screen));
  EXPECT_EQ(QPoint(102, 224), CComboBtn::ListPosition(button, 133, 5, screen));
  // Wider: centred on the button.
  EXPECT_EQ(QPoint(90, 224), CComboBtn::ListPosition(button, 200, 5, screen));
  EXPECT_EQ(QPoint(89, 224), CComboBtn::ListPosition(button, 203, 5, screen));
  // Its bottom would pass the screen's: above the button. Just fitting stays below.
  EXPECT_EQ(QPoint(102, 224), CComboBtn::ListPosition(button, 180, 18, screen));  // 224 + 360 = 584
  EXPECT_EQ(QPoint(102, 224), CComboBtn::ListPosition(button, 180, 18, QRect(0, 0, 800, 584)));
  EXPECT_EQ(QPoint(102, 200 - 380), CComboBtn::ListPosition(button, 180, 19, screen));  // 224 + 380 = 604
}

TEST_F(ComboBtnTest, AClickOpensTheFirst30ItemsAtTheirPlace) {
  AddItems(31);
  Settings().MenuW = 0;
  InstallControlLook(ControlLookOf(Settings()));
  QTest::mouseClick(&combo_, Qt::LeftButton, {}, QPoint(10, 10));
  auto menus = OpenMenus();
  ASSERT_EQ(1u, menus.size());
  const QRect onScreen(combo_.mapToGlobal(QPoint(0, 0)), combo_.size());
  EXPECT_EQ(30 * 20, menus[0]->height());
  EXPECT_EQ(combo_.width(), menus[0]->width());
  EXPECT_EQ(CComboBtn::ListPosition(onScreen, combo_.width(), 30, combo_.screen()->geometry()), menus[0]->pos());
  EXPECT_EQ(onScreen.left() + 2, menus[0]->x());
  CloseSkinnedMenus();

  // The drop-down width wins over MenuW, and MenuW over the button's width.
  Settings().MenuW = 250;
  InstallControlLook(ControlLookOf(Settings()));
  EXPECT_EQ(250, combo_.ListWidth());
  combo_.SetDropWidth(133);
  QTest::mouseClick(&combo_, Qt::LeftButton, {}, QPoint(10, 10));
  ASSERT_EQ(1u, OpenMenus().size());
  EXPECT_EQ(133, OpenMenus()[0]->width());
}

TEST_F(ComboBtnTest, AChoiceSelectsTheItemAndClicksOnce) {
  AddItems(5);
  combo_.SetCurSel(0);
  QSignalSpy clicks(&combo_, &QAbstractButton::clicked);

  // Pressing alone opens nothing and shows nothing pressed; the release opens the list.
  QTest::mousePress(&combo_, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_FALSE(combo_.isDown());
  EXPECT_TRUE(OpenMenus().empty());
  QTest::mouseRelease(&combo_, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(0, clicks.count());
  auto menus = OpenMenus();
  ASSERT_EQ(1u, menus.size());

  QTest::mouseMove(menus[0], RowCentre(menus[0], 3));
  QTest::mouseClick(menus[0], Qt::LeftButton, {}, RowCentre(menus[0], 3));
  Pump();
  EXPECT_TRUE(OpenMenus().empty());
  EXPECT_EQ(3, combo_.CurSel());
  EXPECT_EQ(103, combo_.SelectedValue());
  EXPECT_EQ(u"item 3", combo_.Caption());
  EXPECT_EQ(1, clicks.count());
}

TEST_F(ComboBtnTest, KeyboardOpensAndChooses) {
  AddItems(4);
  QSignalSpy clicks(&combo_, &QAbstractButton::clicked);
  combo_.setFocus();
  QTest::keyClick(&combo_, Qt::Key_F4);
  ASSERT_EQ(1u, OpenMenus().size());
  QTest::keyClick(&combo_, Qt::Key_Down);
  QTest::keyClick(&combo_, Qt::Key_Down);
  QTest::keyClick(&combo_, Qt::Key_Return);
  Pump();
  EXPECT_TRUE(OpenMenus().empty());
  EXPECT_EQ(101, combo_.SelectedValue());
  EXPECT_EQ(1, clicks.count());

  // Alt+Down opens it too; Escape closes it without a choice.
  QTest::keyClick(&combo_, Qt::Key_Down, Qt::AltModifier);
  ASSERT_EQ(1u, OpenMenus().size());
  QTest::keyClick(&combo_, Qt::Key_Escape);
  Pump();
  EXPECT_TRUE(OpenMenus().empty());
  EXPECT_EQ(1, clicks.count());
}

TEST_F(ComboBtnTest, WithoutTheMenuLibraryOrItemsNothingOpens) {
  RecordingWindowPort port;
  QSignalSpy clicks(&combo_, &QAbstractButton::clicked);
  // Loaded, but no items.
  ASSERT_EQ(1, LoadMenuLibrary(BinDir()));
  QTest::mouseClick(&combo_, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(OpenMenus().empty());

  // Items, but no library.
  AddItems(3);
  ForgetMenuLibrary();
  EXPECT_FALSE(combo_.OpenList());
  QTest::mouseClick(&combo_, Qt::LeftButton, {}, QPoint(10, 10));
  QTest::keyClick(&combo_, Qt::Key_F4);
  Pump();
  EXPECT_TRUE(OpenMenus().empty());
  EXPECT_EQ(0, clicks.count());
  EXPECT_EQ(-1, combo_.CurSel());
  EXPECT_TRUE(port.boxes.empty());
}
