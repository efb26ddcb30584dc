// SPDX-License-Identifier: GPL-2.0-or-later
// Character encodings of the XML reader: the encoding names a document may declare, the
// code page each names, and the conversion of a code page's bytes to wide text.
//
// Code pages keep their platform numbers (1252 western European, 936 simplified
// Chinese, ...). Conversion goes through glibc iconv; the system's ANSI code page is
// windows-1252, which also stands in for a code page this system cannot convert.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr int kCodePageAnsi = 1252;    // the system's default ANSI code page
constexpr int kCodePageUtf16 = 1200;   // UTF-16, little-endian
constexpr int kCodePageUtf8 = 65001;
constexpr int kCodePageUtf32 = 12000;  // four-byte little-endian units

// The code page of an encoding name: a name beginning with "UTF-32" (capitals) means
// four-byte units; otherwise the name is looked up without case among the known names.
// An empty name, one of 100 characters or more, or an unknown name gives the ANSI code page.
int CodePageFromName(std::u16string_view name);

// How many encoding names are known (each maps to one code page).
std::size_t CodePageNameCount();
// The known encoding name at index i (lower case), with its code page; for listings.
std::string_view CodePageNameAt(std::size_t i, int* codePage);

// The iconv name that converts a code page here, or nullptr when this system has no
// conversion for it (such text is read as the ANSI code page). UTF-8 and the ANSI code
// page are converted without iconv and also give their names.
const char* IconvNameOf(int codePage);

// Converts bytes in a code page to wide text. A byte sequence that is not valid in the
// code page becomes U+FFFD; nothing is ever dropped silently except by the code page's
// own rules.
std::u16string CodePageToWide(std::string_view bytes, int codePage);
