// SPDX-License-Identifier: GPL-2.0-or-later
#include "tools/skin_gen/cfg_lines.h"

#include <QStringList>

#include "tools/skin_gen/skin_layout.h"

namespace skin_gen {

namespace {

// Rectangles as left, top, right, bottom with the right and bottom edges exclusive.
QString Ltrb(const QRect& r) {
  return QString("%1, %2, %3, %4").arg(r.left()).arg(r.top()).arg(r.right() + 1).arg(r.bottom() + 1);
}
QString Xywh(const QRect& r) {
  return QString("%1, %2, %3, %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}
QString Pt(const QPoint& p) { return QString("%1, %2").arg(p.x()).arg(p.y()); }
QString Hex(int v) { return QString::number(v, 16).toUpper(); }

QString KeyName(const KeyDef& d) {
  if (d.vk == 0x20) return QStringLiteral("Space");
  QString name = d.legend;
  if (!d.shifted.isEmpty() && d.shifted.size() == 1) name += QStringLiteral(" ") + d.shifted;
  if (d.x >= 18.5) name = QStringLiteral("Keypad ") + name;
  switch (d.vk) {
    case 0xA0: case 0xA2: case 0xA4: case 0x5B: name = QStringLiteral("left ") + name; break;
    case 0xA1: case 0xA3: case 0xA5: case 0x5C: name = QStringLiteral("right ") + name; break;
    default: break;
  }
  return name;
}

}  // namespace

QString LayoutLines() {
  const MainLayout m;
  const LedLayout led;
  const MacroLayout macro;
  QStringList l;
  l << "; Keyboard picture area, as x, y, width, height: the size of keyimg.png."
    << "rcKB=" + Xywh(m.rcKB())
    << "; Lighting panel area, as x, y, width, height."
    << "rcLED=" + Xywh(m.rcLED)
    << "; Web link area."
    << "rcWeb=" + Ltrb(m.rcWeb)
    << "; Top-left corner of the lighting panel's mode button, in the panel."
    << "ptLEDMode=" + Pt(led.ptLEDMode)
    << "; First profile button; the second and third follow 33 and 66 pixels lower."
    << "ptProfile=" + Pt(m.ptProfile)
    << "; Minimise and close buttons."
    << "ptMin=" + Pt(m.ptMin)
    << "ptExit=" + Pt(m.ptExit)
    << "; The apply button stands 126 pixels right of this point."
    << "ptApplyBtn=" + Pt(m.ptApplyBtn)
    << "; Macro editor button and reset button."
    << "ptMacro=" + Pt(m.ptMacro)
    << "ptReset=" + Pt(m.ptReset)
    << "; Width and height of the lighting sliders (the size of slider.png's track), and the"
    << "; top of their thumbs inside the slider."
    << "BarW=" + QString::number(led.barW)
    << "BarH=" + QString::number(led.barH)
    << "SliderY=" + QString::number(led.sliderY)
    << "; x position of the macro editor's option column."
    << "Macro_Opt_X=" + QString::number(macro.optX)
    << "; Vertical offset of the macro editor's repeat-count box."
    << "LoopY=" + QString::number(macro.loopY)
    << "; Macro list and event list of the macro editor."
    << "rcMacroList=" + Ltrb(macro.macroList)
    << "rcKeyList=" + Ltrb(macro.keyList);
  // The L-shaped Enter: its matrix position, then its outline's corners.
  for (const PlacedKey& k : Keys()) {
    if (k.outline.isEmpty()) continue;
    QStringList values{QString::number(k.matrixPos)};
    for (const QPoint& p : k.outline) values << QString::number(p.x()) << QString::number(p.y());
    l << "; The L-shaped Enter: its matrix position, then the corners of its outline on the"
      << "; keyboard picture as x, y pairs, the last corner equal to the first."
      << "UnRectKey=" + values.join(", ");
  }
  return l.join('\n') + '\n';
}

QString KeyLines() {
  QStringList l;
  l << "; K<n>=left, top, right, bottom, kind (hex), value (hex), modifiers (hex), matrix position"
    << "; The rectangle is the key's cap on keyimg.png. Kind 2 is a key and its value the key's"
    << "; virtual-key code (FA: Fn, FD: keypad Enter, D8: the ISO key left of Enter, E2: the ISO"
    << "; key left of Z). The matrix position is row x 21 + column on the keyboard's 6 x 21 matrix.";
  int n = 1;
  for (const PlacedKey& k : Keys()) {
    l << QString("; %1").arg(KeyName(k.def));
    l << QString("K%1=%2, 2, %3, 0, %4").arg(n++).arg(Ltrb(k.cap)).arg(Hex(k.def.vk)).arg(k.matrixPos);
  }
  return l.join('\n') + '\n';
}

bool ReplaceGeneratedLines(QString& cfg, QString* error) {
  const QString blocks[] = {LayoutLines(), KeyLines()};
  qsizetype from = 0;
  for (const QString& block : blocks) {
    const qsizetype begin = cfg.indexOf(kBeginMark, from);
    const qsizetype beginEnd = begin < 0 ? -1 : cfg.indexOf('\n', begin);
    const qsizetype end = beginEnd < 0 ? -1 : cfg.indexOf(kEndMark, beginEnd);
    if (end < 0) {
      if (error) *error = QStringLiteral("cfg.ini lacks a \"%1\" ... \"%2\" pair").arg(kBeginMark, kEndMark);
      return false;
    }
    cfg.replace(beginEnd + 1, end - beginEnd - 1, block);
    from = beginEnd + 1 + block.size() + kEndMark.size();
  }
  return true;
}

}  // namespace skin_gen
