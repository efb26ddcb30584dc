// SPDX-License-Identifier: GPL-2.0-or-later
// Indexing the document into element records (links, flags, problems of ill-formed
// markup), walking it with the cursor, and the text of an element.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"
#include "text/utf.h"
#include "text/xml_document.h"
#include "text/xml_references.h"

namespace {

class XmlIndex : public ::testing::Test {
 protected:
  void Load(const std::string& utf8) { ASSERT_TRUE(doc.Load(dir.Write("doc.xml", utf8))); }
  // The parse's part of the result text, after the reading messages and a blank.
  std::string Problem() const {
    const std::string result = ToUtf8(doc.Result());
    const std::size_t at = result.rfind("  ");
    return at == std::string::npos ? result : result.substr(at + 2);
  }
  const XmlElement& E(uint32_t i) const { return doc.Element(i); }
  std::string Name(uint32_t i) const { return ToUtf8(doc.TagName(i)); }
  // The text of an element given by its path below the outermost element ("a.b").
  std::string TextOf(const std::string& path) {
    doc.Rewind();
    std::u16string rest = FromUtf8(path);
    while (true) {
      const std::size_t slash = rest.find(u'.');
      if (!doc.FindChild(rest.substr(0, slash))) return "<not found>";
      if (slash == std::u16string::npos) return ToUtf8(doc.ChildText());
      doc.Enter();
      rest = rest.substr(slash + 1);
    }
  }

  TempDir dir;
  XmlDocument doc;
};

TEST_F(XmlIndex, WellFormedDocumentRecords) {
  Load("<?xml version=\"1.0\"?>\n<r a=\"1\"><x>1</x><y/><z>3</z></r>");
  EXPECT_EQ(Problem(), "");
  EXPECT_TRUE(doc.IsWellFormed());
  ASSERT_EQ(doc.ElementCount(), 5u);
  EXPECT_EQ(E(0).length, doc.Text().size());
  EXPECT_EQ(E(0).firstChild, 1u);
  const XmlElement& r = E(1);
  EXPECT_EQ(Name(1), "r");
  EXPECT_EQ(r.start, 22u);
  EXPECT_EQ(r.StartTagLength(), 9u);
  EXPECT_EQ(r.EndTagLength(), 4u);
  EXPECT_EQ(r.length, doc.Text().size() - 22);
  EXPECT_EQ(r.Level(), 0u);
  EXPECT_EQ(r.Flags(), XmlDocument::kFirstChild);
  EXPECT_EQ(r.firstChild, 2u);
  // Children x, y, z: the first child's previous link is the last child.
  EXPECT_EQ(E(2).prev, 4u);
  EXPECT_EQ(E(2).next, 3u);
  EXPECT_EQ(E(3).prev, 2u);
  EXPECT_EQ(E(3).next, 4u);
  EXPECT_EQ(E(4).prev, 3u);
  EXPECT_EQ(E(4).next, 0u);
  EXPECT_EQ(E(3).length, 4u);  // the empty-element tag <y/>
  EXPECT_EQ(E(3).EndTagLength(), 0u);
  for (uint32_t i = 2; i <= 4; ++i) {
    EXPECT_EQ(E(i).parent, 1u);
    EXPECT_EQ(E(i).Level(), 1u);
    EXPECT_EQ(E(i).Flags(), i == 2 ? XmlDocument::kFirstChild : 0u);
  }
}

TEST_F(XmlIndex, StartTagWithoutEndTagInsideAnotherElement) {
  Load("<a><b></a>");
  EXPECT_EQ(Problem(), "End tag 'a' at offset 6 does not match start tag 'b' at offset 3");
  EXPECT_EQ(E(1).length, 10u);
  EXPECT_EQ(E(1).EndTagLength(), 4u);
  EXPECT_EQ(E(1).firstChild, 2u);
  EXPECT_EQ(E(2).length, 3u);
  EXPECT_EQ(E(2).EndTagLength(), 0u);
  EXPECT_EQ(E(2).Flags(), XmlDocument::kFirstChild | XmlDocument::kClosedWithoutEndTag);
  EXPECT_EQ(E(0).Flags(), 0u);
  EXPECT_TRUE(doc.IsWellFormed());
}

TEST_F(XmlIndex, EndTagWithoutStartTag) {
  Load("<a>x</b>y</a>");
  EXPECT_EQ(Problem(), "No start tag for end tag 'b' at offset 4");
  EXPECT_EQ(E(0).Flags(), XmlDocument::kIllFormed);
  EXPECT_EQ(E(1).length, 13u);
  EXPECT_EQ(E(1).Flags(), XmlDocument::kFirstChild | XmlDocument::kStrayEndTagFollowed);
  EXPECT_FALSE(doc.IsWellFormed());
  EXPECT_EQ(TextOf("a"), "<not found>");  // a is the outermost element, not a child
  doc.Rewind();
  ASSERT_TRUE(doc.FindElement(u"a"));
  EXPECT_EQ(doc.CurrentElement(), 1u);
}

TEST_F(XmlIndex, ChildrenOfAnUnendedElementMoveUp) {
  Load("<a><b><c>t</c></a>");
  EXPECT_EQ(Problem(), "End tag 'a' at offset 14 does not match start tag 'b' at offset 3");
  const uint32_t a = 1, b = 2, c = 3;
  EXPECT_EQ(E(a).firstChild, b);
  EXPECT_EQ(E(b).length, 3u);
  EXPECT_EQ(E(b).firstChild, 0u);
  EXPECT_EQ(E(b).next, c);
  EXPECT_EQ(E(b).prev, c);  // c is now the last child of a
  EXPECT_EQ(E(c).parent, a);
  EXPECT_EQ(E(c).prev, b);
  EXPECT_EQ(E(c).next, 0u);
  EXPECT_EQ(E(c).Level(), 1u);
  EXPECT_EQ(E(c).Flags(), 0u);
  EXPECT_EQ(E(b).Flags(), XmlDocument::kFirstChild | XmlDocument::kClosedWithoutEndTag);
  EXPECT_EQ(TextOf("c"), "t");
}

TEST_F(XmlIndex, ElementsNotEndedAtTheEnd) {
  Load("<a><b><c/>x");
  EXPECT_EQ(Problem(), "Element 'b' at offset 3 not ended");
  // a, b and c all end up at the outermost level, in document order.
  EXPECT_EQ(E(0).firstChild, 1u);
  EXPECT_EQ(E(1).next, 2u);
  EXPECT_EQ(E(2).next, 3u);
  EXPECT_EQ(E(3).next, 0u);
  EXPECT_EQ(E(1).prev, 3u);
  for (uint32_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(E(i).parent, 0u);
    EXPECT_EQ(E(i).Level(), 0u);
  }
  EXPECT_EQ(E(1).Flags(), XmlDocument::kFirstChild | XmlDocument::kClosedWithoutEndTag);
  EXPECT_EQ(E(3).Flags(), 0u);
  EXPECT_FALSE(doc.IsWellFormed());
}

TEST_F(XmlIndex, DeepUnendedNestingStaysLinear) {
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "<e>";
  Load(text);
  EXPECT_EQ(Problem(), "Element 'e' at offset 599997 not ended");
  ASSERT_EQ(doc.ElementCount(), 200001u);
  EXPECT_EQ(E(200000).parent, 0u);
  EXPECT_EQ(E(200000).Level(), 0u);
  EXPECT_EQ(E(1).prev, 200000u);
}

TEST_F(XmlIndex, ProblemsOfTheScan) {
  const struct {
    const char* text;
    const char* problem;
  } cases[] = {
      {"", "Empty document"},
      {"just text", "No root element"},
      {"<!-- only a comment -->", "No root element"},
      {"<a/><b/>", "Root element has sibling"},
      {"<a>< b</a>", "Incorrect tag name character at offset 3"},
      {"<a></1></a>", "Incorrect tag name character at offset 3"},
      {"<a><!x></a>", "Incorrect ! tag at offset 3"},
      {"<a><!-x></a>", "Incorrect comment tag at offset 3"},
      {"<a><![x></a>", "Incorrect tag at offset 3"},
      {"<a><b", "Element tag at offset 3 unterminated"},
      {"<a><b t='>'", "Element tag at offset 3 unterminated"},
      {"<a></a", "Element end tag at offset 3 unterminated"},
      {"<a></", "Element end tag at offset 3 unterminated"},
      {"<a><?pi x", "Processing instruction at offset 3 unterminated"},
      {"<a><!-- x", "Comment at offset 3 unterminated"},
      {"<a><![CDATA[x", "CDATA Section at offset 3 unterminated"},
      {"<!DOCTYPE a [<!ENTITY e 'x'>", "Doctype at offset 0 unterminated"},
      {"<a><", "tag at offset 3 unterminated"},
      {"<a><!", "tag at offset 3 unterminated"},
      {"<a><![", "tag at offset 3 unterminated"},
      {"<a><!-", "tag at offset 3 unterminated"},
      // Only the first problem is kept.
      {"<a></b><!x></a><c/>", "No start tag for end tag 'b' at offset 3"},
  };
  for (const auto& c : cases) {
    Load(c.text);
    EXPECT_EQ(Problem(), c.problem) << c.text;
  }
}

TEST_F(XmlIndex, MarkupThatIsNotAnElement) {
  Load("<!DOCTYPE r [<!ENTITY e \"x>y\"><!-- ] > --><?p ]>?>]>\n"
       "<r t=\"a>b\" u='c/>'><!-- <k>no</k> --><?pi <k>?><k>v</k><![CDATA[<k>no</k>]]></r>");
  EXPECT_EQ(Problem(), "");
  EXPECT_TRUE(doc.IsWellFormed());
  EXPECT_EQ(doc.ElementCount(), 3u);
  EXPECT_EQ(Name(1), "r");
  EXPECT_EQ(E(1).StartTagLength(), 19u);
  EXPECT_EQ(TextOf("k"), "v");
}

TEST_F(XmlIndex, TableGrowsAcrossPages) {
  std::string text = "<r>";
  for (int i = 0; i < 70000; ++i) text += "<i/>";
  text += "<last>end</last></r>";
  Load(text);
  EXPECT_EQ(Problem(), "");
  ASSERT_EQ(doc.ElementCount(), 70003u);
  const uint32_t last = 70002;
  EXPECT_EQ(last >> 16, 1u);
  EXPECT_EQ(Name(last), "last");
  EXPECT_EQ(E(2).prev, last);
  EXPECT_EQ(E(70001).next, last);
  EXPECT_EQ(TextOf("last"), "end");
  doc.Rewind();
  int children = 0;
  while (doc.FindChild(u"i")) ++children;
  EXPECT_EQ(children, 70000);
}

TEST_F(XmlIndex, CursorMoves) {
  Load("<r><a>1</a><b><c>2</c><c>3</c></b><a>4</a><a2>5</a2></r>");
  doc.Rewind();
  EXPECT_FALSE(doc.Enter());
  ASSERT_TRUE(doc.FindChild(u"a"));
  EXPECT_EQ(doc.CurrentElement(), 1u);
  EXPECT_EQ(doc.CurrentParent(), 0u);
  EXPECT_EQ(ToUtf8(doc.ChildText()), "1");
  ASSERT_TRUE(doc.FindChild(u"a"));  // the next one
  EXPECT_EQ(ToUtf8(doc.ChildText()), "4");
  EXPECT_FALSE(doc.FindChild(u"a"));  // "a2" is another name
  EXPECT_EQ(ToUtf8(doc.ChildText()), "4");  // a failed search leaves the cursor
  ASSERT_TRUE(doc.FindChild(u"a2"));

  doc.Rewind();
  ASSERT_TRUE(doc.FindChild(u"b/"));  // a following "/", "=", "[", "]" or blank has no effect
  EXPECT_EQ(ToUtf8(doc.ChildText()), "");  // b has child elements
  ASSERT_TRUE(doc.Enter());
  EXPECT_EQ(doc.CurrentParent(), 1u);
  EXPECT_EQ(Name(doc.CurrentElement()), "b");
  ASSERT_TRUE(doc.FindChild(u"c ="));
  EXPECT_EQ(ToUtf8(doc.ChildText()), "2");
  ASSERT_TRUE(doc.FindChild(u"c]"));
  EXPECT_EQ(ToUtf8(doc.ChildText()), "3");

  // FindElement walks the siblings of the current element.
  doc.Rewind();
  ASSERT_TRUE(doc.FindElement(u"r"));
  ASSERT_TRUE(doc.FindChild(u"b"));
  ASSERT_TRUE(doc.Enter());
  EXPECT_EQ(doc.CurrentElement(), 3u);
  ASSERT_TRUE(doc.FindElement(u"a"));
  EXPECT_EQ(Name(doc.CurrentElement()), "a");
  EXPECT_EQ(doc.CurrentChild(), 0u);
  EXPECT_FALSE(doc.FindElement(u"b"));
  EXPECT_FALSE(doc.FindElement(u"R"));  // names compare with case
  ASSERT_TRUE(doc.FindElement());
  EXPECT_EQ(Name(doc.CurrentElement()), "a2");
}

TEST_F(XmlIndex, ElementText) {
  Load("<r>"
       "<ws>\n  two  lines \r\n</ws>"
       "<comment>x<!-- c -->y<?p i?>z</comment>"
       "<cdata><![CDATA[<b>&amp;</b>]]></cdata>"
       "<mixed>a&lt;<![CDATA[&lt;]]>&gt;</mixed>"
       "<child>t<i/></child>"
       "<empty/><none></none>"
       "<amp>&amp;lt; x&amp</amp>"
       "<stray>a</q>b</stray>"
       "</r>");
  EXPECT_EQ(TextOf("ws"), "\n  two  lines \r\n");
  EXPECT_EQ(TextOf("comment"), "xyz");
  EXPECT_EQ(TextOf("cdata"), "<b>&amp;</b>");
  EXPECT_EQ(TextOf("mixed"), "a<&lt;>");
  EXPECT_EQ(TextOf("child"), "");
  EXPECT_EQ(TextOf("empty"), "");
  EXPECT_EQ(TextOf("none"), "");
  EXPECT_EQ(TextOf("amp"), "&lt; x&amp");
  EXPECT_EQ(TextOf("stray"), "ab");
}

TEST_F(XmlIndex, TagsTooLongForTheirRecordFields) {
  const std::string name(1100, 'n');
  const std::string value(XmlElement::kMaxStartTagLength + 10, 'v');
  Load("<r><" + name + ">long name</" + name + "><k a=\"" + value + "\">long tag</k></r>");
  EXPECT_EQ(Problem(), "");
  EXPECT_EQ(TextOf(name), "long name");
  EXPECT_EQ(TextOf("k"), "long tag");
}

TEST(XmlReferences, Decoding) {
  const struct {
    std::u16string in;
    std::u16string out;
  } cases[] = {
      {u"&amp;&lt;&gt;&quot;&apos;", u"&<>\"'"},
      {u"&eacute;&euro;&hearts;&nbsp;&Yuml;", u"\u00E9\u20AC\u2665\u00A0\u0178"},
      {u"&#65;&#x42;&#X43;&#0097;", u"ABCa"},
      {u"&#x1F600;&#128512;", u"\U0001F600\U0001F600"},
      {u"&amp;lt;", u"&lt;"},
      // Kept as written.
      {u"&bogus; &AMP; &#0; &#x; &#; &; &#12a; &#xG;", u"&bogus; &AMP; &#0; &#x; &#; &; &#12a; &#xG;"},
      {u"&#xD800;&#xDFFF;&#x110000;&#55296;", u"&#xD800;&#xDFFF;&#x110000;&#55296;"},
      {u"&abcdefghij; &abcdefghi;", u"&abcdefghij; &abcdefghi;"},  // ten characters are too many
      {u"&#x10FFFF;", u"\U0010FFFF"},
      {u"& amp; &\u00E9; a & b", u"& amp; &\u00E9; a & b"},
      {u"&a&amp;", u"&a&"},
      {u"x&", u"x&"},
      {u"x&#", u"x&#"},
      {u"x&#x1F6", u"x&#x1F6"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeReferences(c.in), c.out) << ToUtf8(c.in);
}

TEST(XmlReferences, NamedTable) {
  EXPECT_EQ(NamedReferenceCount(), 253u);
  EXPECT_EQ(NamedReference(u"apos"), U'\'');
  EXPECT_EQ(NamedReference(u"diams"), 9830u);
  EXPECT_EQ(NamedReference(u"thetasym"), 977u);
  EXPECT_EQ(NamedReference(u"Dagger"), 8225u);
  EXPECT_EQ(NamedReference(u"dagger"), 8224u);
  EXPECT_EQ(NamedReference(u"Amp"), 0u);
  EXPECT_EQ(NamedReference(u""), 0u);
}

}  // namespace
