// SPDX-License-Identifier: GPL-2.0-or-later
// Reader of private-profile (.ini) files with the rules the settings file was written
// for: section and key names compared ignoring case, the first occurrence wins, values
// trimmed of surrounding blanks and of one pair of matching surrounding quotes, and
// numbers read as the platform's profile-integer reader reads them. Text after the
// value is part of the value: the format has no trailing comments, only comment lines.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
 public:
  // The largest file that is read; a larger one is refused like an unreadable one.
  static constexpr std::size_t kMaxFileBytes = 4u << 20;

  // Reads the file; a missing or unreadable file, one that is not a plain file and one
  // larger than kMaxFileBytes read as one without keys, and problem (when given) says
  // why in a few words ("No such file or directory", "not a regular file", "larger than
  // 4 MiB"); it is left empty when the file was read. The text may be UTF-16 with a
  // byte-order mark, UTF-8 (with or without mark) or 8-bit.
  static IniFile Load(const std::string& path, std::string* problem = nullptr);
  static IniFile Parse(std::u16string_view text);

  // The value of a key, or nothing when the section or key is missing.
  std::optional<std::u16string> Find(std::u16string_view section, std::u16string_view key) const;
  // The sections' names and the keys of one section, in the order of the file (a later
  // section of the same name adds to the first).
  std::vector<std::u16string> SectionNames() const;
  std::vector<std::u16string> KeysOf(std::u16string_view section) const;

  // The profile-string read: the value truncated to capacity - 1 characters, or the
  // default when the key is missing.
  std::u16string GetString(std::u16string_view section, std::u16string_view key,
                           std::u16string_view def, std::size_t capacity) const;
  // The profile-integer read: the default when the key is missing or its value empty,
  // otherwise the number at the start of the value (0 when there is none).
  int32_t GetInt(std::u16string_view section, std::u16string_view key, int32_t def) const;

  // The profile-integer conversion of a value: blanks, an optional sign, then decimal
  // digits, or "0x" hexadecimal, "0o" octal, "0b" binary; the text after the number is
  // ignored and the value wraps to 32 bits.
  static int32_t ParseProfileInt(std::u16string_view value);

 private:
  struct Section {
    std::vector<std::pair<std::u16string, std::u16string>> keys;
  };
  std::vector<std::pair<std::u16string, Section>> sections_;
  const Section* FindSection(std::u16string_view name) const;
};
