// SPDX-License-Identifier: GPL-2.0-or-later
// Small geometry and colour records shared by the settings, the profiles and the windows.
#pragma once

#include <cstdint>

// A colour as the settings and profiles keep it: red in the low byte, then green, blue.
using COLORREF = uint32_t;
constexpr COLORREF RGB(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  constexpr int32_t Width() const { return right - left; }
  constexpr int32_t Height() const { return bottom - top; }
  friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

struct Point {
  int32_t x = 0, y = 0;
  friend constexpr bool operator==(const Point&, const Point&) = default;
};
