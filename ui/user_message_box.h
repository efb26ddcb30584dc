// SPDX-License-Identifier: GPL-2.0-or-later
// Messages shown inside the program's windows: the skinned message box with one OK button,
// for the windows' own texts and for what the core reports (UserMessage). That box has no
// caption of its own; the window port is given the program's title so that a console port
// can still say where a message came from.
#pragma once

#include <string_view>
#include <utility>

#include "base/user_message.h"
#include "platform/hwnd.h"

int ShowMessage(HWND owner, std::u16string_view text);
int ShowMessage(HWND owner, const UserMessage& message);

// The result's value, after its message (when it has one) was shown owned by `owner`.
template <typename T>
T Shown(HWND owner, Reported<T> result) {
  if (result.message) ShowMessage(owner, *result.message);
  return std::move(result.value);
}
