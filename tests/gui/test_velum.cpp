// SPDX-License-Identifier: GPL-2.0-or-later
// The skinned-menu library and the program's binding: loading and entry points, the item
// records, the 20-argument call, and the real library's menus answering through
// WM_MENU_COMMAND.
#include "tests/gui/controls_fixture.h"
#include "controls/control_look.h"

#include <QFontInfo>

#include "platform/messages.h"
#include "skin/app_font.h"
#include "tests/fixtures/recording_velum.h"

using namespace controls_test;

namespace {

std::string Fixture(const std::string& variant) { return std::string(TASTOR_VELUM_FIXTURES) + "velum-" + variant + "/"; }

template <typename T>
T& FixtureRecord(const char* name) {
  return *static_cast<T*>(Menus().module->Symbol(name));
}

// A shown owner for menus, at a known place.
struct Owner : MessageLog {
  Owner() {
    move(20, 20);
    show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(this));
  }
};

// Three items, the second of which opens a submenu of two (values 21 and 22).
MenuItems ItemsWithSubmenu() {
  MenuItems items;
  items.AddTop(1, u"plain");
  items.AddTop(2, u"opens a submenu");  // index 1
  items.Add(1, 21, u"inner one");
  items.Add(1, 22, u"inner two");
  items.AddTop(3, u"last");
  return items;
}

}  // namespace

TEST(VelumBinding, ItemRecordsAreZeroFilledAndCutTexts) {
  static_assert(sizeof(VelumMenuItem) == 88);
  static_assert(sizeof(VelumMenuItem) * VELUM_MAX_ITEMS == 2640);
  MenuItems items;
  const std::u16string long45 = u"abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHI";
  ASSERT_EQ(45u, long45.size());
  EXPECT_TRUE(items.AddTop(7, long45));
  EXPECT_TRUE(items.Add(0, -3, u"child"));
  EXPECT_EQ(long45.substr(0, 39), MenuItemText(items[0]));
  EXPECT_EQ(0, items[0].text[39]);
  EXPECT_EQ(255, items[0].parent);
  EXPECT_EQ(7, items[0].value);
  EXPECT_EQ(0, items[1].parent);
  EXPECT_EQ(-3, items[1].value);
  EXPECT_EQ(0, items[2].parent);  // the rest stays zero
  for (int i = 2; i < VELUM_MAX_ITEMS; ++i) EXPECT_TRUE(items.AddTop(i, u"x"));
  EXPECT_FALSE(items.AddTop(99, u"the 31st"));
  EXPECT_EQ(30, items.Count());
}

TEST(VelumBinding, LoadsTheLibraryAndPreparesTheImagePaths) {
  Restore restore;
  Settings().MenuAlign = 2;
  InstallControlLook(ControlLookOf(Settings()));
  ASSERT_EQ(1, LoadMenuLibrary(Fixture("complete")));
  const MenuLibrary& m = Menus();
  EXPECT_TRUE(m.CreateMenuEx && m.DestroyMenuEx && m.SetMenuAlign && m.DllPreTranslateMessage && m.SetGdiInit);
  const std::string skins = Fixture("complete") + "skins/";
  const std::array<std::string, 8> expected = {
      skins + "menu_nr.bmp",    skins + "menu_ov.bmp",    skins + "menu_ov.bmp",    skins + "menu_nr.bmp",
      skins + "menusub_nr.bmp", skins + "menusub_ov.bmp", skins + "menusub_ov.bmp", skins + "menusub_nr.bmp"};
  EXPECT_EQ(expected, m.imagePaths);
  EXPECT_EQ(2, FixtureRecord<int>("recorded_menu_align"));

  // The real library resolves all five too.
  ASSERT_EQ(1, LoadMenuLibrary(BinDir()));
  EXPECT_TRUE(Menus().CreateMenuEx && Menus().DestroyMenuEx && Menus().SetMenuAlign);
}

TEST(VelumBinding, OpeningPassesTheTwentyArguments) {
  Restore restore;
  Settings().Menu_txt_clr_nr = RGB(1, 2, 3);
  Settings().Menu_txt_clr_ov = RGB(4, 5, 6);
  Settings().Menu_txt_clr_dn = RGB(7, 8, 9);
  InstallControlLook(ControlLookOf(Settings()));
  ASSERT_EQ(1, LoadMenuLibrary(Fixture("complete")));
  MenuItems items;
  items.AddTop(10, u"one");
  items.AddTop(20, u"two");
  MessageLog owner;
  const QFont font = ShellDlgFont(15);
  const auto& r = FixtureRecord<RecordedMenuCall>("recorded_menu_call");
  const int callsBefore = r.calls;
  const int destroysBefore = FixtureRecord<int>("recorded_menu_destroys");
  ASSERT_TRUE(OpenSkinnedMenu(owner.hwnd(), 150, QPoint(33, 44), items, 0x8000, &font));
  EXPECT_EQ(callsBefore + 1, r.calls);
  EXPECT_EQ(owner.hwnd(), r.owner);
  EXPECT_EQ(20, r.itemHeight);
  EXPECT_EQ(150, r.width);
  EXPECT_EQ(33, r.x);
  EXPECT_EQ(44, r.y);
  EXPECT_EQ(RGB(1, 2, 3), r.textNormal);
  EXPECT_EQ(RGB(4, 5, 6), r.textHighlighted);
  EXPECT_EQ(RGB(7, 8, 9), r.textPressed);
  EXPECT_EQ(Menus().imagePaths[5], r.images[5]);
  EXPECT_EQ(0x8000, r.context);
  EXPECT_EQ(RGB(50, 50, 50), r.frame);
  EXPECT_EQ(2, r.count);
  EXPECT_EQ(20, r.items[1].value);
  ASSERT_TRUE(r.hasFont);
  EXPECT_EQ(-QFontInfo(font).pixelSize(), r.font.lfHeight);
  EXPECT_EQ(400, r.font.lfWeight);

  // No font: a null record.
  ASSERT_TRUE(OpenSkinnedMenu(owner.hwnd(), 150, QPoint(0, 0), items, 0, nullptr));
  EXPECT_FALSE(r.hasFont);
  // Nothing to show: no call.
  EXPECT_FALSE(OpenSkinnedMenu(owner.hwnd(), 150, QPoint(0, 0), MenuItems{}, 0, nullptr));
  EXPECT_EQ(callsBefore + 2, r.calls);

  CloseSkinnedMenus();
  EXPECT_EQ(destroysBefore + 1, FixtureRecord<int>("recorded_menu_destroys"));
}

TEST(VelumBinding, MissingEntryPoints) {
  Restore restore;
  MenuItems items;
  items.AddTop(1, u"one");

  // Without SetMenuAlign menus still open, with empty image paths and no alignment call.
  ASSERT_EQ(1, LoadMenuLibrary(Fixture("no-align")));
  EXPECT_FALSE(Menus().SetMenuAlign);
  EXPECT_TRUE(Menus().imagePaths[0].empty());
  ASSERT_TRUE(OpenSkinnedMenu(nullptr, 100, QPoint(0, 0), items, 0, nullptr));
  EXPECT_STREQ("", FixtureRecord<RecordedMenuCall>("recorded_menu_call").images[0]);
  EXPECT_EQ(-1, FixtureRecord<int>("recorded_menu_align"));

  // Without CreateMenuEx nothing opens.
  ASSERT_EQ(1, LoadMenuLibrary(Fixture("no-create")));
  EXPECT_FALSE(Menus().CreateMenuEx);
  EXPECT_FALSE(OpenSkinnedMenu(nullptr, 100, QPoint(0, 0), items, 0, nullptr));

  // Without the library file: nothing loads, nothing is reported.
  RecordingWindowPort port;
  TempDir empty;
  EXPECT_EQ(0, LoadMenuLibrary(empty.path()));
  EXPECT_FALSE(Menus().CreateMenuEx);
  CloseSkinnedMenus();
  EXPECT_TRUE(port.boxes.empty());
}

class VelumMenus : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildFolder();
    ASSERT_EQ(1, LoadMenuLibrary(BinDir()));
  }
  void TearDown() override { CloseSkinnedMenus(); }
  Restore restore_;
};

TEST_F(VelumMenus, ChoiceIsPostedToTheOwnerWithItsContext) {
  Owner owner;
  MenuItems items;
  items.AddTop(100, u"first");
  items.AddTop(-200, u"second");
  items.AddTop(300, u"third");
  ASSERT_TRUE(OpenSkinnedMenu(owner.hwnd(), 150, QPoint(50, 60), items, 7, nullptr));
  auto menus = OpenMenus();
  ASSERT_EQ(1u, menus.size());
  EXPECT_EQ(QRect(50, 60, 150, 3 * 20), menus[0]->geometry());

  QTest::mouseMove(menus[0], RowCentre(menus[0], 1));
  QTest::mouseClick(menus[0], Qt::LeftButton, {}, RowCentre(menus[0], 1));
  Pump();
  EXPECT_TRUE(OpenMenus().empty());
  const auto answers = owner.Of(WM_MENU_COMMAND);
  ASSERT_EQ(1u, answers.size());
  EXPECT_EQ(-200, static_cast<int32_t>(answers[0].wParam));
  EXPECT_EQ(7, answers[0].lParam);
}

TEST_F(VelumMenus, SubmenusOpenBesideTheirItemAndOnlyLeavesAnswer) {
  Owner owner;
  ASSERT_TRUE(OpenSkinnedMenu(owner.hwnd(), 120, QPoint(40, 40), ItemsWithSubmenu(), 2, nullptr));
  auto menus = OpenMenus();
  ASSERT_EQ(1u, menus.size());
  EXPECT_EQ(3 * 20, menus[0]->height());  // two items are the submenu's

  QTest::mouseMove(menus[0], RowCentre(menus[0], 1));
  menus = OpenMenus();
  ASSERT_EQ(2u, menus.size());
  EXPECT_EQ(QRect(40 + 120, 40 + 20, 120, 2 * 20), menus[1]->geometry());

  // A click on the item that opens the submenu chooses nothing.
  QTest::mouseClick(menus[0], Qt::LeftButton, {}, RowCentre(menus[0], 1));
  Pump();
  EXPECT_TRUE(owner.Of(WM_MENU_COMMAND).empty());
  ASSERT_EQ(2u, OpenMenus().size());

  // Moving to a plain item closes the submenu; back again opens it.
  QTest::mouseMove(menus[0], RowCentre(menus[0], 2));
  EXPECT_EQ(1u, OpenMenus().size());
  QTest::mouseMove(menus[0], RowCentre(menus[0], 1));
  menus = OpenMenus();
  ASSERT_EQ(2u, menus.size());
  QTest::mouseMove(menus[1], RowCentre(menus[1], 1));
  QTest::mouseClick(menus[1], Qt::LeftButton, {}, RowCentre(menus[1], 1));
  Pump();
  EXPECT_TRUE(OpenMenus().empty());
  const auto answers = owner.Of(WM_MENU_COMMAND);
  ASSERT_EQ(1u, answers.size());
  EXPECT_EQ(22u, answers[0].wParam);
  EXPECT_EQ(2, answers[0].lParam);
}

TEST_F(VelumMenus, KeyboardWorksTheMenu) {
  Owner owner;
  const MenuItems items = ItemsWithSubmenu();
  ASSERT_TRUE(OpenSkinnedMenu(owner.hwnd(), 120, QPoint(40, 40), items, 5, nullptr));

  // Down to the second item, Right into its submenu, Left back out, Escape closes nothing
  // but the submenu, Enter on a plain item chooses it.
  QTest::keyClick(&owner, Qt::Key_Down);
  QTest::keyClick(&owner, Qt::Key_Down);
  QTest::keyClick(&owner, Qt::Key_Right);
  EXPECT_EQ(2u, OpenMenus().size());
  QTest::keyClick(&owner, Qt::Key_Left);
  EXPECT_EQ(1u, OpenMenus().size());
  QTest::keyClick(&owner, Qt::Key_Return);  // opens the submenu, its first item highlighted
  EXPECT_EQ(2u, OpenMenus().size());
  QTest::keyClick(&owner, Qt::Key_Escape);
  EXPECT_EQ(1u, OpenMenus().size());
  QTest::keyClick(&owner, Qt::Key_Right);
  QTest::keyClick(&owner, Qt::Key_Up);  // wraps to the submenu's last item
  QTest::keyClick(&owner, Qt::Key_Return);
  Pump();
  EXPECT_TRUE(OpenMenus().empty());
  ASSERT_EQ(1u, owner.Of(WM_MENU_COMMAND).size());
  EXPECT_EQ(22u, owner.Of(WM_MENU_COMMAND)[0].wParam);

  // Escape on the top level closes the menu without an answer.
  ASSERT_TRUE(OpenSkinnedMenu(owner.hwnd(), 120, QPoint(40, 40), items, 5, nullptr));
  QTest::keyClick(&owner, Qt::Key_Escape);
  Pump();
  EXPECT_TRUE(OpenMenus().empty());
  EXPECT_EQ(1u, owner.Of(WM_MENU_COMMAND).size());
  EXPECT_TRUE(owner.isVisible());  // the Escape was the menu's
}

TEST_F(VelumMenus, APressElsewhereOrDestroyMenuExClosesWithoutAnswer) {
  Owner owner;
  MenuItems items;
  items.AddTop(1, u"one");
  ASSERT_TRUE(OpenSkinnedMenu(owner.hwnd(), 120, QPoint(300, 300), items, 0, nullptr));
  ASSERT_EQ(1u, OpenMenus().size());
  QTest::mouseClick(&owner, Qt::LeftButton, {}, QPoint(5, 5));
  Pump();
  EXPECT_TRUE(OpenMenus().empty());

  ASSERT_TRUE(OpenSkinnedMenu(owner.hwnd(), 120, QPoint(300, 300), items, 0, nullptr));
  // A second menu replaces the first.
  ASSERT_TRUE(OpenSkinnedMenu(owner.hwnd(), 120, QPoint(100, 100), items, 0, nullptr));
  ASSERT_EQ(1u, OpenMenus().size());
  EXPECT_EQ(QPoint(100, 100), OpenMenus()[0]->pos());
  CloseSkinnedMenus();
  Pump();
  EXPECT_TRUE(OpenMenus().empty());
  EXPECT_TRUE(owner.Of(WM_MENU_COMMAND).empty());
}

TEST_F(VelumMenus, AChoiceForAnOwnerThatHasGoneIsDropped) {
  MenuItems items;
  items.AddTop(1, u"one");
  auto owner = std::make_unique<MessageLog>();
  const HWND hwnd = owner->hwnd();
  ASSERT_TRUE(OpenSkinnedMenu(hwnd, 120, QPoint(300, 300), items, 0, nullptr));
  owner.reset();
  QWidget* menu = OpenMenus().at(0);
  QTest::mouseClick(menu, Qt::LeftButton, {}, RowCentre(menu, 0));
  Pump();
  EXPECT_TRUE(OpenMenus().empty());
}
