// SPDX-License-Identifier: GPL-2.0-or-later
// The main window's life in the background: the close button and the tray with TrayIcon
// 0, 1 and 3 (the desktop's tray assumed present or missing), the keyboard removed and
// plugged in again (another device's removal changes nothing), the automatic switch to a
// profile whose program a real child process runs (never while the key function picker is
// open over the window), and "Link program…" with the text box.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QLineEdit>
#include <filesystem>

#include "app/profile_switch.h"
#include "libs/simkeyboard/sim_keyboard.h"
#include "model/profile_files.h"
#include "tests/gui/main_window_fixture.h"
#include "ui/device_presence.h"
#include "ui/tray_icon.h"
#include "ui/tray_presence.h"
#include "ui/key_fun_pick_dlg.h"
#include "model/key_pick.h"

extern char** environ;

using namespace main_window_test;

namespace {

class TrayTest : public MainWindowTest {
 protected:
  void TearDown() override {
    MainWindowTest::TearDown();
    CTrayIcon::AssumeAvailable(std::nullopt);
  }
  // Opens the window with the TrayIcon setting, the desktop's tray present or not; the
  // window may stay hidden.
  TestMainWindow& OpenWith(int trayIcon, bool tray) {
    Settings().TrayIcon = static_cast<int16_t>(trayIcon);
    CTrayIcon::AssumeAvailable(tray);
    window_ = std::make_unique<TestMainWindow>();
    window_->InitDialog();
    Pump(20);
    return *window_;
  }
  void DoubleClickTray(TestMainWindow& w) {
    ASSERT_NE(w.Presence().TrayIcon(), nullptr);
    emit w.Presence().TrayIcon()->Icon()->activated(QSystemTrayIcon::DoubleClick);
    Pump(20);
  }
  DeviceEvent Keyboard(DeviceEvent::Kind kind) {
    char name[64];
    std::snprintf(name, sizeof name, "USB#VID_%04X&PID_%04X#/devices/usb1/1-4", Settings().VID, Settings().PID);
    return {kind, name};
  }
  std::string SimDir() const { return user_.path() + "sim/"; }
};

// A copy of /bin/sleep named MyGame.exe, run until the object goes.
class Game {
 public:
  explicit Game(const TempDir& dir) {
    path_ = dir.path() + "MyGame.exe";
    std::filesystem::copy_file("/bin/sleep", path_);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all);
    char seconds[] = "60";
    char* argv[] = {path_.data(), seconds, nullptr};
    if (::posix_spawn(&pid_, path_.c_str(), nullptr, nullptr, argv, environ) != 0) pid_ = -1;
  }
  ~Game() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }

 private:
  std::string path_;
  pid_t pid_ = -1;
};

}  // namespace

TEST_F(TrayTest, TrayIcon3TheCloseButtonHidesAndTheTrayDoubleClickShows) {
  TestMainWindow& w = OpenWith(3, true);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  ASSERT_NE(w.Presence().TrayIcon(), nullptr);
  EXPECT_EQ(w.Presence().TrayIcon()->Icon()->toolTip(), QString::fromStdU16String(Settings().Title));
  const QList<QAction*> menu = w.Presence().TrayIcon()->Menu()->actions();
  ASSERT_EQ(menu.size(), 3);
  EXPECT_EQ(menu[0]->text(), QString::fromStdU16String(TextTable::Instance().tc_config));
  EXPECT_TRUE(menu[1]->isSeparator());
  EXPECT_EQ(menu[2]->text(), QString::fromStdU16String(TextTable::Instance().tc_exit));

  QTest::mouseClick(&w.CloseButton(), Qt::LeftButton);
  Pump(20);
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(TheApplyJob().Running());  // the program goes on in the tray
  DoubleClickTray(w);
  EXPECT_TRUE(w.isVisible());
  EXPECT_EQ(3, TheProfileStore().Count());  // loaded again from the files on the way back

  // The keyboard's removal shows the balloon and keeps the window; the tray menu's exit ends it.
  w.Presence().Presence()->Feed(Keyboard(DeviceEvent::Kind::Removal));
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.DevicePresent());
  menu[2]->trigger();
  Pump(50);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(TheApplyJob().Running());
}

TEST_F(TrayTest, TrayIcon0TheCloseButtonEndsAndARemovalShowsNothing) {
  TestMainWindow& w = OpenWith(0, true);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_EQ(w.Presence().TrayIcon(), nullptr);
  w.Presence().Presence()->Feed(Keyboard(DeviceEvent::Kind::Removal));
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(w.DevicePresent());
  EXPECT_TRUE(port_.boxes.empty());
  QTest::mouseClick(&w.CloseButton(), Qt::LeftButton);
  Pump(50);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(TheApplyJob().Running());  // ended, not hidden
}

TEST_F(TrayTest, TrayIcon1StartsHiddenHidesOnRemovalAndComesBackWithTheProfiles) {
  TestMainWindow& w = OpenWith(1, true);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.Presence().MayBeShown());
  w.show();  // whoever shows it, it stays hidden until brought up from the tray
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(3, TheProfileStore().Count());  // the switch has its profiles while hidden
  DoubleClickTray(w);
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.Presence().MayBeShown());
  w.Presence().Presence()->Feed(Keyboard(DeviceEvent::Kind::Removal));
  EXPECT_FALSE(w.isVisible());
  // The tray menu's first command shows it as the double click does.
  w.Presence().TrayIcon()->Menu()->actions()[0]->trigger();
  Pump(20);
  EXPECT_TRUE(w.isVisible());
}

TEST_F(TrayTest, WithoutATrayTrayIcon1StillShowsTheWindowAndTheCloseButtonEnds) {
  TestMainWindow& w = OpenWith(1, false);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_TRUE(w.Presence().Behaviour().trayMissing);
  EXPECT_EQ(w.Presence().TrayIcon(), nullptr);
  w.Presence().Presence()->Feed(Keyboard(DeviceEvent::Kind::Removal));
  EXPECT_TRUE(w.isVisible());  // never hidden where nothing could bring it back
  QTest::mouseClick(&w.CloseButton(), Qt::LeftButton);
  Pump(50);
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(TheApplyJob().Running());
}

TEST_F(TrayTest, AnotherDevicesRemovalChangesNothingAndTheKeyboardIsFoundAfterItsArrival) {
  TestMainWindow& w = OpenWith(3, true);
  ASSERT_TRUE(w.DevicePresent());
  w.Presence().Presence()->Feed({DeviceEvent::Kind::Removal, "USB#VID_046D&PID_C52B#/devices/usb1/1-1"});
  EXPECT_TRUE(w.DevicePresent());
  // Pulled out and plugged in again: the simulator's plug reaches the window by itself.
  ASSERT_EQ(simkeyboard::SetPluggedIn(SimDir(), false), 0);
  QElapsedTimer t;
  t.start();
  while (w.DevicePresent() && t.elapsed() < 3000) Pump(10);
  EXPECT_FALSE(w.DevicePresent());
  ASSERT_EQ(simkeyboard::SetPluggedIn(SimDir(), true), 0);
  t.restart();
  while (!w.DevicePresent() && t.elapsed() < 3000) Pump(10);
  EXPECT_TRUE(w.DevicePresent());
}

TEST_F(TrayTest, ThePlugOfTheSimulatorsOwnFolderIsFollowedWhenNoFolderIsGiven) {
  // As a user starts it: --simulate alone, so the keyboard's memory is in the user folder.
  ::unsetenv("TASTOR_SIM_DIR");
  TestMainWindow& w = OpenWith(3, true);
  ASSERT_TRUE(w.DevicePresent());
  const std::string folder = user_.path() + "sim/";
  ASSERT_EQ(simkeyboard::SetPluggedIn(folder, false), 0);
  QElapsedTimer t;
  t.start();
  while (w.DevicePresent() && t.elapsed() < 3000) Pump(10);
  EXPECT_FALSE(w.DevicePresent());
  ASSERT_EQ(simkeyboard::SetPluggedIn(folder, true), 0);
  t.restart();
  while (!w.DevicePresent() && t.elapsed() < 3000) Pump(10);
  EXPECT_TRUE(w.DevicePresent());
}

TEST_F(TrayTest, ALinkedGameProfileSwitchesInWhileItsProgramRuns) {
  TestMainWindow& w = OpenWith(3, true);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  const uint32_t second = w.ProfileButtonId(1);
  {
    auto lock = TheProfileStore().Lock();
    SetLinkedProgram(*TheProfileStore().FindById(second), u"game");
  }
  ASSERT_TRUE(w.ProfileButton(0).GetCheck());
  TempDir bin;
  Game game(bin);
  QElapsedTimer t;
  t.start();
  while (TheProfileStore().Current()->id != second && t.elapsed() < 8000) {
    w.Presence().OnSwitchTimer();
    Pump(20);
  }
  ASSERT_EQ(TheProfileStore().Current()->id, second);
  EXPECT_TRUE(w.ProfileButton(1).GetCheck());  // shown, as the window is visible
  EXPECT_FALSE(w.ProfileButton(0).GetCheck());
  EXPECT_EQ(LoadCurrentId(user_.path()), second);
  EXPECT_TRUE(port_.boxes.empty());
  // The keyboard holds the game profile's lighting: its run was written like any apply.
  EXPECT_TRUE(std::filesystem::exists(SimDir() + "report-09.bin"));
}

TEST_F(TrayTest, NoSwitchUnderAnOpenPickerTheKeyLandsInItsOwnProfileThenTheSwitchFollows) {
  Settings().TrayIcon = 0;
  CTrayIcon::AssumeAvailable(true);
  PickerKeyHistory() = KeyPressHistory{};
  CTastorDlg w(true);  // with the real picker
  w.InitDialog();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  const uint32_t first = w.ProfileButtonId(0), second = w.ProfileButtonId(1);
  {
    auto lock = TheProfileStore().Lock();
    SetLinkedProgram(*TheProfileStore().FindById(second), u"game");
  }
  const int key = KeyOf('K');
  ASSERT_GE(key, 0);
  const std::size_t k = static_cast<std::size_t>(key);

  // The user clicks K; while the picker is open the linked game starts and the switch's
  // timer ticks for longer than a switch takes; then L is typed and OK clicked.
  TempDir bin;
  std::unique_ptr<Game> game;
  bool switchedUnderThePicker = false, done = false;
  QTimer picker;
  picker.setInterval(5);
  QObject::connect(&picker, &QTimer::timeout, [&] {
    auto* p = qobject_cast<CKeyFunPickDlg*>(QApplication::activeModalWidget());
    if (p == nullptr || !p->isVisible()) return;
    picker.stop();
    game = std::make_unique<Game>(bin);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 1500) {
      w.Presence().OnSwitchTimer();
      Pump(50);
      if (TheProfileStore().Current()->id != first) switchedUnderThePicker = true;
    }
    QTest::mouseClick(&p->PageButton(1), Qt::LeftButton, {}, QPoint(5, 5));
    QKeyEvent press(QEvent::KeyPress, Qt::Key_L, {}, 46, 0, 0), release(QEvent::KeyRelease, Qt::Key_L, {}, 46, 0, 0);
    QApplication::sendEvent(p, &press);
    QApplication::sendEvent(p, &release);
    QTest::mouseClick(&p->OkButton(), Qt::LeftButton, {}, QPoint(5, 5));
    done = true;
  });
  picker.start();
  QTest::mouseClick(&w.Picture(), Qt::LeftButton, {}, KeyCentre(key));
  QTRY_VERIFY_WITH_TIMEOUT(done, 10000);
  Pump(20);
  EXPECT_FALSE(switchedUnderThePicker);
  {
    auto lock = TheProfileStore().Lock();
    EXPECT_EQ('L', TheProfileStore().FindById(first)->keys[k].key1);  // the profile it was made in
    EXPECT_NE('L', TheProfileStore().FindById(second)->keys[k].key1);
  }
  // The first tick after the picker has gone switches.
  QElapsedTimer t;
  t.start();
  while (TheProfileStore().Current()->id != second && t.elapsed() < 8000) {
    w.Presence().OnSwitchTimer();
    Pump(20);
  }
  EXPECT_EQ(second, TheProfileStore().Current()->id);
  EXPECT_TRUE(w.ProfileButton(1).GetCheck());
  EXPECT_TRUE(w.Picture().KeyFlag(key) == 0);  // the game profile's K is still its default
  w.close();
  Pump(20);
}

TEST_F(TrayTest, LinkProgramEditsTheCurrentProfilesLinkInTheTextBox) {
  TestMainWindow& w = OpenWith(0, true);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  MenuItems items = w.ProfileMenuItems();
  w.LinkMenu().AppendTo(items);
  ASSERT_GE(items.Count(), 6);
  EXPECT_EQ(MenuItemText(items[3]), TextTable::Instance().tc_link_program);
  EXPECT_EQ(MenuItemText(items[4]), TextTable::Instance().tc_link_running);
  EXPECT_EQ(items[5].parent, 4);

  // Types a name into the text box and answers OK.
  QString typed = QStringLiteral("MyGame.exe");
  QString shownFirst;
  QTimer typer;
  typer.setInterval(5);
  QObject::connect(&typer, &QTimer::timeout, [&] {
    auto* box = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || box->Edit() == nullptr) return;
    typer.stop();
    shownFirst = box->Edit()->text();
    box->Edit()->selectAll();
    QTest::keyClick(box->Edit(), Qt::Key_Backspace);
    QTest::keyClicks(box->Edit(), typed);
    QTest::mouseClick(&box->OkButton(), Qt::LeftButton);
  });
  typer.start();
  w.OnProfileMenuCommand(CLinkProgramMenu::kLinkProgram);
  EXPECT_EQ(shownFirst, QString());
  EXPECT_EQ(CurrentProfile().LinkedProgram(), u"MyGame.exe");
  const ProfileFileRead stored = ReadProfileSlots(user_.path() + kProfileFileName, Settings());
  ASSERT_EQ(stored.state, ProfileFileState::kLoaded) << stored.reason;
  EXPECT_EQ(stored.profileSlots[0].profile.LinkedProgram(), u"MyGame.exe");  // saved at once

  // The box starts with the link; emptying it removes the link.
  typed.clear();
  typer.start();
  w.OnProfileMenuCommand(CLinkProgramMenu::kLinkProgram);
  EXPECT_EQ(shownFirst, QStringLiteral("MyGame.exe"));
  EXPECT_EQ(CurrentProfile().LinkedProgram(), u"");

  // A running program of the submenu becomes the link.
  if (!w.LinkMenu().Offered().empty()) {
    w.OnProfileMenuCommand(CLinkProgramMenu::kFirstProgram);
    EXPECT_EQ(CurrentProfile().LinkedProgram(), w.LinkMenu().Offered()[0]);
  }
}
