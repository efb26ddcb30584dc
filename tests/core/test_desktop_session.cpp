// SPDX-License-Identifier: GPL-2.0-or-later
// Tastor on the desktop: the window platform in Wayland sessions, the Exec line of a
// desktop entry and the user's autostart entry.
#include <gtest/gtest.h>

#include <cstdlib>

#include <functional>

#include "app/desktop_session.h"
#include "platform/x11_display.h"
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

// A display opener that knows one open display and records what it was asked.
struct FakeDisplays {
  std::string open;
  std::vector<std::string> asked;
  std::function<bool(const std::string&)> Opener() {
    return [this](const std::string& name) {
      asked.push_back(name);
      return name == open;
    };
  }
};

GuiPlatformChoice Choose(FakeDisplays& displays, const std::string& user, const std::string& session,
                         const std::string& wayland, const std::string& display) {
  return ChooseGuiPlatform(GuiPlatformRequest{user, session, wayland, display}, displays.Opener());
}

TEST(GuiPlatform, TheWindowsRunOnXcbWhereTheX11DisplayOpens) {
  FakeDisplays displays{":0", {}};
  // A Wayland session with XWayland, and a plain X11 session.
  for (const GuiPlatformChoice& c : {Choose(displays, "", "wayland", "wayland-0", ":0"),
                                     Choose(displays, "", "", "wayland-0", ":0"), Choose(displays, "", "x11", "", ":0")}) {
    EXPECT_TRUE(c.ok) << c.message;
    EXPECT_EQ("xcb", c.platform);
    EXPECT_FALSE(c.nativeWayland);
  }
  EXPECT_EQ((std::vector<std::string>{":0", ":0", ":0"}), displays.asked);
}

TEST(GuiPlatform, WithoutAnX11DisplayTheProgramSaysWhatIsMissingInOneLine) {
  FakeDisplays displays{":0", {}};
  GuiPlatformChoice c = Choose(displays, "", "wayland", "wayland-0", "");
  EXPECT_FALSE(c.ok);
  EXPECT_TRUE(Has(c.message, "tastor: the windows need an X11 display")) << c.message;
  EXPECT_TRUE(Has(c.message, "no XWayland (DISPLAY is not set)")) << c.message;
  EXPECT_TRUE(Has(c.message, "xwayland")) << c.message;
  // XWayland named but gone.
  c = Choose(displays, "", "wayland", "wayland-0", ":7");
  EXPECT_FALSE(c.ok);
  EXPECT_TRUE(Has(c.message, "XWayland's display \":7\" does not open")) << c.message;
  // No desktop at all, and an X11 display that does not run.
  c = Choose(displays, "", "", "", "");
  EXPECT_FALSE(c.ok);
  EXPECT_TRUE(Has(c.message, "DISPLAY is not set")) << c.message;
  c = Choose(displays, "", "x11", "", ":9");
  EXPECT_FALSE(c.ok);
  EXPECT_TRUE(Has(c.message, "the display \":9\" does not open")) << c.message;
  for (const std::string& message : {c.message, Choose(displays, "", "", "", "").message}) {
    EXPECT_EQ(std::string::npos, message.find('\n')) << message;
  }
}

TEST(GuiPlatform, APlatformTheUserChoseIsUsedAsItIs) {
  FakeDisplays displays{"", {}};
  GuiPlatformChoice c = Choose(displays, "offscreen", "wayland", "wayland-0", "");
  EXPECT_TRUE(c.ok);
  EXPECT_EQ("", c.platform);
  EXPECT_FALSE(c.nativeWayland);
  c = Choose(displays, "wayland", "wayland", "wayland-0", "");
  EXPECT_TRUE(c.ok);
  EXPECT_TRUE(c.nativeWayland);
  EXPECT_TRUE(displays.asked.empty());
  // xcb chosen by hand still needs its display.
  c = Choose(displays, "xcb", "", "", ":3");
  EXPECT_FALSE(c.ok);
  EXPECT_EQ((std::vector<std::string>{":3"}), displays.asked);
}

TEST(GuiPlatform, TheRealDisplayCheckOpensNothingThatIsNotThere) {
  EXPECT_FALSE(X11DisplayOpens(""));
  EXPECT_FALSE(X11DisplayOpens(":97531"));
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
