// SPDX-License-Identifier: GPL-2.0-or-later
#include "tools/skin_gen/skin_images.h"

#include <QLinearGradient>
#include <QPainterPathStroker>
#include <QRadialGradient>

#include "tools/skin_gen/paint_kit.h"
#include "tools/skin_gen/skin_layout.h"

namespace skin_gen {

namespace {

using ImageFn = QImage (*)();

// ---- main window -------------------------------------------------------------------

QImage MainBackground() {
  const MainLayout m;
  Sketch sketch(m.size);
  QPainter& p = sketch.p;
  const QPolygon outline = MainOutline();
  QPainterPath shape;
  shape.addPolygon(outline);
  QLinearGradient body(0, 0, 0, m.size.height());
  body.setColorAt(0, colour::kBack1);
  body.setColorAt(1, colour::kBack0);
  p.fillPath(shape, body);
  p.save();
  p.setClipPath(shape);

  // Header with texture, logo and the accent rule.
  const QRectF header(0, 0, m.size.width(), m.headerHeight);
  QLinearGradient head(header.topLeft(), header.bottomLeft());
  head.setColorAt(0, QColor(36, 37, 44));
  head.setColorAt(1, QColor(22, 23, 28));
  p.fillRect(header, head);
  Hatch(p, QRectF(m.size.width() * 0.35, 0, m.size.width() * 0.4, m.headerHeight), QColor(255, 255, 255, 8));
  AccentRule(p, 0, m.size.width(), m.headerHeight - 2, colour::kAccent);

  // Logo: an accent parallelogram and the word mark.
  QPolygonF mark;
  mark << QPointF(40, 16) << QPointF(58, 16) << QPointF(50, 40) << QPointF(32, 40);
  p.setPen(Qt::NoPen);
  p.setBrush(colour::kAccent);
  p.drawPolygon(mark);
  QFont logo = SkinFont(24, true);
  logo.setLetterSpacing(QFont::AbsoluteSpacing, 3);
  p.setFont(logo);
  p.setPen(colour::kText);
  p.drawText(QRectF(66, 10, 200, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TASTOR"));
  QFont model = SkinFont(12, false);
  model.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  p.setFont(model);
  p.setPen(colour::kAccent);
  p.drawText(QRectF(196, 14, 120, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("TK-105"));

  // Left column, keyboard deck and footer panels.
  Panel(p, m.leftPanel, 8, QColor(30, 31, 38, 235), QColor(22, 23, 28, 235), colour::kPanelLine);
  for (int y : {m.ptMacro.y() - 14, m.rcLED.y() - 12, m.ptReset.y() - 14}) {
    AccentRule(p, m.leftPanel.left() + 12, m.leftPanel.right() - 12, y, colour::kPanelLine, 1);
  }
  // Section ticks in the accent colour beside the profile buttons.
  for (int i = 0; i < 3; ++i) {
    p.fillRect(QRectF(m.leftPanel.left() + 8, m.ptProfile.y() + i * 33 + 6, 3, 13), colour::kAccentDark);
  }
  Panel(p, m.deck, 8, QColor(20, 21, 26), QColor(13, 14, 17), colour::kPanelLine);
  // A warm glow under the keyboard, as its back-lighting would throw.
  const QRect kb = m.rcKB();
  QRadialGradient glow(QPointF(kb.center()), kb.width() * 0.62);
  glow.setColorAt(0, QColor(255, 140, 0, 40));
  glow.setColorAt(1, QColor(255, 140, 0, 0));
  p.fillRect(m.deck.adjusted(1, 1, -1, -1), glow);
  // The deck's bottom strip under a fine rule, textured like the header.
  p.fillRect(m.footer.adjusted(0, 0, 0, -7), QColor(255, 255, 255, 5));
  Hatch(p, QRectF(m.footer).adjusted(m.footer.width() * 0.35, 1, -m.footer.width() * 0.3, -8), QColor(255, 255, 255, 6));
  AccentRule(p, m.footer.left(), m.footer.right(), m.footer.top(), colour::kPanelLine, 1);
  p.restore();

  // Edge of the window: a fine line, with the accent on the two cut corners.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(QColor(60, 62, 72), 1));
  p.drawPath(shape.translated(0.5, 0.5).intersected(shape));
  p.setPen(QPen(colour::kAccent, 2));
  p.drawLine(outline[0] + QPointF(0.5, 0), outline[1] + QPointF(0, 0.5));
  const int n = outline.size();
  p.drawLine(QPointF(outline[n / 2 - 1]) + QPointF(-0.5, -0.5), QPointF(outline[n / 2]) + QPointF(-0.5, -0.5));
  return sketch.Take();
}

// main_mask.png: black inside the window, white outside; drawn without antialiasing so
// the outline is exactly the polygon's pixels.
QImage MainMask() {
  const MainLayout m;
  QImage image(m.size, QImage::Format_ARGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawPolygon(MainOutline());
  return image;
}

// ---- keyboard picture --------------------------------------------------------------

void DrawLegend(QPainter& p, const PlacedKey& k, const QRectF& top) {
  const QColor ink = k.def.accent ? colour::kAccent : colour::kText;
  const QString& legend = k.def.legend;
  if (legend.isEmpty()) return;
  if (!k.def.shifted.isEmpty()) {
    const bool word = k.def.shifted.size() > 1 && k.def.shifted[0].isLetter();
    p.setFont(SkinFont(word ? 8 : 11));
    p.setPen(word ? colour::kTextDim : QColor(170, 172, 180));
    p.drawText(top.adjusted(0, 1, 0, -top.height() / 2), Qt::AlignHCenter | Qt::AlignVCenter, k.def.shifted);
    p.setFont(SkinFont(12, true));
    p.setPen(ink);
    p.drawText(top.adjusted(0, top.height() / 2 - 2, 0, -1), Qt::AlignHCenter | Qt::AlignVCenter, legend);
    return;
  }
  const bool longWord = legend.size() > 4;
  const bool word = legend.size() > 1 && !legend[0].isDigit();
  p.setFont(SkinFont(longWord ? 10 : (word ? 11 : 14), !word));
  p.setPen(ink);
  p.drawText(top, Qt::AlignCenter, legend);
}

QImage KeyboardPicture() {
  Sketch sketch(KeyboardSize());
  QPainter& p = sketch.p;
  p.setRenderHint(QPainter::TextAntialiasing);
  const QRectF all(0, 0, sketch.image.width(), sketch.image.height());

  // The case: a bevelled plate with a thin rim.
  Panel(p, all.adjusted(1, 1, -1, -1), 14, QColor(36, 38, 45), QColor(18, 19, 23), QColor(62, 64, 74), 40);
  Panel(p, all.adjusted(10, 10, -10, -10), 8, QColor(14, 15, 18), QColor(20, 21, 25), QColor(8, 8, 10), 0);

  // Back-lighting between the caps.
  p.setPen(Qt::NoPen);
  for (const PlacedKey& k : Keys()) {
    QPainterPath cell;
    if (k.outline.isEmpty()) {
      cell.addRoundedRect(QRectF(k.cap).adjusted(-2, -1, 2, 3), 5, 5);
    } else {
      cell.addPolygon(k.outline);
    }
    p.fillPath(cell, QColor(255, 140, 0, 46));
  }

  for (const PlacedKey& k : Keys()) {
    QPainterPath skirt;
    QPainterPath top;
    if (k.outline.isEmpty()) {
      // The cap covers exactly its rectangle; the rim's pen stays inside it.
      const QRectF cap(k.cap);
      skirt.addRoundedRect(cap.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
      top.addRoundedRect(cap.adjusted(3, 2, -3, -5), 3, 3);
    } else {
      skirt.addPolygon(k.outline);
      skirt.closeSubpath();
      QPainterPathStroker rim;
      rim.setWidth(6);
      rim.setJoinStyle(Qt::MiterJoin);
      top = skirt.subtracted(rim.createStroke(skirt)).translated(0, -1.5);
    }
    p.setPen(QPen(QColor(8, 8, 10), 1));
    p.setBrush(colour::kCapSide);
    p.drawPath(skirt);
    const QRectF tb = top.boundingRect();
    QLinearGradient face(tb.topLeft(), tb.bottomLeft());
    face.setColorAt(0, colour::kCapTop);
    face.setColorAt(1, colour::kCapBottom);
    p.setPen(QPen(QColor(255, 255, 255, 16), 1));
    p.setBrush(face);
    p.drawPath(top);
    const QRectF legendArea = k.outline.isEmpty() ? tb : QRectF(tb.left(), tb.top(), tb.width(), tb.height() / 2);
    DrawLegend(p, k, legendArea);
  }

  // Lock indicators and the word mark above the keypad.
  const double padLeft = kCaseMargin + 18.5 * kUnit;
  const QRectF strip(padLeft, kCaseMargin + 4, 4 * kUnit - 4, kUnit - 8);
  p.setFont(SkinFont(9));
  const char* locks[] = {"NUM", "CAPS", "SCRL"};
  for (int i = 0; i < 3; ++i) {
    const QPointF dot(strip.left() + 14 + i * 44, strip.top() + 10);
    QRadialGradient led(dot, 6);
    led.setColorAt(0, colour::kAccentLight);
    led.setColorAt(0.5, colour::kAccent);
    led.setColorAt(1, QColor(255, 140, 0, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(led);
    p.drawEllipse(dot, 6, 6);
    p.setPen(colour::kTextDim);
    p.drawText(QRectF(dot.x() - 20, dot.y() + 6, 40, 14), Qt::AlignCenter, QString::fromLatin1(locks[i]));
  }
  QFont mark = SkinFont(11, true);
  mark.setLetterSpacing(QFont::AbsoluteSpacing, 2);
  p.setFont(mark);
  p.setPen(QColor(90, 92, 102));
  p.drawText(strip.adjusted(0, 0, -4, 0), Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("TASTOR"));
  return sketch.Take();
}

// ---- buttons and small controls ----------------------------------------------------

QImage Face(QSize size, ButtonLook look, qreal radius = 4) {
  Sketch sketch(size);
  QPainter& p = sketch.p;
  ButtonFace(p, QRectF(0, 0, size.width(), size.height()), look, radius);
  return sketch.Take();
}

QImage ButtonNr() { return Face(size::kButton, ButtonLook::Normal); }
QImage ButtonDn() {
  QImage image = Face(size::kButton, ButtonLook::Pressed);
  QPainter p(&image);
  p.fillRect(QRectF(1, 4, 3, size::kButton.height() - 8), colour::kAccentLight);
  return image;
}
QImage BtnNr() {
  Sketch sketch(size::kBtn);
  QPainter& p = sketch.p;
  Panel(p, QRectF(0, 0, size::kBtn.width(), size::kBtn.height()), 4, QColor(48, 40, 32), QColor(30, 26, 22),
        colour::kAccentDark, 24);
  p.fillRect(QRectF(6, size::kBtn.height() - 3, size::kBtn.width() - 12, 1), colour::kAccent);
  return sketch.Take();
}
QImage BtnOv() { return Face(size::kBtn, ButtonLook::Accent); }
QImage Btn2Nr() {
  QImage image = Face(size::kBtn2, ButtonLook::Normal, 5);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  ChevronRight(p, QPointF(size::kBtn2.width() - 14, size::kBtn2.height() / 2.0), 8, colour::kAccent);
  p.fillRect(QRectF(1, 8, 3, size::kBtn2.height() - 16), colour::kAccentDark);
  return image;
}

QImage Combo(bool hover) {
  const QSize s = size::kCombo;
  Sketch sketch(s);
  QPainter& p = sketch.p;
  Panel(p, QRectF(0, 0, s.width(), s.height()), 4, QColor(22, 23, 28), QColor(16, 17, 20),
        hover ? colour::kAccent : QColor(64, 67, 77), 10);
  const qreal split = s.width() - 24;
  p.setPen(QPen(QColor(64, 67, 77), 1));
  p.drawLine(QPointF(split + 0.5, 4), QPointF(split + 0.5, s.height() - 4));
  ChevronDown(p, QPointF(split + 12, s.height() / 2.0), 8, hover ? colour::kAccentLight : colour::kAccent);
  return sketch.Take();
}
QImage ComboNr() { return Combo(false); }
QImage ComboOv() { return Combo(true); }

enum class Tick { Normal, Hover, Checked };

QImage Check(Tick t) {
  Sketch sketch(size::kCheck);
  QPainter& p = sketch.p;
  const QRectF r(0.5, 0.5, size::kCheck.width() - 1, size::kCheck.height() - 1);
  p.setPen(QPen(t == Tick::Normal ? QColor(96, 99, 110) : colour::kAccent, 1));
  p.setBrush(t == Tick::Checked ? QBrush(colour::kAccent) : QBrush(QColor(18, 19, 23)));
  p.drawRoundedRect(r, 3, 3);
  if (t == Tick::Checked) {
    p.setPen(QPen(QColor(20, 20, 22), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << QPointF(4, 8.5) << QPointF(7, 11.5) << QPointF(12.5, 5));
  }
  return sketch.Take();
}
QImage CheckNr() { return Check(Tick::Normal); }
QImage CheckOv() { return Check(Tick::Hover); }
QImage CheckDn() { return Check(Tick::Checked); }

QImage Radio(Tick t) {
  Sketch sketch(size::kCheck);
  QPainter& p = sketch.p;
  const QRectF r(0.5, 0.5, size::kCheck.width() - 1, size::kCheck.height() - 1);
  p.setPen(QPen(t == Tick::Normal ? QColor(96, 99, 110) : colour::kAccent, 1));
  p.setBrush(QColor(18, 19, 23));
  p.drawEllipse(r);
  if (t == Tick::Checked) {
    p.setPen(Qt::NoPen);
    p.setBrush(colour::kAccent);
    p.drawEllipse(r.center(), 4, 4);
  }
  return sketch.Take();
}
QImage RadioNr() { return Radio(Tick::Normal); }
QImage RadioOv() { return Radio(Tick::Hover); }
QImage RadioDn() { return Radio(Tick::Checked); }

QImage RecBtn(bool recording) {
  const QSize s = size::kRecBtn;
  Sketch sketch(s);
  QPainter& p = sketch.p;
  const QRectF r(0, 0, s.width(), s.height());
  if (recording) {
    Panel(p, r, 6, QColor(120, 20, 18), QColor(70, 10, 10), QColor(235, 70, 60), 30);
  } else {
    Panel(p, r, 6, QColor(44, 46, 54), QColor(28, 30, 36), QColor(64, 67, 77));
  }
  const QPointF dot(18, s.height() / 2.0);
  if (recording) {
    QRadialGradient halo(dot, 11);
    halo.setColorAt(0, QColor(255, 90, 80, 200));
    halo.setColorAt(1, QColor(255, 90, 80, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(halo);
    p.drawEllipse(dot, 11, 11);
  }
  p.setPen(QPen(QColor(20, 8, 8), 1));
  p.setBrush(recording ? QColor(255, 96, 84) : QColor(214, 48, 40));
  p.drawEllipse(dot, 6, 6);
  return sketch.Take();
}
QImage RecBtnNr() { return RecBtn(false); }
QImage RecBtnDn() { return RecBtn(true); }

QImage CaptionButton(bool exit, bool hover) {
  const QSize s = size::kCaption;
  Sketch sketch(s);
  QPainter& p = sketch.p;
  const QRectF r(0, 0, s.width(), s.height());
  if (hover) {
    p.setPen(Qt::NoPen);
    p.setBrush(exit ? colour::kAccent : QColor(58, 60, 70));
    p.drawRoundedRect(r.adjusted(1, 1, -1, -1), 4, 4);
  }
  const QColor ink = hover ? QColor(255, 255, 255) : QColor(170, 172, 180);
  if (exit) {
    CrossGlyph(p, r, ink, 9);
  } else {
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8.5, 16.5), QPointF(s.width() - 8.5, 16.5));
  }
  return sketch.Take();
}
QImage MinNr() { return CaptionButton(false, false); }
QImage MinOv() { return CaptionButton(false, true); }
QImage ExitNr() { return CaptionButton(true, false); }
QImage ExitOv() { return CaptionButton(true, true); }

QImage Thumb() {
  const QSize s = size::kThumb;
  Sketch sketch(s);
  QPainter& p = sketch.p;
  Panel(p, QRectF(0, 0, s.width(), s.height()), 3, colour::kAccentLight, colour::kAccentDark, QColor(60, 32, 0), 80);
  p.setPen(QPen(QColor(90, 48, 0), 1));
  for (qreal x : {5.5, 8.5}) p.drawLine(QPointF(x, 5), QPointF(x, s.height() - 5));
  return sketch.Take();
}

QImage Track(bool fill) {
  const QSize s = size::kTrack;
  Sketch sketch(s);
  QPainter& p = sketch.p;
  // The slider's steps put the thumb's centre from 12 to 168: the track runs between the
  // thumb's outer edges at the two ends, so no end of it shows beyond the thumb.
  const int halfThumb = size::kThumb.width() / 2;
  const QRectF r(12 - halfThumb + 1.5, 0.5, 156 + 2 * halfThumb - 3, s.height() - 1);
  if (fill) {
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, colour::kAccentDark);
    g.setColorAt(1, colour::kAccentLight);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
  } else {
    p.setPen(QPen(QColor(52, 54, 62), 1));
    p.setBrush(QColor(10, 10, 12));
  }
  p.drawRoundedRect(r, 2.5, 2.5);
  return sketch.Take();
}
QImage TrackNr() { return Track(false); }
QImage TrackOv() { return Track(true); }

QImage Folder(bool open) {
  Sketch sketch(size::kFolder);
  QPainter& p = sketch.p;
  p.setPen(QPen(colour::kAccentDark, 1));
  p.setBrush(QColor(140, 78, 0));
  QPolygonF back;
  back << QPointF(1.5, 3.5) << QPointF(6, 3.5) << QPointF(7.5, 5) << QPointF(14.5, 5) << QPointF(14.5, 13.5)
       << QPointF(1.5, 13.5);
  p.drawPolygon(back);
  p.setBrush(colour::kAccent);
  QPolygonF front;
  if (open) {
    front << QPointF(3.5, 7.5) << QPointF(15.5, 7.5) << QPointF(13, 13.5) << QPointF(1.5, 13.5);
  } else {
    front << QPointF(1.5, 6.5) << QPointF(14.5, 6.5) << QPointF(14.5, 13.5) << QPointF(1.5, 13.5);
  }
  p.drawPolygon(front);
  return sketch.Take();
}
QImage FolderOpen() { return Folder(true); }
QImage FolderClosed() { return Folder(false); }

// Event icons of the macro editor: release (arrow up), press (arrow down), delay (clock).
QImage Arrow(bool up) {
  Sketch sketch(size::kEventIcon);
  QPainter& p = sketch.p;
  const QColor ink = up ? QColor(150, 154, 165) : colour::kAccent;
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  QPolygonF a;
  if (up) {
    a << QPointF(9, 2) << QPointF(16, 9) << QPointF(11.5, 9) << QPointF(11.5, 16) << QPointF(6.5, 16)
      << QPointF(6.5, 9) << QPointF(2, 9);
  } else {
    a << QPointF(9, 16) << QPointF(16, 9) << QPointF(11.5, 9) << QPointF(11.5, 2) << QPointF(6.5, 2)
      << QPointF(6.5, 9) << QPointF(2, 9);
  }
  p.drawPolygon(a);
  return sketch.Take();
}
QImage UpN() { return Arrow(true); }
QImage DnN() { return Arrow(false); }
QImage TmN() {
  Sketch sketch(size::kEventIcon);
  QPainter& p = sketch.p;
  p.setPen(QPen(QColor(120, 190, 255), 1.6));
  p.setBrush(QColor(18, 30, 44));
  p.drawEllipse(QPointF(9, 9), 7, 7);
  p.setPen(QPen(QColor(170, 215, 255), 1.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(9, 9), QPointF(9, 4.5));
  p.drawLine(QPointF(9, 9), QPointF(12.5, 10.5));
  return sketch.Take();
}

QImage MsgIcon() {
  const QSize s = size::kMsgIcon;
  Sketch sketch(s);
  QPainter& p = sketch.p;
  const QPointF c(s.width() / 2.0, s.height() / 2.0);
  QRadialGradient g(c, 23);
  g.setColorAt(0, QColor(60, 34, 4));
  g.setColorAt(1, QColor(30, 18, 4));
  p.setPen(QPen(colour::kAccent, 3));
  p.setBrush(g);
  p.drawEllipse(c, 21, 21);
  p.setPen(Qt::NoPen);
  p.setBrush(colour::kAccent);
  p.drawRoundedRect(QRectF(c.x() - 2.5, 11, 5, 18), 2, 2);
  p.drawEllipse(QPointF(c.x(), 35), 3, 3);
  return sketch.Take();
}

// ---- dialog backgrounds ------------------------------------------------------------

QImage PickerBackground() {
  Sketch sketch(size::kPicker);
  QPainter& p = sketch.p;
  DialogFace(p, size::kPicker, 40);
  // The close and default areas are parts of the face: a cross and a circular arrow.
  CrossGlyph(p, fixed::kPickerClose, QColor(190, 192, 200), 10);
  const QRectF def = fixed::kPickerDefault;
  const QPointF c = def.center();
  p.setPen(QPen(colour::kAccent, 2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(c.x() - 8, c.y() - 8, 16, 16), 100 * 16, 280 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(colour::kAccent);
  p.drawPolygon(QPolygonF() << QPointF(c.x() - 6, c.y() - 12) << QPointF(c.x() + 1, c.y() - 8)
                            << QPointF(c.x() - 5, c.y() - 3));
  p.setPen(QPen(colour::kPanelLine, 1));
  p.drawLine(QPointF(fixed::kPickerClose.right() + 3.5, 8), QPointF(fixed::kPickerClose.right() + 3.5, 32));
  // The page area and a frame for the macro tree.
  Panel(p, QRectF(fixed::kPickerPageArea).adjusted(7, 0, -7, -8), 6, QColor(24, 25, 30), QColor(18, 19, 23),
        colour::kPanelLine, 10);
  p.setPen(QPen(QColor(54, 56, 64), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(fixed::kPickerTree).adjusted(-1.5, -1.5, 1.5, 1.5));
  // Separator above OK and Cancel.
  AccentRule(p, 16, size::kPicker.width() - 16, 305, colour::kPanelLine, 1);
  return sketch.Take();
}

QImage MessageBackground() {
  Sketch sketch(size::kMessage);
  QPainter& p = sketch.p;
  DialogFace(p, size::kMessage, 40);
  AccentRule(p, 16, size::kMessage.width() - 16, size::kMessage.height() - 55, colour::kPanelLine, 1);
  return sketch.Take();
}

QImage ProgressBackground() {
  const QSize s = size::kProgress;
  Sketch sketch(s);
  QPainter& p = sketch.p;
  DialogFace(p, s, 44);
  const QRectF bar = fixed::kProgressBar;
  Panel(p, bar.adjusted(-3, -3, 3, 3), 6, QColor(10, 10, 12), QColor(16, 17, 20), QColor(56, 58, 66), 0);
  // Scale marks under the bar.
  p.setPen(QPen(QColor(70, 72, 82), 1));
  for (int i = 0; i <= 10; ++i) {
    const qreal x = bar.left() + bar.width() * i / 10.0;
    p.drawLine(QPointF(x + 0.5, bar.bottom() + 6), QPointF(x + 0.5, bar.bottom() + (i % 5 == 0 ? 11 : 8)));
  }
  return sketch.Take();
}

// progress_ov.png: transparent except the filled bar, drawn over the background up to the
// progress reached.
QImage ProgressOverlay() {
  Sketch sketch(size::kProgress);
  QPainter& p = sketch.p;
  const QRectF bar = fixed::kProgressBar;
  QLinearGradient g(bar.topLeft(), bar.bottomLeft());
  g.setColorAt(0, colour::kAccentLight);
  g.setColorAt(0.5, colour::kAccent);
  g.setColorAt(1, colour::kAccentDark);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(bar, 4, 4);
  // Diagonal stripes give the bar motion.
  p.save();
  p.setClipRect(bar);
  p.setPen(QPen(QColor(255, 255, 255, 34), 5));
  for (qreal x = bar.left() - bar.height(); x < bar.right(); x += 16) {
    p.drawLine(QPointF(x, bar.bottom()), QPointF(x + bar.height(), bar.top()));
  }
  p.restore();
  return sketch.Take();
}

QImage MacroBackground() {
  const MacroLayout m;
  Sketch sketch(m.size);
  QPainter& p = sketch.p;
  DialogFace(p, m.size, 40);
  // Frames behind the two lists and the option column.
  for (const QRect& r : {m.macroList, m.keyList}) {
    Panel(p, QRectF(r).adjusted(-4, -4, 5, 5), 5, QColor(22, 23, 28), QColor(16, 17, 20), colour::kPanelLine, 0);
  }
  Panel(p, QRectF(m.optX - 10, 64, m.size.width() - m.optX, 282), 6, QColor(26, 27, 33), QColor(20, 21, 26),
        colour::kPanelLine);
  AccentRule(p, m.optX, m.size.width() - 20, 122, colour::kPanelLine, 1);
  AccentRule(p, m.optX, m.size.width() - 20, 240, colour::kPanelLine, 1);
  return sketch.Take();
}

// ---- menu item backgrounds (BMP, no alpha) -----------------------------------------

QImage MenuItem(bool highlighted, bool submenu) {
  const QSize s = size::kMenuItem;
  QImage image(s, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r(0, 0, s.width(), s.height());
  if (highlighted) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, QColor(230, 124, 0));
    g.setColorAt(1, QColor(180, 94, 0));
    p.fillRect(r, g);
  } else {
    p.fillRect(r, QColor(28, 29, 35));
    p.fillRect(QRectF(0, s.height() - 1, s.width(), 1), QColor(36, 37, 44));
    p.fillRect(QRectF(0, 0, 2, s.height()), QColor(50, 52, 60));
  }
  if (submenu) ChevronRight(p, QPointF(s.width() - 10, s.height() / 2.0), 6, highlighted ? Qt::white : colour::kAccent);
  return image;
}
QImage MenuNr() { return MenuItem(false, false); }
QImage MenuOv() { return MenuItem(true, false); }
QImage MenuSubNr() { return MenuItem(false, true); }
QImage MenuSubOv() { return MenuItem(true, true); }

struct Entry {
  const char* name;
  ImageFn make;
  const char* format;
};

const Entry kEntries[] = {
    {"main_nr.png", MainBackground, "PNG"},    {"main_mask.png", MainMask, "PNG"},
    {"min_nr.png", MinNr, "PNG"},              {"min_ov.png", MinOv, "PNG"},
    {"exit_nr.png", ExitNr, "PNG"},            {"exit_ov.png", ExitOv, "PNG"},
    {"button_nr.png", ButtonNr, "PNG"},        {"button_dn.png", ButtonDn, "PNG"},
    {"btn_nr.png", BtnNr, "PNG"},              {"btn_ov.png", BtnOv, "PNG"},
    {"btn2_nr.png", Btn2Nr, "PNG"},            {"combo_nr.png", ComboNr, "PNG"},
    {"combo_ov.png", ComboOv, "PNG"},          {"check_nr.png", CheckNr, "PNG"},
    {"check_ov.png", CheckOv, "PNG"},          {"check_dn.png", CheckDn, "PNG"},
    {"radio_nr.png", RadioNr, "PNG"},          {"radio_ov.png", RadioOv, "PNG"},
    {"radio_dn.png", RadioDn, "PNG"},          {"recbtn_nr.png", RecBtnNr, "PNG"},
    {"recbtn_dn.png", RecBtnDn, "PNG"},        {"macro_nr.png", MacroBackground, "PNG"},
    {"open.png", FolderOpen, "PNG"},           {"close.png", FolderClosed, "PNG"},
    {"UP_N.png", UpN, "PNG"},                  {"DN_N.png", DnN, "PNG"},
    {"TM_N.png", TmN, "PNG"},                  {"pickfundlg.png", PickerBackground, "PNG"},
    {"slider.png", Thumb, "PNG"},              {"dpi_bar.png", TrackNr, "PNG"},
    {"dpi_bar_ov.png", TrackOv, "PNG"},        {"msg_nr.png", MessageBackground, "PNG"},
    {"msgico.png", MsgIcon, "PNG"},            {"keyimg.png", KeyboardPicture, "PNG"},
    {"progress_nr.png", ProgressBackground, "PNG"}, {"progress_ov.png", ProgressOverlay, "PNG"},
    {"menu_nr.bmp", MenuNr, "BMP"},            {"menu_ov.bmp", MenuOv, "BMP"},
    {"menusub_nr.bmp", MenuSubNr, "BMP"},      {"menusub_ov.bmp", MenuSubOv, "BMP"},
};

}  // namespace

QPolygon MainOutline() {
  const MainLayout m;
  const int w = m.size.width();
  const int h = m.size.height();
  const int big = m.chamfer;
  constexpr int kSmall = 8;
  QPolygon outline;
  outline << QPoint(big, 0) << QPoint(w - kSmall, 0) << QPoint(w, kSmall) << QPoint(w, h - big)
          << QPoint(w - big, h) << QPoint(kSmall, h) << QPoint(0, h - kSmall) << QPoint(0, big) << QPoint(big, 0);
  return outline;
}

std::vector<SkinFile> SkinFiles() {
  std::vector<SkinFile> files;
  for (const Entry& e : kEntries) files.push_back({QString::fromLatin1(e.name), e.make(), QByteArray(e.format)});
  return files;
}

QImage IconImage(int s) {
  Sketch sketch(QSize(s, s));
  QPainter& p = sketch.p;
  const QRectF plate(s * 0.04, s * 0.04, s * 0.92, s * 0.92);
  QLinearGradient g(plate.topLeft(), plate.bottomLeft());
  g.setColorAt(0, colour::kAccentLight);
  g.setColorAt(1, colour::kAccentDark);
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawRoundedRect(plate, s * 0.2, s * 0.2);
  const QRectF cap = plate.adjusted(s * 0.14, s * 0.12, -s * 0.14, -s * 0.2);
  p.setBrush(QColor(24, 25, 30));
  p.drawRoundedRect(cap, s * 0.1, s * 0.1);
  QFont f = SkinFont(std::max(6, static_cast<int>(s * 0.5)), true);
  p.setFont(f);
  p.setPen(colour::kAccent);
  p.drawText(cap, Qt::AlignCenter, QStringLiteral("T"));
  return sketch.Take();
}

}  // namespace skin_gen
