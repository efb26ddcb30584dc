// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/ini_reader.h"

#include <algorithm>

#include "platform/checked_file.h"
#include "text/utf.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string_view StripQuotes(std::u16string_view s) {
  if (s.size() >= 2 && (s.front() == u'"' || s.front() == u'\'') && s.back() == s.front()) {
    s.remove_prefix(1);
    s.remove_suffix(1);
  }
  return s;
}

}  // namespace

IniFile IniFile::Load(const std::string& path, std::string* problem) {
  // A settings file is a few kilobytes; it is read through the checked opener, so a pipe
  // or a device in its place cannot stall start-up, and a huge one is refused whole.
  const FileBytes file = ReadWholeFile(path, kMaxFileBytes);
  if (problem != nullptr) *problem = file.ok() ? std::string() : file.Reason();
  if (!file.ok()) return IniFile{};
  return Parse(DecodeTextFile(file.bytes));
}

IniFile IniFile::Parse(std::u16string_view text) {
  IniFile ini;
  Section* current = nullptr;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find(u'\n', pos);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      const std::size_t close = line.find(u']');
      const std::u16string_view name =
          Trim(line.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1));
      current = const_cast<Section*>(ini.FindSection(name));
      if (current == nullptr) {
        ini.sections_.emplace_back(std::u16string(name), Section{});
        current = &ini.sections_.back().second;
      }
      continue;
    }
    if (current == nullptr) continue;
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string_view::npos) continue;
    const std::u16string_view key = Trim(line.substr(0, eq));
    const std::u16string_view value = StripQuotes(Trim(line.substr(eq + 1)));
    // A later duplicate of a key is never seen by the reader: the first one wins.
    bool known = false;
    for (const auto& kv : current->keys) known = known || EqualsIgnoreCase(kv.first, key);
    if (!known) current->keys.emplace_back(std::u16string(key), std::u16string(value));
  }
  return ini;
}

const IniFile::Section* IniFile::FindSection(std::u16string_view name) const {
  for (const auto& s : sections_) {
    if (EqualsIgnoreCase(s.first, name)) return &s.second;
  }
  return nullptr;
}

std::optional<std::u16string> IniFile::Find(std::u16string_view section, std::u16string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  for (const auto& kv : s->keys) {
    if (EqualsIgnoreCase(kv.first, key)) return kv.second;
  }
  return std::nullopt;
}

std::vector<std::u16string> IniFile::SectionNames() const {
  std::vector<std::u16string> names;
  for (const auto& s : sections_) names.push_back(s.first);
  return names;
}

std::vector<std::u16string> IniFile::KeysOf(std::u16string_view section) const {
  std::vector<std::u16string> keys;
  if (const Section* s = FindSection(section)) {
    for (const auto& kv : s->keys) keys.push_back(kv.first);
  }
  return keys;
}

std::u16string IniFile::GetString(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view def, std::size_t capacity) const {
  const auto value = Find(section, key);
  return Truncated(value ? std::u16string_view(*value) : def, capacity);
}

int32_t IniFile::GetInt(std::u16string_view section, std::u16string_view key, int32_t def) const {
  const auto value = Find(section, key);
  if (!value || value->empty()) return def;
  return ParseProfileInt(*value);
}

int32_t IniFile::ParseProfileInt(std::u16string_view s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == u' ' || s[i] == u'\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    negative = s[i] == u'-';
    ++i;
  }
  unsigned base = 10;
  if (i + 1 < s.size() && s[i] == u'0') {
    const char16_t p = s[i + 1];
    if (p == u'x' || p == u'X') base = 16;
    if (p == u'o' || p == u'O') base = 8;
    if (p == u'b' || p == u'B') base = 2;
    if (base != 10) i += 2;
  }
  uint32_t value = 0;
  for (; i < s.size(); ++i) {
    const char16_t c = s[i];
    unsigned digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      break;
    }
    if (digit >= base) break;
    value = value * base + digit;
  }
  return static_cast<int32_t>(negative ? 0u - value : value);
}
