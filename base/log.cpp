// SPDX-License-Identifier: GPL-2.0-or-later
#include "base/log.h"

#include <sys/time.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>

#include "base/window_port.h"
#include "platform/special_folders.h"
#include "text/utf.h"

namespace {

constexpr std::size_t kEntryChars = 512;    // the entry buffer: at most 511 characters kept
constexpr std::size_t kInfoChars = 260;     // the info box buffer: at most 259 kept
constexpr long kLogLimitBytes = 512000;

int g_mode = 0;
std::string g_path;
// One entry is appended at a time, so entries of the UI thread and the apply worker never
// interleave within a line.
std::mutex g_fileMutex;
// The same for the debug output: the worker's entries and the UI thread's reach it one at a
// time, whole, whatever the output does with them. Taken after g_fileMutex when both are.
std::mutex g_debugMutex;

void StandardErrorOutput(const char* text) {
  std::fputs(text, stderr);
  const std::size_t n = std::char_traits<char>::length(text);
  if (n == 0 || text[n - 1] != '\n') std::fputc('\n', stderr);
  std::fflush(stderr);
}
DebugOutputFn g_debugOutput = StandardErrorOutput;

// printf into a buffer of the given capacity in wide characters.
std::string FormatLimited(std::size_t capacity, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return {};
  std::string text(static_cast<std::size_t>(n) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<std::size_t>(n));
  // Count in UTF-16 units, as the fixed wide buffer does; short texts pass unchanged.
  if (text.size() < capacity) return text;
  return ToUtf8(Truncated(FromUtf8(text), capacity));
}

void NoWriter(const char*, ...) {}

void DebuggerWriter(const char* format, ...) {
  if (g_mode == 0) return;
  va_list args;
  va_start(args, format);
  const std::string text = FormatLimited(kEntryChars, format, args);
  va_end(args);
  std::lock_guard<std::mutex> lock(g_debugMutex);
  g_debugOutput(text.c_str());
}

void FileWriter(const char* format, ...) {
  if (g_mode == 0) return;
  va_list args;
  va_start(args, format);
  const std::string text = FormatLimited(kEntryChars, format, args);
  va_end(args);

  timeval now{};
  ::gettimeofday(&now, nullptr);
  std::tm local{};
  ::localtime_r(&now.tv_sec, &local);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02u:%02u.%03u   ", static_cast<unsigned>(local.tm_min),
                static_cast<unsigned>(local.tm_sec), static_cast<unsigned>(now.tv_usec / 1000));

  std::lock_guard<std::mutex> lock(g_fileMutex);
  // Opened and closed for every entry, so the file can be read or deleted meanwhile.
  std::FILE* f = std::fopen(g_path.c_str(), "ab");
  if (f == nullptr) {
    std::lock_guard<std::mutex> debugLock(g_debugMutex);
    g_debugOutput("Open Log failed");
    return;
  }
  std::fputs("\r\n", f);
  std::fputs(stamp, f);
  std::fputs(text.c_str(), f);
  std::fclose(f);
}

}  // namespace

WriteLogFn WriteLog = NoWriter;

void InitLog(int mode) {
  g_mode = mode;
  g_path = DesktopFolder() + "/Log.txt";
  WriteLog = DebuggerWriter;
  if (mode != 2) return;
  std::FILE* f = std::fopen(g_path.c_str(), "ab");
  if (f == nullptr) {
    DebuggerWriter("Open Log failed");
    return;
  }
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  if (size > kLogLimitBytes) {
    std::FILE* emptied = std::freopen(g_path.c_str(), "wb", f);
    if (emptied != nullptr) f = emptied; else f = nullptr;
  }
  if (f != nullptr) std::fclose(f);
  WriteLog = FileWriter;
}

int LogMode() { return g_mode; }

const std::string& LogPath() { return g_path; }

void SetDebugOutput(DebugOutputFn output) {
  std::lock_guard<std::mutex> lock(g_debugMutex);
  g_debugOutput = output != nullptr ? output : StandardErrorOutput;
}

void DebugOutput(const char* text) {
  std::lock_guard<std::mutex> lock(g_debugMutex);
  g_debugOutput(text);
}

void LogHexDump(const uint8_t* data, std::size_t length, int bytesPerLine, const char* label) {
  if (g_mode == 0 || data == nullptr) return;
  // An empty label is still a label: its lines start with the blank that follows it.
  const bool labelled = label != nullptr;
  std::string line;
  if (labelled) line = std::string("\n") + label + " ";
  char hex[4];
  for (std::size_t i = 0; i < length; ++i) {
    std::snprintf(hex, sizeof hex, "%02x ", data[i]);
    line += hex;
    if (bytesPerLine > 0 && (i + 1) % static_cast<std::size_t>(bytesPerLine) == 0) {
      WriteLog("%s", line.c_str());
      line.clear();
      if (labelled) line = std::string(label) + " ";
    }
  }
  WriteLog("%s", line.c_str());
}

void ShowInfo(HWND owner, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = FormatLimited(kInfoChars, format, args);
  va_end(args);
  Windows().MessageBox(owner, FromUtf8(text), u"Info", MB_OK | MB_ICONINFORMATION);
}
