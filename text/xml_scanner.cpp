// SPDX-License-Identifier: GPL-2.0-or-later
// The XML reader's scanner: what node starts at a position of the text (see xml_scanner.h).
#include "text/xml_scanner.h"

#include <algorithm>

namespace xml_scan {

namespace {

// The ">" that closes a tag whose attributes start at i; a ">" inside a quoted value
// does not count. npos when the text ends first.
std::size_t TagClose(std::u16string_view t, std::size_t i) {
  while (i < t.size()) {
    const char16_t c = t[i];
    if (c == u'>') return i;
    if (c == u'"' || c == u'\'') {
      const std::size_t q = t.find(c, i + 1);
      if (q == npos) return npos;
      i = q + 1;
      continue;
    }
    ++i;
  }
  return npos;
}

// The ">" that closes a document type declaration, whose internal subset may hold
// markup declarations, comments and processing instructions.
std::size_t DoctypeClose(std::u16string_view t, std::size_t i) {
  bool subset = false;
  while (i < t.size()) {
    const char16_t c = t[i];
    if (c == u'"' || c == u'\'') {
      const std::size_t q = t.find(c, i + 1);
      if (q == npos) return npos;
      i = q + 1;
    } else if (!subset) {
      if (c == u'>') return i;
      subset = c == u'[';
      ++i;
    } else if (c == u']') {
      subset = false;
      ++i;
    } else if (c == u'<' && t.substr(i, 4) == u"<!--") {
      const std::size_t q = t.find(u"-->", i + 4);
      if (q == npos) return npos;
      i = q + 3;
    } else if (c == u'<' && t.substr(i, 2) == u"<?") {
      const std::size_t q = t.find(u"?>", i + 2);
      if (q == npos) return npos;
      i = q + 2;
    } else if (c == u'<' && i + 2 < t.size() && t[i + 1] == u'!' &&
               (t[i + 2] == u'E' || t[i + 2] == u'A' || t[i + 2] == u'N')) {
      const std::size_t q = TagClose(t, i + 2);
      if (q == npos) return npos;
      i = q + 1;
    } else {
      ++i;
    }
  }
  return npos;
}

}  // namespace

// The node that starts at pos. Reads nothing beyond the end of t.
Token NextToken(std::u16string_view t, std::size_t pos) {
  const std::size_t n = t.size();
  Token tok;
  tok.start = pos;
  if (t[pos] != u'<') {
    const std::size_t lt = t.find(u'<', pos);
    tok.end = lt == npos ? n : lt;
    return tok;
  }
  const auto unterminated = [&](const char* what) {
    tok.kind = Node::kUnterminated;
    tok.what = what;
    tok.end = n;
    return tok;
  };
  const auto malformed = [&](const char* what) {
    tok.kind = Node::kMalformed;
    tok.what = what;
    const std::size_t gt = t.find(u'>', pos + 1);
    tok.end = gt == npos ? n : gt + 1;
    return tok;
  };
  const auto ending = [&](Node kind, std::size_t close, std::size_t closeLength, const char* what) {
    if (close == npos) return unterminated(what);
    tok.kind = kind;
    tok.end = close + closeLength;
    return tok;
  };
  if (pos + 1 >= n) return unterminated("tag");
  const char16_t c = t[pos + 1];
  if (IsNameStart(c)) {
    tok.nameStart = pos + 1;
    tok.nameEnd = NameEnd(t, pos + 1);
    const std::size_t gt = TagClose(t, tok.nameEnd);
    if (gt == npos) return unterminated("Element tag");
    return ending(t[gt - 1] == u'/' ? Node::kEmptyTag : Node::kStartTag, gt, 1, nullptr);
  }
  switch (c) {
    case u'/':
      if (pos + 2 >= n) return unterminated("Element end tag");
      if (!IsNameStart(t[pos + 2])) return malformed("tag name character");
      tok.nameStart = pos + 2;
      tok.nameEnd = NameEnd(t, pos + 2);
      return ending(Node::kEndTag, t.find(u'>', tok.nameEnd), 1, "Element end tag");
    case u'?':
      return ending(Node::kInstruction, t.find(u"?>", pos + 2), 2, "Processing instruction");
    case u'!': {
      if (pos + 2 >= n) return unterminated("tag");
      const char16_t d = t[pos + 2];
      if (d == u'-') {
        if (pos + 3 >= n) return unterminated("tag");
        if (t[pos + 3] != u'-') return malformed("comment tag");
        return ending(Node::kComment, t.find(u"-->", pos + 4), 3, "Comment");
      }
      if (d == u'[') {
        if (pos + 3 >= n) return unterminated("tag");
        if (t[pos + 3] != u'C') return malformed("tag");
        return ending(Node::kCData, t.find(u"]]>", pos + 3), 3, "CDATA Section");
      }
      if (d == u'D') return ending(Node::kDoctype, DoctypeClose(t, pos + 2), 1, "Doctype");
      return malformed("! tag");
    }
    default:
      return malformed("tag name character");
  }
}

// The content of a CDATA section token: between "<![CDATA[" and "]]>".
std::u16string_view CDataContent(std::u16string_view t, const Token& tok) {
  const std::size_t close = tok.end - 3;
  const std::size_t from = std::min(tok.start + 9, close);
  return t.substr(from, close - from);
}

}  // namespace xml_scan
