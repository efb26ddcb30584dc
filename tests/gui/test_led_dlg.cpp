// SPDX-License-Identifier: GPL-2.0-or-later
// The lighting panel inside the main window: which controls each mode shows, the mode and
// colour group lists, choices through their menus, the sliders and their value texts, and
// the apply requests of each change, and what the panel tells the window it lies in.
#include "tests/gui/main_window_fixture.h"

#include "model/profile_files.h"

using namespace main_window_test;

namespace {

// Chooses the list item with the value on a combo button by clicking its menu row.
void Choose(CComboBtn& button, int32_t value) {
  int row = -1;
  for (std::size_t i = 0; i < button.Items().size(); ++i) {
    if (button.Items()[i].value == value) row = static_cast<int>(i);
  }
  ASSERT_GE(row, 0) << "no item with value " << value;
  QTest::mouseClick(&button, Qt::LeftButton);
  Pump();
  const std::vector<QWidget*> menus = OpenMenus();
  ASSERT_EQ(1u, menus.size());
  QTest::mouseClick(menus[0], Qt::LeftButton, {}, RowCentre(menus[0], row));
  Pump();
}

// An owner that keeps what the panel asked of it.
class RecordingOwner : public LedPanelOwner {
 public:
  void PostApplyRequest(uint32_t flags) override { applies.push_back(flags); }
  void OnProfileMenuChoice(int value) override { choices.push_back(value); }
  std::vector<uint32_t> applies;
  std::vector<int> choices;
};

}  // namespace

TEST_F(MainWindowTest, ThePanelTellsTheWindowItLiesInWhatTheUserAskedAndNothingElse) {
  LoadProfilesAtStartup(TheProfileStore(), user_.path(), Settings(), TextTable::Instance().tc_proname);
  RecordingOwner owner;
  QWidget host;
  host.resize(1400, 640);
  const Rect& area = Settings().rcLED;
  CLedDlg panel(&owner, Solid(host.size(), qRgb(20, 20, 20)));
  panel.CreateChild(&host, QRect(area.left, area.top, area.Width(), area.Height()));
  panel.InitDialog();
  host.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host));

  // Lighting changes ask for an apply only with ApplyNow on.
  Settings().ApplyNow = 1;
  Choose(panel.ModeButton(), 2);
  CPngSliderBar& bar = panel.BrightnessSlider();
  QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(bar.Slider().PositionOf(3), bar.height() / 2));
  Pump();
  EXPECT_EQ((std::vector<uint32_t>{6, 2}), owner.applies);
  EXPECT_EQ(3, CurrentProfile().modeSettings[2].brightness);
  Settings().ApplyNow = 0;
  QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(bar.Slider().PositionOf(1), bar.height() / 2));
  Pump();
  EXPECT_EQ(2u, owner.applies.size());
  EXPECT_EQ(1, CurrentProfile().modeSettings[2].brightness);

  // A choice in the profile menu goes to the owner as it is; the panel runs no command.
  MenuItems items;
  items.AddTop(CTastorDlg::kMenuExport, u"Export");
  items.AddTop(CTastorDlg::kMenuImport, u"Import");
  items.AddTop(CTastorDlg::kMenuDelete, u"Delete");
  ASSERT_TRUE(OpenSkinnedMenu(panel.hwnd(), 120, host.mapToGlobal(QPoint(10, 10)), items,
                              LedPanelOwner::kProfileFileCommand, nullptr));
  Pump();
  std::vector<QWidget*> menus = OpenMenus();
  ASSERT_EQ(1u, menus.size());
  QTest::mouseClick(menus[0], Qt::LeftButton, {}, RowCentre(menus[0], 2));
  Pump();
  EXPECT_EQ((std::vector<int>{CTastorDlg::kMenuDelete}), owner.choices);
  EXPECT_EQ(3, TheProfileStore().Count());

  // Answers of another menu are not the profile menu's.
  ASSERT_TRUE(OpenSkinnedMenu(panel.hwnd(), 120, host.mapToGlobal(QPoint(10, 10)), items, 7, nullptr));
  Pump();
  menus = OpenMenus();
  ASSERT_EQ(1u, menus.size());
  QTest::mouseClick(menus[0], Qt::LeftButton, {}, RowCentre(menus[0], 0));
  Pump();
  EXPECT_EQ(1u, owner.choices.size());
}

TEST_F(MainWindowTest, ModesShowOnlyTheirOwnControls) {
  TestMainWindow& w = Open();
  CLedDlg& panel = w.LightingPanel();
  for (int mode : {0, 1, 2, 3, 4, 5, 6, 7, 8}) {
    panel.SetMode(mode);
    panel.ShowMode(mode);
    const bool speed = mode >= 2;
    const bool brightness = mode < 4 || mode > 7;
    EXPECT_EQ(speed, !panel.SpeedSlider().isHidden()) << mode;
    EXPECT_EQ(speed, !panel.SpeedValue().isHidden()) << mode;
    EXPECT_EQ(brightness, !panel.BrightnessSlider().isHidden()) << mode;
    EXPECT_EQ(brightness, !panel.BrightnessValue().isHidden()) << mode;
    EXPECT_EQ(mode == Settings().GaoshouIndex, !panel.GroupButton().isHidden()) << mode;
  }
}

TEST_F(MainWindowTest, TheModeListLeavesOutMaskedModesAndEndsAtTheFirstEmptyName) {
  Settings().LedMask = 1 << 2;
  {
    TestMainWindow& w = Open();
    const auto& items = w.LightingPanel().ModeButton().Items();
    ASSERT_EQ(9u, items.size());
    EXPECT_EQ(TextTable::Instance().LedModeName(3), items[2].text);
    EXPECT_EQ(3, items[2].value);
  }
  window_.reset();
  Settings().LedMask = 0;
  TextTable::Instance().tc_led_mode[2].clear();
  TestMainWindow& w = Open();
  EXPECT_EQ(2u, w.LightingPanel().ModeButton().Items().size());
}

TEST_F(MainWindowTest, OneGroupLeftKeepsTheGroupButtonHiddenInTheGameMode) {
  Settings().GameMask = 0x7FFF & ~(1 << 8);
  TestMainWindow& w = Open();
  CLedDlg& panel = w.LightingPanel();
  ASSERT_EQ(1u, panel.GroupButton().Items().size());
  panel.SetMode(Settings().GaoshouIndex);
  panel.ShowMode(Settings().GaoshouIndex);
  EXPECT_TRUE(panel.GameMode());
  EXPECT_TRUE(panel.GroupButton().isHidden());
}

TEST_F(MainWindowTest, ChoosingAModeMarksTheGroupEditedAndPostsLightingAndGroup) {
  Settings().ApplyNow = 1;
  TestMainWindow& w = Open();
  {
    auto lock = TheProfileStore().Lock();
    Profile* p = TheProfileStore().Current();
    p->groupEdited = {};
    p->colourGroup = 3;
  }
  Choose(w.LightingPanel().ModeButton(), 4);
  WaitForRuns(1);
  const Profile p = CurrentProfile();
  EXPECT_EQ(4, p.ledMode);
  EXPECT_EQ(1, p.groupEdited[3]);
  EXPECT_EQ(TextTable::Instance().LedModeName(4), w.LightingPanel().ModeButton().Caption());
  EXPECT_EQ((std::vector<uint32_t>{6}), RunFlags());
  EXPECT_TRUE(w.LightingPanel().BrightnessSlider().isHidden());
}

TEST_F(MainWindowTest, ChoosingAGroupShowsItsColoursOnThePicture) {
  Settings().ApplyNow = 1;
  TestMainWindow& w = Open();
  CLedDlg& panel = w.LightingPanel();
  Choose(panel.ModeButton(), Settings().GaoshouIndex);
  WaitForRuns(1);
  ASSERT_FALSE(panel.GroupButton().isHidden());
  // The second preset group lights its keys; the picture shows them.
  Choose(panel.GroupButton(), 1);
  WaitForRuns(2);
  EXPECT_EQ((std::vector<uint32_t>{6, 6}), RunFlags());
  const Profile p = CurrentProfile();
  EXPECT_EQ(1, p.colourGroup);
  const int key = KeyOf('W');
  const int pos = Settings().KeyTable.keys[static_cast<std::size_t>(key)].matrixPos;
  EXPECT_NE(0u, p.colours[1][static_cast<std::size_t>(pos)]);
  EXPECT_EQ(p.colours[1][static_cast<std::size_t>(pos)], w.Picture().KeyColor(key));
  // Another mode: no colours on the picture.
  Choose(panel.ModeButton(), 0);
  EXPECT_EQ(0u, w.Picture().KeyColor(key));
}

TEST_F(MainWindowTest, AClickOnTheSliderTrackSetsItShowsThePercentageAndMovesNothing) {
  Settings().ApplyNow = 1;
  TestMainWindow& w = Open();
  CLedDlg& panel = w.LightingPanel();
  Choose(panel.ModeButton(), 2);  // a mode with speed and brightness
  WaitForRuns(1);
  const QPoint windowAt = w.pos();
  CPngSliderBar& bar = panel.BrightnessSlider();
  QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(bar.Slider().PositionOf(3), bar.height() / 2));
  WaitForRuns(2);
  EXPECT_EQ(3, bar.GetPos());
  EXPECT_EQ(u"60 %", panel.BrightnessValue().Caption());
  EXPECT_EQ(3, CurrentProfile().modeSettings[2].brightness);
  EXPECT_EQ((std::vector<uint32_t>{6, 2}), RunFlags());
  EXPECT_EQ(windowAt, w.pos());

  // Dragging the speed thumb shows the step under it and stores it on the release.
  CPngSliderBar& speed = panel.SpeedSlider();
  CPngSlider& thumb = speed.Slider();
  const QPoint grip(thumb.width() / 2, thumb.height() / 2);
  QTest::mousePress(&thumb, Qt::LeftButton, {}, grip);
  const int dx = speed.Slider().PositionOf(5) - (thumb.x() + thumb.width() / 2);
  QTest::mouseMove(&thumb, grip + QPoint(dx, 0));
  Pump();
  EXPECT_EQ(u"5", panel.SpeedValue().Caption());
  QTest::mouseRelease(&thumb, Qt::LeftButton, {}, grip);  // the thumb followed the pointer
  WaitForRuns(3);
  EXPECT_EQ(5, CurrentProfile().modeSettings[2].speed);
  EXPECT_EQ(windowAt, w.pos());
}

TEST_F(MainWindowTest, WithoutApplyNowTheLightingWaitsForApply) {
  TestMainWindow& w = Open();
  CLedDlg& panel = w.LightingPanel();
  Choose(panel.ModeButton(), 3);
  CPngSliderBar& bar = panel.BrightnessSlider();
  QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(bar.Slider().PositionOf(1), bar.height() / 2));
  Pump(50);
  EXPECT_EQ(3, CurrentProfile().ledMode);
  EXPECT_EQ(1, CurrentProfile().modeSettings[3].brightness);
  EXPECT_EQ(u"20 %", panel.BrightnessValue().Caption());
  EXPECT_TRUE(RunFlags().empty());
}
