// SPDX-License-Identifier: GPL-2.0-or-later
#include "skin/key_outline.h"

QPainterPath KeyOutlinePath(const std::vector<Point>& corners) {
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  if (corners.size() < 2) return path;
  path.moveTo(corners.front().x, corners.front().y);
  for (std::size_t i = 1; i < corners.size(); ++i) path.lineTo(corners[i].x, corners[i].y);
  return path;
}
