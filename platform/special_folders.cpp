// SPDX-License-Identifier: GPL-2.0-or-later
#include "platform/special_folders.h"

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <string_view>

#include "platform/checked_file.h"

namespace {

// The largest user-dirs.dirs that is read; one is a few hundred bytes.
constexpr std::size_t kMaxUserDirsBytes = 1u << 20;

// A folder from the environment, without trailing separators (the root stays "/").
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  std::string value = v != nullptr ? std::string(v) : std::string();
  while (value.size() > 1 && value.back() == '/') value.pop_back();
  return value;
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The desktop entry of user-dirs.dirs: XDG_DESKTOP_DIR="$HOME/Desktop".
std::string DesktopFromUserDirs(const std::string& home) {
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty()) config = home + "/.config";
  // Read through the checked opener: a pipe in its place would stall the log's start.
  const FileBytes file = ReadWholeFile(config + "/user-dirs.dirs", kMaxUserDirsBytes);
  if (!file.ok()) return {};
  std::istringstream in(file.bytes);
  std::string line;
  while (std::getline(in, line)) {
    constexpr std::string_view kKey = "XDG_DESKTOP_DIR=";
    if (line.rfind(kKey, 0) != 0) continue;
    std::string value = line.substr(kKey.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
    return value;
  }
  return {};
}

}  // namespace

std::string ProgramFolder() {
  std::string buffer(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return "./";
  buffer.resize(static_cast<std::size_t>(n));
  const std::size_t slash = buffer.rfind('/');
  return slash == std::string::npos ? "./" : buffer.substr(0, slash + 1);
}

std::string AppDataFolder() {
  std::string data = Env("XDG_DATA_HOME");
  if (!data.empty()) return data;
  const std::string home = Env("HOME");
  return home.empty() ? std::string() : home + "/.local/share";
}

std::string CacheFolder() {
  std::string cache = Env("XDG_CACHE_HOME");
  if (!cache.empty() && cache.front() == '/') return cache;
  const std::string home = Env("HOME");
  return home.empty() ? std::string() : home + "/.cache";
}

std::string DesktopFolder() {
  const std::string home = Env("HOME");
  std::string desktop = Env("XDG_DESKTOP_DIR");
  if (desktop.empty() && !home.empty()) desktop = DesktopFromUserDirs(home);
  if (desktop.empty() && !home.empty()) desktop = home + "/Desktop";
  if (!desktop.empty() && IsDirectory(desktop)) return desktop;
  return home;
}

bool PathFileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

int CreateOneDirectory(const std::string& path) {
  return ::mkdir(path.c_str(), 0777) == 0 ? 0 : errno;
}

void CreateDirectoryPath(const std::string& path) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
}
