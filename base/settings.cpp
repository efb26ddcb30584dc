// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/settings.h"

#include <cstdio>
#include <optional>
#include <string>

#include "base/ini_reader.h"
#include "base/log.h"
#include "base/window_port.h"
#include "text/utf.h"

namespace {

constexpr std::u16string_view kOpt = u"OPT";
constexpr std::u16string_view kKey = u"KEY";
// The longest file name the file systems take, in bytes.
constexpr std::size_t kMaxFileNameBytes = 255;

void ShowError(std::u16string_view text) {
  Windows().MessageBox(nullptr, text, u"Error", MB_OK | MB_ICONERROR);
}
void ShowWarning(std::u16string_view text) {
  Windows().MessageBox(nullptr, text, u"Warning", MB_OK | MB_ICONWARNING);
}

std::u16string KeyName(const char* format, int n) {
  char name[32];
  std::snprintf(name, sizeof name, format, n);
  return FromUtf8(name);
}

bool IsCBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}

// The C library's unsigned conversion of one piece, required to use the whole piece:
// leading blanks, an optional sign (a minus negates modulo 2^32), in base 16 an optional
// "0x", then at least one digit and nothing after. Out of range saturates.
std::optional<uint32_t> ConvertPiece(std::u16string_view piece, int base) {
  std::size_t i = 0;
  while (i < piece.size() && IsCBlank(piece[i])) ++i;
  bool negative = false;
  if (i < piece.size() && (piece[i] == u'+' || piece[i] == u'-')) {
    negative = piece[i] == u'-';
    ++i;
  }
  if (base == 16 && i + 1 < piece.size() && piece[i] == u'0' &&
      (piece[i + 1] == u'x' || piece[i + 1] == u'X')) {
    // "0x" counts as a prefix only when a hexadecimal digit follows.
    const char16_t next = i + 2 < piece.size() ? piece[i + 2] : 0;
    const bool hexDigit = (next >= u'0' && next <= u'9') || (next >= u'a' && next <= u'f') ||
                          (next >= u'A' && next <= u'F');
    if (hexDigit) i += 2;
  }
  uint64_t value = 0;
  bool overflow = false;
  std::size_t digits = 0;
  for (; i < piece.size(); ++i, ++digits) {
    const char16_t c = piece[i];
    int d;
    if (c >= u'0' && c <= u'9') {
      d = c - u'0';
    } else if (c >= u'a' && c <= u'z') {
      d = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'Z') {
      d = c - u'A' + 10;
    } else {
      break;
    }
    if (d >= base) break;
    value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
    if (value > 0xFFFFFFFFull) overflow = true, value = 0xFFFFFFFFull;
  }
  if (digits == 0 || i != piece.size()) return std::nullopt;
  uint32_t result = overflow ? 0xFFFFFFFFu : static_cast<uint32_t>(value);
  if (negative && !overflow) result = 0u - result;
  return result;
}

// Splits at commas as the C library's tokeniser does: empty pieces are skipped.
std::vector<std::u16string_view> Pieces(std::u16string_view text) {
  std::vector<std::u16string_view> pieces;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t comma = text.find(u',', pos);
    if (comma == std::u16string_view::npos) comma = text.size();
    if (comma > pos) pieces.push_back(text.substr(pos, comma - pos));
    pos = comma + 1;
  }
  return pieces;
}

// A value for a log line: control characters written as \\xNN, so that none reaches the log.
std::string Printable(std::u16string_view text) {
  std::u16string out;
  for (const char16_t c : text) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
      out += FromUtf8(escaped);
    } else {
      out.push_back(c);
    }
  }
  return ToUtf8(out);
}

class Loader {
 public:
  Loader(const IniFile& ini, const SettingsOverrides* overrides, std::string path, AppSettings& settings)
      : ini_(ini), overrides_(overrides), path_(std::move(path)), settings_(settings) {}

  // A user switch: cfg.ini's value under the overrides, its origin kept in the settings.
  std::optional<std::u16string> Switch(UserSwitch id, std::size_t capacity) {
    std::optional<std::u16string> base = ini_.Find(kOpt, FromUtf8(InfoOf(id).name));
    if (base) base = Truncated(*base, capacity);
    static const SettingsOverrides kNone;
    LayeredValue v = Layered(overrides_ != nullptr ? *overrides_ : kNone, id, std::move(base), path_);
    settings_.origins[static_cast<std::size_t>(id)] = v.origin;
    return v.value;
  }
  int32_t IntSwitch(UserSwitch id, int32_t def) {
    const auto v = Switch(id, 4096);
    return v ? IniFile::ParseProfileInt(*v) : def;
  }

  int32_t Int(std::u16string_view key, int32_t def) { return ini_.GetInt(kOpt, key, def); }
  int16_t Int16(std::u16string_view key, int16_t def) { return static_cast<int16_t>(Int(key, def)); }
  std::u16string String(std::u16string_view key, std::size_t capacity) {
    return ini_.GetString(kOpt, key, u"", capacity);
  }

  std::vector<uint32_t> List(std::u16string_view key, int base, std::size_t max, std::size_t capacity,
                             std::size_t bufferChars) {
    return ParseNumberList(String(key, capacity), base, max, bufferChars);
  }

  // A byte list: values reduced to their low 8 bits, at most max.
  std::vector<uint8_t> Bytes(std::u16string_view key, int base, std::size_t max, std::size_t capacity) {
    std::vector<uint8_t> bytes;
    for (const uint32_t v : List(key, base, max, capacity, 1023)) bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
  }

  // Four values; fewer show "Wrong rect num". With asSize the last two are a width and height.
  void ReadRect(std::u16string_view key, Rect& rect, bool asSize) {
    const std::u16string text = String(key, 50);
    if (text.empty()) return;
    const auto v = ParseNumberList(text, 10, 4, 511);
    if (v.size() < 4) {
      ShowError(u"Wrong rect num");
      return;
    }
    rect.left = static_cast<int32_t>(v[0]);
    rect.top = static_cast<int32_t>(v[1]);
    rect.right = static_cast<int32_t>(v[2]);
    rect.bottom = static_cast<int32_t>(v[3]);
    if (asSize) {
      rect.right += rect.left;
      rect.bottom += rect.top;
    }
  }

  // Two values; fewer show "Wrong POINT num". Returns true when the point was read.
  bool ReadPoint(std::u16string_view key, Point& point) {
    const std::u16string text = String(key, 50);
    if (text.empty()) return false;
    const auto v = ParseNumberList(text, 10, 2, 511);
    if (v.size() < 2) {
      ShowError(u"Wrong POINT num");
      return false;
    }
    point.x = static_cast<int32_t>(v[0]);
    point.y = static_cast<int32_t>(v[1]);
    return true;
  }

  // A colour; missing components come from the last colour key that had a value.
  COLORREF ReadColour(std::u16string_view key, COLORREF def) {
    const auto v = Bytes(key, 10, 3, 50);
    if (v.empty()) return def;
    for (std::size_t i = 0; i < v.size(); ++i) lastColour_[i] = v[i];
    return RGB(lastColour_[0], lastColour_[1], lastColour_[2]);
  }

 private:
  const IniFile& ini_;
  const SettingsOverrides* overrides_;
  std::string path_;
  AppSettings& settings_;
  std::array<uint8_t, 3> lastColour_{};
};

void FoldModifierKey(KeyFunction& key) {
  uint8_t bit = 0;
  switch (key.key1) {
    case 0x10: case 0xA0: bit = MOD_LSHIFT; break;
    case 0x11: case 0xA2: bit = MOD_LCTRL; break;
    case 0x12: case 0xA4: bit = MOD_LALT; break;
    case 0x5B: bit = MOD_LWIN; break;
    case 0x5C: bit = MOD_RWIN; break;
    case 0xA1: bit = MOD_RSHIFT; break;
    case 0xA3: bit = MOD_RCTRL; break;
    case 0xA5: bit = MOD_RALT; break;
    default: return;
  }
  key.key1 = 0;
  key.modifiers |= bit;
}

void LoadKeyTable(const IniFile& ini, KeyTable& table) {
  table = KeyTable{};
  // The eight values of a line; a value a line does not reach keeps the previous line's.
  std::array<uint32_t, 8> values{};
  static constexpr int kBase[8] = {10, 10, 10, 10, 16, 16, 16, 10};
  for (int n = 1; table.count < kKeyCount; ++n) {
    const std::u16string line = ini.GetString(kKey, KeyName("K%d", n), u"", 260);
    if (line.empty()) break;
    const auto pieces = Pieces(line);
    for (std::size_t i = 0; i < pieces.size() && i < values.size(); ++i) {
      const auto v = ConvertPiece(pieces[i], kBase[i]);
      if (!v) {
        ShowError(u"Data parse error!");
        break;
      }
      values[i] = *v;
    }
    if (values[7] >= static_cast<uint32_t>(kKeyCount)) {
      // The line is dropped and its slot goes to the next line.
      ShowWarning(u"Wrong matrix index value!");
      continue;
    }
    KeyFunction key;
    key.rect = Rect{static_cast<int32_t>(values[0]), static_cast<int32_t>(values[1]),
                    static_cast<int32_t>(values[2]), static_cast<int32_t>(values[3])};
    key.matrixPos = static_cast<int32_t>(values[7]);
    const auto kind = static_cast<uint8_t>(values[4]);
    if (kind == KIND_KEY) {
      key.code = KeyFunction::MakeCode(KIND_KEY, 0xA0);
      key.key1 = static_cast<uint8_t>(values[5]);
      key.modifiers = static_cast<uint8_t>(values[6]);
      FoldModifierKey(key);
    } else {
      key.code = KeyFunction::MakeCode(kind, values[5]);
    }
    table.keys[static_cast<std::size_t>(table.count++)] = key;
  }
}

}  // namespace

std::vector<Point> UnRectKeyOutline::Corners() const {
  std::vector<Point> corners;
  for (int i = 1; i + 1 < count && corners.size() < 24; i += 2) {
    if (values[static_cast<std::size_t>(i)] == 0) break;
    corners.push_back(Point{values[static_cast<std::size_t>(i)], values[static_cast<std::size_t>(i + 1)]});
  }
  return corners;
}

std::vector<uint32_t> ParseNumberList(std::u16string_view text, int base, std::size_t maxCount,
                                      std::size_t bufferChars) {
  // The text is first copied into a working buffer of bufferChars characters.
  if (bufferChars > 0 && text.size() > bufferChars - 1) text = text.substr(0, bufferChars - 1);
  std::vector<uint32_t> values;
  for (const auto piece : Pieces(text)) {
    if (values.size() >= maxCount) break;
    const auto v = ConvertPiece(piece, base);
    if (!v) break;
    values.push_back(*v);
  }
  return values;
}

const char* AppdirProblem(std::u16string_view appdir) {
  std::size_t first = 0, last = appdir.size();
  while (first < last && IsCBlank(appdir[first])) ++first;
  while (last > first && IsCBlank(appdir[last - 1])) --last;
  if (first == last) return "empty";
  if (appdir == u"." || appdir == u"..") return "not a folder name";
  for (std::size_t i = 0; i < appdir.size(); ++i) {
    const char16_t c = appdir[i];
    if (c == u'/' || c == u'\\') return "holds a folder separator";
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return "holds a control character";
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < appdir.size() && appdir[i + 1] >= 0xDC00 && appdir[i + 1] <= 0xDFFF) {
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      return "holds half of a surrogate pair";
    }
  }
  if (ToUtf8(appdir).size() > kMaxFileNameBytes) return "too long for a file name";
  return nullptr;
}

int LoadSettings(const std::string& programFolder, AppSettings& s, std::string* readProblem,
                 const SettingsOverrides* overrides) {
  s = AppSettings{};
  std::string problem;
  const std::string path = programFolder + "cfg.ini";
  const IniFile ini = IniFile::Load(path, &problem);
  if (readProblem != nullptr) *readProblem = problem;
  Loader in(ini, overrides, path, s);

  s.Debug = in.IntSwitch(UserSwitch::kDebug, 0);
  InitLog(s.Debug);
  s.Suwnd = in.Int(u"Suwnd", 0);
  s.MatchStr = in.Int(u"MatchStr", 0);
  s.Macro_Opt_X = in.Int(u"Macro_Opt_X", 350);
  s.BtnTips = in.Int(u"BtnTips", 0);
  s.ApplyNow = in.IntSwitch(UserSwitch::kApplyNow, 0);
  s.KbType = in.Int(u"KbType", 0);
  for (int n = 1; n <= kGameKeySetCount; ++n) {
    const auto v = in.Bytes(KeyName("GaoshouKey%d", n), 16, kKeyCount, 1040);
    auto& set = s.GameKeySets[static_cast<std::size_t>(n - 1)];
    for (std::size_t i = 0; i < v.size(); ++i) set[i] = v[i];
  }
  {
    const auto v = in.Bytes(u"clrGaoshou", 10, 3, 50);
    if (!v.empty()) {
      s.clrGaoshou = RGB(v[0], v.size() > 1 ? v[1] : 0, v.size() > 2 ? v[2] : 0);
    }
  }
  s.MinDelay = in.Int(u"MinDelay", 10);
  s.MacroDir = in.Int(u"MacroDir", 0);
  s.MacroHasMsKey = in.Int(u"MacroHasMsKey", 0);
  s.ListTrans = in.Int16(u"ListTrans", 0);
  in.ReadRect(u"rcMacroList", s.rcMacroList, false);
  in.ReadRect(u"rcKeyList", s.rcKeyList, false);
  s.VID = static_cast<uint16_t>(in.Int(u"VID", 0));
  s.PID = static_cast<uint16_t>(in.Int(u"PID", 0));
  s.Title = in.String(u"Title", 100);
  s.USBString = in.String(u"USBString", 30);
  s.FontName = in.String(u"FontName", 30);
  s.appdir = in.String(u"appdir", 30);
  if (const char* why = s.appdir.empty() ? nullptr : AppdirProblem(s.appdir)) {
    // The user data folder must stay one folder inside the application-data folder: a
    // value that would name another place is dropped as if it were missing.
    WriteLog("appdir=%s refused (%s), taken as empty", Printable(s.appdir).c_str(), why);
    s.appdir.clear();
  }
  // With no file at all the caller reports the file; the missing name would only mislead.
  if (s.appdir.empty() && problem.empty()) ShowError(u"APPDATA=NULL");
  s.Pop = in.Int16(u"Pop", 0);
  s.TrayIcon = static_cast<int16_t>(in.IntSwitch(UserSwitch::kTrayIcon, 2));
  s.GoWithNoDev = in.Int(u"GoWithNoDev", 0);
  s.DefSpeed = in.Int(u"DefSpeed", 4);
  s.DefLight = in.Int(u"DefLight", 5);
  s.HookDLL = in.IntSwitch(UserSwitch::kHookDLL, 0);
  s.MacroBufferSize = in.Int(u"MacroBufferSize", 192);
  in.ReadPoint(u"LightVal", s.LightVal);
  in.ReadPoint(u"SpeedVal", s.SpeedVal);
  s.FontSize = in.Int(u"FontSize", 15);
  s.MenuAlign = in.Int(u"MenuAlign", 0);
  s.SyncKB = in.Int(u"SyncKB", 0);
  s.VerifyApply = in.Int(u"VerifyApply", 1);
  {
    const auto v = in.Bytes(u"Modes", 10, kLedModeCount, 1040);
    if (v.empty()) {
      for (int i = 0; i < kLedModeCount; ++i) s.Modes[static_cast<std::size_t>(i)] = static_cast<uint8_t>(i);
      s.ModesCount = kLedModeCount;
    } else {
      for (std::size_t i = 0; i < v.size(); ++i) s.Modes[i] = v[i];
      s.ModesCount = static_cast<int>(v.size());
    }
  }
  s.GaoshouIndex = in.Int(u"GaoshouIndex", 1);
  s.ColorCustomIndex = in.Int(u"ColorCustomIndex", 8);
  s.LedMask = in.Int(u"LedMask", 0);
  s.GameMask = in.Int(u"GameMask", 0);
  for (int i = 0; i < kLedModeCount; ++i) {
    LedModeEntry& e = s.LedModeTable[static_cast<std::size_t>(i)];
    e.code = static_cast<uint8_t>(i + 1);
    e.speed = (i == 0 || i == 1) ? 0 : 1;
    e.brightness = (i >= 4 && i <= 7) ? 0 : 1;
  }
  for (int n = 1; n <= kLedModeCount; ++n) {
    const std::u16string text = in.String(KeyName("LedOpt%d", n), 260);
    if (text.empty()) continue;
    std::vector<uint8_t> v;
    for (const uint32_t x : ParseNumberList(text, 10, 26, 1023)) v.push_back(static_cast<uint8_t>(x));
    LedModeEntry& e = s.LedModeTable[static_cast<std::size_t>(n - 1)];
    e.code = v.size() > 0 ? v[0] : 0;
    e.speed = v.size() > 1 ? v[1] : 0;
    e.brightness = v.size() > 2 ? v[2] : 0;
  }
  s.UIDebug = in.Int(u"UIDebug", 0);
  s.Scale = in.IntSwitch(UserSwitch::kScale, 0);
  s.Language = in.Switch(UserSwitch::kLanguage, 31).value_or(std::u16string());
  s.StartHidden = in.IntSwitch(UserSwitch::kStartHidden, 0);
  in.ReadRect(u"rcKB", s.rcKB, true);
  in.ReadRect(u"rcLED", s.rcLED, true);
  in.ReadRect(u"rcWeb", s.rcWeb, false);
  in.ReadRect(u"rcHomePage", s.rcHomePage, false);
  in.ReadRect(u"rcHomePage2", s.rcHomePage2, false);
  in.ReadPoint(u"ptLEDMode", s.ptLEDMode);
  in.ReadPoint(u"ptProfile", s.ptProfile);
  in.ReadPoint(u"ptMin", s.ptMin);
  if (!in.ReadPoint(u"ptExit", s.ptExit)) s.ptExit = Point{s.ptMin.x + 21, s.ptMin.y};
  in.ReadPoint(u"ptApplyBtn", s.ptApplyBtn);
  in.ReadPoint(u"ptMacro", s.ptMacro);
  in.ReadPoint(u"ptReset", s.ptReset);
  s.BarW = in.Int(u"BarW", 180);
  s.BarH = in.Int(u"BarH", 18);
  s.SliderY = in.Int(u"SliderY", 0);
  s.LoopY = in.Int(u"LoopY", 5);
  s.MenuW = in.Int(u"MenuW", 0);
  s.ShowLED = in.Int(u"ShowLED", 1);
  {
    const auto v = in.Bytes(u"KeyNotSet", 16, 4, 260);
    for (std::size_t i = 0; i < v.size(); ++i) s.KeyNotSet[i] = v[i];
  }
  {
    s.LEDParam = {0, static_cast<uint8_t>(s.DefSpeed), static_cast<uint8_t>(s.DefLight)};
    const auto v = in.Bytes(u"LEDParam", 16, 3, 260);
    if (!v.empty()) {
      s.LEDParam = {};
      for (std::size_t i = 0; i < v.size(); ++i) s.LEDParam[i] = v[i];
    }
  }
  {
    const auto v = in.List(u"UnRectKey", 10, 50, 1024, 511);
    s.UnRectKey = UnRectKeyOutline{};
    for (std::size_t i = 0; i < v.size(); ++i) s.UnRectKey.values[i] = static_cast<int32_t>(v[i]);
    s.UnRectKey.count = static_cast<int>(v.size());
    if (s.UnRectKey.Used()) {
      const auto corners = s.UnRectKey.Corners();
      if (!corners.empty() && !(corners.front() == corners.back())) ShowError(u"EnterPt[0]!=EnterPt[Last] ");
    }
  }
  {
    const auto v = in.Bytes(u"PSD", 16, 6, 260);
    for (std::size_t i = 0; i < v.size(); ++i) s.PSD[i] = v[i];
  }
  {
    const auto v = in.Bytes(u"LightPercentage", 10, 80, 1040);
    if (v.empty()) {
      s.LightPercentage = {0, 20, 40, 60, 80, 100};
      s.LightPercentageCount = 6;
    } else {
      for (std::size_t i = 0; i < v.size(); ++i) s.LightPercentage[i] = v[i];
      s.LightPercentageCount = static_cast<int>(v.size());
    }
  }
  s.Txt_clr = in.ReadColour(u"Txt_clr", 0);
  s.Btn_txt_clr_nr = in.ReadColour(u"Btn_txt_clr_nr", 0);
  s.Btn_txt_clr_ov = in.ReadColour(u"Btn_txt_clr_ov", 0);
  s.Btn_txt_clr_dn = in.ReadColour(u"Btn_txt_clr_dn", 0);
  s.Menu_txt_clr_nr = in.ReadColour(u"Menu_txt_clr_nr", 0);
  s.Menu_txt_clr_ov = in.ReadColour(u"Menu_txt_clr_ov", 0);
  s.Menu_txt_clr_dn = in.ReadColour(u"Menu_txt_clr_dn", 0);
  s.LstBox_txt_clr_nr = in.ReadColour(u"LstBox_txt_clr_nr", 0);
  s.LstBox_txt_clr_dn = in.ReadColour(u"LstBox_txt_clr_dn", 0);
  s.LstBox_bkg_clr = in.ReadColour(u"LstBox_bkg_clr", 0);
  s.LstBox_item_clr = in.ReadColour(u"LstBox_item_clr", 0);
  s.ClrKeyOv = in.ReadColour(u"ClrKeyOv", 0x0000FF);
  s.ClrKeyDn = in.ReadColour(u"ClrKeyDn", 0x0000FF);
  s.ClrKeyHasFunc = in.ReadColour(u"ClrKeyHasFunc", 0x0000FF);
  s.clrMask = in.ReadColour(u"clrMask", 0);

  LoadKeyTable(ini, s.KeyTable);
  return 1;
}

std::optional<std::u16string> ReadUserSwitch(const std::string& programFolder, UserSwitch id) {
  const std::string path = programFolder + "cfg.ini";
  return Layered(ReadSettingsOverrides(), id, IniFile::Load(path).Find(kOpt, FromUtf8(InfoOf(id).name)), path).value;
}

int32_t ReadScaleSetting(const std::string& programFolder) {
  const auto v = ReadUserSwitch(programFolder, UserSwitch::kScale);
  return v ? IniFile::ParseProfileInt(*v) : 0;
}
