// SPDX-License-Identifier: GPL-2.0-or-later
#include "tools/skin_gen/skin_layout.h"

#include <cmath>

namespace skin_gen {

namespace {

// Rows of the picture in units from the top of the function row; the function row is
// half a unit apart from the rest.
constexpr double kRowY[kMatrixRows] = {0.0, 1.5, 2.5, 3.5, 4.5, 5.5};
constexpr double kNav = 15.25;  // navigation block
constexpr double kPad = 18.5;   // numeric keypad
constexpr double kWidthUnits = 22.5;
constexpr double kHeightUnits = 6.5;

std::vector<KeyDef> KeyDefs() {
  std::vector<KeyDef> k;
  auto key = [&](int row, double x, double w, QString legend, uint8_t vk, QString shifted = {},
                 double h = 1.0, bool accent = false) {
    k.push_back({x, kRowY[row], w, h, std::move(legend), std::move(shifted), vk, row, accent});
  };
  // Function row.
  key(0, 0, 1, "Esc", 0x1B, {}, 1, true);
  for (int i = 0; i < 12; ++i) {
    const double x = 2 + i + (i / 4) * 0.5;
    key(0, x, 1, QString("F%1").arg(i + 1), static_cast<uint8_t>(0x70 + i));
  }
  key(0, kNav, 1, "PrtSc", 0x2C);
  key(0, kNav + 1, 1, "ScrLk", 0x91);
  key(0, kNav + 2, 1, "Pause", 0x13);

  // Number row.
  key(1, 0, 1, "`", 0xC0, QString::fromUtf8("¬"));
  const char* digitsShifted[] = {"!", "\"", "£", "$", "%", "^", "&", "*", "(", ")"};
  for (int i = 0; i < 10; ++i) {
    const int digit = (i + 1) % 10;
    key(1, 1 + i, 1, QString::number(digit), static_cast<uint8_t>(0x30 + digit), QString::fromUtf8(digitsShifted[i]));
  }
  key(1, 11, 1, "-", 0xBD, "_");
  key(1, 12, 1, "=", 0xBB, "+");
  key(1, 13, 2, "Backspace", 0x08);
  key(1, kNav, 1, "Ins", 0x2D);
  key(1, kNav + 1, 1, "Home", 0x24);
  key(1, kNav + 2, 1, "PgUp", 0x21);
  key(1, kPad, 1, "Num", 0x90);
  key(1, kPad + 1, 1, "/", 0x6F);
  key(1, kPad + 2, 1, "*", 0x6A);
  key(1, kPad + 3, 1, "-", 0x6D);

  // Top letter row (the Enter key belongs to the matrix row below).
  key(2, 0, 1.5, "Tab", 0x09);
  const char* qwerty = "QWERTYUIOP";
  for (int i = 0; i < 10; ++i) key(2, 1.5 + i, 1, QString(QChar(qwerty[i])), static_cast<uint8_t>(qwerty[i]));
  key(2, 11.5, 1, "[", 0xDB, "{");
  key(2, 12.5, 1, "]", 0xDD, "}");
  key(2, kNav, 1, "Del", 0x2E);
  key(2, kNav + 1, 1, "End", 0x23);
  key(2, kNav + 2, 1, "PgDn", 0x22);
  key(2, kPad, 1, "7", 0x67, "Home");
  key(2, kPad + 1, 1, "8", 0x68, QString::fromUtf8("▲"));
  key(2, kPad + 2, 1, "9", 0x69, "PgUp");
  key(2, kPad + 3, 1, "+", 0x6B, {}, 2);

  // Home row, with the ISO hash key and the L-shaped Enter.
  key(3, 0, 1.75, "Caps Lock", 0x14);
  const char* asdf = "ASDFGHJKL";
  for (int i = 0; i < 9; ++i) key(3, 1.75 + i, 1, QString(QChar(asdf[i])), static_cast<uint8_t>(asdf[i]));
  key(3, 10.75, 1, ";", 0xBA, ":");
  key(3, 11.75, 1, "'", 0xDE, "@");
  key(3, 12.75, 1, "#", 0xD8, "~");
  // The Enter's cell spans both letter rows; its outline is set when it is placed.
  k.push_back({13.5, kRowY[2], 1.5, 2.0, "Enter", {}, 0x0D, 3, true});
  key(3, kPad, 1, "4", 0x64, QString::fromUtf8("◀"));
  key(3, kPad + 1, 1, "5", 0x65);
  key(3, kPad + 2, 1, "6", 0x66, QString::fromUtf8("▶"));

  // Bottom letter row, with the ISO backslash key.
  key(4, 0, 1.25, "Shift", 0xA0);
  key(4, 1.25, 1, "\\", 0xE2, "|");
  const char* zxcv = "ZXCVBNM";
  for (int i = 0; i < 7; ++i) key(4, 2.25 + i, 1, QString(QChar(zxcv[i])), static_cast<uint8_t>(zxcv[i]));
  key(4, 9.25, 1, ",", 0xBC, "<");
  key(4, 10.25, 1, ".", 0xBE, ">");
  key(4, 11.25, 1, "/", 0xBF, "?");
  key(4, 12.25, 2.75, "Shift", 0xA1);
  key(4, kNav + 1, 1, QString::fromUtf8("▲"), 0x26);
  key(4, kPad, 1, "1", 0x61, "End");
  key(4, kPad + 1, 1, "2", 0x62, QString::fromUtf8("▼"));
  key(4, kPad + 2, 1, "3", 0x63, "PgDn");
  key(4, kPad + 3, 1, "Enter", 0xFD, {}, 2);

  // Space row: the right-hand keys are one unit wide to make room for Fn.
  key(5, 0, 1.25, "Ctrl", 0xA2);
  key(5, 1.25, 1.25, "Win", 0x5B);
  key(5, 2.5, 1.25, "Alt", 0xA4);
  key(5, 3.75, 6.25, "", 0x20);
  key(5, 10, 1, "AltGr", 0xA5);
  key(5, 11, 1, "Win", 0x5C);
  key(5, 12, 1, "Fn", 0xFA, {}, 1, true);
  key(5, 13, 1, "Menu", 0x5D);
  key(5, 14, 1, "Ctrl", 0xA3);
  key(5, kNav, 1, QString::fromUtf8("◀"), 0x25);
  key(5, kNav + 1, 1, QString::fromUtf8("▼"), 0x28);
  key(5, kNav + 2, 1, QString::fromUtf8("▶"), 0x27);
  key(5, kPad, 2, "0", 0x60, "Ins");
  key(5, kPad + 2, 1, ".", 0x6E, "Del");
  return k;
}

int Px(double units) { return static_cast<int>(std::lround(kCaseMargin + units * kUnit)); }

QRect Cap(double x, double y, double w, double h) {
  const QRect cell(QPoint(Px(x), Px(y)), QPoint(Px(x + w) - 1, Px(y + h) - 1));
  return cell.adjusted(kCapInset, kCapInset, -kCapInset, -kCapInset);
}

std::vector<PlacedKey> Place() {
  std::vector<PlacedKey> placed;
  int column[kMatrixRows] = {};
  for (const KeyDef& def : KeyDefs()) {
    PlacedKey p{def, Cap(def.x, def.y, def.w, def.h), def.row * kMatrixColumns + column[def.row]++, {}};
    if (def.vk == 0x0D) {
      // The ISO Enter: 1.5 units wide on the upper row, 1.25 units on the lower one.
      const QRect upper = Cap(13.5, kRowY[2], 1.5, 1);
      const QRect lower = Cap(13.75, kRowY[3], 1.25, 1);
      const int right = upper.right() + 1;
      const int bottom = lower.bottom() + 1;
      p.outline << upper.topLeft() << QPoint(right, upper.top()) << QPoint(right, bottom)
                << QPoint(lower.left(), bottom) << QPoint(lower.left(), upper.bottom() + 1)
                << QPoint(upper.left(), upper.bottom() + 1) << upper.topLeft();
      p.cap = QRect(upper.topLeft(), QPoint(right - 1, bottom - 1));
    }
    placed.push_back(std::move(p));
  }
  return placed;
}

}  // namespace

const std::vector<PlacedKey>& Keys() {
  static const std::vector<PlacedKey> keys = Place();
  return keys;
}

QSize KeyboardSize() {
  return {static_cast<int>(std::lround(2 * kCaseMargin + kWidthUnits * kUnit)),
          static_cast<int>(std::lround(2 * kCaseMargin + kHeightUnits * kUnit))};
}

int EnterMatrixPosition() {
  for (const PlacedKey& k : Keys()) {
    if (!k.outline.isEmpty()) return k.matrixPos;
  }
  return 0;
}

QRect MainLayout::rcKB() const {
  const QSize kb = KeyboardSize();
  constexpr int kTop = 36;  // room above; below it the main window writes a line of text
  return {deck.x() + (deck.width() - kb.width()) / 2, deck.y() + kTop, kb.width(), kb.height()};
}

}  // namespace skin_gen
