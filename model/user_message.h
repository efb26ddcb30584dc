// SPDX-License-Identifier: GPL-2.0-or-later
// Messages shown inside the program's windows: the skinned message box with one OK button.
// That box has no caption of its own; the window port is given the program's title so
// that a console port can still say where a message came from.
#pragma once

#include <string_view>

#include "platform/hwnd.h"

int ShowMessage(HWND owner, std::u16string_view text);
