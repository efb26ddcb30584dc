// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes the profile store files: the input is pro.dct, and its last four bytes are also
// curid.dct. Every profile loaded is in range and goes through what the program does with
// it (the lighting values and texts, the picture's colours, the key matrix and the
// lighting and colour reports); it is saved again and read back unchanged. A file the
// loader cannot use gives no profiles, and the start-up rule keeps its bytes.
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "fuzz/fuzz_profile_checks.h"
#include "fuzz/fuzz_support.h"
#include "model/profile_files.h"
#include "model/profile_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using fuzzing::Check;
  const std::string folder = fuzzing::FreshFolder("user");
  fuzzing::WriteBytes(folder + kProfileFileName, {data, size});
  if (size >= 4) fuzzing::WriteBytes(folder + kCurrentIdFileName, {data + size - 4, 4});
  const AppSettings& settings = fuzzing::ProfileSettings();

  ProfileStore store;
  const ProfileFileLoad load = LoadProfiles(store, folder, settings);
  const int loaded = load.loaded;
  Check(loaded >= 0 && loaded <= static_cast<int>(kProfileSlots), "at most five profiles");
  Check((load.state == ProfileFileState::kLoaded) == (size == kProfileFileSize), "only a whole file is read");
  Check(load.state == ProfileFileState::kLoaded || loaded == 0, "a file of another size gives no profiles");
  const uint32_t current = LoadCurrentId(folder);
  Check(size >= 4 || current == 0, "a short current-id file gives 0");
  if (current != 0) store.SetCurrent(current);

  MacroSet noMacros;
  for (const Profile* p : store.Profiles()) {
    Check(p->id != 0, "a loaded profile has an id");
    fuzzing::CheckProfileInRange(*p, settings, noMacros);
  }

  if (loaded > 0) {
    Check(SaveProfiles(store, folder) == 1, "a store with profiles is saved");
    ProfileStore again;
    Check(LoadProfiles(again, folder, settings).loaded == loaded, "the saved profiles load again");
    const auto a = ProfileFileImage(store);
    const auto b = ProfileFileImage(again);
    Check(a == b, "profiles in range survive a save unchanged");
  } else if (load.state == ProfileFileState::kDamaged) {
    // The program's start keeps the damaged bytes before it starts afresh.
    ProfileStore fresh;
    ProfileFileLoad startup;
    LoadProfilesAtStartup(fresh, folder, settings, u"P", DamagedProfiles::kKeepCopy, &startup);
    Check(fresh.Count() == 3, "start-up makes three new profiles");
    Check(!startup.keptCopy.empty() && std::filesystem::file_size(startup.keptCopy) == size,
          "a copy of the damaged file is kept");
  }
  return 0;
}
