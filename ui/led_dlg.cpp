// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/led_dlg.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "app/program_settings.h"
#include "controls/draw_text.h"
#include "controls/menu_library.h"
#include "model/profile.h"
#include "model/profile_store.h"
#include "platform/messages.h"
#include "skin/app_font.h"
#include "skin/skin_image.h"
#include "skin/window_region.h"
#include "text/text_table.h"
#include "ui/kb_color_dlg.h"

namespace {

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }
QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.Width(), r.Height()); }

constexpr unsigned kTextFormat = DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS;

}  // namespace

CLedDlg::CLedDlg(LedPanelOwner* owner, const QImage& background) : owner_(owner) {
  const QRect area = ToQRect(Settings().rcLED);
  if (!background.isNull()) background_ = background.copy(area);
  SetBackground(background_);
  font_ = WindowFont(14);
}

CLedDlg::~CLedDlg() = default;

// ---- initialisation --------------------------------------------------------------------

void CLedDlg::OnInitDialog() {
  thumb_ = LoadSkinImage("slider.png").Image();
  checkBox_ = LoadSkinImage("check_nr.png").Size();
  CreateControls();
}

void CLedDlg::CreateControls() {
  const AppSettings& s = Settings();
  const TextTable& t = TextTable::Instance();
  const QImage* bg = background_.isNull() ? nullptr : &background_;

  // The mode button, with the lighting modes of the text table.
  CreatePngBtn(mode_, this, QPoint(s.ptLEDMode.x, s.ptLEDMode.y), "combo_nr.png", "combo_nr.png", "combo_nr.png",
               false, bg, nullptr, s.BtnTips != 0);
  for (const ChoiceItem& item : LightingModeItems(t, s)) mode_.AddItem(item.value, item.text);
  connect(&mode_, &QAbstractButton::clicked, this, &CLedDlg::OnModeChosen);

  // The two sliders: brightness, then speed below it.
  const QRect brightnessRect(15, s.ptLEDMode.y + 15 + 50, s.BarW, s.BarH);
  const QRect speedRect(15, brightnessRect.top() + s.BarH + 40, s.BarW, s.BarH);
  if (CreatePngSlider(thumb_, this, background_, brightness_, s.LightVal.x, s.LightVal.y, kBrightnessSliderId,
                      QPoint(0, 6), brightnessRect, brightnessRect)) {
    brightness_.Slider().SetScalePos(s.LightVal.y - s.LightVal.x + 1);
    brightness_.Slider().SetCrossPos(s.SliderY);
  }
  if (CreatePngSlider(thumb_, this, background_, speed_, s.SpeedVal.x, s.SpeedVal.y, kSpeedSliderId, QPoint(0, 6),
                      speedRect, speedRect)) {
    speed_.Slider().SetScalePos(s.SpeedVal.y - s.SpeedVal.x + 1);
    speed_.Slider().SetCrossPos(s.SliderY);
  }

  // The colour group button takes the speed slider's place (the game mode has no speed).
  CreatePngBtn(group_, this, speedRect.topLeft(), "combo_nr.png", "combo_nr.png", "combo_nr.png", true, bg, nullptr,
               s.BtnTips != 0);
  group_.SetDropWidth(kGroupMenuWidth);
  for (const ChoiceItem& item : ColourGroupItems(t, s)) group_.AddItem(item.value, item.text);
  connect(&group_, &QAbstractButton::clicked, this, &CLedDlg::OnGroupChosen);

  // The value texts right of the sliders, vertically centred on them; a field is widened
  // (within the panel) to its longest text, so that "100 %" is never cut.
  const auto valueField = [&](CPngBtn& field, const QRect& slider, int width, const std::u16string& longest) {
    QRect rect(slider.right() + 1 + 10, slider.top() + (slider.height() - 18) / 2, width, 18);
    if (background_.isNull()) return;
    const int needed = QFontMetrics(field.DrawingFont()).horizontalAdvance(Q(longest)) + 2;
    rect.setWidth(std::max(width, std::min(needed, background_.width() - rect.left())));
    const QImage face = background_.copy(rect);
    if (CreatePngPushBtn(field, this, rect, face, face, face)) {
      field.SetTextColors(s.Btn_txt_clr_nr, s.Btn_txt_clr_nr, s.Btn_txt_clr_nr);
      field.SetTextFormat(kTextFormat);
      field.setFocusPolicy(Qt::NoFocus);
      field.setAttribute(Qt::WA_TransparentForMouseEvents);
    }
  };
  std::u16string widestLevel;
  for (int level = s.LightVal.x; level <= s.LightVal.y && level - s.LightVal.x < 80; ++level) {
    const std::u16string text = BrightnessText(level, s);
    if (text.size() > widestLevel.size()) widestLevel = text;
  }
  valueField(brightnessValue_, brightnessRect, 30, widestLevel);
  valueField(speedValue_, speedRect, 25, SpeedText(s.SpeedVal.y));

  // What a screen reader calls them: the texts drawn beside them. Tab stops that a click
  // does not focus.
  setAccessibleName(Q(t.tc_msg1));
  mode_.setAccessibleName(Q(t.tc_acc_mode));
  brightness_.setAccessibleName(Q(t.tc_adv_str2));
  speed_.setAccessibleName(Q(t.tc_adv_str3));
  group_.setAccessibleName(Q(t.tc_adv_str1));
  mode_.setFocusPolicy(Qt::TabFocus);
  group_.setFocusPolicy(Qt::TabFocus);
}

// ---- operations of the main window ----------------------------------------------------

void CLedDlg::SetMode(int mode) {
  mode_.SetSelectedValue(mode);
  mode_.SetText(TextTable::Instance().LedModeName(mode));
}

void CLedDlg::ShowMode(int mode, const Profile* profile) {
  const AppSettings& s = Settings();
  if (profile == nullptr) profile = TheProfileStore().Current();
  const ModeSetting values = profile != nullptr ? ModeSettingOf(*profile, mode) : ModeSetting{};

  ShowSliderValue(kBrightnessSliderId, values.brightness);
  ShowSliderValue(kSpeedSliderId, values.speed);

  controls_ = ControlsOfMode(mode, s);
  speed_.setVisible(controls_.speed);
  speedValue_.setVisible(controls_.speed);
  brightness_.setVisible(controls_.brightness);
  brightnessValue_.setVisible(controls_.brightness);
  group_.setVisible(controls_.game && group_.Items().size() >= 2);

  speed_.SetPos(values.speed, false);
  brightness_.SetPos(values.brightness, false);

  if (profile != nullptr) {
    if (controls_.game) group_.SelectByValue(profile->colourGroup);
    ShowGroupColours(*profile, mode);
  }
  if (picture_ != nullptr) {
    picture_->ResetClickedKey();
    picture_->Redraw();
  }
  update();
}

void CLedDlg::StoreLighting() {
  ProfileStore& store = TheProfileStore();
  auto lock = store.Lock();
  Profile* profile = store.Current();
  if (profile == nullptr) return;
  LightingChoice choice;
  choice.mode = mode_.SelectedValue();
  choice.speed = speed_.GetPos();
  choice.brightness = brightness_.GetPos();
  choice.group = group_.SelectedValue();
  std::array<COLORREF, kKeyCount> colours{};
  if (picture_ != nullptr) {
    for (int i = 0; i < kKeyCount; ++i) colours[static_cast<std::size_t>(i)] = picture_->KeyColor(i);
  }
  ::StoreLighting(*profile, choice, colours, Settings());
}

// ---- choices ---------------------------------------------------------------------------

void CLedDlg::OnModeChosen() {
  CloseSkinnedMenus();
  const int mode = mode_.SelectedValue();
  ShowMode(mode);
  {
    ProfileStore& store = TheProfileStore();
    auto lock = store.Lock();
    if (Profile* profile = store.Current()) MarkColourGroupEdited(*profile);
  }
  StoreLighting();
  RequestApply(6);
}

void CLedDlg::OnGroupChosen() {
  CloseSkinnedMenus();
  ProfileStore& store = TheProfileStore();
  auto lock = store.Lock();
  Profile* profile = store.Current();
  if (profile == nullptr) return;
  const int32_t group = group_.SelectedValue();
  if (group >= 0 && group < kColourGroupCount) profile->colourGroup = static_cast<uint16_t>(group);
  ShowGroupColours(*profile, Settings().GaoshouIndex);
  if (picture_ != nullptr) {
    picture_->ResetClickedKey();
    picture_->Redraw();
  }
  lock.unlock();
  RequestApply(6);
}

void CLedDlg::ShowGroupColours(const Profile& profile, int mode) {
  if (picture_ == nullptr) return;
  const auto colours = PictureColours(profile, mode, Settings());
  picture_->SetKeyColors(colours);
}

void CLedDlg::ShowSliderValue(int id, int value) {
  if (id == kSpeedSliderId) {
    speedValue_.SetText(SpeedText(value), 1);
  } else if (id == kBrightnessSliderId) {
    brightnessValue_.SetText(BrightnessText(value, Settings()), 1);
  }
}

void CLedDlg::RequestApply(uint32_t flags) {
  // Sent at once only with ApplyNow; otherwise the change waits for the main window's Apply.
  if (owner_ != nullptr && Settings().ApplyNow != 0) owner_->PostApplyRequest(flags);
}

// ---- messages --------------------------------------------------------------------------

bool CLedDlg::OnWindowMessage(unsigned msg, uintptr_t wParam, intptr_t lParam) {
  switch (msg) {
    case WM_SLIDER_DONE:
      if (lParam != kSpeedSliderId && lParam != kBrightnessSliderId) return true;
      ShowSliderValue(static_cast<int>(lParam), static_cast<int>(wParam));
      StoreLighting();
      RequestApply(2);
      return true;
    case WM_SLIDER_MOVING:
      ShowSliderValue(static_cast<int>(lParam), static_cast<int>(wParam));
      return true;
    case WM_MENU_COMMAND:
      if (lParam != LedPanelOwner::kProfileFileCommand || owner_ == nullptr) return true;
      owner_->OnProfileMenuChoice(static_cast<int>(wParam));
      return true;
    default:
      return false;
  }
}

// ---- painting --------------------------------------------------------------------------

void CLedDlg::Paint(QPainter& painter) {
  const AppSettings& s = Settings();
  const TextTable& t = TextTable::Instance();
  if (background_.isNull()) {
    FillOnThisThread(painter, rect(), Qt::black);
  } else {
    DrawImageOnThisThread(painter, QPoint(0, 0), background_);
  }
  painter.setFont(font_);
  painter.setPen(QColor::fromRgb(ToQRgb(s.Txt_clr)));

  // The panel's heading beside an invisible box of the check image's size at (5, 15).
  const QSize box = checkBox_;
  const int top = 15 + (box.height() - 14) / 2;
  DrawText(painter, QRect(5 + box.width() + 6, top, 194, 14), Q(t.tc_msg1), kTextFormat);

  const auto above = [&](const QWidget& control, const std::u16string& text, int width, int gap) {
    const QRect r(control.x(), control.y() - gap, width, gap - 4);
    DrawText(painter, r, Q(text), kTextFormat);
  };
  if (controls_.speed && speed_.Exists()) above(speed_, t.tc_adv_str3, 220, 24);
  if (controls_.brightness && brightness_.Exists()) above(brightness_, t.tc_adv_str2, 220, 24);
  if (group_.Exists() && !group_.isHidden()) above(group_, t.tc_adv_str1, 130, 20);
  if (s.UIDebug != 0) {
    painter.setPen(Qt::red);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}
