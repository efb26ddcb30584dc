// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/user_message_box.h"

#include "app/program_settings.h"
#include "base/window_port.h"

int ShowMessage(HWND owner, std::u16string_view text) {
  return Windows().MessageBox(owner, text, Settings().Title, MB_OK);
}

int ShowMessage(HWND owner, const UserMessage& message) { return ShowMessage(owner, message.Text()); }
