// SPDX-License-Identifier: GPL-2.0-or-later
// AppSettings: the image of cfg.ini as a value, read once at start-up and passed to what
// uses it (by const reference, or as the few fields a function needs). It adapts the one
// program to one keyboard model and one skin: USB identity, switches, window layout,
// colours, lighting modes, preset game-key groups and the key table. The running GUI keeps
// its one value in app/program_settings.h; tastor-cli and the tests make their own.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/key_function.h"
#include "base/types.h"
#include "base/user_settings.h"

// One lighting mode: the code sent to the keyboard and whether the mode has a speed and
// a brightness setting.
struct LedModeEntry {
  uint8_t code = 0;
  uint8_t speed = 0;
  uint8_t brightness = 0;
  friend bool operator==(const LedModeEntry&, const LedModeEntry&) = default;
};

constexpr int kLedModeCount = 30;
constexpr int kGameKeySetCount = 15;

// The outline of the one non-rectangular key (the L-shaped Enter).
struct UnRectKeyOutline {
  std::array<int32_t, 50> values{};  // as read: matrix position, then x, y pairs
  int count = 0;                     // values read
  // True when the outline is used: at least 9 values.
  bool Used() const { return (count - 1) / 2 > 3; }
  int32_t MatrixPosition() const { return values[0]; }
  // The corners up to 24 pairs, ending before the first pair whose x is 0.
  std::vector<Point> Corners() const;
};

struct AppSettings {
  int32_t Debug = 0;
  int32_t Suwnd = 0;
  int32_t MatchStr = 0;
  int32_t Macro_Opt_X = 350;
  int32_t BtnTips = 0;
  int32_t ApplyNow = 0;
  int32_t KbType = 0;
  std::array<std::array<uint8_t, kKeyCount>, kGameKeySetCount> GameKeySets{};
  COLORREF clrGaoshou = 0xFFFFFF;
  int32_t MinDelay = 10;
  int32_t MacroDir = 0;
  int32_t MacroHasMsKey = 0;
  int16_t ListTrans = 0;
  Rect rcMacroList{30, 76, 180, 326};
  Rect rcKeyList{190, 76, 320, 326};
  uint16_t VID = 0;
  uint16_t PID = 0;
  std::u16string Title;      // at most 99 characters
  std::u16string USBString;  // at most 29
  std::u16string FontName;   // at most 29
  std::u16string appdir;     // at most 29
  int16_t Pop = 0;
  int16_t TrayIcon = 2;
  int32_t GoWithNoDev = 0;
  int32_t DefSpeed = 4;
  int32_t DefLight = 5;
  int32_t HookDLL = 0;
  int32_t MacroBufferSize = 192;
  Point LightVal{0, 5};
  Point SpeedVal{1, 5};
  int32_t FontSize = 15;
  int32_t MenuAlign = 0;
  int32_t SyncKB = 0;
  // 1: after an apply, reports 10 and 9 are read back and must hold what was written;
  // 0 for a keyboard that answers reads differently.
  int32_t VerifyApply = 1;
  std::array<uint8_t, kLedModeCount> Modes{};
  int ModesCount = 0;
  int32_t GaoshouIndex = 1;
  int32_t ColorCustomIndex = 8;
  int32_t LedMask = 0;
  int32_t GameMask = 0;
  std::array<LedModeEntry, kLedModeCount> LedModeTable{};
  int32_t UIDebug = 0;
  int32_t Scale = 0;  // windows' scale in percent (100 to 400); 0 or other values: the desktop's
  std::u16string Language;  // the texts' language when --lang is not given; "" the locale's
  int32_t StartHidden = 0;  // 1: every start is a hidden start, as with --hidden
  Rect rcKB{295, 180, 969, 365};
  Rect rcLED{19, 247, 261, 501};
  Rect rcWeb{53, 583, 223, 600};
  Rect rcHomePage{};
  Rect rcHomePage2{};
  Point ptLEDMode{90, 15};
  Point ptProfile{33, 49};
  Point ptMin{912, 29};
  Point ptExit{933, 29};
  Point ptApplyBtn{758, 581};
  Point ptMacro{33, 184};
  Point ptReset{33, 541};
  int32_t BarW = 180;
  int32_t BarH = 18;
  int32_t SliderY = 0;
  int32_t LoopY = 5;
  int32_t MenuW = 0;
  int32_t ShowLED = 1;
  std::array<uint8_t, 4> KeyNotSet{};
  std::array<uint8_t, 3> LEDParam{};
  UnRectKeyOutline UnRectKey;
  std::array<uint8_t, 6> PSD{};
  std::array<uint8_t, 80> LightPercentage{};
  int LightPercentageCount = 0;
  COLORREF Txt_clr = 0;
  COLORREF Btn_txt_clr_nr = 0;
  COLORREF Btn_txt_clr_ov = 0;
  COLORREF Btn_txt_clr_dn = 0;
  COLORREF Menu_txt_clr_nr = 0;
  COLORREF Menu_txt_clr_ov = 0;
  COLORREF Menu_txt_clr_dn = 0;
  COLORREF LstBox_txt_clr_nr = 0;
  COLORREF LstBox_txt_clr_dn = 0;
  COLORREF LstBox_bkg_clr = 0;
  COLORREF LstBox_item_clr = 0;
  COLORREF ClrKeyOv = 0x0000FF;
  COLORREF ClrKeyDn = 0x0000FF;
  COLORREF ClrKeyHasFunc = 0x0000FF;
  COLORREF clrMask = 0;
  ::KeyTable KeyTable;
  // Where each of the user's switches (UserSwitches(), by UserSwitch) got its value.
  std::array<SettingOrigin, kUserSwitchCount> origins{};
  const SettingOrigin& OriginOf(UserSwitch id) const { return origins[static_cast<std::size_t>(id)]; }
};

// Reads programFolder + "cfg.ini" into the settings; a missing file or key gives the
// defaults, malformed values show their message boxes without owner. Starts the
// diagnostic log right after reading Debug. Returns 1 in every case. When the file itself
// cannot be read (missing, unreadable, not a plain file, larger than the reader takes)
// readProblem, when given, says why in a few words, and "APPDATA=NULL" is not shown: the
// caller reports the file instead. It is left empty when the file was read.
// With overrides (ReadSettingsOverrides), the user's switches take the system's and then
// the user's values over cfg.ini's, key by key, and origins says where each came from;
// without them cfg.ini alone is read.
int LoadSettings(const std::string& programFolder, AppSettings& settings, std::string* readProblem = nullptr,
                 const SettingsOverrides* overrides = nullptr);

// Why an appdir value cannot name the user data folder, or null when it can: the folder
// must be one folder name inside the application-data folder, so it is refused when empty
// (blanks only), ".", "..", holding "/", "\", a control character or half of a surrogate
// pair, or longer than a file name may be (255 bytes of UTF-8). A refused value is taken
// as an empty appdir.
const char* AppdirProblem(std::u16string_view appdir);

// One user switch of programFolder + "cfg.ini" under the overrides of the default places,
// as LoadSettings would take it, for the code that needs it before the settings are read:
// the windows' scale is fixed when the GUI starts, and "tastor-cli text" reads no cfg.ini
// otherwise. Nothing is reported or logged.
std::optional<std::u16string> ReadUserSwitch(const std::string& programFolder, UserSwitch id);
// The Scale switch so read (0 when it is not set).
int32_t ReadScaleSetting(const std::string& programFolder);

// The settings' number lists: pieces between commas converted in the given base, the
// first piece that is not entirely a number ending the list; at most maxCount values.
std::vector<uint32_t> ParseNumberList(std::u16string_view text, int base, std::size_t maxCount,
                                      std::size_t bufferChars);
