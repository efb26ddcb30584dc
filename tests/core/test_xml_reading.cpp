// SPDX-License-Identifier: GPL-2.0-or-later
// Reading a file into the XML document: byte-order marks, declared encodings, the UTF-8
// test, zero removal, code pages, and the result text that tells what was done.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cctype>
#include <string>

#include "tests/support/test_support.h"
#include "text/code_pages.h"
#include "text/utf.h"
#include "text/xml_document.h"

namespace {

std::string Utf16(std::u16string_view text, bool bigEndian, bool mark = true) {
  std::string bytes = mark ? (bigEndian ? std::string("\xFE\xFF") : std::string("\xFF\xFE")) : std::string();
  for (const char16_t c : text) {
    const char lo = static_cast<char>(c & 0xFF);
    const char hi = static_cast<char>(c >> 8);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

class XmlReading : public ::testing::Test {
 protected:
  // Writes the bytes to a file and loads it into a fresh document.
  bool LoadFile(const std::string& bytes) { return doc.Load(dir.Write("doc.xml", bytes)); }
  std::string Result() const { return ToUtf8(doc.Result()); }

  TempDir dir;
  XmlDocument doc;
};

const std::u16string kSample = u"<a>Gr\u00FC\u00DFe \u20AC \U0001F600</a>";

TEST_F(XmlReading, UnicodeFormsGiveTheSameText) {
  const std::string utf8 = ToUtf8(kSample);
  const std::string units = std::to_string(kSample.size());

  ASSERT_TRUE(LoadFile("\xEF\xBB\xBF" + utf8));
  EXPECT_EQ(doc.Text(), kSample);
  EXPECT_EQ(Result(), "UTF-8 BOM + length " + std::to_string(utf8.size()) + " to " + units + " wide chars  ");
  EXPECT_EQ(doc.Flags(), XmlDocument::kUtf8Preamble);

  ASSERT_TRUE(LoadFile(Utf16(kSample, false)));
  EXPECT_EQ(doc.Text(), kSample);
  EXPECT_EQ(Result(), "UTF-16LE BOM + length " + units + "  ");
  EXPECT_EQ(doc.Flags(), XmlDocument::kUtf16LeFile);

  ASSERT_TRUE(LoadFile(Utf16(kSample, true)));
  EXPECT_EQ(doc.Text(), kSample);
  EXPECT_EQ(Result(), "UTF-16BE BOM + length " + units + " endian swap  ");
  EXPECT_EQ(doc.Flags(), XmlDocument::kUtf16BeFile);

  // Without a mark, a file that starts with "<" is UTF-8.
  ASSERT_TRUE(LoadFile(utf8));
  EXPECT_EQ(doc.Text(), kSample);
  EXPECT_EQ(Result(), "UTF-8 length " + std::to_string(utf8.size()) + " to " + units + " wide chars  ");
  EXPECT_EQ(doc.Flags(), 0u);
  EXPECT_TRUE(doc.IsWellFormed());
}

TEST_F(XmlReading, ZeroUnitsAndBytesAreRemoved) {
  ASSERT_TRUE(LoadFile(Utf16(std::u16string(u"<a>x\0y</a>", 10), false)));
  EXPECT_EQ(doc.Text(), u"<a>xy</a>");
  EXPECT_EQ(Result(), "UTF-16LE BOM + length 10 (1 nulls removed)  ");

  ASSERT_TRUE(LoadFile(std::string("<a>x\0y\0</a>", 11)));
  EXPECT_EQ(doc.Text(), u"<a>xy</a>");
  EXPECT_EQ(Result(), "UTF-8 length 11 (2 nulls removed) to 9 wide chars  ");
}

TEST_F(XmlReading, TruncatedUtf16LeavesTheOddByteOut) {
  std::string bytes = Utf16(u"<a>x</a>", false);
  ASSERT_TRUE(LoadFile(bytes + "<"));
  EXPECT_EQ(doc.Text(), u"<a>x</a>");
  EXPECT_EQ(Result(), "UTF-16LE BOM + length 8  ");

  bytes = Utf16(u"<a>x</a", true);
  ASSERT_TRUE(LoadFile(bytes.substr(0, bytes.size() - 1)));
  EXPECT_EQ(doc.Text(), u"<a>x</");
  EXPECT_EQ(Result(), "UTF-16BE BOM + length 6 endian swap  Element end tag at offset 4 unterminated");
}

TEST_F(XmlReading, EightBitFilesWithoutDeclaration) {
  // Starting with "<": always UTF-8, so Windows-1252 bytes become replacement characters.
  ASSERT_TRUE(LoadFile("<a>caf\xE9</a>"));
  EXPECT_EQ(doc.Text(), u"<a>caf\uFFFD</a>");

  // Starting otherwise: the UTF-8 test decides.
  ASSERT_TRUE(LoadFile("\n<a>caf\xE9</a>"));
  EXPECT_EQ(doc.Text(), u"\n<a>caf\u00E9</a>");
  EXPECT_EQ(Result(), "ANSI length 12 (used UTF-8 detection) to 12 wide chars  ");

  ASSERT_TRUE(LoadFile("\n<a>caf\xC3\xA9 \x80</a>"));
  EXPECT_EQ(Result(), "ANSI length 15 (used UTF-8 detection) to 15 wide chars  ");
  EXPECT_EQ(doc.Text(), u"\n<a>caf\u00C3\u00A9 \u20AC</a>");

  ASSERT_TRUE(LoadFile("\n<a>caf\xC3\xA9</a>"));
  EXPECT_EQ(doc.Text(), u"\n<a>caf\u00E9</a>");
  EXPECT_EQ(Result(), "UTF-8 length 13 (used UTF-8 detection) to 12 wide chars  ");
}

TEST_F(XmlReading, DeclaredEncodings) {
  // gb2312 is code page 936: two GBK characters.
  ASSERT_TRUE(LoadFile("<?xml version=\"1.0\" encoding=\"gb2312\"?>\n<a>\xD6\xD0\xCE\xC4</a>"));
  EXPECT_NE(doc.Text().find(u"<a>\u4E2D\u6587</a>"), std::u16string::npos);
  EXPECT_EQ(Result().substr(0, 14), "gb2312 length ");

  // Capitals, single quotes.
  ASSERT_TRUE(LoadFile("<?XML version='1.0' ENCODING='ISO-8859-7'?><a>\xE1</a>"));
  EXPECT_NE(doc.Text().find(u"<a>\u03B1</a>"), std::u16string::npos);
  EXPECT_EQ(Result().substr(0, 11), "ISO-8859-7 ");

  // An unknown name reads as the ANSI code page (windows-1252), named as declared.
  const std::string klingon = "<?xml version=\"1.0\" encoding=\"x-klingon\"?><a>\xE9\x80</a>";
  ASSERT_TRUE(LoadFile(klingon));
  EXPECT_NE(doc.Text().find(u"<a>\u00E9\u20AC</a>"), std::u16string::npos);
  const std::string size = std::to_string(klingon.size());
  EXPECT_EQ(Result(), "x-klingon length " + size + " to " + size + " wide chars  ");

  // The declaration must stand at the very start.
  ASSERT_TRUE(LoadFile(" <?xml version=\"1.0\" encoding=\"koi8-r\"?><a>\xC1</a>"));
  EXPECT_EQ(Result().substr(0, 5), "ANSI ");
  EXPECT_NE(doc.Text().find(u"<a>\u00C1</a>"), std::u16string::npos);
}

TEST_F(XmlReading, HtmlMetaCharset) {
  ASSERT_TRUE(LoadFile("<html><head><!-- <meta charset=x> -->"
                       "<META HTTP-EQUIV=content-type CONTENT=\"text/html; Charset = windows-1251\">"
                       "</head><body>\xC4</body></html>"));
  EXPECT_EQ(Result().substr(0, 13), "windows-1251 ");
  EXPECT_NE(doc.Text().find(u"<body>\u0414</body>"), std::u16string::npos);

  // The search ends at the end of the head; a meta outside html does not count.
  ASSERT_TRUE(LoadFile("<html><head></head><meta http-equiv='Content-Type' content='text/html;charset=koi8-r'>"
                       "</html>"));
  EXPECT_EQ(Result().substr(0, 6), "UTF-8 ");
  ASSERT_TRUE(LoadFile("<meta http-equiv='Content-Type' content='text/html;charset=koi8-r'>"));
  EXPECT_EQ(Result().substr(0, 6), "UTF-8 ");
}

TEST_F(XmlReading, EmptyAndUnreadableFiles) {
  ASSERT_TRUE(LoadFile(""));
  EXPECT_EQ(Result(), "ANSI 0 length  Empty document");
  ASSERT_TRUE(LoadFile("\xEF\xBB\xBF"));
  EXPECT_EQ(Result(), "UTF-8 BOM + 0 length  Empty document");

  ASSERT_TRUE(LoadFile("<a><b>x</b></a>"));
  ASSERT_EQ(doc.ElementCount(), 3u);
  // A failed read leaves the empty document, not elements pointing into the old text.
  EXPECT_FALSE(doc.Load(dir.path() + "missing.xml"));
  EXPECT_EQ(Result(), "No such file or directory");
  EXPECT_EQ(doc.Text(), u"");
  EXPECT_EQ(doc.ElementCount(), 1u);
  doc.Rewind();
  EXPECT_FALSE(doc.FindChild());

  // Only plain files are read: a folder is refused as not one.
  EXPECT_FALSE(doc.Load(dir.path()));
  EXPECT_EQ(Result(), "not a regular file");
}

TEST(XmlUtf8Test, FollowsTheLeadBitsOnly) {
  EXPECT_TRUE(PassesUtf8Test("plain"));
  EXPECT_TRUE(PassesUtf8Test("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
  EXPECT_TRUE(PassesUtf8Test("\xC0\x80"));       // overlong forms are not looked for
  EXPECT_TRUE(PassesUtf8Test("\x80\xC0"));       // nor is the second bit of a lead byte
  EXPECT_TRUE(PassesUtf8Test(std::string("ok\0\xFF", 4)));  // the scan stops at a zero byte
  EXPECT_FALSE(PassesUtf8Test("caf\xE9"));        // cut short by the end
  EXPECT_FALSE(PassesUtf8Test("\xE2\x82x"));      // cut short by a byte below 0x80
  EXPECT_FALSE(PassesUtf8Test("\xF8\x80\x80\x80\x80"));
}

TEST(XmlCodePages, NameTable) {
  ASSERT_EQ(CodePageNameCount(), 254u);
  for (std::size_t i = 0; i < CodePageNameCount(); ++i) {
    int codePage = 0;
    const std::string name(CodePageNameAt(i, &codePage));
    EXPECT_EQ(CodePageFromName(FromUtf8(name)), codePage) << name;
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(CodePageFromName(FromUtf8(upper)), codePage) << upper;
  }
  EXPECT_EQ(CodePageFromName(u"gb2312"), 936);
  EXPECT_EQ(CodePageFromName(u"Shift_JIS"), 932);
  EXPECT_EQ(CodePageFromName(u"UTF-8"), kCodePageUtf8);
  EXPECT_EQ(CodePageFromName(u"UTF-32BE"), kCodePageUtf32);
  EXPECT_EQ(CodePageFromName(u"utf-32"), kCodePageAnsi);  // the UTF-32 prefix is compared with case
  EXPECT_EQ(CodePageFromName(u""), kCodePageAnsi);
  EXPECT_EQ(CodePageFromName(u"x-unheard-of"), kCodePageAnsi);
  EXPECT_EQ(CodePageFromName(std::u16string(100, u'a')), kCodePageAnsi);
}

TEST(XmlCodePages, EveryCodePageConvertsHere) {
  for (std::size_t i = 0; i < CodePageNameCount(); ++i) {
    int codePage = 0;
    const std::string name(CodePageNameAt(i, &codePage));
    const char* iconvName = IconvNameOf(codePage);
    if (iconvName == nullptr) continue;  // marked: read as the ANSI code page
    iconv_t cd = ::iconv_open("UTF-16LE", iconvName);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << name << " -> " << iconvName;
    if (cd != reinterpret_cast<iconv_t>(-1)) ::iconv_close(cd);
  }
  EXPECT_EQ(CodePageToWide("\x80", CodePageFromName(u"x-mac-cyrillic")), u"\u0410");
  EXPECT_EQ(CodePageToWide("\xC1\x81", CodePageFromName(u"ebcdic-cp-us")), u"Aa");
  EXPECT_EQ(CodePageToWide("\xC4", CodePageFromName(u"koi8-r")), u"\u0434");
  // A code page without a conversion here reads as windows-1252.
  EXPECT_EQ(IconvNameOf(720), nullptr);
  EXPECT_EQ(CodePageToWide("\x80\xE9", CodePageFromName(u"dos-720")), u"\u20AC\u00E9");
  // Invalid sequences become U+FFFD and the conversion goes on.
  EXPECT_EQ(CodePageToWide("a\x81\x20" "b\x81", 932), u"a\uFFFD b\uFFFD");
  EXPECT_EQ(CodePageToWide(std::string("A\0\0\0", 4), kCodePageUtf32), u"A");
}

}  // namespace
