// SPDX-License-Identifier: GPL-2.0-or-later
#include "skin/pixel_cache.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>

#include "base/log.h"
#include "base/stored_file.h"
#include "platform/checked_file.h"
#include "platform/special_folders.h"

namespace {

// An entry: this header, then the rows of premultiplied ARGB32 pixels without padding, in
// this machine's byte order (the cache never leaves the machine).
struct EntryHeader {
  char magic[8];
  uint32_t width;
  uint32_t height;
  uint64_t fileSize;
  uint64_t fileHash;
  uint64_t pixelSum;
  uint8_t reserved[24];  // zero; the pixels start on a 64-byte boundary
};
static_assert(sizeof(EntryHeader) == 64);

// A mapped entry, unmapped when the last image sharing its pixels is gone.
struct Mapping {
  void* address;
  std::size_t length;
};
void Unmap(void* info) {
  auto* mapping = static_cast<Mapping*>(info);
  ::munmap(mapping->address, mapping->length);
  delete mapping;
}

constexpr char kMagic[8] = {'T', 'S', 'K', 'P', 'I', 'X', '0', '2'};
// The largest picture an entry may hold: far above any skin, far below what would strain
// memory when a foreign file claims it.
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = uint64_t{64} << 20;
// Pictures smaller than this many bytes of pixels get no entry.
constexpr uint64_t kWorthBytes = uint64_t{64} << 10;

// FNV-1a over the file's bytes: the name and the check of an entry.
uint64_t HashOf(const QByteArray& bytes) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : bytes) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

// A checksum of one 8-byte word in every 4 KiB of the pixels: an entry is written without
// waiting for the disk, and what a crash can leave of it is whole pages of zeros or of
// older data, which this finds without reading every pixel at each start.
uint64_t PixelSumOf(const uchar* pixels, std::size_t count) {
  constexpr std::size_t kStride = 4096;
  uint64_t sum = 0x9e3779b97f4a7c15ULL ^ count;
  for (std::size_t i = 0; i + 8 <= count; i += kStride) {
    uint64_t word;
    std::memcpy(&word, pixels + i, 8);
    sum = (sum ^ word) * 0xff51afd7ed558ccdULL;
    sum ^= sum >> 29;
  }
  if (count >= 8) {  // the last word, so that a cut end is seen
    uint64_t word;
    std::memcpy(&word, pixels + count - 8, 8);
    sum = (sum ^ word) * 0xff51afd7ed558ccdULL;
  }
  return sum;
}

uint32_t BigEndian32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return (uint32_t{u[0]} << 24) | (uint32_t{u[1]} << 16) | (uint32_t{u[2]} << 8) | uint32_t{u[3]};
}

}  // namespace

namespace pixel_cache {

std::string Folder() {
  const std::string cache = CacheFolder();
  return cache.empty() ? std::string() : cache + "/Tastor/skins";
}

bool WorthKeeping(const QByteArray& fileBytes) {
  // A PNG: the 8-byte signature, then the IHDR chunk with the width and height.
  static constexpr char kPng[8] = {'\x89', 'P', 'N', 'G', '\r', '\n', '\x1a', '\n'};
  if (fileBytes.size() < 24 || std::memcmp(fileBytes.constData(), kPng, 8) != 0) return false;
  if (std::memcmp(fileBytes.constData() + 12, "IHDR", 4) != 0) return false;
  const uint64_t width = BigEndian32(fileBytes.constData() + 16);
  const uint64_t height = BigEndian32(fileBytes.constData() + 20);
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return false;
  return width * height * 4 >= kWorthBytes;
}

std::string EntryName(const QByteArray& fileBytes) {
  char name[64];
  std::snprintf(name, sizeof name, "%016llx-%lld.pix", static_cast<unsigned long long>(HashOf(fileBytes)),
                static_cast<long long>(fileBytes.size()));
  return name;
}

QImage Find(const std::string& folder, const QByteArray& fileBytes) {
  if (folder.empty()) return {};
  // Not followed through a link, and only a plain file: the folder is the user's, but
  // whatever lies there is checked like any outside file.
  const UniqueFd fd = OpenFileForReading(folder + "/" + EntryName(fileBytes), /*followLinks=*/false);
  if (!fd.Valid()) return {};
  struct stat st {};
  EntryHeader header{};
  if (::fstat(fd.Get(), &st) != 0 ||
      ReadUpTo(fd.Get(), std::span(reinterpret_cast<uint8_t*>(&header), sizeof header)) !=
          static_cast<long>(sizeof header)) {
    return {};
  }
  if (std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 || header.width == 0 || header.height == 0 ||
      header.width > kMaxSide || header.height > kMaxSide ||
      uint64_t{header.width} * header.height > kMaxPixels ||
      header.fileSize != static_cast<uint64_t>(fileBytes.size()) || header.fileHash != HashOf(fileBytes)) {
    return {};
  }
  const uint64_t pixelBytes = uint64_t{header.width} * header.height * 4;
  const std::size_t length = sizeof header + static_cast<std::size_t>(pixelBytes);
  if (static_cast<uint64_t>(st.st_size) != length) return {};
  // Mapped whole and read-only: the pages come from the file cache as they are, many at a
  // time, instead of being copied one fault after the other into fresh memory. Entries are
  // only ever replaced by a rename, so the mapped file keeps its length.
  void* mapped = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd.Get(), 0);
  if (mapped == MAP_FAILED) return {};
  const auto* pixels = static_cast<const uchar*>(mapped) + sizeof header;
  if (PixelSumOf(pixels, static_cast<std::size_t>(pixelBytes)) != header.pixelSum) {
    ::munmap(mapped, length);
    return {};
  }
  auto* mapping = new Mapping{mapped, length};
  QImage picture(pixels, static_cast<int>(header.width), static_cast<int>(header.height),
                 static_cast<qsizetype>(header.width) * 4, QImage::Format_ARGB32_Premultiplied, &Unmap, mapping);
  if (picture.isNull()) {
    Unmap(mapping);
    return {};
  }
  return picture;
}

bool Keep(const std::string& folder, const QByteArray& fileBytes, const QImage& picture) {
  if (folder.empty() || picture.isNull() || picture.format() != QImage::Format_ARGB32_Premultiplied) return false;
  const uint64_t pixelBytes = uint64_t{static_cast<uint32_t>(picture.width())} * picture.height() * 4;
  if (static_cast<uint64_t>(picture.bytesPerLine()) != uint64_t{static_cast<uint32_t>(picture.width())} * 4) {
    return false;
  }
  CreateDirectoryPath(folder);
  const std::string name = EntryName(fileBytes);
  static std::atomic<unsigned> counter{0};
  // Written beside the entry and renamed over it, so that a reader sees the old entry,
  // none, or the whole new one; two programs keeping the same entry write the same bytes.
  const std::string temporary = folder + "/." + name + kReplacementMarker + std::to_string(::getpid()) + "-" +
                                std::to_string(counter.fetch_add(1));
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    WriteLog("Skin cache %s: %s", folder.c_str(), std::strerror(errno));
    return false;
  }
  EntryHeader header{};
  std::memcpy(header.magic, kMagic, sizeof kMagic);
  header.width = static_cast<uint32_t>(picture.width());
  header.height = static_cast<uint32_t>(picture.height());
  header.fileSize = static_cast<uint64_t>(fileBytes.size());
  header.fileHash = HashOf(fileBytes);
  header.pixelSum = PixelSumOf(picture.constBits(), static_cast<std::size_t>(pixelBytes));
  int error = WriteAll(fd, std::span(reinterpret_cast<const uint8_t*>(&header), sizeof header));
  if (error == 0) error = WriteAll(fd, std::span(picture.constBits(), static_cast<std::size_t>(pixelBytes)));
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), (folder + "/" + name).c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    WriteLog("Skin cache %s: %s", name.c_str(), std::strerror(error));
    return false;
  }
  return true;
}

}  // namespace pixel_cache
