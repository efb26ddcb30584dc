// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/kb_color_dlg.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <vector>

#include "controls/menu_library.h"
#include "controls/window_message.h"
#include "platform/messages.h"
#include "skin/key_outline.h"
#include "skin/skin_image.h"
#include "controls/window_message.h"
#include "ui/keyboard_picture_accessible.h"

namespace {

constexpr int kKeyFillAlpha = 120;

QColor ColourOf(COLORREF c, int alpha) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF),
                alpha);
}

bool ValidIndex(int32_t index) { return index >= 0 && index < kKeyCount; }

}  // namespace

CKBColorDlg::CKBColorDlg(QWidget* parent) : CSkinnedDialog(parent) {
  keyImage_ = LoadSkinImage("keyimg.png").Image();
  // The key under the mouse is followed without a button held.
  setMouseTracking(true);
  // A tab stop; a click does not take the focus, so the mouse changes nothing here.
  setFocusPolicy(Qt::TabFocus);
  TakeActivationKeys(*this);
}

void CKBColorDlg::SetColors(COLORREF hover, COLORREF selected, COLORREF hasFunction) {
  hoverColour_ = hover;
  selectedColour_ = selected;
  functionColour_ = hasFunction;
  update();
}

void CKBColorDlg::SetKeyRects(const KeyTable& table) {
  keyCount_ = std::clamp(table.count, 0, kKeyCount);
  for (int i = 0; i < kKeyCount; ++i) rects_[static_cast<std::size_t>(i)] = table.keys[static_cast<std::size_t>(i)].rect;
  update();
}

void CKBColorDlg::SetPictureBackground(const QImage& background) { SetBackground(background, Fit::Stretch); }

void CKBColorDlg::SetPolygonKey(int32_t index, std::span<const Point> points) {
  if (index < 0 || index >= kKeyCount || points.size() < 3) return;
  polygonKey_ = index;
  polygon_ = KeyOutlinePath(std::vector<Point>(points.begin(), points.end()));
  update();
}

void CKBColorDlg::SetKeyFlag(int32_t index, uint32_t value) {
  if (index >= kKeyCount) return;
  if (index < 0) index = clicked_;
  if (index < 0) return;
  hasFunction_[static_cast<std::size_t>(index)] = value;
  update();
}

void CKBColorDlg::SetKeyColors(std::span<const COLORREF, kKeyCount> colours) {
  std::copy(colours.begin(), colours.end(), colours_.begin());
}

void CKBColorDlg::SetKeyColor(int32_t index, COLORREF colour) {
  if (ValidIndex(index)) colours_[static_cast<std::size_t>(index)] = colour;
}

uint32_t CKBColorDlg::KeyFlag(int32_t index) const {
  return ValidIndex(index) ? hasFunction_[static_cast<std::size_t>(index)] : 0;
}

COLORREF CKBColorDlg::KeyColor(int32_t index) const {
  return ValidIndex(index) ? colours_[static_cast<std::size_t>(index)] : 0;
}

int32_t CKBColorDlg::HitTest(QPoint point) const {
  for (int i = 0; i < keyCount_; ++i) {
    if (i == polygonKey_) {
      if (polygon_.contains(QPointF(point))) return i;
      continue;
    }
    const Rect& r = rects_[static_cast<std::size_t>(i)];
    if (point.x() >= r.left && point.x() < r.right && point.y() >= r.top && point.y() < r.bottom) return i;
  }
  return -1;
}

QPainterPath CKBColorDlg::KeyPath(int index) const {
  if (index == polygonKey_) return polygon_;
  const Rect& r = rects_[static_cast<std::size_t>(index)];
  QPainterPath path;
  path.addRect(QRectF(r.left, r.top, r.Width(), r.Height()));
  return path;
}

void CKBColorDlg::DrawOutline(QPainter& painter, int index, COLORREF colour) const {
  painter.strokePath(KeyPath(index), QPen(ColourOf(colour, 255), 1.0));
}

void CKBColorDlg::DrawOuterOutline(QPainter& painter, int index, COLORREF colour) const {
  // Two pixels outside the key's own outline, which keeps showing whether the key has a
  // function of its own.
  QPainterPath path = KeyPath(index);
  const QRectF bounds = path.boundingRect();
  if (bounds.width() <= 0 || bounds.height() <= 0) return;
  QTransform grow;
  grow.translate(bounds.center().x(), bounds.center().y());
  grow.scale((bounds.width() + 2 * kOuterOutline) / bounds.width(), (bounds.height() + 2 * kOuterOutline) / bounds.height());
  grow.translate(-bounds.center().x(), -bounds.center().y());
  painter.strokePath(grow.map(path), QPen(ColourOf(colour, 255), 1.0));
}

void CKBColorDlg::Paint(QPainter& painter) {
  CSkinnedDialog::Paint(painter);
  if (!keyImage_.isNull()) painter.drawImage(rect(), keyImage_);
  for (int i = 0; i < keyCount_; ++i) {
    const auto k = static_cast<std::size_t>(i);
    if (hasFunction_[k] != 0) DrawOutline(painter, i, functionColour_);
    if (colours_[k] != 0) painter.fillPath(KeyPath(i), ColourOf(colours_[k], kKeyFillAlpha));
  }
  if (clicked_ >= 0 && clicked_ < keyCount_) DrawOuterOutline(painter, clicked_, selectedColour_);
  if (hover_ >= 0 && hover_ < keyCount_) DrawOuterOutline(painter, hover_, hoverColour_);
}

void CKBColorDlg::OnBackgroundPress(QMouseEvent*) { CloseSkinnedMenus(); }

void CKBColorDlg::mouseMoveEvent(QMouseEvent* event) {
  const int32_t key = HitTest(event->position().toPoint());
  if (key != hover_) {
    hover_ = key;
    update();
  }
}

void CKBColorDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    CSkinnedDialog::mouseReleaseEvent(event);
    return;
  }
  const int32_t key = HitTest(event->position().toPoint());
  if (key != clicked_) {
    clicked_ = key;
    update();
  }
  if (key != -1 && parentWidget() != nullptr) {
    PostWindowMessage(parentWidget(), WM_KEY_CLICKED, static_cast<uintptr_t>(key), 0);
  }
  NotifyKeySelected(this, key);
}

QRect CKBColorDlg::KeyBounds(int32_t index) const {
  if (index < 0 || index >= keyCount_) return {};
  return KeyPath(index).boundingRect().toAlignedRect();
}

QRect CKBColorDlg::FocusArea() const { return KeyBounds(focus_); }

void CKBColorDlg::SetFocusKey(int32_t index) {
  if (index < 0 || index >= keyCount_ || index == focus_) return;
  focus_ = index;
  FocusAreaChanged(this);
  if (hasFocus()) NotifyKeyFocus(this, focus_);
}

void CKBColorDlg::ActivateKey(int32_t index) {
  if (index < 0 || index >= keyCount_) return;
  if (index != clicked_) {
    clicked_ = index;
    update();
  }
  NotifyKeySelected(this, index);
  if (parentWidget() != nullptr) PostWindowMessage(parentWidget(), WM_KEY_CLICKED, static_cast<uintptr_t>(index), 0);
}

void CKBColorDlg::focusInEvent(QFocusEvent* event) {
  CSkinnedDialog::focusInEvent(event);
  if (focus_ < 0 || focus_ >= keyCount_) focus_ = clicked_ >= 0 ? clicked_ : (keyCount_ > 0 ? 0 : -1);
  FocusAreaChanged(this);
  if (focus_ >= 0) NotifyKeyFocus(this, focus_);
}

void CKBColorDlg::keyPressEvent(QKeyEvent* event) {
  KeyStep step;
  switch (event->key()) {
    case Qt::Key_Left: step = KeyStep::kLeft; break;
    case Qt::Key_Right: step = KeyStep::kRight; break;
    case Qt::Key_Up: step = KeyStep::kUp; break;
    case Qt::Key_Down: step = KeyStep::kDown; break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      if (!event->isAutoRepeat()) ActivateKey(focus_);
      return;
    default:
      CSkinnedDialog::keyPressEvent(event);
      return;
  }
  event->accept();
  std::vector<QRect> bounds;
  for (int i = 0; i < keyCount_; ++i) bounds.push_back(KeyBounds(i));
  SetFocusKey(NeighbourKey(bounds, focus_, step));
}
