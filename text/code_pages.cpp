// SPDX-License-Identifier: GPL-2.0-or-later
#include "text/code_pages.h"

#include <iconv.h>

#include <array>
#include <cerrno>

#include "text/name_hash.h"
#include "text/utf.h"

namespace {

using CodePageTable = NameHashTable<int, 150>;

// The encoding names of the platform's character-set list, lower case, with their code pages.
constexpr CodePageTable::Entry kNames[] = {
    {"ebcdic-cp-us", 37}, {"x-ebcdic-arabic", 420}, {"437", 437}, {"codepage437", 437},
    {"cp437", 437}, {"cspc8", 437}, {"ibm437", 437}, {"asmo-708", 708}, {"dos-720", 720},
    {"ibm737", 737}, {"cp500", 775}, {"ibm775", 775}, {"ibm850", 850}, {"cp852", 852},
    {"ibm852", 852}, {"ibm857", 857}, {"ibm861", 861}, {"dos-862", 862}, {"cp866", 866},
    {"ibm866", 866}, {"ibm869", 869}, {"cp870", 870}, {"dos-874", 874}, {"iso-8859-11", 874},
    {"tis-620", 874}, {"windows-874", 874}, {"x-ebcdic-greekmodern", 875}, {"cp1026", 1026},
    {"csshiftjis", 932}, {"cswindows31j", 932}, {"ms_kanji", 932}, {"shift-jis", 932},
    {"shift_jis", 932}, {"x-ms-cp932", 932}, {"x-sjis", 932}, {"chinese", 936}, {"cn-gb", 936},
    {"csgb2312", 936}, {"csgb231280", 936}, {"csiso58gb231280", 936}, {"gb2312", 936},
    {"gb2312-80", 936}, {"gb231280", 936}, {"gb_2312-80", 936}, {"gbk", 936},
    {"iso-ir-58", 936}, {"csksc56011987", 949}, {"euc-kr", 949}, {"iso-ir-149", 949},
    {"korean", 949}, {"ks_c_5601", 949}, {"ks_c_5601-1987", 949}, {"ks_c_5601-1989", 949},
    {"ks_c_5601_1987", 949}, {"ksc5601", 949}, {"ksc_5601", 949}, {"big5", 950},
    {"cn-big5", 950}, {"csbig5", 950}, {"x-x-big5", 950}, {"johab", 1361},
    {"x-ebcdic-cp-us-euro", 1140}, {"x-ebcdic-denmarknorway-euro", 1142},
    {"x-ebcdic-finlandsweden-euro", 1143}, {"x-ebcdic-france", 1143},
    {"x-ebcdic-germany-euro", 1143}, {"x-ebcdic-italy-euro", 1144},
    {"x-ebcdic-spain-euro", 1145}, {"x-ebcdic-uk-euro", 1146}, {"x-ebcdic-france-euro", 1147},
    {"x-ebcdic-international-euro", 1148}, {"x-ebcdic-icelandic-euro", 1149}, {"unicode", 1200},
    {"utf-16", 1200}, {"unicodefffe", 1201}, {"windows-1250", 1250}, {"x-cp1250", 1250},
    {"windows-1251", 1251}, {"x-cp1251", 1251}, {"iso-ir-6", 1252}, {"us", 1252},
    {"windows-1252", 1252}, {"x-ansi", 1252}, {"windows-1253", 1253}, {"windows-1254", 1254},
    {"iso_8859-8-i", 1255}, {"windows-1255", 1255}, {"cp1256", 1256}, {"windows-1256", 1256},
    {"windows-1257", 1257}, {"windows-1258", 1258}, {"macintosh", 10000},
    {"x-mac-japanese", 10001}, {"x-mac-chinesetrad", 10002}, {"x-mac-korean", 10003},
    {"x-mac-arabic", 10004}, {"x-mac-hebrew", 10005}, {"x-mac-greek", 10006},
    {"x-mac-cyrillic", 10007}, {"x-mac-chinesesimp", 10008}, {"x-mac-ce", 10029},
    {"x-mac-icelandic", 10079}, {"x-mac-turkish", 10081}, {"x-chinese-cns", 20000},
    {"x-chinese-eten", 20002}, {"x-ia5", 20105}, {"x-ia5-german", 20106},
    {"x-ia5-swedish", 20107}, {"x-ia5-norwegian", 20108}, {"ansi_x3.4-1968", 20127},
    {"ansi_x3.4-1986", 20127}, {"ascii", 20127}, {"cp367", 20127}, {"csascii", 20127},
    {"ibm367", 20127}, {"iso-ir-6us", 20127}, {"iso646-us", 20127}, {"iso_646.irv:1991", 20127},
    {"us-ascii", 20127}, {"x-ebcdic-germany", 20273}, {"x-ebcdic-denmarknorway", 20277},
    {"x-ebcdic-finlandsweden", 20278}, {"x-ebcdic-italy", 20280}, {"x-ebcdic-spain", 20284},
    {"x-ebcdic-uk", 20285}, {"x-ebcdic-japanesekatakana", 20290}, {"x-ebcdic-greek", 20423},
    {"x-ebcdic-hebrew", 20424}, {"x-ebcdic-koreanextended", 20833}, {"x-ebcdic-thai", 20838},
    {"cskoi8r", 20866}, {"koi", 20866}, {"koi8", 20866}, {"koi8-r", 20866}, {"koi8r", 20866},
    {"x-ebcdic-icelandic", 20873}, {"x-ebcdic-cyrillicrussian", 20880},
    {"x-ebcdic-turkish", 20905}, {"x-ebcdic-cyrillicserbianbulgarian", 21025},
    {"koi8-ru", 21866}, {"koi8-u", 21866}, {"cp819", 28591}, {"ibm819", 28591},
    {"iso-8859-1", 28591}, {"iso-ir-100", 28591}, {"iso8859-1", 28591}, {"iso_8859-1", 28591},
    {"iso_8859-1:1987", 28591}, {"l1", 28591}, {"latin1", 28591}, {"csisolatin2", 28592},
    {"iso-8859-2", 28592}, {"iso-ir-101", 28592}, {"iso8859-2", 28592}, {"iso_8859-2", 28592},
    {"iso_8859-2:1987", 28592}, {"l2", 28592}, {"latin2", 28592}, {"csiso", 28593},
    {"iso-8859-3", 28593}, {"iso-ir-109", 28593}, {"iso_8859-3", 28593},
    {"iso_8859-3:1988", 28593}, {"l3", 28593}, {"latin3", 28593}, {"csisolatin4", 28594},
    {"iso-8859-4", 28594}, {"iso-ir-110", 28594}, {"iso_8859-4", 28594},
    {"iso_8859-4:1988", 28594}, {"l4", 28594}, {"latin4", 28594}, {"csisolatin5", 28595},
    {"csisolatincyrillic", 28595}, {"cyrillic", 28595}, {"iso-8859-5", 28595},
    {"iso-ir-144", 28595}, {"iso_8859-5", 28595}, {"iso_8859-5:1988", 28595}, {"l5", 28595},
    {"arabic", 28596}, {"csisolatinarabic", 28596}, {"ecma-114", 28596}, {"iso-8859-6", 28596},
    {"iso-ir-127", 28596}, {"iso_8859-6", 28596}, {"iso_8859-6:1987", 28596},
    {"csisolatingreek", 28597}, {"ecma-118", 28597}, {"elot_928", 28597}, {"greek", 28597},
    {"greek8", 28597}, {"iso-8859-7", 28597}, {"iso-ir-126", 28597}, {"iso_8859-7", 28597},
    {"iso_8859-7:1987", 28597}, {"csisolatinhebrew", 28598}, {"hebrew", 28598},
    {"iso-8859-8", 28598}, {"iso-ir-138", 28598}, {"iso_8859-8", 28598},
    {"iso_8859-8:1988", 28598}, {"visual", 28598}, {"iso-8859-9", 28599}, {"iso-ir-148", 28599},
    {"iso_8859-9", 28599}, {"iso_8859-9:1989", 28599}, {"latin5", 28599},
    {"iso-8859-15", 28605}, {"iso_8859-15", 28605}, {"l9", 28605}, {"latin9", 28605},
    {"x-europa", 29001}, {"iso-8859-8-i", 38598}, {"logical", 38598}, {"iso-2022-jp", 50220},
    {"_iso-2022-jp", 50221}, {"csiso2022jp", 50221}, {"_iso-2022-jp$sio", 50222},
    {"csiso2022kr", 50225}, {"iso-2022-kr", 50225}, {"x-ebcdic-japaneseandkana", 50930},
    {"x-ebcdic-japaneseanduscanada", 50933}, {"x-ebcdic-koreanandkoreanextended", 50933},
    {"x-ebcdic-simplifiedchinese", 50935}, {"x-ebcdic-traditionalchinese", 50937},
    {"x-ebcdic-japaneseandjapaneselatin", 50939}, {"cseucpkdfmtjapanese", 51932},
    {"euc-jp", 51932}, {"extended_unix_code_packed_format_for_japanese", 51932},
    {"x-euc", 51932}, {"x-euc-jp", 51932}, {"euc-cn", 51936}, {"x-euc-cn", 51936},
    {"cseuckr", 51949}, {"hz-gb-2312", 52936}, {"x-iscii-de", 57002}, {"x-iscii-be", 57003},
    {"x-iscii-ta", 57004}, {"x-iscii-te", 57005}, {"x-iscii-as", 57006}, {"x-iscii-or", 57007},
    {"x-iscii-ka", 57008}, {"x-iscii-ma", 57009}, {"x-iscii-gu", 57010}, {"x-iscii-pa", 57011},
    {"csunicode11utf7", 65000}, {"unicode-1-1-utf-7", 65000}, {"utf-7", 65000},
    {"x-unicode-2-0-utf-7", 65000}, {"unicode-1-1-utf-8", 65001}, {"unicode-2-0-utf-8", 65001},
    {"utf-8", 65001}, {"x-unicode-2-0-utf-8", 65001},
};
static_assert(std::size(kNames) == 254);

const CodePageTable& Names() {
  static const CodePageTable table{kNames};
  return table;
}

struct IconvName {
  int codePage;
  const char* name;  // nullptr: this system has no conversion for the code page
};

// Every code page of the name table (and UTF-32), with the glibc iconv conversion that
// reads it. Where glibc only knows a close relative, the relative is named; where it knows
// nothing close, the code page is marked missing and read as the ANSI code page.
constexpr IconvName kIconv[] = {
    {37, "IBM037"}, {420, "IBM420"}, {437, "IBM437"}, {708, "ASMO-708"},
    {720, nullptr},  // Arabic DOS-720: not in glibc
    {737, "CP737"}, {775, "CP775"}, {850, "IBM850"}, {852, "IBM852"}, {857, "IBM857"},
    {861, "IBM861"}, {862, "IBM862"}, {866, "IBM866"}, {869, "IBM869"}, {870, "IBM870"},
    {874, "CP874"}, {875, "IBM875"}, {1026, "IBM1026"},
    {932, "CP932"}, {936, "CP936"}, {949, "CP949"}, {950, "CP950"}, {1361, "JOHAB"},
    {1140, "IBM1140"}, {1142, "IBM1142"}, {1143, "IBM1143"}, {1144, "IBM1144"},
    {1145, "IBM1145"}, {1146, "IBM1146"}, {1147, "IBM1147"}, {1148, "IBM1148"},
    {1149, "IBM1149"},
    {1200, "UTF-16LE"}, {1201, "UTF-16BE"},
    {1250, "CP1250"}, {1251, "CP1251"}, {1252, "CP1252"}, {1253, "CP1253"}, {1254, "CP1254"},
    {1255, "CP1255"}, {1256, "CP1256"}, {1257, "CP1257"}, {1258, "CP1258"},
    {10000, "MACINTOSH"},
    {10001, "SHIFT_JIS"},  // Mac Japanese: its Shift-JIS base
    {10002, "BIG5"},       // Mac traditional Chinese: its Big5 base
    {10003, "EUC-KR"},     // Mac Korean: its EUC-KR base
    {10004, nullptr},      // Mac Arabic
    {10005, nullptr},      // Mac Hebrew
    {10006, nullptr},      // Mac Greek
    {10007, "MACCYRILLIC"},
    {10008, "EUC-CN"},     // Mac simplified Chinese: its GB 2312 base
    {10029, "MAC-CENTRALEUROPE"}, {10079, "MAC-IS"},
    {10081, nullptr},      // Mac Turkish
    {20000, nullptr},      // CNS Taiwan
    {20002, "BIG5"},       // Big5 with the ETEN extensions
    {20105, "ISO_646.IRV:1991"}, {20106, "ISO646-DE"}, {20107, "ISO646-SE"},
    {20108, "ISO646-NO"}, {20127, "ASCII"},
    {20273, "IBM273"}, {20277, "IBM277"}, {20278, "IBM278"}, {20280, "IBM280"},
    {20284, "IBM284"}, {20285, "IBM285"}, {20290, "IBM290"}, {20423, "IBM423"},
    {20424, "IBM424"},
    {20833, nullptr},      // EBCDIC Korean extended
    {20838, nullptr},      // EBCDIC Thai
    {20866, "KOI8-R"}, {20873, "IBM871"}, {20880, "IBM880"}, {20905, "IBM905"},
    {21025, "IBM1025"}, {21866, "KOI8-U"},
    {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"}, {28593, "ISO-8859-3"}, {28594, "ISO-8859-4"},
    {28595, "ISO-8859-5"}, {28596, "ISO-8859-6"}, {28597, "ISO-8859-7"}, {28598, "ISO-8859-8"},
    {28599, "ISO-8859-9"}, {28605, "ISO-8859-15"},
    {29001, nullptr},      // Europa 3
    {38598, "ISO-8859-8"},
    {50220, "ISO-2022-JP"}, {50221, "ISO-2022-JP"}, {50222, "ISO-2022-JP"},
    {50225, "ISO-2022-KR"},
    {50930, "IBM930"}, {50933, "IBM933"}, {50935, "IBM935"}, {50937, "IBM937"},
    {50939, "IBM939"},
    {51932, "EUC-JP"}, {51936, "EUC-CN"}, {51949, "EUC-KR"},
    {52936, nullptr},      // HZ-GB-2312
    {57002, nullptr}, {57003, nullptr}, {57004, nullptr}, {57005, nullptr},  // ISCII
    {57006, nullptr}, {57007, nullptr}, {57008, nullptr}, {57009, nullptr},
    {57010, nullptr}, {57011, nullptr},
    {65000, "UTF-7"}, {65001, "UTF-8"},
    {kCodePageUtf32, "UTF-32LE"},
};

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 0x20) : c; }

std::u16string ConvertWithIconv(std::string_view bytes, const char* from) {
  iconv_t cd = ::iconv_open("UTF-16LE", from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return FromWindows1252(bytes);
  std::u16string out;
  out.reserve(bytes.size());
  std::array<char, 8192> buffer;
  char* in = const_cast<char*>(bytes.data());
  std::size_t inLeft = bytes.size();
  const auto take = [&](char* end) {
    for (char* p = buffer.data(); p + 1 < end; p += 2) {
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                          (static_cast<unsigned char>(p[1]) << 8)));
    }
  };
  for (;;) {
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    const std::size_t rc = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const int err = errno;
    take(outPtr);
    if (rc != static_cast<std::size_t>(-1)) break;  // all input taken
    if (err == E2BIG) continue;
    out.push_back(0xFFFD);
    if (err == EILSEQ && inLeft > 0) {
      ++in;  // skip the byte that cannot start a character and go on
      --inLeft;
      ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
      continue;
    }
    break;  // the text ends inside a character
  }
  // Ends a shift state of the source, in case its end writes anything.
  char* outPtr = buffer.data();
  std::size_t outLeft = buffer.size();
  ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
  take(outPtr);
  ::iconv_close(cd);
  return out;
}

}  // namespace

int CodePageFromName(std::u16string_view name) {
  if (name.substr(0, 6) == u"UTF-32") return kCodePageUtf32;
  if (name.empty() || name.size() >= 100) return kCodePageAnsi;
  std::u16string lower(name);
  for (char16_t& c : lower) c = LowerAscii(c);
  const int* codePage = Names().Find(lower);
  return codePage != nullptr ? *codePage : kCodePageAnsi;
}

std::size_t CodePageNameCount() { return std::size(kNames); }

std::string_view CodePageNameAt(std::size_t i, int* codePage) {
  if (codePage != nullptr) *codePage = kNames[i].value;
  return kNames[i].name;
}

const char* IconvNameOf(int codePage) {
  for (const IconvName& e : kIconv) {
    if (e.codePage == codePage) return e.name;
  }
  return nullptr;
}

std::u16string CodePageToWide(std::string_view bytes, int codePage) {
  if (codePage == kCodePageUtf8) return FromUtf8(bytes);
  const char* name = IconvNameOf(codePage);
  if (codePage == kCodePageAnsi || name == nullptr) return FromWindows1252(bytes);
  return ConvertWithIconv(bytes, name);
}
