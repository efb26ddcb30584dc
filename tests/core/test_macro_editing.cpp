// SPDX-License-Identifier: GPL-2.0-or-later
// The macro editor's rules without a window, and the library commands on disk: the
// recorder (limit, repeats, clamped delays), Save's tidy-up and conversion, the loop count,
// names that would leave the macro folder, renames that never replace, folder deletes and
// copies, and the import's 39-character name.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/settings.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_library_commands.h"
#include "macro/macro_transfer.h"
#include "model/macro_editing.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;

namespace {

std::string Bytes(const MacroRecord& record) {
  const auto image = MacroFileImage(record);
  return std::string(image.begin(), image.end());
}

}  // namespace

TEST(MacroRecorder, KeepsTheLimitIgnoresRepeatsAndClampsDelays) {
  MacroRecorder recorder;
  MacroLimits limits;  // 62 events
  recorder.Start();
  int kept = 0;
  int64_t now = 0;
  for (int i = 0; i < 70; ++i) {
    // Each key pressed and released in turn.
    if (recorder.OnKey('A' + (i / 2) % 20, i % 2 == 0 ? 0 : 0x80, now += 10, false, kept == 0, 0, limits)) ++kept;
  }
  EXPECT_EQ(62, kept);

  recorder.Start();
  auto first = recorder.OnKey('Z', 0, 1000, true, true, 0, limits);
  ASSERT_TRUE(first);
  EXPECT_FALSE(first->delay);  // the first item has no delay before it
  EXPECT_FALSE(recorder.OnKey('Z', 0, 1200, true, false, 0, limits));  // a held key repeats
  auto release = recorder.OnKey('Z', 0x80, 1000 + 50'000, true, false, 0, limits);
  ASSERT_TRUE(release && release->delay);
  EXPECT_EQ(40950u, *release->delay);
  EXPECT_EQ((EventItem{EventItem::RELEASE, 'Z'}), release->key);
  // With the box off no delays at all.
  auto again = recorder.OnKey('Z', 0, 60'000, false, false, 0, limits);
  ASSERT_TRUE(again);
  EXPECT_FALSE(again->delay);
}

TEST(MacroRecorder, AReleaseWhosePressTheRecordingDidNotTakeIsNotRecorded) {
  MacroRecorder recorder;
  MacroLimits limits;
  recorder.Start();
  // Enter pressed in a message box shown while recording: its release reaches the editor.
  EXPECT_FALSE(recorder.OnKey(0x0D, 0x80, 100, true, true, 0, limits));
  EXPECT_EQ(0, recorder.Accepted());  // not counted either
  ASSERT_TRUE(recorder.OnKey(0x11, 0, 200, true, true, 0, limits));
  ASSERT_TRUE(recorder.OnKey(0x11, 0x80, 300, true, false, 0, limits));
  EXPECT_FALSE(recorder.OnKey(0x41, 0x80, 400, true, false, 0, limits));
  // A new recording holds no key from the last one.
  recorder.Start();
  ASSERT_TRUE(recorder.OnKey(0x41, 0, 500, true, true, 0, limits));
  recorder.Start();
  EXPECT_FALSE(recorder.OnKey(0x41, 0x80, 600, true, true, 0, limits));
}

TEST(MacroSave, TidiesMergesAndConverts) {
  std::vector<EventItem> list = {{EventItem::DELAY, 5},   {EventItem::RELEASE, 'A'}, {EventItem::PRESS, 'A'},
                                 {EventItem::PRESS, 'A'}, {EventItem::DELAY, 100},   {EventItem::DELAY, 250},
                                 {EventItem::RELEASE, 'A'}, {EventItem::DELAY, 30000}, {EventItem::DELAY, 30000}};
  TidyEventList(list);
  EXPECT_EQ((std::vector<EventItem>{{EventItem::PRESS, 'A'}, {EventItem::DELAY, 350}, {EventItem::RELEASE, 'A'},
                                    {EventItem::DELAY, 60000}}),
            list);
  MacroRecord r = MakeDefaultMacro(1, u"m");
  r.Events[5] = {'Q', 1, 9};
  EXPECT_EQ(0, StoreEventList(list, r));
  EXPECT_EQ(2, r.EventCount());
  EXPECT_EQ(350u, uint32_t{r.Events[0].dwDelay});
  EXPECT_EQ(60000u, uint32_t{r.Events[1].dwDelay});  // sums are not clamped
  EXPECT_EQ(0, uint16_t{r.Events[5].wKeyCode});
  // A key item of code 0 is kept and counted, for the editor's "Capture keycode=0" box.
  EXPECT_EQ(1, StoreEventList({{EventItem::PRESS, 0}, {EventItem::PRESS, 'B'}}, r));
  EXPECT_EQ(0, uint16_t{r.Events[0].wKeyCode});
  EXPECT_EQ('B', uint16_t{r.Events[1].wKeyCode});

  // A list without a press keeps nothing.
  std::vector<EventItem> releases = {{EventItem::RELEASE, 'A'}, {EventItem::DELAY, 10}};
  TidyEventList(releases);
  EXPECT_TRUE(releases.empty());
}

TEST(MacroSave, ShowsEventsAndDelaysAsStoredAndChecksTheLoopCount) {
  MacroRecord r = MakeDefaultMacro(1, u"m");
  r.Events[0] = {'A', 1, 95};
  r.Events[1] = {'A', 0, 0};
  EXPECT_EQ((std::vector<EventItem>{{EventItem::PRESS, 'A'}, {EventItem::DELAY, 95}, {EventItem::RELEASE, 'A'}}),
            EventListOf(r));
  r.dwAutoDelay = 0;
  EXPECT_EQ(2u, EventListOf(r).size());
  EXPECT_EQ(u"95 ms", DelayText(95));

  EXPECT_EQ(LoopCountCheck::Empty, CheckLoopCount(u""));
  EXPECT_EQ(LoopCountCheck::Valid, CheckLoopCount(u"255"));
  EXPECT_EQ(LoopCountCheck::Refused, CheckLoopCount(u"300"));
  EXPECT_EQ(LoopCountCheck::Refused, CheckLoopCount(u"0"));
  EXPECT_EQ(u"Loop Count = 1 ~ 255", LoopCountMessage());
  EXPECT_EQ(1, LoopCountOf(u"x"));

  EXPECT_EQ(0xA3u, CapturedEventKey(0x10, 0));
  EXPECT_EQ(0x5Bu, CapturedEventKey(0x08, 0));
  EXPECT_EQ('K', CapturedEventKey(0x01, 'K'));
  EXPECT_EQ(0u, CapturedEventKey(0, 0));
}

TEST(MacroNames, NamesThatWouldLeaveTheMacroFolderAreRefusedWherePathsAreBuilt) {
  for (const char16_t* bad : {u"", u".", u"..", u"a/b", u"a\\b", u"tab\there"}) {
    EXPECT_FALSE(ItemNameProblem(bad).empty()) << ToUtf8(bad);
  }
  EXPECT_FALSE(ItemNameProblem(std::u16string(300, u'x')).empty());
  EXPECT_TRUE(ItemNameProblem(u"Jump & run").empty());
  EXPECT_EQ(u"Combo", CutBeforeLastDot(u"Combo.old"));
  EXPECT_EQ(u"", CutBeforeLastDot(u".x"));

  std::string path;
  EXPECT_FALSE(TreeItem_To_FilePath("/m/Mac", {{u"..", u"x"}, false, 1}, path));
  EXPECT_FALSE(TreeItem_To_FilePath("/m/Mac", {{u"a/../../b"}, false, 1}, path));
  EXPECT_TRUE(TreeItem_To_FilePath("/m/Mac", {{u"Games", u"Jump"}, false, 1}, path));
  EXPECT_EQ("/m/Mac/Games/Jump.mck", path);
}

class MacroDiskTest : public ::testing::Test {
 protected:
  void SetUp() override { TextTable::Instance().Load(BinDir() + "text.xml"); }
  std::string Mac() const { return dir_.path() + "Mac"; }
  TempDir dir_;
  RecordingWindowPort port_;
  MacroLibrary library_;
};

TEST_F(MacroDiskTest, RenameNeverReplacesAFileAndAFolderNotOnDiskJustTakesTheName) {
  MacroRecord a = MakeDefaultMacro(1, u"Jump");
  library_.Add(a);
  dir_.Write("Mac/Jump.mck", Bytes(a));
  dir_.Write("Mac/Hidden.mck", "not in the tree");
  EXPECT_EQ(0, Shown(RenameLibraryItem(library_, Mac(), {{u"Jump"}, false, 1}, u"Hidden")));
  EXPECT_EQ("not in the tree", ReadFile(Mac() + "/Hidden.mck"));
  EXPECT_TRUE(fs::exists(Mac() + "/Jump.mck"));
  EXPECT_EQ(u"Jump", library_.FindMacroById(1)->Name());
  ASSERT_FALSE(port_.Texts().empty());
  EXPECT_EQ(0u, port_.Texts().back().rfind(u"Rename failed. err=0x", 0));

  EXPECT_EQ(1, Shown(RenameLibraryItem(library_, Mac(), {{u"Never"}, true, 0}, u"Written")));
  dir_.Write("Mac/Games/Games.png", "image");
  EXPECT_EQ(1, Shown(RenameLibraryItem(library_, Mac(), {{u"Games"}, true, 0}, u"Sports")));
  EXPECT_TRUE(fs::exists(Mac() + "/Sports/Sports.png"));
}

TEST_F(MacroDiskTest, FolderDeletesRemoveLinksNotWhatTheyNameAndCopiesNeverEnterThemselves) {
  TempDir outside;
  outside.Write("keep.txt", "keep");
  dir_.Write("Mac/Games/Jump.mck", "x");
  fs::create_directory_symlink(outside.path(), Mac() + "/Games/link");
  EXPECT_EQ(1, Shown(DeleteMacroFolder(Mac() + "/Games")));
  EXPECT_FALSE(fs::exists(Mac() + "/Games"));
  EXPECT_EQ("keep", ReadFile(outside.path() + "keep.txt"));
  EXPECT_EQ(1, Shown(DeleteMacroFolder(Mac() + "/Never")));  // never written

  dir_.Write("Mac/Pack/a.mck", "a");
  EXPECT_EQ(0, CopyMacroFolder(Mac() + "/Pack", Mac() + "/Pack/Inner"));
  EXPECT_FALSE(fs::exists(Mac() + "/Pack/Inner/Pack"));
  std::string copy;
  EXPECT_EQ(1, CopyMacroFolder(Mac() + "/Pack", outside.path(), &copy));
  EXPECT_EQ("a", ReadFile(copy + "/a.mck"));
}

TEST_F(MacroDiskTest, ImportChecksTheNameTheFileReallyGets) {
  const std::u16string sibling(39, u'L');
  const std::string siblingFile = Mac() + "/" + ToUtf8(sibling) + ".mck";
  dir_.Write("Mac/" + ToUtf8(sibling) + ".mck", "sibling");
  TempDir outside;
  const std::string source = outside.Write(ToUtf8(sibling) + "XYZ.mck", Bytes(MakeDefaultMacro(5, u"i")));
  // The tree lists the sibling: refused.
  EXPECT_EQ(0u, Shown(ImportMacro(library_, Mac(), {}, {sibling}, source, 0)));
  // Even a file the tree does not list is never overwritten.
  EXPECT_EQ(0u, Shown(ImportMacro(library_, Mac(), {}, {}, source, 0)));
  EXPECT_EQ("sibling", ReadFile(siblingFile));
  EXPECT_EQ(0, library_.Count());

  const std::string dotted = outside.Write(".mck", Bytes(MakeDefaultMacro(6, u"i")));
  EXPECT_EQ(0u, Shown(ImportMacro(library_, Mac(), {}, {}, dotted, 0)));
  const std::string good = outside.Write("Dash.mck", Bytes(MakeDefaultMacro(7, u"i")));
  std::u16string title;
  EXPECT_NE(0u, Shown(ImportMacro(library_, Mac(), {}, {}, good, 0, &title)));
  EXPECT_EQ(u"Dash", title);
  EXPECT_TRUE(fs::exists(Mac() + "/Dash.mck"));
}
