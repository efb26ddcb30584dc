// SPDX-License-Identifier: GPL-2.0-or-later
// CKeyFunPickDlg: its layout on the reference skin, a combination typed with real key
// events (the 300 ms gap, modifier sorts, key 1 and key 2, held keys), OK on each page,
// the media list, the default area, the swatches, a locked key, TapHook on page changes,
// and a missing face.
#include "tests/gui/controls_fixture.h"

#include <QTimer>
#include <cstring>
#include <functional>
#include <memory>

#include "app/hook_library.h"
#include "model/key_names.h"
#include "model/key_pick.h"
#include "platform/messages.h"
#include "platform/virtual_keys.h"
#include "skin/skin_image.h"
#include "text/text_table.h"
#include "ui/key_fun_pick_dlg.h"
#include "ui/msg_dlg.h"

using namespace controls_test;

namespace {

// X key codes (evdev + 8) of the keys typed.
enum : quint32 { X_A = 38, X_B = 56, X_C = 54, X_LSHIFT = 50, X_LCTRL = 37, X_RCTRL = 105 };

// Runs fn on the modal message box once it is up and remembers its message.
void AnswerBox(bool ok, std::u16string* message = nullptr) {
  QTimer::singleShot(0, [ok, message] {
    auto* box = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
    ASSERT_NE(nullptr, box);
    if (message != nullptr) *message = box->message;
    QTest::mouseClick(ok ? &box->OkButton() : &box->CancelButton(), Qt::LeftButton);
  });
}

// The fake key-capture library: what the picker asks of it.
std::vector<std::string> g_hookCalls;
HWND g_hookWindow = nullptr;
void FakeStatus(int on) { g_hookCalls.push_back("status " + std::to_string(on)); }
void FakeWindow(HWND window) {
  g_hookWindow = window;
  g_hookCalls.push_back("window");
}

class KeyFunPickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildFolder();
    ASSERT_EQ(1, LoadMenuLibrary(BinDir()));
    TextTable::Instance().Load(BinDir() + "text.xml");
    Settings().HookDLL = 0;
    Settings().KeyNotSet = {};
    PickerKeyHistory() = KeyPressHistory{};
    saved_.SetHookStatus = Hook().SetHookStatus;
    saved_.SetReciveWindow = Hook().SetReciveWindow;
    saved_.live = Hook().live;
    saved_.receiver = Hook().receiver;
    saved_.status = Hook().status;
    g_hookCalls.clear();
    owner_.setGeometry(100, 50, 600, 500);  // the picker centred over it lies on the screen
    owner_.show();
    current_.code = KeyFunction::MakeCode(KIND_KEY, 0);
    current_.key1 = 'Q';
    current_.matrixPos = 33;
  }
  void TearDown() override {
    picker_.reset();
    Hook().SetHookStatus = saved_.SetHookStatus;
    Hook().SetReciveWindow = saved_.SetReciveWindow;
    Hook().live = saved_.live;
    Hook().receiver = saved_.receiver;
    Hook().status = saved_.status;
  }
  void UseLiveHook() {
    Settings().HookDLL = 1;
    Hook().SetHookStatus = FakeStatus;
    Hook().SetReciveWindow = FakeWindow;
    Hook().live = true;
  }

  CKeyFunPickDlg& Open(int key = 5, int colourSwitch = 0) {
    picker_ = std::make_unique<CKeyFunPickDlg>(&owner_);
    picker_->keyIndex = key;
    picker_->colourSwitch = colourSwitch;
    picker_->function = current_;
    picker_->ShowModeless();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(picker_.get()));
    return *picker_;
  }
  void Click(QWidget& widget) { QTest::mouseClick(&widget, Qt::LeftButton, {}, QPoint(5, 5)); }
  QString Shown() { return QString::fromStdU16String(picker_->CaptureBox().Caption()); }
  // Real key events to the widget with the focus, as the window system sends them.
  QWidget* Focus() { return QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : picker_.get(); }
  void Press(int key, quint32 x, bool repeat = false) {
    QKeyEvent e(QEvent::KeyPress, key, {}, x, 0, 0, QString(), repeat);
    QApplication::sendEvent(Focus(), &e);
  }
  void Release(int key, quint32 x) {
    QKeyEvent e(QEvent::KeyRelease, key, {}, x, 0, 0);
    QApplication::sendEvent(Focus(), &e);
  }
  void Tap(int key, quint32 x) { Press(key, x), Release(key, x); }

  Restore restore_;
  HookLibrary saved_;
  QWidget owner_;
  KeyFunction current_;
  std::unique_ptr<CKeyFunPickDlg> picker_;
};

}  // namespace

TEST_F(KeyFunPickTest, TheLayoutOfTheReferenceSkin) {
  CKeyFunPickDlg& p = Open();
  ASSERT_FALSE(p.PlainFace());
  EXPECT_EQ(QSize(545, 350), p.size());
  EXPECT_EQ(QPoint(100 + (600 - 545) / 2, 50 + (500 - 350) / 2), p.pos());
  EXPECT_EQ(QRect(429, 11, 44, 19), p.CloseArea().geometry());
  EXPECT_EQ(QRect(479, 5, 39, 30), p.DefaultArea().geometry());
  const TextTable& t = TextTable::Instance();
  const std::u16string* captions[3] = {&t.tc_page1, &t.tc_mac_def, &t.tc_page3};
  for (int page = 1; page <= 3; ++page) {
    EXPECT_EQ(QRect(QPoint(27, 90 + (page - 1) * 64), QSize(160, 40)), p.PageButton(page).geometry());
    EXPECT_EQ(*captions[page - 1], p.PageButton(page).Caption());
    EXPECT_TRUE(p.PageButton(page).isVisible());
    EXPECT_TRUE(p.PageButton(page).CheckStyle());
  }
  EXPECT_EQ(QRect(390, 312, 70, 26), p.OkButton().geometry());
  EXPECT_EQ(QRect(465, 312, 70, 26), p.CancelButton().geometry());
  // Centred in the face's inner frame (226 to 458), at the layout's height.
  EXPECT_EQ(144, p.CaptureBox().y());
  EXPECT_EQ(144, p.MediaButton().y());
  for (const QWidget* control : {static_cast<QWidget*>(&p.CaptureBox()), static_cast<QWidget*>(&p.MediaButton())}) {
    EXPECT_GE(control->x(), 226);
    EXPECT_LE(control->x() + control->width(), 458);
    EXPECT_LE(std::abs((control->x() - 226) - (458 - control->x() - control->width())), 1);
  }
  EXPECT_FALSE(p.CaptureBox().isVisible());
  EXPECT_FALSE(p.MediaButton().isVisible());
  EXPECT_FALSE(p.Swatch(0).isVisible());
  EXPECT_EQ(PAGE_NONE, p.Page());
  EXPECT_EQ(t.tc_msg16 + FunctionName(current_, KeyNaming::For(Settings())), p.HintText());
  ASSERT_EQ(12u, p.MediaButton().Items().size());
  EXPECT_EQ(-1, p.MediaButton().CurSel());

  Click(p.PageButton(1));
  EXPECT_EQ(PAGE_KEYS, p.Page());
  EXPECT_TRUE(p.PageButton(1).GetCheck());
  EXPECT_TRUE(p.CaptureBox().isVisible());
  Click(p.PageButton(3));
  EXPECT_FALSE(p.PageButton(1).GetCheck());
  EXPECT_TRUE(p.PageButton(3).GetCheck());
  EXPECT_FALSE(p.CaptureBox().isVisible());
  EXPECT_TRUE(p.MediaButton().isVisible());
}

TEST_F(KeyFunPickTest, ACombinationIsOneQuickSequenceOfPresses) {
  CKeyFunPickDlg& p = Open();
  Click(p.PageButton(1));
  // Ctrl, Shift, A, each within 300 ms of the one before.
  Press(Qt::Key_Control, X_LCTRL);
  Press(Qt::Key_Shift, X_LSHIFT);
  Press(Qt::Key_A, X_A);
  EXPECT_EQ((PickedCombination{0x03, 'A', 0}), p.Combination());
  EXPECT_EQ("Ctrl + Shift + A", Shown());
  Release(Qt::Key_A, X_A);
  Release(Qt::Key_Shift, X_LSHIFT);
  Release(Qt::Key_Control, X_LCTRL);

  // A 300 ms after Shift: A alone.
  Press(Qt::Key_Shift, X_LSHIFT);
  QTest::qWait(310);
  Press(Qt::Key_A, X_A);
  EXPECT_EQ((PickedCombination{0, 'A', 0}), p.Combination());
  EXPECT_EQ("A", Shown());
  Release(Qt::Key_A, X_A);
  Release(Qt::Key_Shift, X_LSHIFT);

  // Ctrl twice (left, then right): the second starts anew.
  QTest::qWait(310);
  Tap(Qt::Key_Control, X_LCTRL);
  Tap(Qt::Key_Control, X_RCTRL);
  EXPECT_EQ((PickedCombination{0x10, 0, 0}), p.Combination());
  Tap(Qt::Key_Control, X_LCTRL);
  EXPECT_EQ((PickedCombination{0x01, 0, 0}), p.Combination());
  EXPECT_EQ("Ctrl", Shown());

  // A, B, C: C starts anew.
  QTest::qWait(310);
  Tap(Qt::Key_A, X_A);
  Tap(Qt::Key_B, X_B);
  EXPECT_EQ("A + B", Shown());
  Tap(Qt::Key_C, X_C);
  EXPECT_EQ((PickedCombination{0, 'C', 0}), p.Combination());
  EXPECT_EQ("C", Shown());

  // No key reached a control or closed the picker: Enter, Escape and Space are keys here.
  Tap(Qt::Key_Escape, 9);
  EXPECT_TRUE(p.isVisible());
  EXPECT_EQ((PickedCombination{0, 'C', VK_ESCAPE}), p.Combination());
}

TEST_F(KeyFunPickTest, AHeldKeyChangesNothingAfterItsFirstPress) {
  CKeyFunPickDlg& p = Open();
  Click(p.PageButton(1));
  Press(Qt::Key_Shift, X_LSHIFT);
  // The window system's repeats, marked and unmarked, for longer than the gap.
  for (int i = 0; i < 8; ++i) {
    Press(Qt::Key_Shift, X_LSHIFT, true);
    Press(Qt::Key_Shift, X_LSHIFT);
    QTest::qWait(50);
  }
  EXPECT_EQ((PickedCombination{0x02, 0, 0}), p.Combination());
  Release(Qt::Key_Shift, X_LSHIFT);
  EXPECT_EQ("Shift", Shown());
}

TEST_F(KeyFunPickTest, OkOnAnEmptyPageSaysSoAndStaysOpenWithoutAPageTheKeyKeepsItsFunction) {
  CKeyFunPickDlg& p = Open();
  for (int page : {1, 2, 3}) {
    Click(p.PageButton(page));
    std::u16string said;
    AnswerBox(true, &said);
    Click(p.OkButton());
    EXPECT_EQ(TextTable::Instance().tc_msg3, said) << page;
    EXPECT_TRUE(p.isVisible()) << page;
  }

  Open();
  Click(picker_->OkButton());
  EXPECT_FALSE(picker_->isVisible());
  EXPECT_EQ(IDOK, picker_->result());
  EXPECT_EQ(CKeyFunPickDlg::RESULT_FUNCTION, picker_->resultKind);
  EXPECT_EQ(0, std::memcmp(&current_, &picker_->function, sizeof current_));
}

TEST_F(KeyFunPickTest, OkGivesTheTypedCombinationAndThePickedMediaFunction) {
  CKeyFunPickDlg& p = Open();
  Click(p.PageButton(1));
  Press(Qt::Key_Control, X_RCTRL);
  Tap(Qt::Key_B, X_B);
  Release(Qt::Key_Control, X_RCTRL);
  // Looking at another page keeps what was typed.
  Click(p.PageButton(3));
  Click(p.PageButton(1));
  EXPECT_EQ("Ctrl + B", Shown());
  Click(p.OkButton());
  ASSERT_EQ(IDOK, p.result());
  EXPECT_EQ(0x02000000u, p.function.code);
  EXPECT_EQ(0x10, p.function.modifiers);
  EXPECT_EQ('B', p.function.key1);
  EXPECT_EQ(0, p.function.key2);
  EXPECT_EQ(0, p.function.matrixPos);

  CKeyFunPickDlg& m = Open();
  Click(m.PageButton(3));
  Click(m.MediaButton());
  auto menus = OpenMenus();
  ASSERT_EQ(1u, menus.size());
  QTest::mouseMove(menus[0], RowCentre(menus[0], 5));
  QTest::mouseClick(menus[0], Qt::LeftButton, {}, RowCentre(menus[0], 5));  // mute
  Pump();
  KeyFunction mute;
  mute.code = 0x04000028;
  EXPECT_EQ(FunctionName(mute, KeyNaming::For(Settings())), m.MediaButton().Caption());
  Click(m.OkButton());
  ASSERT_EQ(IDOK, m.result());
  EXPECT_EQ(0x04000028u, m.function.code);
  EXPECT_EQ(0, m.function.matrixPos);
}

TEST_F(KeyFunPickTest, TheDefaultAreaAsksThenGivesTheKeyTablesFunction) {
  Settings().KeyTable.keys[5].code = 0x01000002;
  Settings().KeyTable.keys[5].matrixPos = 40;
  CKeyFunPickDlg& p = Open(5);
  std::u16string asked;
  AnswerBox(false, &asked);
  Click(p.DefaultArea());
  EXPECT_EQ(TextTable::Instance().tc_msg14, asked);
  EXPECT_TRUE(p.isVisible());
  AnswerBox(true);
  Click(p.DefaultArea());
  ASSERT_EQ(IDOK, p.result());
  EXPECT_EQ(0, std::memcmp(&Settings().KeyTable.keys[5], &p.function, sizeof p.function));

  Open();
  Click(picker_->CloseArea());
  EXPECT_EQ(IDCANCEL, picker_->result());
  Open();
  Click(picker_->CancelButton());
  EXPECT_EQ(IDCANCEL, picker_->result());
}

TEST_F(KeyFunPickTest, TheSwatchesGiveTheGameColourOrNone) {
  Settings().clrGaoshou = RGB(10, 200, 30);
  CKeyFunPickDlg& p = Open(5, 1);
  ASSERT_TRUE(p.Swatch(1).isVisible());
  EXPECT_EQ(QRect(100, 50, 22, 22), p.Swatch(0).geometry());
  EXPECT_EQ(QRect(142, 50, 22, 22), p.Swatch(1).geometry());
  EXPECT_TRUE(p.Swatch(1).NoneMark());
  Click(p.Swatch(1));
  Pump();
  ASSERT_EQ(IDOK, p.result());
  EXPECT_EQ(CKeyFunPickDlg::RESULT_COLOUR, p.resultKind);
  EXPECT_EQ(0u, p.colour);

  Open(5, 1);
  Click(picker_->Swatch(0));
  Pump();
  EXPECT_EQ(CKeyFunPickDlg::RESULT_COLOUR, picker_->resultKind);
  EXPECT_EQ(RGB(10, 200, 30), picker_->colour);
}

TEST_F(KeyFunPickTest, ALockedKeyOffersNoPagesButTheSwatchesAndTheDefaultArea) {
  Settings().KeyTable.keys[7].key1 = VK_LWIN;
  Settings().KeyNotSet = {0, 0, VK_LWIN, 0};
  CKeyFunPickDlg& p = Open(7, 1);
  EXPECT_TRUE(p.Locked());
  for (int page = 1; page <= 3; ++page) EXPECT_FALSE(p.PageButton(page).isVisible());
  EXPECT_FALSE(p.CaptureBox().isVisible());
  EXPECT_TRUE(p.Swatch(0).isVisible());
  EXPECT_TRUE(p.Swatch(1).isVisible());
  EXPECT_TRUE(p.DefaultArea().isVisible());
  EXPECT_TRUE(p.OkButton().isVisible());
  EXPECT_TRUE(p.CancelButton().isVisible());
  // Keys do nothing: no page is shown.
  Tap(Qt::Key_A, X_A);
  EXPECT_EQ(PickedCombination{}, p.Combination());
  // Another key is not locked.
  Open(6, 0);
  EXPECT_FALSE(picker_->Locked());
  EXPECT_TRUE(picker_->PageButton(1).isVisible());
}

TEST_F(KeyFunPickTest, WithALiveHookTheKeyPageCapturesThroughTapHook) {
  UseLiveHook();
  CKeyFunPickDlg& p = Open();
  EXPECT_TRUE(p.CapturesThroughHook());
  EXPECT_EQ(p.hwnd(), g_hookWindow);
  EXPECT_EQ((std::vector<std::string>{"window"}), g_hookCalls);
  Click(p.PageButton(1));
  Click(p.PageButton(3));
  Click(p.PageButton(1));
  EXPECT_EQ((std::vector<std::string>{"window", "status 1", "status 0", "status 1"}), g_hookCalls);

  // The window's own keys are swallowed; TapHook's count.
  Tap(Qt::Key_A, X_A);
  EXPECT_EQ(PickedCombination{}, p.Combination());
  for (auto [vk, release] : {std::pair<uint8_t, bool>{VK_LMENU, false}, {'C', false}, {'C', true}, {VK_LMENU, true}}) {
    g_hookWindow->post(g_hookWindow, WM_HOOK_KEY, vk, release ? 0x80 : 0);
  }
  Pump();
  EXPECT_EQ((PickedCombination{0x04, 'C', 0}), p.Combination());
  EXPECT_EQ("Alt + C", Shown());
  g_hookCalls.clear();
  Click(p.CancelButton());
  EXPECT_EQ((std::vector<std::string>{"status 0"}), g_hookCalls);
}

TEST_F(KeyFunPickTest, AHookThatIsNotLiveLeavesThePickerItsOwnKeys) {
  UseLiveHook();
  Hook().live = false;  // installhook failed: no display, no RECORD, Wayland
  CKeyFunPickDlg& p = Open();
  EXPECT_FALSE(p.CapturesThroughHook());
  Click(p.PageButton(1));
  Tap(Qt::Key_A, X_A);
  EXPECT_EQ((PickedCombination{0, 'A', 0}), p.Combination());
  // Nothing was handed to the hook but the switch-off on closing.
  Click(p.CancelButton());
  EXPECT_EQ((std::vector<std::string>{"status 0"}), g_hookCalls);
}

TEST_F(KeyFunPickTest, WithoutItsFaceThePickerStillWorksOnAPlainFace) {
  controls_test::SkinFolder skins;
  for (const char* name : {"btn2_nr.png", "btn_nr.png", "btn_ov.png", "button_nr.png", "combo_nr.png", "combo_ov.png",
                           "msg_nr.png", "exit_nr.png", "exit_ov.png"}) {
    skins.Put(name, LoadSkinImage(name).Image());
  }
  skins.Use();
  CKeyFunPickDlg& p = Open();
  EXPECT_TRUE(p.PlainFace());
  EXPECT_EQ(CKeyFunPickDlg::kPlainFaceSize, p.size());
  EXPECT_TRUE(p.PageButton(1).isVisible());
  Click(p.PageButton(1));
  Tap(Qt::Key_B, X_B);
  Click(p.OkButton());
  ASSERT_EQ(IDOK, p.result());
  EXPECT_EQ('B', p.function.key1);
}
