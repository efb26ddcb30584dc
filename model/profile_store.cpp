// SPDX-License-Identifier: GPL-2.0-or-later
#include "model/profile_store.h"

#include <memory>

#include "base/identifier.h"

ProfileStore::ProfileStore() { list_.SetMode(kListOwnsItems); }

void ProfileStore::Clear() {
  auto lock = Lock();
  current_ = nullptr;
  list_.RemoveAll();
}

Profile* ProfileStore::Append(const Profile& profile) {
  auto lock = Lock();
  try {
    return list_.Append(std::make_unique<Profile>(profile));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

Profile* ProfileStore::Create(std::u16string_view name, const AppSettings& settings) {
  // Made before taking the lock: the identifier waits 20 ms.
  const uint32_t id = NewProfileId();
  return Append(MakeProfile(id, name, settings));
}

bool ProfileStore::Remove(uint32_t id) {
  auto lock = Lock();
  for (auto node = list_.begin(); node != list_.end(); ++node) {
    if ((*node)->id == id) {
      if (*node == current_) current_ = nullptr;
      list_.Remove(node);
      return true;
    }
  }
  return false;
}

Profile* ProfileStore::Replace(uint32_t id, const Profile& profile) {
  auto lock = Lock();
  for (auto node = list_.begin(); node != list_.end(); ++node) {
    if ((*node)->id != id) continue;
    std::unique_ptr<Profile> copy;
    try {
      copy = std::make_unique<Profile>(profile);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    if (*node == current_) current_ = nullptr;
    return list_.Replace(node, std::move(copy));
  }
  return nullptr;
}

int ProfileStore::IndexOf(uint32_t id) const {
  auto lock = Lock();
  int index = 0;
  for (const Profile* p : list_) {
    if (p->id == id) return index;
    ++index;
  }
  return -1;
}

Profile* ProfileStore::FindById(uint32_t id) {
  return const_cast<Profile*>(static_cast<const ProfileStore&>(*this).FindById(id));
}

const Profile* ProfileStore::FindById(uint32_t id) const {
  auto lock = Lock();
  for (const Profile* p : list_) {
    if (p->id == id) return p;
  }
  return nullptr;
}

Profile* ProfileStore::First() {
  auto lock = Lock();
  return list_.Head();
}

bool ProfileStore::SetCurrent(uint32_t id) {
  auto lock = Lock();
  Profile* p = FindById(id);
  if (p == nullptr) return false;
  current_ = p;
  return true;
}

int ProfileStore::Count() const {
  auto lock = Lock();
  return list_.Count();
}

std::vector<Profile*> ProfileStore::Profiles() {
  auto lock = Lock();
  return std::vector<Profile*>(list_.begin(), list_.end());
}

std::vector<const Profile*> ProfileStore::Profiles() const {
  auto lock = Lock();
  return std::vector<const Profile*>(list_.begin(), list_.end());
}

std::optional<Profile> ProfileStore::CopyCurrent() const {
  auto lock = Lock();
  if (current_ == nullptr) return std::nullopt;
  return *current_;
}

std::optional<Profile> ProfileStore::CopyById(uint32_t id) const {
  auto lock = Lock();
  const Profile* p = FindById(id);
  if (p == nullptr) return std::nullopt;
  return *p;
}

uint32_t ProfileStore::NewProfileId() const {
  return NewIdentifier([this](uint32_t id) { return FindById(id) != nullptr; });
}

ProfileStore& TheProfileStore() {
  static ProfileStore store;
  return store;
}
