// SPDX-License-Identifier: GPL-2.0-or-later
// The decoded pixels of the large skin images, kept between starts in the user's cache
// folder (<cache folder>/Tastor/skins), so that a start reads the main window's face, its
// mask and the keyboard picture as they are painted instead of decoding and premultiplying
// them again. An entry is named by a hash of the image file's bytes and their count, so a
// changed skin file simply finds no entry; it holds the file's size and hash again, the
// picture's size and a checksum of its pixels, and anything that does not agree with them
// (a torn or foreign file, a link, a pipe) is not used. The cache only saves time: every
// failure to read or write it leaves the caller decoding the file as before.
#pragma once

#include <QByteArray>
#include <QImage>
#include <string>

namespace pixel_cache {

// The folder the entries live in, or empty when the user has no cache folder.
std::string Folder();

// Whether the picture of these image file bytes is large enough to be worth an entry (a
// PNG of 64 KiB of pixels or more); small images decode faster than an entry is read.
bool WorthKeeping(const QByteArray& fileBytes);

// The premultiplied picture kept for these file bytes, or a null image when there is none
// that can be trusted.
QImage Find(const std::string& folder, const QByteArray& fileBytes);

// Keeps the picture (premultiplied ARGB32) decoded from these file bytes. False when it
// could not be written, with a log line saying why.
bool Keep(const std::string& folder, const QByteArray& fileBytes, const QImage& picture);

// The name of the entry of these file bytes inside the folder.
std::string EntryName(const QByteArray& fileBytes);

}  // namespace pixel_cache
