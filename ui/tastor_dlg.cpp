// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/tastor_dlg.h"

#include "ui/key_fun_pick_dlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <utility>

#include "app/paths.h"
#include "app/program_settings.h"
#include "app/startup_trace.h"
#include "base/log.h"
#include "base/user_folder_lock.h"
#include "base/window_port.h"
#include "controls/accessible_controls.h"
#include "controls/draw_text.h"
#include "controls/keyboard_focus.h"
#include "device/apply_job.h"
#include "macro/macro_library.h"
#include "macro/macro_limits.h"
#include "macro/macro_scan.h"
#include "model/profile_edit.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "platform/messages.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "ui/file_dialogs.h"
#include "ui/kb_color_dlg.h"
#include "ui/keyboard_picture_accessible.h"
#include "ui/led_dlg.h"
#include "ui/macro_dlg.h"
#include "ui/msg_dlg.h"
#include "ui/progress_dlg.h"
#include "ui/dbus_service.h"
#include "ui/remote_control.h"
#include "ui/tray_presence.h"
#include "ui/user_message_box.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }
QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }
QPoint ToQPoint(Point p) { return QPoint(p.x, p.y); }
const TextTable& Texts() { return TextTable::Instance(); }

// The profile buttons are 33 pixels apart (a height of 25 and a gap of 8) whatever their
// image, and the apply button stands two button widths and a gap (126 pixels) right of
// ptApplyBtn.
constexpr int kProfileButtonStep = 33;
constexpr int kApplyButtonShift = 126;

// Where the window goes on one axis of the screen: centred, or 10 when centring leaves the
// screen or lands on its edge.
int CentredCoordinate(int screenSize, int windowSize) {
  const int difference = screenSize - windowSize;
  const int at = difference / 2;
  if (difference < 0 || at == 0 || at >= screenSize) return 10;
  return at;
}

constexpr unsigned kTextFormat = DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;

void KeepEventsFlowing() { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); }

// A shown window whose first paint does not come within this time starts the rest anyway.
constexpr int kLateStartFallbackMs = 500;

}  // namespace

CTastorDlg::CTastorDlg(bool simulate, QWidget* parent)
    : CSkinnedDialog(parent), simulate_(simulate), driver_(Settings()) {
  InstallAccessibleControls();
  InstallKeyboardPictureAccessible();
  setMouseTracking(true);
  font_ = WindowFont(14);
  presence_ = std::make_unique<CTrayPresence>(
      CTrayPresence::Host{this, &driver_, [this] { LoadProfiles(); }, [this](uint32_t id) { SelectProfile(id); }},
      simulate);
  linkMenu_.SetSave([this] { return SaveProfileFiles(false); });
}

CTastorDlg::~CTastorDlg() { Shutdown(); }

// ---- initialisation --------------------------------------------------------------------

void CTastorDlg::OnInitDialog() {
  const AppSettings& s = Settings();
  icon_ = windowIcon();

  if (!BuildSkin()) return;
  TraceStartup("skin and layout");
  setWindowTitle(Q(s.Title));
  // The simulated keyboard's memory folder is settled first, so that the watch over its
  // plug follows the same folder the driver opens.
  if (simulate_) PrepareSimulatorFolder(Paths().userDataFolder);
  presence_->Start();
  TraceStartup("device notifications");

  // The keyboard: searched once at the start; without one the program ends unless Suwnd
  // lets it run without.
  driver_.LoadDriver(Paths().programFolder, simulate_);
  if (driver_.FindDev() != 1 && s.Suwnd == 0) {
    CMsgDlg::Message(static_cast<QWidget*>(nullptr), Texts().tc_msg15);
    Windows().PostMessage(hwnd(), WM_CLOSE, 0, 0);
    return;
  }
  if (driver_.CountKeyboards() > 1) CMsgDlg::Message(static_cast<QWidget*>(nullptr), Texts().tc_msg11);
  TraceStartup("keyboard search");

  workerStarted_ = StartApplyWorker(&driver_) == 1;
  // Watched before they are read, so that no change made meanwhile goes unseen.
  TraceStartup("apply worker");
  // Watched before they are read, so that no change made meanwhile goes unseen; the macro
  // library itself is read after the first paint (FinishStart).
  WatchFiles();

  if (presence_->MayBeShown()) {
    if (isVisible()) {
      raise();
      activateWindow();
    } else {
      LoadProfiles();
      TraceStartup("profiles");
      show();
    }
  } else {
    // Hidden in the tray: the automatic switch needs the profiles all the same.
    LoadProfiles();
  }
  TraceStartup("profiles and show");
  // What the first paint does not need starts after it; a window that stays hidden (or
  // is never painted) starts it all the same.
  QTimer::singleShot(isVisible() ? kLateStartFallbackMs : 0, this, &CTastorDlg::FinishStart);
}

void CTastorDlg::FinishStart() {
  if (started_ || shutDown_) return;
  started_ = true;
  TraceStartup("after the first paint");
  LoadMacros();
  TraceStartup("macro library");
  presence_->AddTrayIcon(icon_);
  TraceStartup("tray icon");
  StartRemoteControl();
  TraceStartup("remote control");
  emit startFinished();
}

void CTastorDlg::StartRemoteControl() {
  remote_ = std::make_unique<CRemoteControl>(CRemoteControl::Host{
      this, [this] { return profileIds_; }, [this](uint32_t id) { SelectProfile(id); },
      [this] { return DevicePresent(); }, [this] { return driver_.CountKeyboards(); },
      [this] { presence_->OnTrayNotify(WM_LBUTTONDBLCLK); }, [this] { return SaveProfileFiles(true); }, simulate_});
  bus_ = std::make_unique<CDBusService>(*remote_);
  connect(this, &CTastorDlg::currentProfileChanged, bus_.get(), &CDBusService::NoteCurrentProfile);
  connect(presence_.get(), &CTrayPresence::profileSwitched, bus_.get(), &CDBusService::NoteCurrentProfile);
  bus_->Register();
}

void CTastorDlg::setVisible(bool visible) {
  if (visible && presence_ && !presence_->MayBeShown()) return;
  CSkinnedDialog::setVisible(visible);
}

void CTastorDlg::OnProfileMenuChoice(int value) {
  if (value == kMenuDelete) DeleteProfile();
  if (value == kMenuExport) ExportProfile();
  if (value == kMenuImport) ImportProfile();
  if (value > kMenuImport) OnProfileMenuCommand(value);
}

void CTastorDlg::OnProfileMenuCommand(int value) {
  TakeMenuProfile();
  linkMenu_.OnCommand(this, value);
}

void CTastorDlg::TakeMenuProfile() {
  const uint32_t id = std::exchange(menuProfileId_, 0);
  if (id == 0) return;
  const Profile* current = TheProfileStore().Current();
  if (current == nullptr || current->id != id) SelectProfile(id);
}

bool CTastorDlg::BuildSkin() {
  const AppSettings& s = Settings();
  const SkinImage face = LoadSkinImage("main_nr.png");
  if (face.Width() == 0) {
    Windows().MessageBox(nullptr, u"Load skins failed.", u"Error", MB_OK);
    Windows().PostMessage(hwnd(), WM_CLOSE, 0, 0);
    return false;
  }
  TraceStartup("main_nr.png");
  background_ = face.Image();
  SetBackground(background_, Fit::Stretch);
  ApplyWindowShape(this, LoadMainWindowShape(Paths().programFolder, face, Settings().clrMask));
  TraceStartup("window shape");

  setFixedSize(face.Size());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.left() + CentredCoordinate(area.width(), face.Width()),
         area.top() + CentredCoordinate(area.height(), face.Height()));
  }

  CreateButtons();
  TraceStartup("buttons");
  CreatePicture();
  TraceStartup("keyboard picture");
  CreateLightingPanel();
  SetKeyboardOrder();
  return true;
}

void CTastorDlg::SetKeyboardOrder() {
  // Tab goes as one reads the window: down the left column (profiles, macros, the lighting
  // panel, reset), then the keyboard picture, Apply, and the window's own buttons; the
  // first profile button has the focus when the window comes up. The ring is the colour of
  // the selected key's frame.
  const TextTable& t = Texts();
  min_.setAccessibleName(Q(t.tc_acc_minimise));
  exit_.setAccessibleName(Q(t.tc_acc_close));
  std::vector<QWidget*> order = {&profile_[0], &profile_[1], &profile_[2], &macro_};
  for (QWidget* w : led_->KeyboardOrder()) order.push_back(w);
  for (QWidget* w : std::initializer_list<QWidget*>{&reset_, picture_, &apply_, &web_, &min_, &exit_}) order.push_back(w);
  ::SetKeyboardOrder(*this, order);
  InstallFocusRing(QColor::fromRgb(ToQRgb(Settings().ClrKeyDn)));
}

void CTastorDlg::CreateButtons() {
  const AppSettings& s = Settings();
  const TextTable& t = Texts();
  const bool tips = s.BtnTips != 0;
  const QImage* bg = &background_;
  CreatePngBtn(min_, this, ToQPoint(s.ptMin), "min_nr.png", "min_ov.png", "min_ov.png", false, bg, nullptr, tips);
  CreatePngBtn(exit_, this, ToQPoint(s.ptExit), "exit_nr.png", "exit_ov.png", "exit_ov.png", false, bg, nullptr, tips);
  for (int n = 0; n < 3; ++n) {
    const std::u16string caption = t.tc_protitle + u" " + FromUtf8(std::to_string(n + 1));
    CreatePngBtn(profile_[static_cast<std::size_t>(n)], this, ToQPoint(s.ptProfile) + QPoint(0, n * kProfileButtonStep),
                 "button_nr.png", "button_nr.png", "button_dn.png", false, bg, caption.c_str(), tips);
  }
  CreatePngBtn(macro_, this, ToQPoint(s.ptMacro), "button_nr.png", "button_nr.png", "button_dn.png", false, bg,
               t.tc_page2.c_str(), tips);
  CreatePngBtn(reset_, this, ToQPoint(s.ptReset), "button_nr.png", "button_nr.png", "button_dn.png", false, bg,
               t.tc_restore.c_str(), tips);
  CreatePngBtn(apply_, this, ToQPoint(s.ptApplyBtn) + QPoint(kApplyButtonShift, 0), "btn_nr.png", "btn_nr.png",
               "btn_nr.png", false, bg, t.tc_apply.c_str(), tips);
  if (!t.tc_web.empty() && s.rcHomePage.Width() <= 0 && s.rcWeb.Width() > 0) {
    const QRect rect = ToQRect(s.rcWeb);
    if (CreatePngPushBtn(web_, this, rect, background_, background_, background_, &rect)) {
      web_.SetText(t.tc_web);
      web_.setCursor(Qt::PointingHandCursor);
      if (tips) web_.SetTooltipText(t.tc_web.c_str());
    }
  }
  for (CPngBtn* b : {&min_, &exit_, &profile_[0], &profile_[1], &profile_[2], &macro_, &reset_, &apply_, &web_}) {
    // Tab stops that a click does not focus: the mouse changes nothing.
    b->setFocusPolicy(Qt::TabFocus);
    connect(b, &QAbstractButton::clicked, this, &CTastorDlg::OnButton);
  }
}

void CTastorDlg::CreatePicture() {
  const AppSettings& s = Settings();
  const QRect area = ToQRect(s.rcKB);
  picture_ = new CKBColorDlg(this);
  picture_->SetColors(s.ClrKeyOv, s.ClrKeyDn, s.ClrKeyHasFunc);
  picture_->SetKeyRects(s.KeyTable);
  picture_->SetPictureBackground(background_.copy(area));
  picture_->CreateChild(this, area);
  if (s.UnRectKey.Used()) {
    for (int i = 0; i < s.KeyTable.count; ++i) {
      if (s.KeyTable.keys[static_cast<std::size_t>(i)].matrixPos != s.UnRectKey.MatrixPosition()) continue;
      const std::vector<Point> corners = s.UnRectKey.Corners();
      picture_->SetPolygonKey(i, corners);
      break;
    }
  }
}

void CTastorDlg::CreateLightingPanel() {
  const AppSettings& s = Settings();
  led_ = new CLedDlg(this, background_);
  led_->CreateChild(this, ToQRect(s.rcLED));
  led_->InitDialog();
  led_->SetPicture(picture_);
  if (s.ShowLED == 0) led_->hide();
}

// ---- profiles --------------------------------------------------------------------------

void CTastorDlg::LoadProfiles() {
  ProfileStore& store = TheProfileStore();
  uint32_t id = 0;
  {
    // Locked, so that what is noted as loaded is what was read. Reading alone is safe
    // without (files are replaced whole): a lock that cannot be had only goes to the log.
    const UserFolderLock folderLock = UserFolderLock::Take(Paths().userDataFolder);
    if (!folderLock.Held()) WriteLog("LoadProfiles: %s", folderLock.Error().c_str());
    ProfileFileLoad load;
    id = LoadProfilesAtStartup(store, Paths().userDataFolder, Settings(), Texts().tc_proname, DamagedProfiles::kKeepCopy,
                               &load);
    savedProfiles_ = ProfileFileImage(store);
    folderWatch_.NoteProfiles();
    if (load.state == ProfileFileState::kDamaged) TellDamagedProfiles(load);
  }
  profileIds_ = ProfileButtonIds(store);
  // The saved profile is made current again through SelectProfile, which shows it.
  SelectProfile(id);
}

void CTastorDlg::SelectProfile(uint32_t id) {
  {
    ProfileStore& store = TheProfileStore();
    auto lock = store.Lock();
    if (!store.SetCurrent(id)) return;
  }
  for (CPngBtn& b : profile_) {
    if (b.GetCheck()) b.SetCheck(false);
  }
  for (std::size_t n = 0; n < profile_.size(); ++n) {
    if (profileIds_[n] == id) profile_[n].SetCheck(true);
  }
  NameProfileButtons();
  RefreshFromProfile();
  emit currentProfileChanged();
}

void CTastorDlg::RefreshFromProfile() {
  const AppSettings& s = Settings();
  ProfileStore& store = TheProfileStore();
  auto lock = store.Lock();
  const Profile* profile = store.Current();
  if (picture_ != nullptr) {
    const auto flags = KeyFunctionFlags(profile, s.KeyTable);
    for (int i = 0; i < std::min(s.KeyTable.count, kKeyCount); ++i) picture_->SetKeyFlag(i, flags[static_cast<std::size_t>(i)]);
    std::array<COLORREF, kKeyCount> colours{};
    if (profile != nullptr) colours = PictureColours(*profile, profile->ledMode, s);
    picture_->SetKeyColors(colours);
    picture_->ResetClickedKey();
    picture_->Redraw();
  }
  if (led_ != nullptr && profile != nullptr) {
    led_->SetMode(profile->ledMode);
    led_->ShowMode(profile->ledMode, profile);
  }
}

void CTastorDlg::NameProfileButtons() {
  // A reader hears the button's caption and, where the profile has a name of its own, that.
  ProfileStore& store = TheProfileStore();
  auto lock = store.Lock();
  for (std::size_t n = 0; n < profile_.size(); ++n) {
    CPngBtn& b = profile_[n];
    const Profile* profile = store.FindById(profileIds_[n]);
    QString name = Q(b.Caption());
    const QString own = profile != nullptr ? Q(profile->Name()).trimmed() : QString();
    if (!own.isEmpty() && own != name) name += QStringLiteral(": ") + own;
    b.setAccessibleName(name);
  }
}

// ---- keys ------------------------------------------------------------------------------

void CTastorDlg::OnKeyClicked(int key) {
  KeyFunction function;
  COLORREF colour = 0;
  bool colourEditing = false;
  {
    ProfileStore& store = TheProfileStore();
    auto lock = store.Lock();
    const Profile* profile = store.Current();
    if (profile == nullptr || key < 0 || key >= kKeyCount) return;
    if (!KeyClickOpensPicker(*profile, Settings(), key)) return;
    colourEditing = ColourEditingAllowed(*profile, Settings());
    function = profile->keys[static_cast<std::size_t>(key)];
    colour = picture_->KeyColor(key);
  }
  const int kind = OpenKeyFunctionPicker(key, colourEditing, function, colour);
  ApplyPickerResult(kind, function, colour);
}

int CTastorDlg::OpenKeyFunctionPicker(int key, bool colourEditing, KeyFunction& function, COLORREF& colour) {
  CKeyFunPickDlg picker(this);
  picker.keyIndex = key;
  picker.colourSwitch = colourEditing ? 1 : 0;
  picker.function = function;
  if (picker.RunModal() != IDOK) return 0;
  if (picker.resultKind == CKeyFunPickDlg::RESULT_COLOUR) {
    colour = picker.colour;
    return 2;
  }
  function = picker.function;
  return 1;
}

void CTastorDlg::ApplyPickerResult(int kind, const KeyFunction& function, COLORREF colour) {
  if (kind == 1) {
    StoreKeyFunction(function);
    return;
  }
  if (kind != 2 || picture_ == nullptr) return;
  const int key = picture_->ClickedKey();
  if (key < 0) return;
  picture_->SetKeyColor(key, colour);
  picture_->Redraw();
  led_->StoreLighting();
  if (Settings().ApplyNow != 0) PostApplyRequest(4);
}

int CTastorDlg::SlotsForMacros() const { return Limits().bufferCount; }

void CTastorDlg::StoreKeyFunction(const KeyFunction& function) {
  const AppSettings& s = Settings();
  ProfileStore& store = TheProfileStore();
  auto lock = store.Lock();
  Profile* profile = store.Current();
  const int key = picture_ != nullptr ? picture_->ClickedKey() : -1;
  if (profile == nullptr || key < 0) return;
  const StoreResult result =
      ::StoreKeyFunction(*profile, key, function, s.KeyTable, TheMacroLibrary(), SlotsForMacros());
  if (result == StoreResult::kMacroLimit) {
    lock.unlock();
    CMsgDlg::Message(this, Texts().tc_msg8);
    return;
  }
  if (result != StoreResult::kStored) return;
  picture_->SetKeyFlag(key, KeyFunctionFlag(*profile, s.KeyTable, key));
  picture_->Redraw();
  lock.unlock();
  if (s.ApplyNow != 0) PostApplyRequest(1);
}

void CTastorDlg::ForgetMacro(int32_t macroId) {
  ProfileStore& store = TheProfileStore();
  auto lock = store.Lock();
  Profile* profile = store.Current();
  if (profile == nullptr) return;
  const std::vector<int> changed = ::ForgetMacro(*profile, macroId, Settings().KeyTable);
  if (changed.empty()) return;
  for (int key : changed) picture_->SetKeyFlag(key, 0);
  picture_->Redraw();
  lock.unlock();
  SaveProfileFiles(false);
}

void CTastorDlg::PostApplyRequest(uint32_t flags) { RequestApply(flags); }

void CTastorDlg::OpenMacroEditor() {
  CMacroDlg editor(this);
  editor.forgetMacro = [this](uint32_t macroId) { ForgetMacro(static_cast<int32_t>(macroId)); };
  editor.RunModal();
}

// ---- buttons ---------------------------------------------------------------------------

void CTastorDlg::OnButton() {
  CloseSkinnedMenus();
  QObject* button = sender();
  if (button == &min_) {
    showMinimized();
  } else if (button == &exit_) {
    if (!presence_->HideOnClose()) Windows().PostMessage(hwnd(), WM_CLOSE, 0, 0);
  } else if (button == &macro_) {
    OpenMacroEditor();
  } else if (button == &web_) {
    OpenLink(Texts().tc_web);
  } else if (button == &apply_) {
    Apply(false);
  } else if (button == &reset_) {
    Apply(true);
  } else {
    for (std::size_t n = 0; n < profile_.size(); ++n) {
      if (button == &profile_[n]) SelectProfile(profileIds_[n]);
    }
  }
}

bool CTastorDlg::CheckDeviceForApply() {
  if (!DevicePresent() && Settings().GoWithNoDev == 0) {
    CMsgDlg::Message(this, Texts().tc_msg15);
    return false;
  }
  if (driver_.CountKeyboards() > 1) {
    CMsgDlg::Message(this, Texts().tc_msg11);
    return false;
  }
  return true;
}

void CTastorDlg::Apply(bool reset) {
  if (!CheckDeviceForApply()) return;
  ProfileStore& store = TheProfileStore();
  if (reset) {
    if (CMsgDlg::Question(this, Texts().tc_msg5) != IDOK) return;
    {
      auto lock = store.Lock();
      if (Profile* profile = store.Current()) ResetProfileToDefaults(*profile, Settings());
    }
    RefreshFromProfile();
  }
  CProgressDlg progress(this);
  SetUpApplyProgress(progress);
  PostApplyRequest(0x8007);
  progress.RunModal();
  // The worker reports 100 % only for an apply the keyboard kept: anything less claims nothing.
  if (progress.Position() < progress.maximum) return;
  SaveProfileFiles(true);
}

// ---- profile files ---------------------------------------------------------------------

namespace {

// The program's file dialog over the main window, for profile files; empty when cancelled.
std::string AskProfileFile(QWidget* owner, bool save, const std::u16string& title, const std::u16string& proposal) {
  return save ? AskSaveFile(owner, FileKind::kProfile, title, proposal) : AskOpenFile(owner, FileKind::kProfile, title);
}

}  // namespace

void CTastorDlg::ExportProfile() {
  TakeMenuProfile();
  ProfileStore& store = TheProfileStore();
  std::u16string proposal;
  {
    auto lock = store.Lock();
    if (store.Current() == nullptr) return;
    proposal = ExportProfileFileName(*store.Current());
  }
  const std::string path = AskProfileFile(this, true, Texts().tc_pro_export, proposal);
  if (path.empty()) return;
  Shown(hwnd(), ::ExportProfile(store, TheMacroLibrary(), path));
}

void CTastorDlg::ImportProfile() {
  TakeMenuProfile();
  ProfileStore& store = TheProfileStore();
  if (store.Current() == nullptr) return;
  const std::string path = AskProfileFile(this, false, Texts().tc_pro_import, {});
  if (path.empty()) return;
  if (Shown(hwnd(), ::ImportProfile(store, TheMacroLibrary(), path, Paths().MacroFolder(), Settings(),
                                    static_cast<uint32_t>(Settings().MacroHasMsKey))) == 1) {
    RefreshFromProfile();
  }
}

void CTastorDlg::DeleteProfile() {
  TakeMenuProfile();
  ProfileStore& store = TheProfileStore();
  if (store.Count() == 0) {
    CMsgDlg::Message(this, Texts().tc_msg8);
    return;
  }
  if (CMsgDlg::Message(this, Texts().tc_msg6) != IDOK || store.Current() == nullptr) return;
  // A new default profile takes the deleted one's slot, so each button keeps its slot.
  const uint32_t next = DeleteCurrentProfile(store, Settings(), Texts().tc_proname);
  profileIds_ = ProfileButtonIds(store);
  for (CPngBtn& b : profile_) b.SetCheck(false);
  SelectProfile(next);
  if (next == 0) RefreshFromProfile();
}

MenuItems CTastorDlg::ProfileMenuItems() const {
  const TextTable& t = Texts();
  MenuItems items;
  items.AddTop(kMenuExport, t.tc_pro_export);
  items.AddTop(kMenuImport, t.tc_pro_import);
  items.AddTop(kMenuDelete, t.tc_pro_delete);
  return items;
}

bool CTastorDlg::OpenProfileMenu(QPoint globalPos) {
  CloseSkinnedMenus();
  const int width = std::max(profile_[0].width(), 120);
  MenuItems items = ProfileMenuItems();
  linkMenu_.AppendTo(items);
  return OpenSkinnedMenu(led_->hwnd(), width, globalPos, items, kProfileFileCommand, &font_);
}

// ---- window ----------------------------------------------------------------------------

bool CTastorDlg::OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  if (msg == WM_KEY_CLICKED) {
    OnKeyClicked(static_cast<int>(wParam));
    return true;
  }
  if (msg == WM_TRAY_NOTIFY) {
    presence_->OnTrayNotify(lParam);
    return true;
  }
  return false;
}

bool CTastorDlg::eventFilter(QObject* watched, QEvent* e) {
  // A right click on a profile button selects its profile, as a left click would, and
  // opens the profile menu, whose commands then act on that profile. The menu key and
  // Shift+F10 on the focused button do the same, the menu below the button.
  QPoint menuAt;
  if (e->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(e);
    if (mouse->button() == Qt::RightButton) menuAt = mouse->globalPosition().toPoint();
  } else if (e->type() == QEvent::KeyPress && watched->isWidgetType() && static_cast<QWidget*>(watched)->hasFocus()) {
    const auto* key = static_cast<QKeyEvent*>(e);
    const bool menuKey = key->key() == Qt::Key_Menu ||
                         (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
    const auto* w = static_cast<QWidget*>(watched);
    if (menuKey && !key->isAutoRepeat()) menuAt = w->mapToGlobal(QPoint(0, w->height()));
  }
  if (!menuAt.isNull()) {
    for (std::size_t n = 0; n < profile_.size(); ++n) {
      CPngBtn& b = profile_[n];
      if (watched == &b && b.Exists()) {
        CloseSkinnedMenus();
        SelectProfile(profileIds_[n]);
        const Profile* current = TheProfileStore().Current();
        menuProfileId_ = current != nullptr && current->id == profileIds_[n] ? profileIds_[n] : 0;
        OpenProfileMenu(menuAt);
        return true;
      }
    }
  }
  return CSkinnedDialog::eventFilter(watched, e);
}

void CTastorDlg::Paint(QPainter& painter) {
  const AppSettings& s = Settings();
  if (isMinimized()) {
    const QPixmap pixmap = icon_.pixmap(32, 32);
    painter.drawPixmap((width() - pixmap.width()) / 2, (height() - pixmap.height()) / 2, pixmap);
    return;
  }
  if (!painted_) TraceStartup("first paint begins");
  FillOnThisThread(painter, rect(), QColor::fromRgba(0xC8FFFFFF));
  CSkinnedDialog::Paint(painter);
  painter.setFont(font_);
  painter.setPen(QColor::fromRgb(ToQRgb(s.Txt_clr)));
  DrawText(painter, QRect(QPoint(55, 600), QPoint(255, 620) - QPoint(1, 1)), Q(Texts().tc_version), kTextFormat);
  const QRect kb = ToQRect(s.rcKB);
  DrawText(painter, QRect(QPoint(kb.left() + 4, kb.bottom() + 1 + 5), QPoint(kb.left() + 690, kb.bottom() + 1 + 25) - QPoint(1, 1)),
           Q(Texts().tc_msg10), kTextFormat);
  if (!painted_) {
    TraceStartup("first paint ends");
    QTimer::singleShot(0, this, &CTastorDlg::FinishStart);
  }
  painted_ = true;
}

bool CTastorDlg::OverLink(QPoint point) const {
  const AppSettings& s = Settings();
  const auto inside = [&](const Rect& r) { return r.Width() > 0 && ToQRect(r).contains(point); };
  return (web_.Exists() && inside(s.rcWeb)) || inside(s.rcHomePage) || inside(s.rcHomePage2);
}

void CTastorDlg::OpenLink(const std::u16string& target) const {
  if (target.empty()) return;
  QDesktopServices::openUrl(QUrl::fromUserInput(Q(target)));
}

void CTastorDlg::OnBackgroundPress(QMouseEvent* event) {
  CSkinnedDialog::OnBackgroundPress(event);
  const AppSettings& s = Settings();
  const QPoint at = event->position().toPoint();
  if (s.rcHomePage.Width() > 0 && ToQRect(s.rcHomePage).contains(at)) {
    OpenLink(Texts().tc_web);
  } else if (s.rcHomePage2.Width() > 0 && ToQRect(s.rcHomePage2).contains(at)) {
    OpenLink(Texts().tc_web2);
  }
}

void CTastorDlg::mouseMoveEvent(QMouseEvent* event) {
  setCursor(OverLink(event->position().toPoint()) ? Qt::PointingHandCursor : Qt::ArrowCursor);
  CSkinnedDialog::mouseMoveEvent(event);
}

void CTastorDlg::done(int result) {
  Shutdown();
  CSkinnedDialog::done(result);
}

void CTastorDlg::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  changeRetry_.stop();
  folderWatch_.Stop();
  presence_->Shutdown();
  // Nobody outside reaches the program any more; a request under way is answered.
  bus_.reset();
  remote_.reset();
  if (workerStarted_) StopApplyWorker(KeepEventsFlowing);
  workerStarted_ = false;
  TheProfileStore().Clear();
  TheMacroLibrary().Clear();
  driver_.ClearHandle();
}
