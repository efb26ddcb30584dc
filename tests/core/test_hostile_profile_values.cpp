// SPDX-License-Identifier: GPL-2.0-or-later
// Profiles from files hold whatever the file held: every value the program uses as an
// index is brought into range when a profile is read (pro.dct and .kbp alike) while a
// profile in range loads byte for byte; the consumers check at their own indexes too; a
// pro.dct that cannot be read is kept aside before the program starts afresh, or refused;
// and names that become file names lose their format characters.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "macro/macro_library.h"
#include "macro/macro_library_commands.h"
#include "macro/macro_transfer.h"
#include "model/profile_edit.h"
#include "model/profile_files.h"
#include "model/profile_sanitize.h"
#include "model/profile_store.h"
#include "tests/core/test_model_support.h"
#include "tests/support/test_support.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace fs = std::filesystem;

namespace {

std::string Image(const Profile& p) {
  std::array<uint8_t, kProfileSize> bytes;
  ProfileToBytes(p, bytes);
  return AsString(bytes.data(), bytes.size());
}

// A profile with each hostile value a file can carry.
Profile Hostile(const AppSettings& s, uint32_t id, int32_t mode, uint16_t group) {
  Profile p = MakeProfile(id, u"Wild", s);
  p.ledMode = mode;
  p.colourGroup = group;
  p.modeSettings[3] = {200, 9};  // beyond SpeedVal 1..5 and LightVal 0..5
  p.keys[4].code = 0x7F000011;    // no such kind
  p.keys[5].matrixPos = 200;
  p.keys[6].rect = {30, 0, -5, 9};
  p.name.fill(u'N');
  p.linkedProgram.fill(u'g');
  return p;
}

void ExpectInRange(const Profile& p, const AppSettings& s) {
  EXPECT_EQ(p.ledMode, 2);  // LEDParam's mode
  EXPECT_EQ(p.colourGroup, 0);
  EXPECT_EQ(p.modeSettings[3].speed, 5);
  EXPECT_EQ(p.modeSettings[3].brightness, 5);
  EXPECT_EQ(0, std::memcmp(&p.keys[4], &s.KeyTable.keys[4], sizeof(KeyFunction)));
  EXPECT_EQ(p.keys[5].matrixPos, s.KeyTable.keys[5].matrixPos);
  EXPECT_EQ(p.keys[6].rect.right, s.KeyTable.keys[6].rect.right);
  EXPECT_EQ(p.Name(), std::u16string(19, u'N'));
  EXPECT_EQ(p.LinkedProgram().size(), 259u);
}

struct HostileValues : ::testing::Test {
  TempDir dir;
  AppSettings settings = TestSettings();
  RecordingWindowPort port;
  std::string User() const { return dir.path(); }
  void WriteStore(const std::vector<Profile>& profiles) {
    std::string file;
    for (const Profile& p : profiles) file += Image(p);
    file.resize(kProfileFileSize, '\0');
    dir.Write("pro.dct", file);
  }
  std::vector<std::string> DamagedCopies() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(User())) {
      if (e.path().filename().string().rfind("pro.dct.damaged-", 0) == 0) names.push_back(e.path().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace

TEST_F(HostileValues, ProfilesInRangeLoadByteForByte) {
  Profile edited = MakeProfile(0x11, u"Mine", settings);
  edited.keys[3] = MacroKey(0x123);
  edited.keys[3].macroId = -7;  // any id: it names a macro or none
  edited.keys[8] = Combination(0xFF, 0xFF, 250);
  edited.modeSettings[2] = {0, 0};  // what the panel stores for sliders outside their range
  edited.ledMode = 29;
  edited.colourGroup = 14;
  EXPECT_TRUE(SanitizeProfile(edited, settings).empty());
  WriteStore({edited, MakeProfile(0x22, u"Two", settings)});
  ProfileStore store;
  ASSERT_EQ(LoadProfiles(store, User(), settings).loaded, 2);
  EXPECT_EQ(Image(*store.FindById(0x11)), Image(edited));
  const auto image = ProfileFileImage(store);
  EXPECT_EQ(AsString(image.data(), image.size()), ReadFile(User() + "pro.dct"));
}

TEST_F(HostileValues, StoredAndImportedProfilesAreBroughtIntoRangeAndLogged) {
  LogRecorder log;
  WriteStore({Hostile(settings, 0x4242, 0x7FFFFFFF, 15), Hostile(settings, 0x4343, -1, 0xFFFF)});
  ProfileStore store;
  ASSERT_EQ(LoadProfiles(store, User(), settings).loaded, 2);
  for (const Profile* p : store.Profiles()) ExpectInRange(*p, settings);
  EXPECT_TRUE(log.Has("Profile 0x4242: lighting mode 2147483647 -> 2"));
  EXPECT_TRUE(log.Has("Profile 0x4343: colour group 65535 -> 0"));
  EXPECT_TRUE(log.Has("Profile 0x4242: key 5: matrix position 200 -> 5"));

  Profile* current = store.First();
  store.SetCurrent(current->id);
  std::string kbp = Image(Hostile(settings, 0x4242, 0x7FFFFFFF, 15));
  kbp.resize(kKbpFileSize, '\0');
  dir.Write("wild.kbp", kbp);
  MacroLibrary library;
  ASSERT_EQ(Shown(ImportProfile(store, library, User() + "wild.kbp", User() + "Mac", settings, 0)), 1);
  ExpectInRange(*store.Current(), settings);
  EXPECT_TRUE(log.Has("ImportProfile: profile 0x4242: key 4: function 0x7f000011 of no known kind -> the key table's"));
}

TEST_F(HostileValues, ConsumersCheckTheirOwnIndexes) {
  Profile p = MakeProfile(0x11, u"Mine", settings);
  p.ledMode = settings.GaoshouIndex;
  p.colourGroup = 15;  // as a profile that did not pass the loader would hold it
  EXPECT_FALSE(ColourEditingAllowed(p, settings)) << "group 15 would be edited as group 0";
  EXPECT_EQ(ColourGroupName(TextTable::Instance(), 15), u"");
  p.ledMode = 0x7FFFFFFF;
  EXPECT_EQ(ModeSettingOf(p, p.ledMode).speed, 0);
  // A mode that is no lighting mode index is not stored.
  p.ledMode = 3;
  StoreLighting(p, {-1, 2, 2, 0}, PictureColours(p, 3, settings), settings);
  EXPECT_EQ(p.ledMode, 3);
  // A Modes value beyond the mode table offers no mode.
  TextTable texts;
  texts.tc_led_mode[0] = u"Static";
  texts.tc_led_mode[1] = u"Game";
  AppSettings wide = settings;
  wide.Modes[1] = 40;
  EXPECT_EQ(LightingModeItems(texts, wide), (std::vector<ChoiceItem>{{0, u"Static"}}));
}

TEST_F(HostileValues, DamagedStoreIsKeptBeforeTheProgramStartsAfresh) {
  const std::string damaged = Image(MakeProfile(0x11, u"Mine", settings)) + std::string(kProfileFileSize - kProfileSize - 1, '\0');
  dir.Write("pro.dct", damaged);
  // tastor-cli's rule: nothing loaded, nothing kept, nothing written.
  ProfileStore store;
  ProfileFileLoad load;
  EXPECT_EQ(LoadProfilesAtStartup(store, User(), settings, u"P", DamagedProfiles::kRefuse, &load), 0u);
  EXPECT_EQ(load.state, ProfileFileState::kDamaged);
  EXPECT_TRUE(Has(load.reason, User() + "pro.dct") && Has(load.reason, "63979")) << load.reason;
  EXPECT_EQ(store.Count(), 0);
  EXPECT_TRUE(DamagedCopies().empty());

  // The program's start: a copy byte for byte, then three new profiles; the next start
  // does not copy the same bytes again.
  LogRecorder log;
  LoadProfilesAtStartup(store, User(), settings, u"P", DamagedProfiles::kKeepCopy, &load);
  EXPECT_EQ(store.Count(), 3);
  ASSERT_EQ(DamagedCopies(), std::vector<std::string>{load.keptCopy});
  EXPECT_EQ(ReadFile(load.keptCopy), damaged);
  EXPECT_EQ(ReadFile(User() + "pro.dct"), damaged);
  EXPECT_TRUE(log.Has("LoadProfiles: " + load.reason + "; kept as " + load.keptCopy + ", new profiles are made"));
  LoadProfilesAtStartup(store, User(), settings, u"P");
  EXPECT_EQ(DamagedCopies().size(), 1u);

  // Other damage gets a copy of its own; the earlier copy is not replaced.
  dir.Write("pro.dct", "short");
  LoadProfilesAtStartup(store, User(), settings, u"P", DamagedProfiles::kKeepCopy, &load);
  ASSERT_EQ(DamagedCopies().size(), 2u);
  EXPECT_EQ(ReadFile(load.keptCopy), "short");
  for (const std::string& copy : DamagedCopies()) {
    if (copy != load.keptCopy) {
      EXPECT_EQ(ReadFile(copy), damaged);
    }
  }

  // What cannot be read at all is moved aside whole.
  fs::remove(User() + "pro.dct");
  fs::create_directories(User() + "pro.dct/inside");
  LoadProfilesAtStartup(store, User(), settings, u"P", DamagedProfiles::kKeepCopy, &load);
  EXPECT_EQ(store.Count(), 3);
  EXPECT_FALSE(fs::exists(User() + "pro.dct"));
  EXPECT_TRUE(fs::exists(load.keptCopy + "/inside"));

  // A new user still starts with three new profiles and no copy.
  TempDir fresh;
  LoadProfilesAtStartup(store, fresh.path(), settings, u"P", DamagedProfiles::kRefuse, &load);
  EXPECT_EQ(load.state, ProfileFileState::kMissing);
  EXPECT_EQ(store.Count(), 3);
}

TEST_F(HostileValues, NamesThatBecomeFileNamesLoseFormatCharacters) {
  // U+202E (right-to-left override), U+200B, U+FEFF, the tag U+E0041 and U+1D173 as
  // surrogate pairs; an emoji and a lone surrogate half stay.
  const std::u16string hostile = u"ev\u200Bil\u202Egpj\uFEFF\U000E0041\U0001D173";
  EXPECT_EQ(WithoutFormatCharacters(hostile), u"evilgpj");
  EXPECT_EQ(WithoutFormatCharacters(u"a\U0001F600b\xD800"), u"a\U0001F600b\xD800");
  EXPECT_TRUE(IsFormatCharacter(0x00AD) && IsFormatCharacter(0xE007F) && !IsFormatCharacter(0x2065));

  std::u16string given = u"evil\u202Egpj";
  EXPECT_TRUE(Shown(CheckItemName(given)));
  EXPECT_EQ(given, u"evilgpj");
  std::u16string invisible = u"\u202E\u200B\U000E0020";
  EXPECT_FALSE(Shown(CheckItemName(invisible)));
  EXPECT_EQ(port.Texts(), std::vector<std::u16string>{u"A name cannot be empty."});
  EXPECT_FALSE(ItemNameProblem(u"x\u202Ey").empty());

  Profile p = MakeProfile(0x11, u"evil\u202Egpj", settings);
  EXPECT_EQ(ExportProfileFileName(p), u"evilgpj.kbp");

  // A .mck whose file title holds the override, and a .kbp macro named so.
  fs::create_directories(User() + "Mac");
  const auto mck = MacroFileImage(TestMacro(0x51, u"x", {{0x41, 1, 0}}));
  const std::string source = dir.Write("in/evil\u202Egpj.mck", AsString(mck.data(), mck.size()));
  MacroLibrary library;
  ASSERT_NE(Shown(ImportMacro(library, User() + "Mac", {}, {}, source, 0)), 0u);
  EXPECT_TRUE(fs::exists(User() + "Mac/evilgpj.mck"));

  ProfileStore store;
  store.Append(MakeProfile(0x70, u"Mine", settings));
  store.SetCurrent(0x70);
  Profile theirs = MakeProfile(0x55, u"Theirs", settings);
  theirs.keys[0] = MacroKey(0xA1);
  MacroSet carried({TestMacro(0xA1, u"run\u202Eexe.", {{0x41, 1, 0}})});
  const auto kbp = ProfileExportImage(theirs, carried);
  dir.Write("theirs.kbp", AsString(kbp.data(), kbp.size()));
  std::vector<ImportedMacro> report;
  ASSERT_EQ(Shown(ImportProfile(store, library, User() + "theirs.kbp", User() + "Mac", settings, 0, &report)), 1);
  ASSERT_EQ(report.size(), 1u);
  EXPECT_EQ(report[0].name, u"runexe_");
  EXPECT_TRUE(fs::exists(User() + "Mac/runexe_.mck"));
}
