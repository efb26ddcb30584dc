// SPDX-License-Identifier: GPL-2.0-or-later
// The tree control itself (CTreeCtrlEx): its creation and colours, the layout of its rows,
// the hit test and the mouse, which tell the parent about clicks, and the drawing of the
// rows. Its items and their records are in tree_ctrl_ex_items.cpp.
#include "controls/tree_ctrl_ex.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

#include "controls/draw_text.h"
#include "controls/tree_item.h"
#include "controls/window_message.h"
#include "platform/messages.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"

namespace {

QImage LoadMark(const std::string& fileName) {
  if (fileName.empty()) return {};
  return LoadSkinImage(fileName).Image();
}

// The image's shape in one colour.
QImage Tinted(const QImage& image, const QColor& colour) {
  QImage tinted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter p(&tinted);
  p.setCompositionMode(QPainter::CompositionMode_SourceIn);
  p.fillRect(tinted.rect(), colour);
  return tinted;
}

// The image drawn centred in a rectangle, scaled down (keeping its shape) when larger.
void DrawCentred(QPainter& painter, const QRect& area, const QImage& image, QSize size) {
  if (image.isNull() || area.isEmpty()) return;
  if (size.width() > area.width() || size.height() > area.height()) {
    size.scale(area.size(), Qt::KeepAspectRatio);
  }
  const QRect target(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2,
                     size.width(), size.height());
  painter.drawImage(target, image);
}

}  // namespace

CTreeCtrlEx::CTreeCtrlEx() : root_(std::make_unique<CTreeItem>()) {
  // The records own the icons loaded for their items.
  data_.SetMode(kListOwnsItems, [](ItemData* d) {
    if (d->ownsIcon != 0) delete d->icon;
  });
  normalFont_ = ShellDlgFont(15, 600);
  selectedFont_ = ShellDlgFont(15, 600);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  verticalScrollBar()->setSingleStep(kItemHeight);
  StyleScrollBar();
  setFocusPolicy(Qt::ClickFocus);
  hide();
}

CTreeCtrlEx::~CTreeCtrlEx() { data_.RemoveAll(); }

bool CTreeCtrlEx::Create(QWidget* parent, int id, const QImage* background, const std::string& expandedImage,
                         const std::string& collapsedImage, const QRect& rect) {
  id_ = id;
  setObjectName(QString::number(id));
  setParent(parent);
  setGeometry(rect);
  if (background != nullptr && !background->isNull()) background_ = background->copy(rect);
  iconHeight_ = std::min(kItemHeight, 18);
  expandedMark_ = LoadMark(expandedImage);
  collapsedMark_ = LoadMark(collapsedImage);
  show();
  return true;
}

void CTreeCtrlEx::SetTextColors(COLORREF normal, COLORREF selected) {
  textNormal_ = normal;
  textSelected_ = selected;
  viewport()->update();
}

void CTreeCtrlEx::SetSelectionColor(QRgb argb) {
  selectionColour_ = argb;
  StyleScrollBar();
  viewport()->update();
}

void CTreeCtrlEx::SetBackgroundColor(QRgb argb) {
  backgroundColour_ = argb;
  StyleScrollBar();
  viewport()->update();
}

void CTreeCtrlEx::StyleScrollBar() {
  // A thin scroll bar in the list's own colours instead of the stock one: the track in the
  // list's fill, the handle a lighter tone of it, the selection colour while pressed.
  const QColor track = QColor::fromRgb(qRgb(qRed(backgroundColour_), qGreen(backgroundColour_), qBlue(backgroundColour_)));
  const QColor selection = QColor::fromRgb(qRgb(qRed(selectionColour_), qGreen(selectionColour_), qBlue(selectionColour_)));
  const QColor handle = track.lightness() < 60 ? track.lighter(260) : track.darker(150);
  verticalScrollBar()->setStyleSheet(
      QStringLiteral("QScrollBar:vertical{background:%1;width:10px;margin:0}"
                     "QScrollBar::handle:vertical{background:%2;min-height:20px;border-radius:4px}"
                     "QScrollBar::handle:vertical:hover{background:%3}"
                     "QScrollBar::handle:vertical:pressed{background:%4}"
                     "QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0}"
                     "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:none}")
          .arg(track.name(), handle.name(), handle.lighter(130).name(), selection.name()));
}

void CTreeCtrlEx::SetFrameColor(COLORREF colour) {
  frameColour_ = colour;
  viewport()->update();
}

// ---- layout and hit test ----

std::vector<HTREEITEM> CTreeCtrlEx::VisibleRows() const {
  std::vector<HTREEITEM> rows;
  std::function<void(const CTreeItem*)> add = [&](const CTreeItem* parent) {
    for (const auto& c : parent->children) {
      rows.push_back(c.get());
      if (c->data->kind == ITEM_FOLDER && c->data->expanded != 0) add(c.get());
    }
  };
  add(root_.get());
  return rows;
}

void CTreeCtrlEx::Relayout() {
  const int rows = static_cast<int>(VisibleRows().size());
  QScrollBar* bar = verticalScrollBar();
  bar->setPageStep(std::max(kItemHeight, viewport()->height()));
  bar->setRange(0, std::max(0, rows * kItemHeight - viewport()->height()));
  viewport()->update();
}

QRect CTreeCtrlEx::ItemRect(HTREEITEM item) const {
  const std::vector<HTREEITEM> rows = VisibleRows();
  const auto it = std::find(rows.begin(), rows.end(), item);
  if (it == rows.end()) return {};
  const int top = static_cast<int>(it - rows.begin()) * kItemHeight - verticalScrollBar()->value();
  return QRect(0, top, viewport()->width(), kItemHeight);
}

HTREEITEM CTreeCtrlEx::HitTest(QPoint at, bool* onButton) const {
  if (onButton != nullptr) *onButton = false;
  if (at.y() < 0 || at.x() < 0 || at.x() >= viewport()->width()) return nullptr;
  const std::vector<HTREEITEM> rows = VisibleRows();
  const int row = (at.y() + verticalScrollBar()->value()) / kItemHeight;
  if (row < 0 || row >= static_cast<int>(rows.size())) return nullptr;
  HTREEITEM item = rows[static_cast<std::size_t>(row)];
  if (onButton != nullptr) *onButton = at.x() < (Depth(item) + 1) * kIndent;
  return item;
}

// ---- mouse ----

void CTreeCtrlEx::Notify(unsigned msg, HTREEITEM item) {
  if (QWidget* parent = parentWidget()) {
    PostWindowMessage(parent, msg, static_cast<uintptr_t>(id_), reinterpret_cast<intptr_t>(item));
  }
}

bool CTreeCtrlEx::event(QEvent* e) {
  // Mouse buttons are nobody's while the mouse is switched off.
  if (!mouseEnabled_) {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
        return true;
      default:
        break;
    }
  }
  return QAbstractScrollArea::event(e);
}

void CTreeCtrlEx::mousePressEvent(QMouseEvent* event) {
  if (!mouseEnabled_) return;
  if (event->button() != Qt::LeftButton) return;  // a right press waits for its release
  bool onButton = false;
  HTREEITEM hit = HitTest(event->position().toPoint(), &onButton);
  HTREEITEM previous = selected_;
  selected_ = hit;
  viewport()->update();
  if (hit != nullptr) {
    setFocus(Qt::MouseFocusReason);
    if (onButton && IsFolder(hit)) Toggle(hit);
  }
  if (!(notifyOnChangeOnly_ && hit == previous)) Notify(WM_TREE_CLICK, hit);
}

void CTreeCtrlEx::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!mouseEnabled_ || event->button() != Qt::LeftButton) return;
  HTREEITEM hit = HitTest(event->position().toPoint());
  selected_ = hit;
  if (hit != nullptr) Toggle(hit);
  viewport()->update();
}

void CTreeCtrlEx::mouseReleaseEvent(QMouseEvent* event) {
  if (!mouseEnabled_ || event->button() != Qt::RightButton) return;
  HTREEITEM hit = HitTest(event->position().toPoint());
  selected_ = hit;
  viewport()->update();
  Notify(WM_TREE_RCLICK, hit);
}

void CTreeCtrlEx::SetHot(HTREEITEM item, QPoint globalPos) {
  if (item == hot_) return;
  hot_ = item;
  const std::u16string text = GetItemText(item);
  if (item != nullptr && static_cast<int>(text.size()) > kTipChars) {
    tipText_ = text;
    QToolTip::showText(globalPos, QString::fromStdU16String(text), this);
  } else {
    tipText_.clear();
    QToolTip::hideText();
  }
}

void CTreeCtrlEx::mouseMoveEvent(QMouseEvent* event) {
  SetHot(HitTest(event->position().toPoint()), event->globalPosition().toPoint());
}

void CTreeCtrlEx::leaveEvent(QEvent* event) {
  hot_ = nullptr;
  tipText_.clear();
  QAbstractScrollArea::leaveEvent(event);
}

void CTreeCtrlEx::keyPressEvent(QKeyEvent* event) { event->accept(); }

void CTreeCtrlEx::keyReleaseEvent(QKeyEvent* event) { event->accept(); }

void CTreeCtrlEx::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Relayout();
}

void CTreeCtrlEx::scrollContentsBy(int, int) { viewport()->update(); }

// ---- painting ----

void CTreeCtrlEx::paintEvent(QPaintEvent*) {
  // Everything is drawn into one off-screen image, then copied in one piece; the image has
  // the screen's pixels, so that the text stays sharp at any scale.
  const qreal ratio = viewport()->devicePixelRatioF();
  QImage buffer(viewport()->size() * ratio, QImage::Format_ARGB32_Premultiplied);
  buffer.setDevicePixelRatio(ratio);
  {
    QPainter painter(&buffer);
    PrepareSkinPainter(painter);
    Draw(painter);
  }
  QPainter screen(viewport());
  screen.drawImage(0, 0, buffer);
  screen.setPen(QColor::fromRgb(ToQRgb(frameColour_)));
  screen.drawRect(0, 0, viewport()->width() - 1, viewport()->height() - 1);
}

void CTreeCtrlEx::Draw(QPainter& painter) {
  const QRect client(QPoint(0, 0), viewport()->size());
  if (!background_.isNull()) {
    painter.drawImage(client, background_);
  } else {
    painter.fillRect(client, QColor::fromRgba(backgroundColour_));
  }
  const std::vector<HTREEITEM> rows = VisibleRows();
  const int first = verticalScrollBar()->value() / kItemHeight;
  for (int row = std::max(0, first); row < static_cast<int>(rows.size()); ++row) {
    HTREEITEM item = rows[static_cast<std::size_t>(row)];
    const int top = row * kItemHeight - verticalScrollBar()->value();
    if (top >= client.bottom()) break;
    const ItemData& d = *item->data;
    const int textLeft = (Depth(item) + 1) * kIndent;
    QRect iconRect;
    int textStart = textLeft;
    if (d.kind == ITEM_FOLDER) {
      const QRect mark(textLeft - kIndent, top, kIndent, kItemHeight);
      if (d.icon != nullptr) iconRect = QRect(textLeft + iconMargin_, top, iconWidth_, kItemHeight);
      textStart = textLeft + d.textOffset + 2 * iconMargin_ + (d.icon != nullptr ? iconWidth_ : 0);
      if (item == selected_) painter.fillRect(QRect(0, top, client.width(), kItemHeight), QColor::fromRgba(selectionColour_));
      const QImage& image = d.expanded != 0 ? expandedMark_ : collapsedMark_;
      DrawCentred(painter, mark, image, image.size());
    } else {
      if (d.icon != nullptr) {
        iconRect = QRect(textLeft - kIndent, top, kIndent, kItemHeight);
        textStart = textLeft + d.textOffset;
      } else if (item->parent != nullptr && item->parent != Root()) {
        // Inside a folder a macro starts under its folder's text, not left of it.
        textStart = textLeft + d.textOffset;
      } else {
        textStart = textLeft - kIndent + d.textOffset;
      }
      if (item == selected_) painter.fillRect(QRect(0, top, client.width(), kItemHeight), QColor::fromRgba(selectionColour_));
    }
    const bool selected = item == selected_;
    if (d.icon != nullptr) {
      // An event's icon on the selected row takes the selected text's colour, so that an
      // icon of the selection's own colour (the orange press arrow) stays visible.
      if (selected && d.kind == ITEM_LEAF) {
        DrawCentred(painter, iconRect, Tinted(*d.icon, QColor::fromRgb(ToQRgb(textSelected_))), QSize(iconWidth_, iconHeight_));
      } else {
        DrawCentred(painter, iconRect, *d.icon, QSize(iconWidth_, iconHeight_));
      }
    }
    painter.setFont(selected ? selectedFont_ : normalFont_);
    painter.setPen(QColor::fromRgb(ToQRgb(selected ? textSelected_ : textNormal_)));
    const QRect textRect(textStart, top, client.width() - 5 - textStart, kItemHeight);
    DrawText(painter, textRect, QString::fromStdU16String(item->text), DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
  }
}
