// SPDX-License-Identifier: GPL-2.0-or-later
// The main window from the keyboard alone, with real key events: Tab goes through the
// controls in reading order and reaches the keys of the picture, the arrow keys move
// across the keys by rows and change a focused slider, Enter opens the picker for the focus
// key, Space presses the focused button, and the focus ring shows only after a key was
// pressed (a mouse press takes it away).
#include "tests/gui/main_window_fixture.h"

#include <QFocusFrame>

#include "model/profile_edit.h"
#include "ui/keyboard_picture_accessible.h"

using namespace main_window_test;

namespace {

QWidget* Focused() { return QApplication::focusWidget(); }

void Press(int key, Qt::KeyboardModifiers modifiers = {}) {
  ASSERT_NE(Focused(), nullptr);
  QTest::keyClick(Focused(), static_cast<Qt::Key>(key), modifiers);
  Pump();
}

// Tabs until the widget has the focus; false when it is not reached in `limit` steps.
bool TabTo(QWidget* target, int limit = 30) {
  for (int i = 0; i < limit && Focused() != target; ++i) {
    if (Focused() == nullptr) return false;
    QTest::keyClick(Focused(), Qt::Key_Tab);
    Pump();
  }
  return Focused() == target;
}

QFocusFrame* VisibleRing(QWidget& window) {
  for (QFocusFrame* ring : window.findChildren<QFocusFrame*>()) {
    if (ring->isVisible()) return ring;
  }
  return nullptr;
}

class KeyboardNavigation : public MainWindowTest {
 protected:
  TestMainWindow& OpenFocused() {
    TestMainWindow& w = Open();
    w.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    Pump();
    return w;
  }
};

TEST_F(KeyboardNavigation, TabReachesTheKeysArrowsMoveByRowsAndEnterOpensThePicker) {
  TestMainWindow& w = OpenFocused();
  ASSERT_NE(Focused(), nullptr);
  // Reading order: the three profile buttons come before the picture, Apply after it.
  ASSERT_TRUE(TabTo(&w.ProfileButton(0)));
  Press(Qt::Key_Tab);
  EXPECT_EQ(Focused(), &w.ProfileButton(1));
  ASSERT_TRUE(TabTo(&w.Picture()));
  CKBColorDlg& picture = w.Picture();
  const int first = picture.FocusKey();
  ASSERT_GE(first, 0);

  Press(Qt::Key_Right);
  const int right = picture.FocusKey();
  EXPECT_NE(right, first);
  EXPECT_GT(picture.KeyBounds(right).left(), picture.KeyBounds(first).left());
  EXPECT_EQ(picture.KeyBounds(right).center().y(), picture.KeyBounds(first).center().y());
  Press(Qt::Key_Down);
  const int below = picture.FocusKey();
  EXPECT_GT(picture.KeyBounds(below).top(), picture.KeyBounds(right).bottom());
  Press(Qt::Key_Up);
  EXPECT_EQ(picture.KeyBounds(picture.FocusKey()).center().y(), picture.KeyBounds(right).center().y());

  // The ring goes around the focus key.
  QFocusFrame* ring = VisibleRing(picture);
  ASSERT_NE(ring, nullptr);
  EXPECT_TRUE(ring->geometry().contains(picture.KeyBounds(picture.FocusKey())));

  const int key = picture.FocusKey();
  Press(Qt::Key_Return);
  ASSERT_EQ(w.calls.size(), 1u);
  EXPECT_EQ(w.calls[0].key, key);
  EXPECT_EQ(picture.ClickedKey(), key);

  EXPECT_TRUE(TabTo(&w.ApplyButton()));
}

TEST_F(KeyboardNavigation, SpacePressesTheFocusedButtonAndArrowsChangeTheFocusedSlider) {
  TestMainWindow& w = OpenFocused();
  ASSERT_TRUE(TabTo(&w.ProfileButton(2)));
  Press(Qt::Key_Space);
  EXPECT_EQ(CurrentProfile().id, w.ProfileButtonId(2));
  EXPECT_TRUE(w.ProfileButton(2).GetCheck());

  CPngSliderBar& bar = w.LightingPanel().BrightnessSlider();
  ASSERT_TRUE(bar.isVisible());
  ASSERT_TRUE(TabTo(&bar));
  Press(Qt::Key_Home);
  const int lowest = bar.Slider().Min();
  EXPECT_EQ(bar.GetPos(), lowest);
  Press(Qt::Key_Right);
  EXPECT_EQ(bar.GetPos(), lowest + 1);
  Pump(20);
  // As a click on the track: the panel shows and stores the new level.
  const Profile now = CurrentProfile();
  EXPECT_EQ(ModeSettingOf(now, now.ledMode).brightness, lowest + 1);
  Press(Qt::Key_End);
  EXPECT_EQ(bar.GetPos(), bar.Slider().Max());
  Press(Qt::Key_Right);
  EXPECT_EQ(bar.GetPos(), bar.Slider().Max());
}

TEST_F(KeyboardNavigation, TheRingShowsOnlyAfterAKeyAndGoesWithTheMouse) {
  TestMainWindow& w = OpenFocused();
  ClickKey(w, KeyOf('K'));
  EXPECT_EQ(VisibleRing(w), nullptr);
  Press(Qt::Key_Tab);
  QFocusFrame* ring = VisibleRing(w);
  ASSERT_NE(ring, nullptr);
  ASSERT_NE(Focused(), nullptr);
  EXPECT_TRUE(ring->geometry().contains(Focused()->geometry()) || ring->parentWidget() == Focused());
  QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(5, 5));
  Pump();
  EXPECT_EQ(VisibleRing(w), nullptr);
}

TEST(KeyNeighbours, RowsAsDrawnWithATallKey) {
  // Two rows of 40-pixel keys; the last key of the first row is two rows tall.
  const std::vector<QRect> keys = {QRect(0, 0, 40, 40),   QRect(50, 0, 40, 40), QRect(100, 0, 40, 90),
                                   QRect(0, 50, 60, 40),  QRect(70, 50, 20, 40)};
  EXPECT_EQ(NeighbourKey(keys, 0, KeyStep::kRight), 1);
  EXPECT_EQ(NeighbourKey(keys, 1, KeyStep::kRight), 2);
  EXPECT_EQ(NeighbourKey(keys, 2, KeyStep::kRight), 2);  // the edge: it stays
  EXPECT_EQ(NeighbourKey(keys, 4, KeyStep::kRight), 2);  // the tall key is in both rows
  EXPECT_EQ(NeighbourKey(keys, 1, KeyStep::kDown), 4);   // the key under its centre
  EXPECT_EQ(NeighbourKey(keys, 3, KeyStep::kUp), 0);
  EXPECT_EQ(NeighbourKey(keys, 0, KeyStep::kUp), 0);
  EXPECT_EQ(NeighbourKey(keys, -1, KeyStep::kLeft), 0);
}

}  // namespace
