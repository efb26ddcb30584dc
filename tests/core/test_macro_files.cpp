// SPDX-License-Identifier: GPL-2.0-or-later
// The macro folder on disk: folder scans, writing changed macros, the file helpers, and
// the import and export of single macro files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "macro/macro_transfer.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "tests/core/test_model_support.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string FileImage(const MacroRecord& m) {
  const auto image = MacroFileImage(m);
  return AsString(image.data(), image.size());
}

// Records what a scan hands to the library tree, as "parent>name" lines.
class RecordingTree : public MacroScanVisitor {
 public:
  std::vector<std::string> items;
  std::vector<std::string> icons;
  int refuseDepth = 99;  // folders at this depth are refused

  bool AddFolder(TreeItemHandle parent, const std::u16string& name, const std::string& iconPath,
                 TreeItemHandle& item) override {
    const int depth = parent == kTreeTop ? 1 : depths_[parent] + 1;
    if (depth >= refuseDepth) return false;
    names_.push_back(std::make_unique<std::string>(NameOf(parent) + "/" + ToUtf8(name)));
    item = names_.back().get();
    depths_[item] = depth;
    items.push_back("folder " + *names_.back());
    icons.push_back(iconPath);
    return true;
  }
  void AddMacro(TreeItemHandle parent, const std::u16string& name, uint32_t id) override {
    items.push_back("macro " + NameOf(parent) + "/" + ToUtf8(name) + " " + std::to_string(id));
  }
  std::vector<std::string> Sorted() const {
    auto s = items;
    std::sort(s.begin(), s.end());
    return s;
  }

 private:
  std::string NameOf(TreeItemHandle h) const { return h == kTreeTop ? "" : *static_cast<std::string*>(h); }
  std::vector<std::unique_ptr<std::string>> names_;
  std::map<TreeItemHandle, int> depths_;
};

struct ScanFixture : ::testing::Test {
  TempDir dir;
  MacroLibrary library;
  RecordingTree tree;
  std::string Mac() const { return dir.path() + "Mac"; }
  void Put(const std::string& name, const MacroRecord& m) { dir.Write("Mac/" + name, FileImage(m)); }
  MacroScanContext Context(bool folders) {
    MacroScanContext c;
    c.tree = &tree;
    c.foldersEnabled = folders;
    c.addToLibrary = true;
    c.library = &library;
    c.mouseMask = 1;
    return c;
  }
};

}  // namespace

TEST_F(ScanFixture, ReadsGoodFilesAndSkipsTheRest) {
  Put("Jump.Run.mck", TestMacro(0x11, u"x", {{0x41, 1, 0}}));
  Put("NoExtension", TestMacro(0x12, u"y", {}));
  Put("Click.mck", TestMacro(0x13, u"c", {{0xF0, 1, 50}, {0xF0, 0, 0}}));  // left click: allowed by mask 1
  Put("Menu.mck", TestMacro(0x14, u"m", {{0xF1, 1, 50}}));                 // right click: not allowed
  dir.Write("Mac/Short.mck", FileImage(TestMacro(0x15, u"s", {})).substr(0, 833));
  dir.Write("Mac/Long.mck", FileImage(TestMacro(0x16, u"l", {})) + "extra bytes");
  MacroRecord wrong = TestMacro(0x17, u"w", {});
  wrong.dwMagicNumber = 0xFAFB88A1;
  Put("Wrong.mck", wrong);
  Put("Sub/Inner.mck", TestMacro(0x18, u"i", {}));  // folders are off

  EXPECT_EQ(ScanMacroFolder(Mac(), Context(false)), 1);
  EXPECT_EQ(tree.Sorted(), (std::vector<std::string>{"macro /Click 19", "macro /Jump.Run 17", "macro /Long 22",
                                                     "macro /NoExtension 18"}));
  EXPECT_EQ(library.Count(), 4);
  EXPECT_NE(library.FindMacroById(0x11), nullptr);
  EXPECT_EQ(library.FindMacroById(0x18), nullptr);
}

TEST_F(ScanFixture, SubFoldersWithIconsWhenFoldersAreOn) {
  Put("Top.mck", TestMacro(1, u"t", {}));
  Put("Games/Jump.mck", TestMacro(2, u"j", {}));
  Put("Games/Shooter/Fire.mck", TestMacro(3, u"f", {}));
  Put(".hidden/Secret.mck", TestMacro(4, u"s", {}));
  Put("$system/Other.mck", TestMacro(5, u"o", {}));
  EXPECT_EQ(ScanMacroFolder(Mac() + "/", Context(true)), 1);
  EXPECT_EQ(tree.Sorted(), (std::vector<std::string>{"folder /Games", "folder /Games/Shooter", "macro /Games/Jump 2",
                                                     "macro /Games/Shooter/Fire 3", "macro /Top 1"}));
  EXPECT_EQ(library.Count(), 3);
  ASSERT_EQ(tree.icons.size(), 2u);
  EXPECT_TRUE(std::count(tree.icons.begin(), tree.icons.end(), Mac() + "/Games/Games.png"));
  EXPECT_TRUE(std::count(tree.icons.begin(), tree.icons.end(), Mac() + "/Games/Shooter/Shooter.png"));
}

TEST_F(ScanFixture, RefusedFolderIsReadButNotShown) {
  Put("A/B/Deep.mck", TestMacro(9, u"d", {}));
  tree.refuseDepth = 2;
  EXPECT_EQ(ScanMacroFolder(Mac(), Context(true)), 1);
  EXPECT_EQ(tree.items, std::vector<std::string>{"folder /A"});
  EXPECT_NE(library.FindMacroById(9), nullptr);
}

TEST_F(ScanFixture, NewIdsMarkTheOptionsChanged) {
  Put("One.mck", TestMacro(0x21, u"1", {}));
  Put("Two.mck", TestMacro(0x21, u"2", {}));
  library.Add(TestMacro(0x21, u"already there", {}));
  MacroScanContext c = Context(false);
  c.giveNewIds = true;
  EXPECT_EQ(ScanMacroFolder(Mac(), c), 1);
  ASSERT_EQ(library.Count(), 3);
  std::set<uint32_t> ids;
  library.ForEach([&](const MacroRecord& m) {
    ids.insert(m.dwMacroId);
    if (m.Name() != u"already there") {
      EXPECT_EQ(uint32_t{m.dwFlags}, kMacroOptionsChanged);
    }
  });
  EXPECT_EQ(ids.size(), 3u);
}

TEST_F(ScanFixture, LongPathsEndTheScanAndMissingFoldersFail) {
  std::string longPath = dir.path();
  while (longPath.size() < 257) longPath += "x";
  EXPECT_EQ(ScanMacroFolder(longPath, Context(true)), 1);
  EXPECT_EQ(ScanMacroFolder(longPath.substr(0, 256), Context(true)), 0);  // read, and missing
  EXPECT_EQ(ScanMacroFolder(dir.path() + "missing", Context(true)), 0);
  EXPECT_TRUE(tree.items.empty());
}

TEST_F(ScanFixture, ReadOnlyMacroFilesAreLoaded) {
  // The scan opens files for reading: a file the user may not write is still a macro.
  Put("Locked.mck", TestMacro(0x31, u"l", {}));
  ::chmod((Mac() + "/Locked.mck").c_str(), 0444);
  if (::geteuid() != 0) {
    EXPECT_EQ(ScanMacroFolder(Mac(), Context(false)), 1);
    EXPECT_NE(library.FindMacroById(0x31), nullptr);
    return;
  }
  // As the superuser every file is writable; scan as an ordinary user in a child process.
  ::chmod(dir.path().c_str(), 0755);
  ::chmod(Mac().c_str(), 0755);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
    MacroLibrary own;
    MacroScanContext c;
    c.addToLibrary = true;
    c.library = &own;
    ScanMacroFolder(Mac(), c);
    ::_exit(own.FindMacroById(0x31) != nullptr ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(MacroFileHelpers, MakeSureFolderExistCreatesEachLevel) {
  TempDir dir;
  LogRecorder log;
  EXPECT_EQ(MakeSureFolderExist(dir.path() + "a/b/c/file.mck"), 1);
  EXPECT_TRUE(fs::is_directory(dir.path() + "a/b/c"));
  EXPECT_FALSE(fs::exists(dir.path() + "a/b/c/file.mck"));
  EXPECT_EQ(MakeSureFolderExist(dir.path() + "a/b/c/"), 1);
  dir.Write("plain", "x");
  EXPECT_EQ(MakeSureFolderExist(dir.path() + "plain/sub/file"), 0);
  EXPECT_TRUE(log.Has("MakeSureFolderExist: create dir " + dir.path() + "plain, err=0x11"));
}

TEST(MacroFileHelpers, CreateAndCopy) {
  TempDir dir;
  LogRecorder log;
  {
    UniqueFd fd = MyCreateFile(dir.path() + "new/folder/file.bin");
    ASSERT_TRUE(fd.Valid());
    EXPECT_EQ(::write(fd.Get(), "abc", 3), 3);
  }
  EXPECT_EQ(ReadFile(dir.path() + "new/folder/file.bin"), "abc");
  EXPECT_EQ(MyCreateFile(dir.path() + "new/folder/file.bin/x").Valid(), false);
  EXPECT_TRUE(log.Has("MyCreateFile: " + dir.path() + "new/folder/file.bin/x, error=0x14"));

  EXPECT_EQ(MyCopyFile(dir.path() + "new/folder/file.bin", dir.path() + "copy/deep/file.bin"), 1);
  EXPECT_EQ(ReadFile(dir.path() + "copy/deep/file.bin"), "abc");
  dir.Write("other", "zzz");
  EXPECT_EQ(MyCopyFile(dir.path() + "other", dir.path() + "copy/deep/file.bin"), 0);  // never overwrites
  EXPECT_EQ(ReadFile(dir.path() + "copy/deep/file.bin"), "abc");
  EXPECT_TRUE(log.Has("MyCopyFile: " + dir.path() + "other, error=0x11"));
  EXPECT_EQ(MyCopyFile(dir.path() + "absent", dir.path() + "c2"), 0);
  EXPECT_FALSE(fs::exists(dir.path() + "c2"));
}

TEST(MacroFileHelpers, TreeItemPaths) {
  std::string path;
  EXPECT_TRUE(TreeItem_To_FilePath("/u/Mac", {{u"Games", u"Jump"}, false, 1}, path));
  EXPECT_EQ(path, "/u/Mac/Games/Jump.mck");
  EXPECT_TRUE(TreeItem_To_FilePath("/u/Mac", {{u"Games", u"Shooter"}, true, 0}, path));
  EXPECT_EQ(path, "/u/Mac/Games/Shooter");
  EXPECT_FALSE(TreeItem_To_FilePath("/u/Mac", {{}, false, 1}, path));
  MacroItemPath deep;
  for (int i = 0; i < 22; ++i) deep.names.push_back(FromUtf8(std::to_string(i)));
  EXPECT_TRUE(TreeItem_To_FilePath("/m", deep, path));
  EXPECT_EQ(path.rfind("/m/2/3/", 0), 0u);  // 20 levels upwards from the item
}

struct FlushFixture : ::testing::Test {
  TempDir dir;
  MacroLibrary library;
  std::string Mac() const { return dir.path() + "Mac"; }
  MacroItemPath Item(uint32_t id) { return {{u"Folder", u"Jump"}, false, id}; }
};

TEST_F(FlushFixture, WritesDirtyRecordsAndClearsTheBits) {
  MacroRecord m = TestMacro(0x41, u"Jump", {{0x41, 1, 10}});
  m.dwFlags = kMacroEventsChanged;
  library.Add(m);
  EXPECT_EQ(Flush_Dirty_Macro(library, Mac(), Item(0x41)), 1);
  m.dwFlags = 0;
  EXPECT_EQ(ReadFile(Mac() + "/Folder/Jump.mck"), FileImage(m));
  EXPECT_EQ(uint32_t{library.FindMacroById(0x41)->dwFlags}, 0u);

  // A clean record is not written again; folders and unknown ids are ignored.
  fs::remove(Mac() + "/Folder/Jump.mck");
  EXPECT_EQ(Flush_Dirty_Macro(library, Mac(), Item(0x41)), 1);
  EXPECT_FALSE(fs::exists(Mac() + "/Folder/Jump.mck"));
  EXPECT_EQ(Flush_Dirty_Macro(library, Mac(), {{u"Folder"}, true, 0}), 1);
  EXPECT_EQ(Flush_Dirty_Macro(library, Mac(), Item(0x999)), 1);
  LogRecorder log;
  EXPECT_EQ(Flush_Dirty_Macro(library, Mac(), {}), 0);
  EXPECT_TRUE(log.Has("Flush_Dirty_Macro: pItem=0x0() error"));
}

TEST_F(FlushFixture, FailedWriteKeepsTheDirtyBitsAndTheOldFile) {
  MacroRecord old = TestMacro(0x42, u"Jump", {{0x41, 1, 10}});
  dir.Write("Mac/Folder/Jump.mck", FileImage(old));
  MacroRecord changed = old;
  changed.Events[0].dwDelay = 500;
  changed.dwFlags = kMacroEventsChanged | kMacroOptionsChanged;
  library.Add(changed);
  LogRecorder log;
  {
    FileSizeLimit full(100);  // the disk fills after 100 bytes
    EXPECT_EQ(Flush_Dirty_Macro(library, Mac(), Item(0x42)), 0);
  }
  EXPECT_EQ(uint32_t{library.FindMacroById(0x42)->dwFlags}, kMacroDirtyBits);
  EXPECT_EQ(ReadFile(Mac() + "/Folder/Jump.mck"), FileImage(old));
  EXPECT_EQ(log.Count("Flush_Dirty_Macro: WriteFile err=0x1b, " + Mac() + "/Folder/Jump.mck"), 1);
  EXPECT_EQ(std::distance(fs::directory_iterator(Mac() + "/Folder"), fs::directory_iterator()), 1);

  // The next flush writes the change.
  EXPECT_EQ(Flush_Dirty_Macro(library, Mac(), Item(0x42)), 1);
  changed.dwFlags = 0;
  EXPECT_EQ(ReadFile(Mac() + "/Folder/Jump.mck"), FileImage(changed));
  EXPECT_EQ(uint32_t{library.FindMacroById(0x42)->dwFlags}, 0u);
}

TEST_F(FlushFixture, UncreatableFileKeepsTheDirtyBits) {
  dir.Write("Mac/Folder", "a file where the folder should be");
  MacroRecord m = TestMacro(0x43, u"Jump", {});
  m.dwFlags = kMacroOptionsChanged;
  library.Add(m);
  LogRecorder log;
  EXPECT_EQ(Flush_Dirty_Macro(library, Mac(), Item(0x43)), 0);
  EXPECT_EQ(uint32_t{library.FindMacroById(0x43)->dwFlags}, kMacroOptionsChanged);
  EXPECT_TRUE(log.Has("MyCreateFile: " + Mac() + "/Folder/Jump.mck, error=0x14"));
}

struct TransferFixture : FlushFixture {
  RecordingWindowPort port;
  uint32_t Import(const std::string& source, MacroItemPath target = {}, std::vector<std::u16string> siblings = {}) {
    return Shown(ImportMacro(library, Mac(), target, siblings, source, 1));
  }
};

TEST_F(TransferFixture, ImportWritesANewMacroIntoTheTarget) {
  MacroRecord m = TestMacro(0x51, u"old name", {{0xF0, 1, 50}, {0xF0, 0, 0}});
  const std::string source = dir.Write("outside/Punch.mck", FileImage(m) + "trailing");
  library.Add(TestMacro(0x51, u"holder of the id", {}));
  std::u16string title;
  const uint32_t id = Shown(ImportMacro(library, Mac(), {{u"Games"}, true, 0}, {u"Kick"}, source, 1, &title));
  ASSERT_NE(id, 0u);
  EXPECT_NE(id, 0x51u);
  EXPECT_EQ(title, u"Punch");
  EXPECT_TRUE(port.boxes.empty());
  const MacroRecord* added = library.FindMacroById(id);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->Name(), u"Punch");
  EXPECT_EQ(uint32_t{added->dwFlags}, 0u);  // written at once
  MacroRecord want = m;
  want.dwMacroId = id;
  want.SetName(u"Punch");
  EXPECT_EQ(ReadFile(Mac() + "/Games/Punch.mck"), FileImage(want));
}

TEST_F(TransferFixture, ImportRefusals) {
  TextTable::Instance().tc_macro_msg8 = u"The name exists already.";
  const std::string good = dir.Write("in/Kick.mck", FileImage(TestMacro(1, u"k", {})));
  EXPECT_EQ(Import(good, {}, {u"KICK"}), 0u);
  EXPECT_EQ(Import(dir.path() + "in/Absent.mck"), 0u);
  const std::string shortFile = dir.Write("in/Short.mck", FileImage(TestMacro(1, u"s", {})).substr(0, 833));
  EXPECT_EQ(Import(shortFile), 0u);
  MacroRecord wrong = TestMacro(1, u"w", {});
  wrong.dwMagicNumber = 0;
  EXPECT_EQ(Import(dir.Write("in/Wrong.mck", FileImage(wrong))), 0u);
  EXPECT_EQ(Import(dir.Write("in/Menu.mck", FileImage(TestMacro(1, u"m", {{0xF1, 1, 0}})))), 0u);
  EXPECT_EQ(port.Texts(), (std::vector<std::u16string>{u"The name exists already.", u"Open macro file failed. error=0x2",
                                                       u"Read macro file failed. error=0x0", u"This is not a valid macro file.",
                                                       u"This macro contains unsupported key."}));
  EXPECT_EQ(library.Count(), 0);
  EXPECT_FALSE(fs::exists(Mac()));
  TextTable::Instance().tc_macro_msg8.clear();
}

TEST_F(TransferFixture, ExportCopiesTheFileOnDisk) {
  MacroRecord m = TestMacro(0x61, u"Jump", {});
  dir.Write("Mac/Folder/Jump.mck", FileImage(m));
  dir.Write("out/Jump.mck", "an older export");
  EXPECT_EQ(ExportMacroFileName(m), u"Jump.mck");
  EXPECT_EQ(ExportMacro(Mac(), Item(0x61), dir.path() + "out/Jump.mck"), 1);
  EXPECT_EQ(ReadFile(dir.path() + "out/Jump.mck"), FileImage(m));
  EXPECT_EQ(ExportMacro(Mac(), {{u"Folder"}, true, 0}, dir.path() + "out/F.mck"), 0);
  LogRecorder log;
  EXPECT_EQ(ExportMacro(Mac(), {{u"Missing"}, false, 1}, dir.path() + "out/M.mck"), 0);
  EXPECT_TRUE(log.Has("ExportMacro: copy file err=0x2"));
  EXPECT_FALSE(fs::exists(dir.path() + "out/M.mck"));
}
