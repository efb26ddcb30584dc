// SPDX-License-Identifier: GPL-2.0-or-later
#include "tools/gallery/sheets.h"

#include <QApplication>
#include <QPainter>
#include <memory>
#include <vector>

#include "app/program_settings.h"
#include "controls/control_look.h"
#include "controls/color_btn_dlg.h"
#include "controls/combo_btn.h"
#include "controls/menu_library.h"
#include "controls/png_btn.h"
#include "controls/png_slider.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "text/text_table.h"
#include "tools/gallery/gallery_canvas.h"

namespace gallery {

namespace {

QString Q(const std::u16string& s) { return QString::fromStdU16String(s); }

// A spot of the main window's side panel: its plain colour is the sheets' backdrop.
constexpr QPoint kPanelSpot(40, 500);

QImage MainBackground() { return LoadSkinImage("main_nr.png").Image(); }

// Shows the canvas at a place on the (virtual) screen and lets it settle.
void Present(Canvas& canvas, QPoint at) {
  canvas.move(at);
  canvas.ShowModeless();
  QApplication::processEvents();
}

struct ButtonKind {
  const char* label;
  const char* normal;
  const char* hover;
  const char* pressed;
  bool checkStyle;
  std::u16string caption;
  bool debugFrame = false;
  bool combo = false;
};

enum class State { Normal, Hover, Pressed, Checked, CheckedHover, Disabled };
constexpr State kStates[] = {State::Normal, State::Hover, State::Pressed, State::Checked, State::CheckedHover,
                             State::Disabled};
const char* const kStateNames[] = {"normal", "hover", "pressed", "checked", "checked + hover", "disabled"};

}  // namespace

bool ButtonSheet(const QString& path) {
  const TextTable& t = TextTable::Instance();
  const std::vector<ButtonKind> kinds = {
      {"Text button, push style", "btn_nr.png", "btn_ov.png", "btn_ov.png", false, t.tc_ok},
      {"Apply button, push style", "btn_nr.png", "btn_nr.png", "btn_nr.png", false, t.tc_apply},
      {"Profile button, push style", "button_nr.png", "button_nr.png", "button_dn.png", false, t.tc_protitle + u" 1"},
      {"Record button, push style", "recbtn_nr.png", "recbtn_nr.png", "recbtn_dn.png", false, t.tc_macro_start},
      {"Check box, check style", "check_nr.png", "check_ov.png", "check_dn.png", true, u""},
      {"Radio button, check style", "radio_nr.png", "radio_ov.png", "radio_dn.png", true, u""},
      {"Close button", "exit_nr.png", "exit_ov.png", "exit_ov.png", false, u""},
      {"Minimise button", "min_nr.png", "min_ov.png", "min_ov.png", false, u""},
      {"Combo button (CComboBtn)", "combo_nr.png", "combo_ov.png", "combo_ov.png", false, t.LedModeName(2), false,
       true},
      {"Text button with UIDebug frame", "btn_nr.png", "btn_ov.png", "btn_ov.png", false, t.tc_cancel, true},
  };
  const int labelWidth = 230, cellWidth = 250, rowHeight = 48, top = 44;
  const QSize size(labelWidth + cellWidth * 6 + 10, top + rowHeight * static_cast<int>(kinds.size()) + 10);
  const QImage background = BackgroundFrom(MainBackground(), kPanelSpot, QSize(1, 1)).scaled(size);
  Canvas canvas(size, background);
  for (int c = 0; c < 6; ++c) canvas.Heading(QRect(labelWidth + c * cellWidth, 8, cellWidth, 28), kStateNames[c]);

  std::vector<std::unique_ptr<CPngBtn>> buttons;
  const int savedDebug = Settings().UIDebug;
  for (std::size_t r = 0; r < kinds.size(); ++r) {
    const ButtonKind& kind = kinds[r];
    const int y = top + static_cast<int>(r) * rowHeight;
    canvas.Label(QRect(12, y, labelWidth - 16, rowHeight - 8), kind.label);
    Settings().UIDebug = kind.debugFrame ? 1 : 0;
    InstallControlLook(ControlLookOf(Settings()));
    for (int c = 0; c < 6; ++c) {
      const State state = kStates[c];
      // A combo button is never drawn pressed: its press only opens the list.
      if (kind.combo && state == State::Pressed) {
        canvas.Label(QRect(labelWidth + c * cellWidth, y, cellWidth, rowHeight - 8), QStringLiteral("(opens its list)"));
        continue;
      }
      auto button = kind.combo ? std::make_unique<CComboBtn>() : std::make_unique<CPngBtn>();
      const SkinImage probe = LoadSkinImage(kind.normal);
      const QPoint at(labelWidth + c * cellWidth, y + (rowHeight - 8 - probe.Height()) / 2);
      if (!CreatePngBtn(*button, &canvas, at, kind.normal, kind.hover, kind.pressed, kind.checkStyle, &background,
                        kind.caption.empty() ? nullptr : kind.caption.c_str(), false)) {
        continue;
      }
      if (state == State::Checked || state == State::CheckedHover) button->SetCheck(true);
      buttons.push_back(std::move(button));
    }
  }
  Settings().UIDebug = savedDebug;
  InstallControlLook(ControlLookOf(Settings()));
  Present(canvas, QPoint(0, 0));
  // Hover, press and disable only once everything is shown.
  std::size_t i = 0;
  for (std::size_t r = 0; r < kinds.size(); ++r) {
    for (int c = 0; c < 6; ++c) {
      const State state = kStates[c];
      if (kinds[r].combo && state == State::Pressed) continue;
      if (i >= buttons.size()) break;
      CPngBtn& b = *buttons[i++];
      if (state == State::Hover || state == State::CheckedHover) HoverAt(&b, QPoint(3, 3));
      if (state == State::Pressed) b.setDown(true);
      if (state == State::Disabled) b.setEnabled(false);
    }
  }
  return Save(canvas.grab().toImage(), path);
}

bool LightingPanelSheet(const QString& path) {
  const AppSettings& s = Settings();
  const TextTable& t = TextTable::Instance();
  const QRect panel(s.rcLED.left, s.rcLED.top, s.rcLED.Width(), s.rcLED.Height());
  const QImage background = MainBackground().copy(panel);
  Canvas canvas(panel.size(), background);

  // The layout of the lighting panel: mode button, brightness and speed sliders.
  CComboBtn mode;
  CreatePngBtn(mode, &canvas, QPoint(s.ptLEDMode.x, s.ptLEDMode.y), "combo_nr.png", "combo_nr.png", "combo_nr.png",
               false, &background);
  for (int i = 0; i < kLedModeCount && !t.LedModeName(i).empty(); ++i) mode.AddItem(i, t.LedModeName(i));
  mode.SelectByValue(2);

  const QImage thumb = LoadSkinImage("slider.png").Image();
  const QRect brightnessRect(15, s.ptLEDMode.y + 15 + 50, s.BarW, s.BarH);
  const QRect speedRect(15, brightnessRect.bottom() + 1 + 40, s.BarW, s.BarH);
  CPngSliderBar brightness, speed;
  CreatePngSlider(thumb, &canvas, background, brightness, s.LightVal.x, s.LightVal.y, 149, QPoint(0, 6),
                  brightnessRect, brightnessRect);
  CreatePngSlider(thumb, &canvas, background, speed, s.SpeedVal.x, s.SpeedVal.y, 148, QPoint(0, 6), speedRect,
                  speedRect);
  brightness.Slider().SetScalePos(s.LightVal.y - s.LightVal.x + 1);
  speed.Slider().SetScalePos(s.SpeedVal.y - s.SpeedVal.x + 1);
  brightness.Slider().SetCrossPos(s.SliderY);
  speed.Slider().SetCrossPos(s.SliderY);
  brightness.SetPos(3, false);
  speed.SetPos(3, false);

  canvas.Label(QRect(15, brightnessRect.top() - 24, 220, 20), Q(t.tc_adv_str2));
  canvas.Label(QRect(15, speedRect.top() - 24, 220, 20), Q(t.tc_adv_str3));

  // On the screen at the panel's place in the main window (which lies at the screen's
  // corner): once as it is, once with the list open and the mouse over its third item.
  Present(canvas, panel.topLeft());
  const QImage face = MainBackground();
  const QRect area = panel.adjusted(-10, -10, 10, 10 + 10 * kMenuItemHeight) & face.rect();
  const QImage closed = Compose(area, {&canvas}, face.copy(area));
  std::vector<QWidget*> windows = {&canvas};
  if (mode.OpenList()) {
    QApplication::processEvents();
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == QLatin1String("VelumMenu") && w->isVisible()) {
        HoverAt(w, QPoint(20, 2 * kMenuItemHeight + 10));
        windows.push_back(w);
      }
    }
  }
  const QImage open = Compose(area, windows, face.copy(area));
  CloseSkinnedMenus();
  QImage picture(area.width() * 2, area.height(), QImage::Format_ARGB32_Premultiplied);
  QPainter p(&picture);
  p.drawImage(0, 0, closed);
  p.drawImage(area.width(), 0, open);
  p.end();
  return Save(picture, path);
}

bool SubmenuSheet(const QString& path) {
  const TextTable& t = TextTable::Instance();
  const QImage background = LoadSkinImage("macro_nr.png").Image();
  Canvas canvas(background.isNull() ? QSize(580, 380) : background.size(), background);
  Present(canvas, QPoint(0, 0));

  // The event list's menu with the insert submenu, as the macro editor builds it.
  MenuItems items;
  items.AddTop(64, t.tc_macro_msg7);
  items.AddTop(0, t.tc_macro_loop);  // index 1 opens the submenu
  items.Add(1, 0xF70080, t.tc_macro_msg14);
  items.Add(1, 0xF80080, t.tc_macro_msg15);
  items.Add(1, 0xF90080, t.tc_macro_msg16);
  items.Add(1, 0xF00080, t.tc_click);
  items.Add(1, 0xF10080, t.tc_menu);
  items.AddTop(1024, t.tc_macro_msg10);
  const QFont font = WindowFont(15);
  if (!OpenSkinnedMenu(canvas.hwnd(), 150, QPoint(190, 120), items, 0x8000, &font)) {
    return Save(canvas.grab().toImage(), path);
  }
  QApplication::processEvents();
  std::vector<QWidget*> windows = {&canvas};
  QWidget* menu = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QLatin1String("VelumMenu") && w->isVisible()) menu = w;
  }
  if (menu != nullptr) {
    HoverAt(menu, QPoint(20, kMenuItemHeight + 10));
    windows.push_back(menu);
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == QLatin1String("VelumSubmenu") && w->isVisible()) {
        HoverAt(w, QPoint(20, 2 * kMenuItemHeight + 10));
        windows.push_back(w);
      }
    }
  }
  const QImage picture = Compose(QRect(QPoint(0, 0), canvas.size()), windows);
  CloseSkinnedMenus();
  return Save(picture, path);
}

bool SliderSheet(const QString& path) {
  struct Row {
    const char* label;
    int min, max, step;
    bool debug;
  };
  const std::vector<Row> rows = {
      {"Brightness 0 to 5, step 0", 0, 5, 0, false},  {"Brightness 0 to 5, step 3", 0, 5, 3, false},
      {"Brightness 0 to 5, step 5", 0, 5, 5, false},  {"Speed 1 to 5, step 1", 1, 5, 1, false},
      {"Speed 1 to 5, step 4", 1, 5, 4, false},       {"10 steps, step 0", 0, 9, 0, false},
      {"10 steps, step 4", 0, 9, 4, false},           {"10 steps, step 9", 0, 9, 9, false},
      {"6 steps with UIDebug, step 2", 0, 5, 2, true}, {"2 steps, step 1", 0, 1, 1, false},
  };
  const int labelWidth = 230, rowHeight = 34;
  const QSize size(labelWidth + 180 + 20, 10 + rowHeight * static_cast<int>(rows.size()));
  const QImage background = BackgroundFrom(MainBackground(), kPanelSpot, QSize(1, 1)).scaled(size);
  Canvas canvas(size, background);
  const QImage thumb = LoadSkinImage("slider.png").Image();
  std::vector<std::unique_ptr<CPngSliderBar>> bars;
  const int savedDebug = Settings().UIDebug;
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows[r];
    const int y = 10 + static_cast<int>(r) * rowHeight;
    canvas.Label(QRect(12, y, labelWidth - 16, 18), row.label);
    Settings().UIDebug = row.debug ? 1 : 0;
    InstallControlLook(ControlLookOf(Settings()));
    auto bar = std::make_unique<CPngSliderBar>();
    const QRect rect(labelWidth, y, 180, 18);
    if (CreatePngSlider(thumb, &canvas, background, *bar, row.min, row.max, 149, QPoint(0, 6), rect, rect)) {
      bar->Slider().SetScalePos(row.max - row.min + 1);
      bar->SetPos(row.step, false);
      bars.push_back(std::move(bar));
    }
  }
  Settings().UIDebug = savedDebug;
  InstallControlLook(ControlLookOf(Settings()));
  Present(canvas, QPoint(0, 0));
  return Save(canvas.grab().toImage(), path);
}

bool SwatchSheet(const QString& path) {
  const AppSettings& s = Settings();
  // The picker's face around its two swatches, then the other states below.
  const QImage picker = LoadSkinImage("pickfundlg.png").Image();
  const QSize size(190, 130);
  const QImage background = BackgroundFrom(picker, QPoint(2, 60), size);
  Canvas canvas(size, background);
  struct Swatch {
    QPoint at;
    COLORREF colour;
    bool none;
    bool selected;
  };
  const std::vector<Swatch> swatches = {
      {{20, 20}, s.clrGaoshou, false, false}, {{62, 20}, 0, true, false},  {{104, 20}, 0, false, false},
      {{20, 80}, s.clrGaoshou, false, true},  {{62, 80}, 0, true, true},   {{104, 80}, RGB(40, 160, 255), false, true},
  };
  canvas.Label(QRect(10, 46, 190, 20), QStringLiteral("not selected"));
  canvas.Label(QRect(10, 106, 190, 20), QStringLiteral("selected"));
  std::vector<std::unique_ptr<CColorBtnDlg>> made;
  for (const Swatch& w : swatches) {
    auto swatch = std::make_unique<CColorBtnDlg>(&canvas);
    swatch->setGeometry(QRect(w.at, QSize(22, 22)));
    swatch->SetFrameColors(0x969696, 0x1513BD);
    swatch->SetColor(w.colour);
    swatch->SetNoneMark(w.none);
    swatch->SetSelected(w.selected);
    made.push_back(std::move(swatch));
  }
  Present(canvas, QPoint(0, 0));
  return Save(canvas.grab().toImage(), path, 3);
}

}  // namespace gallery
