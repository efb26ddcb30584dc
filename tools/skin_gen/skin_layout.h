// SPDX-License-Identifier: GPL-2.0-or-later
// The reference skin's one description: the keys of the Tastor TK-105 (an ISO full-size
// keyboard, 105 keys plus Fn) in key units, the pixel scale of the keyboard picture, and
// the positions of every window part. The images, the layout lines and the key section
// of cfg.ini are all made from it, so the picture, the key rectangles and the window
// positions always agree.
#pragma once

#include <QColor>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <vector>

namespace skin_gen {

// One key of the keyboard, placed in key units (1 unit = one alphanumeric key).
struct KeyDef {
  double x, y, w, h;    // position and size in units; y counts from the function row
  QString legend;       // main legend (bottom-left for two-legend keys)
  QString shifted;      // upper legend, or empty
  uint8_t vk;           // default function: this virtual-key code (kind 2)
  int row;              // matrix row 0..5; the column is the key's place in its row
  bool accent = false;  // legend in the accent colour
};

// A key as the picture and cfg.ini see it.
struct PlacedKey {
  KeyDef def;
  QRect cap;             // the key cap in picture pixels; also the key's rectangle
  int matrixPos;         // row × 21 + column
  QPolygon outline;      // the L-shaped Enter's outline (closed), else empty
};

constexpr int kMatrixColumns = 21;
constexpr int kMatrixRows = 6;

// Keyboard picture scale: pixels per key unit and the case margin around the keys.
constexpr double kUnit = 46.0;
constexpr int kCaseMargin = 18;
constexpr int kCapInset = 2;  // gap between a key's cell and its cap, each side

// The keys in cfg.ini order (row by row, left to right), placed.
const std::vector<PlacedKey>& Keys();
// The keyboard picture's size.
QSize KeyboardSize();
// Matrix position of the L-shaped Enter.
int EnterMatrixPosition();

// Colours of the skin.
namespace colour {
inline const QColor kAccent{255, 140, 0};
inline const QColor kAccentDark{196, 104, 0};
inline const QColor kAccentLight{255, 178, 82};
inline const QColor kBack0{14, 15, 18};
inline const QColor kBack1{24, 25, 30};
inline const QColor kPanelLine{46, 48, 56};
inline const QColor kText{220, 220, 225};
inline const QColor kTextDim{140, 142, 150};
inline const QColor kCapTop{46, 48, 56};
inline const QColor kCapBottom{30, 32, 38};
inline const QColor kCapSide{17, 18, 22};
}  // namespace colour

// Positions of the main window and its parts (main window client coordinates).
struct MainLayout {
  QSize size{1400, 640};
  int headerHeight = 56;
  QRect leftPanel{18, 70, 264, 552};
  QRect deck{294, 70, 1088, 552};
  QRect footer{295, 540, 1086, 81};  // the deck's bottom strip: apply button and web link
  int chamfer = 26;                 // cut corners, top-left and bottom-right
  QPoint ptMin{1400 - 84, 15};
  QPoint ptExit{1400 - 50, 15};
  QPoint ptProfile{36, 96};
  QPoint ptMacro{36, 210};
  QPoint ptReset{36, 554};
  QPoint ptApplyBtn{1400 - 36 - 70 - 126, 568};  // the apply button sits 126 to the right
  QRect rcKB() const;               // the keyboard picture, centred in the deck's top
  QRect rcLED{30, 262, 250, 220};   // lighting panel: room for the value texts right of the sliders
  QRect rcWeb{QPoint(316, 571), QPoint(565, 590)};  // web link
  QRect versionText{55, 600, 200, 20};  // where the main window writes its version
};

// Lighting panel parts (panel coordinates).
struct LedLayout {
  QPoint ptLEDMode{15, 44};
  int barW = 180;
  int barH = 18;
  int sliderY = 0;
  QPoint barImageOffset{0, 6};  // where the lighting panel lays the track inside a bar
};

// The macro editor (its own client coordinates).
struct MacroLayout {
  QSize size{580, 380};
  int optX = 350;
  int loopY = 5;
  QRect macroList{QPoint(30, 76), QPoint(179, 325)};
  QRect keyList{QPoint(190, 76), QPoint(319, 325)};
};

// Sizes of the dialog backgrounds and of the control images.
namespace size {
inline const QSize kPicker{545, 350};
inline const QSize kMessage{540, 190};
inline const QSize kProgress{530, 140};
inline const QSize kButton{228, 25};   // button_nr/dn: profile, macro, reset, capture box
inline const QSize kBtn{70, 26};       // btn_nr/ov: apply, OK, Cancel, Save
inline const QSize kBtn2{160, 40};     // btn2_nr: the picker's page buttons
inline const QSize kCombo{180, 24};
inline const QSize kCheck{16, 16};
inline const QSize kRecBtn{150, 40};
inline const QSize kCaption{26, 26};   // min and exit
inline const QSize kThumb{14, 18};     // slider.png
inline const QSize kTrack{180, 6};     // dpi_bar.png, dpi_bar_ov.png
inline const QSize kFolder{16, 16};
inline const QSize kEventIcon{18, 18};
inline const QSize kMsgIcon{48, 48};
inline const QSize kMenuItem{200, 20};
}  // namespace size

// Fixed positions the windows use (their own client coordinates).
namespace fixed {
inline const QRect kPickerClose{429, 11, 44, 19};     // (429, 11)-(473, 30)
inline const QRect kPickerDefault{479, 5, 39, 30};    // (479, 5)-(518, 35)
inline const QRect kPickerPageArea{193, 50, 345, 260};
inline const QRect kPickerTree{228, 90, 229, 195};
inline const QPoint kPickerPage1{27, 90};
inline const int kPickerPageStep = 64;
inline const QRect kProgressBar{45, 101, 441, 22};    // (45, 101)-(486, 123)
inline const QRect kProgressText{15, 12, 440, 20};
inline const QPoint kProgressClose{489, 8};
inline const QPoint kMessageIcon{45, 85};
}  // namespace fixed

}  // namespace skin_gen
