// SPDX-License-Identifier: GPL-2.0-or-later
// pro.dct, curid.dct, the start-up rule, and the export and import of .kbp files.
#include <gtest/gtest.h>

#include <filesystem>

#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "model/device_matrix.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "tests/core/test_model_support.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

// A hand-made stored profile: signature, id, a name and one changed key.
std::string ProfileBytes(uint32_t id, std::u16string_view name, uint32_t signature = kProfileSignature) {
  std::string b(kProfileSize, '\0');
  Put32(b, 0, signature);
  Put32(b, 4, id);
  PutText(b, 528, name);
  Put32(b, 612 + 2 * 36, 0x04000022);  // key 2: Play/Pause
  Put32(b, 5148, 1);
  return b;
}

std::string Image(const Profile& p) {
  std::array<uint8_t, kProfileSize> bytes;
  ProfileToBytes(p, bytes);
  return AsString(bytes.data(), bytes.size());
}

std::string Id(uint32_t id) {
  std::string b(4, '\0');
  Put32(b, 0, id);
  return b;
}

struct StoreFixture : ::testing::Test {
  TempDir dir;
  ProfileStore store;
  AppSettings settings = TestSettings();
  std::string User() const { return dir.path(); }
  void WriteProDct(const std::vector<std::string>& slots) {
    std::string file;
    for (const std::string& s : slots) file += s;
    file.resize(kProfileFileSize, '\0');
    dir.Write("pro.dct", file);
  }
  std::vector<std::u16string> Names() {
    std::vector<std::u16string> names;
    for (const Profile* p : store.Profiles()) names.push_back(p->Name());
    return names;
  }
};

}  // namespace

TEST_F(StoreFixture, LoadTakesValidSlotsAndSkipsGapsAndDamage) {
  std::string noId = ProfileBytes(0, u"NoId");
  WriteProDct({ProfileBytes(0x10, u"First"), std::string(kProfileSize, '\0'), ProfileBytes(0x30, u"Bad", 0xFCFB6D16),
               noId, ProfileBytes(0x50, u"Fifth")});
  store.Append(MakeProfile(0x99, u"stale", settings));
  EXPECT_EQ(LoadProfiles(store, User(), settings).loaded, 2);
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"First", u"Fifth"}));
  EXPECT_EQ(Image(*store.FindById(0x10)), ProfileBytes(0x10, u"First"));

  const ProfileFileRead read = ReadProfileSlots(User() + "pro.dct", settings);
  ASSERT_EQ(read.state, ProfileFileState::kLoaded);
  const auto& slots = read.profileSlots;
  EXPECT_EQ(slots[0].state, ProfileSlot::State::kValid);
  EXPECT_EQ(slots[1].state, ProfileSlot::State::kEmpty);
  EXPECT_EQ(slots[2].state, ProfileSlot::State::kDamaged);
  EXPECT_EQ(slots[3].state, ProfileSlot::State::kDamaged);
}

TEST_F(StoreFixture, LoadFailures) {
  LogRecorder log;
  EXPECT_EQ(LoadProfiles(store, User(), settings).loaded, 0);
  EXPECT_TRUE(log.Has("Open pro file err=2"));
  dir.Write("pro.dct", ProfileBytes(1, u"A") + std::string(kProfileFileSize - kProfileSize - 1, '\0'));
  store.Append(MakeProfile(0x99, u"stale", settings));
  EXPECT_EQ(LoadProfiles(store, User(), settings).loaded, 0);
  EXPECT_TRUE(log.Has("Profile size is wrong"));
  EXPECT_EQ(store.Count(), 0);
  // A longer file is no profile file either.
  dir.Write("pro.dct", ProfileBytes(1, u"A") + std::string(kProfileFileSize - kProfileSize, '\0') + "tail");
  EXPECT_EQ(LoadProfiles(store, User(), settings).state, ProfileFileState::kDamaged);
  EXPECT_EQ(store.Count(), 0);
}

TEST_F(StoreFixture, SaveWritesConsecutiveSlotsByteForByte) {
  store.Append(ProfileFromBytes(std::span<const uint8_t, kProfileSize>(
      reinterpret_cast<const uint8_t*>(ProfileBytes(0x10, u"One").data()), kProfileSize)));
  Profile zero = MakeProfile(0, u"never stored", settings);
  store.Append(zero);
  store.Append(MakeProfile(0x20, u"Two", settings));
  EXPECT_EQ(SaveProfiles(store, User()), 1);
  const std::string file = ReadFile(User() + "pro.dct");
  ASSERT_EQ(file.size(), kProfileFileSize);
  EXPECT_EQ(file.substr(0, kProfileSize), ProfileBytes(0x10, u"One"));
  EXPECT_EQ(file.substr(kProfileSize, kProfileSize), Image(*store.FindById(0x20)));
  EXPECT_EQ(file.substr(2 * kProfileSize), std::string(3 * kProfileSize, '\0'));

  // Six profiles: the first five are stored. An empty store leaves the file alone.
  for (uint32_t id = 0x30; id <= 0x60; id += 0x10) store.Append(MakeProfile(id, u"more", settings));
  EXPECT_EQ(SaveProfiles(store, User()), 1);
  ProfileStore back;
  EXPECT_EQ(LoadProfiles(back, User(), settings).loaded, 5);
  EXPECT_EQ(back.FindById(0x60), nullptr);
  ProfileStore empty;
  EXPECT_EQ(SaveProfiles(empty, User()), 0);
  EXPECT_EQ(ReadFile(User() + "pro.dct").size(), kProfileFileSize);
}

TEST_F(StoreFixture, SaveThatCannotFinishKeepsTheOldFile) {
  WriteProDct({ProfileBytes(0x10, u"Kept"), ProfileBytes(0x20, u"Also kept")});
  const std::string before = ReadFile(User() + "pro.dct");
  store.Append(MakeProfile(0x30, u"New", settings));
  LogRecorder log;
  {
    FileSizeLimit full(20000);  // the disk fills in the middle of the write
    EXPECT_EQ(SaveProfiles(store, User()), 0);
  }
  EXPECT_TRUE(log.Has("Save pro: WriteFile err=27"));
  EXPECT_EQ(ReadFile(User() + "pro.dct"), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(User()), fs::directory_iterator()), 1);

  dir.Write("elsewhere", "a file, not a folder");
  EXPECT_EQ(SaveProfiles(store, User() + "elsewhere/"), 0);
  EXPECT_TRUE(log.Has("Save pro: CreateFile err=20"));
}

TEST_F(StoreFixture, CurrentIdFile) {
  EXPECT_EQ(LoadCurrentId(User()), 0u);
  EXPECT_EQ(SaveCurrentId(store, User()), 0);  // no current profile
  EXPECT_FALSE(fs::exists(User() + "curid.dct"));
  store.Append(MakeProfile(0x00ABCDEF, u"A", settings));
  store.SetCurrent(0x00ABCDEF);
  EXPECT_EQ(SaveCurrentId(store, User()), 1);
  EXPECT_EQ(ReadFile(User() + "curid.dct"), std::string("\xEF\xCD\xAB\x00", 4));
  EXPECT_EQ(LoadCurrentId(User()), 0x00ABCDEFu);
  dir.Write("curid.dct", "\x01\x02\x03");
  EXPECT_EQ(LoadCurrentId(User()), 0u);
}

TEST_F(StoreFixture, StartupWithoutFilesMakesThreeProfiles) {
  const uint32_t current = LoadProfilesAtStartup(store, User(), settings, u"Profile ");
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"Profile 1", u"Profile 2", u"Profile 3"}));
  EXPECT_EQ(current, store.First()->id);
  EXPECT_EQ(store.Current(), store.First());
  EXPECT_EQ(ChangedKeyCount(*store.First(), settings.KeyTable), 0);
}

TEST_F(StoreFixture, StartupFillsTwoStoredProfilesToThree) {
  WriteProDct({ProfileBytes(0x10, u"A"), ProfileBytes(0x20, u"B")});
  dir.Write("curid.dct", Id(0x20));
  EXPECT_EQ(LoadProfilesAtStartup(store, User(), settings, u"P"), 0x20u);
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"A", u"B", u"P3"}));
  EXPECT_EQ(SaveProfiles(store, User()), 1);
  ProfileStore back;
  EXPECT_EQ(LoadProfiles(back, User(), settings).loaded, 3);
}

TEST_F(StoreFixture, StartupWithWrongSizeOrUnknownCurrentId) {
  dir.Write("pro.dct", std::string(kProfileFileSize - 1, '\0'));
  dir.Write("curid.dct", Id(0x777));
  LogRecorder log;
  LoadProfilesAtStartup(store, User(), settings, u"P");
  EXPECT_TRUE(log.Has("Profile size is wrong"));
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"P1", u"P2", u"P3"}));
  EXPECT_EQ(store.Current(), store.First());

  WriteProDct({ProfileBytes(0x10, u"A"), ProfileBytes(0x20, u"B"), ProfileBytes(0x30, u"C")});
  LoadProfilesAtStartup(store, User(), settings, u"P");
  EXPECT_EQ(Names(), (std::vector<std::u16string>{u"A", u"B", u"C"}));
  EXPECT_EQ(store.Current()->id, 0x10u);
}

namespace {

std::string MacroBytes(const MacroRecord& m) {
  const auto b = MacroToBytes(m);
  return AsString(b.data(), b.size());
}

struct KbpFixture : StoreFixture {
  MacroLibrary library;
  RecordingWindowPort port;
  Profile* current = nullptr;
  void SetUp() override {
    current = store.Append(MakeProfile(0x70, u"Mine", settings));
    store.SetCurrent(0x70);
  }
  std::string Mac() const { return User() + "Mac"; }
};

}  // namespace

TEST_F(KbpFixture, ExportHoldsTheProfileAndEachMacroKeysMacro) {
  library.Add(TestMacro(0xA1, u"Jump", {{0x41, 1, 10}}));
  library.Add(TestMacro(0xB2, u"Fire", {{0x42, 1, 0}}));
  current->keys[4] = MacroKey(0xA1);
  current->keys[9] = MacroKey(0xB2);
  current->keys[20] = MacroKey(0xA1);
  current->keys[30] = MacroKey(0xA1);
  current->keys[31] = MacroKey(0xDEAD);  // not in the library: no slot
  ASSERT_EQ(Shown(ExportProfile(store, library, User() + "mine.kbp")), 1);
  const std::string file = ReadFile(User() + "mine.kbp");
  std::string want = Image(*current);
  for (uint32_t id : {0xA1u, 0xB2u, 0xA1u, 0xA1u}) want += MacroBytes(*library.FindMacroById(id));
  want.resize(kKbpFileSize, '\0');
  EXPECT_EQ(file, want);
  EXPECT_EQ(ExportProfileFileName(*current), u"Mine.kbp");
  current->SetName(u"A rather long name!");
  EXPECT_EQ(ExportProfileFileName(*current), u"A rather long name!");
}

TEST_F(KbpFixture, ExportKeepsTenMacrosAndReportsFailure) {
  for (uint32_t i = 0; i < 12; ++i) {
    library.Add(TestMacro(0x100 + i, u"m", {}));
    current->keys[i] = MacroKey(0x100 + i);
  }
  const std::vector<uint8_t> image = ProfileExportImage(*current, library);
  ASSERT_EQ(image.size(), kKbpFileSize);
  EXPECT_EQ(AsString(image.data() + kProfileSize + 9 * kMacroRecordSize, kMacroRecordSize),
            MacroBytes(*library.FindMacroById(0x109)));
  EXPECT_EQ(Shown(ExportProfile(store, library, User() + "no/such/folder/x.kbp")), 0);
  EXPECT_EQ(port.Texts(), std::vector<std::u16string>{u"Create profile failed."});
}

TEST_F(KbpFixture, ImportKeepsIdAndNameAndReportsBadFiles) {
  Profile other = MakeProfile(0x55, u"Theirs", settings);
  other.keys[2].code = KeyFunction::MakeCode(KIND_APP, 49);
  other.ledMode = 5;
  other.linkedProgram[0] = u'g';
  std::string file = Image(other);
  Put32(file, 608, 2);  // a key layer other than 0 is read as 0
  dir.Write("theirs.kbp", file);  // a short file: the macro slots count as zero
  ASSERT_EQ(Shown(ImportProfile(store, library, User() + "theirs.kbp", Mac(), settings, 0)), 1);
  EXPECT_EQ(current->id, 0x70u);
  EXPECT_EQ(current->Name(), u"Mine");
  EXPECT_EQ(current->keys[2].code, KeyFunction::MakeCode(KIND_APP, 49));
  EXPECT_EQ(current->ledMode, 5);
  EXPECT_EQ(current->LinkedProgram(), u"g");
  EXPECT_EQ(current->keyLayer, 0);

  dir.Write("empty.kbp", "");
  dir.Write("bad.kbp", ProfileBytes(0, u"x"));
  const Profile before = *current;
  EXPECT_EQ(Shown(ImportProfile(store, library, User() + "absent.kbp", Mac(), settings, 0)), 0);
  EXPECT_EQ(Shown(ImportProfile(store, library, User() + "empty.kbp", Mac(), settings, 0)), 0);
  EXPECT_EQ(Shown(ImportProfile(store, library, User() + "bad.kbp", Mac(), settings, 0)), 0);
  EXPECT_EQ(port.Texts(), (std::vector<std::u16string>{u"Open profile failed", u"Open profile failed.",
                                                       u"This is not a valid profile"}));
  EXPECT_EQ(Image(*current), Image(before));
}

TEST_F(KbpFixture, ImportTakesEmbeddedMacrosIntoTheLibrary) {
  // Exported on another computer: keys 0 and 1 play "Jump", key 2 plays "Fire", key 3 a
  // macro that is the same as one this library holds under the same id, key 4 a macro
  // whose id this library holds for a different macro.
  MacroLibrary theirs;
  theirs.Add(TestMacro(0xA1, u"Jump", {{0x41, 1, 10}, {0x41, 0, 0}}));
  theirs.Add(TestMacro(0xB2, u"Fire", {{0x42, 1, 0}}));
  theirs.Add(TestMacro(0xC3, u"Shared", {{0x43, 1, 0}}));
  theirs.Add(TestMacro(0xD4, u"Clash", {{0x44, 1, 0}}));
  Profile exported = MakeProfile(0x55, u"Theirs", settings);
  exported.keys[0] = MacroKey(0xA1);
  exported.keys[1] = MacroKey(0xA1);
  exported.keys[2] = MacroKey(0xB2);
  exported.keys[3] = MacroKey(0xC3);
  exported.keys[4] = MacroKey(0xD4);
  exported.keys[5] = MacroKey(0xE5);  // carried by no slot
  const std::vector<uint8_t> image = ProfileExportImage(exported, theirs);
  dir.Write("theirs.kbp", AsString(image.data(), image.size()));

  library.Add(TestMacro(0xC3, u"Shared here", {{0x43, 1, 0}}));
  library.Add(TestMacro(0xD4, u"Mine", {{0x51, 1, 0}}));
  dir.Write("Mac/Jump.mck", "a file already named Jump");
  std::vector<ImportedMacro> report;
  ASSERT_EQ(Shown(ImportProfile(store, library, User() + "theirs.kbp", Mac(), settings, 0, &report)), 1);
  ASSERT_EQ(report.size(), 5u);

  const uint32_t jump = static_cast<uint32_t>(current->keys[0].macroId);
  EXPECT_NE(jump, 0xA1u);
  EXPECT_EQ(current->keys[1].macroId, current->keys[0].macroId);
  EXPECT_EQ(current->keys[3].macroId, 0xC3);  // the same macro: reused
  EXPECT_NE(current->keys[4].macroId, 0xD4);  // a different macro under that id: added
  EXPECT_EQ(current->keys[5].macroId, 0xE5);
  EXPECT_EQ(library.Count(), 5);
  EXPECT_EQ(library.FindMacroById(0xD4)->Name(), u"Mine");

  // The new macros are files of the macro folder, under names that were free.
  const MacroRecord* added = library.FindMacroById(jump);
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->Name(), u"Jump (2)");
  EXPECT_EQ(added->EventCount(), 2);
  EXPECT_EQ(uint32_t{added->dwFlags}, 0u);
  EXPECT_EQ(ReadFile(Mac() + "/Jump (2).mck"), AsString(MacroFileImage(*added).data(), kMacroRecordSize));
  EXPECT_TRUE(fs::exists(Mac() + "/Fire.mck"));
  EXPECT_TRUE(fs::exists(Mac() + "/Clash.mck"));
  EXPECT_TRUE(report[0].added);
  EXPECT_EQ(report[0].name, u"Jump (2)");
  EXPECT_FALSE(report[2].added);

  // Every imported macro key encodes.
  RecordingWindowPort boxes;
  DeviceMatrix matrix;
  KeyTable table;
  for (int i = 0; i < 5; ++i) AddKey(table, KeyRecord(static_cast<uint8_t>('A' + i), i));
  KEYINFO_2_Matrix(current->keys, table, library, matrix);
  EXPECT_TRUE(boxes.boxes.empty());
  for (int i = 0; i < 5; ++i) EXPECT_EQ(matrix[static_cast<std::size_t>(i)] & 0xFF, 0x02u);
}
