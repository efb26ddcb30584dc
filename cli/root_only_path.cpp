// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/root_only_path.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::string UserName(uid_t uid) {
  std::vector<char> buffer(4096);
  passwd entry {};
  passwd* found = nullptr;
  const std::string number = "uid " + std::to_string(uid);
  if (::getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return std::string(found->pw_name) + " (" + number + ")";
  }
  return number;
}

std::string GroupName(gid_t gid) {
  std::vector<char> buffer(4096);
  group entry {};
  group* found = nullptr;
  const std::string number = "gid " + std::to_string(gid);
  if (::getgrgid_r(gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return std::string(found->gr_name) + " (" + number + ")";
  }
  return number;
}

// Why one step of the resolved path could be changed by someone but root, or "".
std::string StepProblem(const std::string& path, const struct stat& st, bool last, RootOnlyKind kind) {
  // realpath resolved every link; one here was put in since.
  if (S_ISLNK(st.st_mode)) return path + " became a symbolic link while it was checked";
  if (st.st_uid != 0) return path + " is owned by " + UserName(st.st_uid) + ", not by root";
  const bool stickyOnTheWay = !last && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0;
  if (!stickyOnTheWay) {
    if ((st.st_mode & S_IWOTH) != 0) return path + " can be written by every user";
    // With an access control list the group bits are its mask: a user or group granted
    // writing by the list shows here too.
    if ((st.st_mode & S_IWGRP) != 0) return path + " can be written by the group " + GroupName(st.st_gid);
  }
  if (last && kind == RootOnlyKind::kFile && !S_ISREG(st.st_mode)) return path + " is not a regular file";
  if ((!last || kind == RootOnlyKind::kFolder) && !S_ISDIR(st.st_mode)) return path + " is not a folder";
  return {};
}

}  // namespace

RootOnlyCheck CheckRootOnlyPath(const std::string& path, RootOnlyKind kind) {
  RootOnlyCheck check;
  char real[PATH_MAX];
  if (::realpath(path.c_str(), real) == nullptr) {
    check.problem = path + ": " + std::strerror(errno);
    return check;
  }
  check.resolved = real;
  // "/", then every longer prefix up to the whole path.
  std::size_t end = 0;
  while (true) {
    const std::string step = end == 0 ? std::string("/") : check.resolved.substr(0, end);
    const bool last = end == check.resolved.size() || check.resolved == "/";
    struct stat st {};
    if (::lstat(step.c_str(), &st) != 0) {
      check.problem = step + ": " + std::strerror(errno);
      return check;
    }
    check.problem = StepProblem(step, st, last, kind);
    if (!check.ok() || last) return check;
    end = check.resolved.find('/', end + 1);
    if (end == std::string::npos) end = check.resolved.size();
  }
}
