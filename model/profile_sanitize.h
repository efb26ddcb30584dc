// SPDX-License-Identifier: GPL-2.0-or-later
// Brings a profile read from a file (pro.dct or a .kbp) into the range of every value the
// program reads from it, so that no window, command or report built from it indexes
// outside a table. The profile loader and the .kbp import call it on each profile they
// take; what is in range stays as it is, byte for byte, and each value that was not is
// named in the answer for the caller's log.
#pragma once

#include <string>
#include <vector>

#include "model/profile.h"

struct AppSettings;

// The largest picture coordinate a key's rectangle may have (the picture is far smaller).
constexpr int32_t kPictureCoordinateLimit = 32767;

// Repairs what is out of range, each by its own rule:
// - the name and the linked program end inside their fields (the last unit becomes 0);
// - the key layer is 0;
// - a key function of no known kind (above 5, or kind 0 with a value) is reset to its key
//   table record (for keys past the table's count, no function); a matrix position
//   outside 0..125 and a rectangle that is inverted or outside 0..kPictureCoordinateLimit
//   take the key table record's (the fields mirror the table) unless they equal it;
// - a lighting mode outside 0..29 becomes DefaultLightingMode;
// - a mode's speed or brightness is in range when it is 0 (what the lighting panel stores
//   for a slider outside its range), inside SpeedVal or LightVal, or the default of a new
//   profile (DefSpeed/DefLight, the LEDParam bytes for the default mode); others are
//   clamped to the slider's range;
// - a colour group above 14 becomes group 0, as the lighting panel stores it.
// Macro ids and the modifier and key bytes take any value (an id names a macro or none, which
// the apply reports; every modifier bit and key byte means a key), and colours, group-edited
// flags and reserved bytes are never used as indexes, so these are kept as they are.
// Returns one line per repair ("lighting mode 2147483647 -> 0"), empty when nothing changed.
std::vector<std::string> SanitizeProfile(Profile& profile, const AppSettings& settings);
