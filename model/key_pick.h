// SPDX-License-Identifier: GPL-2.0-or-later
// The rules of the key function picker, without windows: the capture of a key combination
// typed as one quick sequence of presses, the media list, and the
// function that OK makes of what was chosen.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/key_function.h"

class TextTable;

// The modifier bit a key sets in a combination (0x01 left Ctrl ... 0x80 right Win; the
// generic Shift, Ctrl and Alt count as left), or 0 for a key that is no modifier.
uint8_t ModifierBitOfKey(uint8_t vk);
// The bits of both sides of the modifier's sort (control 0x11, shift 0x22, alt 0x44,
// Windows 0x88), or 0 for a key that is no modifier.
uint8_t ModifierSortOfKey(uint8_t vk);

// A combination: modifier bits, key 1 and key 2 (virtual-key codes).
struct PickedCombination {
  uint8_t modifiers = 0;
  uint8_t key1 = 0;
  uint8_t key2 = 0;
  bool Empty() const { return modifiers == 0 && key1 == 0 && key2 == 0; }
  friend bool operator==(const PickedCombination&, const PickedCombination&) = default;
};

// The last key event and the time of the last press, kept between openings of the picker.
struct KeyPressHistory {
  uint8_t vk = 0;
  bool release = false;
  bool pressed = false;       // a press was seen
  uint64_t lastPressMs = 0;   // its time on a steady millisecond clock
};
KeyPressHistory& PickerKeyHistory();

// A press 300 ms or more after the previous one starts the combination anew.
constexpr uint64_t kCombinationGapMs = 300;

// One key event of the picker's capture. An event equal to the last one (a held key) is
// ignored and a release only updates the last event. A press starts anew when a modifier
// of its sort is already in, when a third key comes, or when 300 ms or more have passed
// since the previous press; then it adds its modifier bit, or becomes key 1 (empty or the
// same key) or key 2 (empty) after the layout remap of kbType. Returns true when the event
// was a press that counted (the combination's text is to be shown again).
bool AddPickerKey(PickedCombination& combination, KeyPressHistory& history, uint8_t vk, bool release,
                  uint64_t nowMs, int kbType);

// The media and application functions of the picker's list, in list order.
struct MediaPickItem {
  uint32_t code;
  std::u16string TextTable::*caption;
};
std::span<const MediaPickItem> MediaPickItems();
// Captions of the list are cut to 29 characters.
constexpr std::size_t kMediaCaptionChars = 29;
std::u16string MediaPickCaption(const MediaPickItem& item, const TextTable& text);

// The pages of the picker.
enum PickerPage : int { PAGE_NONE = -1, PAGE_KEYS = 1, PAGE_MACRO = 2, PAGE_MEDIA = 3 };

// What the user chose when OK is pressed.
struct PickerChoice {
  int page = PAGE_NONE;
  PickedCombination combination;  // keys page
  int32_t macroId = 0;            // macro page: the selected macro, 0 for none or a folder
  uint32_t mediaCode = 0;         // media page: the picked item's code, 0 for none
};

// The function OK gives: true with `function` set (left alone when no page was chosen),
// false when the current page holds no choice (the picker says tc_msg3 and stays open).
// The rectangle and matrix position of a new function are 0; the main window fills them.
bool PickedFunction(const PickerChoice& choice, KeyFunction& function);
