// SPDX-License-Identifier: GPL-2.0-or-later
// The user data folder's lock: another process holding it makes a take wait and give up
// after the bounded wait, a thread may take it again while it holds it (also through
// another spelling of the folder) while other threads wait, and the lock file is only ever
// a plain file of the folder's own.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "base/user_folder_lock.h"
#include "tests/support/test_support.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A child process that holds the lock of a folder until it is told to let go.
class HoldingProcess {
 public:
  explicit HoldingProcess(const std::string& folder, std::chrono::milliseconds wait = 5000ms) {
    if (::pipe(ready_) != 0 || ::pipe(release_) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      UserFolderLock lock = UserFolderLock::Take(folder, wait);
      const char held = lock.Held() ? 'y' : 'n';
      (void)!::write(ready_[1], &held, 1);
      char c = 0;
      (void)!::read(release_[0], &c, 1);
      ::_exit(0);
    }
    char held = 0;
    holds_ = ::read(ready_[0], &held, 1) == 1 && held == 'y';
  }
  ~HoldingProcess() { Release(); }
  bool Holds() const { return holds_; }
  void Release() {
    if (pid_ <= 0) return;
    (void)!::write(release_[1], "x", 1);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  int ready_[2] = {-1, -1};
  int release_[2] = {-1, -1};
  pid_t pid_ = -1;
  bool holds_ = false;
};

long Millis(Clock::duration d) { return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count()); }

TEST(UserFolderLock, AnotherProcessMakesATakeWaitAndGiveUpAfterTheBoundedWait) {
  TempDir dir;
  HoldingProcess other(dir.path());
  ASSERT_TRUE(other.Holds());
  const auto start = Clock::now();
  const UserFolderLock refused = UserFolderLock::Take(dir.path(), 200ms);
  const long waited = Millis(Clock::now() - start);
  EXPECT_FALSE(refused.Held());
  EXPECT_GE(waited, 200);
  EXPECT_LT(waited, 2000);
  EXPECT_NE(refused.Error().find(dir.path() + ".tastor.lock"), std::string::npos) << refused.Error();
  EXPECT_NE(refused.Error().find("more than 1 s"), std::string::npos) << refused.Error();

  // A take that is still waiting when the other process lets go gets the lock.
  std::thread releaser([&other] {
    std::this_thread::sleep_for(100ms);
    other.Release();
  });
  const UserFolderLock taken = UserFolderLock::Take(dir.path(), 5000ms);
  releaser.join();
  EXPECT_TRUE(taken.Held()) << taken.Error();
  struct stat st {};
  ASSERT_EQ(0, ::lstat((dir.path() + ".tastor.lock").c_str(), &st));
  EXPECT_EQ(0600u, st.st_mode & 0777);
}

TEST(UserFolderLock, TheHoldingThreadTakesItAgainWhileOtherThreadsWait) {
  TempDir dir;
  UserFolderLock outer = UserFolderLock::Take(dir.path());
  ASSERT_TRUE(outer.Held()) << outer.Error();
  // Nested, also through another spelling of the same folder: at once, not after a wait.
  const auto start = Clock::now();
  UserFolderLock inner = UserFolderLock::Take(dir.path() + "/./", 200ms);
  EXPECT_TRUE(inner.Held()) << inner.Error();
  EXPECT_LT(Millis(Clock::now() - start), 100);
  UserFolderLock viaMacroFolder = UserFolderLock::TakeForMacroFolder(dir.path() + "Mac", 200ms);
  EXPECT_TRUE(viaMacroFolder.Held()) << viaMacroFolder.Error();

  auto otherThread = [&dir](std::chrono::milliseconds wait) {
    return std::async(std::launch::async, [&dir, wait] { return UserFolderLock::Take(dir.path(), wait).Held(); });
  };
  outer.Release();  // the inner takes still hold it
  EXPECT_FALSE(otherThread(100ms).get());
  {
    // Nor can another process have it meanwhile, not even one forked from this one.
    HoldingProcess process(dir.path(), 100ms);
    EXPECT_FALSE(process.Holds());
  }
  auto waiting = otherThread(5000ms);
  std::this_thread::sleep_for(50ms);
  inner.Release();
  EXPECT_FALSE(waiting.wait_for(0ms) == std::future_status::ready) << "released while one take still holds it";
  viaMacroFolder.Release();
  EXPECT_TRUE(waiting.get());
}

TEST(UserFolderLock, TheLockFileIsOnlyEverAPlainFileOfTheFolder) {
  TempDir dir;
  // A link put in its place is not followed (no file is made where it points).
  ASSERT_EQ(0, ::symlink((dir.path() + "elsewhere").c_str(), (dir.path() + ".tastor.lock").c_str()));
  UserFolderLock lock = UserFolderLock::Take(dir.path(), 100ms);
  EXPECT_FALSE(lock.Held());
  EXPECT_NE(lock.Error().find("symbolic link"), std::string::npos) << lock.Error();
  EXPECT_NE(0, ::access((dir.path() + "elsewhere").c_str(), F_OK));

  // A pipe is refused at once instead of blocking; so is a folder.
  TempDir piped;
  ASSERT_EQ(0, ::mkfifo((piped.path() + ".tastor.lock").c_str(), 0600));
  const auto start = Clock::now();
  lock = UserFolderLock::Take(piped.path(), 5000ms);
  EXPECT_FALSE(lock.Held());
  EXPECT_LT(Millis(Clock::now() - start), 1000);
  EXPECT_NE(lock.Error().find("not a plain file"), std::string::npos) << lock.Error();
  TempDir folder;
  ASSERT_EQ(0, ::mkdir((folder.path() + ".tastor.lock").c_str(), 0700));
  EXPECT_FALSE(UserFolderLock::Take(folder.path(), 100ms).Held());

  // A folder that does not exist cannot be locked, and says so.
  lock = UserFolderLock::Take(dir.path() + "missing/", 100ms);
  EXPECT_FALSE(lock.Held());
  EXPECT_NE(lock.Error().find("No such file"), std::string::npos) << lock.Error();
}

}  // namespace
