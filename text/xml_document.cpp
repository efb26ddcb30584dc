// SPDX-License-Identifier: GPL-2.0-or-later
// The XML reader (XmlDocument): its element table, the indexing of the decoded text into
// it (through the scanner, text/xml_scanner), the cursor and the texts of elements. How a
// file becomes that text is in text/xml_decoding.cpp.
#include "text/xml_document.h"

#include <algorithm>

#include "text/utf.h"
#include "text/xml_references.h"
#include "text/xml_scanner.h"

using namespace xml_scan;

namespace {

std::u16string Number(std::size_t n) { return FromUtf8(std::to_string(n)); }

}  // namespace

XmlDocument::XmlDocument() { Index(); }

XmlDocument& XmlDocument::Instance() {
  static XmlDocument document;
  return document;
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
