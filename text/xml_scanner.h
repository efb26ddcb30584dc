// SPDX-License-Identifier: GPL-2.0-or-later
// The scanner of the XML reader (XmlDocument): the character classes of names and spaces,
// and the node of the text that starts at a position (text, a tag, an instruction, a
// comment, a CDATA section, a doctype, or what is ill-formed), found without reading past
// the end of the text. The indexer and the element texts (text/xml_document.cpp) and the
// search for a declared encoding (text/xml_decoding.cpp) use it; nothing else does.
#pragma once

#include <cstddef>
#include <string_view>

namespace xml_scan {

constexpr std::size_t npos = std::u16string_view::npos;

inline bool IsNameStart(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c > u'z' || c == u':' || c == u'_';
}
inline bool IsNameChar(char16_t c) { return IsNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.'; }
inline bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

inline std::size_t NameEnd(std::u16string_view t, std::size_t i) {
  while (i < t.size() && IsNameChar(t[i])) ++i;
  return i;
}

// One node of the text: what follows a "<", or the text up to the next "<".
enum class Node {
  kText,
  kStartTag,
  kEmptyTag,
  kEndTag,
  kInstruction,
  kComment,
  kCData,
  kDoctype,
  kMalformed,     // skipped up to the next ">"
  kUnterminated,  // runs into the end of the text
};

struct Token {
  Node kind = Node::kText;
  std::size_t start = 0;
  std::size_t end = 0;  // one past the node
  std::size_t nameStart = 0;
  std::size_t nameEnd = 0;
  const char* what = nullptr;  // the kind of problem, for the result text
};

// The node that starts at pos. Reads nothing beyond the end of t.
Token NextToken(std::u16string_view t, std::size_t pos);

// The content of a CDATA section token: between "<![CDATA[" and "]]>".
std::u16string_view CDataContent(std::u16string_view t, const Token& tok);

}  // namespace xml_scan
