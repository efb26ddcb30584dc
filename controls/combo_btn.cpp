// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/combo_btn.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>

#include "controls/control_look.h"
#include "controls/menu_library.h"
#include "controls/window_message.h"
#include "platform/messages.h"

CComboBtn::CComboBtn() = default;
CComboBtn::~CComboBtn() = default;

void CComboBtn::AddItem(int32_t value, std::u16string_view text) {
  items_.push_back({value, std::u16string(text.substr(0, kMaxTextChars))});
}

void CComboBtn::SetCurSel(int index) {
  const bool tips = CurrentControlLook().tips;
  if (index < 0) {
    curSel_ = -1;
    curValue_ = -1;
    SetText(u"", TextIndent());
    if (tips) SetTooltipText(u"");
    return;
  }
  if (index >= static_cast<int>(items_.size())) return;
  const Item& item = items_[static_cast<std::size_t>(index)];
  curSel_ = index;
  curValue_ = item.value;
  SetText(item.text, TextIndent());
  if (tips) SetTooltipText(item.text.c_str());
}

bool CComboBtn::SelectByValue(int32_t value) {
  const int n = std::min(static_cast<int>(items_.size()), kMaxMenuItems);
  for (int i = 0; i < n; ++i) {
    if (items_[static_cast<std::size_t>(i)].value == value) {
      SetCurSel(i);
      return true;
    }
  }
  return false;
}

int CComboBtn::ListWidth() const {
  if (dropWidth_ > 0) return dropWidth_;
  if (CurrentControlLook().menuWidth > 0) return CurrentControlLook().menuWidth;
  return width();
}

QPoint CComboBtn::ListPosition(const QRect& button, int listWidth, int itemCount, const QRect& screen) {
  // Within the button's width the list starts 2 pixels in; a wider list is centred on it.
  const int left = listWidth <= button.width() ? button.left() + 2 : button.left() - (listWidth - button.width()) / 2;
  const int height = itemCount * kMenuItemHeight;
  const int below = button.top() + button.height();
  const int top = below + height > screen.top() + screen.height() ? button.top() - height : below;
  return {left, top};
}

bool CComboBtn::OpenList() {
  if (items_.empty()) return false;
  MenuItems menu;
  for (const Item& item : items_) {
    if (!menu.AddTop(item.value, item.text)) break;  // the menu holds 30
  }
  const QRect onScreen(mapToGlobal(QPoint(0, 0)), size());
  const QRect screenArea = screen() != nullptr ? screen()->geometry() : QRect(0, 0, 0x7FFF, 0x7FFF);
  const int listWidth = ListWidth();
  return OpenSkinnedMenu(hwnd(), listWidth, ListPosition(onScreen, listWidth, menu.Count(), screenArea), menu,
                         kListContext, &DrawingFont());
}

bool CComboBtn::event(QEvent* e) {
  if (WindowMessageOf(e) == WM_MENU_COMMAND) {
    const auto* message = static_cast<WindowMessageEvent*>(e);
    CloseSkinnedMenus();
    if (SelectByValue(static_cast<int32_t>(message->wParam))) emit clicked(false);
    return true;
  }
  return CPngBtn::event(e);
}

// The button never shows itself pressed: a press does nothing, and the release over the
// button opens the list instead of clicking.
void CComboBtn::mousePressEvent(QMouseEvent* event) { event->accept(); }

void CComboBtn::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void CComboBtn::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) OpenList();
}

namespace {

bool OpensList(const QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_F4:
      return true;
    case Qt::Key_Down:
    case Qt::Key_Up:
      return (event->modifiers() & Qt::AltModifier) != 0;
    default:
      return false;
  }
}

}  // namespace

void CComboBtn::keyPressEvent(QKeyEvent* event) {
  if (!OpensList(event)) {
    CPngBtn::keyPressEvent(event);
    return;
  }
  event->accept();
  if (!event->isAutoRepeat()) OpenList();
}

void CComboBtn::keyReleaseEvent(QKeyEvent* event) {
  if (!OpensList(event)) {
    CPngBtn::keyReleaseEvent(event);
    return;
  }
  event->accept();
}
