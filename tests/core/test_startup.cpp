// SPDX-License-Identifier: GPL-2.0-or-later
// Start-up steps outside the windows: the user data folder, the instance name and the
// binding of the key-capture library.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "app/hook_library.h"
#include "app/paths.h"
#include "app/program_settings.h"
#include "app/startup.h"
#include "app/version.h"
#include "base/log.h"
#include "platform/special_folders.h"
#include "tests/support/test_support.h"
#include "text/text_table.h"

namespace {

std::vector<std::string> g_lines;
void Record(const char* text) { g_lines.emplace_back(text); }

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_DATA_HOME", appData_.path().c_str(), 1);
    g_lines.clear();
    SetDebugOutput(Record);
    InitLog(1);
  }
  void TearDown() override {
    InitLog(0);
    SetDebugOutput(nullptr);
    ::setenv("XDG_DATA_HOME", (TestHome() + "/data").c_str(), 1);
  }
  TempDir appData_;
  RecordingWindowPort port_;
  AppSettings settings_;
};

TEST_F(StartupTest, UserDataFolderIsCreatedOneLevelDeep) {
  settings_.appdir = u"Tastor";
  MakeUserDataFolder(settings_);
  EXPECT_EQ(appData_.path() + "Tastor/", Paths().userDataFolder);
  EXPECT_TRUE(PathFileExists(Paths().userDataFolder));
  ASSERT_FALSE(g_lines.empty());
  EXPECT_EQ("Mk AppData=" + Paths().userDataFolder, g_lines[0]);
}

TEST_F(StartupTest, AMissingDataFolderIsMadeWithItsParentsAndAFailureIsOnlyLogged) {
  // A new account without ~/.local/share still keeps its profiles and macros.
  ::setenv("XDG_DATA_HOME", (appData_.path() + "absent/deeper").c_str(), 1);
  settings_.appdir = u"Tastor";
  MakeUserDataFolder(settings_);
  EXPECT_EQ(appData_.path() + "absent/deeper/Tastor/", Paths().userDataFolder);
  EXPECT_TRUE(PathFileExists(Paths().userDataFolder));
  EXPECT_EQ(1u, g_lines.size());

  // Under a plain file nothing can be made: logged, and start-up goes on.
  g_lines.clear();
  appData_.Write("file", "x");
  ::setenv("XDG_DATA_HOME", (appData_.path() + "file/share").c_str(), 1);
  MakeUserDataFolder(settings_);
  EXPECT_FALSE(PathFileExists(Paths().userDataFolder));
  ASSERT_EQ(2u, g_lines.size());
  EXPECT_EQ("CreateDirectory err=20", g_lines[1]);  // ENOTDIR
}

TEST_F(StartupTest, EmptyAppdirPutsFilesIntoTheDataFolderItself) {
  ::setenv("XDG_DATA_HOME", (appData_.path() + "share").c_str(), 1);
  settings_.appdir.clear();
  MakeUserDataFolder(settings_);
  EXPECT_EQ(appData_.path() + "share//", Paths().userDataFolder);
}

TEST_F(StartupTest, OverrideFolderIsUsedAsGiven) {
  MakeUserDataFolder(settings_, appData_.path() + "mine");
  EXPECT_EQ(appData_.path() + "mine/", Paths().userDataFolder);
  EXPECT_TRUE(PathFileExists(appData_.path() + "mine"));
}

TEST_F(StartupTest, TitleDefaultAndInstanceName) {
  TextTable& text = TextTable::Instance();
  const TextTable saved = text;
  text.tc_title = std::u16string(120, u'T');
  text.tc_mutex.clear();
  settings_.Title.clear();
  ApplyTitleDefault(settings_);
  EXPECT_EQ(99u, settings_.Title.size());
  settings_.Title = u"Mine";
  ApplyTitleDefault(settings_);
  EXPECT_EQ(u"Mine", settings_.Title);
  EXPECT_EQ(u"MUTEX_BY_QOR", InstanceMutexName());
  text.tc_mutex = u"Tastor-TK105";
  EXPECT_EQ(u"Tastor-TK105", InstanceMutexName());
  text = saved;
  EXPECT_EQ(0, WindowsVersionClass());
}

TEST_F(StartupTest, LaunchLinesCarryDateAndVersion) {
  TextTable::Instance().tc_version = u"Version 9";
  WriteLaunchLines();
  TextTable::Instance().tc_version.clear();
  ASSERT_EQ(2u, g_lines.size());
  EXPECT_EQ(std::string(50, '-'), g_lines[0]);
  EXPECT_TRUE(g_lines[1].rfind("Launch 20", 0) == 0) << g_lines[1];
  EXPECT_NE(std::string::npos, g_lines[1].find("H, App Ver=Version 9, Tastor " + std::string(TastorVersion())))
      << g_lines[1];
}

TEST_F(StartupTest, HookLibraryThatDoesNotLoadWarnsAndClearsEverything) {
  TempDir program;
  program.Write(SharedLibraryFileName("TapHook"), "not a library");
  EXPECT_EQ(0, LoadHookLibrary(program.path()));
  EXPECT_EQ((std::vector<std::u16string>{u"Load TapHook.dll failed"}), port_.Texts());
  EXPECT_EQ(u"Warning", port_.boxes[0].caption);
  EXPECT_FALSE(Hook().module);
  EXPECT_EQ(nullptr, Hook().installhook);
}

TEST_F(StartupTest, HookLibraryMissingEntryPointsKeepsTheOthers) {
  TempDir program;
  const std::string path = program.path() + SharedLibraryFileName("TapHook");
  ASSERT_EQ(0, ::symlink(TASTOR_PARTIAL_HOOK, path.c_str()));
  EXPECT_EQ(1, LoadHookLibrary(program.path()));
  EXPECT_EQ((std::vector<std::u16string>{u"Load TapHook.dll failed"}), port_.Texts());
  ASSERT_TRUE(Hook().module);
  EXPECT_NE(nullptr, Hook().installhook);
  EXPECT_NE(nullptr, Hook().SetHookStatus);
  EXPECT_EQ(nullptr, Hook().removehook);
  // installhook was called once.
  const int* installs = static_cast<const int*>(Hook().module->Symbol("partial_hook_installs"));
  ASSERT_NE(nullptr, installs);
  EXPECT_EQ(1, *installs);
  // Without removehook, shutdown leaves the module loaded and calls nothing in it.
  const int* status = static_cast<const int*>(Hook().module->Symbol("partial_hook_status"));
  UnloadHookLibrary();
  ASSERT_TRUE(Hook().module);
  EXPECT_EQ(-1, *status);
  Hook() = HookLibrary{};
}

TEST_F(StartupTest, APartialHookIsNeverLiveAndTheAnswerIsLoggedOnce) {
  TempDir program;
  const std::string path = program.path() + SharedLibraryFileName("TapHook");
  ASSERT_EQ(0, ::symlink(TASTOR_PARTIAL_HOOK, path.c_str()));
  ASSERT_EQ(1, LoadHookLibrary(program.path()));
  // installhook answered 1, but without SetReciveWindow no window can receive the keys.
  EXPECT_TRUE(Hook().live);
  g_lines.clear();
  settings_.HookDLL = 1;
  EXPECT_FALSE(HookIsLive());
  EXPECT_FALSE(CaptureThroughHook(settings_.HookDLL));
  EXPECT_EQ((std::vector<std::string>{"Key capture: the windows' own key events (TapHook not live)"}), g_lines);
  Hook() = HookLibrary{};
}

#ifdef TASTOR_HAVE_TAPHOOK
TEST_F(StartupTest, TapHookWithoutADisplayResolvesEverythingButIsNotLive) {
  const char* saved = std::getenv("DISPLAY");
  const std::string keep = saved != nullptr ? saved : "";
  ::unsetenv("DISPLAY");
  settings_.HookDLL = 1;
  ASSERT_EQ(1, LoadHookLibrary(BinDir()));
  EXPECT_TRUE(port_.Texts().empty());
  ASSERT_NE(nullptr, Hook().SetReciveWindow);
  ASSERT_NE(nullptr, Hook().SetHookStatus);
  EXPECT_FALSE(Hook().live);
  EXPECT_FALSE(CaptureThroughHook(settings_.HookDLL));
  EXPECT_FALSE(HookIsLive());
  ASSERT_GE(g_lines.size(), 2u);
  EXPECT_EQ("installhook failed: no key capture through TapHook", g_lines[g_lines.size() - 2]);
  EXPECT_EQ("Key capture: the windows' own key events (TapHook not live)", g_lines.back());
  UnloadHookLibrary();
  EXPECT_FALSE(Hook().module);
  if (saved != nullptr) ::setenv("DISPLAY", keep.c_str(), 1);
}

TEST_F(StartupTest, TapHookOnADisplayIsLive) {
  if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  Xvfb server;
  ASSERT_TRUE(server.Start());
  const char* saved = std::getenv("DISPLAY");
  const std::string keep = saved != nullptr ? saved : "";
  ::setenv("DISPLAY", server.display().c_str(), 1);
  ASSERT_EQ(1, LoadHookLibrary(BinDir()));
  EXPECT_TRUE(HookIsLive());
  settings_.HookDLL = 0;
  EXPECT_FALSE(CaptureThroughHook(settings_.HookDLL));
  settings_.HookDLL = 1;
  EXPECT_TRUE(CaptureThroughHook(settings_.HookDLL));
  EXPECT_EQ("Key capture: through TapHook", g_lines.back());
  UnloadHookLibrary();
  if (saved != nullptr) ::setenv("DISPLAY", keep.c_str(), 1); else ::unsetenv("DISPLAY");
}
#endif

// The receiving window and status the program gave the hook, and their return.
std::vector<std::string> g_hookCalls;
void RecordStatus(int on) { g_hookCalls.push_back("status " + std::to_string(on)); }
void RecordWindow(HWND window) { g_hookCalls.push_back(window != nullptr ? "window" : "no window"); }

TEST_F(StartupTest, TheHookIsGivenBackAsItWas) {
  g_hookCalls.clear();
  Hook() = HookLibrary{};
  // Nothing resolved: nothing is called and nothing remembered.
  HookSetStatus(1);
  EXPECT_EQ(0, HookState().status);
  Hook().SetHookStatus = RecordStatus;
  Hook().SetReciveWindow = RecordWindow;
  TastorWindow picker{}, box{};
  HookSetReceiver(&picker);
  HookSetStatus(1);
  const HookCaptureState before = HookState();
  EXPECT_EQ(&picker, before.receiver);
  EXPECT_EQ(1, before.status);
  HookSetReceiver(&box);
  HookSetStatus(0);
  RestoreHookState(before);
  EXPECT_EQ(&picker, HookState().receiver);
  EXPECT_EQ(1, HookState().status);
  EXPECT_EQ((std::vector<std::string>{"window", "status 1", "window", "status 0", "window", "status 1"}), g_hookCalls);
  // No window had the hook: giving it back calls nothing.
  g_hookCalls.clear();
  RestoreHookState(HookCaptureState{});
  EXPECT_TRUE(g_hookCalls.empty());
  Hook() = HookLibrary{};
}

}  // namespace
