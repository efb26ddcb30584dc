// SPDX-License-Identifier: GPL-2.0-or-later
// Configuring from the command line: set-key, lighting, key-colour, rename, reset and the
// profile and macro files change the stored profiles with the rules the windows use, refuse
// bad input with exit status 2 without changing anything, and a profile built with them
// reaches the keyboard as the same profile built through the windows' operations does.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/program_settings.h"
#include "macro/macro_library.h"
#include "macro/macro_limits.h"
#include "macro/macro_record.h"
#include "macro/macro_scan.h"
#include "model/profile_edit.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "platform/virtual_keys.h"
#include "tests/support/test_support.h"
#include "text/text_table.h"

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kSimulator = {"TASTOR_SIM_DIR=", "TASTOR_SIM_ABSENT=", "TASTOR_SIM_KEYBOARDS=",
                                             "TASTOR_SIM_FAIL_TRANSFERS=", "TASTOR_SIM_NO_PERMISSION=",
                                             "TASTOR_SIM_NO_PAUSES=1"};

class CliConfigure : public ::testing::Test {
 protected:
  RunResult Cli(const std::vector<std::string>& args, const TempDir* user = nullptr) {
    std::vector<std::string> argv = {BinDir() + "tastor-cli", "--user-dir", (user ? *user : user_).path()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, kSimulator);
  }
  // Runs a command that must succeed.
  std::string Ok(const std::vector<std::string>& args, const TempDir* user = nullptr) {
    const RunResult r = Cli(args, user);
    EXPECT_EQ(0, r.status) << args[0] << ": " << r.err;
    return r.out;
  }
  // A macro file in the user's library.
  static void WriteMacro(const TempDir& user, const std::string& relative, uint32_t id, std::u16string_view name) {
    MacroRecord macro = MakeDefaultMacro(id, name);
    macro.Events[0] = {0x42, 1, 120};
    macro.Events[1] = {0x42, 0, 0};
    const auto image = MacroFileImage(macro);
    user.Write("Mac/" + relative, std::string(image.begin(), image.end()));
  }
  std::string Profiles() const { return ReadFile(user_.path() + "pro.dct"); }
  // The stored profile at a place of the store.
  Profile Stored(int position) const {
    const ProfileFileRead read = ReadProfileSlots(user_.path() + "pro.dct", AppSettings());
    EXPECT_EQ(read.state, ProfileFileState::kLoaded) << read.reason;
    return read.profileSlots[static_cast<std::size_t>(position - 1)].profile;
  }
  // The index of the key table record whose key is vk.
  static int KeyOf(const AppSettings& s, uint8_t vk) {
    for (int i = 0; i < s.KeyTable.count; ++i) {
      if (s.KeyTable.keys[static_cast<std::size_t>(i)].key1 == vk) return i;
    }
    return -1;
  }
  TempDir user_;
};

TEST_F(CliConfigure, SetKeyStoresCombinationMediaMacroAndDefault) {
  WriteMacro(user_, "Burst.mck", 0x123456, u"Burst");
  AppSettings s;
  LoadSettings(BinDir(), s);
  const int f1 = KeyOf(s, VK_F1), a = KeyOf(s, 'A');

  Ok({"set-key", "F1", "--combo", "L-Ctrl + Shift + C"});
  Profile p = Stored(1);
  const KeyFunction& k = p.keys[static_cast<std::size_t>(f1)];
  EXPECT_EQ(KeyFunction::MakeCode(KIND_KEY, 0), k.code);
  EXPECT_EQ(MOD_LCTRL | MOD_LSHIFT, k.modifiers);
  EXPECT_EQ('C', k.key1);
  EXPECT_EQ(s.KeyTable.keys[static_cast<std::size_t>(f1)].matrixPos, k.matrixPos);  // mirrors the key table

  std::string out = Ok({"set-key", "--profile", "2", "a", "--media", "volume UP", "--json"});
  EXPECT_TRUE(Has(out, "\"changed\": true")) << out;
  EXPECT_EQ(0x04000026u, Stored(2).keys[static_cast<std::size_t>(a)].code);

  Ok({"set-key", "#" + std::to_string(a), "--macro", "burst"});
  EXPECT_EQ(0x123456, Stored(1).keys[static_cast<std::size_t>(a)].macroId);
  EXPECT_EQ(KIND_MACRO, Stored(1).keys[static_cast<std::size_t>(a)].Kind());

  Ok({"set-key", "A", "--default"});
  EXPECT_EQ(0, std::memcmp(&Stored(1).keys[static_cast<std::size_t>(a)], &s.KeyTable.keys[static_cast<std::size_t>(a)],
                           sizeof(KeyFunction)));
  // The same combination again stores nothing.
  out = Ok({"set-key", "F1", "--combo", "Ctrl+Shift+C"});
  EXPECT_TRUE(Has(out, "already is")) << out;
}

TEST_F(CliConfigure, RefusedInputExitsTwoAndChangesNothing) {
  WriteMacro(user_, "Work/Same.mck", 0x111111, u"Same");
  WriteMacro(user_, "Games/Same.mck", 0x222222, u"Same");
  Ok({"set-key", "F1", "--combo", "B"});
  const std::string before = Profiles();
  const std::vector<std::vector<std::string>> refused = {
      {"set-key", "F1"},                                      // no function
      {"set-key", "F1", "--combo", "A", "--default"},         // two functions
      {"set-key", "Nokey", "--default"},                      // unknown key
      {"set-key", "#500", "--default"},                       // beyond the key table
      {"set-key", "Fn", "--combo", "A"},                      // locked (KeyNotSet=FA)
      {"set-key", "F1", "--combo", "Ctrl + Blah"},            // unknown key in the combination
      {"set-key", "F1", "--combo", "A + B + C"},              // three keys
      {"set-key", "F1", "--media", "Louder"},                 // not in the media list
      {"set-key", "F1", "--macro", "Missing"},                // not in the library
      {"set-key", "F1", "--macro", "Same"},                   // two macros of that name
      {"set-key", "--profile", "9", "F1", "--default"},       // no such profile
      {"set-key", "--profile", "x", "F1", "--default"},
      {"set-key", "F1", "--default", "--bogus"},              // unknown option
      {"lighting", "--mode", "Disco"},
      {"lighting", "--mode", "Static", "--speed", "3"},       // Static has no speed
      {"lighting", "--mode", "Breathing", "--speed", "9"},    // beyond SpeedVal 1..5
      {"lighting", "--mode", "Wave", "--group", "FPS"},       // groups belong to the game mode
      {"lighting", "--mode", "Game", "--group", "Nope"},
      {"key-colour", "A", "on"},                              // not in a custom group
      {"key-colour", "A", "blue"},
      {"rename", "A name far too long to keep"},
      {"rename", "  "},
      {"reset", "extra"},
      {"import-profile", "/nonexistent.kbp"},
      {"export-macro", "Missing", "/tmp/x.mck"},
      {"import-macro", "--folder", "Nowhere", "/nonexistent.mck"},
  };
  for (const auto& args : refused) {
    const RunResult r = Cli(args);
    EXPECT_EQ(2, r.status) << args[0] << " " << args.back() << ": " << r.err;
    EXPECT_TRUE(Has(r.err, "tastor-cli: ")) << args.back();
    EXPECT_TRUE(before == Profiles()) << args.back();
  }
  EXPECT_TRUE(Has(Cli({"set-key", "F1", "--macro", "Same"}).err, "\"Games/Same\"")) << "candidates are named";
  EXPECT_TRUE(Has(Cli({"set-key", "F1", "--media", "Louder"}).err, "\"Volume up\""));
  EXPECT_TRUE(Has(Cli({"lighting", "--mode", "Disco"}).err, "\"Breathing\""));
  // The folder part picks one of the macros that share a name.
  Ok({"set-key", "F1", "--macro", "Games/Same"});
}

TEST_F(CliConfigure, AMacroBeyondTheKeyboardsSlotsIsRefused) {
  std::vector<std::string> keys = {"Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "A"};
  for (int n = 0; n < 11; ++n) {
    WriteMacro(user_, "m" + std::string(1, static_cast<char>('a' + n)) + ".mck", 0x300000u + static_cast<uint32_t>(n),
               u"m" + std::u16string(1, static_cast<char16_t>(u'a' + n)));
  }
  for (int n = 0; n < 10; ++n) Ok({"set-key", keys[static_cast<std::size_t>(n)], "--macro", "m" + std::string(1, 'a' + n)});
  const std::string before = Profiles();
  const RunResult r = Cli({"set-key", "A", "--macro", "mk"});
  EXPECT_EQ(2, r.status);
  EXPECT_TRUE(Has(r.err, "10 macro slots")) << r.err;
  EXPECT_TRUE(before == Profiles());
  // A macro already on a key may go on one more.
  Ok({"set-key", "A", "--macro", "ma"});
}

TEST_F(CliConfigure, LightingKeyColourRenameAndReset) {
  std::string out = Ok({"lighting", "--profile", "3", "--mode", "breathing", "--speed", "4", "--brightness", "2"});
  EXPECT_TRUE(Has(out, "Profile 3 \"Profile 3\": lighting mode 2 Breathing, speed 4, brightness 2")) << out;
  Profile p = Stored(3);
  EXPECT_EQ(2, p.ledMode);
  EXPECT_EQ(4, p.modeSettings[2].speed);
  EXPECT_EQ(2, p.modeSettings[2].brightness);

  Ok({"lighting", "--profile", "3", "--mode", "Game", "--group", "Custom 2"});
  Ok({"key-colour", "--profile", "3", "W", "on"});
  out = Ok({"lighting", "--profile", "3", "--json"});
  EXPECT_TRUE(Has(out, "\"modeName\": \"Game\"")) << out;
  EXPECT_TRUE(Has(out, "\"groupName\": \"Custom 2\""));
  AppSettings s;
  LoadSettings(BinDir(), s);
  p = Stored(3);
  EXPECT_EQ(9, p.colourGroup);
  const int w = KeyOf(s, 'W');
  EXPECT_EQ(s.clrGaoshou, p.colours[9][static_cast<std::size_t>(s.KeyTable.keys[static_cast<std::size_t>(w)].matrixPos)]);
  Ok({"key-colour", "--profile", "3", "W", "off"});
  EXPECT_EQ(0u, Stored(3).colours[9][static_cast<std::size_t>(s.KeyTable.keys[static_cast<std::size_t>(w)].matrixPos)]);

  out = Ok({"rename", "--profile", "3", "Späť"});
  EXPECT_EQ(u"Späť", Stored(3).Name());
  const uint32_t id = Stored(3).id;
  Ok({"set-key", "--profile", "3", "F1", "--combo", "X"});
  Ok({"reset", "--profile", "3"});
  p = Stored(3);
  EXPECT_EQ(id, p.id);
  EXPECT_EQ(u"Späť", p.Name());
  EXPECT_EQ(0, ChangedKeyCount(p, s.KeyTable));
  EXPECT_EQ(s.LEDParam[0], p.ledMode);
}

TEST_F(CliConfigure, ProfileAndMacroFilesGoOutAndComeBack) {
  WriteMacro(user_, "Burst.mck", 0x123456, u"Burst");
  Ok({"set-key", "F2", "--macro", "Burst"});
  Ok({"rename", "Source"});
  const std::string kbp = user_.path() + "out/source.kbp";
  fs::create_directories(user_.path() + "out");
  Ok({"export-profile", kbp});
  EXPECT_EQ(kKbpFileSize, ReadFile(kbp).size());
  EXPECT_EQ(2, Cli({"export-profile", kbp}).status);  // exists
  Ok({"export-profile", "--force", kbp});

  // Into another user folder: the macro comes with the profile; name and id stay.
  TempDir other;
  const std::string out = Ok({"import-profile", "--profile", "2", kbp, "--json"}, &other);
  EXPECT_TRUE(Has(out, "\"added\": true")) << out;
  EXPECT_TRUE(fs::exists(other.path() + "Mac/Burst.mck"));
  const ProfileFileRead read = ReadProfileSlots(other.path() + "pro.dct", AppSettings());
  ASSERT_EQ(read.state, ProfileFileState::kLoaded) << read.reason;
  const auto& slots = read.profileSlots;
  EXPECT_EQ(u"Profile 2", slots[1].profile.Name());
  EXPECT_EQ(1, ChangedKeyCount(slots[1].profile, [] {
              AppSettings s;
              LoadSettings(BinDir(), s);
              return s.KeyTable;
            }()));

  const std::string mck = user_.path() + "out/burst.mck";
  Ok({"export-macro", "Burst", mck});
  EXPECT_EQ(ReadFile(user_.path() + "Mac/Burst.mck"), ReadFile(mck));
  TempDir third;
  third.Write("Mac/Games/keep.txt", "");
  Ok({"import-macro", "--folder", "Games", mck}, &third);
  EXPECT_TRUE(fs::exists(third.path() + "Mac/Games/burst.mck"));
  // The same name again in that folder is refused.
  EXPECT_EQ(2, Cli({"import-macro", "--folder", "Games", mck}, &third).status);
}

// A profile built only with tastor-cli and the same profile built through the operations
// the windows call give the keyboard the same reports.
TEST_F(CliConfigure, CommandLineProfileReachesTheKeyboardAsTheWindowsProfileDoes) {
  TempDir windows;
  WriteMacro(user_, "Burst.mck", 0x123456, u"Burst");
  WriteMacro(windows, "Burst.mck", 0x123456, u"Burst");

  Ok({"set-key", "F1", "--combo", "L-Ctrl + C"});
  Ok({"set-key", "F2", "--media", "Mute"});
  Ok({"set-key", "F3", "--macro", "Burst"});
  Ok({"set-key", "B", "--combo", "R-Alt + Num 1"});
  Ok({"set-key", "B", "--default"});
  Ok({"lighting", "--mode", "Breathing", "--speed", "4", "--brightness", "2"});
  Ok({"lighting", "--mode", "Game", "--group", "Custom 1"});
  Ok({"key-colour", "W", "on"});
  Ok({"key-colour", "A", "on"});
  Ok({"key-colour", "A", "off"});
  Ok({"key-colour", "S", "on"});
  Ok({"--simulate", "apply"});

  // The windows' way: the picker's choice stored with StoreKeyFunction, the lighting panel's
  // state with StoreLighting, in a store filled as start-up fills it.
  {
    AppSettings& s = Settings();
    LoadSettings(BinDir(), s);
    Limits() = DeriveMacroLimits(s);
    TextTable::Instance().Load(BinDir() + "text.xml");
    MacroLibrary library;
    LoadMacroLibrary(library, windows.path() + "Mac", s);
    ProfileStore store;
    LoadProfilesAtStartup(store, windows.path(), s, TextTable::Instance().tc_proname);
    Profile& p = *store.Current();
    // What the picker's OK gives: the code and its own fields, every other field 0.
    auto pick = [&](uint8_t vk, uint32_t code, uint8_t modifiers, uint8_t key1, int32_t macroId) {
      KeyFunction f{};
      f.code = code;
      f.modifiers = modifiers;
      f.key1 = key1;
      f.macroId = macroId;
      StoreKeyFunction(p, KeyOf(s, vk), f, s.KeyTable, library, Limits().bufferCount);
    };
    pick(VK_F1, 0x02000000, MOD_LCTRL, 'C', 0);
    pick(VK_F1 + 1, 0x04000028, 0, 0, 0);
    pick(VK_F1 + 2, 0x05000000, 0, 0, 0x123456);
    pick('B', 0x02000000, MOD_RALT, VK_NUMPAD0 + 1, 0);
    StoreKeyFunction(p, KeyOf(s, 'B'), s.KeyTable.keys[static_cast<std::size_t>(KeyOf(s, 'B'))], s.KeyTable, library,
                     Limits().bufferCount);
    // Breathing (mode 2), then the sliders.
    MarkColourGroupEdited(p);
    StoreLighting(p, {2, p.modeSettings[2].speed, p.modeSettings[2].brightness, p.colourGroup},
                  PictureColours(p, 2, s), s);
    StoreLighting(p, {2, 4, 2, p.colourGroup}, PictureColours(p, 2, s), s);
    // The game mode, the colour group Custom 1 (8), then the swatches on W, A, A, S.
    MarkColourGroupEdited(p);
    StoreLighting(p, {1, p.modeSettings[1].speed, p.modeSettings[1].brightness, p.colourGroup},
                  PictureColours(p, 1, s), s);
    p.colourGroup = 8;
    for (auto [vk, colour] : {std::pair<uint8_t, COLORREF>{'W', s.clrGaoshou}, {'A', s.clrGaoshou}, {'A', 0},
                              {'S', s.clrGaoshou}}) {
      auto colours = PictureColours(p, 1, s);
      colours[static_cast<std::size_t>(KeyOf(s, vk))] = colour;
      StoreLighting(p, {1, p.modeSettings[1].speed, p.modeSettings[1].brightness, p.colourGroup}, colours, s);
    }
    ASSERT_EQ(1, SaveProfiles(store, windows.path()));
  }
  Ok({"--simulate", "apply"}, &windows);

  for (const char* report : {"report-09.bin", "report-10.bin", "report-11.bin", "report-12.bin"}) {
    const std::string cli = ReadFile(user_.path() + "sim/" + report);
    ASSERT_FALSE(cli.empty()) << report;
    EXPECT_EQ(cli, ReadFile(windows.path() + "sim/" + report)) << report;
  }
  // And the profiles themselves, but for their random ids.
  Profile a = Stored(1);
  const ProfileFileRead read = ReadProfileSlots(windows.path() + "pro.dct", AppSettings());
  ASSERT_EQ(read.state, ProfileFileState::kLoaded) << read.reason;
  Profile b = read.profileSlots[0].profile;
  a.id = b.id = 0;
  EXPECT_EQ(0, std::memcmp(&a, &b, sizeof(Profile)));
}

TEST_F(CliConfigure, EveryCommandHasHelp) {
  for (const char* command : {"set-key", "lighting", "key-colour", "rename", "reset", "export-profile",
                              "import-profile", "export-macro", "import-macro", "autostart"}) {
    const RunResult r = Cli({command, "--help"});
    EXPECT_EQ(0, r.status) << command;
    EXPECT_TRUE(Has(r.out, std::string("Usage: tastor-cli ") + command)) << r.out;
  }
  EXPECT_FALSE(fs::exists(user_.path() + "pro.dct"));
}

}  // namespace
