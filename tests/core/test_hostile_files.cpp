// SPDX-License-Identifier: GPL-2.0-or-later
// Files from elsewhere may hold anything: an imported .kbp whose macros carry hostile
// names and event lists, a profile or macro "file" that is a pipe, a folder or a link, and
// a macro folder copied from elsewhere with link loops, links out of it, pipes, junk and
// more macros than the library holds. Names are cleaned before they become file names,
// counts and sizes are checked before use, nothing blocks, and nothing is written (or
// read) outside the user data folder.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>

#include "base/identifier.h"
#include "base/user_folder_lock.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "macro/macro_transfer.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "tests/core/test_model_support.h"
#include "tests/support/test_support.h"
#include "text/utf.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Every path below the folder, as text relative to it.
// What a folder holds, but the user data folder's lock file, which every write leaves.
std::set<std::string> Tree(const std::string& folder) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(folder)) out.insert(fs::relative(e.path(), folder).string());
  out.erase(UserFolderLock::kFileName);
  return out;
}

class HostileFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    SetIdentifierPause(0);
    fs::create_directories(User() + "Mac");
    store_.Append(MakeProfile(0x70, u"Mine", settings_));
    store_.SetCurrent(0x70);
  }
  void TearDown() override { SetIdentifierPause(-1); }
  std::string Root() const { return dir_.path(); }
  std::string User() const { return dir_.path() + "user/"; }
  std::string Mac() const { return User() + "Mac"; }

  // A .kbp whose key i plays the macro of slot i, each macro given as a raw record.
  std::string Kbp(const std::vector<MacroRecord>& macros) {
    Profile p = MakeProfile(0x55, u"Theirs", settings_);
    std::string file(kKbpFileSize, '\0');
    for (std::size_t i = 0; i < macros.size(); ++i) {
      p.keys[i].code = KeyFunction::MakeCode(KIND_MACRO, 0);
      p.keys[i].macroId = static_cast<int32_t>(macros[i].dwMacroId);
      std::memcpy(file.data() + kProfileSize + i * kMacroRecordSize, &macros[i], kMacroRecordSize);
    }
    std::array<uint8_t, kProfileSize> bytes;
    ProfileToBytes(p, bytes);
    std::memcpy(file.data(), bytes.data(), kProfileSize);
    return file;
  }

  TempDir dir_;
  AppSettings settings_;
  ProfileStore store_;
  MacroLibrary library_;
  RecordingWindowPort port_;
};

MacroRecord Named(uint32_t id, std::u16string_view name) {
  MacroRecord m = TestMacro(id, u"", {{0x41, 1, 10}, {0x41, 0, 0}});
  for (std::size_t i = 0; i < kMacroNameChars; ++i) m.szName[i] = i < name.size() ? name[i] : u'\0';
  return m;
}

TEST_F(HostileFiles, KbpMacroNamesBecomeCleanFileNamesInsideTheMacroFolder) {
  std::u16string full(kMacroNameChars, u'x');  // fills the field: no terminator
  const char16_t lone[] = {u'a', 0xD800, u'b', 0};
  const std::vector<MacroRecord> macros = {
      Named(0xA1, u"../../../outside"), Named(0xA2, u"sub/dir\\name"), Named(0xA3, u"ctl\x01\x1f\x7f"),
      Named(0xA4, u".."),               Named(0xA5, u".hidden"),      Named(0xA6, u"$system"),
      Named(0xA7, full),                Named(0xA8, lone),            Named(0xA9, u""),
      Named(0xAA, u"dots..in..name")};
  dir_.Write("theirs.kbp", Kbp(macros));
  std::vector<ImportedMacro> report;
  ASSERT_EQ(Shown(ImportProfile(store_, library_, Root() + "theirs.kbp", Mac(), settings_, 0, &report)), 1);
  ASSERT_EQ(report.size(), macros.size());

  // Only the user folder and the file lie in the root; only .mck files at the top of Mac.
  std::set<std::string> top;
  for (const auto& e : fs::directory_iterator(Root())) top.insert(e.path().filename().string());
  EXPECT_EQ(top, (std::set<std::string>{"theirs.kbp", "user"}));
  std::set<std::string> files;
  for (const auto& e : fs::directory_iterator(Mac())) {
    EXPECT_TRUE(e.is_regular_file()) << e.path();
    files.insert(e.path().filename().string());
  }
  EXPECT_EQ(Tree(User()).size(), files.size() + 1) << "nothing below Mac but its files";
  EXPECT_EQ(files.size(), macros.size());
  for (const std::string& name : files) {
    EXPECT_EQ(name.find('/'), std::string::npos);
    EXPECT_EQ(name.find('\\'), std::string::npos) << name;
    EXPECT_EQ(name.find(".."), std::string::npos) << name;
    EXPECT_NE(name[0], '.') << name;
    EXPECT_NE(name[0], '$') << name;
    for (const char c : name) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << name;
    EXPECT_NE(static_cast<unsigned char>(name.back()), 0x7F);
  }
  // Every new macro is found again by the next start-up's scan, under its file's name.
  MacroLibrary reloaded;
  ASSERT_EQ(LoadMacroLibrary(reloaded, Mac(), settings_), 1);
  EXPECT_EQ(reloaded.Count(), static_cast<int>(macros.size()));
  for (const ImportedMacro& m : report) {
    ASSERT_TRUE(m.added);
    EXPECT_LE(m.name.size(), kMacroNameChars - 1);
    EXPECT_NE(reloaded.FindMacroById(m.libraryId), nullptr);
  }
}

TEST_F(HostileFiles, KbpMacroCountsAreCheckedBeforeUse) {
  // Every event slot filled (no terminator), a loop count and repeat mode out of range.
  MacroRecord full = Named(0xB1, u"Full");
  for (int i = 0; i < kMacroEventSlots; ++i) full.Events[i] = MacroEvent{static_cast<uint16_t>(0x41 + i % 20), static_cast<uint16_t>(i % 2), 0xFFFFFFFFu};
  full.Macro_Buffer_ID = 77;
  dir_.Write("full.kbp", Kbp({full}) + std::string(5000, '\xEE'));  // junk after the file's size is not read
  ASSERT_EQ(Shown(ImportProfile(store_, library_, Root() + "full.kbp", Mac(), settings_, 0)), 1);
  const MacroRecord* added = library_.FindMacroById(static_cast<uint32_t>(store_.Current()->keys[0].macroId));
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->EventCount(), kMacroEventsMax);
  EXPECT_EQ(int32_t{added->Macro_Buffer_ID}, 0);
  EXPECT_LT(added->Name().size(), kMacroNameChars);
}

TEST_F(HostileFiles, ProfileAndMacroFilesThatAreNoFilesAreRefusedWithoutBlocking) {
  ASSERT_EQ(::mkfifo((Root() + "pipe.kbp").c_str(), 0644), 0);
  fs::create_directories(Root() + "folder.kbp");
  ASSERT_EQ(::mkfifo((User() + "pro.dct").c_str(), 0644), 0);
  ASSERT_EQ(::mkfifo((User() + "curid.dct").c_str(), 0644), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Shown(ImportProfile(store_, library_, Root() + "pipe.kbp", Mac(), settings_, 0)), 0);
  EXPECT_EQ(Shown(ImportProfile(store_, library_, Root() + "folder.kbp", Mac(), settings_, 0)), 0);
  EXPECT_EQ(port_.Texts(), (std::vector<std::u16string>{u"Open profile failed", u"Open profile failed"}));
  ProfileStore loaded;
  EXPECT_EQ(LoadProfiles(loaded, User(), settings_).loaded, 0);
  EXPECT_EQ(LoadCurrentId(User()), 0u);
  MacroRecord record;
  int err = 0;
  EXPECT_EQ(ReadMacroFile(Root() + "pipe.kbp", record, err), 0);
  EXPECT_EQ(err, EINVAL);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST_F(HostileFiles, MckImportTakesOnlyCleanNamesAndPlainFiles) {
  const auto image = MacroFileImage(TestMacro(0x51, u"x", {{0x41, 1, 0}}));
  const std::string good = AsString(image.data(), image.size());
  const std::string control = dir_.Write("in/ctl\x01name.mck", good);
  const std::string dots = dir_.Write("in/...mck", good);  // title ".."
  ASSERT_EQ(::mkfifo((Root() + "in/Pipe.mck").c_str(), 0644), 0);
  fs::create_directories(Root() + "in/Folder.mck");
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& source : {control, dots, Root() + "in/Pipe.mck", Root() + "in/Folder.mck"}) {
    EXPECT_EQ(Shown(ImportMacro(library_, Mac(), {}, {}, source, 0)), 0u) << source;
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  // A target whose path would leave the macro folder is refused as well.
  const std::string plain = dir_.Write("in/Plain.mck", good + std::string(1 << 16, '\x11'));
  EXPECT_EQ(Shown(ImportMacro(library_, Mac(), {{u".."}, true, 0}, {}, plain, 0)), 0u);
  EXPECT_EQ(library_.Count(), 0);
  EXPECT_EQ(Tree(User()), std::set<std::string>{"Mac"});
  // The plain file goes in; only its first 834 bytes are read.
  const uint32_t id = Shown(ImportMacro(library_, Mac(), {}, {}, plain, 0));
  ASSERT_NE(id, 0u);
  EXPECT_EQ(Tree(User()), (std::set<std::string>{"Mac", "Mac/Plain.mck"}));
  EXPECT_EQ(ReadFile(Mac() + "/Plain.mck").size(), kMacroRecordSize);
}

TEST_F(HostileFiles, MacroFolderFromElsewhereIsScannedSafely) {
  // A tree with a loop of links, links out of the folder (to a folder and to a macro
  // file), a pipe and a device named like macros, junk, cut-short files and 2100 good
  // macros in sub-folders.
  const auto good = [](uint32_t id) {
    const auto image = MacroFileImage(TestMacro(id, u"m", {{0x41, 1, 0}}));
    return AsString(image.data(), image.size());
  };
  dir_.Write("outside/Secret.mck", good(0x777777));
  dir_.Write("user/Mac/Top.mck", good(0x1));
  fs::create_directories(Mac() + "/A/B");
  fs::create_symlink("..", Mac() + "/A/B/up");
  fs::create_symlink(".", Mac() + "/A/self");
  fs::create_symlink(Root() + "outside", Mac() + "/A/away");
  fs::create_symlink(Root() + "outside/Secret.mck", Mac() + "/Link.mck");
  fs::create_symlink("/dev/zero", Mac() + "/Zero.mck");
  ASSERT_EQ(::mkfifo((Mac() + "/Pipe.mck").c_str(), 0644), 0);
  dir_.Write("user/Mac/Junk.mck", std::string(1 << 20, '\x5A'));
  dir_.Write("user/Mac/Short.mck", good(0x2).substr(0, 833));
  for (uint32_t i = 0; i < 2100; ++i) {
    dir_.Write("user/Mac/A/B/m" + std::to_string(i) + ".mck", good(0x10000 + i));
  }

  MacroLibrary library;
  AppSettings settings;
  settings.MacroDir = 1;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(LoadMacroLibrary(library, Mac(), settings), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
  EXPECT_EQ(library.Count(), MacroLibrary::kMaxMacros);
  EXPECT_EQ(library.FindMacroById(0x777777), nullptr) << "read through a link out of the folder";
  EXPECT_EQ(library.FindMacroById(0x2), nullptr);
  // The scan only reads: the tree is as it was.
  EXPECT_EQ(ReadFile(Mac() + "/Top.mck"), good(0x1));
}

}  // namespace
