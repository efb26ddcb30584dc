// SPDX-License-Identifier: GPL-2.0-or-later
// Files from outside read with bounds: a named pipe or a device in place of cfg.ini,
// text.xml, the autostart entry or user-dirs.dirs never stalls its reader, a file past the
// reader's limit is refused like a missing one, and appdir stays one folder name.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "app/desktop_session.h"
#include "app/program_settings.h"
#include "app/startup.h"
#include "app/text_language.h"
#include "base/ini_reader.h"
#include "base/log.h"
#include "macro/macro_files.h"
#include "macro/macro_transfer.h"
#include "platform/checked_file.h"
#include "platform/special_folders.h"
#include "tests/support/test_support.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "text/xml_document.h"

namespace {

constexpr auto kPromptly = std::chrono::seconds(5);

std::vector<std::string> g_log;
void Record(const char* text) { g_log.emplace_back(text); }

class BoundedReads : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log.clear();
    SetDebugOutput(Record);
    InitLog(1);
  }
  void TearDown() override {
    InitLog(0);
    SetDebugOutput(nullptr);
    Settings() = AppSettings{};
  }

  std::string Fifo(const std::string& name) {
    const std::string path = dir_.path() + name;
    EXPECT_EQ(0, ::mkfifo(path.c_str(), 0644));
    return path;
  }
  // A file of the given size whose content is never read (its blocks are holes).
  std::string Sized(const std::string& name, off_t size) {
    const std::string path = dir_.Write(name, "");
    EXPECT_EQ(0, ::truncate(path.c_str(), size));
    return path;
  }
  // Runs a read that must end by itself. If it hangs on the pipe, a writer is let in and
  // closed so that the read ends with the pipe's end and the test can fail instead of
  // hanging.
  template <typename Read>
  void EndsPromptly(Read read, const std::string& fifo) {
    auto done = std::async(std::launch::async, read);
    if (done.wait_for(kPromptly) == std::future_status::ready) return done.get();
    ADD_FAILURE() << "the read of " << fifo << " waited for a writer";
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    done.get();
  }

  TempDir dir_;
  RecordingWindowPort port_;
};

TEST_F(BoundedReads, TheCheckedReadTakesPlainFilesUpToItsLimit) {
  const std::string fifo = Fifo("pipe");
  EndsPromptly([&] { EXPECT_EQ(kNotAFileError, ReadWholeFile(fifo, 100).error); }, fifo);
  EXPECT_EQ(kNotAFileError, ReadWholeFile("/dev/zero", 100).error);
  EXPECT_EQ(kNotAFileError, ReadWholeFile(dir_.path(), 100).error);
  EXPECT_EQ("not a regular file", ReadWholeFile("/dev/zero", 100).Reason());
  EXPECT_EQ(ENOENT, ReadWholeFile(dir_.path() + "absent", 100).error);

  const FileBytes exact = ReadWholeFile(dir_.Write("exact", std::string(100, 'x')), 100);
  ASSERT_TRUE(exact.ok());
  EXPECT_EQ(std::string(100, 'x'), exact.bytes);
  const FileBytes over = ReadWholeFile(dir_.Write("over", std::string(101, 'x')), 100);
  EXPECT_EQ(kTooLargeError, over.error);
  EXPECT_TRUE(over.bytes.empty());
  EXPECT_EQ("larger than 100 bytes", over.Reason());
  EXPECT_EQ("larger than 4 MiB", ReadWholeFile(Sized("big", (4 << 20) + 1), 4 << 20).Reason());
  // A file whose size says nothing (the kernel's files read as size 0) is still bounded.
  EXPECT_EQ(kTooLargeError, ReadWholeFile("/proc/self/maps", 10).error);
}

TEST_F(BoundedReads, CfgIniThatCannotBeReadFailsDataInitWithoutTheAppdirMessage) {
  const std::string program = dir_.path();
  std::string failure;
  AppSettings settings;
  EXPECT_EQ(0, DataInit(program, settings, &failure));
  EXPECT_EQ("cannot read cfg.ini at " + program + "cfg.ini: No such file or directory", failure);
  EXPECT_TRUE(port_.boxes.empty());  // the file is the problem, not the folder name
  EXPECT_EQ(0, settings.KeyTable.count);
  EXPECT_EQ(350, settings.Macro_Opt_X);  // the defaults all the same

  Fifo("cfg.ini");
  EndsPromptly([&] { EXPECT_EQ(0, DataInit(program, settings, &failure)); }, program + "cfg.ini");
  EXPECT_EQ("cannot read cfg.ini at " + program + "cfg.ini: not a regular file", failure);

  ::unlink((program + "cfg.ini").c_str());
  Sized("cfg.ini", IniFile::kMaxFileBytes + 1);
  EXPECT_EQ(0, DataInit(program, settings, &failure));
  EXPECT_EQ("cannot read cfg.ini at " + program + "cfg.ini: larger than 4 MiB", failure);
  EXPECT_TRUE(port_.boxes.empty());

  dir_.Write("cfg.ini", "[OPT]\nappdir=Tastor\n");
  EXPECT_EQ(1, DataInit(program, settings, &failure));
  EXPECT_EQ(u"Tastor", settings.appdir);
}

TEST_F(BoundedReads, TextXmlThatIsNoFileOrTooLargeReadsAsMissing) {
  dir_.Write("translations/en/text.xml", "<t><config><tc_ok>OK</tc_ok></config></t>");
  const std::string fifo = Fifo("text.xml");
  XmlDocument document;
  EndsPromptly([&] { EXPECT_FALSE(document.Load(fifo)); }, fifo);
  EXPECT_EQ(u"not a regular file", document.Result());
  EndsPromptly([&] { EXPECT_FALSE(TextFileReplaced(dir_.path())); }, fifo);
  EndsPromptly(
      [&] {
        TextTable table;
        table.Load(fifo);
        EXPECT_EQ(u"", table.tc_ok);
        EXPECT_EQ(u"Space", table.tc_space);
      },
      fifo);

  const std::string big = Sized("big.xml", XmlDocument::kMaxLoadBytes + 1);
  EXPECT_FALSE(document.Load(big));
  EXPECT_EQ(u"larger than 8 MiB", document.Result());
  // Exactly at the limit is read.
  std::string text = "<t><config><tc_ok>Fine</tc_ok></config></t>";
  text.resize(XmlDocument::kMaxLoadBytes, ' ');
  EXPECT_TRUE(document.Load(dir_.Write("limit.xml", text)));
}

TEST_F(BoundedReads, AutostartEntryAndUserDirsThatAreNoFilesDoNotStall) {
  const std::string entry = Fifo("entry.desktop");
  EndsPromptly(
      [&] {
        const AutostartState state = ReadAutostartEntry(entry);
        // Something is there that is not Tastor's: the autostart command leaves it alone.
        EXPECT_TRUE(state.present);
        EXPECT_FALSE(state.ours);
      },
      entry);
  EXPECT_FALSE(ReadAutostartEntry(dir_.path() + "absent.desktop").present);

  TempDir home;
  ::mkdir((home.path() + "Desktop").c_str(), 0700);
  ::mkdir((home.path() + "config").c_str(), 0700);
  const std::string userDirs = home.path() + "config/user-dirs.dirs";
  ASSERT_EQ(0, ::mkfifo(userDirs.c_str(), 0644));
  const std::string savedHome = std::getenv("HOME");
  const std::string savedDesktop = std::getenv("XDG_DESKTOP_DIR");
  ::setenv("HOME", home.path().substr(0, home.path().size() - 1).c_str(), 1);
  ::unsetenv("XDG_DESKTOP_DIR");
  ::setenv("XDG_CONFIG_HOME", (home.path() + "config").c_str(), 1);
  EndsPromptly([&] { EXPECT_EQ(home.path() + "Desktop", DesktopFolder()); }, userDirs);
  ::setenv("HOME", savedHome.c_str(), 1);
  ::setenv("XDG_DESKTOP_DIR", savedDesktop.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (TestHome() + "/config").c_str(), 1);
}

TEST_F(BoundedReads, MacroCopiesOfPipesEndAndLeaveNothing) {
  // A named pipe in the macro folder, where the library shows a macro "Pipe".
  const std::string pipe = Fifo("Pipe.mck");
  const std::string copy = dir_.path() + "copy.mck";
  EndsPromptly([&] { EXPECT_EQ(0, MyCopyFile(pipe, copy)); }, pipe);
  EXPECT_NE(0, ::access(copy.c_str(), F_OK));
  const MacroItemPath item{{u"Pipe"}, false, 1};
  EndsPromptly([&] { EXPECT_EQ(0, ExportMacro(dir_.path(), item, copy)); }, pipe);
  EXPECT_NE(0, ::access(copy.c_str(), F_OK));
  // A macro file far larger than a record is no macro to export.
  Sized("Huge.mck", 64 << 20);
  EXPECT_EQ(0, ExportMacro(dir_.path(), MacroItemPath{{u"Huge"}, false, 2}, copy));
}

TEST_F(BoundedReads, AppdirMustBeOneFolderName) {
  for (const std::u16string bad : {u"", u"   ", u".", u"..", u"../../../x", u"a/b", u"a\\b", u"/etc",
                                   u"a\tb", u"a\u007fb", u"a\u0085b", u"a\xD800" u"b"}) {
    EXPECT_NE(nullptr, AppdirProblem(bad)) << ToUtf8(bad);
  }
  for (const std::u16string good : {u"Tastor", u".Tastor", u"Tastor Keyboard", u"a..b", u"\u00c9t\u00e9",
                                    u"\xD83D\xDE00"}) {
    EXPECT_EQ(nullptr, AppdirProblem(good)) << ToUtf8(good);
  }
  EXPECT_EQ(nullptr, AppdirProblem(std::u16string(85, u'\u20ac')));  // 255 bytes of UTF-8
  EXPECT_NE(nullptr, AppdirProblem(std::u16string(86, u'\u20ac')));

  // A refused value is taken as missing, logged and reported as the missing name is.
  dir_.Write("cfg.ini", "[OPT]\nDebug=1\nappdir=../../../x\n");
  AppSettings s;
  ASSERT_EQ(1, LoadSettings(dir_.path(), s));
  EXPECT_EQ(u"", s.appdir);
  EXPECT_EQ((std::vector<std::u16string>{u"APPDATA=NULL"}), port_.Texts());
  ASSERT_FALSE(g_log.empty());
  EXPECT_EQ("appdir=../../../x refused (holds a folder separator), taken as empty", g_log.back());

  dir_.Write("cfg.ini", "[OPT]\nDebug=1\nappdir=\"a\x1b[31m\"\n");
  ASSERT_EQ(1, LoadSettings(dir_.path(), s));
  EXPECT_EQ(u"", s.appdir);
  EXPECT_EQ("appdir=a\\x1B[31m refused (holds a control character), taken as empty", g_log.back());
}

}  // namespace
