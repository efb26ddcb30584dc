// SPDX-License-Identifier: GPL-2.0-or-later
// Keeps the bytes of a stored file that cannot be used before the program starts afresh
// and a later save would replace it: a copy "<file>.damaged-YYYYMMDD-HHMMSS" beside it.
// Called by the profile start-up rule (model/profile_files) for a damaged pro.dct; it reads
// the file and writes the copy with the stored-file helpers, and never replaces a file.
#pragma once

#include <string>

// Copies the file to "<path>.damaged-YYYYMMDD-HHMMSS" (local time; "-2", "-3", ... when the
// name is taken; the name is reserved before the copy is written, so an existing copy is
// never replaced) with ReplaceFileContents, result checked. Bytes identical to a copy
// already kept are not copied again: that copy is the answer. A file that cannot be read,
// is not a plain file or is over 16 MiB is moved aside under the name instead (a rename
// that replaces nothing). Returns the copy's path, or empty with the reason in `error`.
std::string KeepDamagedCopy(const std::string& path, std::string& error);
