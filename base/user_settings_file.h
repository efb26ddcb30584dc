// SPDX-License-Identifier: GPL-2.0-or-later
// Writing one switch into the user's settings file ($XDG_CONFIG_HOME/Tastor/settings.ini),
// for "tastor-cli set-option". The file keeps its other lines and comments; the switch's
// line in [OPT] is replaced (later lines of the same key, which the reader never sees, are
// dropped) or added at the end of the section. The new content replaces the old safely
// (ReplaceFileContents); the folder is made, private (0700), when it is missing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/user_settings.h"

// The file's text with the switch set to value, or with its lines removed when value is
// nothing. A text without [OPT] gets the section at its end; line ends follow the text's.
std::u16string WithUserSwitch(std::u16string_view text, UserSwitch id, std::optional<std::u16string_view> value);

// Sets (or with nothing removes) the switch in the file at path, whose folder is made
// when missing. The value must have passed UserSwitchValueProblem. Returns "" when the
// file holds it, else why not in a few words ("cannot read PATH: reason", "cannot create
// the folder PATH: reason", "cannot write PATH: reason"); nothing is changed then.
// changed, when given, is false when the file already said so and was left alone.
std::string WriteUserSwitch(const std::string& path, UserSwitch id, std::optional<std::u16string_view> value,
                            bool* changed = nullptr);
