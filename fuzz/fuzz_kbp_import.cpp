// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes the import of a .kbp profile file through the import path, into a fresh user
// folder: the profile replaces the current one (keeping its id and name), and the macros
// the file carries are taken into the library and written as macro files. Whatever the
// file holds, nothing is written outside the macro folder, every file written there is a
// plain .mck file at its top with a clean name, and every key re-pointed to a new macro
// finds it in the library. The imported profile is in range and goes through what the
// program does with it (lighting values and texts, picture colours, matrix, reports).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>
#include <vector>

#include "app/program_settings.h"
#include "base/user_folder_lock.h"
#include "fuzz/fuzz_profile_checks.h"
#include "fuzz/fuzz_support.h"
#include "macro/macro_library.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "text/utf.h"

namespace fs = std::filesystem;

namespace {

bool CleanFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) return false;
  if (name.find("..") != std::string::npos) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  const std::u16string wide = FromUtf8(name);
  if (WithoutFormatCharacters(wide) != wide) return false;  // no bidi control or the like
  return name.size() > 4 && name.compare(name.size() - 4, 4, ".mck") == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using fuzzing::Check;
  const std::string root = fuzzing::FreshFolder("import");
  const std::string user = root + "user/";
  const std::string macroFolder = user + "Mac";
  fs::create_directories(macroFolder);
  const std::string file = root + "profile.kbp";
  fuzzing::WriteBytes(file, {data, size});

  const AppSettings& settings = fuzzing::ProfileSettings();
  ProfileStore store;
  store.Append(MakeProfile(0x123456, u"Target", settings));
  store.SetCurrent(0x123456);
  MacroLibrary library;
  library.Add(MakeDefaultMacro(0x000101, u"Known"));

  std::vector<ImportedMacro> macros;
  const int result = ImportProfile(store, library, file, macroFolder, settings, 0x1F, &macros).value;
  const Profile* current = store.Current();
  Check(current != nullptr && current->id == 0x123456 && current->Name() == u"Target",
        "the current profile keeps its id and name");
  if (result == 0) Check(library.Count() == 1, "a refused file adds no macro");
  fuzzing::CheckProfileInRange(*current, settings, library);
  Check(macros.size() <= static_cast<std::size_t>(kKeyCount), "one report per macro id");

  // Only the kbp file and the user folder lie in the import folder; only .mck files at the
  // top of the macro folder.
  std::set<std::string> top;
  for (const auto& e : fs::directory_iterator(root)) top.insert(e.path().filename().string());
  Check(top == std::set<std::string>{"profile.kbp", "user"}, "nothing is written beside the user folder");
  std::size_t written = 0;
  for (const auto& e : fs::recursive_directory_iterator(user)) {
    if (e.path() == fs::path(macroFolder)) continue;
    if (e.path() == fs::path(user + UserFolderLock::kFileName)) continue;  // the writes' lock
    Check(e.path().parent_path() == fs::path(macroFolder), "macro files lie at the top of the macro folder");
    Check(e.is_regular_file() && !e.is_symlink(), "macro files are plain files");
    Check(CleanFileName(e.path().filename().string()), "macro file names are clean");
    ++written;
  }
  std::size_t added = 0;
  for (const ImportedMacro& m : macros) {
    if (!m.added) continue;
    ++added;
    Check(library.FindMacroById(m.libraryId) != nullptr, "an added macro is in the library");
  }
  Check(written == added, "one file per added macro");
  Check(added <= kKbpMacroSlots, "at most the ten macros the file carries");
  return 0;
}
