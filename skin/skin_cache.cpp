// SPDX-License-Identifier: GPL-2.0-or-later
#include "skin/skin_cache.h"

#include <sys/stat.h>

#include <QBuffer>
#include <QImageReader>

#include <condition_variable>
#include <map>
#include <set>
#include <mutex>
#include <thread>

#include "skin/window_region.h"

namespace {

struct Entry {
  FileStamp identity;
  SkinImage image;
  std::optional<QRegion> region;  // masks: the region only
};

// Qt's image readers look their format up in a registry of image plugins that is made on
// first use. Made here, on the thread that starts the prefetch (and may run before the
// application object exists), the prefetch thread only reads it.
void WarmImageReaders() {
  static const bool warmed = [] {
    QBuffer empty;
    empty.open(QIODevice::ReadOnly);
    QImageReader reader(&empty, "png");
    reader.setAutoDetectImageFormat(false);  // no plugin is asked about the empty data
    return reader.canRead() || true;
  }();
  (void)warmed;
}

class Cache {
 public:
  ~Cache() { Clear(); }

  SkinImage Load(const std::string& path) {
    if (auto hit = Find(images_, path)) return hit->image;
    return Decode(path).image;
  }

  std::optional<QRegion> Region(const std::string& path) {
    if (auto hit = Find(masks_, path)) return hit->region;
    return DecodeMask(path).region;
  }

  void Prefetch(std::vector<std::string> images, std::vector<std::string> masks) {
    WarmImageReaders();
    std::unique_lock lock(mutex_);
    Join(lock);
    pending_.insert(images.begin(), images.end());
    pending_.insert(masks.begin(), masks.end());
    worker_ = std::thread([this, images = std::move(images), masks = std::move(masks)] {
      // The face first, then the mask, then the rest: the window needs them in that order.
      if (!images.empty()) {
        Decode(images.front());
        Done(images.front());
      }
      for (const std::string& m : masks) {
        DecodeMask(m);
        Done(m);
      }
      for (std::size_t i = 1; i < images.size(); ++i) {
        Decode(images[i]);
        Done(images[i]);
      }
    });
  }

  void Clear() {
    std::unique_lock lock(mutex_);
    Join(lock);
    images_.clear();
    masks_.clear();
  }

 private:
  using Map = std::map<std::string, Entry>;

  // The entry while its file is unchanged; waits for a prefetch of the file under way.
  std::optional<Entry> Find(Map& map, const std::string& path) {
    std::unique_lock lock(mutex_);
    ready_.wait(lock, [&] { return pending_.count(path) == 0; });
    const auto it = map.find(path);
    if (it == map.end()) return std::nullopt;
    const std::optional<FileStamp> now = StampOf(path);
    if (!now || !(*now == it->second.identity)) {
      map.erase(it);
      return std::nullopt;
    }
    return it->second;
  }

  // Decodes the file; kept when the file stayed the same through the read.
  Entry Decode(const std::string& path) {
    const std::optional<FileStamp> before = StampOf(path);
    Entry entry{before.value_or(FileStamp{}), DecodeImageFile(path), std::nullopt};
    Keep(path, before, entry, images_);
    return entry;
  }

  Entry DecodeMask(const std::string& path) {
    const std::optional<FileStamp> before = StampOf(path);
    Entry entry;
    entry.identity = before.value_or(FileStamp{});
    const SkinImage mask = DecodeImageFile(path);
    if (mask.Width() != 0) entry.region = WhiteKeyRegionOf(mask.Image());
    Keep(path, before, entry, masks_);
    return entry;
  }

  void Keep(const std::string& path, const std::optional<FileStamp>& before, const Entry& entry, Map& map) {
    if (!before || StampOf(path) != before) return;
    std::lock_guard lock(mutex_);
    map[path] = entry;
  }

  void Done(const std::string& path) {
    std::lock_guard lock(mutex_);
    const auto it = pending_.find(path);
    if (it != pending_.end()) pending_.erase(it);
    ready_.notify_all();
  }

  void Join(std::unique_lock<std::mutex>& lock) {
    if (!worker_.joinable()) return;
    std::thread worker = std::move(worker_);
    lock.unlock();
    worker.join();
    lock.lock();
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::multiset<std::string> pending_;
  Map images_;
  Map masks_;
  std::thread worker_;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

}  // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileStamp{st.st_dev, st.st_ino, st.st_size,
                   static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec};
}

namespace skin_cache {

SkinImage Load(const std::string& path) { return TheCache().Load(path); }

std::optional<QRegion> WhiteKeyRegion(const std::string& path) { return TheCache().Region(path); }

void Prefetch(std::vector<std::string> images, std::vector<std::string> masks) {
  TheCache().Prefetch(std::move(images), std::move(masks));
}

void Clear() { TheCache().Clear(); }

std::vector<std::string> MainWindowImages(const std::string& programFolder) {
  std::vector<std::string> paths;
  for (const char* name : {"main_nr.png", "button_nr.png", "button_dn.png", "btn_nr.png", "min_nr.png", "min_ov.png",
                           "exit_nr.png", "exit_ov.png", "keyimg.png", "combo_nr.png", "slider.png", "check_nr.png",
                           "dpi_bar.png", "dpi_bar_ov.png"}) {
    paths.push_back(SkinPath(programFolder, name));
  }
  return paths;
}

std::string MainWindowMask(const std::string& programFolder) { return SkinPath(programFolder, "main_mask.png"); }

}  // namespace skin_cache

QRegion WhiteKeyRegionOf(const QImage& image) {
  // Laid on opaque white, a premultiplied pixel (a, r, g, b) becomes c + (255 - a) in each
  // colour channel c (Qt's source-over gives exactly that on white), which is white exactly
  // when every colour channel equals the alpha. The runs of the other pixels are the region.
  const QImage pixels = image.format() == QImage::Format_ARGB32_Premultiplied
                            ? image
                            : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QRegion result;
  std::vector<QRect> block;
  block.reserve(kRegionBlockRects);
  const auto flush = [&] {
    QRegion part;
    part.setRects(block.data(), static_cast<int>(block.size()));
    result = result.united(part);
    block.clear();
  };
  const auto white = [](QRgb p) {
    const QRgb a = qAlpha(p);
    return qRed(p) == static_cast<int>(a) && qGreen(p) == static_cast<int>(a) && qBlue(p) == static_cast<int>(a);
  };
  const int width = pixels.width();
  for (int y = 0; y < pixels.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    int x = 0;
    while (x < width) {
      while (x < width && white(row[x])) ++x;
      if (x == width) break;
      const int first = x;
      while (x < width && !white(row[x])) ++x;
      block.emplace_back(first, y, x - first, 1);
      if (static_cast<int>(block.size()) == kRegionBlockRects) flush();
    }
  }
  if (!block.empty()) flush();
  return result;
}
