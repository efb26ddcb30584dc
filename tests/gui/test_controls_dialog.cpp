// SPDX-License-Identifier: GPL-2.0-or-later
// CSkinnedDialog: window messages through the window handle, modal and child runs, the
// swallowed keys, and a press on the background (closes menus, drags the window).
#include "tests/gui/controls_fixture.h"

#include <QSignalSpy>
#include <QTimer>

#include "controls/png_btn.h"
#include "controls/png_slider.h"
#include "platform/messages.h"
#include "ui/skinned_dialog.h"

using namespace controls_test;

namespace {

class Dialog : public CSkinnedDialog {
 public:
  using CSkinnedDialog::CSkinnedDialog;
  bool OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) override {
    messages.push_back({msg, wParam, lParam});
    return true;
  }
  bool PreTranslateKey(QKeyEvent* event) override {
    if (event->type() == QEvent::KeyPress) keysSeen.push_back(event->key());
    return CSkinnedDialog::PreTranslateKey(event);
  }
  void keyPressEvent(QKeyEvent* event) override {
    keysReached.push_back(event->key());
    CSkinnedDialog::keyPressEvent(event);
  }
  std::vector<MessageLog::Message> messages;
  std::vector<int> keysSeen, keysReached;
};

}  // namespace

TEST(SkinnedDialog, EveryMessageOfTheTableArrivesThroughTheHandle) {
  Dialog dialog;
  const HWND hwnd = dialog.hwnd();
  const unsigned table[] = {WM_HOOK_KEY,    WM_APPLY_PROGRESS, WM_COLOR_SWATCH, WM_TRAY_NOTIFY,   WM_MENU_COMMAND,
                            WM_KEY_CLICKED, WM_TREE_RCLICK,    WM_TREE_CLICK,   WM_SLIDER_DONE, WM_SLIDER_MOVING};
  std::vector<MessageLog::Message> sent;
  uintptr_t n = 1;
  for (unsigned msg : table) {
    sent.push_back({msg, n, -static_cast<intptr_t>(n)});
    hwnd->post(hwnd, msg, n, -static_cast<intptr_t>(n));
    ++n;
  }
  Pump();
  EXPECT_EQ(sent, dialog.messages);
  EXPECT_EQ((std::vector<unsigned>{0x40A, 0x42B, 0x43E, 0x46C, 0x477, 0x481, 0x592, 0x594, 0x800, 0x801}),
            (std::vector<unsigned>(std::begin(table), std::end(table))));
}

TEST(SkinnedDialog, ModalRunsEndWithTheirResult) {
  Dialog dialog;
  // WM_CLOSE (from another window or thread) ends the run with IDCANCEL.
  const HWND hwnd = dialog.hwnd();
  QTimer::singleShot(0, [hwnd] { hwnd->post(hwnd, WM_CLOSE, 0, 0); });
  EXPECT_EQ(IDCANCEL, dialog.RunModal());
  QTimer::singleShot(0, [&] { dialog.EndDialog(IDOK); });
  EXPECT_EQ(IDOK, dialog.RunModal());
  QTimer::singleShot(0, [&] { dialog.EndDialog(7); });
  EXPECT_EQ(7, dialog.RunModal());
  EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(SkinnedDialog, SwallowedKeysReachNoControlButTheFocusedButtonTakesSpaceAndEnter) {
  Dialog dialog;
  dialog.resize(200, 100);
  CPngBtn button;
  ASSERT_TRUE(CreatePngCheckBtn(button, &dialog, QRect(10, 10, 40, 20), Solid(QSize(40, 20), 0xFFFF0000),
                                Solid(QSize(40, 20), 0xFFFF0000), Solid(QSize(40, 20), 0xFFFF0000)));
  dialog.ShowModeless();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QSignalSpy clicks(&button, &QAbstractButton::clicked);
  button.setFocus();
  // Space, Return and Enter press the focused button; Escape and F1 reach nothing.
  for (int key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_F1}) {
    QTest::keyClick(&button, static_cast<Qt::Key>(key));
  }
  EXPECT_EQ(3, clicks.count());
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(dialog.keysReached.empty());

  // Other keys go their way; the dialog's filter sees each once although it passes from
  // the button up to the dialog.
  dialog.keysSeen.clear();
  QTest::keyClick(&button, Qt::Key_A);
  EXPECT_EQ(std::vector<int>{Qt::Key_A}, dialog.keysSeen);
  EXPECT_EQ(std::vector<int>{Qt::Key_A}, dialog.keysReached);

  // A button without the focus gets none of them.
  button.clearFocus();
  QTest::keyClick(&button, Qt::Key_Space);
  QTest::keyClick(&button, Qt::Key_Return);
  EXPECT_EQ(3, clicks.count());

  // A window may swallow fewer keys: here Space reaches the button again.
  dialog.SetSwallowedKeys({Qt::Key_Return, Qt::Key_Escape});
  QTest::keyClick(&button, Qt::Key_Space);
  EXPECT_EQ(4, clicks.count());
  QTest::keyClick(&button, Qt::Key_Enter);
  EXPECT_TRUE(dialog.isVisible());
}

TEST(SkinnedDialog, AKeyAtTheAddressOfAnEarlierOneIsStillFiltered) {
  // Key events live on the stack, so the next key often comes at the address of the one
  // before: one a control received, then one sent to the dialog itself (as the X server
  // delivers them to a window without a focused control), must both be the dialog's.
  Dialog dialog;
  dialog.resize(200, 100);
  CPngBtn button;
  ASSERT_TRUE(CreatePngCheckBtn(button, &dialog, QRect(10, 10, 40, 20), Solid(QSize(40, 20), 0xFFFF0000),
                                Solid(QSize(40, 20), 0xFFFF0000), Solid(QSize(40, 20), 0xFFFF0000)));
  dialog.ShowModeless();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  QKeyEvent key(QEvent::KeyPress, Qt::Key_H, Qt::NoModifier, QStringLiteral("h"));
  key.setTimestamp(1000);
  QApplication::sendEvent(&button, &key);
  key.setTimestamp(1150);  // H pressed again, 150 ms later, at the same address
  QApplication::sendEvent(&dialog, &key);
  EXPECT_EQ((std::vector<int>{Qt::Key_H, Qt::Key_H}), dialog.keysSeen);
}

TEST(SkinnedDialog, APressOnTheBackgroundClosesMenusAndDragsTheWindow) {
  Restore restore;
  UseBuildFolder();
  ASSERT_EQ(1, LoadMenuLibrary(BinDir()));
  Dialog dialog;
  dialog.resize(300, 200);
  dialog.move(50, 40);
  dialog.ShowModeless();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  MenuItems items;
  items.AddTop(1, u"one");
  ASSERT_TRUE(OpenSkinnedMenu(dialog.hwnd(), 100, QPoint(400, 300), items, 0, nullptr));
  ASSERT_EQ(1u, OpenMenus().size());

  QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(OpenMenus().empty());
  // The window system here moves no windows, so the dialog follows the pointer itself.
  const QPoint to = dialog.mapToGlobal(QPoint(30, 25));
  QTest::mouseMove(&dialog, QPoint(30, 25));
  QTest::mouseRelease(&dialog, Qt::LeftButton, {}, dialog.mapFromGlobal(to));  // where the pointer is now
  EXPECT_EQ(QPoint(70, 55), dialog.pos());
  EXPECT_TRUE(dialog.messages.empty());

  // A child dialog drags the window it lies in.
  Dialog panel;
  panel.CreateChild(&dialog, QRect(100, 100, 80, 60));
  EXPECT_FALSE(panel.isWindow());
  EXPECT_EQ(QRect(100, 100, 80, 60), panel.geometry());
  QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(5, 5));
  const QPoint panelTo = panel.mapToGlobal(QPoint(15, 5));
  QTest::mouseMove(&panel, QPoint(15, 5));
  QTest::mouseRelease(&panel, Qt::LeftButton, {}, panel.mapFromGlobal(panelTo));
  EXPECT_EQ(QPoint(80, 55), dialog.pos());
}

TEST(SkinnedDialog, CentresOverAnotherWindow) {
  Dialog owner;
  owner.setGeometry(100, 100, 600, 400);
  Dialog box(&owner);
  box.resize(200, 100);
  box.CenterOver(&owner);
  EXPECT_EQ(QPoint(100 + 200, 100 + 150), box.pos());
}

namespace {

// A dialog that builds itself with a slider and a swatch-like plain widget in it and counts
// its builds; whether it shows itself when built is the test's choice.
class BuiltDialog : public Dialog {
 public:
  explicit BuiltDialog(bool showWhenBuilt = true) : showWhenBuilt_(showWhenBuilt) {}
  void OnInitDialog() override {
    ++builds;
    resize(300, 200);
    if (showWhenBuilt_) ShowModeless();
  }
  int builds = 0;

 private:
  bool showWhenBuilt_;
};

}  // namespace

TEST(SkinnedDialog, APressOnAControlThatDoesNotTakeItMovesNothing) {
  Restore restore;
  UseBuildFolder();
  Dialog dialog;
  dialog.resize(300, 200);
  dialog.move(50, 40);
  const QImage face = Solid(QSize(300, 200), qRgb(20, 20, 20));
  CPngSliderBar bar;
  const QImage thumb = Solid(QSize(10, 14), qRgb(200, 100, 0));
  ASSERT_TRUE(CreatePngSlider(thumb, &dialog, face, bar, 0, 5, 149, QPoint(0, 6), QRect(20, 20, 180, 18),
                              QRect(20, 20, 180, 18)));
  bar.Slider().SetScalePos(6);
  QWidget swatch(&dialog);  // takes no presses of its own
  swatch.setGeometry(20, 100, 30, 30);
  dialog.ShowModeless();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

  // A click on the track right of the thumb sets the slider and posts 0x800 on the release.
  const int x = bar.Slider().PositionOf(4);
  QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(x, 9));
  Pump();
  EXPECT_EQ(4, bar.GetPos());
  ASSERT_EQ(1u, dialog.messages.size());
  EXPECT_EQ((MessageLog::Message{WM_SLIDER_DONE, 4, 149}), dialog.messages[0]);
  EXPECT_EQ(QPoint(50, 40), dialog.pos());

  // A press on the plain widget passes to the dialog, which does not start a drag.
  QTest::mousePress(&swatch, Qt::LeftButton, {}, QPoint(5, 5));
  QTest::mouseMove(&swatch, QPoint(25, 25));
  QTest::mouseRelease(&swatch, Qt::LeftButton, {}, QPoint(25, 25));
  EXPECT_EQ(QPoint(50, 40), dialog.pos());
}

TEST(SkinnedDialog, TheMainRunEndsOnCloseNotWhenHidden) {
  Restore restore;
  UseBuildFolder();
  BuiltDialog dialog;
  HWND hwnd = dialog.hwnd();
  bool hiddenWhileRunning = false;
  QTimer::singleShot(0, [&] {
    EXPECT_EQ(1, dialog.builds);
    dialog.hide();
    // A message box closed while the main window is hidden does not end anything either.
    QWidget box;
    box.show();
    box.close();
    QTimer::singleShot(20, [&, hwnd] {
      hiddenWhileRunning = !dialog.isVisible();
      hwnd->post(hwnd, WM_CLOSE, 0, 0);
    });
  });
  EXPECT_EQ(IDCANCEL, dialog.RunMain());
  EXPECT_TRUE(hiddenWhileRunning);
  EXPECT_EQ(1, dialog.builds);
}

TEST(SkinnedDialog, AWindowThatStartsHiddenIsBuiltAndItsCloseEndsTheRun) {
  Restore restore;
  UseBuildFolder();
  BuiltDialog dialog(false);
  dialog.InitDialog();
  EXPECT_EQ(1, dialog.builds);
  EXPECT_FALSE(dialog.isVisible());
  HWND hwnd = dialog.hwnd();
  QTimer::singleShot(0, [hwnd] { hwnd->post(hwnd, WM_CLOSE, 0, 0); });
  EXPECT_EQ(IDCANCEL, dialog.RunMain());
  dialog.ShowModeless();  // a later show does not build it again
  EXPECT_EQ(1, dialog.builds);
  dialog.hide();
}

TEST(SkinnedDialog, ControlsWhoseCreationFailedNeverBecomeWindows) {
  Restore restore;
  SkinFolder empty;  // no images: every creation fails
  empty.Use();
  Dialog dialog;
  CPngBtn button;
  CPngSliderBar bar;
  EXPECT_FALSE(CreatePngBtn(button, &dialog, QPoint(0, 0), "none.png", "none.png", "none.png", false, nullptr));
  button.show();
  bar.show();
  EXPECT_FALSE(button.isVisible());
  EXPECT_FALSE(bar.isVisible());
  // Not even a window of the window system was made for them.
  EXPECT_EQ(nullptr, button.windowHandle());
  EXPECT_EQ(nullptr, bar.windowHandle());
}

TEST(SkinnedDialog, EveryWindowCarriesTheProgramIcon) {
  Restore restore;
  SkinFolder folder;
  folder.Use();
  // Without appico.ico: the built-in icon.
  Dialog plain;
  EXPECT_FALSE(plain.windowIcon().isNull());
  const QImage builtIn = plain.windowIcon().pixmap(16, 16).toImage();

  QImage red = Solid(QSize(16, 16), qRgb(255, 0, 0));
  ASSERT_TRUE(red.save(QString::fromStdString(folder.path() + "appico.ico"), "ICO"));
  Dialog withFile;
  const QImage fromFile = withFile.windowIcon().pixmap(16, 16).toImage();
  EXPECT_EQ(qRgb(255, 0, 0), fromFile.pixel(8, 8) | 0xFF000000u);
  EXPECT_NE(builtIn, fromFile);
}
