// SPDX-License-Identifier: GPL-2.0-or-later
// Every word the windows show comes from the text table: with a table whose every text is
// replaced by its key ("§tc_ok§"), the main window, the key function picker on each of its
// pages, the macro editor, the message and text boxes and the progress dialog show no
// English word of the program, neither as a control's text nor as a text drawn through
// DrawText. What is left besides the keys are key names, numbers and units.
#include "tests/gui/main_window_fixture.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <set>

#include "controls/draw_text.h"
#include "model/key_names.h"
#include "text/utf.h"
#include "ui/key_fun_pick_dlg.h"
#include "ui/macro_dlg.h"
#include "ui/qt_translation.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QTranslator>

using namespace main_window_test;

namespace {

std::vector<QString>& Drawn() {
  static std::vector<QString> texts;
  return texts;
}
void Collect(const QString& text, const QRect&) { Drawn().push_back(text); }

// The texts of the visible windows' controls.
void CollectWidgetTexts(std::vector<QString>& out) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (!top->isVisible()) continue;
    QList<QWidget*> all = top->findChildren<QWidget*>();
    all.push_back(top);
    for (QWidget* w : all) {
      if (!w->isVisible()) continue;
      if (auto* b = qobject_cast<QAbstractButton*>(w)) out.push_back(b->text());
      if (auto* l = qobject_cast<QLabel*>(w)) out.push_back(l->text());
      if (auto* e = qobject_cast<QLineEdit*>(w)) out.push_back(e->text() + " " + e->placeholderText());
      if (auto* p = qobject_cast<CPngBtn*>(w)) out.push_back(QString::fromStdU16String(p->Caption()));
      if (!w->toolTip().isEmpty()) out.push_back(w->toolTip());
    }
  }
}

// The words that are no English of the program: key names, units.
const std::set<QString>& Allowed() {
  static const std::set<QString> words = [] {
    std::set<QString> s = {"ms"};
    for (uint32_t vk = 1; vk < 256; ++vk) {
      for (const QString& w : QString::fromStdU16String(KeyName(vk, KeyNaming::For(Settings()))).split(QRegularExpression("[^A-Za-z]+"))) {
        if (!w.isEmpty()) s.insert(w);
      }
    }
    return s;
  }();
  return words;
}

// The English words left in a text once the table's keys are taken out.
QStringList EnglishWords(const QString& text) {
  QString rest = text;
  rest.remove(QRegularExpression(QStringLiteral("§[a-z0-9_]+§")));
  QStringList words;
  for (const QString& w : rest.split(QRegularExpression("[^A-Za-z]+"))) {
    if (w.size() >= 2 && Allowed().count(w) == 0) words.push_back(w);
  }
  return words;
}

class WindowTextsTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // Every text replaced by its key.
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tastor><config>\n";
    TextTable::Instance().ForEach([&](std::string_view key, const std::u16string& text) {
      const std::string k(key);
      // The title and the instance name are the program's identity, not words it shows.
      const std::string value = k == "tc_mutex" || k == "tc_title" || k == "tc_web" || k == "tc_web2" ? ToUtf8(text) : "§" + k + "§";
      xml += "<" + k + ">" + value + "</" + k + ">\n";
    });
    xml += "</config></tastor>\n";
    WriteFile(user_.path() + "keys.xml", xml);
    TextTable::Instance().Load(user_.path() + "keys.xml");
    ASSERT_EQ(u"§tc_ok§", TextTable::Instance().tc_ok);
    Drawn().clear();
    SetDrawnTextObserver(Collect);
  }
  void TearDown() override {
    SetDrawnTextObserver(nullptr);
    real_.reset();
    MainWindowTest::TearDown();
    TextTable::Instance().Load(BinDir() + "text.xml");
  }
  // Looks at what is on the screen now.
  void Look(const char* where) {
    Pump(30);
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->isVisible()) top->repaint();
    }
    std::vector<QString> texts = Drawn();
    CollectWidgetTexts(texts);
    for (const QString& t : texts) {
      const QStringList words = EnglishWords(t);
      EXPECT_TRUE(words.isEmpty()) << where << ": \"" << t.toStdString() << "\" has " << words.join(",").toStdString();
    }
    Drawn().clear();
  }
  std::unique_ptr<CTastorDlg> real_;
};

// Runs fn on the modal window of type T once it is up.
template <typename T>
void WhenUp(std::function<void(T&)> fn) {
  auto* timer = new QTimer;
  timer->setInterval(5);
  QObject::connect(timer, &QTimer::timeout, [timer, fn] {
    auto* w = qobject_cast<T*>(QApplication::activeModalWidget());
    if (w == nullptr || !w->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    fn(*w);
  });
  timer->start();
}

void Click(QWidget& w) { QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(5, 5)); }

}  // namespace

TEST_F(WindowTextsTest, NoWindowShowsAnEnglishWordOfItsOwn) {
  real_ = std::make_unique<CTastorDlg>(true);
  real_->InitDialog();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(real_.get()));
  CTastorDlg& w = *real_;
  Look("main window");

  // The picker, before a page is chosen and on each page; OK without a choice says so.
  bool picked = false;
  WhenUp<CKeyFunPickDlg>([&](CKeyFunPickDlg& p) {
    Look("picker");
    for (int page = 1; page <= 3; ++page) {
      Click(p.PageButton(page));
      Look("picker page");
    }
    WhenUp<CMsgDlg>([&](CMsgDlg& box) {
      Look("message box");
      Click(box.OkButton());
    });
    Click(p.PageButton(1));
    Click(p.OkButton());
    Click(p.CancelButton());
    picked = true;
  });
  QTest::mouseClick(&w.Picture(), Qt::LeftButton, {}, KeyCentre(KeyOf('K')));
  QTRY_VERIFY_WITH_TIMEOUT(picked, 10000);

  // The macro editor with a new macro and a recorded key.
  bool edited = false;
  WhenUp<CMacroDlg>([&](CMacroDlg& m) {
    Look("macro editor");
    m.close();
    edited = true;
  });
  Click(w.MacroButton());
  QTRY_VERIFY_WITH_TIMEOUT(edited, 10000);

  // The text box of "Link program…" and the progress dialog of Apply.
  bool linked = false;
  WhenUp<CMsgDlg>([&](CMsgDlg& box) {
    Look("text box");
    Click(box.CancelButton());
    linked = true;
  });
  w.OnProfileMenuCommand(CLinkProgramMenu::kLinkProgram);
  QTRY_VERIFY(linked);
  bool progressed = false;
  WhenUp<CProgressDlg>([&](CProgressDlg&) {
    Look("progress");
    progressed = true;
  });
  Click(w.ApplyButton());
  QTRY_VERIFY_WITH_TIMEOUT(progressed || QApplication::activeModalWidget() == nullptr, 10000);
  w.close();
  Pump(20);
}

TEST(WindowTextsCheck, FindsAnEnglishWordWhereThereIsOne) {
  EXPECT_TRUE(EnglishWords(QStringLiteral("§tc_ok§ Ctrl + A 50 ms 100 %")).isEmpty());
  EXPECT_EQ(QStringList{"Save"}, EnglishWords(QStringLiteral("§tc_macro_msg19§ Save")));
}

TEST(QtTexts, TheFileDialogSpeaksTheLanguageOfTheTexts) {
  if (!QFileInfo::exists(QtTranslationsFolder() + "/qtbase_de.qm")) GTEST_SKIP() << "Qt's German translation is not installed";
  QTranslator none;
  EXPECT_FALSE(LoadQtTranslations("en", none));
  EXPECT_FALSE(LoadQtTranslations("", none));
  QTranslator german;
  ASSERT_TRUE(LoadQtTranslations("de_AT", german));
  QFileDialog dialog(nullptr, QString(), QString(), QString());
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  QStringList buttons;
  for (QPushButton* b : dialog.findChildren<QPushButton*>()) buttons.push_back(b->text().remove('&'));
  QCoreApplication::removeTranslator(&german);
  EXPECT_TRUE(buttons.contains("Abbrechen")) << buttons.join(",").toStdString();
  EXPECT_FALSE(buttons.contains("Cancel"));
}

