// SPDX-License-Identifier: GPL-2.0-or-later
// How long the program takes to read a full macro library (2000 macro files) and to encode
// a full profile into the device matrix and the macro buffer.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "macro/macro_encoding.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "model/device_matrix.h"
#include "model/profile.h"

namespace fs = std::filesystem;

namespace {

MacroRecord FullMacro(uint32_t id) {
  MacroRecord m = MakeDefaultMacro(id, u"macro");
  for (int e = 0; e < kMacroEventsMax; ++e) {
    m.Events[e] = {static_cast<uint16_t>(0x41 + (e / 2) % 26), static_cast<uint16_t>(e % 2 == 0), 30};
  }
  return m;
}

// 2000 macro files in 20 folders of 100, written once.
class MacroFolder {
 public:
  MacroFolder() {
    std::string pattern = (fs::temp_directory_path() / "tastor-bench-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    for (uint32_t i = 0; i < 2000; ++i) {
      const fs::path folder = fs::path(path_) / ("Folder" + std::to_string(i / 100));
      fs::create_directories(folder);
      const auto image = MacroFileImage(FullMacro(i + 1));
      std::ofstream(folder / ("Macro" + std::to_string(i) + ".mck"), std::ios::binary)
          .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
  }
  ~MacroFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void BM_ScanMacroFolder2000(benchmark::State& state) {
  MacroFolder folder;
  MacroLibrary library;
  MacroScanContext context;
  context.foldersEnabled = true;
  context.addToLibrary = true;
  context.library = &library;
  for (auto _ : state) {
    library.Clear();
    ScanMacroFolder(folder.path(), context);
    if (library.Count() != 2000) state.SkipWithError("not every macro was read");
  }
  state.SetItemsProcessed(state.iterations() * 2000);
}
BENCHMARK(BM_ScanMacroFolder2000)->Unit(benchmark::kMillisecond);

// A key table of 126 keys and a profile whose keys are combinations, media functions and
// ten macros of 90 events each, with the library holding 2000 macros (the ten at its end,
// so every lookup walks it).
struct FullProfile {
  KeyTable table;
  Profile profile{};
  MacroLibrary library;
  FullProfile() {
    for (int i = 0; i < kKeyCount; ++i) {
      KeyFunction& k = table.keys[static_cast<std::size_t>(i)];
      k.code = KeyFunction::MakeCode(KIND_KEY, 0xA0);
      k.key1 = static_cast<uint8_t>(0x41 + i % 26);
      k.matrixPos = i;
    }
    table.count = kKeyCount;
    profile.keys = table.keys;
    for (int i = 0; i < kKeyCount; ++i) {
      KeyFunction& k = profile.keys[static_cast<std::size_t>(i)];
      if (i % 12 == 0) {
        k.code = KeyFunction::MakeCode(KIND_MACRO, 0);
        k.macroId = 1991 + i / 12 % 10;
      } else if (i % 5 == 0) {
        k.code = KeyFunction::MakeCode(KIND_MEDIA, 34);
      } else {
        k.modifiers = 0x03;
        k.key2 = 0x70;
      }
    }
    for (uint32_t id = 1; id <= 2000; ++id) library.Add(FullMacro(id));
  }
};

void BM_EncodeFullProfile(benchmark::State& state) {
  FullProfile f;
  for (auto _ : state) {
    MacroSet macros = f.library.SnapshotFor(f.profile.keys);
    DeviceMatrix matrix;
    KEYINFO_2_Matrix(f.profile.keys, f.table, macros, matrix);
    MacroBuffer buffer;
    const int keys = BuildMacroBuffer(f.profile.keys, macros, matrix, buffer);
    if (keys != 11) state.SkipWithError("macro keys not patched");
    benchmark::DoNotOptimize(matrix);
    benchmark::DoNotOptimize(buffer);
  }
}
BENCHMARK(BM_EncodeFullProfile)->Unit(benchmark::kMicrosecond);

// The same encoding straight from the live library, without taking a copy first.
void BM_EncodeFullProfileFromLibrary(benchmark::State& state) {
  FullProfile f;
  for (auto _ : state) {
    DeviceMatrix matrix;
    KEYINFO_2_Matrix(f.profile.keys, f.table, f.library, matrix);
    benchmark::DoNotOptimize(matrix);
  }
}
BENCHMARK(BM_EncodeFullProfileFromLibrary)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
