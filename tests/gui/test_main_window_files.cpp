// SPDX-License-Identifier: GPL-2.0-or-later
// The main window and files another program changes: a tastor-cli edit made while the
// window runs shows in the window once the watch sees it (the selected profile stays);
// with unsaved edits of its own the window asks, and keeping them or taking the files
// gives the expected pro.dct; an Apply whose save fails says so in a message box, and so
// does a start-up that finds pro.dct damaged.
#include "tests/gui/main_window_fixture.h"

#include <filesystem>
#include <functional>

#include "tests/core/test_model_support.h"

#include "macro/macro_record.h"
#include "model/profile_edit.h"
#include "model/profile_files.h"
#include "platform/virtual_keys.h"
#include "text/utf.h"

using namespace main_window_test;

namespace {

class MainWindowFiles : public MainWindowTest {
 protected:
  RunResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {BinDir() + "tastor-cli", "--user-dir", user_.path()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv);
  }
  void CliOk(const std::vector<std::string>& args) {
    const RunResult r = Cli(args);
    ASSERT_EQ(0, r.status) << args[0] << ": " << r.err;
  }
  // Waits, with the events flowing, until the condition holds or five seconds have passed.
  static bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
      if (t.elapsed() > 5000) return false;
      Pump(10);
    }
    return true;
  }
  Profile Stored(int position) const {
    const ProfileFileRead read = ReadProfileSlots(user_.path() + "pro.dct", Settings());
    EXPECT_EQ(read.state, ProfileFileState::kLoaded) << read.reason;
    return read.profileSlots[static_cast<std::size_t>(position - 1)].profile;
  }
  std::size_t F(int n) const { return static_cast<std::size_t>(KeyOf(static_cast<uint8_t>(VK_F1 + n - 1))); }
  // The profiles of the CLI's first edit, and the code the CLI gives "Mute".
  uint32_t StoreWithMute(int key) {
    CliOk({"set-key", "F" + std::to_string(key), "--media", "Mute"});
    return Stored(1).keys[F(key)].code;
  }
  const std::u16string& Question() const { return question_; }

 private:
  std::u16string question_ =
      u"Another program changed the profiles or macros. OK keeps the changes made here (saved at the next Apply), "
      u"Cancel loads the changed files.";
};

TEST_F(MainWindowFiles, ACliEditShowsInTheWindowThatHasNoEditsOfItsOwn) {
  const uint32_t mute = StoreWithMute(3);
  TestMainWindow& w = Open();
  BoxAnswerer boxes;
  // The user looks at profile 2; the files name profile 1 as the current one.
  QTest::mouseClick(&w.ProfileButton(1), Qt::LeftButton);
  const uint32_t second = w.ProfileButtonId(1);
  ASSERT_EQ(second, CurrentProfile().id);
  ASSERT_FALSE(w.HasUnsavedEdits());

  CliOk({"set-key", "--profile", "2", "F1", "--media", "Mute"});
  EXPECT_TRUE(WaitFor([&] { return CurrentProfile().keys[F(1)].code == mute; })) << "the window never showed it";
  EXPECT_EQ(second, CurrentProfile().id) << "the selected profile stays";
  EXPECT_TRUE(w.ProfileButton(1).GetCheck());
  EXPECT_EQ(1u, w.Picture().KeyFlag(static_cast<int>(F(1))));
  EXPECT_FALSE(w.HasUnsavedEdits());

  // A macro the CLI imports joins the window's library.
  TempDir source;
  MacroRecord jump = MakeDefaultMacro(0x515151, u"Jump");
  jump.Events[0] = {'J', 1, 10};
  jump.Events[1] = {'J', 0, 0};
  const auto image = MacroFileImage(jump);
  CliOk({"import-macro", source.Write("Jump.mck", std::string(image.begin(), image.end()))});
  EXPECT_TRUE(WaitFor([] { return TheMacroLibrary().Count() == 1; }));
  EXPECT_TRUE(boxes.messages.empty()) << "nothing to ask without edits";
}

TEST_F(MainWindowFiles, WithUnsavedEditsTheWindowAsksAndKeepingThemSavesThemAtTheNextApply) {
  StoreWithMute(3);
  TestMainWindow& w = Open();
  BoxAnswerer boxes(IDOK);
  w.answerKind = 1;
  w.answerFunction = Combination(MOD_LCTRL, 'K');
  ClickKey(w, static_cast<int>(F(2)));
  ASSERT_TRUE(w.HasUnsavedEdits());

  CliOk({"set-key", "F1", "--media", "Mute"});
  ASSERT_TRUE(WaitFor([&] { return !boxes.messages.empty(); })) << "the window never asked";
  EXPECT_EQ(Question(), boxes.messages[0]);
  Pump(300);  // no second question for the same change
  EXPECT_EQ(1u, boxes.messages.size());
  EXPECT_EQ('K', CurrentProfile().keys[F(2)].key1);
  EXPECT_TRUE(IsDefaultFunction(CurrentProfile().keys[F(1)], Settings().KeyTable.keys[F(1)]));

  // The window's edits win at the next save.
  QTest::mouseClick(&w.ApplyButton(), Qt::LeftButton);
  EXPECT_EQ(1u, boxes.messages.size());
  EXPECT_EQ('K', Stored(1).keys[F(2)].key1);
  EXPECT_TRUE(IsDefaultFunction(Stored(1).keys[F(1)], Settings().KeyTable.keys[F(1)]));
  EXPECT_FALSE(w.HasUnsavedEdits());
}

TEST_F(MainWindowFiles, WithUnsavedEditsTheWindowAsksAndTakingTheFilesDropsItsEdits) {
  const uint32_t mute = StoreWithMute(3);
  TestMainWindow& w = Open();
  BoxAnswerer boxes(IDCANCEL);
  w.answerKind = 1;
  w.answerFunction = Combination(MOD_LCTRL, 'K');
  ClickKey(w, static_cast<int>(F(2)));
  ASSERT_TRUE(w.HasUnsavedEdits());

  CliOk({"set-key", "F1", "--media", "Mute"});
  const std::string cliFile = ReadFile(user_.path() + "pro.dct");
  ASSERT_TRUE(WaitFor([&] { return !boxes.messages.empty(); })) << "the window never asked";
  EXPECT_EQ(Question(), boxes.messages[0]);
  EXPECT_TRUE(WaitFor([&] { return CurrentProfile().keys[F(1)].code == mute; }));
  EXPECT_TRUE(IsDefaultFunction(CurrentProfile().keys[F(2)], Settings().KeyTable.keys[F(2)]));
  EXPECT_EQ(0u, w.Picture().KeyFlag(static_cast<int>(F(2))));
  EXPECT_FALSE(w.HasUnsavedEdits());
  EXPECT_EQ(cliFile, ReadFile(user_.path() + "pro.dct")) << "the files stay as the other program left them";
}

TEST_F(MainWindowFiles, AnApplyWhoseSaveFailsSaysSo) {
  // A folder where curid.dct is: the save's rename cannot land, whoever runs the window.
  // (A folder in pro.dct's place would be kept aside as a damaged store at start-up.)
  user_.Write("curid.dct/keep", "x");
  TestMainWindow& w = Open();
  BoxAnswerer boxes;
  w.answerKind = 1;
  w.answerFunction = Combination(MOD_LCTRL, 'K');
  ClickKey(w, static_cast<int>(F(2)));
  QTest::mouseClick(&w.ApplyButton(), Qt::LeftButton);
  ASSERT_EQ(1u, Runs().size());
  EXPECT_EQ(ApplyOutcome::Result::Applied, Runs()[0].result);
  ASSERT_EQ(1u, boxes.messages.size());
  EXPECT_EQ(u"The keyboard has the profile, but the files do not: curid.dct in " + FromUtf8(user_.path()),
            boxes.messages[0]);
  EXPECT_EQ('K', Stored(1).keys[F(2)].key1) << "pro.dct itself was saved";
}

TEST_F(MainWindowFiles, ADamagedStoreIsToldWithWhereItsBytesAreKept) {
  user_.Write("pro.dct", "one byte short of nothing");
  BoxAnswerer boxes;
  Open();
  ASSERT_TRUE(WaitFor([&] { return !boxes.messages.empty(); })) << "the window never told";
  const std::u16string prefix =
      u"The stored profiles could not be read, so Tastor starts with new ones. The damaged file is kept as " +
      FromUtf8(user_.path()) + u"pro.dct.damaged-";
  EXPECT_EQ(prefix, boxes.messages[0].substr(0, prefix.size())) << ToUtf8(boxes.messages[0]);
  EXPECT_EQ(1u, boxes.messages.size());
}

}  // namespace
