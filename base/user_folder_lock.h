// SPDX-License-Identifier: GPL-2.0-or-later
// UserFolderLock: one writer at a time in the user data folder. Every change of pro.dct,
// curid.dct or the macro folder, by tastor-cli or by the main window, holds an advisory
// flock on ".tastor.lock" in the user data folder, so that two programs never read, change
// and write back the same files over each other. tastor-cli takes it before it reads the
// folder and keeps it until its writes are done; the windows take it for each save; the
// macro file operations (macro/) take it around their disk work. Within one process the
// lock is shared: a thread that holds it may take it again (nested), other threads wait.
#pragma once

#include <chrono>
#include <string>

class UserFolderLock {
 public:
  // The lock file inside the user data folder.
  static constexpr const char* kFileName = ".tastor.lock";
  // How long a take waits for another holder before it gives up, so that a hung process
  // cannot block every other one for ever.
  static constexpr std::chrono::milliseconds kWait{10000};

  // Holds nothing.
  UserFolderLock() = default;
  ~UserFolderLock() { Release(); }
  UserFolderLock(UserFolderLock&& other) noexcept;
  UserFolderLock& operator=(UserFolderLock&& other) noexcept;
  UserFolderLock(const UserFolderLock&) = delete;
  UserFolderLock& operator=(const UserFolderLock&) = delete;

  // Takes the lock of the folder (a path ending with "/"), waiting at most `wait` for
  // another process or thread that holds it. Not held, with Error() saying why, when the
  // wait runs out or the lock file cannot be opened (a missing or read-only folder, a
  // symbolic link or anything but a plain file in its place).
  static UserFolderLock Take(const std::string& userDataFolder, std::chrono::milliseconds wait = kWait);
  // The same for the user data folder that holds a macro folder (its parent).
  static UserFolderLock TakeForMacroFolder(const std::string& macroFolder, std::chrono::milliseconds wait = kWait);

  bool Held() const { return held_; }
  // Why the lock is not held: one line naming the lock file.
  const std::string& Error() const { return error_; }
  // Gives the lock back (the file itself stays for the next holder).
  void Release();

 private:
  bool held_ = false;
  std::string folder_;
  std::string error_;
};
