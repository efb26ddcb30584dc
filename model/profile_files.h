// SPDX-License-Identifier: GPL-2.0-or-later
// The profile files: pro.dct (five profile slots) and curid.dct (the current profile's id)
// in the user data folder, the start-up rule that fills the store, and the export and
// import of the current profile as a .kbp file with the macros its keys use. The file
// dialogs belong to the windows; these take the chosen paths.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/profile.h"
#include "platform/hwnd.h"

class ProfileStore;
class MacroLibrary;
class MacroLookup;
struct MacroRecord;

constexpr std::size_t kProfileSlots = 5;
constexpr std::size_t kProfileFileSize = kProfileSlots * kProfileSize;  // 63980
constexpr std::size_t kCurrentIdFileSize = 4;
constexpr std::size_t kKbpMacroSlots = 10;
constexpr std::size_t kKbpFileSize = kProfileSize + kKbpMacroSlots * 834;  // 21136
static_assert(kProfileFileSize == 63980);
static_assert(kKbpFileSize == 21136);

constexpr const char* kProfileFileName = "pro.dct";
constexpr const char* kCurrentIdFileName = "curid.dct";

// One slot of a pro.dct file as found: all zero, a profile, or anything else (skipped by
// the loader).
struct ProfileSlot {
  enum class State { kEmpty, kValid, kDamaged };
  State state = State::kEmpty;
  Profile profile;  // the slot's bytes as a record (also for a damaged slot)
};
// Reads every slot of a pro.dct file. False with a one-line reason when the file cannot be
// read or is shorter than 63980 bytes.
bool ReadProfileSlots(const std::string& path, std::array<ProfileSlot, kProfileSlots>& slots, std::string& error);

// The pro.dct image of a store: each profile whose id is not 0, in list order, in
// consecutive slots, at most five; the rest zero. count receives the profiles copied.
std::vector<uint8_t> ProfileFileImage(const ProfileStore& store, int* count = nullptr);

// Empties the store and appends the valid slots of userDataFolder + "pro.dct". A file that
// cannot be opened logs "Open pro file err=%d" and gives no profiles; a file shorter than
// 63980 bytes logs "Profile size is wrong" and gives none. Returns the profiles loaded.
int LoadProfiles(ProfileStore& store, const std::string& userDataFolder);
// Writes the store's pro.dct when it holds at least one profile with an id; the file is
// replaced whole or not at all. Logs "Save pro: CreateFile err=%d" or
// "Save pro: WriteFile err=%d". Returns 1 when written.
int SaveProfiles(const ProfileStore& store, const std::string& userDataFolder);

// curid.dct: the current profile's id. Saving does nothing without a current profile and
// ignores errors (the file is replaced whole or not at all); loading gives 0 for a missing
// or short file.
int SaveCurrentId(const ProfileStore& store, const std::string& userDataFolder);
uint32_t LoadCurrentId(const std::string& userDataFolder);

// The start-up rule shared by the main window and tastor-cli: load the store from the user
// data folder; when it does not then hold exactly three profiles, append three new ones
// named "%s%d" with profileName (tc_proname) and 1, 2, 3; make current the profile named by
// curid.dct, or the first when the id is 0 or unknown. Returns the current profile's id.
uint32_t LoadProfilesAtStartup(ProfileStore& store, const std::string& userDataFolder, const AppSettings& settings,
                               std::u16string_view profileName);

// The .kbp image of a profile: the profile at offset 0, then ten macro slots of 834 bytes;
// each macro key, in key order, puts a copy of its macro (when the lookup has it) into the
// next free slot, so a macro used by two keys is there twice; keys beyond ten are left out.
std::vector<uint8_t> ProfileExportImage(const Profile& profile, const MacroLookup& macros);

// The file name the export dialog proposes: "%s.kbp" with the profile's name, at most 19
// characters in all.
std::u16string ExportProfileFileName(const Profile& profile);

// Writes the current profile to a .kbp file; "Create profile failed." when the file
// cannot be written. Does nothing without a current profile. Returns 1 when written.
int ExportProfile(const ProfileStore& store, const MacroLookup& macros, const std::string& path, HWND owner);

// What an import did with the macros the file carries.
struct ImportedMacro {
  uint32_t fileId = 0;    // the id the keys held in the file
  uint32_t libraryId = 0; // the id they hold now
  bool added = false;     // true: written as a new macro file and added to the library
  std::u16string name;    // the new macro's name (its file title) when added
};

// Reads a .kbp file over the current profile, keeping the current profile's id and name
// ("Open profile failed", "Open profile failed.", "This is not a valid profile"). The
// macros the file carries are taken into the library: a macro key whose id the library
// holds with the same content keeps it; otherwise the file's macro (the first slot with
// that id) becomes a new macro with a new id, written into the top of the macro folder
// under its own name (made unique), and every key that named it is re-pointed to the new
// id. A key whose macro is in neither keeps its id. Does nothing without a current profile.
// Returns 1 on success.
int ImportProfile(ProfileStore& store, MacroLibrary& library, const std::string& path, const std::string& macroFolder,
                  uint32_t mouseMask, HWND owner, std::vector<ImportedMacro>* macros = nullptr);
