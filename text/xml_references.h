// SPDX-License-Identifier: GPL-2.0-or-later
// Character and entity references in the text of an XML element.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The code point of a named reference (the HTML 4.01 names plus apos), or 0 when the
// name is not one of them. Names compare exactly.
char32_t NamedReference(std::u16string_view name);
std::size_t NamedReferenceCount();

// Decodes the references in a run of text. An ampersand starts a reference only when at
// most nine characters below U+0080 and a semicolon follow it: "#" and a decimal number,
// "#x" (or "#X") and a hexadecimal number, or a known name. A reference that gives 0, a
// surrogate, a code point above U+10FFFF or an unknown name stays as written, as does
// every other ampersand. Code points above U+FFFF become surrogate pairs.
std::u16string DecodeReferences(std::u16string_view text);
// Appends the decoded text to out.
void AppendDecodedReferences(std::u16string& out, std::u16string_view text);
