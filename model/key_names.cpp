// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/key_names.h"

#include <string_view>

#include "base/settings.h"
#include "macro/macro_library.h"
#include "model/device_matrix.h"
#include "model/key_combination_text.h"
#include "platform/keyboard_layout.h"
#include "platform/virtual_keys.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

struct FixedName {
  uint8_t code;
  std::u16string_view name;
};

// Keys named by a fixed word; the ranges of digits, keypad digits and F1 to F12 are
// made in FixedKeyName.
constexpr FixedName kFixedNames[] = {
    {0x08, u"Backspace"},   {0x09, u"Tab"},          {0x0C, u"Clr"},       {0x0D, u"Enter"},
    {0x10, u"Shift"},       {0x11, u"Ctrl"},         {0x12, u"Alt"},       {0x13, u"Pause"},
    {0x14, u"CapsLock"},    {0x1B, u"Esc"},          {0x21, u"PageUp"},    {0x22, u"PageDown"},
    {0x23, u"End"},         {0x24, u"Home"},         {0x25, u"Left"},      {0x26, u"Up"},
    {0x27, u"Right"},       {0x28, u"Down"},         {0x29, u"Select"},    {0x2A, u"Print"},
    {0x2B, u"Enter"},       {0x2C, u"PrintScreen"},  {0x2D, u"Insert"},    {0x2E, u"Delete"},
    {0x2F, u"Help"},        {0x5B, u"L_Win"},        {0x5C, u"R_Win"},     {0x5D, u"App"},
    {0x6A, u"Num *"},       {0x6B, u"Num +"},        {0x6C, u"\\"},        {0x6D, u"Num -"},
    {0x6E, u"Num ."},       {0x6F, u"Num /"},        {0x90, u"NumLock"},   {0x91, u"Scroll Lock"},
    {0xA0, u"L_Shift"},     {0xA1, u"R_Shift"},      {0xA2, u"L_Ctrl"},    {0xA3, u"R_Ctrl"},
    {0xA4, u"L_Alt"},       {0xA5, u"R_Alt"},        {0xFA, u"Fn"},        {0xFD, u"Enter"},
    {0xFF, u""},
};

// A code or function value named by a text of the text table.
struct TableText {
  uint32_t code;
  std::u16string TextTable::*text;
};

// Keys named by a text of the text table: the space bar and the mouse buttons of macros.
constexpr TableText kKeyTexts[] = {
    {0x20, &TextTable::tc_space},
    {0xF0, &TextTable::tc_click},
    {0xF1, &TextTable::tc_menu},
    {0xF2, &TextTable::tc_middle},
};

// Mouse, media and application functions by their function value.
constexpr TableText kFunctionTexts[] = {
    {17, &TextTable::tc_click},           {18, &TextTable::tc_middle},
    {19, &TextTable::tc_menu},            {20, &TextTable::tc_forward},
    {21, &TextTable::tc_back},            {33, &TextTable::tc_kbmedia_msel},
    {34, &TextTable::tc_PL},              {35, &TextTable::tc_stop},
    {36, &TextTable::tc_pre_media},       {37, &TextTable::tc_next_media},
    {38, &TextTable::tc_vol_up},          {39, &TextTable::tc_vol_dw},
    {40, &TextTable::tc_mute},            {48, &TextTable::tc_kbmedia_mail},
    {49, &TextTable::tc_kbmedia_cal},     {50, &TextTable::tc_kbmedia_explore},
    {51, &TextTable::tc_kbmedia_search},  {52, &TextTable::tc_kbmedia_main},
    {53, &TextTable::tc_back},            {54, &TextTable::tc_forward},
    {55, &TextTable::tc_kbmedia_stop},    {56, &TextTable::tc_kbmedia_refresh},
    {57, &TextTable::tc_kbmedia_favor},   {162, &TextTable::tc_key_off},
};

// The fixed or text-table name of a code, or false when the code is named by the layout.
bool NamedKey(uint8_t code, const TextTable& texts, std::u16string* name) {
  if (code >= '0' && code <= '9') {
    *name = std::u16string(1, static_cast<char16_t>(code));
    return true;
  }
  if (code >= VK_NUMPAD0 && code <= VK_NUMPAD0 + 9) {
    *name = u"Num ";
    name->push_back(static_cast<char16_t>(u'0' + (code - VK_NUMPAD0)));
    return true;
  }
  if (code >= VK_F1 && code <= VK_F12) {
    *name = u"F" + FromUtf8(std::to_string(code - VK_F1 + 1));
    return true;
  }
  for (const FixedName& f : kFixedNames) {
    if (f.code == code) {
      *name = f.name;
      return true;
    }
  }
  for (const TableText& t : kKeyTexts) {
    if (t.code == code) {
      *name = texts.*t.text;
      return true;
    }
  }
  return false;
}

// The character the layout puts on the key giving this code, as a one-character text.
std::u16string LayoutCharacter(uint8_t code, const KeyboardLayout& layout) {
  const unsigned evdev = EvdevFromVirtualKey(code);
  if (evdev == 0) return {};
  const char32_t c = layout.KeyCharacter(evdev);
  std::u16string text;
  if (c != 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF)) AppendUtf16(text, c);
  return text;
}

}  // namespace

KeyNaming KeyNaming::For(const AppSettings& settings) {
  return KeyNaming{settings.KbType, TextTable::Instance(), CurrentKeyboardLayout()};
}

std::u16string KeyName(uint32_t code, const KeyNaming& naming) {
  const auto low = static_cast<uint8_t>(NameRemap(code, naming.kbType) & 0xFF);
  std::u16string name;
  if (NamedKey(low, naming.texts, &name)) return name;
  return LayoutCharacter(low, naming.layout);
}

std::u16string FunctionName(const KeyFunction& function, const MacroLookup& macros,
                            const KeyNaming& naming) {
  switch (function.Kind()) {
    case KIND_MACRO: {
      const MacroRecord* macro = macros.FindMacroById(static_cast<uint32_t>(function.macroId));
      if (macro == nullptr) return {};
      return naming.texts.tc_mac_def + u" - " + macro->Name();
    }
    case KIND_KEY:
      if (function.modifiers == 0 && function.key1 == VK_TASTOR_FN) return u"Fn";
      return KeyCombinationText(function.modifiers, function.key1, function.key2, naming);
    default:
      for (const TableText& f : kFunctionTexts) {
        if (f.code == function.Value()) return naming.texts.*f.text;
      }
      return {};
  }
}

std::u16string FunctionName(const KeyFunction& function, const KeyNaming& naming) {
  const MacroLibrary& library = TheMacroLibrary();
  auto lock = library.Lock();
  return FunctionName(function, library, naming);
}
