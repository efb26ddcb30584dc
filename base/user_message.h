// SPDX-License-Identifier: GPL-2.0-or-later
// What the core has to tell the user, as a value: the loaders, imports, exports and the
// macro library's file commands return it inside their result instead of showing it. The
// windows show it in the skinned message box (ui/user_message_box), tastor-cli prints it
// on standard error with its exit status, a test reads it. Nothing here reaches a window.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct UserMessage {
  // The text as the program has it (a fixed English text or the text table's), and, when
  // args is not empty, a printf format whose %d and %x take them in order.
  std::u16string key;
  std::vector<long long> args;

  // The text the user reads.
  std::u16string Text() const;
  friend bool operator==(const UserMessage&, const UserMessage&) = default;
};

// A result and what the user is to be told about it, when anything.
template <typename T>
struct Reported {
  T value{};
  std::optional<UserMessage> message;
};

// A result with a message.
template <typename T>
Reported<T> Told(T value, UserMessage message) {
  return Reported<T>{std::move(value), std::move(message)};
}
