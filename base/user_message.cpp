// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/user_message.h"

#include <cstdio>

#include "text/utf.h"

std::u16string UserMessage::Text() const {
  if (args.empty()) return key;
  // The formats the core uses hold %d and %x only; each takes the next argument.
  std::u16string text;
  std::size_t next = 0;
  for (std::size_t i = 0; i < key.size(); ++i) {
    const char16_t c = key[i];
    if (c != u'%' || i + 1 >= key.size()) {
      text.push_back(c);
      continue;
    }
    const char16_t conversion = key[++i];
    if (conversion == u'%') {
      text.push_back(u'%');
    } else if ((conversion == u'd' || conversion == u'x') && next < args.size()) {
      char number[32];
      std::snprintf(number, sizeof number, conversion == u'd' ? "%lld" : "%llx", args[next++]);
      text += FromUtf8(number);
    } else {
      text.push_back(u'%');
      text.push_back(conversion);
    }
  }
  return text;
}
