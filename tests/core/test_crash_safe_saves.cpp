// SPDX-License-Identifier: GPL-2.0-or-later
// The stored files survive the program dying in the middle of a save: a real process
// saves pro.dct, curid.dct, a macro file and an export over and over and is killed with
// SIGKILL at random moments; after every kill each file is whole and holds one of the two
// versions written, never a torn, empty or missing file. A full disk or a read-only folder
// is reported with the program's messages and leaves the old files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "base/log.h"
#include "macro/macro_files.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "tests/core/test_model_support.h"
#include "tests/support/test_support.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const char* const kFiles[] = {"pro.dct", "curid.dct", "Mac/Loop.mck", "Loop.kbp"};

// The save loop as a child process with its standard output on a pipe.
struct SaveLoop {
  pid_t pid = -1;
  int out = -1;

  explicit SaveLoop(const std::string& user, const char* first = "A") {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    const std::string program = TASTOR_SAVE_LOOP;
    char* argv[] = {const_cast<char*>(program.c_str()), const_cast<char*>(user.c_str()), const_cast<char*>(first),
                    nullptr};
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out = fds[0];
  }
  ~SaveLoop() {
    Kill();
    if (out >= 0) ::close(out);
  }
  // Waits for "ready" (the first round written); false when the loop ended instead.
  bool WaitReady() {
    char buffer[16];
    return ::read(out, buffer, sizeof buffer) > 0;
  }
  // SIGKILL and reap; true when it was still running (killed, not ended by itself).
  bool Kill() {
    if (pid <= 0) return false;
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }
};

TEST(CrashSafeSaves, FilesAreWholeOldOrNewAfterEveryKill) {
  TempDir dir;
  const std::string user = dir.path() + "user";
  // How long a start and one round take here (each save waits for the disk twice): the
  // kills are spread over twice that, so that they land before, in and after each save.
  std::chrono::microseconds round{};
  {
    const auto start = std::chrono::steady_clock::now();
    SaveLoop first(user);
    ASSERT_GT(first.pid, 0);
    ASSERT_TRUE(first.WaitReady()) << "the save loop ended before its first round";
    round = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  }
  std::map<std::string, std::pair<std::string, std::string>> versions;
  for (const std::string file : kFiles) {
    const std::string name = fs::path(file).filename().string();
    versions[file] = {ReadFile(user + "/expected/" + name + ".A"), ReadFile(user + "/expected/" + name + ".B")};
    ASSERT_NE(versions[file].first, versions[file].second) << file << ": the two versions must differ";
  }

  std::mt19937 random(20261209);
  std::uniform_int_distribution<long> delay(0, std::min<long>(round.count(), 150000));
  std::map<std::string, int> seen;
  constexpr int kKills = 200;
  for (int kill = 0; kill < kKills; ++kill) {
    // Every other run starts with the other version, so each kill can land in a change.
    SaveLoop loop(user, kill % 2 == 0 ? "B" : "A");
    ASSERT_GT(loop.pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    ASSERT_TRUE(loop.Kill()) << "the save loop ended by itself";
    for (const std::string file : kFiles) {
      const std::string bytes = ReadFile(user + "/" + file);
      const auto& [a, b] = versions[file];
      ASSERT_TRUE(bytes == a || bytes == b)
          << file << " after kill " << kill << ": " << bytes.size() << " bytes, neither version";
      ++seen[file + (bytes == a ? " A" : " B")];
    }
  }
  // The kills landed at different points of the loop: both versions were found.
  for (const std::string file : kFiles) {
    EXPECT_GT(seen[file + " A"], 0) << file;
    EXPECT_GT(seen[file + " B"], 0) << file;
  }

  // What a killed save leaves beside a file is no macro of the library, and the next save
  // of that file clears it away.
  MacroLibrary library;
  AppSettings settings;
  ASSERT_EQ(LoadMacroLibrary(library, user + "/Mac", settings), 1);
  EXPECT_EQ(library.Count(), 1);
  SaveLoop last(user);
  ASSERT_TRUE(last.WaitReady());
  last.Kill();
  SaveLoop again(user);
  ASSERT_TRUE(again.WaitReady());
  const pid_t lastPid = again.pid;
  again.Kill();
  for (const auto& e : fs::recursive_directory_iterator(user)) {
    const std::string name = e.path().filename().string();
    // Only the last killed process's own files may still lie there.
    if (IsReplacementFileName(name)) {
      EXPECT_NE(name.find(std::to_string(lastPid)), std::string::npos) << name;
    }
  }
}

// A store, a macro library with one dirty macro and its item, and the old files on disk.
class SaveFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::mkdir(User().c_str(), 0755);
    store_.Append(MakeProfile(0x110001, u"Old", settings_));
    store_.SetCurrent(0x110001);
    MacroRecord m = MakeDefaultMacro(0x330001, u"Loop");
    m.dwFlags = kMacroDirtyBits;
    library_.Add(m);
    item_.names = {u"Loop"};
    item_.macroId = 0x330001;
    ASSERT_EQ(SaveProfiles(store_, User()), 1);
    ASSERT_EQ(SaveCurrentId(store_, User()), 1);
    ASSERT_EQ(Flush_Dirty_Macro(library_, User() + "Mac", item_), 1);
    ASSERT_EQ(Shown(ExportProfile(store_, library_, User() + "Loop.kbp")), 1);
    for (const std::string file : kFiles) old_[file] = ReadFile(User() + file);
    // The new versions: other contents in every file.
    store_.Current()->SetName(u"New");
    store_.Append(MakeProfile(0x110002, u"Second", settings_));
    store_.SetCurrent(0x110002);
    library_.FindMacroById(0x330001)->Events[0] = MacroEvent{'A', 1, 5};
    library_.FindMacroById(0x330001)->dwFlags = kMacroDirtyBits;
  }
  std::string User() const { return dir_.path() + "user/"; }
  void ExpectOldFiles() {
    for (const std::string file : kFiles) EXPECT_EQ(ReadFile(User() + file), old_[file]) << file;
  }

  TempDir dir_;
  AppSettings settings_;
  ProfileStore store_;
  MacroLibrary library_;
  MacroItemPath item_;
  std::map<std::string, std::string> old_;
};

TEST_F(SaveFailureTest, FullDiskIsReportedAndLeavesTheOldFiles) {
  LogRecorder log;
  RecordingWindowPort port;
  {
    FileSizeLimit full(16);  // every file above 16 bytes hits the limit as on a full disk
    EXPECT_EQ(SaveProfiles(store_, User()), 0);
    EXPECT_EQ(Flush_Dirty_Macro(library_, User() + "Mac", item_), 0);
    EXPECT_EQ(Shown(ExportProfile(store_, library_, User() + "Loop.kbp")), 0);
  }
  EXPECT_EQ(log.Count("Save pro: WriteFile err=27"), 1);  // EFBIG
  EXPECT_EQ(log.Count("Flush_Dirty_Macro: WriteFile err=0x1b, " + User() + "Mac/Loop.mck"), 1);
  EXPECT_EQ(port.Texts(), std::vector<std::u16string>{u"Create profile failed."});
  EXPECT_NE(uint32_t{library_.FindMacroById(0x330001)->dwFlags} & kMacroDirtyBits, 0u) << "the macro stays dirty";
  ExpectOldFiles();
  // Nothing half-written is left beside them.
  for (const auto& e : fs::recursive_directory_iterator(User())) {
    EXPECT_FALSE(IsReplacementFileName(e.path().filename().string())) << e.path();
  }
}

TEST_F(SaveFailureTest, ReadOnlyFolderIsReportedAndLeavesTheOldFiles) {
  // As a user who may not write the folders (root writes anywhere, so the saves run in a
  // child that gives up root first).
  ::chmod(User().c_str(), 0555);
  ::chmod((User() + "Mac").c_str(), 0555);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
    LogRecorder log;
    RecordingWindowPort port;
    int failures = 0;
    failures |= SaveProfiles(store_, User()) == 0 && log.Count("Save pro: CreateFile err=13") == 1 ? 0 : 1;
    failures |= SaveCurrentId(store_, User()) == 0 ? 0 : 2;
    failures |= Flush_Dirty_Macro(library_, User() + "Mac", item_) == 0 &&
                        (library_.FindMacroById(0x330001)->dwFlags & kMacroDirtyBits) != 0
                    ? 0
                    : 4;
    failures |= Shown(ExportProfile(store_, library_, User() + "Loop.kbp")) == 0 &&
                        port.Texts() == std::vector<std::u16string>{u"Create profile failed."}
                    ? 0
                    : 8;
    ::_exit(failures);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::chmod(User().c_str(), 0755);
  ::chmod((User() + "Mac").c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_NE(WEXITSTATUS(status), 100) << "could not give up root";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1 pro.dct, 2 curid.dct, 4 macro, 8 export failed differently";
  ExpectOldFiles();
}

}  // namespace
