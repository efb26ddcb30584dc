// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/png_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

#include "app/paths.h"
#include "base/window_port.h"
#include "controls/accessible_controls.h"
#include "controls/control_look.h"
#include "controls/draw_text.h"
#include "controls/window_handle.h"
#include "controls/window_message.h"
#include "platform/messages.h"
#include "skin/skin_image.h"

namespace {

// The position table's ends and the pixels between them.
constexpr int kScaleFirst = 12;
constexpr int kScaleLast = 168;
constexpr int kScaleSpan = kScaleLast - kScaleFirst;

constexpr QRgb kDebugColour = qRgb(255, 0, 0);

}  // namespace

// ---- CPngSlider ------------------------------------------------------------------------

CPngSlider::CPngSlider(CPngSliderBar& bar) : QWidget(&bar), bar_(bar) {
  // The bar takes the focus for the slider.
  setFocusPolicy(Qt::NoFocus);
  hide();
}

int CPngSlider::TrackLength() const { return bar_.width(); }

void CPngSlider::SetScalePos(int steps) {
  if (steps != max_ - min_ + 1) {
    Windows().MessageBox(WindowHandle::HandleOf(window()), u"CPngSlider::SetScalePos  dwScale and Range unmatch!",
                         u"Warning", MB_OK);
  }
  scale_.clear();
  if (steps >= 2) {
    // Position i is 12 + i * q + min(i, r): the first r steps are one pixel wider.
    const int q = kScaleSpan / (steps - 1);
    const int r = kScaleSpan % (steps - 1);
    for (int i = 0; i < steps && i < kMaxScalePositions; ++i) scale_.push_back(kScaleFirst + i * q + std::min(i, r));
  }
  bar_.update();
}

int CPngSlider::PositionOf(int step) const {
  const int index = step - min_;
  if (!scale_.empty()) {
    // A table shorter than the range (a scale that did not match) ends at its last entry.
    return scale_[static_cast<std::size_t>(std::clamp(index, 0, static_cast<int>(scale_.size()) - 1))];
  }
  return (TrackLength() / (max_ - min_)) * index;
}

int CPngSlider::StepAt(int coordinate) const {
  const int span = max_ - min_;
  int step = 0;
  if (!scale_.empty()) {
    // The nearest position; on equal distance the later step.
    const int n = std::min(static_cast<int>(scale_.size()), span + 1);
    int best = 0;
    for (int i = 0; i < n; ++i) {
      if (std::abs(coordinate - scale_[static_cast<std::size_t>(i)]) <=
          std::abs(coordinate - scale_[static_cast<std::size_t>(best)])) {
        best = i;
      }
    }
    step = best;
  } else if (const int length = TrackLength(); length > 0) {
    const int w = length / span;
    const int k = span * coordinate / length;
    // The next step only when strictly nearer: half way between two steps is the lower.
    step = std::abs(coordinate - (k + 1) * w) < std::abs(coordinate - k * w) ? k + 1 : k;
  }
  return std::clamp(step + min_, min_, max_);
}

void CPngSlider::PlaceThumb(int centre) { move(centre - width() / 2, crossPos_); }

void CPngSlider::SetCrossPos(int y) {
  crossPos_ = y;
  move(x(), y);
}

void CPngSlider::SetPos(int step, bool notify) {
  if (step < min_ || step > max_) step = min_;
  pos_ = step;
  const int position = PositionOf(step);
  PlaceThumb(position);
  if (bar_.HasFill()) bar_.SetFillPos(position + 1);
  if (notify) PostWindowMessage(&bar_, WM_SLIDER_DONE, static_cast<uintptr_t>(step), id_);
  NotifyAccessibleValue(&bar_, step);
}

void CPngSlider::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PrepareSkinPainter(p);
  // The track under the thumb (without the fill), then the thumb.
  p.drawImage(rect(), bar_.Track(), geometry());
  p.drawImage(0, 0, image_);
}

void CPngSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  dragStartX_ = qRound(event->globalPosition().x());
  dragStartLeft_ = x();
}

void CPngSlider::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return;
  const int left = std::clamp(dragStartLeft_ + qRound(event->globalPosition().x()) - dragStartX_, 0,
                              std::max(0, bar_.width() - width()));
  move(left, y());
  if (notifyWhileDragging_) {
    const int step = StepAt(CentreOfThumb());
    if (step != lastPosted_) {
      PostWindowMessage(&bar_, WM_SLIDER_MOVING, static_cast<uintptr_t>(step), id_);
      NotifyAccessibleValue(&bar_, step);
      lastPosted_ = step;
    }
  }
  if (bar_.HasFill()) bar_.SetFillPos(CentreOfThumb() + 1);
}

void CPngSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !dragging_) return;
  dragging_ = false;
  SetPos(StepAt(CentreOfThumb()), true);
  lastPosted_ = 0;
}

// ---- CPngSliderBar ---------------------------------------------------------------------

CPngSliderBar::CPngSliderBar() {
  setFocusPolicy(Qt::TabFocus);
  hide();
}

CPngSliderBar::~CPngSliderBar() = default;

void CPngSliderBar::SetFillPos(int pixels) {
  fillPos_ = pixels;
  update();
}

bool CPngSliderBar::event(QEvent* e) {
  const unsigned msg = WindowMessageOf(e);
  if (msg == WM_SLIDER_DONE || msg == WM_SLIDER_MOVING) {
    // From the thumb: on to the dialog with the bar's own id.
    if (QWidget* dialog = parentWidget()) {
      PostWindowMessage(dialog, msg, static_cast<WindowMessageEvent*>(e)->wParam, id_);
    }
    return true;
  }
  return QWidget::event(e);
}

void CPngSliderBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PrepareSkinPainter(p);
  p.drawImage(0, 0, track_);
  if (HasFill() && fillPos_ > 0) {
    const QRect shown(0, 0, fillPos_, fill_.height());
    p.drawImage(shown, fill_, shown);
  }
  if (debug_) {
    p.setPen(QColor::fromRgb(kDebugColour));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const CPngSlider& s = slider_;
    for (int step = s.Min(); step <= s.Max(); ++step) {
      const int x = s.PositionOf(step);
      p.drawLine(x, 0, x, height() - 1);
    }
  }
}

void CPngSliderBar::setVisible(bool visible) {
  if (visible && !created_) return;
  QWidget::setVisible(visible);
}

void CPngSliderBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    event->accept();
    return;
  }
  QWidget::mousePressEvent(event);
}

void CPngSliderBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
  SetPosByUser(slider_.StepAt(event->position().toPoint().x()));
}

void CPngSliderBar::keyPressEvent(QKeyEvent* event) {
  const int pos = GetPos();
  const int page = std::max(1, (slider_.Max() - slider_.Min()) / 10);
  int step = pos;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down: step = pos - 1; break;
    case Qt::Key_Right:
    case Qt::Key_Up: step = pos + 1; break;
    case Qt::Key_PageDown: step = pos - page; break;
    case Qt::Key_PageUp: step = pos + page; break;
    case Qt::Key_Home: step = slider_.Min(); break;
    case Qt::Key_End: step = slider_.Max(); break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
  step = std::clamp(step, slider_.Min(), slider_.Max());
  if (step != pos) SetPosByUser(step);
}

void CPngSliderBar::SetPosByUser(int step) {
  if (!created_) return;
  step = std::clamp(step, slider_.Min(), slider_.Max());
  slider_.SetPos(step, notifyOnSet_);
  if (HasFill()) SetFillPos(slider_.PositionOf(slider_.GetPos()) + 1);
  // One 0x800 reaches the dialog per click, whether or not setting a position posts it.
  if (!notifyOnSet_ && parentWidget() != nullptr) {
    PostWindowMessage(parentWidget(), WM_SLIDER_DONE, static_cast<uintptr_t>(slider_.GetPos()), id_);
  }
}

// ---- creation --------------------------------------------------------------------------

namespace {

// A bar bitmap: the dialog's background under the bar with an image drawn on it at the
// offset, the image no larger than the bar.
QImage BarBitmap(const QImage& background, const QRect& copyRect, const QImage& image, QPoint offset,
                 QSize limit) {
  QImage bitmap = background.isNull() ? QImage(copyRect.size(), QImage::Format_ARGB32_Premultiplied)
                                      : background.copy(copyRect).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  if (background.isNull()) bitmap.fill(Qt::transparent);
  QPainter p(&bitmap);
  p.drawImage(offset, image, QRect(QPoint(0, 0), image.size().boundedTo(limit)));
  return bitmap;
}

}  // namespace

bool CreatePngSlider(const QImage& thumb, QWidget* dialog, const QImage& background, CPngSliderBar& bar, int min,
                     int max, int id, QPoint imageOffset, const QRect& copyRect, const QRect& windowRect) {
  const HWND owner = WindowHandle::HandleOf(dialog);
  if (thumb.isNull() || thumb.width() == 0) {
    Windows().MessageBox(owner, u"Slider img is null", u"Error", MB_OK);
    return false;
  }
  if (max <= min) {
    // Steps are spaced by the range; a range of one value has nothing to space.
    const QString text = QStringLiteral("Slider range %1 to %2 has a single step: the highest value must be above "
                                        "the lowest.")
                             .arg(min)
                             .arg(max);
    Windows().MessageBox(owner, text.toStdU16String(), u"Error", MB_OK);
    return false;
  }
  const std::string folder = SkinFolder(Paths().programFolder);
  const std::string trackPath = folder + "dpi_bar.png";
  const SkinImage track = LoadImage(trackPath);
  if (track.Width() == 0) {
    Windows().MessageBox(owner, u"File not exist: " + QString::fromStdString(trackPath).toStdU16String(), u"Error",
                         MB_OK);
    return false;
  }
  const SkinImage fill = LoadImage(folder + "dpi_bar_ov.png");

  bar.setParent(dialog);
  bar.setGeometry(windowRect);
  CPngSlider& slider = bar.slider_;
  slider.image_ = thumb;
  slider.resize(thumb.size());

  bar.track_ = BarBitmap(background, copyRect, track.Image(), imageOffset, windowRect.size());
  bar.fill_ = fill.Width() != 0 ? BarBitmap(background, copyRect, fill.Image(), imageOffset, windowRect.size())
                                : QImage();
  bar.id_ = id;
  slider.id_ = id;
  slider.min_ = min;
  slider.max_ = max;
  slider.SetPos(min, bar.notifyOnSet_);
  slider.notifyWhileDragging_ = true;
  bar.debug_ = CurrentControlLook().debugFrames;
  bar.created_ = true;
  slider.show();
  bar.show();
  return true;
}
