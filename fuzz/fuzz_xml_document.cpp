// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes the XML reader: any bytes, as if read from text.xml, are decoded and indexed;
// then the element table is checked for broken links and every element the cursor can
// reach is read, as the text table does.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/text_table.h"
#include "text/xml_document.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void CheckTable(const XmlDocument& doc) {
  const uint32_t count = doc.ElementCount();
  const std::size_t size = doc.Text().size();
  Check(doc.Element(0).length == size);
  for (uint32_t i = 1; i < count; ++i) {
    const XmlElement& e = doc.Element(i);
    Check(std::size_t{e.start} + e.length <= size);
    Check(e.StartTagLength() <= e.length);
    Check(e.parent < i);
    Check(e.firstChild < count && e.next < count && e.prev < count && e.prev != 0);
    if (e.next != 0) Check(doc.Element(e.next).prev == i && doc.Element(e.next).parent == e.parent);
    if (e.firstChild != 0) Check(doc.Element(e.firstChild).parent == i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  XmlDocument& doc = XmlDocument::Instance();
  doc.LoadBytes(std::string_view(reinterpret_cast<const char*>(data), size));
  CheckTable(doc);

  // Every level down the last child's line, every element of each level.
  doc.Rewind();
  for (int depth = 0; depth < 256; ++depth) {
    bool any = false;
    while (doc.FindChild()) {
      any = true;
      (void)doc.ChildText();
    }
    if (!any || !doc.Enter()) break;
  }

  // Lookups of the names the document has, as group and as key.
  std::vector<std::u16string> names;
  for (uint32_t i = 1; i < doc.ElementCount() && names.size() < 32; ++i) {
    names.emplace_back(doc.TagName(i));
  }
  for (const std::u16string& name : names) {
    (void)TextTable::Lookup(u"config", name);
    (void)TextTable::Lookup(name, names.front());
  }
  return 0;
}
