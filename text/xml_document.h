// SPDX-License-Identifier: GPL-2.0-or-later
// XmlDocument: the small, tolerant XML reader that text.xml is read with.
//
// It loads one file, works out its encoding (byte-order mark, declared encoding, UTF-8
// test), decodes it to one wide string and indexes its elements in a flat table of
// fixed-size records. Callers walk the elements with a cursor (parent, current element,
// current child) and ask for an element's text. It never rejects a document: ill-formed
// markup is indexed as far as it goes and the first problem is written into the result
// text. It never writes anything back.
//
// The reading and decoding of the file are in xml_decoding.cpp, the scanner of the text's
// nodes in xml_scanner, the element table, the cursor and the texts in xml_document.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One element of the table: eight 32-bit fields. Offsets and lengths are in wide
// characters from the start of the document text.
struct XmlElement {
  uint32_t start = 0;       // the "<" of the start tag
  uint32_t length = 0;      // start tag to end of end tag; the start tag alone without end tag
  uint32_t tagLengths = 0;  // low 22 bits: start tag length; high 10 bits: end tag length
  uint32_t flagsLevel = 0;  // low 16 bits: nesting level (outermost 0); high bits: flags
  uint32_t parent = 0;      // 0 at the outermost level
  uint32_t firstChild = 0;  // 0 when there is none
  uint32_t next = 0;        // next sibling, 0 after the last
  uint32_t prev = 0;        // previous sibling; the first child holds the last child here

  uint32_t StartTagLength() const { return tagLengths & kMaxStartTagLength; }
  uint32_t EndTagLength() const { return tagLengths >> 22; }
  uint32_t Level() const { return flagsLevel & 0xFFFF; }
  uint32_t Flags() const { return flagsLevel & ~0xFFFFu; }

  // Tag lengths too long for their bits are kept at these values; the reader then finds
  // the tag again in the text.
  static constexpr uint32_t kMaxStartTagLength = 0x3FFFFF;
  static constexpr uint32_t kMaxEndTagLength = 0x3FF;
};
static_assert(sizeof(XmlElement) == 32);

class XmlDocument {
 public:
  // Document flags.
  static constexpr unsigned kUtf16LeFile = 1;
  static constexpr unsigned kUtf8Preamble = 4;
  static constexpr unsigned kIgnoreCase = 8;  // never set: names compare with case
  static constexpr unsigned kReadFile = 16;   // while a file is being read
  static constexpr unsigned kUtf16BeFile = 128;

  // Element flags (XmlElement::Flags).
  static constexpr uint32_t kFirstChild = 0x80000;
  static constexpr uint32_t kClosedWithoutEndTag = 0x100000;
  static constexpr uint32_t kStrayEndTagFollowed = 0x200000;
  static constexpr uint32_t kIllFormed = 0x800000;  // on record 0 only

  // Records per page of the element table; an index is page << 16 | record.
  static constexpr uint32_t kPageSize = 0x10000;
  // Files larger than this are refused, so that offsets always fit their 32-bit fields.
  static constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;
  // The largest file Load reads (text.xml is a few hundred kilobytes); a larger one, and
  // anything that is not a plain file, fails the read like a missing file.
  static constexpr std::size_t kMaxLoadBytes = std::size_t{8} << 20;

  // The empty document, already indexed, so that it is always valid.
  XmlDocument();

  // The process-wide document that the text table is read from.
  static XmlDocument& Instance();

  // Reads and decodes the file and, when that succeeds, indexes the text. Returns whether
  // the file was read. A failed read leaves the empty document (and the system's message
  // as the result text).
  bool Load(const std::string& path);
  // Decodes and indexes bytes as they would have been read from a file.
  void LoadBytes(std::string_view bytes);

  // Cursor.
  void Rewind();
  // The next sibling of the current element (or the first element of the level) whose
  // name matches; an empty name matches any element.
  bool FindElement(std::u16string_view name = {});
  // The next child of the current element whose name matches; with no current element,
  // the first element of the level is selected first.
  bool FindChild(std::u16string_view name = {});
  // Makes the current element the parent level and the current child the current element.
  bool Enter();
  // The text of the current child element: references decoded, CDATA sections literally,
  // comments and processing instructions left out; empty when it has child elements.
  std::u16string ChildText() const;

  uint32_t CurrentParent() const { return parent_; }
  uint32_t CurrentElement() const { return current_; }
  uint32_t CurrentChild() const { return child_; }

  // What was read and what the reader made of it.
  const std::u16string& Text() const { return text_; }
  const std::u16string& Result() const { return result_; }
  unsigned Flags() const { return flags_; }
  bool IsWellFormed() const;
  // Records in use, record 0 (the document) included.
  uint32_t ElementCount() const { return count_; }
  const XmlElement& Element(uint32_t index) const { return pages_[index >> 16][index & 0xFFFF]; }
  std::u16string_view TagName(uint32_t index) const;

 private:
  XmlElement& Rec(uint32_t index) { return pages_[index >> 16][index & 0xFFFF]; }
  void Decode(std::string_view bytes);
  void Index();
  void ResetTable(std::size_t capacity);
  uint32_t NewRecord();
  void AppendChild(uint32_t parent, uint32_t child);
  void CloseWithoutEndTag(uint32_t index);
  bool NameMatches(uint32_t index, std::u16string_view name) const;

  std::u16string text_;
  std::u16string result_;
  unsigned flags_ = 0;
  uint32_t parent_ = 0;
  uint32_t current_ = 0;
  uint32_t child_ = 0;
  // Element table: pages of at most kPageSize records; a full page never moves.
  std::vector<std::vector<XmlElement>> pages_;
  uint32_t count_ = 0;
  std::size_t capacity_ = 0;
};
