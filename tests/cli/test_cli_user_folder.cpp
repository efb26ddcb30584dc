// SPDX-License-Identifier: GPL-2.0-or-later
// The user data folder shared by commands run at the same time, and writes that fail:
// configuring commands started together change the files one after the other, so none of
// their changes is lost; a write that fails (a full disk, a folder in the file's place)
// ends the command with exit status 1, says what happened and leaves nothing behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "app/program_settings.h"
#include "macro/macro_record.h"
#include "model/profile_files.h"
#include "platform/virtual_keys.h"
#include "tests/support/test_support.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> kSimulator = {"TASTOR_SIM_ABSENT=", "TASTOR_SIM_KEYBOARDS=", "TASTOR_SIM_FAIL_TRANSFERS=",
                                             "TASTOR_SIM_NO_PERMISSION=", "TASTOR_SIM_NO_PAUSES=1"};

// A small tmpfs mounted for one test: a disk that is really full, which root cannot write
// past as it can write past permissions.
class SmallDisk {
 public:
  static constexpr std::size_t kBytes = 256 * 1024;
  explicit SmallDisk(const std::string& where) : path_(where) {
    fs::create_directories(path_);
    const std::string options = "size=" + std::to_string(kBytes) + ",mode=0755";
    if (::mount("tastor-test", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
      why_ = std::string("a tmpfs cannot be mounted here: ") + std::strerror(errno);
      return;
    }
    mounted_ = true;
  }
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  const std::string& Why() const { return why_; }
  const std::string& Path() const { return path_; }

  // Fills the disk with a file of its own until at most `room` bytes are left.
  bool Fill(std::size_t room) {
    const std::string filler = path_ + "/filler";
    const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const std::vector<char> block(4096, 'x');
    off_t size = 0;
    while (::write(fd, block.data(), block.size()) == static_cast<ssize_t>(block.size())) size += 4096;
    const bool ok = ::ftruncate(fd, size > static_cast<off_t>(room) ? size - static_cast<off_t>(room) : 0) == 0;
    ::close(fd);
    return ok;
  }
  void Empty() { fs::remove(path_ + "/filler"); }
  std::size_t Room() const {
    struct statvfs st {};
    return ::statvfs(path_.c_str(), &st) == 0 ? static_cast<std::size_t>(st.f_bavail) * st.f_frsize : 0;
  }

 private:
  std::string path_;
  std::string why_;
  bool mounted_ = false;
};

class CliUserFolder : public ::testing::Test {
 protected:
  std::vector<std::string> Argv(const std::string& user, const std::vector<std::string>& args) const {
    std::vector<std::string> argv = {BinDir() + "tastor-cli", "--user-dir", user};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
  }
  RunResult Cli(const std::vector<std::string>& args, const std::string& user) {
    std::vector<std::string> env = kSimulator;
    env.push_back("TASTOR_SIM_DIR=" + sim_.path());
    return RunProgram(Argv(user, args), env);
  }
  RunResult Cli(const std::vector<std::string>& args) { return Cli(args, user_.path()); }
  void Ok(const std::vector<std::string>& args, const std::string& user) {
    const RunResult r = Cli(args, user);
    ASSERT_EQ(0, r.status) << args[0] << ": " << r.err;
  }

  // Starts every command at once and waits for all of them; their exit statuses, with
  // what each wrote on standard error in errors.
  std::vector<int> RunTogether(const std::vector<std::vector<std::string>>& commands, std::vector<std::string>& errors) {
    std::vector<pid_t> pids;
    for (std::size_t i = 0; i < commands.size(); ++i) {
      std::vector<std::string> argv = Argv(user_.path(), commands[i]);
      std::vector<char*> args;
      for (std::string& a : argv) args.push_back(a.data());
      args.push_back(nullptr);
      const std::string err = logs_.path() + "err-" + std::to_string(i);
      posix_spawn_file_actions_t actions;
      posix_spawn_file_actions_init(&actions);
      posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
      posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      pid_t pid = -1;
      EXPECT_EQ(0, ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ));
      posix_spawn_file_actions_destroy(&actions);
      pids.push_back(pid);
    }
    std::vector<int> statuses;
    errors.clear();
    for (std::size_t i = 0; i < pids.size(); ++i) {
      int status = 0;
      ::waitpid(pids[i], &status, 0);
      statuses.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
      errors.push_back(ReadFile(logs_.path() + "err-" + std::to_string(i)));
    }
    return statuses;
  }

  Profile Stored(const std::string& user, int position) const {
    const ProfileFileRead read = ReadProfileSlots(user + "pro.dct", AppSettings());
    EXPECT_EQ(read.state, ProfileFileState::kLoaded) << read.reason;
    return read.profileSlots[static_cast<std::size_t>(position - 1)].profile;
  }
  Profile Stored(int position) const { return Stored(user_.path(), position); }
  uint32_t CurrentId(const std::string& user) const {
    const std::string bytes = ReadFile(user + "curid.dct");
    uint32_t id = 0;
    if (bytes.size() == 4) std::memcpy(&id, bytes.data(), 4);
    return id;
  }
  // The key table index of a key as the key table names it (F1 ... F12).
  static int KeyOfVk(uint8_t vk) {
    AppSettings s;
    LoadSettings(BinDir(), s);
    for (int i = 0; i < s.KeyTable.count; ++i) {
      if (s.KeyTable.keys[static_cast<std::size_t>(i)].key1 == vk) return i;
    }
    return -1;
  }
  // The macro files (and anything else) in a macro folder.
  static std::set<std::string> MacroFiles(const std::string& user) {
    std::set<std::string> names;
    if (!fs::exists(user + "Mac")) return names;
    for (const auto& e : fs::recursive_directory_iterator(user + "Mac")) names.insert(e.path().filename().string());
    return names;
  }
  static std::string WriteMacroFile(const TempDir& dir, const std::string& name, std::u16string_view title) {
    MacroRecord macro = MakeDefaultMacro(0x424242, title);
    macro.Events[0] = {'B', 1, 120};
    macro.Events[1] = {'B', 0, 0};
    const auto image = MacroFileImage(macro);
    return dir.Write(name, std::string(image.begin(), image.end()));
  }

  TempDir user_;
  TempDir sim_;
  TempDir logs_;
};

TEST_F(CliUserFolder, TwelveSetKeysStartedTogetherAreAllKept) {
  const RunResult first = Cli({"set-key", "F1", "--media", "Mute"});
  ASSERT_EQ(0, first.status) << first.err;
  const uint32_t mute = Stored(1).keys[static_cast<std::size_t>(KeyOfVk(VK_F1))].code;
  ASSERT_EQ(0, Cli({"set-key", "F1", "--media", "Volume up"}).status);
  const uint32_t volume = Stored(1).keys[static_cast<std::size_t>(KeyOfVk(VK_F1))].code;
  ASSERT_NE(mute, volume);

  for (int trial = 0; trial < 4; ++trial) {
    // Every trial changes every key: the other function than the trial before.
    const bool toMute = trial % 2 == 0;
    std::vector<std::vector<std::string>> commands;
    for (int n = 1; n <= 12; ++n) {
      commands.push_back({"set-key", "F" + std::to_string(n), "--media", toMute ? "Mute" : "Volume up"});
    }
    std::vector<std::string> errors;
    const std::vector<int> statuses = RunTogether(commands, errors);
    const Profile stored = Stored(1);
    for (int n = 1; n <= 12; ++n) {
      EXPECT_EQ(0, statuses[static_cast<std::size_t>(n - 1)]) << errors[static_cast<std::size_t>(n - 1)];
      EXPECT_EQ(toMute ? mute : volume, stored.keys[static_cast<std::size_t>(KeyOfVk(VK_F1 + n - 1))].code)
          << "trial " << trial << ": the change of F" << n << " was lost";
    }
  }
}

TEST_F(CliUserFolder, SetKeysAndRenamesStartedTogetherAreAllKept) {
  ASSERT_EQ(0, Cli({"rename", "--profile", "1", "Start"}).status);
  for (int trial = 0; trial < 3; ++trial) {
    const std::string t = std::to_string(trial);
    std::vector<std::vector<std::string>> commands;
    for (int n = 1; n <= 9; ++n) {
      commands.push_back({"set-key", "--profile", std::to_string(1 + n % 3), "F" + std::to_string(n), "--combo",
                          "Ctrl + " + std::string(1, static_cast<char>('A' + trial + n))});
    }
    for (int p = 1; p <= 3; ++p) commands.push_back({"rename", "--profile", std::to_string(p), "Trial " + t + "-" + std::to_string(p)});
    std::vector<std::string> errors;
    const std::vector<int> statuses = RunTogether(commands, errors);
    for (std::size_t i = 0; i < statuses.size(); ++i) EXPECT_EQ(0, statuses[i]) << errors[i];
    for (int p = 1; p <= 3; ++p) {
      EXPECT_EQ(u"Trial " + std::u16string(t.begin(), t.end()) + u"-" + std::u16string(1, static_cast<char16_t>(u'0' + p)),
                Stored(p).Name())
          << "trial " << trial << ": the rename of profile " << p << " was lost";
    }
    for (int n = 1; n <= 9; ++n) {
      const KeyFunction& key = Stored(1 + n % 3).keys[static_cast<std::size_t>(KeyOfVk(VK_F1 + n - 1))];
      EXPECT_EQ('A' + trial + n, key.key1) << "trial " << trial << ": the change of F" << n << " was lost";
    }
  }
}

TEST_F(CliUserFolder, ApplyWhoseCurrentIdCannotBeSavedExitsOneAndSaysSo) {
  ASSERT_EQ(0, Cli({"set-key", "F1", "--media", "Mute"}).status);
  RunResult r = Cli({"--simulate", "apply", "--profile", "1"});
  ASSERT_EQ(0, r.status) << r.err;
  const uint32_t first = CurrentId(user_.path());
  ASSERT_EQ(Stored(1).id, first);
  // A folder where curid.dct is: no rename lands on it, whoever runs the command.
  fs::remove(user_.path() + "curid.dct");
  user_.Write("curid.dct/keep", "x");
  const std::string profilesBefore = ReadFile(user_.path() + "pro.dct");

  r = Cli({"--simulate", "apply", "--profile", "2"});
  EXPECT_EQ(1, r.status);
  EXPECT_TRUE(Has(r.err, "the keyboard has the profile but the files do not")) << r.err;
  EXPECT_TRUE(Has(r.err, "curid.dct could not be saved")) << r.err;
  EXPECT_FALSE(Has(r.err, "pro.dct")) << "pro.dct was saved: " << r.err;
  EXPECT_EQ(profilesBefore, ReadFile(user_.path() + "pro.dct"));
}

TEST_F(CliUserFolder, OnAFullDiskImportsAndApplyFailWithExitOneAndLeaveNothingBehind) {
  SmallDisk disk(logs_.path() + "disk");
  if (!disk.Mounted()) GTEST_SKIP() << disk.Why();
  const std::string user = disk.Path() + "/user/";
  fs::create_directories(user);
  TempDir source;
  const std::string macroFile = WriteMacroFile(source, "Jump.mck", u"Jump");

  // A profile file whose key F1 plays a macro, exported from another library.
  TempDir other;
  WriteMacroFile(other, "Mac/Burst.mck", u"Burst");
  Ok({"set-key", "F1", "--macro", "Burst"}, other.path());
  const std::string kbp = source.path() + "burst.kbp";
  Ok({"export-profile", kbp}, other.path());

  Ok({"set-key", "F2", "--media", "Mute"}, user);
  Ok({"--simulate", "apply", "--profile", "1"}, user);
  const uint32_t firstId = CurrentId(user);
  const std::string profilesBefore = ReadFile(user + "pro.dct");

  // Full: the macro file cannot be written.
  ASSERT_TRUE(disk.Fill(0));
  ASSERT_LT(disk.Room(), 4096u);
  RunResult r = Cli({"import-macro", macroFile}, user);
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_TRUE(Has(r.err, "could not be written")) << r.err;
  EXPECT_FALSE(Has(r.out, "imported")) << r.out;
  EXPECT_TRUE(MacroFiles(user).empty()) << *MacroFiles(user).begin();

  // Full: the keyboard takes profile 2, the files cannot.
  r = Cli({"--simulate", "apply", "--profile", "2"}, user);
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_TRUE(Has(r.err, "the keyboard has the profile but the files do not")) << r.err;
  EXPECT_EQ(firstId, CurrentId(user)) << "curid.dct still names profile 1";
  EXPECT_EQ(profilesBefore, ReadFile(user + "pro.dct"));

  // Room for a macro file but not for the profiles: the import's macro goes again.
  disk.Empty();
  ASSERT_TRUE(disk.Fill(8 * 4096));
  ASSERT_GE(disk.Room(), 2 * 4096u);
  ASSERT_LT(disk.Room(), kProfileFileSize);
  r = Cli({"import-profile", kbp}, user);
  EXPECT_EQ(1, r.status) << r.err;
  EXPECT_TRUE(Has(r.err, "nothing was changed")) << r.err;
  EXPECT_TRUE(MacroFiles(user).empty()) << *MacroFiles(user).begin();
  EXPECT_EQ(profilesBefore, ReadFile(user + "pro.dct"));

  // With room again, the same import keeps its macro.
  disk.Empty();
  Ok({"import-profile", kbp}, user);
  EXPECT_EQ(std::set<std::string>{"Burst.mck"}, MacroFiles(user));
}

}  // namespace
