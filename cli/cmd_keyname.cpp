// SPDX-License-Identifier: GPL-2.0-or-later
// "keyname [CODE...]": the names the program shows for virtual-key codes, with the texts
// of text.xml, the KbType of cfg.ini and the keyboard layout in use, so that a user can
// check how keys read on a layout or with a layout variant. Without codes, every code
// that has a name.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/settings.h"
#include "cli/cli.h"
#include "cli/cmd_model_output.h"
#include "cli/json_writer.h"
#include "model/key_names.h"
#include "platform/keyboard_layout.h"
#include "text/utf.h"

namespace {

// A code in decimal or with "0x" in hexadecimal, 0 to 255.
bool ParseCode(const std::string& text, uint32_t* code) {
  if (text.empty()) return false;
  char* end = nullptr;
  const unsigned long value = std::strtoul(text.c_str(), &end, text.rfind("0x", 0) == 0 ? 16 : 10);
  if (*end != '\0' || text[0] == '-' || text[0] == '+' || value > 0xFF) return false;
  *code = static_cast<uint32_t>(value);
  return true;
}

std::string LayoutDescription() {
  if (&CurrentKeyboardLayout() == &UsKeyboardLayout()) return "built-in US (no X display)";
  const char* display = std::getenv("DISPLAY");
  return std::string("X display ") + (display != nullptr ? display : "");
}

}  // namespace

int RunKeyName(CliContext& ctx);
static CommandRegistrar g_keyname{"keyname", "keyname [CODE...] [--json]",
                                  "the names of virtual-key codes (decimal or 0x..) with the current layout",
                                  RunKeyName, {kJsonOption}};

int RunKeyName(CliContext& ctx) {
  std::vector<uint32_t> codes;
  for (const std::string& arg : ctx.options.Words()) {
    uint32_t code = 0;
    if (!ParseCode(arg, &code)) return Refuse("\"" + arg + "\" is not a key code (0 to 255, decimal or 0x..)");
    codes.push_back(code);
  }
  LoadProgramData(ctx);
  const KeyNaming naming = KeyNaming::For(ctx.settings);
  if (codes.empty()) {
    for (uint32_t code = 0; code < 256; ++code) {
      if (!KeyName(code, naming).empty()) codes.push_back(code);
    }
  }

  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("layout").String(std::string_view(LayoutDescription())).Key("kbType").Int(naming.kbType);
    w.Key("names").BeginArray();
    for (uint32_t code : codes) {
      w.BeginObject().Key("code").Int(code).Key("name").String(std::u16string_view(KeyName(code, naming))).EndObject();
    }
    w.EndArray();
    WriteMessagesJson(w, ctx);
    w.EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("Layout: %s\nKbType: %d\n", LayoutDescription().c_str(), naming.kbType);
  for (uint32_t code : codes) std::printf("%s  %s\n", Hex(code, 2).c_str(), ToUtf8(KeyName(code, naming)).c_str());
  return 0;
}
