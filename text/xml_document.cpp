// SPDX-License-Identifier: GPL-2.0-or-later
#include "text/xml_document.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/checked_file.h"
#include "text/code_pages.h"
#include "text/utf.h"
#include "text/xml_references.h"

namespace {

constexpr std::size_t npos = std::u16string_view::npos;

bool IsNameStart(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c > u'z' || c == u':' || c == u'_';
}
bool IsNameChar(char16_t c) { return IsNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.'; }
bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::size_t NameEnd(std::u16string_view t, std::size_t i) {
  while (i < t.size() && IsNameChar(t[i])) ++i;
  return i;
}

std::u16string Number(std::size_t n) { return FromUtf8(std::to_string(n)); }

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

XmlDocument::XmlDocument() { Index(); }

XmlDocument& XmlDocument::Instance() {
  static XmlDocument document;
  return document;
}

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

void XmlDocument::ResetTable(std::size_t capacity) {
  pages_.clear();
  capacity_ = 0;
  count_ = 0;
  std::size_t want = std::max<std::size_t>(capacity, 1);
  while (capacity_ < want) {
    const std::size_t add = std::min<std::size_t>(kPageSize, want - capacity_);
    pages_.emplace_back(add);
    capacity_ += add;
  }
  NewRecord();  // record 0: the document
}

uint32_t XmlDocument::NewRecord() {
  if (count_ == capacity_) {
    // Grow by half; the last page is filled up before a new one is started.
    std::size_t add = std::max<std::size_t>(capacity_ / 2, 1);
    while (add > 0) {
      if (pages_.back().size() < kPageSize) {
        const std::size_t room = std::min<std::size_t>(kPageSize - pages_.back().size(), add);
        pages_.back().resize(pages_.back().size() + room);
        capacity_ += room;
        add -= room;
      } else {
        const std::size_t room = std::min<std::size_t>(kPageSize, add);
        pages_.emplace_back(room);
        capacity_ += room;
        add -= room;
      }
    }
  }
  const uint32_t index = count_++;
  Rec(index) = XmlElement{};
  return index;
}

void XmlDocument::AppendChild(uint32_t parent, uint32_t child) {
  XmlElement& c = Rec(child);
  c.parent = parent;
  c.next = 0;
  XmlElement& p = Rec(parent);
  if (p.firstChild == 0) {
    p.firstChild = child;
    c.prev = child;
    c.flagsLevel |= kFirstChild;
    return;
  }
  XmlElement& first = Rec(p.firstChild);
  const uint32_t last = first.prev;
  Rec(last).next = child;
  c.prev = last;
  first.prev = child;
}

void XmlDocument::CloseWithoutEndTag(uint32_t index) {
  XmlElement& x = Rec(index);
  const uint32_t startTagLength = x.StartTagLength() < XmlElement::kMaxStartTagLength
                                      ? x.StartTagLength()
                                      : static_cast<uint32_t>(NextToken(text_, x.start).end - x.start);
  x.length = startTagLength;
  x.tagLengths &= XmlElement::kMaxStartTagLength;
  x.flagsLevel |= kClosedWithoutEndTag;
  const uint32_t first = x.firstChild;
  if (first == 0) return;
  // The children follow the element as siblings under its parent.
  const uint32_t parent = x.parent;
  const uint32_t last = Rec(first).prev;
  for (uint32_t c = first; c != 0; c = Rec(c).next) Rec(c).parent = parent;
  Rec(first).flagsLevel &= ~kFirstChild;
  const uint32_t after = x.next;
  x.next = first;
  x.firstChild = 0;
  Rec(first).prev = index;
  Rec(last).next = after;
  if (after != 0) {
    Rec(after).prev = last;
  } else {
    Rec(Rec(parent).firstChild).prev = last;
  }
}

void XmlDocument::Index() {
  const std::u16string_view t = text_;
  std::u16string problem;
  const auto record = [&](std::u16string message) {
    if (problem.empty()) problem = std::move(message);
  };
  ResetTable(t.size() / 64 + 8);
  parent_ = current_ = child_ = 0;

  struct Open {
    uint32_t index;
    std::u16string_view name;
  };
  std::vector<Open> open;
  bool moved = false;
  // Closes the open elements from position keep on without end tag, outermost first
  // (each element's children then move up once).
  const auto closeFrom = [&](std::size_t keep) {
    for (std::size_t k = keep; k < open.size(); ++k) {
      moved = moved || Rec(open[k].index).firstChild != 0;
      CloseWithoutEndTag(open[k].index);
    }
    open.resize(keep);
  };

  std::size_t pos = 0;
  while (pos < t.size()) {
    const Token tok = NextToken(t, pos);
    switch (tok.kind) {
      case Node::kStartTag:
      case Node::kEmptyTag: {
        const uint32_t index = NewRecord();
        const std::size_t length = tok.end - tok.start;
        XmlElement& e = Rec(index);
        e.start = static_cast<uint32_t>(tok.start);
        e.tagLengths = static_cast<uint32_t>(std::min<std::size_t>(length, XmlElement::kMaxStartTagLength));
        e.flagsLevel = static_cast<uint32_t>(std::min<std::size_t>(open.size(), 0xFFFF));
        AppendChild(open.empty() ? 0 : open.back().index, index);
        if (tok.kind == Node::kEmptyTag) {
          Rec(index).length = static_cast<uint32_t>(length);
        } else {
          open.push_back({index, t.substr(tok.nameStart, tok.nameEnd - tok.nameStart)});
        }
        break;
      }
      case Node::kEndTag: {
        const std::u16string_view name = t.substr(tok.nameStart, tok.nameEnd - tok.nameStart);
        std::size_t k = open.size();
        while (k > 0 && open[k - 1].name != name) --k;
        if (k == 0) {
          Rec(0).flagsLevel |= kIllFormed;
          if (!open.empty()) Rec(open.back().index).flagsLevel |= kStrayEndTagFollowed;
          record(u"No start tag for end tag '" + std::u16string(name) + u"' at offset " + Number(tok.start));
          break;
        }
        if (k < open.size()) {
          const Open& inner = open.back();
          record(u"End tag '" + std::u16string(name) + u"' at offset " + Number(tok.start) +
                 u" does not match start tag '" + std::u16string(inner.name) + u"' at offset " +
                 Number(Rec(inner.index).start));
          closeFrom(k);
        }
        XmlElement& e = Rec(open[k - 1].index);
        e.length = static_cast<uint32_t>(tok.end - e.start);
        const auto endLength = static_cast<uint32_t>(
            std::min<std::size_t>(tok.end - tok.start, XmlElement::kMaxEndTagLength));
        e.tagLengths = (e.tagLengths & XmlElement::kMaxStartTagLength) | (endLength << 22);
        open.resize(k - 1);
        break;
      }
      case Node::kMalformed:
        record(u"Incorrect " + FromUtf8(tok.what) + u" at offset " + Number(tok.start));
        break;
      case Node::kUnterminated:
        record(FromUtf8(tok.what) + u" at offset " + Number(tok.start) + u" unterminated");
        break;
      default:
        break;
    }
    pos = tok.end;
  }
  if (!open.empty()) {
    const Open& inner = open.back();
    record(u"Element '" + std::u16string(inner.name) + u"' at offset " + Number(Rec(inner.index).start) +
           u" not ended");
    closeFrom(0);
  }
  Rec(0).length = static_cast<uint32_t>(t.size());
  if (moved) {
    // Elements that moved up take the level of their new place. A parent always has a
    // lower index than its children, so one pass in index order suffices.
    for (uint32_t i = 1; i < count_; ++i) {
      XmlElement& e = Rec(i);
      const uint32_t level = e.parent == 0 ? 0 : std::min<uint32_t>(Rec(e.parent).Level() + 1, 0xFFFF);
      e.flagsLevel = e.Flags() | level;
    }
  }
  const uint32_t root = Rec(0).firstChild;
  if (t.empty()) {
    record(u"Empty document");
  } else if (root == 0) {
    record(u"No root element");
  } else if (Rec(root).next != 0) {
    record(u"Root element has sibling");
  }
  result_ = std::move(problem);
}

bool XmlDocument::IsWellFormed() const {
  const uint32_t root = Element(0).firstChild;
  return root != 0 && Element(root).next == 0 && (Element(0).flagsLevel & kIllFormed) == 0;
}

std::u16string_view XmlDocument::TagName(uint32_t index) const {
  if (index == 0 || index >= count_) return {};
  const std::u16string_view t = text_;
  const std::size_t from = Element(index).start + 1;
  return t.substr(from, NameEnd(t, from) - from);
}

namespace {

// The name to look for: a following blank, "=", "/", "[" or "]" has no effect.
std::u16string_view SoughtName(std::u16string_view name) {
  const std::size_t cut = name.find_first_of(u" =/[]");
  return cut == npos ? name : name.substr(0, cut);
}

}  // namespace

bool XmlDocument::NameMatches(uint32_t index, std::u16string_view name) const {
  if (name.empty()) return true;
  // The tag name starts right after the "<" and must end where the sought name ends.
  const std::u16string_view t = text_;
  const std::size_t from = Element(index).start + 1;
  return t.substr(from, name.size()) == name && (from + name.size() >= t.size() || !IsNameChar(t[from + name.size()]));
}

void XmlDocument::Rewind() { parent_ = current_ = child_ = 0; }

bool XmlDocument::FindElement(std::u16string_view name) {
  name = SoughtName(name);
  uint32_t i = current_ != 0 ? Element(current_).next : Element(parent_).firstChild;
  for (; i != 0; i = Element(i).next) {
    if (NameMatches(i, name)) {
      current_ = i;
      child_ = 0;
      return true;
    }
  }
  return false;
}

bool XmlDocument::FindChild(std::u16string_view name) {
  if (current_ == 0 && !FindElement()) return false;
  name = SoughtName(name);
  uint32_t i = child_ != 0 ? Element(child_).next : Element(current_).firstChild;
  for (; i != 0; i = Element(i).next) {
    if (NameMatches(i, name)) {
      child_ = i;
      current_ = Element(i).parent;
      parent_ = Element(current_).parent;
      return true;
    }
  }
  return false;
}

bool XmlDocument::Enter() {
  if (current_ == 0) return false;
  parent_ = current_;
  current_ = child_;
  child_ = 0;
  return true;
}

std::u16string XmlDocument::ChildText() const {
  if (child_ == 0) return {};
  const XmlElement& e = Element(child_);
  if (e.firstChild != 0) return {};
  const std::u16string_view t = text_;
  const std::size_t elementEnd = std::min<std::size_t>(std::size_t{e.start} + e.length, t.size());
  // Where the content starts and ends; a tag too long for its record field is found again.
  std::size_t from = e.start + e.StartTagLength();
  if (e.StartTagLength() == XmlElement::kMaxStartTagLength) from = NextToken(t, e.start).end;
  std::size_t to = elementEnd - std::min<std::size_t>(e.EndTagLength(), elementEnd);
  if (e.EndTagLength() == XmlElement::kMaxEndTagLength) {
    const std::u16string_view inside = t.substr(0, elementEnd);
    for (std::size_t pos = std::min(from, elementEnd); pos < elementEnd;) {
      const Token tok = NextToken(inside, pos);
      if (tok.kind == Node::kEndTag && tok.end == elementEnd) to = tok.start;
      pos = tok.end;
    }
  }
  to = std::min(to, t.size());
  from = std::min(from, to);
  const std::u16string_view content = t.substr(from, to - from);
  if (content.find(u'<') == npos) return DecodeReferences(content);

  std::u16string out;
  for (std::size_t pos = 0; pos < content.size();) {
    const Token tok = NextToken(content, pos);
    if (tok.kind == Node::kText) {
      AppendDecodedReferences(out, content.substr(tok.start, tok.end - tok.start));
    } else if (tok.kind == Node::kCData) {
      out.append(CDataContent(content, tok));
    } else if (tok.kind == Node::kUnterminated) {
      break;
    }
    pos = tok.end;
  }
  return out;
}
