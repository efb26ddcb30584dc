// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes the profile store files: the input is pro.dct, and its last four bytes are also
// curid.dct. The profiles loaded are encoded as the apply does (key matrix, lighting and
// colour payloads), saved again, and read back unchanged.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/settings.h"
#include "device/apply_setting.h"
#include "fuzz/fuzz_support.h"
#include "macro/macro_library.h"
#include "model/device_matrix.h"
#include "model/profile_files.h"
#include "model/profile_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using fuzzing::Check;
  const std::string folder = fuzzing::FreshFolder("user");
  fuzzing::WriteBytes(folder + kProfileFileName, {data, size});
  if (size >= 4) fuzzing::WriteBytes(folder + kCurrentIdFileName, {data + size - 4, 4});

  ProfileStore store;
  const int loaded = LoadProfiles(store, folder);
  Check(loaded >= 0 && loaded <= static_cast<int>(kProfileSlots), "at most five profiles");
  // The first 63980 bytes are read; a shorter file gives none, a longer one its first part.
  Check(size >= kProfileFileSize || loaded == 0, "a file too short gives no profiles");
  const uint32_t current = LoadCurrentId(folder);
  Check(size >= 4 || current == 0, "a short current-id file gives 0");
  if (current != 0) store.SetCurrent(current);

  static const AppSettings settings = [] {
    AppSettings s;
    LoadSettings(fuzzing::Scratch() + "no-such-program/", s);
    return s;
  }();
  MacroSet noMacros;
  for (const Profile* p : store.Profiles()) {
    Check(p->id != 0, "a loaded profile has an id");
    DeviceMatrix matrix{};
    KEYINFO_2_Matrix(p->keys, settings.KeyTable, noMacros, nullptr, matrix);
    std::array<uint8_t, kLedPayload> led{};
    PatchLedPayload(*p, led.data());
    std::array<uint8_t, kColourPayload> colour{};
    (void)BuildColourPayload(*p, colour.data());
    (void)p->Name();
  }

  if (loaded > 0) {
    Check(SaveProfiles(store, folder) == 1, "a store with profiles is saved");
    ProfileStore again;
    Check(LoadProfiles(again, folder) == loaded, "the saved profiles load again");
    const auto a = ProfileFileImage(store);
    const auto b = ProfileFileImage(again);
    Check(a == b, "profiles survive a save unchanged");
  }
  return 0;
}
