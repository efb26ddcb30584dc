#include "ui/start_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "app/log.h"
#include "app/paths.h"
#include "app/settings.h"
#include "device/apply_job.h"
#include "device/keyboard_status.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "model/key_names.h"
#include "model/profile.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "platform/messages.h"
#include "skin/skin_image.h"
#include "text/text_table.h"
#include "ui/kb_color_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/window_message.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

// The keyboard picture's parent: passes the picture's key clicks on.
class PictureHost : public QWidget {
 public:
  explicit PictureHost(std::function<void(int)> onClick) : onClick_(std::move(onClick)) {}

 protected:
  bool event(QEvent* e) override {
    if (WindowMessageOf(e) == WM_KEY_CLICKED) {
      onClick_(static_cast<int>(static_cast<WindowMessageEvent*>(e)->wParam));
      return true;
    }
    return QWidget::event(e);
  }

 private:
  std::function<void(int)> onClick_;
};

std::string DeviceId() {
  char id[40];
  std::snprintf(id, sizeof id, "VID_%04X&PID_%04X", Settings().VID, Settings().PID);
  return id;
}

}  // namespace

CStartDlg::CStartDlg(bool simulate, QWidget* parent) : QDialog(parent), simulate_(simulate) {
  const AppSettings& s = Settings();
  setWindowTitle(Q(s.Title));

  // The skin's dark face, so that the keyboard picture sits in its own colours.
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, QColor(27, 28, 32));
  palette.setColor(QPalette::WindowText, QColor(220, 220, 225));
  palette.setColor(QPalette::Text, QColor(220, 220, 225));
  palette.setColor(QPalette::Base, QColor(38, 39, 45));
  palette.setColor(QPalette::Button, QColor(45, 46, 52));
  palette.setColor(QPalette::ButtonText, QColor(230, 230, 235));
  palette.setColor(QPalette::Highlight, QColor(255, 140, 0));
  setPalette(palette);
  setAutoFillBackground(true);

  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel(Q(s.Title.empty() ? u"Tastor" : s.Title));
  QFont big = heading->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  heading->setFont(big);
  auto* version = new QLabel(Q(TextTable::Instance().tc_version));
  auto* top = new QHBoxLayout;
  top->addWidget(heading);
  top->addStretch();
  top->addWidget(version);
  layout->addLayout(top);

  // The keyboard picture, as the main window shows it at rcKB over its background.
  auto* host = new PictureHost([this](int key) { OnKeyClicked(key); });
  const QRect kb(s.rcKB.left, s.rcKB.top, s.rcKB.Width(), s.rcKB.Height());
  host->setFixedSize(kb.size());
  picture_ = new CKBColorDlg;
  picture_->SetColors(s.ClrKeyOv, s.ClrKeyDn, s.ClrKeyHasFunc);
  picture_->SetKeyRects(s.KeyTable);
  const QImage face = LoadSkinImage("main.png").Image();
  if (!face.isNull()) picture_->SetPictureBackground(face.copy(kb));
  if (s.UnRectKey.Used()) {
    for (int i = 0; i < s.KeyTable.count; ++i) {
      if (s.KeyTable.keys[static_cast<std::size_t>(i)].matrixPos != s.UnRectKey.MatrixPosition()) continue;
      const std::vector<Point> corners = s.UnRectKey.Corners();
      picture_->SetPolygonKey(i, corners);
    }
  }
  picture_->CreateChild(host, QRect(QPoint(0, 0), kb.size()));
  layout->addWidget(host, 0, Qt::AlignHCenter);

  keyInfo_ = new QLabel(tr("Click a key to see its function. Keys framed in the accent colour have a function of their own."));
  layout->addWidget(keyInfo_);

  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel(tr("Profile:")));
  profiles_ = new QComboBox;
  row->addWidget(profiles_);
  row->addSpacing(16);
  status_ = new QLabel;
  status_->setWordWrap(true);
  row->addWidget(status_, 1);
  auto* search = new QPushButton(tr("Search again"));
  row->addWidget(search);
  apply_ = new QPushButton(Q(TextTable::Instance().tc_apply.empty() ? u"Apply" : TextTable::Instance().tc_apply));
  apply_->setDefault(true);
  row->addWidget(apply_);
  layout->addLayout(row);

  auto* note = new QLabel(tr("This build has no editor for key functions, lighting and macros yet; "
                             "tastor-cli shows and applies what is stored."));
  note->setEnabled(false);
  layout->addWidget(note);

  connect(search, &QPushButton::clicked, this, &CStartDlg::SearchKeyboard);
  connect(apply_, &QPushButton::clicked, this, &CStartDlg::ApplyCurrentProfile);

  // As the main window starts: the macro library, the profiles, then the keyboard.
  LoadMacroLibrary(TheMacroLibrary(), Paths().MacroFolder(), s);
  LoadProfilesAtStartup(TheProfileStore(), Paths().userDataFolder, s, TextTable::Instance().tc_proname);
  for (const Profile* p : TheProfileStore().Profiles()) {
    if (profiles_->count() == 3) break;
    profiles_->addItem(Q(p->Name()), p->id);
    if (p == TheProfileStore().Current()) profiles_->setCurrentIndex(profiles_->count() - 1);
  }
  connect(profiles_, &QComboBox::currentIndexChanged, this, [this](int index) {
    ProfileStore& store = TheProfileStore();
    auto lock = store.Lock();
    store.SetCurrent(profiles_->itemData(index).toUInt());
    picture_->ResetClickedKey();
    ShowProfile();
  });
  ShowProfile();

  if (simulate_) PrepareSimulatorFolder(Paths().userDataFolder);
  if (!driver_.LoadDriver(Paths().programFolder, simulate_)) {
    status_->setText(tr("The HID library %1 could not be loaded.")
                         .arg(QString::fromStdString(HidLibraryPath(Paths().programFolder, simulate_))));
    apply_->setEnabled(Settings().GoWithNoDev != 0);
  } else {
    SearchKeyboard();
  }
  workerStarted_ = StartApplyWorker(&driver_) == 1;
}

CStartDlg::~CStartDlg() {
  if (workerStarted_) StopApplyWorker([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
  driver_.ClearHandle();
}

void CStartDlg::done(int result) {
  // The worker ends with the window, as it started with it.
  if (workerStarted_) {
    StopApplyWorker([] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
    workerStarted_ = false;
  }
  QDialog::done(result);
}

void CStartDlg::SearchKeyboard() {
  const bool found = driver_.FindDev() == 1;
  const std::string why = FindResultMessage(driver_.LastFindResult(), DeviceId(), driver_);
  if (found) {
    status_->setText(simulate_ ? tr("Keyboard found (simulated).") : tr("Keyboard found."));
  } else {
    std::string text = why;
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    status_->setText(QString::fromStdString(text) + ".");
  }
  apply_->setEnabled(found || Settings().GoWithNoDev != 0);
}

void CStartDlg::ApplyCurrentProfile() {
  if (!workerStarted_) return;
  CProgressDlg progress(this);
  SetUpApplyProgress(progress);
  RequestApply(0x8007);
  progress.RunModal();
  // As after the main window's full apply: the profiles and the current id are stored.
  const ProfileStore& store = TheProfileStore();
  SaveProfiles(store, Paths().userDataFolder);
  SaveCurrentId(store, Paths().userDataFolder);
}

void CStartDlg::ShowProfile() {
  const Profile* profile = TheProfileStore().Current();
  const KeyTable& table = Settings().KeyTable;
  for (int i = 0; i < table.count; ++i) {
    const auto k = static_cast<std::size_t>(i);
    picture_->SetKeyFlag(i, profile != nullptr && !IsDefaultFunction(profile->keys[k], table.keys[k]) ? 1 : 0);
  }
  picture_->Redraw();
}

void CStartDlg::OnKeyClicked(int key) {
  const Profile* profile = TheProfileStore().Current();
  if (profile == nullptr || key < 0 || key >= kKeyCount) return;
  const KeyFunction& f = profile->keys[static_cast<std::size_t>(key)];
  const KeyFunction& def = Settings().KeyTable.keys[static_cast<std::size_t>(key)];
  const QString name = Q(FunctionName(f));
  keyInfo_->setText(tr("Key %1: %2%3")
                        .arg(Q(FunctionName(def)).isEmpty() ? QString::number(key) : Q(FunctionName(def)))
                        .arg(name.isEmpty() ? tr("no function") : name)
                        .arg(IsDefaultFunction(f, def) ? tr(" (its default)") : QString()));
}

bool CStartDlg::event(QEvent* e) {
  if (WindowMessageOf(e) == WM_TRAY_NOTIFY) {
    const auto* message = static_cast<WindowMessageEvent*>(e);
    if (message->lParam == WM_LBUTTONDBLCLK) Wake();
    return true;
  }
  return QDialog::event(e);
}

void CStartDlg::Wake() {
  WriteLog("Wake: shown and raised");
  showNormal();
  raise();
  activateWindow();
}
