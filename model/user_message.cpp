// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/user_message.h"

#include "app/settings.h"
#include "app/window_port.h"

int ShowMessage(HWND owner, std::u16string_view text) {
  return Windows().MessageBox(owner, text, Settings().Title, MB_OK);
}
