// Tastor on the desktop: the window platform in Wayland sessions, the Exec line of a
// desktop entry and the user's autostart entry.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/desktop_session.h"
#include "tests/support/test_support.h"

namespace {

// Sets (or with null removes) an environment variable and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    value != nullptr ? ::setenv(name, value, 1) : ::unsetenv(name);
  }
  ~ScopedEnv() { had_ ? ::setenv(name_, old_.c_str(), 1) : ::unsetenv(name_); }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(GuiPlatform, WaylandWithXWaylandRunsOnXcbUnlessTheUserChose) {
  GuiPlatformChoice c = ChooseGuiPlatform(nullptr, "wayland", "wayland-0", ":0");
  EXPECT_EQ("xcb", c.platform);
  EXPECT_FALSE(c.nativeWayland);
  // WAYLAND_DISPLAY alone marks the session as Wayland too.
  EXPECT_EQ("xcb", ChooseGuiPlatform("", "", "wayland-0", ":1").platform);
  // The user's own choice is kept; a native Wayland choice is told apart for the log.
  c = ChooseGuiPlatform("wayland", "wayland", "wayland-0", ":0");
  EXPECT_EQ("", c.platform);
  EXPECT_TRUE(c.nativeWayland);
  EXPECT_FALSE(ChooseGuiPlatform("offscreen", "wayland", "wayland-0", ":0").nativeWayland);
}

TEST(GuiPlatform, WaylandWithoutXWaylandRunsNativelyAndX11IsLeftAlone) {
  GuiPlatformChoice c = ChooseGuiPlatform(nullptr, "wayland", "wayland-0", nullptr);
  EXPECT_EQ("", c.platform);
  EXPECT_TRUE(c.nativeWayland);
  c = ChooseGuiPlatform(nullptr, "x11", nullptr, ":0");
  EXPECT_EQ("", c.platform);
  EXPECT_FALSE(c.nativeWayland);
  EXPECT_FALSE(ChooseGuiPlatform(nullptr, nullptr, nullptr, nullptr).nativeWayland);
}

TEST(DesktopExec, QuotesWhatTheEntryFormatReservesAndReadsItBack) {
  const std::vector<std::string> argv = {"/opt/my tools/tastor", "--user-dir", "/home/a/100% \"x\"$HOME\\",
                                         "--lang", "de", ""};
  const std::string line = DesktopExecLine(argv);
  EXPECT_EQ("\"/opt/my tools/tastor\" --user-dir \"/home/a/100%% \\\"x\\\"\\$HOME\\\\\" --lang de \"\"", line);
  std::vector<std::string> back;
  ASSERT_TRUE(ParseDesktopExecLine(line, back));
  EXPECT_EQ(argv, back);
  EXPECT_EQ("/usr/lib/tastor/tastor", DesktopExecLine({"/usr/lib/tastor/tastor"}));
  EXPECT_FALSE(ParseDesktopExecLine("\"/unclosed", back));
  ASSERT_TRUE(ParseDesktopExecLine("tastor %U", back));  // field codes stand for nothing
  EXPECT_EQ(std::vector<std::string>{"tastor"}, back);
}

TEST(Autostart, EntryIsWrittenWholeReadBackAndRemoved) {
  TempDir config;
  const ScopedEnv configHome("XDG_CONFIG_HOME", config.path().c_str());
  const std::string path = AutostartEntryPath();
  EXPECT_EQ(config.path() + "/autostart/org.tastor.Tastor.desktop", path);

  EXPECT_FALSE(ReadAutostartEntry(path).present);
  std::string error;
  ASSERT_TRUE(WriteAutostartEntry(path, AutostartEntryText({"/x y/tastor", "--lang", "de"}, "Tastor TK-105"), error))
      << error;
  AutostartState state = ReadAutostartEntry(path);
  EXPECT_TRUE(state.present);
  EXPECT_TRUE(state.ours);
  EXPECT_TRUE(state.enabled);
  EXPECT_EQ((std::vector<std::string>{"/x y/tastor", "--lang", "de"}), state.argv);
  EXPECT_TRUE(Has(ReadFile(path), "Name=Tastor TK-105\n"));

  // A desktop that switched the entry off is reported as such.
  WriteFile(path, ReadFile(path) + "Hidden=true\n");
  EXPECT_FALSE(ReadAutostartEntry(path).enabled);

  ASSERT_TRUE(RemoveAutostartEntry(path, error));
  EXPECT_FALSE(ReadAutostartEntry(path).present);
  EXPECT_TRUE(RemoveAutostartEntry(path, error));  // already gone is fine
}

TEST(Autostart, WithoutConfigFolderOrHomeThereIsNoEntry) {
  const std::string home = std::getenv("HOME");
  const ScopedEnv noConfigHome("XDG_CONFIG_HOME", nullptr);
  {
    const ScopedEnv noHome("HOME", nullptr);
    EXPECT_EQ("", AutostartEntryPath());
  }
  EXPECT_EQ(home + "/.config/autostart/org.tastor.Tastor.desktop", AutostartEntryPath());
}

}  // namespace
