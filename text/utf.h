// SPDX-License-Identifier: GPL-2.0-or-later
// Conversions between the program's wide (UTF-16) text and the UTF-8 of file names,
// the log and the terminal, plus the few wide-text helpers every layer needs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// Appends a code point (at most U+10FFFF, not a surrogate), as a surrogate pair above U+FFFF.
void AppendUtf16(std::u16string& out, char32_t cp);
// UTF-8 to UTF-16; a malformed sequence becomes U+FFFD.
std::u16string FromUtf8(std::string_view text);
// True when the bytes are well-formed UTF-8 (overlong forms and surrogates rejected).
bool IsValidUtf8(std::string_view bytes);
// The loose UTF-8 test that decides how the XML reader decodes an 8-bit file with no
// declared encoding: up to the first zero byte, a byte with the top bit set starts a
// sequence of one to three more bytes (by its third to fifth bits; five set bits fail),
// each of which must have its top bit set. Overlong forms are not looked for.
bool PassesUtf8Test(std::string_view bytes);
// Windows-1252, the system code page of 8-bit text, to UTF-16.
std::u16string FromWindows1252(std::string_view bytes);

// Decodes a text file's bytes: UTF-16 with a byte-order mark (either order), UTF-8 with
// or without its mark, else 8-bit Windows-1252. The mark is not part of the result.
std::u16string DecodeTextFile(std::string_view bytes);

// Upper and lower case folded for ASCII and Latin-1 letters, as the settings reader and
// product-string comparisons need; other characters compare exactly.
char16_t FoldCase(char16_t c);
bool EqualsIgnoreCase(std::u16string_view a, std::u16string_view b);

// Copies at most capacity - 1 characters, the rule of the program's fixed text buffers.
std::u16string Truncated(std::u16string_view text, std::size_t capacity);

// True for a format character (Unicode general category Cf): the bidirectional controls,
// zero-width spaces and joiners, the soft hyphen, the Arabic and Syriac number signs, the
// invisible operators, the tags and the like. Such a character changes how a name is shown
// without being seen ("evil\u202Egpj.mck" shows as "evilkcm.jpg"), so names that become
// file names are kept free of them.
bool IsFormatCharacter(char32_t c);
// The text without its format characters; a surrogate pair counts as the one character it
// stands for, a lone surrogate half is kept (the file-name rules deal with it).
std::u16string WithoutFormatCharacters(std::u16string_view text);
