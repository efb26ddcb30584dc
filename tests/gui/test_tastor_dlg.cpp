// SPDX-License-Identifier: GPL-2.0-or-later
// The main window against the simulated keyboard: profiles at the start, the profile
// buttons, key clicks with the locked-key and colour rules, storing what the picker
// answers, apply and reset with the progress dialog, the profile menu's file commands, and
// the layout of its buttons; a right click on a profile button selects its profile for
// the menu, and a deleted profile's slot gets a new profile that survives a restart.
#include "tests/gui/main_window_fixture.h"

#include "tests/core/test_model_support.h"

#include <QLineEdit>

#include "controls/window_message.h"
#include "model/profile_files.h"
#include "platform/special_folders.h"
#include "skin/skin_image.h"

using namespace main_window_test;

namespace {

// A store file of n profiles named "Stored k", written as Apply writes it.
std::vector<uint32_t> WriteStore(const std::string& folder, int n) {
  ProfileStore store;
  std::vector<uint32_t> ids;
  for (int k = 1; k <= n; ++k) {
    const uint32_t id = 0x100 + static_cast<uint32_t>(k);
    store.Append(MakeProfile(id, u"Stored " + std::u16string(1, static_cast<char16_t>(u'0' + k)), Settings()));
    ids.push_back(id);
  }
  SaveProfiles(store, folder);
  return ids;
}

}  // namespace

TEST_F(MainWindowTest, ThreeDefaultProfilesFromNoStoreTheFirstChecked) {
  TestMainWindow& w = Open();
  ProfileStore& store = TheProfileStore();
  ASSERT_EQ(3, store.Count());
  const auto profiles = store.Profiles();
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(u"Profile " + std::u16string(1, static_cast<char16_t>(u'1' + n)), profiles[static_cast<std::size_t>(n)]->Name());
    EXPECT_EQ(profiles[static_cast<std::size_t>(n)]->id, w.ProfileButtonId(n));
    EXPECT_EQ(n == 0, w.ProfileButton(n).GetCheck());
  }
  EXPECT_EQ(u"Profile 2", w.ProfileButton(1).Caption());
  EXPECT_EQ(QString::fromStdU16String(Settings().Title), w.windowTitle());
  EXPECT_TRUE(w.DevicePresent());
  // Nothing is stored until an apply.
  EXPECT_FALSE(PathFileExists(user_.path() + "pro.dct"));
}

TEST_F(MainWindowTest, AStoreOfTwoBecomesThreeAndAnUnknownCurrentIdSelectsTheFirst) {
  const std::vector<uint32_t> ids = WriteStore(user_.path(), 2);
  const uint32_t unknown = 0xABCDEF;
  WriteFile(user_.path() + "curid.dct", std::string(reinterpret_cast<const char*>(&unknown), 4));
  TestMainWindow& w = Open();
  ASSERT_EQ(3, TheProfileStore().Count());
  EXPECT_EQ(ids[0], w.ProfileButtonId(0));
  EXPECT_EQ(ids[1], w.ProfileButtonId(1));
  EXPECT_EQ(u"Profile 3", TheProfileStore().FindById(w.ProfileButtonId(2))->Name());
  EXPECT_EQ(ids[0], TheProfileStore().Current()->id);
  EXPECT_TRUE(w.ProfileButton(0).GetCheck());
}

TEST_F(MainWindowTest, ProfileButtonsSelectAndAnUnknownIdChangesNothing) {
  TestMainWindow& w = Open();
  // A profile with a changed key shows it on the picture when its button is clicked.
  const uint32_t second = w.ProfileButtonId(1);
  {
    auto lock = TheProfileStore().Lock();
    TheProfileStore().FindById(second)->keys[5] = Combination(MOD_LCTRL, 'Q');
  }
  QTest::mouseClick(&w.ProfileButton(1), Qt::LeftButton);
  EXPECT_EQ(second, TheProfileStore().Current()->id);
  EXPECT_FALSE(w.ProfileButton(0).GetCheck());
  EXPECT_TRUE(w.ProfileButton(1).GetCheck());
  EXPECT_EQ(1u, w.Picture().KeyFlag(5));

  w.SelectProfile(0xFEDCBA);
  EXPECT_EQ(second, TheProfileStore().Current()->id);
  EXPECT_TRUE(w.ProfileButton(1).GetCheck());
  EXPECT_FALSE(w.ProfileButton(2).GetCheck());

  QTest::mouseClick(&w.ProfileButton(0), Qt::LeftButton);
  EXPECT_EQ(0u, w.Picture().KeyFlag(5));
}

TEST_F(MainWindowTest, ALockedKeyOpensThePickerOnlyWhileColoursMayBeEdited) {
  const int key = KeyOf('A');
  ASSERT_GE(key, 0);
  Settings().KeyNotSet = {'A', 0, 0, 0};
  TestMainWindow& w = Open();
  ClickKey(w, key);
  EXPECT_TRUE(w.calls.empty());
  ClickKey(w, KeyOf('B'));
  ASSERT_EQ(1u, w.calls.size());
  EXPECT_EQ(KeyOf('B'), w.calls[0].key);
  EXPECT_FALSE(w.calls[0].colourEditing);

  // The game mode with a user-defined group: the picker opens, with colour editing.
  {
    auto lock = TheProfileStore().Lock();
    Profile* p = TheProfileStore().Current();
    p->ledMode = Settings().GaoshouIndex;
    p->colourGroup = static_cast<uint16_t>(Settings().ColorCustomIndex);
  }
  ClickKey(w, key);
  ASSERT_EQ(2u, w.calls.size());
  EXPECT_EQ(key, w.calls[1].key);
  EXPECT_TRUE(w.calls[1].colourEditing);
  EXPECT_EQ(CurrentProfile().keys[static_cast<std::size_t>(key)].key1, w.calls[1].function.key1);
}

TEST_F(MainWindowTest, TheSameCombinationTwiceStoresAndPostsNothingTheSecondTime) {
  Settings().ApplyNow = 1;
  TestMainWindow& w = Open();
  const int key = KeyOf('C');
  w.answerKind = 1;
  w.answerFunction = Combination(MOD_LCTRL, 'V');
  ClickKey(w, key);
  WaitForRuns(1);
  EXPECT_EQ((std::vector<uint32_t>{1}), RunFlags());
  const Profile stored = CurrentProfile();
  EXPECT_EQ('V', stored.keys[static_cast<std::size_t>(key)].key1);
  EXPECT_EQ(Settings().KeyTable.keys[static_cast<std::size_t>(key)].matrixPos, stored.keys[static_cast<std::size_t>(key)].matrixPos);
  EXPECT_EQ(1u, w.Picture().KeyFlag(key));

  ClickKey(w, key);
  Pump(50);
  EXPECT_EQ((std::vector<uint32_t>{1}), RunFlags());
  EXPECT_EQ(0u, TheApplyJob().PendingFlags());
}

TEST_F(MainWindowTest, TheEleventhMacroIsRefusedWithTheMessage) {
  TestMainWindow& w = Open();
  for (uint32_t id = 1; id <= 11; ++id) {
    TheMacroLibrary().Add(MakeDefaultMacro(id, u"m"));
  }
  {
    auto lock = TheProfileStore().Lock();
    Profile* p = TheProfileStore().Current();
    for (int i = 0; i < 10; ++i) {
      KeyFunction f = MacroKey(i + 1);
      p->keys[static_cast<std::size_t>(i)] = f;
    }
  }
  BoxAnswerer boxes;
  const int key = KeyOf('M');
  w.answerKind = 1;
  w.answerFunction = MacroKey(11);
  ClickKey(w, key);
  Pump(50);
  ASSERT_EQ(1u, boxes.messages.size());
  EXPECT_EQ(TextTable::Instance().tc_msg8, boxes.messages[0]);
  EXPECT_NE(KIND_MACRO, CurrentProfile().keys[static_cast<std::size_t>(key)].Kind());

  w.answerFunction = MacroKey(4);
  ClickKey(w, key);
  Pump(20);
  EXPECT_EQ(1u, boxes.messages.size());
  EXPECT_EQ(4, CurrentProfile().keys[static_cast<std::size_t>(key)].macroId);
}

TEST_F(MainWindowTest, ApplyNowDecidesWhetherChangesPostTheirFlags) {
  {
    TestMainWindow& w = Open();
    w.answerKind = 1;
    w.answerFunction = Combination(0, 'Z');
    ClickKey(w, KeyOf('Y'));
    w.answerKind = 2;
    w.answerColour = RGB(1, 2, 3);
    ClickKey(w, KeyOf('U'));
    Pump(50);
    EXPECT_TRUE(RunFlags().empty());
    EXPECT_EQ('Z', CurrentProfile().keys[static_cast<std::size_t>(KeyOf('Y'))].key1);
  }
  window_.reset();
  Settings().ApplyNow = 1;
  TestMainWindow& w = Open();
  w.answerKind = 1;
  w.answerFunction = Combination(0, 'Z');
  ClickKey(w, KeyOf('Y'));
  WaitForRuns(1);
  // A colour goes onto the clicked key and into the current colour group of the game mode.
  {
    auto lock = TheProfileStore().Lock();
    Profile* p = TheProfileStore().Current();
    p->ledMode = Settings().GaoshouIndex;
    p->colourGroup = static_cast<uint16_t>(Settings().ColorCustomIndex);
  }
  w.RefreshFromProfile();
  w.answerKind = 2;
  w.answerColour = RGB(1, 2, 3);
  const int key = KeyOf('U');
  ClickKey(w, key);
  WaitForRuns(2);
  EXPECT_EQ((std::vector<uint32_t>{1, 4}), RunFlags());
  EXPECT_EQ(RGB(1, 2, 3), w.Picture().KeyColor(key));
  const Profile p = CurrentProfile();
  const int pos = Settings().KeyTable.keys[static_cast<std::size_t>(key)].matrixPos;
  EXPECT_EQ(RGB(1, 2, 3), p.colours[p.colourGroup][static_cast<std::size_t>(pos)]);
}

TEST_F(MainWindowTest, ButtonsStandWhereTheLayoutPutsThem) {
  TestMainWindow& w = Open();
  const AppSettings& s = Settings();
  EXPECT_EQ(QPoint(s.ptApplyBtn.x + 126, s.ptApplyBtn.y), w.ApplyButton().pos());
  EXPECT_EQ(QPoint(s.ptProfile.x, s.ptProfile.y + 66), w.ProfileButton(2).pos());
  EXPECT_EQ(QPoint(s.ptProfile.x, s.ptProfile.y + 33), w.ProfileButton(1).pos());
  EXPECT_EQ(QRect(s.rcKB.left, s.rcKB.top, s.rcKB.Width(), s.rcKB.Height()), w.Picture().geometry());
  EXPECT_EQ(QRect(s.rcLED.left, s.rcLED.top, s.rcLED.Width(), s.rcLED.Height()), w.LightingPanel().geometry());
  EXPECT_EQ(LoadSkinImage("main_nr.png").Size(), w.size());
  EXPECT_FALSE(w.mask().isEmpty());
  EXPECT_EQ(w.windowIcon().isNull(), false);
  // No home page in the reference texts: no web link button.
  EXPECT_FALSE(w.WebButton().Exists());
}

TEST_F(MainWindowTest, AFullApplyShowsTheProgressToTheEndAndSavesTheProfiles) {
  TestMainWindow& w = Open();
  // The progress the worker posts, as the progress dialog receives it (the run may be over
  // before a timer could look at the bar).
  struct ProgressSpy : QObject {
    int highest = 0;
    bool eventFilter(QObject* to, QEvent* e) override {
      if (e->type() == static_cast<QEvent::Type>(WM_APPLY_PROGRESS) && qobject_cast<CProgressDlg*>(to) != nullptr) {
        highest = std::max(highest, static_cast<int>(static_cast<WindowMessageEvent*>(e)->wParam));
      }
      return false;
    }
  } spy;
  qApp->installEventFilter(&spy);
  QTest::mouseClick(&w.ApplyButton(), Qt::LeftButton);  // returns when the progress dialog has closed
  qApp->removeEventFilter(&spy);
  const int highest = spy.highest;
  ASSERT_EQ(1u, Runs().size());
  EXPECT_EQ(0x8007u, Runs()[0].flags);
  EXPECT_EQ(ApplyOutcome::Result::Applied, Runs()[0].result);
  EXPECT_NE(nullptr, Runs()[0].progress);
  EXPECT_EQ(100, highest);
  EXPECT_EQ(nullptr, QApplication::activeModalWidget());
  for (const char* report : {"report-09.bin", "report-10.bin"}) {
    EXPECT_TRUE(PathFileExists(user_.path() + "sim/" + report)) << report;
  }
  EXPECT_EQ(63980u, ReadFile(user_.path() + "pro.dct").size());
  const std::string id = ReadFile(user_.path() + "curid.dct");
  ASSERT_EQ(4u, id.size());
  EXPECT_EQ(TheProfileStore().Current()->id, *reinterpret_cast<const uint32_t*>(id.data()));
}

TEST_F(MainWindowTest, AFullApplyTheKeyboardDidNotKeepSavesNothing) {
  ::setenv("TASTOR_SIM_DROP_REPORT", "9", 1);  // acknowledged, and the old matrix kept
  TestMainWindow& w = Open();
  QTest::mouseClick(&w.ApplyButton(), Qt::LeftButton);
  WaitForRuns(1);
  ASSERT_EQ(1u, Runs().size());
  EXPECT_EQ(ApplyOutcome::Result::Failed, Runs()[0].result);
  EXPECT_EQ("The keyboard did not keep the key assignments.", Runs()[0].failure);
  const std::vector<std::u16string> boxes = port_.boxes;
  ASSERT_EQ(2u, boxes.size());
  EXPECT_EQ(u"The keyboard did not keep the key assignments.", boxes[0]);
  EXPECT_EQ(kApplyFailedText, boxes[1]);
  EXPECT_FALSE(PathFileExists(user_.path() + "pro.dct"));
  EXPECT_FALSE(PathFileExists(user_.path() + "curid.dct"));
}

TEST_F(MainWindowTest, ResetAsksFirstAndAppliesTheDefaults) {
  TestMainWindow& w = Open();
  const int key = KeyOf('R');
  {
    auto lock = TheProfileStore().Lock();
    TheProfileStore().Current()->keys[static_cast<std::size_t>(key)] = Combination(MOD_LALT, 'T');
  }
  w.RefreshFromProfile();
  BoxAnswerer boxes(IDCANCEL);
  QTest::mouseClick(&w.ResetButton(), Qt::LeftButton);
  ASSERT_EQ(1u, boxes.messages.size());
  EXPECT_EQ(TextTable::Instance().tc_msg5, boxes.messages[0]);
  EXPECT_EQ('T', CurrentProfile().keys[static_cast<std::size_t>(key)].key1);
  EXPECT_TRUE(Runs().empty());

  boxes.SetAnswer(IDOK);
  QTest::mouseClick(&w.ResetButton(), Qt::LeftButton);
  EXPECT_EQ(2u, boxes.messages.size());
  EXPECT_TRUE(IsDefaultFunction(CurrentProfile().keys[static_cast<std::size_t>(key)],
                                Settings().KeyTable.keys[static_cast<std::size_t>(key)]));
  EXPECT_EQ(0u, w.Picture().KeyFlag(key));
  ASSERT_EQ(1u, Runs().size());
  EXPECT_EQ(0x8007u, Runs()[0].flags);
  EXPECT_TRUE(PathFileExists(user_.path() + "pro.dct"));
}

TEST_F(MainWindowTest, ApplyWithoutAKeyboardSaysSoAndSendsNothing) {
  TestMainWindow& w = Open();
  w.Driver().ClearHandle();  // the keyboard went away
  BoxAnswerer boxes;
  QTest::mouseClick(&w.ApplyButton(), Qt::LeftButton);
  ASSERT_EQ(1u, boxes.messages.size());
  EXPECT_EQ(TextTable::Instance().tc_msg15, boxes.messages[0]);
  EXPECT_TRUE(Runs().empty());
  EXPECT_FALSE(PathFileExists(user_.path() + "pro.dct"));
}

namespace {

// Opens the profile menu with a right click on a profile button and clicks item `row`.
void ChooseProfileMenuItem(TestMainWindow& w, int button, int row) {
  QTest::mouseClick(&w.ProfileButton(button), Qt::RightButton, {}, QPoint(10, 10));
  Pump();
  const std::vector<QWidget*> menus = OpenMenus();
  ASSERT_EQ(1u, menus.size());
  QTest::mouseClick(menus[0], Qt::LeftButton, {}, RowCentre(menus[0], row));
  Pump();
}

}  // namespace

TEST_F(MainWindowTest, TheProfileMenuOffersExportImportAndDelete) {
  TestMainWindow& w = Open();
  const MenuItems items = w.ProfileMenuItems();
  ASSERT_EQ(3, items.Count());
  EXPECT_EQ(TextTable::Instance().tc_pro_export, MenuItemText(items[0]));
  EXPECT_EQ(TextTable::Instance().tc_pro_import, MenuItemText(items[1]));
  EXPECT_EQ(TextTable::Instance().tc_pro_delete, MenuItemText(items[2]));
  EXPECT_FALSE(TextTable::Instance().tc_pro_delete.empty());

  // Export writes the current profile into the file the dialog names.
  const std::string path = user_.path() + "out.kbp";
  {
    FileAnswerer files(path);
    ChooseProfileMenuItem(w, 0, 0);
    QTRY_VERIFY(files.shown);
    EXPECT_EQ(QStringList{QString::fromStdU16String(TextTable::Instance().tc_file_profile) + " (*.kbp)"}, files.nameFilters);
    EXPECT_EQ(QString::fromStdU16String(TextTable::Instance().tc_pro_export), files.title);
  }
  Pump(20);
  EXPECT_EQ(21136u, ReadFile(path).size());
}

TEST_F(MainWindowTest, AnImportShowsItsKeysAndLightingAtOnceButKeepsTheButtonsAndTheName) {
  TestMainWindow& w = Open();
  Profile other = MakeProfile(0x777, u"Elsewhere", Settings());
  const int key = KeyOf('K');
  other.keys[static_cast<std::size_t>(key)] = Combination(MOD_LSHIFT, 'L');
  other.ledMode = 3;
  other.modeSettings[3] = {2, 4};
  const auto image = ProfileExportImage(other, MacroSet());
  const std::string path = user_.path() + "in.kbp";
  WriteFile(path, std::string(image.begin(), image.end()));
  const uint32_t id = TheProfileStore().Current()->id;
  const std::u16string caption = w.ProfileButton(0).Caption();

  FileAnswerer files(path);
  ChooseProfileMenuItem(w, 0, 1);
  QTRY_VERIFY(files.shown);
  Pump(20);
  const Profile p = CurrentProfile();
  EXPECT_EQ(id, p.id);
  EXPECT_EQ(u"Profile 1", p.Name());
  EXPECT_EQ(1u, w.Picture().KeyFlag(key));
  EXPECT_EQ(3, w.LightingPanel().ModeButton().SelectedValue());
  EXPECT_EQ(TextTable::Instance().LedModeName(3), w.LightingPanel().ModeButton().Caption());
  EXPECT_EQ(4, w.LightingPanel().BrightnessSlider().GetPos());
  EXPECT_EQ(caption, w.ProfileButton(0).Caption());
  EXPECT_EQ(id, w.ProfileButtonId(0));
  EXPECT_FALSE(PathFileExists(user_.path() + "pro.dct"));  // saved only by the next apply
}

TEST_F(MainWindowTest, AfterADeleteAndARestartEachButtonStillSelectsTheProfileOfItsSlot) {
  const std::vector<uint32_t> stored = WriteStore(user_.path(), 3);
  TestMainWindow& w = Open();
  // The menu of the second button deletes the second profile (its right click selects it).
  BoxAnswerer boxes;
  ChooseProfileMenuItem(w, 1, 2);
  QTRY_COMPARE(boxes.messages.size(), 1u);
  EXPECT_EQ(TextTable::Instance().tc_msg6, boxes.messages[0]);
  Pump(20);
  ASSERT_EQ(3, TheProfileStore().Count());
  EXPECT_EQ(nullptr, TheProfileStore().FindById(stored[1]));
  EXPECT_EQ(stored[0], TheProfileStore().Current()->id);
  EXPECT_TRUE(w.ProfileButton(0).GetCheck());
  // The second slot holds a new default profile of its own name; the third is as it was.
  const uint32_t fresh = w.ProfileButtonId(1);
  EXPECT_NE(0u, fresh);
  EXPECT_EQ(u"Profile 2", TheProfileStore().FindById(fresh)->Name());
  EXPECT_EQ(stored[2], w.ProfileButtonId(2));
  for (int n = 0; n < 3; ++n) {
    QTest::mouseClick(&w.ProfileButton(n), Qt::LeftButton);
    EXPECT_EQ(w.ProfileButtonId(n), TheProfileStore().Current()->id);
    EXPECT_TRUE(w.ProfileButton(n).GetCheck());
  }

  // Applied and started again: the same three profiles behind the same buttons.
  QTest::mouseClick(&w.ApplyButton(), Qt::LeftButton);
  QTRY_VERIFY(PathFileExists(user_.path() + "pro.dct"));
  const std::array<uint32_t, 3> before = {w.ProfileButtonId(0), w.ProfileButtonId(1), w.ProfileButtonId(2)};
  window_.reset();
  TestMainWindow& again = Open();
  ASSERT_EQ(3, TheProfileStore().Count());
  std::vector<std::u16string> names;
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(before[static_cast<std::size_t>(n)], again.ProfileButtonId(n));
    names.push_back(TheProfileStore().FindById(again.ProfileButtonId(n))->Name());
  }
  EXPECT_EQ((std::vector<std::u16string>{u"Stored 1", u"Profile 2", u"Stored 3"}), names);
}

TEST_F(MainWindowTest, TheMenuOfAnotherProfilesButtonActsOnThatProfile) {
  TestMainWindow& w = Open();
  QTest::mouseClick(&w.ProfileButton(1), Qt::LeftButton);
  ASSERT_EQ(w.ProfileButtonId(1), TheProfileStore().Current()->id);
  // With the second profile current, "Link program…" of the first button's menu.
  QTimer typer;
  typer.setInterval(5);
  QObject::connect(&typer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || box->Edit() == nullptr) return;
    typer.stop();
    QTest::keyClicks(box->Edit(), QStringLiteral("first.exe"));
    QTest::mouseClick(&box->OkButton(), Qt::LeftButton);
  });
  typer.start();
  ChooseProfileMenuItem(w, 0, 3);
  QTRY_VERIFY(!typer.isActive());
  Pump(20);
  EXPECT_EQ(w.ProfileButtonId(0), TheProfileStore().Current()->id);
  EXPECT_TRUE(w.ProfileButton(0).GetCheck());
  EXPECT_FALSE(w.ProfileButton(1).GetCheck());
  EXPECT_EQ(u"first.exe", TheProfileStore().FindById(w.ProfileButtonId(0))->LinkedProgram());
  EXPECT_EQ(u"", TheProfileStore().FindById(w.ProfileButtonId(1))->LinkedProgram());
}

TEST_F(MainWindowTest, CloseEndsTheRunAndTheWorker) {
  TestMainWindow window;
  QTimer::singleShot(0, [&] {
    EXPECT_TRUE(window.isVisible());
    QTest::mouseClick(&window.CloseButton(), Qt::LeftButton);
  });
  window.RunMain();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(TheApplyJob().Running());
  EXPECT_EQ(0, TheProfileStore().Count());
}

TEST_F(MainWindowTest, WithoutAKeyboardAtTheStartTheProgramEndsUnlessSuwndLetsItRun) {
  ::setenv("TASTOR_SIM_ABSENT", "1", 1);
  Settings().Suwnd = 0;
  {
    BoxAnswerer boxes;
    TestMainWindow window;
    EXPECT_EQ(IDCANCEL, window.RunMain());
    ASSERT_EQ(1u, boxes.messages.size());
    EXPECT_EQ(TextTable::Instance().tc_msg15, boxes.messages[0]);
    EXPECT_FALSE(window.isVisible());
  }
  Settings().Suwnd = 1;
  TestMainWindow& w = Open();
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.DevicePresent());
  EXPECT_EQ(3, TheProfileStore().Count());
}
