// SPDX-License-Identifier: GPL-2.0-or-later
#include "tools/skin_gen/screenshot.h"

#include <QPainter>
#include <QPainterPath>

#include "app/program_settings.h"
#include "skin/app_font.h"
#include "skin/key_outline.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "text/text_table.h"

namespace skin_gen {

namespace {

QColor Colour(COLORREF c) { return QColor::fromRgb(ToQRgb(c)); }

QString Text(const std::u16string& text, const char* fallback) {
  return text.empty() ? QString::fromUtf8(fallback) : QString::fromStdU16String(text);
}

class Composer {
 public:
  Composer(QPainter& p, const std::string& folder) : p_(p), folder_(folder) {}

  // An image button at its top-left corner with a centred caption.
  void Button(const char* file, QPoint at, const QString& caption, COLORREF ink) {
    const SkinImage image = LoadImage(SkinPath(folder_, file));
    if (image.Width() == 0) return;
    p_.drawImage(at, image.Image());
    if (caption.isEmpty()) return;
    p_.setFont(WindowFont(15));
    p_.setPen(Colour(ink));
    p_.drawText(QRect(at, image.Size()), Qt::AlignCenter | Qt::TextSingleLine, caption);
  }

  void Label(const QRect& r, const QString& text, COLORREF ink, int flags = Qt::AlignLeft | Qt::AlignVCenter) {
    p_.setFont(WindowFont(14));
    p_.setPen(Colour(ink));
    p_.drawText(r, flags | Qt::TextSingleLine, text);
  }

  // A lighting slider: the track and the fill laid on the panel at the image offset, the
  // fill shown up to the step's position, and the thumb centred on it.
  void Slider(QPoint at, int steps, int step) {
    const AppSettings& s = Settings();
    const SkinImage track = LoadImage(SkinPath(folder_, "dpi_bar.png"));
    const SkinImage fill = LoadImage(SkinPath(folder_, "dpi_bar_ov.png"));
    const SkinImage thumb = LoadImage(SkinPath(folder_, "slider.png"));
    const QPoint offset(0, 6);
    p_.drawImage(at + offset, track.Image());
    // Step positions of the scale: 12 to 168, the remainder spread over the first steps.
    const int q = 156 / (steps - 1);
    const int r = 156 % (steps - 1);
    const int pos = step == steps - 1 ? 168 : 12 + step * q + std::min(step, r);
    p_.drawImage(at + offset, fill.Image().copy(0, 0, pos + 1, fill.Height()));
    p_.drawImage(at + QPoint(pos - thumb.Width() / 2, s.SliderY), thumb.Image());
  }

 private:
  QPainter& p_;
  const std::string& folder_;
};

void FrameKey(QPainter& p, const KeyFunction& key, const QPainterPath* polygon, const QColor& colour) {
  p.setPen(QPen(colour, 1.0));
  p.setBrush(Qt::NoBrush);
  if (polygon) {
    p.drawPath(*polygon);
  } else {
    p.drawRect(QRectF(key.rect.left, key.rect.top, key.rect.Width(), key.rect.Height()));
  }
}

}  // namespace

QImage ComposeMainWindow(const std::string& folder) {
  const AppSettings& s = Settings();
  const TextTable& t = TextTable::Instance();
  const SkinImage background = LoadImage(SkinPath(folder, "main_nr.png"));
  QImage shot(background.Size(), QImage::Format_ARGB32_Premultiplied);
  shot.fill(Qt::transparent);
  if (background.Width() == 0) return shot;

  const WindowShape shape = LoadMainWindowShape(folder, background, Settings().clrMask);
  QPainter p(&shot);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  if (shape.source != ShapeSource::Rectangular) p.setClipRegion(shape.region);
  p.fillRect(shot.rect(), QColor(255, 255, 255, 200));
  p.drawImage(shot.rect(), background.Image());
  Composer c(p, folder);

  // Keyboard picture with a few marked keys: W A S D carry own functions, Enter too, and
  // the mouse rests on G; the game colour lights the arrows.
  const QRect kb(s.rcKB.left, s.rcKB.top, s.rcKB.Width(), s.rcKB.Height());
  const SkinImage keys = LoadImage(SkinPath(folder, "keyimg.png"));
  p.save();
  p.translate(kb.topLeft());
  p.drawImage(QRect(QPoint(0, 0), kb.size()), keys.Image());
  const QPainterPath enter = KeyOutlinePath(s.UnRectKey.Corners());
  for (int k = 0; k < s.KeyTable.count; ++k) {
    const KeyFunction& key = s.KeyTable.keys[static_cast<std::size_t>(k)];
    const bool isEnter = s.UnRectKey.Used() && key.matrixPos == s.UnRectKey.MatrixPosition();
    const uint8_t vk = key.key1;
    if (vk == 'W' || vk == 'A' || vk == 'S' || vk == 'D' || isEnter) {
      FrameKey(p, key, isEnter ? &enter : nullptr, Colour(s.ClrKeyHasFunc));
    }
    if (vk >= 0x25 && vk <= 0x28) {
      QColor lit = Colour(s.clrGaoshou);
      lit.setAlpha(120);
      p.fillRect(QRect(key.rect.left, key.rect.top, key.rect.Width(), key.rect.Height()), lit);
    }
    if (vk == 'G') FrameKey(p, key, nullptr, Colour(s.ClrKeyOv));
  }
  p.restore();
  c.Label(QRect(kb.left() + 4, kb.bottom() + 6, 686, 20), Text(t.tc_msg10, "Click a key to give it a new function."),
          s.Txt_clr);
  c.Label(QRect(55, 600, 200, 20), Text(t.tc_version, "Version 1.0"), s.Txt_clr);

  // Caption buttons, profile buttons (the first one checked), macro, reset and apply.
  c.Button("min_nr.png", QPoint(s.ptMin.x, s.ptMin.y), {}, 0);
  c.Button("exit_ov.png", QPoint(s.ptExit.x, s.ptExit.y), {}, 0);
  const QString profile = Text(t.tc_protitle, "Profile");
  for (int i = 0; i < 3; ++i) {
    c.Button(i == 0 ? "button_dn.png" : "button_nr.png", QPoint(s.ptProfile.x, s.ptProfile.y + 33 * i),
             QString("%1 %2").arg(profile).arg(i + 1), i == 0 ? s.Btn_txt_clr_dn : s.Btn_txt_clr_nr);
  }
  c.Button("button_nr.png", QPoint(s.ptMacro.x, s.ptMacro.y), Text(t.tc_page2, "Macros"), s.Btn_txt_clr_nr);
  c.Button("button_nr.png", QPoint(s.ptReset.x, s.ptReset.y), Text(t.tc_restore, "Restore defaults"),
           s.Btn_txt_clr_nr);
  c.Button("btn_ov.png", QPoint(s.ptApplyBtn.x + 126, s.ptApplyBtn.y), Text(t.tc_apply, "Apply"), s.Btn_txt_clr_ov);
  if (!t.tc_web.empty()) {
    c.Label(QRect(s.rcWeb.left, s.rcWeb.top, s.rcWeb.Width(), s.rcWeb.Height()), QString::fromStdU16String(t.tc_web),
            s.Btn_txt_clr_nr);
  }

  // Lighting panel: its title, the mode button and the two sliders with their values.
  p.save();
  p.translate(s.rcLED.left, s.rcLED.top);
  const SkinImage check = LoadImage(SkinPath(folder, "check_nr.png"));
  c.Label(QRect(5 + check.Width() + 6, 15, 194, 14), Text(t.tc_msg1, "Lighting"), s.Txt_clr);
  c.Button("combo_nr.png", QPoint(s.ptLEDMode.x, s.ptLEDMode.y), Text(t.LedModeName(2), "Breathing"),
           s.Btn_txt_clr_nr);
  const int brightTop = s.ptLEDMode.y + 15 + 50;
  const int speedTop = brightTop + s.BarH + 40;
  c.Label(QRect(15, brightTop - 24, 220, 20), Text(t.tc_adv_str2, "Brightness"), s.Txt_clr);
  c.Slider(QPoint(15, brightTop), 6, 3);
  c.Label(QRect(15 + s.BarW + 10, brightTop, 30, 18), QStringLiteral("60 %"), s.Btn_txt_clr_nr);
  c.Label(QRect(15, speedTop - 24, 220, 20), Text(t.tc_adv_str3, "Speed"), s.Txt_clr);
  c.Slider(QPoint(15, speedTop), 5, 2);
  c.Label(QRect(15 + s.BarW + 10, speedTop, 25, 18), QStringLiteral("3"), s.Btn_txt_clr_nr);
  p.restore();
  return shot;
}

}  // namespace skin_gen
