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

#include "base/user_message.h"
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
  Profile profile;                   // a valid slot's profile brought into range (SanitizeProfile);
                                     // a damaged slot's bytes as they are
  std::vector<std::string> repairs;  // what SanitizeProfile changed in a valid slot
};

// What reading pro.dct found: no file (a new user), the five slots, or a file that exists
// but cannot be read or is not 63980 bytes long (`reason` gives the path and why). A
// damaged file is never overwritten unasked: tastor-cli refuses to edit, the program keeps
// a copy before it starts afresh.
enum class ProfileFileState { kMissing, kLoaded, kDamaged };
struct ProfileFileRead {
  ProfileFileState state = ProfileFileState::kMissing;
  std::string reason;
  int systemError = 0;  // why the file could not be opened or read; 0 for a wrong size
  std::array<ProfileSlot, kProfileSlots> profileSlots{};
};
// The one reader of pro.dct: every slot, each valid profile brought into range with the
// settings (each repair is logged as "Profile 0x%x: %s").
ProfileFileRead ReadProfileSlots(const std::string& path, const AppSettings& settings);

// The pro.dct image of a store: each profile whose id is not 0, in list order, in
// consecutive slots, at most five; the rest zero. count receives the profiles copied.
std::vector<uint8_t> ProfileFileImage(const ProfileStore& store, int* count = nullptr);

// What loading pro.dct into the store did.
struct ProfileFileLoad {
  ProfileFileState state = ProfileFileState::kMissing;
  std::string reason;    // kDamaged: the path and why
  int loaded = 0;        // profiles appended
  std::string keptCopy;  // start-up with a damaged file: where its bytes are kept (empty: none)
  std::string keepError;  // ... and why no copy could be kept, when keptCopy is empty
};
// Empties the store and appends the valid slots of userDataFolder + "pro.dct" (read with
// ReadProfileSlots). A file that cannot be opened logs "Open pro file err=%d", one of
// another size than 63980 bytes logs "Profile size is wrong"; both give no profiles.
ProfileFileLoad LoadProfiles(ProfileStore& store, const std::string& userDataFolder, const AppSettings& settings);
// Writes the store's pro.dct when it holds at least one profile with an id; the file is
// replaced whole or not at all. Logs "Save pro: CreateFile err=%d" or
// "Save pro: WriteFile err=%d". Returns 1 when written.
int SaveProfiles(const ProfileStore& store, const std::string& userDataFolder);

// curid.dct: the current profile's id. Saving does nothing without a current profile
// (returns 0); it replaces the file whole or not at all and returns 1 when written, or 0
// with "Save curid: CreateFile err=%d" / "Save curid: WriteFile err=%d" in the log, the
// caller deciding what the user hears. Loading gives 0 for a missing or short file.
int SaveCurrentId(const ProfileStore& store, const std::string& userDataFolder);
uint32_t LoadCurrentId(const std::string& userDataFolder);

// What the start-up rule does with a pro.dct that exists but cannot be read: the program
// keeps a copy (KeepDamagedCopy, logged) and starts afresh; tastor-cli leaves the
// store empty and refuses.
enum class DamagedProfiles { kKeepCopy, kRefuse };

// The start-up rule shared by the main window and tastor-cli: load the store from the user
// data folder and bring it to exactly three profiles (BringStoreToThree, model/profile_edit,
// with profileName = tc_proname); make current the profile named by curid.dct, or the
// first when the id is 0 or unknown. Returns the current profile's id (0 when a damaged
// file was refused); `load` receives what loading found.
uint32_t LoadProfilesAtStartup(ProfileStore& store, const std::string& userDataFolder, const AppSettings& settings,
                               std::u16string_view profileName, DamagedProfiles onDamaged = DamagedProfiles::kKeepCopy,
                               ProfileFileLoad* load = nullptr);

// The .kbp image of a profile: the profile at offset 0, then ten macro slots of 834 bytes;
// each macro key, in key order, puts a copy of its macro (when the lookup has it) into the
// next free slot, so a macro used by two keys is there twice; keys beyond ten are left out.
std::vector<uint8_t> ProfileExportImage(const Profile& profile, const MacroLookup& macros);

// The file name the export dialog proposes: "%s.kbp" with the profile's name without its
// format characters (IsFormatCharacter), at most 19 characters in all.
std::u16string ExportProfileFileName(const Profile& profile);

// Writes the current profile to a .kbp file; "Create profile failed." is told when the
// file cannot be written. Does nothing without a current profile. Returns 1 when written.
Reported<int> ExportProfile(const ProfileStore& store, const MacroLookup& macros, const std::string& path);

// What an import did with the macros the file carries.
struct ImportedMacro {
  uint32_t fileId = 0;    // the id the keys held in the file
  uint32_t libraryId = 0; // the id they hold now
  bool added = false;     // true: written as a new macro file and added to the library
  std::u16string name;    // the new macro's name (its file title) when added
};

// Reads a .kbp file over the current profile, keeping the current profile's id and name
// ("Open profile failed", "Open profile failed.", "This is not a valid profile"); the
// file's profile is brought into range first (SanitizeProfile, each repair logged). The
// macros the file carries are taken into the library: a macro key whose id the library
// holds with the same content keeps it; otherwise the file's macro (the first slot with
// that id) becomes a new macro with a new id, written into the top of the macro folder
// under its own name (made safe for a file name and unique), and every key that named it is re-pointed to the new
// id. A key whose macro is in neither keeps its id. The user data folder above the macro
// folder is locked (UserFolderLock) while the new macros are written. When one cannot be
// written (or the lock cannot be had) nothing is kept: the macros written so far are
// removed again, the profile is unchanged, "Import failed." is told and the result is
// kImportWriteFailed. Does nothing without a current profile. Returns 1 on success, 0 for
// a file that is refused.
constexpr int kImportWriteFailed = -1;
// The refusals and failures come with their message for the caller to show.
Reported<int> ImportProfile(ProfileStore& store, MacroLibrary& library, const std::string& path,
                            const std::string& macroFolder, const AppSettings& settings, uint32_t mouseMask,
                            std::vector<ImportedMacro>* macros = nullptr);
// Takes back the macros an import added (their files and their library records), for a
// caller whose save of the imported profile failed, so that nothing of it is left behind.
void RemoveImportedMacros(MacroLibrary& library, const std::string& macroFolder,
                          const std::vector<ImportedMacro>& macros);
