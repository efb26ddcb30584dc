// SPDX-License-Identifier: GPL-2.0-or-later
#include "ui/user_folder_watch.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QSet>
#include <memory>

#include "base/stored_file.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "model/profile_files.h"

namespace {

// FNV-1a, 64 bits: enough to tell one version of a file from another.
class Digest {
 public:
  void Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) {
      value_ ^= bytes[i];
      value_ *= 0x100000001B3ull;
    }
  }
  void Add(const std::u16string& text) {
    Add(text.data(), text.size() * sizeof(char16_t));
    Add(u"\n", sizeof(char16_t));
  }
  void Add(uint64_t n) { Add(&n, sizeof n); }
  uint64_t Value() const { return value_; }

 private:
  uint64_t value_ = 0xCBF29CE484222325ull;
};

// A pro.dct longer than this is not the program's anyway; its first bytes tell versions apart.
constexpr std::size_t kProfileReadLimit = 1 << 20;
// How many sub-folders of the macro folder are watched at most.
constexpr int kWatchedFolderLimit = 1000;

// The items a scan of the macro folder finds, in its order, into the digest.
class DigestTree : public MacroScanVisitor {
 public:
  explicit DigestTree(Digest& digest) : digest_(digest) {}
  bool AddFolder(TreeItemHandle parent, const std::u16string& name, const std::string&, TreeItemHandle& item) override {
    digest_.Add(reinterpret_cast<uint64_t>(parent));
    digest_.Add(name);
    item = reinterpret_cast<TreeItemHandle>(++folders_);
    return true;
  }
  void AddMacro(TreeItemHandle parent, const std::u16string& name, uint32_t macroId) override {
    digest_.Add(reinterpret_cast<uint64_t>(parent));
    digest_.Add(name);
    digest_.Add(uint64_t{macroId});
  }

 private:
  Digest& digest_;
  uintptr_t folders_ = 0;
};

// The real sub-folders (no links) the scan reads, depth first, up to the limit.
void AddSubfolders(const std::string& folder, QStringList& out) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
  if (!dir) return;
  while (const dirent* e = ::readdir(dir.get())) {
    if (out.size() >= kWatchedFolderLimit) return;
    const std::string name = e->d_name;
    if (name.empty() || name[0] == '.' || name[0] == '$') continue;
    const std::string path = folder + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
    out << QString::fromStdString(path);
    AddSubfolders(path, out);
  }
}

}  // namespace

CUserFolderWatch::CUserFolderWatch(QObject* parent) : QObject(parent) {
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&settle_, &QTimer::timeout, this, &CUserFolderWatch::OnSettled);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &CUserFolderWatch::OnPathChanged);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &CUserFolderWatch::OnPathChanged);
}

void CUserFolderWatch::Start(const std::string& userDataFolder, const std::string& macroFolder, bool macroSubfolders,
                             uint32_t mouseMask) {
  userFolder_ = userDataFolder;
  macroFolder_ = macroFolder;
  macroSubfolders_ = macroSubfolders;
  mouseMask_ = mouseMask;
  WatchFolders();
}

void CUserFolderWatch::Stop() {
  settle_.stop();
  const QStringList watched = watcher_.directories() + watcher_.files();
  if (!watched.isEmpty()) watcher_.removePaths(watched);
}

void CUserFolderWatch::WatchFolders() {
  QStringList wanted;
  QString user = QString::fromStdString(userFolder_);
  while (user.size() > 1 && user.endsWith(QLatin1Char('/'))) user.chop(1);
  wanted << user;
  struct stat st {};
  if (::lstat(macroFolder_.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    wanted << QString::fromStdString(macroFolder_);
    if (macroSubfolders_) AddSubfolders(macroFolder_, wanted);
  }
  const QStringList watched = watcher_.directories();
  const QSet<QString> want(wanted.begin(), wanted.end());
  const QSet<QString> have(watched.begin(), watched.end());
  QStringList gone;
  for (const QString& path : watched) {
    if (!want.contains(path)) gone << path;
  }
  if (!gone.isEmpty()) watcher_.removePaths(gone);
  QStringList added;
  for (const QString& path : wanted) {
    if (!have.contains(path) && QDir(path).exists()) added << path;
  }
  if (!added.isEmpty()) watcher_.addPaths(added);
}

void CUserFolderWatch::OnPathChanged() { settle_.start(); }

void CUserFolderWatch::OnSettled() {
  WatchFolders();
  emit changed();
}

uint64_t CUserFolderWatch::ProfilesDigest() const {
  Digest digest;
  UniqueFd fd = OpenFileForReading(userFolder_ + kProfileFileName);
  if (!fd.Valid()) {
    digest.Add(uint64_t{0});  // no file (or none to read): one state of its own
    return digest.Value();
  }
  std::vector<uint8_t> bytes(kProfileReadLimit);
  const long n = ReadUpTo(fd.Get(), bytes);
  digest.Add(uint64_t{1});
  digest.Add(static_cast<uint64_t>(n));
  if (n > 0) digest.Add(bytes.data(), static_cast<std::size_t>(n));
  return digest.Value();
}

uint64_t CUserFolderWatch::MacrosDigest(const MacroLibrary* library, bool* matches) const {
  Digest digest;
  DigestTree tree(digest);
  MacroLibrary found;
  MacroScanContext scan;
  scan.tree = &tree;
  scan.foldersEnabled = macroSubfolders_;
  scan.addToLibrary = true;
  scan.library = &found;
  scan.mouseMask = mouseMask_;
  digest.Add(uint64_t(ScanMacroFolder(macroFolder_, scan)));
  found.ForEach([&digest](const MacroRecord& r) {
    const auto image = MacroFileImage(r);
    digest.Add(image.data(), image.size());
  });
  if (library != nullptr && matches != nullptr) {
    auto lock = library->Lock();
    bool same = found.Count() == library->Count();
    found.ForEach([&](const MacroRecord& r) {
      const MacroRecord* held = same ? library->FindMacroById(r.dwMacroId) : nullptr;
      same = held != nullptr && ((held->dwFlags & kMacroDirtyBits) != 0 || SameMacroContent(*held, r));
    });
    *matches = same;
  }
  return digest.Value();
}

void CUserFolderWatch::NoteProfiles() { profiles_ = ProfilesDigest(); }

void CUserFolderWatch::NoteMacros() { macros_ = MacrosDigest(nullptr, nullptr); }

bool CUserFolderWatch::ProfilesChanged() const { return ProfilesDigest() != profiles_; }

bool CUserFolderWatch::MacrosChanged(const MacroLibrary& library) {
  bool matches = false;
  const uint64_t now = MacrosDigest(&library, &matches);
  if (now == macros_) return false;
  if (matches) {
    macros_ = now;  // the window's own writes: the library already holds them
    return false;
  }
  return true;
}
