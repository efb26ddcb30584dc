// SPDX-License-Identifier: GPL-2.0-or-later
#include "libs/velum/menu_session.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "platform/messages.h"

namespace velum {

namespace {

constexpr int kTextPadding = 8;
constexpr int kArrowWidth = 16;  // right part of an item that opens a submenu

QPointer<MenuSession>& TheSession() {
  static QPointer<MenuSession> session;
  return session;
}

Qt::Alignment HorizontalAlignment(int align) {
  switch (align) {
    case 1: return Qt::AlignHCenter;
    case 2: return Qt::AlignRight;
    default: return Qt::AlignLeft;
  }
}

// The screen area a point lies on (the primary screen when it lies on none).
QRect ScreenAround(QPoint global) {
  QScreen* screen = QGuiApplication::screenAt(global);
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry() : QRect(global, QSize(1, 1));
}

}  // namespace

// ---- MenuLevel -------------------------------------------------------------------------

MenuLevel::MenuLevel(MenuSession& session, int depth, std::vector<int> items)
    // A menu belongs to the modal window it is opened over (the macro editor, the picker):
    // Qt gives the mouse only to the modal window and its own windows, so a menu without
    // that parent would be shown but never take a click.
    : QWidget(QApplication::activeModalWidget(), Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus),
      session_(session),
      depth_(depth),
      items_(std::move(items)) {
  setObjectName(depth == 0 ? QStringLiteral("VelumMenu") : QStringLiteral("VelumSubmenu"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_DeleteOnClose);
  setFocusPolicy(Qt::NoFocus);
  setMouseTracking(true);
  const MenuLook& look = session.Look();
  setFixedSize(look.width, look.itemHeight * static_cast<int>(items_.size()));
}

QRect MenuLevel::RowRect(int row) const {
  const int h = session_.Look().itemHeight;
  return QRect(0, row * h, width(), h);
}

int MenuLevel::RowAt(QPoint local) const {
  if (!rect().contains(local)) return -1;
  const int row = local.y() / session_.Look().itemHeight;
  return row < static_cast<int>(items_.size()) ? row : -1;
}

void MenuLevel::Highlight(int row) {
  if (row == highlighted_) return;
  highlighted_ = row;
  pressed_ = false;
  update();
}

void MenuLevel::SetPressed(bool pressed) {
  if (pressed == pressed_) return;
  pressed_ = pressed;
  update();
}

void MenuLevel::paintEvent(QPaintEvent*) {
  const MenuLook& look = session_.Look();
  QPainter p(this);
  p.setFont(look.font);
  const QFontMetrics metrics(look.font);
  for (int row = 0; row < static_cast<int>(items_.size()); ++row) {
    const MenuItem& item = session_.Item(items_[static_cast<std::size_t>(row)]);
    const bool opensSubmenu = !item.children.empty();
    const int state = row != highlighted_ ? kNormal : pressed_ ? kPressed : kHighlighted;
    const QRect r = RowRect(row);
    const QImage& image = look.images[static_cast<std::size_t>((opensSubmenu ? kSubmenuSlots : 0) + state)];
    if (!image.isNull()) {
      p.drawImage(r, image);
    } else {
      p.fillRect(r, state == kNormal ? look.frame : look.frame.lighter(220));
      if (opensSubmenu) {
        p.setPen(look.text[static_cast<std::size_t>(state)]);
        p.drawText(QRect(r.right() - kArrowWidth, r.top(), kArrowWidth, r.height()), Qt::AlignCenter,
                   QStringLiteral("\u203A"));
      }
    }
    QRect textRect = r.adjusted(kTextPadding, 0, -kTextPadding, 0);
    if (opensSubmenu) textRect.setRight(r.right() - kArrowWidth);
    p.setPen(look.text[static_cast<std::size_t>(state)]);
    p.drawText(textRect, HorizontalAlignment(look.align) | Qt::AlignVCenter | Qt::TextSingleLine,
               metrics.elidedText(item.text, Qt::ElideRight, textRect.width()));
  }
  p.setPen(look.frame);
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void MenuLevel::mouseMoveEvent(QMouseEvent* event) {
  // While the button is held the moves come here even over another level.
  const QPoint global = event->globalPosition().toPoint();
  MenuLevel* level = session_.LevelAt(global);
  if (level == nullptr) {
    // Off the menu: a row keeps its highlight only while its submenu is open.
    session_.HoverRow(this, -1);
    SetPressed(false);
    return;
  }
  const int row = level->RowAt(level->mapFromGlobal(global));
  session_.HoverRow(level, row);
  level->SetPressed((event->buttons() & Qt::LeftButton) != 0 && row >= 0);
}

void MenuLevel::mousePressEvent(QMouseEvent* event) {
  const int row = RowAt(event->position().toPoint());
  session_.HoverRow(this, row);
  if (event->button() == Qt::LeftButton && row >= 0) SetPressed(true);
}

void MenuLevel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint global = event->globalPosition().toPoint();
  MenuLevel* level = session_.LevelAt(global);
  if (level == nullptr) return;
  level->SetPressed(false);
  session_.ReleaseOn(level, level->RowAt(level->mapFromGlobal(global)));
}

void MenuLevel::leaveEvent(QEvent*) {
  // A row that opened the submenu the mouse went into stays highlighted.
  if (highlighted_ < 0) return;
  const MenuItem& item = session_.Item(items_[static_cast<std::size_t>(highlighted_)]);
  if (item.children.empty()) Highlight(-1);
}

// ---- MenuSession -----------------------------------------------------------------------

MenuSession* MenuSession::Instance() {
  QPointer<MenuSession>& session = TheSession();
  if (session.isNull() && QCoreApplication::instance() != nullptr) {
    session = new MenuSession(QCoreApplication::instance());
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, session.data(), [] {
      if (MenuSession* s = TheSession().data()) s->Close();
    });
  }
  return session.data();
}

MenuSession::~MenuSession() {
  for (auto& level : levels_) delete level.data();
}

bool MenuSession::Open(HWND owner, intptr_t context, std::vector<MenuItem> items,
                       std::vector<int> topLevel, MenuLook look, QPoint at) {
  Close();
  if (topLevel.empty()) return false;
  owner_ = owner;
  context_ = context;
  items_ = std::move(items);
  look_ = std::move(look);
  auto* level = new MenuLevel(*this, 0, std::move(topLevel));
  level->move(at);
  levels_.push_back(level);
  qApp->installEventFilter(this);
  level->show();
  return true;
}

void MenuSession::Close() {
  if (levels_.empty()) return;
  qApp->removeEventFilter(this);
  CloseBelow(-1);
}

void MenuSession::CloseBelow(int depth) {
  while (static_cast<int>(levels_.size()) > depth + 1) {
    // Closed later: the level may be inside its own event handler right now.
    if (MenuLevel* level = levels_.back().data()) level->close();
    levels_.pop_back();
  }
}

MenuLevel* MenuSession::LevelAt(QPoint global) const {
  // Deeper levels lie on top of the ones they were opened from.
  for (auto it = levels_.rbegin(); it != levels_.rend(); ++it) {
    MenuLevel* level = it->data();
    if (level != nullptr && level->isVisible() && level->geometry().contains(global)) return level;
  }
  return nullptr;
}

void MenuSession::HoverRow(MenuLevel* level, int row) {
  if (row < 0) {
    // Off the rows: a level keeps the row whose submenu is open.
    if (static_cast<int>(levels_.size()) <= level->Depth() + 1) level->Highlight(-1);
    return;
  }
  if (row == level->Highlighted() && static_cast<int>(levels_.size()) > level->Depth() + 1) return;
  level->Highlight(row);
  CloseBelow(level->Depth());
  if (!Item(level->Items()[static_cast<std::size_t>(row)]).children.empty()) OpenSubmenu(level, row);
}

void MenuSession::ReleaseOn(MenuLevel* level, int row) {
  if (row < 0) return;
  const int item = level->Items()[static_cast<std::size_t>(row)];
  if (Item(item).children.empty()) Choose(item);
}

void MenuSession::OpenSubmenu(MenuLevel* level, int row) {
  const int item = level->Items()[static_cast<std::size_t>(row)];
  auto* submenu = new MenuLevel(*this, level->Depth() + 1, Item(item).children);
  // Beside the row that opens it, on the side where the screen has room for it.
  const QPoint rowTopRight = level->mapToGlobal(level->RowRect(row).topRight()) + QPoint(1, 0);
  const QRect screen = ScreenAround(rowTopRight);
  QPoint at = rowTopRight;
  if (at.x() + submenu->width() > screen.right() + 1) at.setX(level->geometry().left() - submenu->width());
  if (at.y() + submenu->height() > screen.bottom() + 1) at.setY(screen.bottom() + 1 - submenu->height());
  submenu->move(at);
  levels_.push_back(submenu);
  submenu->show();
}

void MenuSession::Choose(int item) {
  const HWND owner = owner_;
  const intptr_t context = context_;
  const int32_t value = Item(item).value;
  Close();
  if (owner != nullptr && owner->post != nullptr) {
    owner->post(owner, WM_MENU_COMMAND, static_cast<uintptr_t>(static_cast<intptr_t>(value)), context);
  }
}

bool MenuSession::Owns(QObject* object) const {
  for (const auto& level : levels_) {
    for (QObject* o = object; o != nullptr; o = o->parent()) {
      if (o == level.data()) return true;
    }
  }
  return false;
}

bool MenuSession::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
      // A press anywhere else closes the menu and then does what it does.
      if (watched->isWidgetType() && !Owns(watched)) Close();
      return false;
    case QEvent::KeyPress:
      return watched->isWidgetType() && HandleKey(static_cast<QKeyEvent*>(event)->key());
    case QEvent::KeyRelease:
      switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Up: case Qt::Key_Down: case Qt::Key_Left: case Qt::Key_Right:
        case Qt::Key_Return: case Qt::Key_Enter: case Qt::Key_Space: case Qt::Key_Escape:
          return watched->isWidgetType();  // the press was the menu's, so is the release
        default:
          return false;
      }
    case QEvent::ApplicationDeactivate:
      Close();
      return false;
    default:
      return false;
  }
}

bool MenuSession::HandleKey(int key) {
  if (levels_.empty()) return false;
  MenuLevel* level = levels_.back().data();
  if (level == nullptr) return false;
  const int rows = static_cast<int>(level->Items().size());
  const int row = level->Highlighted();
  auto opensSubmenu = [&](int r) {
    return r >= 0 && !Item(level->Items()[static_cast<std::size_t>(r)]).children.empty();
  };
  switch (key) {
    case Qt::Key_Down:
      level->Highlight(row < 0 ? 0 : (row + 1) % rows);
      return true;
    case Qt::Key_Up:
      level->Highlight(row <= 0 ? rows - 1 : row - 1);
      return true;
    case Qt::Key_Right:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
      if (opensSubmenu(row)) {
        OpenSubmenu(level, row);
        levels_.back()->Highlight(0);
      } else if (row >= 0 && key != Qt::Key_Right) {
        Choose(level->Items()[static_cast<std::size_t>(row)]);
      }
      return true;
    case Qt::Key_Left:
      if (level->Depth() > 0) CloseBelow(level->Depth() - 1);
      return true;
    case Qt::Key_Escape:
      if (level->Depth() > 0) {
        CloseBelow(level->Depth() - 1);
      } else {
        Close();
      }
      return true;
    default:
      return false;
  }
}

}  // namespace velum
