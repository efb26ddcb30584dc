// SPDX-License-Identifier: GPL-2.0-or-later
// Whether only root can change what a path names: the path with every symbolic link
// resolved, and each folder from / down to it, owned by root and writable neither by a
// group nor by other users. A root-owned folder with the sticky bit (like /tmp) may be
// writable by others on the way down: nobody but root can rename or remove what root made
// in it. tastor-cli udev-rule calls this before it names a probe in a rule (udev runs that
// probe as root at every plug-in) and before it installs into a folder; it only reads.
#pragma once

#include <string>

enum class RootOnlyKind { kFile, kFolder };

struct RootOnlyCheck {
  std::string resolved;  // the real path, when it could be resolved
  std::string problem;   // empty when only root can change it, else why not (naming the path)
  bool ok() const { return problem.empty(); }
};

// kFile: the path must be a regular file; kFolder: a folder.
RootOnlyCheck CheckRootOnlyPath(const std::string& path, RootOnlyKind kind);
