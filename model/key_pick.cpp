// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/key_pick.h"

#include <array>

#include "model/device_matrix.h"
#include "platform/virtual_keys.h"
#include "text/text_table.h"

uint8_t ModifierBitOfKey(uint8_t vk) {
  switch (vk) {
    case VK_SHIFT:
    case VK_LSHIFT: return MOD_LSHIFT;
    case VK_CONTROL:
    case VK_LCONTROL: return MOD_LCTRL;
    case VK_MENU:
    case VK_LMENU: return MOD_LALT;
    case VK_LWIN: return MOD_LWIN;
    case VK_RWIN: return MOD_RWIN;
    case VK_RSHIFT: return MOD_RSHIFT;
    case VK_RCONTROL: return MOD_RCTRL;
    case VK_RMENU: return MOD_RALT;
    default: return 0;
  }
}

uint8_t ModifierSortOfKey(uint8_t vk) {
  const uint8_t bit = ModifierBitOfKey(vk);
  if (bit == 0) return 0;
  // The right-hand bit of a sort is its left-hand bit four places up.
  const uint8_t left = bit & 0x0F ? bit : static_cast<uint8_t>(bit >> 4);
  return static_cast<uint8_t>(left | (left << 4));
}

KeyPressHistory& PickerKeyHistory() {
  static KeyPressHistory history;
  return history;
}

bool AddPickerKey(PickedCombination& c, KeyPressHistory& history, uint8_t vk, bool release, uint64_t nowMs,
                  int kbType) {
  if (vk == history.vk && release == history.release) return false;  // a held key repeats
  history.vk = vk;
  history.release = release;
  if (release) return false;

  const uint8_t sort = ModifierSortOfKey(vk);
  bool anew = sort != 0 ? (c.modifiers & sort) != 0 : (c.key1 != 0 && c.key2 != 0);
  if (history.pressed && nowMs - history.lastPressMs >= kCombinationGapMs) anew = true;
  if (anew) c = PickedCombination{};
  history.pressed = true;
  history.lastPressMs = nowMs;

  if (sort != 0) {
    c.modifiers |= ModifierBitOfKey(vk);
  } else {
    const auto key = static_cast<uint8_t>(CaptureRemap(vk, kbType));
    if (c.key1 == 0 || c.key1 == key) {
      c.key1 = key;
    } else if (c.key2 == 0) {
      c.key2 = key;
    }
  }
  return true;
}

std::span<const MediaPickItem> MediaPickItems() {
  static constexpr std::array<MediaPickItem, 12> items = {{
      {0x04000021, &TextTable::tc_kbmedia_msel},
      {0x04000022, &TextTable::tc_PL},
      {0x04000025, &TextTable::tc_next_media},
      {0x04000024, &TextTable::tc_pre_media},
      {0x04000023, &TextTable::tc_stop},
      {0x04000028, &TextTable::tc_mute},
      {0x04000026, &TextTable::tc_vol_up},
      {0x04000027, &TextTable::tc_vol_dw},
      {0x04000030, &TextTable::tc_kbmedia_mail},
      {0x04000031, &TextTable::tc_kbmedia_cal},
      {0x04000032, &TextTable::tc_kbmedia_explore},
      {0x04000034, &TextTable::tc_kbmedia_main},
  }};
  return items;
}

std::u16string MediaPickCaption(const MediaPickItem& item, const TextTable& text) {
  return (text.*item.caption).substr(0, kMediaCaptionChars);
}

bool PickedFunction(const PickerChoice& choice, KeyFunction& function) {
  switch (choice.page) {
    case PAGE_KEYS:
      if (choice.combination.Empty()) return false;
      function = KeyFunction{};
      function.code = KeyFunction::MakeCode(KIND_KEY, 0);
      function.modifiers = choice.combination.modifiers;
      function.key1 = choice.combination.key1;
      function.key2 = choice.combination.key2;
      return true;
    case PAGE_MACRO:
      if (choice.macroId == 0) return false;
      function = KeyFunction{};
      function.code = KeyFunction::MakeCode(KIND_MACRO, 0);
      function.macroId = choice.macroId & 0x00FFFFFF;
      return true;
    case PAGE_MEDIA:
      if (choice.mediaCode == 0) return false;
      function = KeyFunction{};
      function.code = choice.mediaCode;
      return true;
    default:
      return true;  // no page chosen: the key keeps its function
  }
}
