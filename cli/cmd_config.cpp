// SPDX-License-Identifier: GPL-2.0-or-later
// "config": the settings as start-up reads them from cfg.ini, so that a skin designer can
// see what the program made of the file, and for each of the user's switches where its
// value came from (the user's settings.ini, /etc/tastor/cfg.ini, cfg.ini or the default).
#include <cstdio>
#include <string>

#include "base/settings.h"
#include "base/user_settings.h"
#include "cli/cli.h"
#include "cli/json_writer.h"
#include "macro/macro_limits.h"
#include "text/utf.h"

namespace {

std::vector<int32_t> RectValues(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

template <typename Array>
std::vector<int64_t> Prefix(const Array& a, int count) {
  return std::vector<int64_t>(a.begin(), a.begin() + count);
}

// Calls visit(name, kind, value) for every scalar, rectangle, point, colour and list setting,
// in the order of the file's table. Kinds: 'i' integer, 's' text, 'r' rectangle, 'p' point,
// 'c' colour, 'l' list.
struct Field {
  const char* name;
  char kind;
  int64_t number;
  std::u16string text;
  std::vector<int64_t> list;
};

std::vector<Field> Fields(const AppSettings& s) {
  std::vector<Field> f;
  auto i = [&](const char* n, int64_t v) { f.push_back({n, 'i', v, {}, {}}); };
  auto t = [&](const char* n, const std::u16string& v) { f.push_back({n, 's', 0, v, {}}); };
  auto r = [&](const char* n, const Rect& v) {
    f.push_back({n, 'r', 0, {}, {v.left, v.top, v.right, v.bottom}});
  };
  auto p = [&](const char* n, const Point& v) { f.push_back({n, 'p', 0, {}, {v.x, v.y}}); };
  auto c = [&](const char* n, COLORREF v) { f.push_back({n, 'c', static_cast<int64_t>(v), {}, {}}); };
  auto l = [&](const char* n, std::vector<int64_t> v) { f.push_back({n, 'l', 0, {}, std::move(v)}); };

  i("Debug", s.Debug); i("Suwnd", s.Suwnd); i("MatchStr", s.MatchStr);
  i("Macro_Opt_X", s.Macro_Opt_X); i("BtnTips", s.BtnTips); i("ApplyNow", s.ApplyNow);
  i("KbType", s.KbType);
  c("clrGaoshou", s.clrGaoshou);
  i("MinDelay", s.MinDelay); i("MacroDir", s.MacroDir); i("MacroHasMsKey", s.MacroHasMsKey);
  i("ListTrans", s.ListTrans);
  r("rcMacroList", s.rcMacroList); r("rcKeyList", s.rcKeyList);
  i("VID", s.VID); i("PID", s.PID);
  t("Title", s.Title); t("USBString", s.USBString); t("FontName", s.FontName); t("appdir", s.appdir);
  i("Pop", s.Pop); i("TrayIcon", s.TrayIcon); i("GoWithNoDev", s.GoWithNoDev);
  i("DefSpeed", s.DefSpeed); i("DefLight", s.DefLight); i("HookDLL", s.HookDLL);
  i("MacroBufferSize", s.MacroBufferSize);
  p("LightVal", s.LightVal); p("SpeedVal", s.SpeedVal);
  i("FontSize", s.FontSize); i("MenuAlign", s.MenuAlign); i("SyncKB", s.SyncKB);
  i("VerifyApply", s.VerifyApply);
  l("Modes", Prefix(s.Modes, s.ModesCount));
  i("GaoshouIndex", s.GaoshouIndex); i("ColorCustomIndex", s.ColorCustomIndex);
  i("LedMask", s.LedMask); i("GameMask", s.GameMask); i("UIDebug", s.UIDebug); i("Scale", s.Scale);
  t("Language", s.Language); i("StartHidden", s.StartHidden);
  r("rcKB", s.rcKB); r("rcLED", s.rcLED); r("rcWeb", s.rcWeb);
  r("rcHomePage", s.rcHomePage); r("rcHomePage2", s.rcHomePage2);
  p("ptLEDMode", s.ptLEDMode); p("ptProfile", s.ptProfile); p("ptMin", s.ptMin);
  p("ptExit", s.ptExit); p("ptApplyBtn", s.ptApplyBtn); p("ptMacro", s.ptMacro);
  p("ptReset", s.ptReset);
  i("BarW", s.BarW); i("BarH", s.BarH); i("SliderY", s.SliderY); i("LoopY", s.LoopY);
  i("MenuW", s.MenuW); i("ShowLED", s.ShowLED);
  l("KeyNotSet", Prefix(s.KeyNotSet, 4));
  l("LEDParam", Prefix(s.LEDParam, 3));
  l("UnRectKey", Prefix(s.UnRectKey.values, s.UnRectKey.count));
  l("PSD", Prefix(s.PSD, 6));
  l("LightPercentage", Prefix(s.LightPercentage, s.LightPercentageCount));
  c("Txt_clr", s.Txt_clr);
  c("Btn_txt_clr_nr", s.Btn_txt_clr_nr); c("Btn_txt_clr_ov", s.Btn_txt_clr_ov);
  c("Btn_txt_clr_dn", s.Btn_txt_clr_dn);
  c("Menu_txt_clr_nr", s.Menu_txt_clr_nr); c("Menu_txt_clr_ov", s.Menu_txt_clr_ov);
  c("Menu_txt_clr_dn", s.Menu_txt_clr_dn);
  c("LstBox_txt_clr_nr", s.LstBox_txt_clr_nr); c("LstBox_txt_clr_dn", s.LstBox_txt_clr_dn);
  c("LstBox_bkg_clr", s.LstBox_bkg_clr); c("LstBox_item_clr", s.LstBox_item_clr);
  c("ClrKeyOv", s.ClrKeyOv); c("ClrKeyDn", s.ClrKeyDn); c("ClrKeyHasFunc", s.ClrKeyHasFunc);
  c("clrMask", s.clrMask);
  return f;
}

void WriteJson(const CliContext& ctx, const AppSettings& s) {
  JsonWriter w;
  w.BeginObject();
  for (const Field& f : Fields(s)) {
    w.Key(f.name);
    if (f.kind == 's') {
      w.String(std::u16string_view(f.text));
    } else if (f.kind == 'i' || f.kind == 'c') {
      w.Int(f.number);
    } else {
      w.InlineInts(f.list);
    }
  }
  w.Key("GameKeySets").BeginArray();
  for (const auto& set : s.GameKeySets) w.IntArray(set);
  w.EndArray();
  w.Key("LedModeTable").BeginArray();
  for (const LedModeEntry& e : s.LedModeTable) {
    w.BeginObject().Key("code").Int(e.code).Key("speed").Int(e.speed).Key("brightness").Int(e.brightness).EndObject();
  }
  w.EndArray();
  w.Key("KeyTable").BeginArray();
  for (int k = 0; k < s.KeyTable.count; ++k) {
    const KeyFunction& key = s.KeyTable.keys[static_cast<std::size_t>(k)];
    w.BeginObject()
        .Key("code").Int(key.code)
        .Key("modifiers").Int(key.modifiers)
        .Key("key1").Int(key.key1)
        .Key("key2").Int(key.key2)
        .Key("matrix").Int(key.matrixPos)
        .Key("rect").IntArray(RectValues(key.rect))
        .EndObject();
  }
  w.EndArray();
  const MacroLimits& m = Limits();
  w.Key("MacroLimits").BeginObject()
      .Key("bufferSize").Int(m.bufferSize)
      .Key("bufferCount").Int(m.bufferCount)
      .Key("minDelay").Int(m.minDelay)
      .Key("eventsPerMacro").Int(m.eventsPerMacro)
      .Key("repeatMax").Int(m.repeatMax)
      .Key("delayMax").Int(m.delayMax)
      .EndObject();
  w.Key("sources").BeginObject();
  for (const UserSwitchInfo& info : UserSwitches()) {
    const SettingOrigin& origin = s.OriginOf(info.id);
    w.Key(info.name).BeginObject().Key("from").String(std::string_view(SourceWord(origin.source)));
    w.Key("path").String(std::string_view(origin.path)).EndObject();
  }
  w.EndObject();
  w.Key("overrideFiles").BeginObject()
      .Key("system").String(std::string_view(SystemSettingsPath()))
      .Key("user").String(std::string_view(UserSettingsPath()))
      .EndObject();
  WriteMessagesJson(w, ctx);
  w.EndObject();
  std::fputs(w.Text().c_str(), stdout);
}

// "  (from PATH)" after a user switch's value, or "" for any other setting.
std::string OriginNote(const AppSettings& s, const char* name) {
  const UserSwitchInfo* info = FindUserSwitch(FromUtf8(name));
  if (info == nullptr) return {};
  const SettingOrigin& origin = s.OriginOf(info->id);
  return origin.source == SettingSource::kDefault ? "  (default)" : "  (from " + origin.path + ")";
}

std::string Join(const std::vector<int64_t>& values, const char* separator = ", ") {
  std::string out;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += separator;
    out += std::to_string(values[i]);
  }
  return out;
}

void WriteReport(const CliContext& ctx, const AppSettings& s) {
  std::printf("Settings read from %scfg.ini\n", ctx.programFolder.c_str());
  const std::string user = UserSettingsPath();
  std::string switches;
  for (const UserSwitchInfo& info : UserSwitches()) switches += std::string(switches.empty() ? "" : ", ") + info.name;
  std::printf("The user's switches (%s) may be set over it in %s and then in %s\n\n", switches.c_str(),
              SystemSettingsPath().c_str(), user.empty() ? "(no settings folder)" : user.c_str());
  for (const Field& f : Fields(s)) {
    std::string value;
    switch (f.kind) {
      case 's': value = "\"" + ToUtf8(f.text) + "\""; break;
      case 'i': value = std::to_string(f.number); break;
      case 'c': {
        char buf[48];
        const auto c = static_cast<uint32_t>(f.number);
        std::snprintf(buf, sizeof buf, "%u, %u, %u (0x%06X)", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, c);
        value = buf;
        break;
      }
      case 'r': value = "left " + std::to_string(f.list[0]) + ", top " + std::to_string(f.list[1]) +
                        ", right " + std::to_string(f.list[2]) + ", bottom " + std::to_string(f.list[3]);
        break;
      case 'p': value = std::to_string(f.list[0]) + ", " + std::to_string(f.list[1]); break;
      default: value = f.list.empty() ? "(empty)" : Join(f.list); break;
    }
    std::printf("  %-18s %s%s\n", f.name, value.c_str(), OriginNote(s, f.name).c_str());
  }
  std::printf("\nGame-key sets (virtual-key codes, hexadecimal):\n");
  for (int j = 0; j < kGameKeySetCount; ++j) {
    std::string keys;
    for (const uint8_t v : s.GameKeySets[static_cast<std::size_t>(j)]) {
      if (v == 0) continue;
      char buf[8];
      std::snprintf(buf, sizeof buf, "%s%02X", keys.empty() ? "" : " ", v);
      keys += buf;
    }
    std::printf("  set %2d: %s\n", j + 1, keys.empty() ? "(none)" : keys.c_str());
  }
  std::printf("\nLighting modes (index: device code, speed, brightness):\n");
  for (int k = 0; k < kLedModeCount; ++k) {
    const LedModeEntry& e = s.LedModeTable[static_cast<std::size_t>(k)];
    std::printf("  %2d: code %3u  speed %s  brightness %s\n", k, e.code, e.speed ? "yes" : "no ",
                e.brightness ? "yes" : "no");
  }
  std::printf("\nKey table: %d keys\n", s.KeyTable.count);
  std::printf("  %-4s %-8s %-10s %-5s %-5s %-6s %s\n", "key", "code", "modifiers", "key1", "key2", "matrix", "rectangle");
  for (int k = 0; k < s.KeyTable.count; ++k) {
    const KeyFunction& key = s.KeyTable.keys[static_cast<std::size_t>(k)];
    std::printf("  %-4d %08X 0x%02X       %-5u %-5u %-6d %d, %d, %d, %d\n", k, key.code, key.modifiers,
                key.key1, key.key2, key.matrixPos, key.rect.left, key.rect.top, key.rect.right,
                key.rect.bottom);
  }
  const MacroLimits& m = Limits();
  std::printf("\nMacro limits: slot %d bytes, %d slots, %d events per macro, repeat up to %d, delays %d to %d ms\n",
              m.bufferSize, m.bufferCount, m.eventsPerMacro, m.repeatMax, m.minDelay, m.delayMax);
  std::printf("\nMessages while reading: %zu\n", ctx.port.messages.size());
  for (const auto& msg : ctx.port.messages) {
    std::printf("  %s: %s\n", ToUtf8(msg.caption).c_str(), ToUtf8(msg.text).c_str());
  }
}

}  // namespace

int RunConfig(CliContext& ctx);
static CommandRegistrar g_config{
    "config", "config [--json]", "the settings as the program reads them from cfg.ini and the user's overrides",
    RunConfig, {kJsonOption},
    "The user's switches (TrayIcon, ApplyNow, Debug, HookDLL, Language, Scale, StartHidden) are\n"
    "read from $XDG_CONFIG_HOME/Tastor/settings.ini over /etc/tastor/cfg.ini over cfg.ini, key\n"
    "by key, and each is shown with the file it came from (--json: \"sources\").\n"};

int RunConfig(CliContext& ctx) {
  WordsBetween(ctx.options, 0, 0, "config takes no arguments besides --json");
  LoadProgramData(ctx);
  if (ctx.json) {
    WriteJson(ctx, ctx.settings);
  } else {
    WriteReport(ctx, ctx.settings);
  }
  return 0;
}
