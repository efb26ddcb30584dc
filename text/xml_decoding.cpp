// SPDX-License-Identifier: GPL-2.0-or-later
// How the XML reader (XmlDocument) turns a file into its text: the checked read of the file,
// then the encoding from the byte-order mark, the encoding the document declares (its xml
// declaration, or the charset of an HTML meta element) or the UTF-8 test, nulls removed,
// and the bytes decoded through the code pages; the result text says what was done.
#include "text/xml_document.h"

#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

#include "platform/checked_file.h"
#include "text/code_pages.h"
#include "text/utf.h"
#include "text/xml_scanner.h"

using namespace xml_scan;

namespace {

// Declared encodings.

struct Attribute {
  std::u16string_view name;
  std::u16string_view value;
};

// Reads the attributes of a tag from i up to its ">" (a "?" or "/" before it is passed
// over). Values may be quoted with either quote or unquoted. Returns the position after
// the ">", or npos when the text ends first.
std::size_t ReadAttributes(std::u16string_view t, std::size_t i, std::vector<Attribute>& out) {
  const std::size_t n = t.size();
  while (i < n) {
    while (i < n && IsSpace(t[i])) ++i;
    if (i >= n) break;
    if (t[i] == u'>') return i + 1;
    const std::size_t nameStart = i;
    while (i < n && !IsSpace(t[i]) && t[i] != u'=' && t[i] != u'>' && t[i] != u'/' && t[i] != u'?') ++i;
    if (i == nameStart) {
      ++i;  // a stray character
      continue;
    }
    Attribute a{t.substr(nameStart, i - nameStart), {}};
    while (i < n && IsSpace(t[i])) ++i;
    if (i < n && t[i] == u'=') {
      ++i;
      while (i < n && IsSpace(t[i])) ++i;
      if (i < n && (t[i] == u'"' || t[i] == u'\'')) {
        const std::size_t q = t.find(t[i], i + 1);
        const std::size_t end = q == npos ? n : q;
        a.value = t.substr(i + 1, end - i - 1);
        i = q == npos ? n : q + 1;
      } else {
        const std::size_t valueStart = i;
        while (i < n && !IsSpace(t[i]) && t[i] != u'>' && !(t[i] == u'?' && i + 1 < n && t[i + 1] == u'>')) ++i;
        a.value = t.substr(valueStart, i - valueStart);
      }
    }
    out.push_back(a);
  }
  return npos;
}

const Attribute* FindAttribute(const std::vector<Attribute>& attributes, std::u16string_view name) {
  for (const Attribute& a : attributes) {
    if (EqualsIgnoreCase(a.name, name)) return &a;
  }
  return nullptr;
}

// The name after "charset=" in a Content-Type value, or empty.
std::u16string CharsetOf(std::u16string_view content) {
  std::u16string lower(content);
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 0x20);
  }
  const std::size_t at = lower.find(u"charset");
  if (at == npos) return {};
  std::size_t i = at + 7;
  while (i < content.size() && IsSpace(content[i])) ++i;
  if (i >= content.size() || content[i] != u'=') return {};
  ++i;
  while (i < content.size() && IsSpace(content[i])) ++i;
  const std::size_t start = i;
  while (i < content.size() && !IsSpace(content[i]) && content[i] != u';' && content[i] != u'"' &&
         content[i] != u'\'') {
    ++i;
  }
  return std::u16string(content.substr(start, i - start));
}

// The encoding a document names for itself: the encoding of an xml declaration at the
// very start, or the charset of an HTML meta Content-Type element (searched up to the
// end of the head). Empty when it names none.
std::u16string DeclaredEncoding(std::u16string_view head) {
  std::vector<Attribute> attributes;
  if (head.size() > 5 && EqualsIgnoreCase(head.substr(0, 5), u"<?xml") &&
      (IsSpace(head[5]) || head[5] == u'?')) {
    ReadAttributes(head, 5, attributes);
    if (const Attribute* a = FindAttribute(attributes, u"encoding"); a != nullptr && !a->value.empty()) {
      return std::u16string(a->value);
    }
  }
  bool inHtml = false;
  std::size_t i = 0;
  while ((i = head.find(u'<', i)) != npos) {
    if (head.substr(i, 4) == u"<!--") {
      const std::size_t q = head.find(u"-->", i + 4);
      if (q == npos) break;
      i = q + 3;
      continue;
    }
    if (i + 1 < head.size() && (head[i + 1] == u'!' || head[i + 1] == u'?')) {
      const std::size_t q = head.find(u'>', i);
      if (q == npos) break;
      i = q + 1;
      continue;
    }
    if (i + 1 < head.size() && head[i + 1] == u'/') {
      const std::size_t nameEnd = NameEnd(head, i + 2);
      if (EqualsIgnoreCase(head.substr(i + 2, nameEnd - i - 2), u"head")) break;
      i += 2;
      continue;
    }
    const std::size_t nameEnd = NameEnd(head, i + 1);
    const std::u16string_view name = head.substr(i + 1, nameEnd - i - 1);
    if (name.empty()) {
      ++i;
      continue;
    }
    attributes.clear();
    const std::size_t after = ReadAttributes(head, nameEnd, attributes);
    if (EqualsIgnoreCase(name, u"html")) {
      inHtml = true;
    } else if (inHtml && EqualsIgnoreCase(name, u"meta")) {
      const Attribute* equiv = FindAttribute(attributes, u"http-equiv");
      const Attribute* content = FindAttribute(attributes, u"content");
      if (equiv != nullptr && content != nullptr && EqualsIgnoreCase(equiv->value, u"Content-Type")) {
        std::u16string charset = CharsetOf(content->value);
        if (!charset.empty()) return charset;
      }
    }
    if (after == npos) break;
    i = after;
  }
  return {};
}

// The first line of the system's message for an error number.
std::u16string SystemMessage(int err) {
  std::string message = std::generic_category().message(err);
  message = message.substr(0, message.find_first_of("\r\n"));
  return FromUtf8(message);
}

}  // namespace

bool XmlDocument::Load(const std::string& path) {
  flags_ |= kReadFile;
  // Through the checked opener: a pipe or a device in the file's place cannot stall the
  // read, and a file past the limit is refused whole.
  const FileBytes file = ReadWholeFile(path, kMaxLoadBytes);
  if (!file.ok()) {
    // Nothing usable was read: the document is the empty one, so no element of an
    // earlier parse points into text that is no longer there.
    text_.clear();
    Index();
    result_ = file.error == kNotAFileError || file.error == kTooLargeError ? FromUtf8(file.Reason())
                                                                          : SystemMessage(file.error);
    flags_ &= ~(kReadFile | kUtf16LeFile | kUtf8Preamble | kUtf16BeFile);
    return false;
  }
  LoadBytes(file.bytes);
  flags_ &= ~kReadFile;
  return true;
}

void XmlDocument::LoadBytes(std::string_view bytes) {
  if (bytes.size() > kMaxFileBytes) {
    text_.clear();
    Index();
    result_ = SystemMessage(EFBIG);
    return;
  }
  Decode(bytes);
  std::u16string readResult = std::move(result_);
  Index();
  if (!readResult.empty()) result_ = readResult + u" " + result_;
}

void XmlDocument::Decode(std::string_view bytes) {
  flags_ &= ~(kUtf16LeFile | kUtf8Preamble | kUtf16BeFile);
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  std::u16string mark;  // the byte-order mark's name
  std::size_t skip = 0;
  bool wide = false;
  bool bigEndian = false;
  if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
    mark = u"UTF-8";
    flags_ |= kUtf8Preamble;
    skip = 3;
  } else if (bytes.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE) {
    mark = u"UTF-16LE";
    flags_ |= kUtf16LeFile;
    skip = 2;
    wide = true;
  } else if (bytes.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF) {
    mark = u"UTF-16BE";
    flags_ |= kUtf16BeFile;
    skip = 2;
    wide = true;
    bigEndian = true;
  }
  std::u16string encoding = mark;
  if (mark.empty()) {
    encoding = DeclaredEncoding(FromUtf8(bytes.substr(0, 1024)));
    if (encoding.empty() && !bytes.empty() && bytes[0] == '<') encoding = u"UTF-8";
  }

  const std::string_view body = bytes.substr(skip);
  std::string messages;
  text_.clear();
  if (body.empty()) {
    messages = "0 length ";
  } else if (wide) {
    // An odd last byte (a file cut short) is not part of any unit.
    const std::size_t units = body.size() / 2;
    messages += "length " + std::to_string(units) + " ";
    text_.reserve(units);
    std::size_t nulls = 0;
    for (std::size_t i = 0; i < units; ++i) {
      const unsigned lo = static_cast<unsigned char>(body[2 * i + (bigEndian ? 1 : 0)]);
      const unsigned hi = static_cast<unsigned char>(body[2 * i + (bigEndian ? 0 : 1)]);
      const auto unit = static_cast<char16_t>(lo | (hi << 8));
      if (unit == 0) {
        ++nulls;
      } else {
        text_.push_back(unit);
      }
    }
    if (nulls > 0) messages += "(" + std::to_string(nulls) + " nulls removed) ";
    if (bigEndian) messages += "endian swap ";
  } else {
    messages += "length " + std::to_string(body.size()) + " ";
    std::string clean;
    std::string_view narrow = body;
    if (body.find('\0') != std::string_view::npos) {
      clean.reserve(body.size());
      for (const char ch : body) {
        if (ch != '\0') clean.push_back(ch);
      }
      messages += "(" + std::to_string(body.size() - clean.size()) + " nulls removed) ";
      narrow = clean;
    }
    if (encoding.empty()) {
      if (PassesUtf8Test(narrow)) encoding = u"UTF-8";
      messages += "(used UTF-8 detection) ";
    }
    text_ = CodePageToWide(narrow, CodePageFromName(encoding));
    messages += "to " + std::to_string(text_.size()) + " wide chars ";
  }
  if (!mark.empty()) {
    result_ = mark + u" BOM + ";
  } else {
    result_ = (encoding.empty() ? std::u16string(u"ANSI") : encoding) + u" ";
  }
  result_ += FromUtf8(messages);
}
