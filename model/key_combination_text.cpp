// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/key_combination_text.h"

#include <string_view>

namespace {

struct ModifierName {
  uint8_t bits;  // any of them names the modifier
  std::u16string_view name;
};

constexpr ModifierName kSideModifiers[] = {
    {MOD_LCTRL, u"L-Ctrl"},  {MOD_LALT, u"L-Alt"},  {MOD_LSHIFT, u"L-Shift"},
    {MOD_LWIN, u"L-Win"},    {MOD_RCTRL, u"R-Ctrl"}, {MOD_RALT, u"R-Alt"},
    {MOD_RSHIFT, u"R-Shift"}, {MOD_RWIN, u"R-Win"},
};

constexpr ModifierName kShortModifiers[] = {
    {MOD_LCTRL | MOD_RCTRL, u"Ctrl"},
    {MOD_LALT | MOD_RALT, u"Alt"},
    {MOD_LSHIFT | MOD_RSHIFT, u"Shift"},
    {MOD_LWIN | MOD_RWIN, u"Win"},
};

void AddPart(std::u16string& text, std::u16string_view part) {
  if (part.empty()) return;
  if (!text.empty()) text += u" + ";
  text += part;
}

template <std::size_t N>
std::u16string CombinationText(const ModifierName (&modifiers)[N], uint8_t held, uint8_t key1,
                               uint8_t key2, const KeyNaming& naming) {
  std::u16string text;
  for (const ModifierName& m : modifiers) {
    if ((held & m.bits) != 0) AddPart(text, m.name);
  }
  if (key1 != 0) AddPart(text, KeyName(key1, naming));
  if (key2 != 0) AddPart(text, KeyName(key2, naming));
  return text;
}

}  // namespace

std::u16string KeyCombinationText(uint8_t modifiers, uint8_t key1, uint8_t key2,
                                  const KeyNaming& naming) {
  return CombinationText(kSideModifiers, modifiers, key1, key2, naming);
}

std::u16string ShortKeyCombinationText(uint8_t modifiers, uint8_t key1, uint8_t key2,
                                       const KeyNaming& naming) {
  return CombinationText(kShortModifiers, modifiers, key1, key2, naming);
}
