// SPDX-License-Identifier: GPL-2.0-or-later
#include "controls/png_btn.h"

#include <QKeyEvent>
#include <QPainter>

#include "controls/accessible_controls.h"
#include "controls/control_look.h"
#include "controls/draw_text.h"
#include "controls/keyboard_focus.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"

namespace {

constexpr int kOwnFontHeight = 15;
constexpr COLORREF kDebugFrameColour = RGB(10, 0, 255);

QImage Cut(const QImage& image, const QRect* source) {
  return source != nullptr ? image.copy(*source) : image;
}

QColor ColourOf(COLORREF c) { return QColor::fromRgb(ToQRgb(c)); }

}  // namespace

CPngBtn::CPngBtn() : ownFont_(ShellDlgFont(kOwnFontHeight, 400)) {
  // No tab stop until its window puts it in its keyboard order (SetKeyboardOrder).
  setFocusPolicy(Qt::ClickFocus);
  TakeActivationKeys(*this);
  setMouseTracking(true);
}

CPngBtn::~CPngBtn() = default;

void CPngBtn::SetText(std::u16string_view caption, int indent) {
  caption_ = caption;
  indent_ = indent;
  update();
  NotifyAccessibleState(this);
}

void CPngBtn::SetTooltipText(const char16_t* text) {
  if (text == nullptr) return;
  tipMade_ = true;
  setToolTip(QString::fromUtf16(text));
}

void CPngBtn::SetCheck(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  update();
  NotifyAccessibleState(this);
}

void CPngBtn::SetImages(const QImage& normal, const QImage& hover, const QImage& pressed, const QRect* source) {
  normal_ = Cut(normal, source);
  hover_ = Cut(hover, source);
  pressed_ = Cut(pressed, source);
  disabled_ = normal_;
  update();
}

void CPngBtn::SetTextColors(COLORREF normal, COLORREF hover, COLORREF pressed) {
  colourNormal_ = normal;
  colourHover_ = hover;
  colourPressed_ = pressed;
  update();
}

void CPngBtn::SetTextFormat(unsigned format) {
  textFormat_ = format;
  update();
}

void CPngBtn::UseAppFont(bool on) {
  appFont_ = on;
  update();
}

const QFont& CPngBtn::DrawingFont() const {
  const QFont* app = appFont_ ? AppFont() : nullptr;
  return app != nullptr ? *app : ownFont_;
}

const QImage& CPngBtn::ImageOf(Face face) const {
  switch (face) {
    case Face::Hover: return hover_;
    case Face::Pressed: return pressed_;
    case Face::Disabled: return disabled_;
    case Face::Normal: break;
  }
  return normal_;
}

CPngBtn::Look CPngBtn::CurrentLook() const {
  const bool disabled = !isEnabled();
  if (checkStyle_) {
    // Being pressed does not change a check-style button's look.
    if (checked_ && disabled) return {Face::Disabled, colourNormal_, false};
    if (checked_) return {Face::Pressed, colourPressed_, pressShift_};
    if (hovering_) return {Face::Hover, colourHover_, false};
    if (disabled) return {Face::Disabled, colourNormal_, false};
    return {Face::Normal, colourNormal_, false};
  }
  if (checked_) return {Face::Pressed, colourPressed_, false};
  if (isDown()) return {Face::Pressed, colourPressed_, pressShift_};
  if (hovering_) return {Face::Hover, colourHover_, false};
  if (disabled) return {Face::Disabled, colourNormal_, false};
  return {Face::Normal, colourNormal_, false};
}

QSize CPngBtn::sizeHint() const { return normal_.isNull() ? QSize(0, 0) : normal_.size(); }

void CPngBtn::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  PrepareSkinPainter(painter);
  DrawItem(painter);
}

void CPngBtn::DrawItem(QPainter& p) {
  if (normal_.isNull()) return;
  const QRect face(QPoint(0, 0), normal_.size());
  if (!background_.isNull()) p.drawImage(face, background_, face);
  const Look look = CurrentLook();
  p.drawImage(look.shifted ? face.translated(-1, 1) : face, ImageOf(look.face));

  if (!caption_.empty()) {
    const bool pressedShift = isDown() && pressShift_;
    QRect textRect = rect();
    textRect.setLeft(textRect.left() + indent_);
    if (pressedShift) textRect.translate(-1, 1);
    unsigned format = textFormat_;
    if (format == 0) {
      format = DT_VCENTER | DT_SINGLELINE | DT_WORDBREAK | DT_NOCLIP | DT_END_ELLIPSIS;
      if (indent_ < 1) format |= DT_CENTER;
    }
    p.setFont(DrawingFont());
    p.setPen(ColourOf(look.textColour));
    DrawText(p, textRect, QString::fromStdU16String(caption_), format);
  }
  if (debugFrame_) {
    p.setPen(ColourOf(kDebugFrameColour));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

void CPngBtn::SetHovering(bool on) {
  if (hovering_ == on) return;
  hovering_ = on;
  update();
}

void CPngBtn::mouseMoveEvent(QMouseEvent* event) {
  SetHovering(true);
  QAbstractButton::mouseMoveEvent(event);
}

void CPngBtn::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    event->accept();
    if (!event->isAutoRepeat() && isEnabled()) click();
    return;
  }
  QAbstractButton::keyPressEvent(event);
}

void CPngBtn::enterEvent(QEnterEvent* event) {
  SetHovering(true);
  QAbstractButton::enterEvent(event);
}

void CPngBtn::leaveEvent(QEvent* event) {
  SetHovering(false);
  QAbstractButton::leaveEvent(event);
}

// ---- creation --------------------------------------------------------------------------

void CPngBtn::setVisible(bool visible) {
  if (visible && !created_) return;
  QAbstractButton::setVisible(visible);
}

bool AttachButton(CPngBtn& button, QWidget* parent, const QRect& rect) {
  const ControlLook& look = CurrentControlLook();
  button.setParent(parent);
  button.setGeometry(rect);
  button.SetTextColors(look.buttonText[0], look.buttonText[1], look.buttonText[2]);
  button.caption_.clear();
  button.created_ = true;
  button.show();
  return true;
}

namespace {

void GiveCaption(CPngBtn& button, const char16_t* caption, bool tips) {
  if (caption == nullptr) return;
  button.SetText(caption);
  if (tips) button.SetTooltipText(caption);
}

}  // namespace

bool CreatePngBtn(CPngBtn& button, QWidget* parent, QPoint at, const std::string& normal,
                  const std::string& hover, const std::string& pressed, bool checkStyle,
                  const QImage* background, const char16_t* caption, bool tips) {
  const SkinImage nr = LoadSkinImage(normal);
  const SkinImage ov = LoadSkinImage(hover);
  const SkinImage dn = LoadSkinImage(pressed);
  if (nr.Width() == 0 || ov.Width() == 0 || dn.Width() == 0) return false;
  button.SetImages(nr.Image(), ov.Image(), dn.Image());
  button.SetCheckStyle(checkStyle);
  button.SetPressShift(false);
  const QRect rect(at, nr.Size());
  button.SetBackground(background != nullptr && !background->isNull() ? background->copy(rect) : QImage());
  button.UseAppFont(true);
  button.SetDebugFrame(CurrentControlLook().debugFrames);
  AttachButton(button, parent, rect);
  GiveCaption(button, caption, tips);
  return true;
}

bool CreatePngBtnCut(CPngBtn& button, QWidget* parent, QPoint at, const std::string& normal,
                     const std::string& hover, const std::string& pressed, const QRect* source,
                     bool checkStyle, bool pressShift, const char16_t* caption, bool tips) {
  const SkinImage nr = LoadSkinImage(normal);
  const SkinImage ov = LoadSkinImage(hover);
  const SkinImage dn = LoadSkinImage(pressed);
  button.SetImages(nr.Image(), ov.Image(), dn.Image(), source);
  button.SetCheckStyle(checkStyle);
  button.SetPressShift(pressShift);
  AttachButton(button, parent, QRect(at, source != nullptr ? source->size() : nr.Size()));
  GiveCaption(button, caption, tips);
  return true;
}

namespace {

bool CreateFromImages(CPngBtn& button, QWidget* parent, const QRect& window, const QImage& normal,
                      const QImage& hover, const QImage& pressed, const QRect* source, bool checkStyle) {
  button.SetImages(normal, hover, pressed, source);
  button.SetCheckStyle(checkStyle);
  button.SetPressShift(false);
  return AttachButton(button, parent, window);
}

}  // namespace

bool CreatePngCheckBtn(CPngBtn& button, QWidget* parent, const QRect& window, const QImage& normal,
                       const QImage& hover, const QImage& pressed, const QRect* source) {
  return CreateFromImages(button, parent, window, normal, hover, pressed, source, true);
}

bool CreatePngPushBtn(CPngBtn& button, QWidget* parent, const QRect& window, const QImage& normal,
                      const QImage& hover, const QImage& pressed, const QRect* source) {
  return CreateFromImages(button, parent, window, normal, hover, pressed, source, false);
}
