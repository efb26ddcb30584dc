// SPDX-License-Identifier: GPL-2.0-or-later
// The road of a key assignment through the real picker: a key of the main window's
// keyboard picture clicked, a combination typed, a media function or a macro picked (one
// of them recorded in the macro editor first), OK, and the apply that ApplyNow posts
// reaching the simulated keyboard's reports 9 and 12 with the entries the core's encoding
// gives.
#include "tests/gui/main_window_fixture.h"

#include "model/device_matrix.h"
#include "macro/macro_encoding.h"
#include "macro/macro_library.h"
#include "model/key_pick.h"
#include "ui/key_fun_pick_dlg.h"
#include "ui/macro_dlg.h"
#include "macro/macro_files.h"

using namespace main_window_test;

namespace {

// The picker of the running main window, once it is up (the picture posts its click, so
// the picker opens after the click has been delivered).
void WhenPickerUp(std::function<void(CKeyFunPickDlg&)> fn) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, fn] {
    auto* picker = qobject_cast<CKeyFunPickDlg*>(QApplication::activeModalWidget());
    if (picker == nullptr || !picker->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    fn(*picker);
  });
  timer->start();
}

void Click(QWidget& w) { QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(5, 5)); }

void Key(QWidget* to, QEvent::Type type, int key, quint32 x) {
  QKeyEvent e(type, key, {}, x, 0, 0);
  QApplication::sendEvent(to, &e);
}

class PickerRoadTest : public MainWindowTest {
 protected:
  CTastorDlg& OpenReal() {
    real_ = std::make_unique<CTastorDlg>(true);
    real_->InitDialog();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(real_.get()));
    return *real_;
  }
  void TearDown() override {
    real_.reset();
    MainWindowTest::TearDown();
  }
  // Report 9 as the simulated keyboard keeps it, and as the core encodes the profile.
  std::string Report9() { return ReadFile(user_.path() + "sim/report-09.bin"); }
  std::string Encoded() {
    const Profile profile = CurrentProfile();
    DeviceMatrix matrix{};
    KEYINFO_2_Matrix(profile.keys, Settings().KeyTable, MacroSet{}, matrix);
    const auto bytes = MatrixBytes(matrix);
    return std::string(bytes.begin(), bytes.end());
  }
  // The macro buffer (report 12) the core makes of the profile with these macros.
  static std::string EncodedMacros(const Profile& profile, MacroSet macros) {
    DeviceMatrix matrix{};
    KEYINFO_2_Matrix(profile.keys, Settings().KeyTable, macros, matrix);
    MacroBuffer buffer{};
    EXPECT_EQ(1, BuildMacroBuffer(profile.keys, macros, matrix, buffer, Limits(), Settings().KeyTable.count));
    return std::string(buffer.begin(), buffer.end());
  }
  // The keyboard holds what the core makes of the profile and the library's macros.
  void ExpectKeyboardHolds(const Profile& profile) {
    const MacroSet macros = TheMacroLibrary().SnapshotFor(profile.keys);
    EXPECT_EQ(EncodedMacros(profile, macros), ReadFile(user_.path() + "sim/report-12.bin"));
    MacroSet forMatrix = macros;
    DeviceMatrix matrix{};
    KEYINFO_2_Matrix(profile.keys, Settings().KeyTable, forMatrix, matrix);
    MacroBuffer buffer{};
    BuildMacroBuffer(profile.keys, forMatrix, matrix, buffer, Limits(), Settings().KeyTable.count);
    const auto bytes = MatrixBytes(matrix);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), Report9());
  }
  std::unique_ptr<CTastorDlg> real_;
};

// On the picker's macro page: the named macro clicked, then OK.
void ChooseMacroInPicker(std::u16string name) {
  WhenPickerUp([name](CKeyFunPickDlg& p) {
    Click(p.PageButton(2));
    CTreeCtrlEx& tree = p.MacroTree();
    HTREEITEM item = nullptr;
    for (HTREEITEM i : tree.Children(tree.Root())) {
      if (tree.GetItemText(i) == name) item = i;
    }
    if (item == nullptr) {
      ADD_FAILURE() << "the macro page does not list the macro";
      Click(p.CancelButton());
      return;
    }
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.ItemRect(item).center());
    Click(p.OkButton());
  });
}

}  // namespace

TEST_F(PickerRoadTest, ACombinationAndAMediaFunctionChosenInThePickerReachReport9) {
  Settings().ApplyNow = 1;
  PickerKeyHistory() = KeyPressHistory{};
  CTastorDlg& w = OpenReal();
  BoxAnswerer boxes;  // a message would mean the picker found nothing chosen
  const int key = KeyOf('C');
  ASSERT_GE(key, 0);
  const std::size_t k = static_cast<std::size_t>(key);
  const int position = Settings().KeyTable.keys[k].matrixPos;

  WhenPickerUp([](CKeyFunPickDlg& p) {
    Click(p.PageButton(1));
    QWidget* focus = &p;
    Key(focus, QEvent::KeyPress, Qt::Key_Control, 37);
    Key(focus, QEvent::KeyPress, Qt::Key_V, 55);
    Key(focus, QEvent::KeyRelease, Qt::Key_V, 55);
    Key(focus, QEvent::KeyRelease, Qt::Key_Control, 37);
    Click(p.OkButton());
  });
  QTest::mouseClick(&w.Picture(), Qt::LeftButton, {}, KeyCentre(key));
  WaitForRuns(1);
  ASSERT_EQ(1u, Runs().size());
  EXPECT_EQ(1u, Runs()[0].flags);
  Profile stored = CurrentProfile();
  EXPECT_EQ(0x02000000u, stored.keys[k].code);
  EXPECT_EQ(MOD_LCTRL, stored.keys[k].modifiers);
  EXPECT_EQ('V', stored.keys[k].key1);
  EXPECT_EQ(position, stored.keys[k].matrixPos);
  std::string report = Report9();
  ASSERT_EQ(504u, report.size());
  EXPECT_EQ(Encoded(), report);
  uint32_t entry = 0;
  std::memcpy(&entry, report.data() + 4 * position, 4);
  EXPECT_EQ(keyinfo_to_hardware_code(stored.keys[k], MacroSet{}), entry);

  // The same key gets mute from the media page.
  WhenPickerUp([](CKeyFunPickDlg& p) {
    Click(p.PageButton(3));
    // The list by the keyboard: F4 opens it, the sixth item is mute.
    p.MediaButton().setFocus();
    QTest::keyClick(&p.MediaButton(), Qt::Key_F4);
    if (OpenMenus().size() != 1) {
      ADD_FAILURE() << "the media list did not open";
      Click(p.CancelButton());
      return;
    }
    for (int i = 0; i < 6; ++i) QTest::keyClick(&p.MediaButton(), Qt::Key_Down);
    QTest::keyClick(&p.MediaButton(), Qt::Key_Return);
    Pump();
    Click(p.OkButton());
  });
  QTest::mouseClick(&w.Picture(), Qt::LeftButton, {}, KeyCentre(key));
  WaitForRuns(2);
  ASSERT_EQ(2u, Runs().size());
  stored = CurrentProfile();
  EXPECT_EQ(0x04000028u, stored.keys[k].code);
  report = Report9();
  EXPECT_EQ(Encoded(), report);
  std::memcpy(&entry, report.data() + 4 * position, 4);
  EXPECT_EQ(keyinfo_to_hardware_code(stored.keys[k], MacroSet{}), entry);
  EXPECT_NE(0u, entry);
  EXPECT_TRUE(boxes.messages.empty());
}

TEST_F(PickerRoadTest, AMacroChosenOnTheMacroPageReachesReports12And9) {
  Settings().ApplyNow = 1;
  MacroRecord jump = MakeDefaultMacro(0x4242, u"x");
  jump.Events[0] = {'A', 1, 120};
  jump.Events[1] = {'A', 0, 0};
  const auto image = MacroFileImage(jump);
  user_.Write("Mac/Jump.mck", std::string(image.begin(), image.end()));
  CTastorDlg& w = OpenReal();
  BoxAnswerer boxes;
  const int key = KeyOf('C');
  ASSERT_GE(key, 0);
  const std::size_t k = static_cast<std::size_t>(key);

  ChooseMacroInPicker(u"Jump");
  QTest::mouseClick(&w.Picture(), Qt::LeftButton, {}, KeyCentre(key));
  WaitForRuns(1);
  ASSERT_EQ(1u, Runs().size());
  const Profile stored = CurrentProfile();
  EXPECT_EQ(5u, stored.keys[k].code >> 24);
  EXPECT_EQ(0x4242, stored.keys[k].macroId);

  ExpectKeyboardHolds(stored);
  EXPECT_TRUE(boxes.messages.empty());
}

TEST_F(PickerRoadTest, AMacroRecordedInTheEditorIsPutOnAKeyAndReachesTheKeyboard) {
  // The whole road in one run of the main window: Macros opens the editor, a macro is
  // recorded from typed keys and saved, the picker puts it on a key, and the apply writes
  // the macro buffer and the matrix that the core makes of what was saved.
  Settings().ApplyNow = 1;
  Settings().HookDLL = 0;
  Settings().MacroDir = 1;
  MacroRecord empty = MakeDefaultMacro(0x5151, u"x");
  const auto image = MacroFileImage(empty);
  user_.Write("Mac/Dash.mck", std::string(image.begin(), image.end()));
  CTastorDlg& w = OpenReal();
  BoxAnswerer boxes;
  const int key = KeyOf('C');
  ASSERT_GE(key, 0);
  const std::size_t k = static_cast<std::size_t>(key);

  bool recorded = false;
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, &recorded] {
    auto* editor = qobject_cast<CMacroDlg*>(QApplication::activeModalWidget());
    if (editor == nullptr || !editor->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    CTreeCtrlEx& tree = editor->LibraryTree();
    HTREEITEM item = nullptr;
    for (HTREEITEM i : tree.Children(tree.Root())) {
      if (tree.GetItemText(i) == u"Dash") item = i;
    }
    if (item != nullptr) {
      QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.ItemRect(item).center());
      Pump();
      Click(editor->RecordButton());
      Pump();
      for (int code : {Qt::Key_D, Qt::Key_S}) {
        Key(editor, QEvent::KeyPress, code, 0);
        Pump(15);
        Key(editor, QEvent::KeyRelease, code, 0);
        Pump(15);
      }
      Click(editor->RecordButton());
      Pump();
      recorded = editor->ListedEvents().size() >= 4;
      Click(editor->SaveButton());
      Pump();
    }
    Click(editor->CloseButton());
  });
  timer->start();
  Click(w.MacroButton());
  ASSERT_TRUE(recorded) << "the editor did not record the typed keys";

  MacroRecord saved;
  int err = 0;
  ASSERT_EQ(1, ReadMacroFile(user_.path() + "Mac/Dash.mck", saved, err));
  EXPECT_EQ('D', uint16_t{saved.Events[0].wKeyCode});
  EXPECT_EQ(1, uint16_t{saved.Events[0].wKeyDown});
  EXPECT_GE(saved.EventCount(), 4);

  ChooseMacroInPicker(u"Dash");
  QTest::mouseClick(&w.Picture(), Qt::LeftButton, {}, KeyCentre(key));
  WaitForRuns(1);
  ASSERT_EQ(1u, Runs().size());
  const Profile stored = CurrentProfile();
  EXPECT_EQ(5u, stored.keys[k].code >> 24);
  EXPECT_EQ(0x5151, stored.keys[k].macroId);

  ExpectKeyboardHolds(stored);
  // The keyboard's copy is not what the macro held before it was recorded.
  EXPECT_NE(EncodedMacros(stored, MacroSet({empty})), ReadFile(user_.path() + "sim/report-12.bin"));
  EXPECT_TRUE(boxes.messages.empty());
}

TEST_F(PickerRoadTest, APickerOpenedFromAWindowAtTheScreensEdgeLiesOnTheScreen) {
  CTastorDlg& w = OpenReal();
  const QRect area = w.screen()->availableGeometry();
  // The main window is larger than this screen: its top-left corner is kept on it.
  EXPECT_TRUE(area.contains(w.geometry().topLeft()));
  // Dragged so that most of it lies beyond the right edge and the bottom.
  w.move(area.right() - 340, area.bottom() - 200);
  QRect picker, box;
  WhenPickerUp([&](CKeyFunPickDlg& p) {
    picker = p.frameGeometry();
    // OK without a choice: the message box over the picker lies on the screen too.
    auto* answer = new QTimer(&p);
    answer->setInterval(5);
    QObject::connect(answer, &QTimer::timeout, [&box, answer] {
      auto* m = qobject_cast<CMsgDlg*>(QApplication::activeModalWidget());
      if (m == nullptr || !m->isVisible()) return;
      answer->stop();
      box = m->frameGeometry();
      Click(m->OkButton());
    });
    answer->start();
    Click(p.PageButton(1));
    Click(p.OkButton());
    Click(p.CancelButton());
  });
  QTest::mouseClick(&w.Picture(), Qt::LeftButton, {}, KeyCentre(KeyOf('K')));
  QTRY_VERIFY(!picker.isNull());
  QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
  EXPECT_TRUE(area.contains(picker)) << picker.x() << "," << picker.y() << " " << picker.width() << "x" << picker.height();
  EXPECT_TRUE(area.contains(box)) << box.x() << "," << box.y();
}

