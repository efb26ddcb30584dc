// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/keyboard_focus.h"

#include <QApplication>
#include <QFocusFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QVariant>

namespace {

constexpr char kActivationKeysProperty[] = "tastorTakesActivationKeys";
// The ring lies this many pixels outside the control (or its focus area), this wide.
constexpr int kRingOutset = 2;
constexpr int kRingWidth = 2;

// The ring is a focus frame to Qt, so that assistive technology does not list it as a
// control of the window. It places itself; it never takes the mouse or the focus.
class Ring : public QFocusFrame {
 public:
  Ring() { hide(); }
  void SetColour(QColor colour) {
    colour_ = colour;
    update();
  }

  // Puts the ring around the focused control, or hides it.
  void Follow(QWidget* focus, bool keyboard) {
    QWidget* host = nullptr;
    QRect area;
    if (keyboard && focus != nullptr && focus->isVisible() && !focus->isWindow()) {
      if (const auto* provider = dynamic_cast<const FocusAreaProvider*>(focus)) {
        // Inside the control, over what it draws.
        host = focus;
        area = provider->FocusArea();
      } else if (focus->parentWidget() != nullptr) {
        host = focus->parentWidget();
        area = focus->geometry();
      }
    }
    if (host == nullptr || area.isEmpty()) {
      hide();
      return;
    }
    if (parentWidget() != host) setParent(host);
    setGeometry(area.adjusted(-kRingOutset - kRingWidth, -kRingOutset - kRingWidth, kRingOutset + kRingWidth,
                              kRingOutset + kRingWidth));
    raise();
    show();
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setPen(QPen(colour_, kRingWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    const qreal half = kRingWidth / 2.0;
    p.drawRect(QRectF(rect()).adjusted(half, half, -half, -half));
  }

 private:
  QColor colour_;
};

// Follows the focus and tells keyboard use from mouse use for the whole program.
class RingWatch : public QObject {
 public:
  explicit RingWatch(QColor colour) : colour_(colour) {
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { Refresh(now); });
  }
  ~RingWatch() override { delete ring_.data(); }

  void SetColour(QColor colour) {
    colour_ = colour;
    if (ring_ != nullptr) ring_->SetColour(colour);
  }
  bool Keyboard() const { return keyboard_; }
  void Refresh(QWidget* focus) {
    // The ring goes with the window it was in; a new one is made when needed.
    if (ring_ == nullptr) {
      if (!keyboard_ || focus == nullptr) return;
      ring_ = new Ring;
      ring_->SetColour(colour_);
    }
    ring_->Follow(focus, keyboard_);
  }

 protected:
  // Installed before the dialogs that take keys for themselves (the picker's key page, the
  // recorder), whose filters therefore see a key first and keep it from here; a key counts
  // only once it reaches a widget (it passes the window first).
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::KeyPress:
        if (!keyboard_ && watched->isWidgetType()) {
          keyboard_ = true;
          Refresh(QApplication::focusWidget());
        }
        break;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
        if (keyboard_) {
          keyboard_ = false;
          Refresh(nullptr);
        }
        break;
      default:
        break;
    }
    return false;
  }

 private:
  QColor colour_;
  QPointer<Ring> ring_;
  bool keyboard_ = false;
};

RingWatch* g_watch = nullptr;

}  // namespace

void TakeActivationKeys(QWidget& control) { control.setProperty(kActivationKeysProperty, true); }

bool TakesActivationKey(const QObject* receiver, const QKeyEvent& key) {
  switch (key.key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      break;
    default:
      return false;
  }
  if (receiver == nullptr || !receiver->isWidgetType()) return false;
  const auto* widget = static_cast<const QWidget*>(receiver);
  return widget->hasFocus() && widget->property(kActivationKeysProperty).toBool();
}

void SetKeyboardOrder(const QWidget& window, const std::vector<QWidget*>& controls) {
  QWidget* previous = nullptr;
  for (QWidget* control : controls) {
    if (control == nullptr || control->parentWidget() == nullptr || control->window() != &window) continue;
    control->setFocusPolicy(static_cast<Qt::FocusPolicy>(control->focusPolicy() | Qt::TabFocus));
    if (previous != nullptr) {
      QWidget::setTabOrder(previous, control);
    } else {
      control->setFocus(Qt::OtherFocusReason);
    }
    previous = control;
  }
}

void InstallFocusRing(QColor colour) {
  if (g_watch != nullptr) {
    g_watch->SetColour(colour);
    return;
  }
  // Lives as long as the application (its child), so the ring goes before the windows do.
  g_watch = new RingWatch(colour);
  g_watch->setParent(qApp);
  QObject::connect(g_watch, &QObject::destroyed, [] { g_watch = nullptr; });
}

void FocusAreaChanged(QWidget* control) {
  if (g_watch != nullptr && control != nullptr && control->hasFocus()) g_watch->Refresh(control);
}

bool KeyboardInUse() { return g_watch != nullptr && g_watch->Keyboard(); }
