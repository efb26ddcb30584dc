// SPDX-License-Identifier: GPL-2.0-or-later
// The names of running processes and the automatic switch's rule: real child processes
// (a copy of sleep named MyGame.exe, a loader whose argument is a Windows path, a shell
// that starts the game in its own place, a game run by another user), a made-up /proc
// tree for processes that vanish, cannot be read or belong to another user, and the
// first-profile-wins rule with its retry memory and its pause under modal windows.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <tuple>

#include "app/process_scan.h"
#include "app/profile_switch.h"
#include "app/program_settings.h"
#include "app/tray_behaviour.h"
#include "model/profile.h"
#include "model/profile_store.h"
#include "text/utf.h"
#include "tests/support/test_support.h"

extern char** environ;

using namespace std::chrono_literals;

namespace {

// A child process, killed and reaped with the object.
class Child {
 public:
  explicit Child(const std::vector<std::string>& argv, const std::string& extraEnv = {}) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
    if (!extraEnv.empty()) env.push_back(const_cast<char*>(extraEnv.c_str()));
    env.push_back(nullptr);
    // A group of its own, so that the end takes what it started along (the loader's sleep
    // would otherwise hold the test's output open for its 30 s).
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    if (::posix_spawn(&pid_, args[0], nullptr, &attr, args.data(), env.data()) != 0) pid_ = -1;
    posix_spawnattr_destroy(&attr);
  }
  ~Child() {
    if (pid_ <= 0) return;
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  int pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
};

std::string CopyProgram(const TempDir& dir, const std::string& from, const std::string& name) {
  const std::string to = dir.path() + name;
  std::filesystem::copy_file(from, to);
  std::filesystem::permissions(to, std::filesystem::perms::owner_all);
  return to;
}

const RunningProcess* Find(const std::vector<RunningProcess>& processes, int pid) {
  for (const RunningProcess& p : processes) {
    if (p.pid == pid) return &p;
  }
  return nullptr;
}

bool HasName(const RunningProcess* p, const std::u16string& name) {
  return p != nullptr && std::find(p->names.begin(), p->names.end(), name) != p->names.end();
}

// Scans until the process shows the name; false after three seconds.
bool WaitForName(ProcessScanner& scanner, int pid, const std::u16string& name) {
  for (int i = 0; i < 300; ++i) {
    if (HasName(Find(scanner.Scan(), pid), name)) return true;
    std::this_thread::sleep_for(10ms);
  }
  return false;
}

Profile Linked(uint32_t id, const std::u16string& program) {
  Profile p = MakeProfile(id, u"P", Settings());
  SetLinkedProgram(p, program);
  return p;
}

// The status file of a made-up process, with its real user id.
void WriteStatus(const TempDir& root, int pid, uid_t uid) {
  const std::string id = std::to_string(uid);
  root.Write(std::to_string(pid) + "/status", "Name:\tx\nUmask:\t0022\nState:\tS (sleeping)\nUid:\t" + id + "\t" + id +
                                                  "\t" + id + "\t" + id + "\n");
}

RunningProcess Process(int pid, std::vector<std::u16string> names) {
  RunningProcess p;
  p.pid = pid;
  p.names = names;
  for (std::u16string& n : names) {
    for (char16_t& c : n) c = FoldCase(c);
  }
  p.folded = names;
  return p;
}

}  // namespace

TEST(ProcessNames, BaseNamesOfTheExecutableTheKernelNameAndFileArguments) {
  EXPECT_EQ(PathBaseName("Z:\\Games\\MyGame.exe"), "MyGame.exe");
  EXPECT_EQ(PathBaseName("/usr/bin/wine64-preloader"), "wine64-preloader");
  EXPECT_EQ(PathBaseName("C:/mixed\\sep/Game.exe"), "Game.exe");
  EXPECT_EQ(PathBaseName("plain"), "plain");

  EXPECT_TRUE(ArgumentNamesFile("Z:\\Games\\MyGame.exe"));
  EXPECT_TRUE(ArgumentNamesFile("MyGame.exe"));
  EXPECT_TRUE(ArgumentNamesFile("./run"));
  EXPECT_FALSE(ArgumentNamesFile("--fullscreen"));
  EXPECT_FALSE(ArgumentNamesFile("-windowed=C:\\x.exe"));
  EXPECT_FALSE(ArgumentNamesFile("30"));
  EXPECT_FALSE(ArgumentNamesFile("waitforexitandrun"));
  EXPECT_FALSE(ArgumentNamesFile("C:\\Games\\"));
  EXPECT_FALSE(ArgumentNamesFile(".hidden"));
  EXPECT_FALSE(ArgumentNamesFile("sleep 0.5; exec game"));  // a script text, not a file
  EXPECT_FALSE(ArgumentNamesFile(""));

  using namespace std::string_literals;
  const std::string cmdline = "/usr/bin/wine64-preloader\0Z:\\Games\\MyGame.exe\0-nosound\0save.dat\0"s;
  EXPECT_EQ(ProcessNamesFrom("/usr/bin/wine64-preloader", "MyGame.exe\n", cmdline),
            (std::vector<std::u16string>{u"wine64-preloader", u"MyGame.exe", u"save.dat"}));
  // A kernel thread: no executable, no arguments.
  EXPECT_EQ(ProcessNamesFrom("", "kworker/0:1\n", ""), std::vector<std::u16string>{u"kworker/0:1"});
  // The first argument counts whatever it looks like.
  EXPECT_EQ(ProcessNamesFrom("", "bash\n", "-bash\0"s), (std::vector<std::u16string>{u"bash", u"-bash"}));
}

TEST(ProcessScan, ACopyOfSleepNamedMyGameExeIsFoundByItsName) {
  TempDir dir;
  const std::string game = CopyProgram(dir, "/bin/sleep", "MyGame.exe");
  Child child({game, "30"});
  ASSERT_GT(child.pid(), 0);
  ProcessScanner scanner;
  ASSERT_TRUE(WaitForName(scanner, child.pid(), u"MyGame.exe"));
  const RunningProcess* p = Find(scanner.Processes(), child.pid());
  EXPECT_EQ(p->program, u"MyGame.exe");
  EXPECT_EQ(p->names, std::vector<std::u16string>{u"MyGame.exe"});  // exe, kernel name and argv[0] agree
  // Its own process is there too, by the test program's name.
  EXPECT_NE(Find(scanner.Processes(), ::getpid()), nullptr);
}

TEST(ProcessScan, AGameStartedThroughALoaderIsKnownByItsWindowsName) {
  TempDir dir;
  const std::string loader = CopyProgram(dir, "/bin/sh", "wine64-preloader");
  // The loader stays (its last command is not run in its place) with the Windows path as
  // an argument, as Wine's loader shows a game.
  Child child({loader, "-c", "sleep 30; :", "wine64-preloader", "Z:\\Games\\MyGame.exe"});
  ProcessScanner scanner;
  ASSERT_TRUE(WaitForName(scanner, child.pid(), u"MyGame.exe")) << [&] {
    std::string names;
    if (const RunningProcess* p = Find(scanner.Processes(), child.pid())) {
      for (const auto& n : p->names) names += ToUtf8(n) + "|";
    }
    return names;
  }();
  const RunningProcess* p = Find(scanner.Processes(), child.pid());
  EXPECT_EQ(p->program, u"wine64-preloader");
  EXPECT_TRUE(HasName(p, u"wine64-preloader"));
}

TEST(ProcessScan, AProcessThatStartsAnotherProgramInItsPlaceIsReadAgain) {
  TempDir dir;
  const std::string game = CopyProgram(dir, "/bin/sleep", "MyGame.exe");
  // A launcher script that ends by running the game in its own process.
  Child child({"/bin/sh", "-c", "sleep 0.4; exec \"$GAME\" 30"}, "GAME=" + game);
  ProcessScanner scanner;
  ASSERT_TRUE(WaitForName(scanner, child.pid(), u"sh"));
  EXPECT_FALSE(HasName(Find(scanner.Processes(), child.pid()), u"MyGame.exe"));
  ASSERT_TRUE(WaitForName(scanner, child.pid(), u"MyGame.exe"));
  EXPECT_FALSE(HasName(Find(scanner.Processes(), child.pid()), u"sh"));
  // Known processes that started nothing new are not read again.
  scanner.Scan();
  EXPECT_LT(scanner.LastFullReads(), static_cast<int>(scanner.Processes().size()) / 2);
}

TEST(ProcessScan, VanishedAndUnreadableProcessesAreLeftOutSilently) {
  TempDir root;
  using namespace std::string_literals;
  WriteStatus(root, 10, ::getuid());
  root.Write("10/comm", "game\n");
  root.Write("10/cmdline", "/opt/game/Game.bin\0--level\0"s);
  WriteStatus(root, 11, ::getuid());
  root.Write("11/cmdline", "no kernel name: ended while read\0"s);
  std::filesystem::create_directories(root.path() + "12");  // nothing readable
  root.Write("self/comm", "not a process\n");
  WriteStatus(root, 13, ::getuid());
  root.Write("13/comm", "other\n");  // no exe link (not readable), arguments readable
  root.Write("13/cmdline", "C:\\Other.exe\0"s);
  root.Write("15/comm", "nostatus\n");  // whose it is cannot be told: left out
  root.Write("15/cmdline", "nostatus\0"s);
  std::filesystem::create_symlink("/usr/bin/game-launcher", root.path() + "10/exe");

  ProcessScanner scanner(root.path());
  const auto& processes = scanner.Scan();
  ASSERT_EQ(processes.size(), 2u);
  EXPECT_EQ(processes[0].pid, 10);
  EXPECT_EQ(processes[0].names, (std::vector<std::u16string>{u"game-launcher", u"game", u"Game.bin"}));
  EXPECT_EQ(processes[0].folded[2], u"GAME.BIN");
  EXPECT_EQ(processes[1].pid, 13);
  EXPECT_EQ(processes[1].program, u"");
  EXPECT_EQ(processes[1].names, (std::vector<std::u16string>{u"other", u"Other.exe"}));

  // A known process whose kernel name changed has started another program.
  root.Write("10/comm", "Game.exe\n");
  root.Write("10/cmdline", "Z:\\Game.exe\0"s);
  scanner.Scan();
  EXPECT_EQ(scanner.LastFullReads(), 1);
  EXPECT_EQ(scanner.Processes()[0].names, (std::vector<std::u16string>{u"game-launcher", u"Game.exe"}));
  // Unchanged processes are kept without reading them whole.
  scanner.Scan();
  EXPECT_EQ(scanner.LastFullReads(), 0);
  // A process that ended is gone from the next scan.
  std::filesystem::remove_all(root.path() + "13");
  EXPECT_EQ(scanner.Scan().size(), 1u);
  // A missing proc file system gives no processes rather than an error.
  ProcessScanner none(root.path() + "missing");
  EXPECT_TRUE(none.Scan().empty());
}

TEST(ProcessScan, OnlyTheOwnersProcessesTakePartByTheirRealUserId) {
  EXPECT_EQ(RealUidOfStatus("Name:\tbash\nUmask:\t0022\nUid:\t1000\t0\t0\t0\nGid:\t100\n"), 1000);
  EXPECT_EQ(RealUidOfStatus("Uid: 0 0 0 0\n"), 0);
  EXPECT_EQ(RealUidOfStatus("Name:\tUid:\t5\nPid:\t7\n"), -1);  // a name is no Uid line
  EXPECT_EQ(RealUidOfStatus("Name:\tx\nUid:\t\n"), -1);
  EXPECT_EQ(RealUidOfStatus("Name:\tx\nUid:\t123456789012\n"), -1);

  TempDir root;
  using namespace std::string_literals;
  const uid_t me = 1000, other = 1001;
  // Another user's game and this user's editor; the other user's process also runs a
  // program whose real id was given up for this user's effective one (a setuid helper).
  for (const auto& [pid, uid, name] : {std::tuple{30, other, "MyGame.exe"}, std::tuple{31, me, "Editor"}}) {
    WriteStatus(root, pid, uid);
    root.Write(std::to_string(pid) + "/comm", std::string(name) + "\n");
    root.Write(std::to_string(pid) + "/cmdline", std::string(name) + "\0"s);
  }
  root.Write("32/status", "Name:\thelper\nUid:\t1001\t1000\t1000\t1000\n");
  root.Write("32/comm", "helper\n");
  root.Write("32/cmdline", "helper\0"s);
  ProcessScanner scanner(root.path(), me);
  ASSERT_EQ(scanner.Scan().size(), 1u);
  EXPECT_EQ(scanner.Processes()[0].pid, 31);
  // The others are remembered: a later scan reads none of them again.
  scanner.Scan();
  EXPECT_EQ(scanner.LastFullReads(), 0);
  // Its profile never switches this user's keyboard.
  ProfileStore store;
  store.Append(Linked(1, u"game"));
  store.Append(Linked(2, u"editor"));
  EXPECT_EQ(FirstLinkedProfile(store, scanner.Processes())->id, 2u);
  // The same process seen by its own user.
  ProcessScanner theirs(root.path(), other);
  EXPECT_EQ(theirs.Scan().size(), 2u);
  // A process that starts another program is looked at again (and may now be this user's).
  WriteStatus(root, 30, me);
  root.Write("30/comm", "MyGame2.exe\n");
  EXPECT_EQ(scanner.Scan().size(), 2u);
}

TEST(ProcessScan, AProcessOfAnotherUserIsNotFoundAndOneOfThisUserIs) {
  if (::getuid() != 0) GTEST_SKIP() << "starting a process as another user needs root";
  TempDir dir;
  const std::string game = CopyProgram(dir, "/bin/sleep", "MyGame.exe");
  std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
  std::filesystem::permissions(game, std::filesystem::perms::all);
  // A child that becomes nobody and then runs the game; told when it has.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t nobody = ::fork();
  ASSERT_GE(nobody, 0);
  if (nobody == 0) {
    ::close(ready[0]);
    ::setpgid(0, 0);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
    ::fcntl(ready[1], F_SETFD, FD_CLOEXEC);  // closed by the exec: the game runs
    char seconds[] = "30";
    char* argv[] = {const_cast<char*>(game.c_str()), seconds, nullptr};
    ::execv(game.c_str(), argv);
    ::_exit(4);
  }
  ::close(ready[1]);
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 0);  // the exec closed it
  ::close(ready[0]);
  Child mine({game, "30"});
  ProcessScanner scanner;
  ASSERT_TRUE(WaitForName(scanner, mine.pid(), u"MyGame.exe"));
  // Long enough for the other process to have shown its name.
  ProcessScanner theirs("/proc", 65534);
  EXPECT_TRUE(WaitForName(theirs, nobody, u"MyGame.exe"));
  EXPECT_EQ(Find(scanner.Scan(), nobody), nullptr);
  ::kill(-nobody, SIGKILL);
  ::waitpid(nobody, nullptr, 0);
}

TEST(SwitchRule, TheFirstProfileWhoseLinkedProgramRunsWinsIgnoringCase) {
  ProfileStore store;
  store.Append(Linked(1, u""));
  store.Append(Linked(2, u"game"));
  store.Append(Linked(3, u"editor"));
  const std::vector<RunningProcess> none = {Process(5, {u"bash"})};
  const std::vector<RunningProcess> game = {Process(5, {u"bash"}), Process(9, {u"wine64-preloader", u"MyGame.exe"})};
  const std::vector<RunningProcess> both = {Process(4, {u"Editor"}), Process(9, {u"MYGAME.EXE"})};
  EXPECT_EQ(FirstLinkedProfile(store, none), nullptr);
  ASSERT_NE(FirstLinkedProfile(store, game), nullptr);
  EXPECT_EQ(FirstLinkedProfile(store, game)->id, 2u);
  // Store order decides, not process order.
  EXPECT_EQ(FirstLinkedProfile(store, both)->id, 2u);
  // An empty link never matches, even an empty name.
  EXPECT_EQ(FirstLinkedProfile(store, {Process(1, {u""})}), nullptr);
  // A linked program longer than the record holds is cut.
  Profile p = Linked(7, std::u16string(400, u'x'));
  EXPECT_EQ(p.LinkedProgram().size(), kLinkedProgramChars - 1);
}

TEST(SwitchRule, TheChoiceOfProgramsListsTheUsersProgramsAndWindowsExecutablesOnce) {
  RunningProcess kernel = Process(2, {u"kthreadd"});
  RunningProcess shell = Process(5, {u"bash"});
  shell.program = u"bash";
  RunningProcess wine = Process(9, {u"wine64-preloader", u"MyGame.exe", u"save.dat"});
  wine.program = u"wine64-preloader";
  RunningProcess own = Process(11, {u"tastor"});
  own.program = u"tastor";
  RunningProcess shell2 = Process(12, {u"BASH"});
  shell2.program = u"BASH";
  EXPECT_EQ(LinkableProgramNames({kernel, shell, wine, own, shell2}, 11),
            (std::vector<std::u16string>{u"MyGame.exe", u"bash", u"wine64-preloader"}));
}

TEST(SwitchRule, ATickAppliesTheMatchOnceAndOnlyWithTheKeyboardPresent) {
  TempDir root;
  using namespace std::string_literals;
  WriteStatus(root, 20, ::getuid());
  root.Write("20/comm", "MyGame.exe\n");
  root.Write("20/cmdline", "MyGame.exe\0"s);
  WriteStatus(root, 21, ::getuid());
  root.Write("21/comm", "Editor\n");
  root.Write("21/cmdline", "Editor\0"s);
  ProcessScanner scanner(root.path());
  ProfileStore store;
  store.Append(Linked(1, u""));
  store.Append(Linked(2, u"game"));
  store.Append(Linked(3, u"edit"));
  store.SetCurrent(1);
  ProfileSwitch sw;

  EXPECT_EQ(sw.Tick(false, false, store, scanner), 0u);
  EXPECT_TRUE(scanner.Processes().empty());  // no keyboard: nothing is scanned
  EXPECT_EQ(sw.Tick(true, false, store, scanner), 2u);
  EXPECT_EQ(sw.Tick(true, false, store, scanner), 0u);  // its run is under way
  EXPECT_FALSE(sw.RunEnded(3, ProfileSwitch::RunResult::Applied, false));  // not the pending one
  EXPECT_TRUE(sw.RunEnded(2, ProfileSwitch::RunResult::Applied, false));
  store.SetCurrent(2);
  // Both run and the first is current: the second is never considered.
  EXPECT_EQ(sw.Tick(true, false, store, scanner), 0u);

  // A failed run is not tried again while the same profile matches...
  store.SetCurrent(1);
  EXPECT_EQ(sw.Tick(true, false, store, scanner), 2u);
  EXPECT_FALSE(sw.RunEnded(2, ProfileSwitch::RunResult::Failed, false));
  EXPECT_EQ(sw.Tick(true, false, store, scanner), 0u);
  // ...until the keyboard arrives again.
  sw.DeviceArrived();
  EXPECT_EQ(sw.Tick(true, false, store, scanner), 2u);
  // A run that found no keyboard is tried on the next tick.
  EXPECT_FALSE(sw.RunEnded(2, ProfileSwitch::RunResult::NotRun, false));
  EXPECT_EQ(sw.Tick(true, false, store, scanner), 2u);
  EXPECT_FALSE(sw.RunEnded(2, ProfileSwitch::RunResult::Failed, false));
  // The game ends: the next program's profile follows, and the failure is forgotten.
  std::filesystem::remove_all(root.path() + "20");
  EXPECT_EQ(sw.Tick(true, false, store, scanner), 3u);
}

TEST(SwitchRule, NothingSwitchesWhileTheUserIsInAModalWindow) {
  TempDir root;
  using namespace std::string_literals;
  WriteStatus(root, 20, ::getuid());
  root.Write("20/comm", "MyGame.exe\n");
  root.Write("20/cmdline", "MyGame.exe\0"s);
  ProcessScanner scanner(root.path());
  ProfileStore store;
  store.Append(Linked(1, u""));
  store.Append(Linked(2, u"game"));
  store.SetCurrent(1);
  ProfileSwitch sw;

  // The picker is open: no run is asked for, whatever runs.
  EXPECT_EQ(sw.Tick(true, true, store, scanner), 0u);
  EXPECT_TRUE(scanner.Processes().empty());
  // The first tick after it closed switches.
  EXPECT_EQ(sw.Tick(true, false, store, scanner), 2u);
  // A run that ends while a window has opened meanwhile is not made current...
  EXPECT_FALSE(sw.RunEnded(2, ProfileSwitch::RunResult::Applied, true));
  EXPECT_EQ(sw.Tick(true, true, store, scanner), 0u);
  // ...and is written again once the window has gone (not taken for a failure).
  EXPECT_EQ(sw.Tick(true, false, store, scanner), 2u);
  EXPECT_TRUE(sw.RunEnded(2, ProfileSwitch::RunResult::Applied, false));
}

TEST(TrayRule, TheSettingAndTheDesktopsTrayDecideHowTheWindowLives) {
  const TrayBehaviour hidden = TrayBehaviourFor(1, true);
  EXPECT_TRUE(hidden.icon && hidden.startHidden && hidden.closeHides && hidden.hideOnRemoval);
  EXPECT_FALSE(hidden.balloonOnRemoval || hidden.trayMissing);
  const TrayBehaviour shown = TrayBehaviourFor(3, true);
  EXPECT_TRUE(shown.icon && shown.closeHides && shown.balloonOnRemoval);
  EXPECT_FALSE(shown.startHidden || shown.hideOnRemoval);
  for (const int none : {0, 2, 4, -1}) {
    const TrayBehaviour b = TrayBehaviourFor(none, true);
    EXPECT_FALSE(b.icon || b.startHidden || b.closeHides || b.hideOnRemoval || b.balloonOnRemoval || b.trayMissing);
  }
  // No tray on the desktop: never hidden, the close button ends the program.
  for (const int wanted : {1, 3}) {
    const TrayBehaviour b = TrayBehaviourFor(wanted, false);
    EXPECT_TRUE(b.trayMissing);
    EXPECT_FALSE(b.icon || b.startHidden || b.closeHides || b.hideOnRemoval || b.balloonOnRemoval);
  }
  // --hidden starts in the tray whatever the setting, which still decides the removal.
  for (const int setting : {0, 1, 3}) {
    const TrayBehaviour b = TrayBehaviourFor(setting, true, true);
    EXPECT_TRUE(b.icon && b.startHidden && b.closeHides) << setting;
    EXPECT_EQ(setting == 1, b.hideOnRemoval) << setting;
    EXPECT_EQ(setting == 3, b.balloonOnRemoval) << setting;
    EXPECT_FALSE(b.hiddenWithoutTray);
    const TrayBehaviour none = TrayBehaviourFor(setting, false, true);
    EXPECT_TRUE(none.hiddenWithoutTray) << setting;
    EXPECT_FALSE(none.icon || none.startHidden || none.closeHides) << setting;
  }
}

TEST(ProcessScan, KeptKernelNameFilesCloseWithTheirProcessAndTheScanner) {
  const auto openFiles = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
  };
  // Other tests start and end processes meanwhile, so the child's own files are looked for
  // rather than counted.
  const auto filesOf = [](int pid) {
    const std::string prefix = "/proc/" + std::to_string(pid) + "/";
    int n = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
      std::error_code ec;
      const auto target = std::filesystem::read_symlink(fd.path(), ec).string();
      if (!ec && target.rfind(prefix, 0) == 0) ++n;
    }
    return n;
  };
  const auto before = openFiles();
  {
    ProcessScanner scanner;
    auto child = std::make_unique<Child>(std::vector<std::string>{"/bin/sleep", "30"});
    const int pid = child->pid();
    ASSERT_TRUE(WaitForName(scanner, pid, u"sleep"));
    EXPECT_GT(filesOf(pid), 0);
    child.reset();  // killed and reaped
    scanner.Scan();
    EXPECT_EQ(Find(scanner.Processes(), pid), nullptr);
    EXPECT_EQ(filesOf(pid), 0);
  }
  EXPECT_EQ(openFiles(), before);
}
