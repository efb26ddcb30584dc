// SPDX-License-Identifier: GPL-2.0-or-later
// CMacroDlg with real mouse and key events inside its owner: showing a macro, recording
// from the window's own keys (the event limit, held keys, delays on and off and clamped),
// the insert and event menus, the repeat options and the loop-count edit, Save's tidy-up,
// and the library commands (names refused, rename, delete, import and export) on a macro
// folder in a temporary folder.
#include "tests/gui/controls_fixture.h"

#include <QLineEdit>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/hook_library.h"
#include "macro/macro_library.h"
#include "macro/macro_limits.h"
#include "macro/macro_scan.h"
#include "platform/messages.h"
#include "platform/virtual_keys.h"
#include "text/text_table.h"
#include "ui/macro_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/qt_window_port.h"

using namespace controls_test;
namespace fs = std::filesystem;

namespace {

// Runs fn on the next modal box once it is up.
void WhenModal(std::function<void(CMsgDlg&)> fn) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, fn] {
    auto* box = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    fn(*box);
  });
  timer->start();
}
void AnswerText(const QString& text) {
  WhenModal([text](CMsgDlg& box) {
    QTest::keyClicks(box.Edit(), text);
    QTest::mouseClick(&box.OkButton(), Qt::LeftButton);
  });
}
void AnswerOk() {
  WhenModal([](CMsgDlg& box) { QTest::mouseClick(&box.OkButton(), Qt::LeftButton); });
}
void AnswerCancel() {
  WhenModal([](CMsgDlg& box) { QTest::mouseClick(&box.CancelButton(), Qt::LeftButton); });
}

std::string Bytes(const MacroRecord& record) {
  const auto image = MacroFileImage(record);
  return std::string(image.begin(), image.end());
}

MacroRecord Stored(const std::string& path) {
  MacroRecord record;
  int err = 0;
  EXPECT_EQ(1, ReadMacroFile(path, record, err)) << path;
  return record;
}

class MacroDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildFolder();
    ASSERT_EQ(1, LoadMenuLibrary(BinDir()));
    TextTable::Instance().Load(BinDir() + "text.xml");
    Paths().userDataFolder = user_.path();
    Settings().MacroDir = 1;
    Settings().MacroHasMsKey = 0x1F;
    Settings().HookDLL = 0;
    Settings().KbType = 0;
    Limits() = MacroLimits{};
    owner_.setGeometry(50, 50, 900, 600);
    owner_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner_));
  }
  void TearDown() override {
    dlg_.reset();
    Pump();
    TheMacroLibrary().Clear();
  }

  std::string Mac() const { return user_.path() + "Mac"; }
  // A macro file in the macro folder, with a press and a release of A.
  MacroRecord PutMacro(const std::string& name, uint32_t id) {
    MacroRecord r = MakeDefaultMacro(id, u"x");
    r.Events[0] = {'A', 1, 120};
    r.Events[1] = {'A', 0, 0};
    user_.Write("Mac/" + name + ".mck", Bytes(r));
    return r;
  }
  void Open() {
    ASSERT_EQ(1, LoadMacroLibrary(TheMacroLibrary(), Mac(), Settings()) || !fs::exists(Mac()));
    dlg_ = std::make_unique<CMacroDlg>(&owner_);
    dlg_->forgetMacro = [this](uint32_t id) { forgotten_.push_back(id); };
    dlg_->tickCount = [this] { return now_; };
    dlg_->ShowModeless();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg_.get()));
  }
  CTreeCtrlEx& Tree() { return dlg_->LibraryTree(); }
  CTreeCtrlEx& List() { return dlg_->EventList(); }
  HTREEITEM Item(const std::u16string& name, HTREEITEM parent = nullptr) {
    for (HTREEITEM i : Tree().Children(parent != nullptr ? parent : Tree().Root())) {
      if (Tree().GetItemText(i) == name) return i;
    }
    return nullptr;
  }
  void ClickItem(CTreeCtrlEx& tree, HTREEITEM item, Qt::MouseButton button = Qt::LeftButton) {
    tree.EnsureVisible(item);
    QTest::mouseClick(tree.viewport(), button, {}, tree.ItemRect(item).center());
    Pump();
  }
  void RightClickEmpty(CTreeCtrlEx& tree) {
    QTest::mouseClick(tree.viewport(), Qt::RightButton, {}, QPoint(20, tree.viewport()->height() - 5));
    Pump();
  }
  void Click(CPngBtn& button) {
    QTest::mouseClick(&button, Qt::LeftButton);
    Pump();
  }
  // Chooses a row of the open skinned menu.
  void ChooseRow(int row) {
    const auto menus = OpenMenus();
    ASSERT_FALSE(menus.empty());
    QTest::mouseMove(menus[0], RowCentre(menus[0], row));
    QTest::mouseClick(menus[0], Qt::LeftButton, {}, RowCentre(menus[0], row));
    Pump(20);
  }
  void Key(QEvent::Type type, int key, bool autoRepeat = false) {
    QKeyEvent event(type, key, {}, 0, 0, 0, QString(), autoRepeat);
    QApplication::sendEvent(dlg_.get(), &event);
    Pump();
  }
  void Tap(int key) {
    Key(QEvent::KeyPress, key);
    now_ += 30;
    Key(QEvent::KeyRelease, key);
    now_ += 30;
  }
  std::vector<std::u16string> ListTexts() {
    std::vector<std::u16string> texts;
    for (HTREEITEM i : List().Children(List().Root())) texts.push_back(List().GetItemText(i));
    return texts;
  }
  std::vector<std::u16string> Messages() const { return port_.Texts(); }

  Restore restore_;
  RecordingWindowPort port_;
  TempDir user_;
  MessageLog owner_{QSize(900, 600)};
  std::unique_ptr<CMacroDlg> dlg_;
  std::vector<uint32_t> forgotten_;
  int64_t now_ = 1'000'000;
};

}  // namespace

// ---- showing, options, loop count ----

TEST_F(MacroDlgTest, AClickShowsTheMacroAndTheCheckBoxAloneChangesNothingOnDisk) {
  PutMacro("Jump", 0x111);
  const std::string before = ReadFile(Mac() + "/Jump.mck");
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  EXPECT_EQ((std::vector<std::u16string>{u"A", u"120 ms", u"A"}), ListTexts());
  EXPECT_TRUE(dlg_->CountRadio().GetCheck());
  EXPECT_EQ(QStringLiteral("1"), dlg_->LoopEdit()->text());
  EXPECT_FALSE(dlg_->SaveButton().isVisible());

  Click(dlg_->DelayCheckBox());
  EXPECT_FALSE(dlg_->DelayCheckBox().GetCheck());
  EXPECT_FALSE(dlg_->SaveButton().isVisible());
  dlg_->close();
  Pump();
  EXPECT_EQ(before, ReadFile(Mac() + "/Jump.mck"));
}

TEST_F(MacroDlgTest, TheLoopCountIsOneTo255AndSavedWithTheRepeatMode) {
  PutMacro("Jump", 0x111);
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  dlg_->LoopEdit()->setFocus();
  dlg_->LoopEdit()->selectAll();
  QTest::keyClicks(dlg_->LoopEdit(), QStringLiteral("300"));
  Pump();
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(u"Loop Count = 1 ~ 255", Messages().back());
  EXPECT_EQ(QStringLiteral("1"), dlg_->LoopEdit()->text());

  dlg_->LoopEdit()->selectAll();
  QTest::keyClicks(dlg_->LoopEdit(), QStringLiteral("25"));
  EXPECT_TRUE(dlg_->SaveButton().isVisible());
  Click(dlg_->SaveButton());
  EXPECT_EQ(25, uint16_t{Stored(Mac() + "/Jump.mck").wLoopCount});
  EXPECT_FALSE(dlg_->SaveButton().isVisible());

  Click(dlg_->SecondModeRadio());
  EXPECT_FALSE(dlg_->LoopEdit()->isVisible());
  Click(dlg_->SaveButton());
  EXPECT_EQ(MACRO_REPEAT_SECOND, uint32_t{Stored(Mac() + "/Jump.mck").dwRepeatMode});
}

// ---- recording ----

TEST_F(MacroDlgTest, RecordingKeepsTheFirst62KeyMessagesWithoutDelaysWhenTheBoxIsOff) {
  PutMacro("Jump", 0x111);
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  Click(dlg_->DelayCheckBox());  // no delays
  Click(dlg_->RecordButton());
  ASSERT_TRUE(dlg_->Recording());
  EXPECT_FALSE(dlg_->RecordsThroughHook());
  EXPECT_FALSE(Tree().MouseEnabled());
  for (int i = 0; i < 40; ++i) Tap(Qt::Key_A + (i % 26));  // 80 key messages
  EXPECT_EQ(62, List().Count());
  // While recording, other controls are refused.
  Click(dlg_->InsertButton());
  EXPECT_EQ(TextTable::Instance().tc_macro_msg17, Messages().back());
  Click(dlg_->RecordButton());
  EXPECT_FALSE(dlg_->Recording());
  EXPECT_TRUE(Tree().MouseEnabled());
  EXPECT_TRUE(dlg_->SaveButton().isVisible());
  for (const EventItem& e : dlg_->ListedEvents()) EXPECT_NE(EventItem::DELAY, e.kind);
}

TEST_F(MacroDlgTest, AHeldKeyIsOnePressAndLongWaitsAreClamped) {
  PutMacro("Jump", 0x111);
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  Click(dlg_->RecordButton());
  Key(QEvent::KeyPress, Qt::Key_B);
  Key(QEvent::KeyPress, Qt::Key_B, true);  // the window system's repeats
  Key(QEvent::KeyPress, Qt::Key_B, true);
  now_ += 50'000;  // 50 s
  Key(QEvent::KeyRelease, Qt::Key_B);
  now_ += 100;
  Key(QEvent::KeyPress, Qt::Key_B);  // again after the release: a new press
  Click(dlg_->RecordButton());
  const std::vector<EventItem> list = dlg_->ListedEvents();
  EXPECT_EQ((std::vector<EventItem>{{EventItem::PRESS, 'B'},
                                    {EventItem::DELAY, 40950},
                                    {EventItem::RELEASE, 'B'},
                                    {EventItem::DELAY, 100},
                                    {EventItem::PRESS, 'B'}}),
            list);
  // Save stores them; the delay after a key is its dwDelay.
  Click(dlg_->SaveButton());
  const MacroRecord r = Stored(Mac() + "/Jump.mck");
  EXPECT_EQ(40950u, uint32_t{r.Events[0].dwDelay});
  EXPECT_EQ(0, uint16_t{r.Events[1].wKeyDown});
  EXPECT_EQ(3, r.EventCount());
}

TEST_F(MacroDlgTest, LeftHandModifiersAreRecordedGenericallyAndTheEnterOfABoxIsNot) {
  PutMacro("Jump", 0x111);
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  Click(dlg_->DelayCheckBox());
  Click(dlg_->RecordButton());
  // Keys as the X server delivers them: the Qt key is the same for both sides, the native
  // key code tells them apart (left Ctrl 37, right Ctrl 105, left Shift 50, right Shift 62,
  // left Alt 64, AltGr 108).
  const struct {
    int key;
    quint32 x;
  } keys[] = {{Qt::Key_Control, 37}, {Qt::Key_Control, 105}, {Qt::Key_Shift, 50},
              {Qt::Key_Shift, 62},   {Qt::Key_Alt, 64},       {Qt::Key_AltGr, 108}};
  auto native = [this](QEvent::Type type, int key, quint32 x, QWidget* to) {
    QKeyEvent event(type, key, {}, x, 0, 0);
    QApplication::sendEvent(to, &event);
    Pump();
  };
  for (const auto& k : keys) {
    native(QEvent::KeyPress, k.key, k.x, dlg_.get());
    native(QEvent::KeyRelease, k.key, k.x, dlg_.get());
  }
  // A command while recording shows its box in the program's own way; Enter closes it,
  // and the release of that Enter reaches the editor after the box has gone.
  QtWindowPort windows;
  SetWindowPort(&windows);
  bool answered = false;
  WhenModal([&](CMsgDlg& box) {
    answered = box.message == TextTable::Instance().tc_macro_msg17;
    native(QEvent::KeyPress, Qt::Key_Return, 36, &box);
  });
  Click(dlg_->InsertButton());
  native(QEvent::KeyRelease, Qt::Key_Return, 36, dlg_.get());
  SetWindowPort(&port_);
  EXPECT_TRUE(answered);
  Click(dlg_->RecordButton());
  EXPECT_EQ((std::vector<EventItem>{{EventItem::PRESS, VK_CONTROL}, {EventItem::RELEASE, VK_CONTROL},
                                    {EventItem::PRESS, VK_RCONTROL}, {EventItem::RELEASE, VK_RCONTROL},
                                    {EventItem::PRESS, VK_SHIFT}, {EventItem::RELEASE, VK_SHIFT},
                                    {EventItem::PRESS, VK_RSHIFT}, {EventItem::RELEASE, VK_RSHIFT},
                                    {EventItem::PRESS, VK_MENU}, {EventItem::RELEASE, VK_MENU},
                                    {EventItem::PRESS, VK_RMENU}, {EventItem::RELEASE, VK_RMENU}}),
            dlg_->ListedEvents());
  AnswerCancel();  // the recording is not saved
  dlg_->close();
  Pump();
}

TEST_F(MacroDlgTest, RecordingNeedsASelectedMacro) {
  Open();
  Click(dlg_->RecordButton());
  EXPECT_FALSE(dlg_->Recording());
  EXPECT_EQ(TextTable::Instance().tc_macro_msg1, Messages().back());
}

namespace {

struct FakeHook {
  static std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
  }
  static void SetHookStatus(int on) { Calls().push_back(on != 0 ? "status 1" : "status 0"); }
  static void SetReciveWindow(HWND) { Calls().push_back("window"); }
};

}  // namespace

TEST_F(MacroDlgTest, TheHookIsUsedOnlyWhenItIsLive) {
  PutMacro("Jump", 0x111);
  const auto savedStatus = Hook().SetHookStatus;
  const auto savedWindow = Hook().SetReciveWindow;
  const bool savedInstalled = Hook().live;
  Settings().HookDLL = 1;
  Hook().SetHookStatus = &FakeHook::SetHookStatus;
  Hook().SetReciveWindow = &FakeHook::SetReciveWindow;
  Hook().live = false;
  FakeHook::Calls().clear();
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  // installhook failed: the window's own keys.
  Click(dlg_->RecordButton());
  EXPECT_FALSE(dlg_->RecordsThroughHook());
  Tap(Qt::Key_C);
  Click(dlg_->RecordButton());
  EXPECT_TRUE(FakeHook::Calls().empty());
  EXPECT_EQ(3, List().Count());

  // A live hook: its messages count, the window's own keys do not.
  Hook().live = true;
  Click(dlg_->RecordButton());
  EXPECT_TRUE(dlg_->RecordsThroughHook());
  Tap(Qt::Key_D);
  PostWindowMessage(dlg_.get(), WM_HOOK_KEY, 'E', 0);
  PostWindowMessage(dlg_.get(), WM_HOOK_KEY, 'E', 0x80);
  Pump();
  Click(dlg_->RecordButton());
  EXPECT_EQ((std::vector<std::string>{"window", "status 1", "status 0"}), FakeHook::Calls());
  EXPECT_EQ((std::vector<std::u16string>{u"E", u"E"}), ListTexts());
  Hook().SetHookStatus = savedStatus;
  Hook().SetReciveWindow = savedWindow;
  Hook().live = savedInstalled;
}

// ---- the insert and event menus, Save ----

TEST_F(MacroDlgTest, AnInsertedLeftClickIsPressFiftyMsRelease) {
  PutMacro("Jump", 0x111);
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  // Before the release of A.
  ClickItem(List(), List().Children(List().Root())[2]);
  Click(dlg_->InsertButton());
  ASSERT_EQ(1u, OpenMenus().size());
  ChooseRow(3);  // after press, release and delay: the left button
  const std::u16string click = TextTable::Instance().tc_click;
  EXPECT_EQ((std::vector<std::u16string>{u"A", u"120 ms", click, u"50 ms", click, u"A"}), ListTexts());
  EXPECT_TRUE(dlg_->SaveButton().isVisible());

  // A delay from the number box, raised to at least 10.
  List().SelectItem(nullptr);
  Click(dlg_->InsertButton());
  AnswerText(QStringLiteral("4"));
  ChooseRow(2);
  Pump(50);
  EXPECT_EQ(u"10 ms", ListTexts().back());
}

TEST_F(MacroDlgTest, SaveTidiesLeadingItemsAndMergesDelays) {
  PutMacro("Jump", 0x111);
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  // A list that starts with a delay and a release: insert them before the first item.
  HTREEITEM first = List().Children(List().Root())[0];
  ClickItem(List(), first);
  Click(dlg_->InsertButton());
  AnswerText(QStringLiteral("70"));
  ChooseRow(2);
  Pump(50);
  ClickItem(List(), List().Children(List().Root())[0]);
  Click(dlg_->InsertButton());
  WhenModal([](CMsgDlg& box) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Z, {});
    QApplication::sendEvent(box.Edit(), &press);
    QTest::mouseClick(&box.OkButton(), Qt::LeftButton);
  });
  ChooseRow(1);  // a release of Z
  Pump(50);
  // 120 ms after A, then 250 more from a delay inserted before the release of A.
  ClickItem(List(), List().Children(List().Root())[4]);
  Click(dlg_->InsertButton());
  AnswerText(QStringLiteral("250"));
  ChooseRow(2);
  Pump(50);
  EXPECT_EQ((std::vector<std::u16string>{u"Z", u"70 ms", u"A", u"120 ms", u"250 ms", u"A"}), ListTexts());
  Click(dlg_->SaveButton());
  EXPECT_EQ((std::vector<std::u16string>{u"A", u"370 ms", u"A"}), ListTexts());
  const MacroRecord r = Stored(Mac() + "/Jump.mck");
  EXPECT_EQ(370u, uint32_t{r.Events[0].dwDelay});
  EXPECT_EQ(2, r.EventCount());
}

TEST_F(MacroDlgTest, EventsAreChangedAndDeletedFromTheirMenu) {
  PutMacro("Jump", 0x111);
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  // The empty area of the list has no menu.
  RightClickEmpty(List());
  EXPECT_TRUE(OpenMenus().empty());
  ClickItem(List(), List().Children(List().Root())[1], Qt::RightButton);
  ASSERT_EQ(1u, OpenMenus().size());
  AnswerText(QStringLiteral("99999"));
  ChooseRow(0);
  Pump(50);
  EXPECT_EQ(u"40950 ms", ListTexts()[1]);
  ClickItem(List(), List().Children(List().Root())[0], Qt::RightButton);
  ChooseRow(1);
  EXPECT_EQ((std::vector<std::u16string>{u"40950 ms", u"A"}), ListTexts());
}

TEST_F(MacroDlgTest, UnsavedEditsAreSavedWhenTheUserSaysSo) {
  PutMacro("Jump", 0x111);
  PutMacro("Run", 0x222);
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  ClickItem(List(), List().Children(List().Root())[2], Qt::RightButton);
  ChooseRow(1);  // delete the release
  AnswerOk();
  ClickItem(Tree(), Item(u"Run"));
  Pump(50);
  EXPECT_EQ(1, Stored(Mac() + "/Jump.mck").EventCount());
  // Cancel drops them.
  ClickItem(List(), List().Children(List().Root())[2], Qt::RightButton);
  ChooseRow(1);
  AnswerCancel();
  ClickItem(Tree(), Item(u"Jump"));
  Pump(50);
  EXPECT_EQ(2, Stored(Mac() + "/Run.mck").EventCount());
}

TEST_F(MacroDlgTest, ASaveThatCannotBeWrittenSaysSoAndKeepsTheEdits) {
  PutMacro("Jump", 0x111);
  PutMacro("Run", 0x222);
  const std::string jump = Mac() + "/Jump.mck";
  if (std::system(("chattr +i '" + jump + "' 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "no immutable files here";
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  ClickItem(List(), List().Children(List().Root())[2], Qt::RightButton);
  ChooseRow(1);  // delete the release
  AnswerOk();    // save when Run is clicked: the file cannot be replaced
  ClickItem(Tree(), Item(u"Run"));
  Pump(50);
  EXPECT_EQ(0, std::system(("chattr -i '" + jump + "'").c_str())) << "the file stays immutable: " << jump;
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(TextTable::Instance().tc_macro_save_failed, Messages().back());
  EXPECT_EQ(Item(u"Jump"), Tree().GetSelectedItem()) << "the macro with the edits stays shown";
  EXPECT_EQ(2, Stored(jump).EventCount());
  // Once the file can be written, the next question saves the kept edits.
  AnswerOk();
  ClickItem(Tree(), Item(u"Run"));
  Pump(50);
  EXPECT_EQ(1, Stored(jump).EventCount());
}

// ---- the library commands ----

TEST_F(MacroDlgTest, NewMacrosAndFoldersRefuseNamesThatLeaveTheMacroFolder) {
  Open();
  for (const char* name : {"../evil", "a/b", "..", ".x"}) {
    RightClickEmpty(Tree());
    AnswerText(QString::fromUtf8(name));
    ChooseRow(0);  // new macro
    Pump(50);
  }
  EXPECT_EQ(0, Tree().Count());
  EXPECT_EQ(4u, Messages().size());
  EXPECT_EQ(0, TheMacroLibrary().Count());

  RightClickEmpty(Tree());
  AnswerText(QStringLiteral("Combo.old"));
  ChooseRow(0);
  Pump(50);
  HTREEITEM combo = Item(u"Combo");  // cut before the dot
  ASSERT_NE(nullptr, combo);
  EXPECT_EQ(combo, Tree().GetSelectedItem());
  EXPECT_TRUE(dlg_->SaveButton().isVisible());
  dlg_->close();
  Pump();
  EXPECT_TRUE(fs::exists(Mac() + "/Combo.mck"));
  EXPECT_FALSE(fs::exists(user_.path() + "evil.mck"));
}

TEST_F(MacroDlgTest, RenameRefusesTheSameNameInAnotherCaseAndMovesTheFile) {
  PutMacro("Jump", 0x111);
  Open();
  ClickItem(Tree(), Item(u"Jump"), Qt::RightButton);
  AnswerText(QStringLiteral("JUMP"));
  ChooseRow(1);  // rename
  Pump(50);
  EXPECT_EQ(TextTable::Instance().tc_macro_msg8, Messages().back());
  EXPECT_NE(nullptr, Item(u"Jump"));

  ClickItem(Tree(), Item(u"Jump"), Qt::RightButton);
  AnswerText(QStringLiteral("Leap"));
  ChooseRow(1);
  Pump(50);
  EXPECT_NE(nullptr, Item(u"Leap"));
  EXPECT_TRUE(fs::exists(Mac() + "/Leap.mck"));
  EXPECT_FALSE(fs::exists(Mac() + "/Jump.mck"));
  EXPECT_EQ(u"Leap", TheMacroLibrary().FindMacroById(0x111)->Name());
}

TEST_F(MacroDlgTest, AnEmptyFolderIsRenamedAndDeletedWithoutDiskErrors) {
  Open();
  RightClickEmpty(Tree());
  AnswerText(QStringLiteral("Games"));
  ChooseRow(1);  // new folder
  Pump(50);
  HTREEITEM games = Item(u"Games");
  ASSERT_NE(nullptr, games);
  ClickItem(Tree(), games, Qt::RightButton);
  AnswerText(QStringLiteral("Sports"));
  ChooseRow(2);  // rename
  Pump(50);
  ASSERT_NE(nullptr, Item(u"Sports"));
  ClickItem(Tree(), Item(u"Sports"), Qt::RightButton);
  AnswerOk();
  ChooseRow(3);  // delete
  Pump(50);
  EXPECT_EQ(0, Tree().Count());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(MacroDlgTest, DeletingAMacroForgetsItAndAReadOnlyFileInAFolderGoesToo) {
  PutMacro("Jump", 0x111);
  PutMacro("Games/Run", 0x222);
  fs::permissions(Mac() + "/Games/Run.mck", fs::perms::owner_read);
  Open();
  ClickItem(Tree(), Item(u"Jump"), Qt::RightButton);
  AnswerOk();
  ChooseRow(2);  // delete
  Pump(50);
  EXPECT_EQ((std::vector<uint32_t>{0x111}), forgotten_);
  EXPECT_FALSE(fs::exists(Mac() + "/Jump.mck"));
  EXPECT_EQ(nullptr, TheMacroLibrary().FindMacroById(0x111));

  ClickItem(Tree(), Item(u"Games"), Qt::RightButton);
  AnswerOk();
  ChooseRow(3);
  Pump(50);
  EXPECT_FALSE(fs::exists(Mac() + "/Games"));
  EXPECT_EQ(0, Tree().Count());
  EXPECT_EQ(0, TheMacroLibrary().Count());
  EXPECT_EQ((std::vector<uint32_t>{0x111, 0x222}), forgotten_);
}

TEST_F(MacroDlgTest, NothingIsDeletedWithoutTheUserFoldersLock) {
  PutMacro("Jump", 0x111);
  Open();
  // A folder where the lock file is: the lock cannot be taken, whoever runs the test.
  fs::create_directory(user_.path() + ".tastor.lock");
  ClickItem(Tree(), Item(u"Jump"), Qt::RightButton);
  AnswerOk();
  ChooseRow(2);  // delete
  Pump(50);
  EXPECT_TRUE(fs::exists(Mac() + "/Jump.mck"));
  EXPECT_NE(nullptr, TheMacroLibrary().FindMacroById(0x111));
  EXPECT_NE(nullptr, Item(u"Jump"));
  EXPECT_FALSE(Messages().empty());
  fs::remove(user_.path() + ".tastor.lock");
}

TEST_F(MacroDlgTest, AFolderThatCannotAllGoIsShownAsItIsLeftOnDisk) {
  PutMacro("Games/Run", 0x222);
  PutMacro("Games/Stuck", 0x333);
  const std::string stuck = Mac() + "/Games/Stuck.mck";
  if (std::system(("chattr +i '" + stuck + "' 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "no immutable files here";
  Open();
  ClickItem(Tree(), Item(u"Games"), Qt::RightButton);
  AnswerOk();
  ChooseRow(3);
  Pump(50);
  EXPECT_EQ(0, std::system(("chattr -i '" + stuck + "'").c_str())) << "the file stays immutable: " << stuck;
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(0u, Messages().back().rfind(u"Remove Directory failed, err = ", 0));
  HTREEITEM games = Item(u"Games");
  ASSERT_NE(nullptr, games);
  ASSERT_EQ(1u, Tree().Children(games).size());
  EXPECT_EQ(u"Stuck", Tree().GetItemText(Tree().Children(games)[0]));
  EXPECT_EQ(1, TheMacroLibrary().Count());
  EXPECT_NE(nullptr, TheMacroLibrary().FindMacroById(0x333));
  EXPECT_EQ((std::vector<uint32_t>{0x222}), forgotten_);
}

TEST_F(MacroDlgTest, AnImportedFolderGetsNewIdsAndAnImportedMacroNeverOverwrites) {
  PutMacro("Jump", 0x111);
  TempDir outside;
  MacroRecord r = MakeDefaultMacro(0x111, u"x");
  outside.Write("Pack/Jump.mck", Bytes(r));
  outside.Write("Pack/Deeper/Run.mck", Bytes(r));
  Open();
  dlg_->chooseFolder = [&] { return outside.path() + "Pack"; };
  RightClickEmpty(Tree());
  ChooseRow(3);  // import folder
  Pump(50);
  HTREEITEM pack = Item(u"Pack");
  ASSERT_NE(nullptr, pack);
  EXPECT_EQ(3, TheMacroLibrary().Count());
  EXPECT_NE(nullptr, TheMacroLibrary().FindMacroById(0x111));  // the macro already there keeps its id
  HTREEITEM copy = Item(u"Jump", pack);
  ASSERT_NE(nullptr, copy);
  const uint32_t newId = Tree().FindData(copy)->value;
  EXPECT_NE(0x111u, newId);
  EXPECT_EQ(newId, uint32_t{Stored(Mac() + "/Pack/Jump.mck").dwMacroId});

  // A macro file whose 40-character title is cut to the name of a macro already there.
  const std::string longTitle = std::string(39, 'L');
  PutMacro(longTitle, 0x444);
  const std::string before = ReadFile(Mac() + "/" + longTitle + ".mck");
  dlg_->close();
  Pump();
  dlg_.reset();
  Open();
  const std::string source = outside.Write(longTitle + "X.mck", Bytes(MakeDefaultMacro(0x555, u"y")));
  dlg_->chooseMacroFile = [&] { return source; };
  RightClickEmpty(Tree());
  ChooseRow(2);  // import macro
  Pump(50);
  EXPECT_EQ(TextTable::Instance().tc_macro_msg8, Messages().back());
  EXPECT_EQ(before, ReadFile(Mac() + "/" + longTitle + ".mck"));
}

// ---- recording through TapHook on a real X server ----

TEST_F(MacroDlgTest, RecordsInjectedKeysThroughTapHookAndFallsBackWithoutADisplay) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  if (!fs::exists(BinDir() + "libTapHook.so")) GTEST_SKIP() << "TapHook is not built";
  PutMacro("Jump", 0x111);
  Settings().HookDLL = 1;
  const char* saved = std::getenv("DISPLAY");
  const std::string keep = saved != nullptr ? saved : "";

  // No display: installhook fails, the window's own keys are recorded.
  ::unsetenv("DISPLAY");
  ASSERT_EQ(1, LoadHookLibrary(BinDir()));
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  Click(dlg_->DelayCheckBox());
  Click(dlg_->RecordButton());
  EXPECT_FALSE(dlg_->RecordsThroughHook());
  Tap(Qt::Key_C);
  Click(dlg_->RecordButton());
  EXPECT_EQ((std::vector<std::u16string>{u"C", u"C"}), ListTexts());
  UnloadHookLibrary();
  AnswerCancel();  // the recording is not saved
  dlg_->close();
  Pump();
  dlg_.reset();

  Xvfb server;
  ASSERT_TRUE(server.Start());
  ::setenv("DISPLAY", server.display().c_str(), 1);
  ASSERT_EQ(1, LoadHookLibrary(BinDir()));
  Open();
  ClickItem(Tree(), Item(u"Jump"));
  Click(dlg_->DelayCheckBox());
  Click(dlg_->RecordButton());
  EXPECT_TRUE(dlg_->RecordsThroughHook());
  // "a" (X key code 38) and the right Shift (62), injected on the X server.
  const RunResult r = RunProgram({"/usr/bin/xdotool", "key", "--delay", "20", "38", "62"},
                                 {"DISPLAY=" + server.display()});
  EXPECT_EQ(0, r.status) << r.err;
  QElapsedTimer waited;
  waited.start();
  while (List().Count() < 4 && waited.elapsed() < 5000) Pump(10);
  Click(dlg_->RecordButton());
  UnloadHookLibrary();
  if (saved != nullptr) ::setenv("DISPLAY", keep.c_str(), 1); else ::unsetenv("DISPLAY");
  EXPECT_EQ((std::vector<EventItem>{{EventItem::PRESS, 'A'},
                                    {EventItem::RELEASE, 'A'},
                                    {EventItem::PRESS, VK_RSHIFT},
                                    {EventItem::RELEASE, VK_RSHIFT}}),
            dlg_->ListedEvents());
}
