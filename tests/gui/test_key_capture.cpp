// SPDX-License-Identifier: GPL-2.0-or-later
// Key capture in the windows: key events turned into virtual-key codes (the X key code
// through TapHook's table, the Qt key where there is none), and the capture box reading
// them from its own keyboard filter or from TapHook: combination texts, single-key mode,
// right-hand modifiers, repeats of a held key.
#include "tests/gui/controls_fixture.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <memory>
#include <thread>

#include "app/hook_library.h"
#include "controls/window_handle.h"
#include "platform/messages.h"
#include "platform/virtual_keys.h"
#include "text/text_table.h"
#include "ui/msg_dlg.h"
#include "ui/virtual_key_event.h"

using namespace controls_test;

namespace {

// X key codes of the keys as a PC keyboard sends them (evdev + 8).
enum : quint32 {
  X_A = 38, X_B = 56, X_LSHIFT = 50, X_RSHIFT = 62, X_LCTRL = 37, X_RCTRL = 105,
  X_RALT = 108, X_RWIN = 134, X_KP_ENTER = 104, X_SLEEP = 150,
};
// X key symbols of the right-hand modifiers.
enum : quint32 { XK_Shift_R = 0xFFE2, XK_Control_R = 0xFFE4, XK_Alt_R = 0xFFEA, XK_Super_R = 0xFFEC };

QKeyEvent Key(QEvent::Type type, int key, quint32 scanCode = 0, quint32 symbol = 0, Qt::KeyboardModifiers mods = {},
              bool autoRepeat = false) {
  return QKeyEvent(type, key, mods, scanCode, symbol, 0, QString(), autoRepeat);
}

uint8_t CodeOf(int key, quint32 scanCode = 0, quint32 symbol = 0, Qt::KeyboardModifiers mods = {}) {
  return VirtualKeyOf(Key(QEvent::KeyPress, key, scanCode, symbol, mods));
}

}  // namespace

TEST(VirtualKeyEvent, TheNativeCodeDecidesAsInTapHook) {
  // Left and right modifiers differ only in their native codes; the Qt key is the same.
  EXPECT_EQ(VK_LCONTROL, CodeOf(Qt::Key_Control, X_LCTRL));
  EXPECT_EQ(VK_RCONTROL, CodeOf(Qt::Key_Control, X_RCTRL));
  EXPECT_EQ(VK_RSHIFT, CodeOf(Qt::Key_Shift, X_RSHIFT));
  EXPECT_EQ(VK_RMENU, CodeOf(Qt::Key_AltGr, X_RALT));
  EXPECT_EQ(VK_RWIN, CodeOf(Qt::Key_Meta, X_RWIN));
  EXPECT_EQ(VK_TASTOR_KP_ENTER, CodeOf(Qt::Key_Enter, X_KP_ENTER, 0, Qt::KeypadModifier));
  // The key's position counts, not what the layout puts on it: Q of a French layout is the
  // key of A.
  EXPECT_EQ('A', CodeOf(Qt::Key_Q, X_A));
  // A key TapHook has no code for has none here either, whatever the Qt key.
  EXPECT_EQ(0, VirtualKeyFromXKeycode(X_SLEEP));
  EXPECT_EQ(0, CodeOf(Qt::Key_A, X_SLEEP));
}

TEST(VirtualKeyEvent, WithoutANativeCodeTheQtKeyKeypadAndSymbolDecide) {
  EXPECT_EQ(VK_LCONTROL, CodeOf(Qt::Key_Control));
  EXPECT_EQ(VK_RCONTROL, CodeOf(Qt::Key_Control, 0, XK_Control_R));
  EXPECT_EQ(VK_RSHIFT, CodeOf(Qt::Key_Shift, 0, XK_Shift_R));
  EXPECT_EQ(VK_RMENU, CodeOf(Qt::Key_Alt, 0, XK_Alt_R));
  EXPECT_EQ(VK_RMENU, CodeOf(Qt::Key_AltGr));
  EXPECT_EQ(VK_RWIN, CodeOf(Qt::Key_Super_L, 0, XK_Super_R));
  EXPECT_EQ(VK_RETURN, CodeOf(Qt::Key_Return));
  EXPECT_EQ(VK_TASTOR_KP_ENTER, CodeOf(Qt::Key_Enter, 0, 0, Qt::KeypadModifier));
  // The keypad's keys are told by the keypad modifier, with Num Lock on or off.
  EXPECT_EQ('7', CodeOf(Qt::Key_7));
  EXPECT_EQ(0x67, CodeOf(Qt::Key_7, 0, 0, Qt::KeypadModifier));
  EXPECT_EQ(VK_HOME, CodeOf(Qt::Key_Home));
  EXPECT_EQ(0x67, CodeOf(Qt::Key_Home, 0, 0, Qt::KeypadModifier));
  // Shifted keys are the key under the shift.
  EXPECT_EQ('1', CodeOf(Qt::Key_Exclam));
  EXPECT_EQ(0, CodeOf(Qt::Key_Launch0));
}

TEST(VirtualKeyEvent, OnlyPressesAndReleasesOfTheUserAreKeys) {
  EXPECT_EQ((HookKey{VK_RCONTROL, false}), HookKeyOf(Key(QEvent::KeyPress, Qt::Key_Control, X_RCTRL)));
  const std::optional<HookKey> release = HookKeyOf(Key(QEvent::KeyRelease, Qt::Key_A));
  ASSERT_TRUE(release.has_value());
  EXPECT_EQ((HookKey{'A', true}), *release);
  EXPECT_EQ(0x80, release->LParam());
  // The window system repeats a held key as further presses (and releases) marked as such.
  EXPECT_FALSE(HookKeyOf(Key(QEvent::KeyPress, Qt::Key_A, X_A, 0, {}, true)).has_value());
  EXPECT_FALSE(HookKeyOf(Key(QEvent::KeyRelease, Qt::Key_A, X_A, 0, {}, true)).has_value());
  EXPECT_FALSE(HookKeyOf(Key(QEvent::KeyPress, Qt::Key_A, X_SLEEP)).has_value());
  EXPECT_FALSE(HookKeyOf(QEvent(QEvent::ShortcutOverride)).has_value());
  // The windows' own keys name the left-hand Ctrl, Alt and Shift generically and the
  // right-hand ones by side; the Windows keys keep their sides.
  EXPECT_EQ(VK_CONTROL, HookKeyOf(Key(QEvent::KeyPress, Qt::Key_Control, X_LCTRL))->vk);
  EXPECT_EQ(VK_SHIFT, HookKeyOf(Key(QEvent::KeyPress, Qt::Key_Shift, X_LSHIFT))->vk);
  EXPECT_EQ(VK_MENU, HookKeyOf(Key(QEvent::KeyPress, Qt::Key_Alt))->vk);
  EXPECT_EQ(VK_RSHIFT, HookKeyOf(Key(QEvent::KeyPress, Qt::Key_Shift, X_RSHIFT))->vk);
  EXPECT_EQ(VK_RMENU, HookKeyOf(Key(QEvent::KeyPress, Qt::Key_AltGr, X_RALT))->vk);
  EXPECT_EQ(VK_LWIN, HookKeyOf(Key(QEvent::KeyPress, Qt::Key_Meta))->vk);
}

namespace {

// The fake key-capture library: records what the windows ask of it.
struct FakeHook {
  static std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
  }
  static HWND& Window() {
    static HWND window = nullptr;
    return window;
  }
  static void SetHookStatus(int on) { Calls().push_back(on != 0 ? "status 1" : "status 0"); }
  static void SetReciveWindow(HWND window) {
    Window() = window;
    Calls().push_back("window");
  }
};

class CaptureBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildFolder();
    TextTable::Instance().Load(BinDir() + "text.xml");
    Settings().HookDLL = 0;
    savedStatus_ = Hook().SetHookStatus;
    savedWindow_ = Hook().SetReciveWindow;
    savedInstalled_ = Hook().live;
    savedState_ = HookState();
    FakeHook::Calls().clear();
    owner_.resize(800, 600);
    owner_.show();
  }
  void TearDown() override {
    box_.reset();
    Hook().SetHookStatus = savedStatus_;
    Hook().SetReciveWindow = savedWindow_;
    Hook().live = savedInstalled_;
    Hook().receiver = savedState_.receiver;
    Hook().status = savedState_.status;
  }
  void UseFakeHook() {
    Settings().HookDLL = 1;
    Hook().SetHookStatus = &FakeHook::SetHookStatus;
    Hook().SetReciveWindow = &FakeHook::SetReciveWindow;
    Hook().live = true;
  }

  CMsgDlg& Open(int singleKey = 0) {
    box_ = std::make_unique<CMsgDlg>(&owner_);
    box_->mode = CMsgDlg::MODE_CAPTURE;
    box_->message = TextTable::Instance().tc_msg7;
    box_->singleKey = singleKey;
    box_->ShowModeless();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(box_.get()));
    return *box_;
  }
  QString Shown() const { return box_->Edit()->text(); }
  // A real key event to the widget with the focus (the box's edit).
  void Send(QEvent::Type type, int key, quint32 scanCode = 0, bool autoRepeat = false) {
    QKeyEvent event = Key(type, key, scanCode, 0, {}, autoRepeat);
    QApplication::sendEvent(box_->Edit(), &event);
  }
  void Tap(int key, quint32 scanCode = 0) {
    Send(QEvent::KeyPress, key, scanCode);
    Send(QEvent::KeyRelease, key, scanCode);
  }
  static void PostHookKey(HWND window, uint8_t vk, bool release) { window->post(window, WM_HOOK_KEY, vk, release ? 0x80 : 0); }

  Restore restore_;
  QWidget owner_;
  std::unique_ptr<CMsgDlg> box_;
  void (*savedStatus_)(int) = nullptr;
  void (*savedWindow_)(HWND) = nullptr;
  bool savedInstalled_ = false;
  HookCaptureState savedState_;
};

}  // namespace

TEST_F(CaptureBoxTest, LeftCtrlThenAThenBReadsAsTheSideSpecificCombination) {
  CMsgDlg& box = Open();
  EXPECT_TRUE(box.Edit()->isReadOnly());
  EXPECT_TRUE(box.Edit()->hasFocus());
  QTest::keyPress(box.Edit(), Qt::Key_Control);
  EXPECT_EQ("L-Ctrl", Shown());
  QTest::keyClick(box.Edit(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(box.Edit(), Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ("L-Ctrl + A + B", Shown());
  // A third key finds no place; A again is already there.
  QTest::keyClick(box.Edit(), Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(box.Edit(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyRelease(box.Edit(), Qt::Key_Control);
  EXPECT_EQ("L-Ctrl + A + B", Shown());
  EXPECT_EQ((CMsgDlg::Capture{0x01, 'A', 'B'}), box.capture);
  // Enter, Escape and Space are keys like any other here: they neither end the box nor
  // reach the edit.
  Tap(Qt::Key_Escape);
  Tap(Qt::Key_Return);
  EXPECT_TRUE(box.isVisible());
  EXPECT_EQ("L-Ctrl + A + B", Shown());
}

TEST_F(CaptureBoxTest, RightHandModifiersAreToldApartFromTheLeftOnes) {
  CMsgDlg& box = Open();
  for (auto [key, code] : {std::pair{Qt::Key_Control, X_RCTRL}, {Qt::Key_AltGr, X_RALT}, {Qt::Key_Shift, X_RSHIFT},
                           {Qt::Key_Meta, X_RWIN}, {Qt::Key_Control, X_LCTRL}}) {
    Send(QEvent::KeyPress, key, code);
  }
  EXPECT_EQ("L-Ctrl + R-Ctrl + R-Alt + R-Shift + R-Win", Shown());
  EXPECT_EQ(0xF1, box.capture.modifiers);
  for (quint32 code : {X_RCTRL, X_RALT, X_RSHIFT, X_RWIN, X_LCTRL}) Send(QEvent::KeyRelease, Qt::Key_unknown, code);

  // The keypad's Enter is a key of its own, named like Enter.
  Open();
  Send(QEvent::KeyPress, Qt::Key_Enter, X_KP_ENTER);
  Send(QEvent::KeyRelease, Qt::Key_Enter, X_KP_ENTER);
  EXPECT_EQ((CMsgDlg::Capture{0, VK_TASTOR_KP_ENTER, 0}), box_->capture);
  EXPECT_EQ("Enter", Shown());
}

TEST_F(CaptureBoxTest, InSingleKeyModeOnlyTheLastKeyCounts) {
  CMsgDlg& box = Open(1);
  Send(QEvent::KeyPress, Qt::Key_Control, X_LCTRL);
  EXPECT_EQ("L-Ctrl", Shown());
  Tap(Qt::Key_A);
  EXPECT_EQ("A", Shown());
  EXPECT_EQ((CMsgDlg::Capture{0, 'A', 0}), box.capture);
  Send(QEvent::KeyRelease, Qt::Key_Control, X_LCTRL);
  Send(QEvent::KeyPress, Qt::Key_Shift, X_RSHIFT);
  Send(QEvent::KeyRelease, Qt::Key_Shift, X_RSHIFT);
  EXPECT_EQ((CMsgDlg::Capture{0x20, 0, 0}), box.capture);
  EXPECT_EQ("R-Shift", Shown());
}

TEST_F(CaptureBoxTest, AHeldKeyCountsOnceAndThePreviousEventIsTheProgramsOne) {
  CMsgDlg& box = Open();
  // The window system's repeats of a held key are no keys of the user.
  Send(QEvent::KeyPress, Qt::Key_Shift, X_LSHIFT, true);
  EXPECT_EQ(CMsgDlg::Capture{}, box.capture);
  EXPECT_EQ("", Shown());
  // A press equal to the last event is a repeat, also in the next box: the key is still held.
  Send(QEvent::KeyPress, Qt::Key_B, X_B);
  EXPECT_EQ("B", Shown());
  Open();
  Send(QEvent::KeyPress, Qt::Key_B, X_B);
  EXPECT_EQ("", Shown());
  Send(QEvent::KeyRelease, Qt::Key_B, X_B);
  Send(QEvent::KeyPress, Qt::Key_B, X_B);
  Send(QEvent::KeyRelease, Qt::Key_B, X_B);
  EXPECT_EQ("B", Shown());
}

TEST_F(CaptureBoxTest, WithTheHookOnTheBoxReadsTapHooksKeysOnly) {
  UseFakeHook();
  CMsgDlg& box = Open();
  EXPECT_TRUE(box.CapturesThroughHook());
  EXPECT_EQ((std::vector<std::string>{"window", "status 1"}), FakeHook::Calls());
  ASSERT_EQ(box.hwnd(), FakeHook::Window());

  // The window's own keys are swallowed: TapHook delivers the same keys.
  Tap(Qt::Key_A, X_A);
  EXPECT_EQ("", Shown());
  // TapHook posts from its own thread.
  const HWND window = FakeHook::Window();
  std::thread hook([window] {
    PostHookKey(window, VK_RCONTROL, false);
    PostHookKey(window, VK_RCONTROL, false);  // held
    PostHookKey(window, 'A', false);
    PostHookKey(window, 'A', true);
    PostHookKey(window, VK_RCONTROL, true);
  });
  hook.join();
  Pump();
  EXPECT_EQ("R-Ctrl + A", Shown());

  box.EndDialog(IDOK);
  EXPECT_EQ((std::vector<std::string>{"window", "status 1", "status 0"}), FakeHook::Calls());
  EXPECT_FALSE(box.CapturesThroughHook());
}

TEST_F(CaptureBoxTest, WithoutTheHooksEntryPointsOrTheSettingTheBoxReadsItsOwnKeys) {
  UseFakeHook();
  Hook().SetReciveWindow = nullptr;
  Open();
  EXPECT_FALSE(box_->CapturesThroughHook());
  Tap(Qt::Key_A, X_A);
  EXPECT_EQ("A", Shown());
  // Keys posted as TapHook posts them still count.
  PostHookKey(box_->hwnd(), VK_LMENU, false);
  PostHookKey(box_->hwnd(), VK_LMENU, true);
  Pump();
  EXPECT_EQ("L-Alt + A", Shown());

  UseFakeHook();
  Settings().HookDLL = 0;
  Open();
  EXPECT_FALSE(box_->CapturesThroughHook());
  EXPECT_TRUE(FakeHook::Calls().empty());
}

TEST_F(CaptureBoxTest, AHookThatDidNotInstallLeavesTheBoxItsOwnKeys) {
  // No X display, no RECORD extension, a Wayland session: every entry point is there but
  // installhook failed, so TapHook would deliver nothing.
  UseFakeHook();
  Hook().live = false;
  CMsgDlg& box = Open();
  EXPECT_FALSE(box.CapturesThroughHook());
  EXPECT_TRUE(FakeHook::Calls().empty());
  Send(QEvent::KeyPress, Qt::Key_Control, X_RCTRL);
  Tap(Qt::Key_B, X_B);
  Send(QEvent::KeyRelease, Qt::Key_Control, X_RCTRL);
  EXPECT_EQ("R-Ctrl + B", Shown());
  box.EndDialog(IDOK);
  EXPECT_TRUE(FakeHook::Calls().empty());
}

TEST_F(CaptureBoxTest, WhenTheBoxEndsTheWindowThatOpenedItGetsTheHookBack) {
  UseFakeHook();
  // The opener receives TapHook's keys and captures, as the picker's key page does.
  QWidget opener;
  WindowHandle openerHandle(&opener);
  HookSetReceiver(openerHandle.hwnd());
  HookSetStatus(1);
  FakeHook::Calls().clear();

  for (int end : {IDOK, IDCANCEL}) {
    CMsgDlg& box = Open();
    EXPECT_EQ(box.hwnd(), FakeHook::Window());
    box.EndDialog(end);
    EXPECT_EQ(openerHandle.hwnd(), FakeHook::Window());
    EXPECT_EQ(openerHandle.hwnd(), HookState().receiver);
    EXPECT_EQ(1, HookState().status);
    EXPECT_EQ((std::vector<std::string>{"window", "status 1", "status 0", "window", "status 1"}), FakeHook::Calls());
    FakeHook::Calls().clear();
  }

  // A box destroyed without ending (its owner went) gives the hook back as well.
  Open();
  box_.reset();
  EXPECT_EQ(openerHandle.hwnd(), FakeHook::Window());
  EXPECT_EQ(1, HookState().status);

  // An opener that had switched capture off gets it back off.
  HookSetStatus(0);
  FakeHook::Calls().clear();
  Open().EndDialog(IDOK);
  EXPECT_EQ((std::vector<std::string>{"window", "status 1", "status 0", "window"}), FakeHook::Calls());
  EXPECT_EQ(0, HookState().status);
}
