// SPDX-License-Identifier: GPL-2.0-or-later
// ProfileStore: the ordered list of profiles (each record allocated on its own and owned by
// the list) and the current-profile pointer. The main window binds the first three to its
// profile tabs; at most five are stored. The UI thread changes profiles under Lock(); the
// apply worker takes a copy of the current profile under the same lock at the start of a
// run, so it never encodes a half-changed profile.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "macro/cmylist.h"
#include "model/profile.h"

class ProfileStore {
 public:
  static constexpr int kMaxStored = 5;

  ProfileStore();

  // Held while a profile of the store is changed or copied. Recursive: the holder may call
  // the operations below.
  std::unique_lock<std::recursive_mutex> Lock() const { return std::unique_lock(mutex_); }

  // Empties the store; there is no current profile afterwards.
  void Clear();
  // Appends a copy and returns the store's record (null when memory runs out).
  Profile* Append(const Profile& profile);
  // Appends a new default profile with a new identifier and the name.
  Profile* Create(std::u16string_view name, const AppSettings& settings);
  // Removes the profile with the id; the current pointer is cleared when it was current.
  bool Remove(uint32_t id);
  // Puts a copy of the profile in the place of the one with the id, keeping the list's
  // order; the current pointer is cleared when the replaced one was current. Null when no
  // profile has the id (or memory runs out).
  Profile* Replace(uint32_t id, const Profile& profile);
  // The place of the profile with the id in list order, or -1.
  int IndexOf(uint32_t id) const;

  Profile* FindById(uint32_t id);
  const Profile* FindById(uint32_t id) const;
  Profile* First();
  Profile* Current() { return current_; }
  const Profile* Current() const { return current_; }
  // Makes the profile with the id current; false (and no change) when there is none.
  bool SetCurrent(uint32_t id);
  int Count() const;
  // The profiles in list order.
  std::vector<Profile*> Profiles();
  std::vector<const Profile*> Profiles() const;

  // A copy of the current profile, taken under the lock.
  std::optional<Profile> CopyCurrent() const;
  // A copy of the profile with the id, taken under the lock.
  std::optional<Profile> CopyById(uint32_t id) const;

  // A new identifier that is not 0 and not held by a profile of the store.
  uint32_t NewProfileId() const;

 private:
  mutable std::recursive_mutex mutex_;
  CMyList<Profile> list_;
  Profile* current_ = nullptr;
};

// The process-wide store.
ProfileStore& TheProfileStore();
