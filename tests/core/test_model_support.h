// SPDX-License-Identifier: GPL-2.0-or-later
// Helpers for the keyboard model and macro tests: a log recorder, key table records,
// settings with a small key table, and macro records.
#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/program_settings.h"
#include "base/key_function.h"
#include "base/log.h"
#include "macro/macro_record.h"

// Switches the diagnostic log on and keeps its lines while alive.
class LogRecorder {
 public:
  LogRecorder() {
    Lines().clear();
    InitLog(1);
    SetDebugOutput(&Sink);
  }
  ~LogRecorder() {
    SetDebugOutput(nullptr);
    InitLog(0);
  }
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  bool Has(const std::string& line) const {
    for (const std::string& l : Lines()) {
      if (l == line) return true;
    }
    return false;
  }
  int Count(const std::string& line) const {
    int n = 0;
    for (const std::string& l : Lines()) n += l == line ? 1 : 0;
    return n;
  }

 private:
  static void Sink(const char* text) { Lines().emplace_back(text); }
};

// While alive, files cannot grow beyond `bytes`: a write past it fails as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{bytes, old_.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  sighandler_t oldHandler_{};
};

// A key table record of kind 2 for one virtual key (or modifier bits) at a matrix position.
inline KeyFunction KeyRecord(uint8_t vk, int pos, uint8_t modifiers = 0) {
  KeyFunction k;
  k.code = KeyFunction::MakeCode(KIND_KEY, 0xA0);
  k.key1 = vk;
  k.modifiers = modifiers;
  k.matrixPos = pos;
  k.rect = {pos * 10, 0, pos * 10 + 9, 9};
  return k;
}

// A key combination function (kind 2) and a macro function (kind 5).
inline KeyFunction Combination(uint8_t modifiers, uint8_t key1, uint8_t key2 = 0) {
  KeyFunction f;
  f.code = KeyFunction::MakeCode(KIND_KEY, 0xA0);
  f.modifiers = modifiers;
  f.key1 = key1;
  f.key2 = key2;
  return f;
}
inline KeyFunction MacroKey(uint32_t id) {
  KeyFunction f;
  f.code = KeyFunction::MakeCode(KIND_MACRO, 0);
  f.macroId = static_cast<int32_t>(id);
  return f;
}

inline void AddKey(KeyTable& table, const KeyFunction& k) { table.keys[static_cast<std::size_t>(table.count++)] = k; }

// Settings with a key table of Esc, A to Z, 1 to 9, 0, the arrows, Space, Tab, the left
// modifiers as modifier records, F1 to F3, Home, End, Page Up/Down, Print Screen, Scroll
// Lock and 0xC0: matrix position = index.
inline AppSettings TestSettings() {
  AppSettings s;
  std::vector<KeyFunction> keys;
  int pos = 0;
  auto add = [&](uint8_t vk, uint8_t mods = 0) { AddKey(s.KeyTable, KeyRecord(vk, pos++, mods)); };
  add(0x1B);
  for (uint8_t c = 'A'; c <= 'Z'; ++c) add(c);
  for (uint8_t c = '0'; c <= '9'; ++c) add(c);
  for (uint8_t vk : {0x26, 0x28, 0x25, 0x27, 0x20, 0x09}) add(vk);
  add(0, 0x01);  // left Ctrl
  add(0, 0x02);  // left Shift
  add(0, 0x04);  // left Alt
  for (uint8_t vk : {0x70, 0x71, 0x72, 0x24, 0x23, 0x21, 0x22, 0x2C, 0x91, 0xC0}) add(vk);
  s.DefSpeed = 3;
  s.DefLight = 5;
  s.LEDParam = {2, 1, 4};
  s.clrGaoshou = 0x00FFFFFF;
  return s;
}

inline MacroRecord TestMacro(uint32_t id, std::u16string_view name, std::vector<MacroEvent> events) {
  MacroRecord m = MakeDefaultMacro(id, name);
  for (std::size_t i = 0; i < events.size() && i < kMacroEventsMax; ++i) m.Events[i] = events[i];
  return m;
}

inline std::string AsString(const uint8_t* data, std::size_t n) { return std::string(reinterpret_cast<const char*>(data), n); }

// Little-endian writers for hand-made byte images.
inline void Put32(std::string& b, std::size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void Put16(std::string& b, std::size_t at, uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
inline void PutText(std::string& b, std::size_t at, std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) Put16(b, at + 2 * i, text[i]);
}
