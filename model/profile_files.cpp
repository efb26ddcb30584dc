// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/profile_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "base/log.h"
#include "base/stored_file.h"
#include "base/user_folder_lock.h"
#include "base/user_message.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "model/damaged_copy.h"
#include "model/profile_sanitize.h"
#include "model/profile_edit.h"
#include "model/profile_store.h"
#include "text/utf.h"

namespace {

// The first bytes of a file, up to the buffer's size.
struct PrefixRead {
  bool opened = false;
  long count = 0;  // bytes read, -1 when the read failed
  int error = 0;   // the system error of a failed open or read
};

PrefixRead ReadPrefix(const std::string& path, std::span<uint8_t> buffer) {
  PrefixRead r;
  UniqueFd fd = OpenFileForReading(path);
  if (!fd.Valid()) {
    r.error = errno;
    return r;
  }
  r.opened = true;
  r.count = ReadUpTo(fd.Get(), buffer);
  if (r.count < 0) r.error = errno;
  return r;
}

// The titles (names without the last extension) of the files and folders at the top of
// the macro folder: the names its library tree shows there.
std::vector<std::u16string> TopLevelNames(const std::string& macroFolder) {
  std::vector<std::u16string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(macroFolder.c_str()), ::closedir);
  if (!dir) return names;
  while (const dirent* e = ::readdir(dir.get())) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::size_t dot = name.rfind('.');
    names.push_back(FromUtf8(name));
    if (dot != std::string::npos && dot > 0) names.push_back(FromUtf8(name.substr(0, dot)));
  }
  return names;
}

bool NameTaken(const std::vector<std::u16string>& names, std::u16string_view name) {
  for (const std::u16string& n : names) {
    if (EqualsIgnoreCase(n, name)) return true;
  }
  return false;
}

// A file title for an imported macro: its own name made safe for a file name (no format
// character, no separator of either system, no control character, no lone surrogate half, no "..",
// not starting with "." or "$", which the folder scan skips, nor ending with "."), with " (2)", " (3)", ...
// added when the name is taken; at most 39 characters.
std::u16string UniqueMacroName(std::u16string name, const std::vector<std::u16string>& taken) {
  name = WithoutFormatCharacters(name);
  for (std::size_t i = 0; i < name.size(); ++i) {
    char16_t& c = name[i];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 && name[i + 1] <= 0xDFFF;
    if (pair) {
      ++i;
      continue;
    }
    if (c == u'/' || c == u'\\' || c < 0x20 || c == 0x7F || (c >= 0xD800 && c <= 0xDFFF)) c = u'_';
  }
  for (std::size_t dots = name.find(u".."); dots != std::u16string::npos; dots = name.find(u"..", dots)) {
    name[dots] = u'_';
  }
  if (!name.empty() && name.back() == u'.') name.back() = u'_';  // "name." + ".mck" would hold ".."
  if (name.empty() || name[0] == u'.' || name[0] == u'$') name.insert(name.begin(), u'M');
  name = Truncated(name, kMacroNameChars);
  if (name.back() == u'.') name.back() = u'_';
  if (!NameTaken(taken, name)) return name;
  for (int n = 2;; ++n) {
    const std::u16string suffix = FromUtf8(" (" + std::to_string(n) + ")");
    const std::u16string candidate = name.substr(0, kMacroNameChars - 1 - suffix.size()) + suffix;
    if (!NameTaken(taken, candidate)) return candidate;
  }
}

}  // namespace

ProfileFileRead ReadProfileSlots(const std::string& path, const AppSettings& settings) {
  ProfileFileRead result;
  // One byte more than the file holds, so that a longer file is told apart.
  std::vector<uint8_t> image(kProfileFileSize + 1, 0);
  const PrefixRead read = ReadPrefix(path, image);
  result.systemError = read.error;
  if (!read.opened && (read.error == ENOENT || read.error == ENOTDIR)) return result;
  result.state = ProfileFileState::kDamaged;
  if (!read.opened || read.count < 0) {
    result.reason = "cannot read " + path + ": " + std::strerror(read.error);
    return result;
  }
  if (read.count != static_cast<long>(kProfileFileSize)) {
    result.reason = path + ": a profile file has " + std::to_string(kProfileFileSize) + " bytes, this one has " +
                    (read.count > static_cast<long>(kProfileFileSize) ? std::string("more")
                                                                     : std::to_string(read.count));
    return result;
  }
  result.state = ProfileFileState::kLoaded;
  for (std::size_t slot = 0; slot < kProfileSlots; ++slot) {
    const std::span<const uint8_t, kProfileSize> bytes(image.data() + slot * kProfileSize, kProfileSize);
    ProfileSlot& s = result.profileSlots[slot];
    if (IsValidProfileImage(bytes)) {
      s.state = ProfileSlot::State::kValid;
      s.profile = ProfileFromBytes(bytes);
      s.repairs = SanitizeProfile(s.profile, settings);
      for (const std::string& repair : s.repairs) WriteLog("Profile 0x%x: %s", s.profile.id, repair.c_str());
    } else {
      std::memcpy(&s.profile, bytes.data(), kProfileSize);
      const bool zero = std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
      s.state = zero ? ProfileSlot::State::kEmpty : ProfileSlot::State::kDamaged;
    }
  }
  return result;
}

std::vector<uint8_t> ProfileFileImage(const ProfileStore& store, int* count) {
  std::vector<uint8_t> image(kProfileFileSize, 0);
  auto lock = store.Lock();
  std::size_t slot = 0;
  for (const Profile* p : store.Profiles()) {
    if (slot == kProfileSlots) break;
    if (p->id == 0) continue;
    ProfileToBytes(*p, std::span<uint8_t, kProfileSize>(image.data() + slot * kProfileSize, kProfileSize));
    ++slot;
  }
  if (count != nullptr) *count = static_cast<int>(slot);
  return image;
}

ProfileFileLoad LoadProfiles(ProfileStore& store, const std::string& userDataFolder, const AppSettings& settings) {
  ProfileFileRead read = ReadProfileSlots(userDataFolder + kProfileFileName, settings);
  ProfileFileLoad load;
  load.state = read.state;
  load.reason = read.reason;
  auto lock = store.Lock();
  store.Clear();
  if (read.state != ProfileFileState::kLoaded) {
    if (read.systemError != 0) {
      WriteLog("Open pro file err=%d", read.systemError);
    } else {
      WriteLog("Profile size is wrong");
    }
    return load;
  }
  for (ProfileSlot& slot : read.profileSlots) {
    if (slot.state != ProfileSlot::State::kValid) continue;
    if (store.Append(slot.profile) != nullptr) ++load.loaded;
  }
  return load;
}

int SaveProfiles(const ProfileStore& store, const std::string& userDataFolder) {
  int count = 0;
  const std::vector<uint8_t> image = ProfileFileImage(store, &count);
  if (count == 0) return 0;
  const ReplaceResult result = ReplaceFileContents(userDataFolder + kProfileFileName, image);
  if (result.stage == ReplaceStage::kCreate) {
    WriteLog("Save pro: CreateFile err=%d", result.error);
    return 0;
  }
  if (!result.ok()) {
    WriteLog("Save pro: WriteFile err=%d", result.error);
    return 0;
  }
  return 1;
}

int SaveCurrentId(const ProfileStore& store, const std::string& userDataFolder) {
  uint32_t id = 0;
  {
    auto lock = store.Lock();
    if (store.Current() == nullptr) return 0;
    id = store.Current()->id;
  }
  uint8_t bytes[kCurrentIdFileSize];
  std::memcpy(bytes, &id, sizeof id);
  const ReplaceResult result = ReplaceFileContents(userDataFolder + kCurrentIdFileName, bytes);
  if (!result.ok()) {
    WriteLog(result.stage == ReplaceStage::kCreate ? "Save curid: CreateFile err=%d" : "Save curid: WriteFile err=%d",
             result.error);
    return 0;
  }
  return 1;
}

uint32_t LoadCurrentId(const std::string& userDataFolder) {
  uint8_t bytes[kCurrentIdFileSize] = {};
  if (ReadPrefix(userDataFolder + kCurrentIdFileName, bytes).count != static_cast<long>(kCurrentIdFileSize)) return 0;
  uint32_t id = 0;
  std::memcpy(&id, bytes, sizeof id);
  return id;
}

uint32_t LoadProfilesAtStartup(ProfileStore& store, const std::string& userDataFolder, const AppSettings& settings,
                               std::u16string_view profileName, DamagedProfiles onDamaged, ProfileFileLoad* load) {
  auto lock = store.Lock();
  ProfileFileLoad result = LoadProfiles(store, userDataFolder, settings);
  if (result.state == ProfileFileState::kDamaged) {
    if (onDamaged == DamagedProfiles::kRefuse) {
      if (load != nullptr) *load = std::move(result);
      return 0;
    }
    // The profiles start afresh, so the next save would replace the file: its bytes are
    // kept first.
    std::string& error = result.keepError;
    result.keptCopy = KeepDamagedCopy(userDataFolder + kProfileFileName, error);
    if (!result.keptCopy.empty()) {
      WriteLog("LoadProfiles: %s; kept as %s, new profiles are made", result.reason.c_str(), result.keptCopy.c_str());
    } else {
      WriteLog("LoadProfiles: %s; no copy could be kept (%s), new profiles are made", result.reason.c_str(),
               error.c_str());
    }
  }
  const uint32_t saved = LoadCurrentId(userDataFolder);
  // One profile for each of the three buttons (model/profile_edit).
  BringStoreToThree(store, saved, settings, profileName);
  if (saved == 0 || !store.SetCurrent(saved)) {
    if (Profile* first = store.First()) store.SetCurrent(first->id);
  }
  if (load != nullptr) *load = std::move(result);
  return store.Current() != nullptr ? store.Current()->id : 0;
}

std::vector<uint8_t> ProfileExportImage(const Profile& profile, const MacroLookup& macros) {
  std::vector<uint8_t> image(kKbpFileSize, 0);
  ProfileToBytes(profile, std::span<uint8_t, kProfileSize>(image.data(), kProfileSize));
  std::size_t slot = 0;
  for (const KeyFunction& key : profile.keys) {
    if (slot == kKbpMacroSlots) break;
    if (key.Kind() != KIND_MACRO) continue;
    const MacroRecord* macro = macros.FindMacroById(static_cast<uint32_t>(key.macroId));
    if (macro == nullptr) continue;
    const auto bytes = MacroToBytes(*macro);
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(kProfileSize + slot * kMacroRecordSize));
    ++slot;
  }
  return image;
}

std::u16string ExportProfileFileName(const Profile& profile) {
  return Truncated(WithoutFormatCharacters(profile.Name()) + u".kbp", kProfileNameChars);
}

Reported<int> ExportProfile(const ProfileStore& store, const MacroLookup& macros, const std::string& path) {
  const std::optional<Profile> current = store.CopyCurrent();
  if (!current) return {};
  const std::vector<uint8_t> image = ProfileExportImage(*current, macros);
  if (!ReplaceFileContents(path, image).ok()) return Told(0, UserMessage{u"Create profile failed."});
  return {1, std::nullopt};
}

namespace {

// Takes the macro of one id from the file's slots into the library as a new macro and
// returns its new id, or 0 when it is not taken: the library is full (the key keeps its
// id), or the file cannot be written (writeFailed; the record is not left in the library).
uint32_t AddEmbeddedMacro(MacroLibrary& library, const MacroRecord& embedded, const std::string& macroFolder,
                          std::vector<std::u16string>& takenNames, std::u16string& name, bool& writeFailed) {
  if (library.Full()) {
    WriteLog("ImportProfile: macro library is full, macro 0x%x not added", embedded.dwMacroId);
    return 0;
  }
  MacroRecord record = embedded;
  BoundMacroRecord(record);
  name = UniqueMacroName(record.Name(), takenNames);
  record.SetName(name);
  record.dwMacroId = library.NewMacroId();
  record.Macro_Buffer_ID = 0;
  record.dwFlags |= kMacroDirtyBits;
  if (!library.Add(record)) return 0;
  MacroItemPath item;
  item.names = {name};
  item.macroId = record.dwMacroId;
  if (!Flush_Dirty_Macro(library, macroFolder, item)) {
    library.Remove(record.dwMacroId);
    WriteLog("ImportProfile: macro 0x%x could not be written", embedded.dwMacroId);
    writeFailed = true;
    return 0;
  }
  takenNames.push_back(name);
  WriteLog("ImportProfile: macro 0x%x added as 0x%x", embedded.dwMacroId, record.dwMacroId);
  return record.dwMacroId;
}

}  // namespace

Reported<int> ImportProfile(ProfileStore& store, MacroLibrary& library, const std::string& path,
                            const std::string& macroFolder, const AppSettings& settings, uint32_t mouseMask,
                            std::vector<ImportedMacro>* macros) {
  if (store.Current() == nullptr) return {};
  std::vector<uint8_t> image(kKbpFileSize, 0);
  const PrefixRead read = ReadPrefix(path, image);
  if (!read.opened) return Told(0, UserMessage{u"Open profile failed"});
  const long n = read.count;
  if (n <= 0) return Told(0, UserMessage{u"Open profile failed."});
  // Bytes after the end of a shorter file count as zero.
  if (n < static_cast<long>(kKbpFileSize)) std::fill(image.begin() + n, image.end(), 0);
  const std::span<const uint8_t, kProfileSize> profileBytes(image.data(), kProfileSize);
  if (!IsValidProfileImage(profileBytes)) return Told(0, UserMessage{u"This is not a valid profile"});
  Profile imported = ProfileFromBytes(profileBytes);
  for (const std::string& repair : SanitizeProfile(imported, settings)) {
    WriteLog("ImportProfile: profile 0x%x: %s", imported.id, repair.c_str());
  }

  // The macros the keys name: reused when the library holds the same macro under the id,
  // else added as new macros. The user data folder stays locked from the look at the
  // names in the macro folder to the last macro written.
  UserFolderLock folderLock;
  std::map<uint32_t, uint32_t> repointed;
  std::vector<ImportedMacro> reports;
  std::vector<std::u16string> takenNames;
  bool namesRead = false;
  bool writeFailed = false;
  for (KeyFunction& key : imported.keys) {
    if (writeFailed) break;
    if (key.Kind() != KIND_MACRO) continue;
    const auto fileId = static_cast<uint32_t>(key.macroId);
    auto known = repointed.find(fileId);
    if (known == repointed.end()) {
      uint32_t newId = fileId;
      const MacroRecord* embedded = nullptr;
      MacroRecord slotRecord;
      for (std::size_t k = 0; k < kKbpMacroSlots; ++k) {
        const std::span<const uint8_t, kMacroRecordSize> slot(image.data() + kProfileSize + k * kMacroRecordSize,
                                                              kMacroRecordSize);
        slotRecord = MacroFromBytes(slot);
        if (slotRecord.dwMacroId == fileId) {
          embedded = &slotRecord;
          break;
        }
      }
      ImportedMacro report{fileId, fileId, false, {}};
      if (embedded != nullptr && embedded->dwMagicNumber == kMacroMagic &&
          !MacroHasUnsupportedKey(*embedded, mouseMask)) {
        const MacroRecord* held = library.FindMacroById(fileId);
        if (held == nullptr || !SameMacroContent(*held, *embedded)) {
          if (!namesRead) {
            folderLock = UserFolderLock::TakeForMacroFolder(macroFolder);
            if (!folderLock.Held()) {
              WriteLog("ImportProfile: %s", folderLock.Error().c_str());
              writeFailed = true;
              break;
            }
            takenNames = TopLevelNames(macroFolder);
            namesRead = true;
          }
          const uint32_t added =
              AddEmbeddedMacro(library, *embedded, macroFolder, takenNames, report.name, writeFailed);
          if (added != 0) {
            newId = added;
            report.libraryId = added;
            report.added = true;
          }
        }
      }
      reports.push_back(report);
      known = repointed.emplace(fileId, newId).first;
    }
    key.macroId = static_cast<int32_t>(known->second);
  }
  if (writeFailed) {
    // All or nothing: the macros written so far go again, the profile stays as it was.
    RemoveImportedMacros(library, macroFolder, reports);
    return Told(kImportWriteFailed, UserMessage{u"Import failed."});
  }
  if (macros != nullptr) macros->insert(macros->end(), reports.begin(), reports.end());

  auto lock = store.Lock();
  Profile* current = store.Current();
  if (current == nullptr) return {};
  imported.id = current->id;
  imported.name = current->name;
  *current = imported;
  return {1, std::nullopt};
}

void RemoveImportedMacros(MacroLibrary& library, const std::string& macroFolder,
                          const std::vector<ImportedMacro>& macros) {
  UserFolderLock folderLock = UserFolderLock::TakeForMacroFolder(macroFolder);
  for (const ImportedMacro& m : macros) {
    if (!m.added) continue;
    MacroItemPath item;
    item.names = {m.name};
    item.macroId = m.libraryId;
    std::string file;
    if (TreeItem_To_FilePath(macroFolder, item, file) && ::unlink(file.c_str()) != 0 && errno != ENOENT) {
      WriteLog("ImportProfile: cannot remove %s, err=%d", file.c_str(), errno);
    }
    library.Remove(m.libraryId);
  }
}
