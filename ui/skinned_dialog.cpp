// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/skinned_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>
#include <algorithm>

#include "app/paths.h"
#include "base/window_port.h"
#include "controls/draw_text.h"
#include "controls/keyboard_focus.h"
#include "controls/menu_library.h"
#include "controls/window_message.h"
#include "skin/app_icon.h"
#include "skin/skin_image.h"


CSkinnedDialog::CSkinnedDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), swallowed_(DefaultSwallowedKeys()) {
  // The face is painted whole on every paint: nothing is erased first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  // Keys are looked at before the control they are aimed at sees them.
  qApp->installEventFilter(this);
  // Each window loads the program's icon for itself, as it loads its images.
  setWindowIcon(WindowIcon(Paths().programFolder));
}

CSkinnedDialog::~CSkinnedDialog() {
  if (qApp != nullptr) qApp->removeEventFilter(this);
}

std::vector<int> CSkinnedDialog::DefaultSwallowedKeys() {
  return {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Space, Qt::Key_F1};
}

void CSkinnedDialog::SetSwallowedKeys(std::initializer_list<int> keys) {
  swallowed_.assign(keys);
  if (std::find(swallowed_.begin(), swallowed_.end(), Qt::Key_Return) != swallowed_.end()) {
    swallowed_.push_back(Qt::Key_Enter);
  }
}

void CSkinnedDialog::SetBackground(const QImage& image, Fit fit) {
  background_ = image;
  fit_ = fit;
  update();
}

int CSkinnedDialog::RunModal() { return exec(); }

void CSkinnedDialog::InitDialog() {
  if (initialised_) return;
  initialised_ = true;
  OnInitDialog();
}

int CSkinnedDialog::RunMain() {
  setResult(IDCANCEL);
  QEventLoop run;
  mainRun_ = &run;
  InitDialog();
  // A WM_CLOSE posted while the window built itself arrives inside the run and ends it.
  run.exec(QEventLoop::DialogExec);
  mainRun_ = nullptr;
  return result();
}

void CSkinnedDialog::done(int result) {
  QDialog::done(result);
  if (mainRun_ != nullptr) mainRun_->exit(result);
}

void CSkinnedDialog::closeEvent(QCloseEvent* event) {
  const bool hidden = !isVisible();
  QDialog::closeEvent(event);
  // Closing the hidden main window (from the tray, a failed start) ends its run too.
  if (event->isAccepted() && mainRun_ != nullptr && hidden) {
    setResult(IDCANCEL);
    mainRun_->exit(IDCANCEL);
  }
}

void CSkinnedDialog::ShowModeless() {
  setModal(false);
  show();
  raise();
}

void CSkinnedDialog::CreateChild(QWidget* parent, const QRect& rect) {
  setParent(parent, Qt::Widget);
  setGeometry(rect);
  show();
}

void CSkinnedDialog::EndDialog(int result) {
  if (isWindow()) {
    done(result);
  } else {
    setResult(result);
    hide();
  }
}

void CSkinnedDialog::accept() { EndDialog(IDOK); }

void CSkinnedDialog::reject() { EndDialog(IDCANCEL); }

void CSkinnedDialog::CenterOver(const QWidget* other) {
  if (other == nullptr) return;
  const QRect area(other->mapToGlobal(QPoint(0, 0)), other->size());
  QPoint at(area.left() + (area.width() - width()) / 2, area.top() + (area.height() - height()) / 2);
  if (!isWindow() && parentWidget() != nullptr) at = parentWidget()->mapFromGlobal(at);
  move(at);
}

QRect CSkinnedDialog::ScreenArea() const {
  // The main window is the top of the owner chain.
  const QWidget* anchor = this;
  while (anchor->parentWidget() != nullptr) anchor = anchor->parentWidget()->window();
  const QRect frame(anchor->pos(), anchor->size());
  const QScreen* screen = QGuiApplication::screenAt(frame.center());
  if (screen == nullptr) screen = anchor->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

void CSkinnedDialog::KeepOnScreen() {
  if (!isWindow()) return;
  const QRect area = ScreenArea();
  if (area.isEmpty()) return;
  QPoint at = pos();
  at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - width())));
  at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - height())));
  if (at != pos()) move(at);
}

bool CSkinnedDialog::OnWindowMessage(unsigned, uintptr_t, intptr_t) { return false; }

bool CSkinnedDialog::PreTranslateKey(QKeyEvent* event) {
  // Space and Enter press the focused control that takes them; elsewhere they are swallowed.
  if (TakesActivationKey(keyReceiver_.data(), *event)) return false;
  return std::find(swallowed_.begin(), swallowed_.end(), event->key()) != swallowed_.end();
}

void CSkinnedDialog::Paint(QPainter& painter) {
  if (background_.isNull()) {
    FillOnThisThread(painter, rect(), Qt::black);
    return;
  }
  if (fit_ == Fit::Stretch && background_.size() != size()) {
    painter.drawImage(rect(), background_);
  } else {
    if (background_.width() < width() || background_.height() < height()) FillOnThisThread(painter, rect(), Qt::black);
    DrawImageOnThisThread(painter, QPoint(0, 0), background_);
  }
}

void CSkinnedDialog::showEvent(QShowEvent* event) {
  InitDialog();
  // Wherever the window's own rule put it, all of it is on the screen.
  if (!event->spontaneous()) KeepOnScreen();
  QDialog::showEvent(event);
}

void CSkinnedDialog::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PrepareSkinPainter(painter);
  Paint(painter);
}

bool CSkinnedDialog::event(QEvent* e) {
  if (WindowMessageOf(e) != 0) {
    const auto* message = static_cast<WindowMessageEvent*>(e);
    OnWindowMessage(message->Message(), message->wParam, message->lParam);
    return true;
  }
  return QDialog::event(e);
}

bool CSkinnedDialog::IsMine(QObject* object) const {
  if (object == this) return true;
  if (!object->isWidgetType()) return false;
  // isAncestorOf stops at windows, so the controls of a dialog opened over this one are not
  // this dialog's.
  return isAncestorOf(static_cast<QWidget*>(object));
}

bool CSkinnedDialog::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress && e->type() != QEvent::KeyRelease) return false;
  if (!IsMine(watched)) return false;
  // A key a control did not take is passed on to its parents, and each step comes through
  // here: the key is the dialog's once, at the control that received it.
  auto* key = static_cast<QKeyEvent*>(e);
  const KeyInFlight now{e, static_cast<int>(e->type()), key->key(), key->nativeScanCode(), key->timestamp()};
  QObject* receiver = keyReceiver_.data();
  const bool sameKey = now.event == keyInFlight_.event && now.type == keyInFlight_.type && now.key == keyInFlight_.key &&
                       now.scanCode == keyInFlight_.scanCode && now.timestamp == keyInFlight_.timestamp;
  if (sameKey && receiver != nullptr && receiver != watched && watched->isWidgetType() && receiver->isWidgetType() &&
      static_cast<QWidget*>(watched)->isAncestorOf(static_cast<QWidget*>(receiver))) {
    return false;
  }
  keyInFlight_ = now;
  keyReceiver_ = watched;
  return PreTranslateKey(static_cast<QKeyEvent*>(e));
}

void CSkinnedDialog::OnBackgroundPress(QMouseEvent* event) {
  CloseSkinnedMenus();
  QWidget* top = window();
  QWindow* handle = top->windowHandle();
  if (handle != nullptr && handle->startSystemMove()) return;
  // The window system does not move windows for us: follow the mouse ourselves.
  dragging_ = true;
  dragOffset_ = event->globalPosition().toPoint() - top->pos();
}

void CSkinnedDialog::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    // A press that a control passed on stays the control's: the window is not moved, so
    // the control's release still comes.
    if (childAt(event->position().toPoint()) != nullptr) {
      CloseSkinnedMenus();
    } else {
      OnBackgroundPress(event);
    }
    event->accept();
    return;
  }
  CloseSkinnedMenus();
  QDialog::mousePressEvent(event);
}

void CSkinnedDialog::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton) != 0) {
    window()->move(event->globalPosition().toPoint() - dragOffset_);
    return;
  }
  QDialog::mouseMoveEvent(event);
}

void CSkinnedDialog::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragging_ = false;
  QDialog::mouseReleaseEvent(event);
}
