// SPDX-License-Identifier: GPL-2.0-or-later
// What the fuzz targets share: a private scratch folder for the files a parser reads,
// a window port and debug output that swallow the messages of malformed input, and a
// check that stops the run (libFuzzer then keeps the input) when a rule is broken.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "base/identifier.h"
#include "base/log.h"
#include "base/window_port.h"

namespace fuzzing {

// A broken rule is a crash, so that the fuzzer keeps the input and the replay test fails.
inline void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
  }
}

class SilentWindowPort : public WindowPort {
 public:
  int MessageBox(HWND, std::u16string_view, std::u16string_view, unsigned) override {
    ++boxes;
    return IDOK;
  }
  int boxes = 0;
};

inline void Discard(const char*) {}

// Counts up by one millisecond per identifier, so that no identifier waits for the clock.
inline IdentifierTime CountingClock() {
  static int tick = 0;
  ++tick;
  return {tick / 3600000 % 24, tick / 60000 % 60, tick / 1000 % 60, tick % 1000};
}

// The process's scratch folder (ending with "/"), made once, with HOME, the desktop and
// the data folders pointed into it, so that a log the input switches on stays there too.
inline const std::string& Scratch() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tastor-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    const std::string root = pattern + "/";
    for (const char* name : {"HOME", "XDG_DATA_HOME", "XDG_DESKTOP_DIR", "XDG_CONFIG_HOME"}) {
      ::setenv(name, root.c_str(), 1);
    }
    ::setenv("TASTOR_SYSTEM_SETTINGS", (root + "etc-cfg.ini").c_str(), 1);  // never the machine's
    static SilentWindowPort port;
    SetWindowPort(&port);
    SetDebugOutput(Discard);
    SetIdentifierClock(CountingClock);
    SetIdentifierPause(0);
    return root;
  }();
  return folder;
}

inline SilentWindowPort& Port() {
  Scratch();
  return static_cast<SilentWindowPort&>(Windows());
}

// Writes the bytes as a file (replacing it); aborts when the scratch folder is unusable.
inline void WriteBytes(const std::string& path, std::span<const uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  Check(fd >= 0, "scratch file cannot be created");
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    Check(n > 0, "scratch file cannot be written");
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
}

// Writes the bytes as a plain file when the name is free or a plain file already; false
// when something else (a pipe, a link, a folder) holds the name. Never blocks.
inline bool TryWriteBytes(const std::string& path, std::span<const uint8_t> bytes) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0644);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  ::close(fd);
  return done == bytes.size();
}

// A fresh, empty folder under the scratch folder (ending with "/").
inline std::string FreshFolder(const std::string& name) {
  const std::string folder = Scratch() + name + "/";
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  std::filesystem::create_directories(folder, ec);
  Check(!ec, "scratch folder cannot be made");
  return folder;
}

}  // namespace fuzzing
