// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/user_settings_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/ini_reader.h"
#include "base/stored_file.h"
#include "text/utf.h"

namespace {

constexpr char16_t kNewFileHeader[] =
    u"; Tastor's settings for this user: they override /etc/tastor/cfg.ini and the cfg.ini\n"
    u"; beside the program. \"tastor-cli set-option KEY VALUE\" writes them.\n";

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\v' || c == u'\f'; }

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The text's lines without their "\n" (a "\r" before it stays with the line).
std::vector<std::u16string> Lines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(u'\n', pos);
    if (end == std::u16string_view::npos) end = text.size();
    lines.emplace_back(text.substr(pos, end - pos));
    pos = end + 1;
  }
  return lines;
}

// The section a line opens ("" for none), as the reader takes it.
std::optional<std::u16string_view> SectionOf(std::u16string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() != u'[') return std::nullopt;
  const std::size_t close = line.find(u']');
  return Trim(line.substr(1, close == std::u16string_view::npos ? std::u16string_view::npos : close - 1));
}

// The key a line sets, or nothing for a comment, a blank line or a line without "=".
std::optional<std::u16string_view> KeyOf(std::u16string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() == u';') return std::nullopt;
  const std::size_t eq = line.find(u'=');
  if (eq == std::u16string_view::npos) return std::nullopt;
  return Trim(line.substr(0, eq));
}

// Makes one folder level private when it is missing; "" or why not.
std::string MakePrivateFolder(const std::string& folder) {
  if (::mkdir(folder.c_str(), 0700) == 0) return {};
  const int err = errno;
  struct stat st {};
  if (err == EEXIST && ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return {};
  return "cannot create the folder " + folder + ": " + (err == EEXIST ? "a file is in its place" : std::strerror(err));
}

}  // namespace

std::u16string WithUserSwitch(std::u16string_view text, UserSwitch id, std::optional<std::u16string_view> value) {
  const std::u16string name = FromUtf8(InfoOf(id).name);
  const bool crlf = text.find(u"\r\n") != std::u16string_view::npos;
  const std::u16string newLine = value ? name + u"=" + std::u16string(*value) + (crlf ? u"\r" : u"") : std::u16string();

  std::vector<std::u16string> out;
  bool inOpt = false;
  bool written = false;
  int firstOpt = 0;                   // 0 before the first [OPT] section, 1 inside it, 2 after it
  std::optional<std::size_t> optEnd;  // the last line of its header or settings in out
  for (const std::u16string& line : Lines(text)) {
    if (const auto section = SectionOf(line)) {
      if (firstOpt == 1) firstOpt = 2;
      inOpt = EqualsIgnoreCase(*section, u"OPT");
      out.push_back(line);
      if (inOpt && firstOpt == 0) {
        firstOpt = 1;
        optEnd = out.size() - 1;
      }
      continue;
    }
    const auto key = KeyOf(line);
    if (inOpt && key && EqualsIgnoreCase(*key, name)) {
      // The first line of the key is the one the reader takes; later ones go.
      if (value && !written) {
        out.push_back(newLine);
        written = true;
        if (firstOpt == 1) optEnd = out.size() - 1;
      }
      continue;
    }
    out.push_back(line);
    if (firstOpt == 1 && key) optEnd = out.size() - 1;
  }
  if (value && !written) {
    if (optEnd) {
      out.insert(out.begin() + static_cast<std::ptrdiff_t>(*optEnd + 1), newLine);
    } else {
      if (!out.empty() && !Trim(out.back()).empty()) out.push_back(crlf ? u"\r" : u"");
      out.push_back(u"[OPT]" + std::u16string(crlf ? u"\r" : u""));
      out.push_back(newLine);
    }
  }
  std::u16string result;
  for (const std::u16string& line : out) result += line + u"\n";
  return result;
}

std::string WriteUserSwitch(const std::string& path, UserSwitch id, std::optional<std::u16string_view> value,
                            bool* changed) {
  if (changed != nullptr) *changed = false;
  std::u16string text;
  const FileBytes file = ReadWholeFile(path, IniFile::kMaxFileBytes);
  if (file.ok()) {
    text = DecodeTextFile(file.bytes);
  } else if (file.error == ENOENT || file.error == ENOTDIR) {
    if (!value) return {};  // nothing to remove
    text = kNewFileHeader;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    // The configuration folder itself, then Tastor's inside it, both private when new.
    const std::size_t parentSlash = folder.rfind('/');
    if (parentSlash != std::string::npos && parentSlash > 0) {
      if (std::string why = MakePrivateFolder(folder.substr(0, parentSlash)); !why.empty()) return why;
    }
    if (!folder.empty()) {
      if (std::string why = MakePrivateFolder(folder); !why.empty()) return why;
    }
  } else {
    return "cannot read " + path + ": " + file.Reason();
  }
  const std::u16string updated = WithUserSwitch(text, id, value);
  if (file.ok() && updated == text) return {};
  const std::string bytes = ToUtf8(updated);
  const ReplaceResult result =
      ReplaceFileContents(path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  if (!result.ok()) return "cannot write " + path + ": " + std::strerror(result.error);
  if (changed != nullptr) *changed = true;
  return {};
}
