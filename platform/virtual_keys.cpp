// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/virtual_keys.h"

#include <array>

namespace {

struct KeyPair {
  uint16_t evdev;
  uint8_t vk;
};

// Key numbers as the Linux input layer defines them (linux/input-event-codes.h).
constexpr KeyPair kKeys[] = {
    {1, VK_ESCAPE},   {2, '1'},  {3, '2'},  {4, '3'},  {5, '4'},  {6, '5'},  {7, '6'},
    {8, '7'},         {9, '8'},  {10, '9'}, {11, '0'}, {12, VK_OEM_MINUS}, {13, VK_OEM_PLUS},
    {14, VK_BACK},    {15, VK_TAB}, {16, 'Q'}, {17, 'W'}, {18, 'E'}, {19, 'R'}, {20, 'T'},
    {21, 'Y'},        {22, 'U'}, {23, 'I'}, {24, 'O'}, {25, 'P'}, {26, VK_OEM_4},
    {27, VK_OEM_6},   {28, VK_RETURN}, {29, VK_LCONTROL}, {30, 'A'}, {31, 'S'}, {32, 'D'},
    {33, 'F'},        {34, 'G'}, {35, 'H'}, {36, 'J'}, {37, 'K'}, {38, 'L'}, {39, VK_OEM_1},
    {40, VK_OEM_7},   {41, VK_OEM_3}, {42, VK_LSHIFT}, {43, VK_OEM_5}, {44, 'Z'}, {45, 'X'},
    {46, 'C'},        {47, 'V'}, {48, 'B'}, {49, 'N'}, {50, 'M'}, {51, VK_OEM_COMMA},
    {52, VK_OEM_PERIOD}, {53, VK_OEM_2}, {54, VK_RSHIFT}, {55, VK_MULTIPLY}, {56, VK_LMENU},
    {57, VK_SPACE},   {58, VK_CAPITAL}, {59, 0x70}, {60, 0x71}, {61, 0x72}, {62, 0x73},
    {63, 0x74},       {64, 0x75}, {65, 0x76}, {66, 0x77}, {67, 0x78}, {68, 0x79},
    {69, VK_NUMLOCK}, {70, VK_SCROLL}, {71, 0x67}, {72, 0x68}, {73, 0x69}, {74, VK_SUBTRACT},
    {75, 0x64},       {76, 0x65}, {77, 0x66}, {78, VK_ADD}, {79, 0x61}, {80, 0x62}, {81, 0x63},
    {82, VK_NUMPAD0}, {83, VK_DECIMAL}, {86, VK_OEM_102}, {87, 0x7A}, {88, 0x7B},
    {89, VK_TASTOR_RO}, {92, VK_TASTOR_HENKAN}, {93, VK_TASTOR_KATAKANA},
    {94, VK_TASTOR_MUHENKAN}, {96, VK_TASTOR_KP_ENTER}, {97, VK_RCONTROL}, {98, VK_DIVIDE},
    {99, VK_SNAPSHOT}, {100, VK_RMENU}, {102, VK_HOME}, {103, VK_UP}, {104, VK_PRIOR},
    {105, VK_LEFT},   {106, VK_RIGHT}, {107, VK_END}, {108, VK_DOWN}, {109, VK_NEXT},
    {110, VK_INSERT}, {111, VK_DELETE}, {113, VK_VOLUME_MUTE}, {114, VK_VOLUME_DOWN},
    {115, VK_VOLUME_UP}, {119, VK_PAUSE}, {121, VK_TASTOR_KP_COMMA}, {124, VK_TASTOR_YEN},
    {125, VK_LWIN},   {126, VK_RWIN}, {127, VK_APPS}, {163, VK_MEDIA_NEXT_TRACK},
    {164, VK_MEDIA_PLAY_PAUSE}, {165, VK_MEDIA_PREV_TRACK}, {166, VK_MEDIA_STOP},
    {183, 0x7C},      {184, 0x7D}, {185, 0x7E}, {186, 0x7F}, {187, 0x80}, {188, 0x81},
    {189, 0x82},      {190, 0x83}, {191, 0x84}, {192, 0x85}, {193, 0x86}, {194, 0x87},
};

constexpr std::array<uint8_t, 256> BuildTable() {
  std::array<uint8_t, 256> table{};
  for (const KeyPair& k : kKeys) table[k.evdev] = k.vk;
  return table;
}

constexpr std::array<uint8_t, 256> kEvdevToVk = BuildTable();

}  // namespace

uint8_t VirtualKeyFromEvdev(unsigned evdevCode) {
  return evdevCode < kEvdevToVk.size() ? kEvdevToVk[evdevCode] : 0;
}

uint8_t VirtualKeyFromXKeycode(unsigned xKeycode) {
  return xKeycode >= 8 ? VirtualKeyFromEvdev(xKeycode - 8) : 0;
}

unsigned EvdevFromVirtualKey(uint8_t vk) {
  for (const KeyPair& k : kKeys) {
    if (k.vk == vk) return k.evdev;
  }
  return 0;
}
