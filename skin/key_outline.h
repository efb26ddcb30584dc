// SPDX-License-Identifier: GPL-2.0-or-later
// The outline of the keyboard's one non-rectangular key (the L-shaped Enter of the
// UnRectKey setting) as a path on the keyboard picture: drawn as the key's frame and
// hit-tested with the alternate (odd-even) fill rule.
#pragma once

#include <QPainterPath>
#include <vector>

#include "base/types.h"

// One straight line from each corner to the next; fewer than 2 corners give an empty path.
QPainterPath KeyOutlinePath(const std::vector<Point>& corners);
