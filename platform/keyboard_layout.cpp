// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/keyboard_layout.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace {

struct KeyCharacterPair {
  uint16_t evdev;
  char32_t character;
};

// The unshifted characters of the US layout (with the 102nd key of a 105-key keyboard),
// by evdev key number. Keys named by fixed words (keypad, Enter, Tab, ...) are left out;
// the keypad comma is not, as its code has no fixed name.
constexpr KeyCharacterPair kUsCharacters[] = {
    {2, U'1'},  {3, U'2'},  {4, U'3'},  {5, U'4'},  {6, U'5'},  {7, U'6'},  {8, U'7'},
    {9, U'8'},  {10, U'9'}, {11, U'0'}, {12, U'-'}, {13, U'='}, {16, U'Q'}, {17, U'W'},
    {18, U'E'}, {19, U'R'}, {20, U'T'}, {21, U'Y'}, {22, U'U'}, {23, U'I'}, {24, U'O'},
    {25, U'P'}, {26, U'['}, {27, U']'}, {30, U'A'}, {31, U'S'}, {32, U'D'}, {33, U'F'},
    {34, U'G'}, {35, U'H'}, {36, U'J'}, {37, U'K'}, {38, U'L'}, {39, U';'}, {40, U'\''},
    {41, U'`'}, {43, U'\\'}, {44, U'Z'}, {45, U'X'}, {46, U'C'}, {47, U'V'}, {48, U'B'},
    {49, U'N'}, {50, U'M'}, {51, U','}, {52, U'.'}, {53, U'/'}, {57, U' '}, {86, U'<'},
    {121, U'.'},
};

constexpr std::array<char32_t, 256> BuildUsTable() {
  std::array<char32_t, 256> table{};
  for (const KeyCharacterPair& p : kUsCharacters) table[p.evdev] = p.character;
  return table;
}

class UsLayout final : public KeyboardLayout {
 public:
  char32_t KeyCharacter(unsigned evdevCode) const override {
    static constexpr std::array<char32_t, 256> kTable = BuildUsTable();
    return evdevCode < kTable.size() ? kTable[evdevCode] : 0;
  }
};

std::atomic<const KeyboardLayout*> g_installed{nullptr};

// The layout chosen on first use when none is installed; kept for the process.
const KeyboardLayout& DefaultLayout() {
  static const std::unique_ptr<KeyboardLayout> display = [] {
    const char* name = std::getenv("DISPLAY");
    return name != nullptr && *name != '\0' ? OpenX11KeyboardLayout(name) : nullptr;
  }();
  return display ? *display : UsKeyboardLayout();
}

}  // namespace

const KeyboardLayout& UsKeyboardLayout() {
  static const UsLayout layout;
  return layout;
}

const KeyboardLayout& CurrentKeyboardLayout() {
  const KeyboardLayout* installed = g_installed.load();
  return installed != nullptr ? *installed : DefaultLayout();
}

void SetKeyboardLayout(const KeyboardLayout* layout) { g_installed.store(layout); }
