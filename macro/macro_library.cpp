// SPDX-License-Identifier: GPL-2.0-or-later
#include "macro/macro_library.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

#include "base/identifier.h"

const MacroRecord* MacroSet::FindMacroById(uint32_t id) const {
  for (const MacroRecord& r : records_) {
    if (r.dwMacroId == id) return &r;
  }
  return nullptr;
}

MacroRecord* MacroSet::FindMacroById(uint32_t id) {
  return const_cast<MacroRecord*>(static_cast<const MacroSet&>(*this).FindMacroById(id));
}

MacroLibrary::MacroLibrary() { list_.SetMode(kListOwnsItems); }

bool MacroLibrary::Add(const MacroRecord& record) {
  auto lock = Lock();
  try {
    return list_.Append(std::make_unique<MacroRecord>(record)) != nullptr;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

const MacroRecord* MacroLibrary::FindMacroById(uint32_t id) const {
  auto lock = Lock();
  for (const MacroRecord* r : list_) {
    if (r->dwMacroId == id) return r;
  }
  return nullptr;
}

MacroRecord* MacroLibrary::FindMacroById(uint32_t id) {
  return const_cast<MacroRecord*>(static_cast<const MacroLibrary&>(*this).FindMacroById(id));
}

bool MacroLibrary::Remove(uint32_t id) {
  auto lock = Lock();
  for (auto node = list_.begin(); node != list_.end(); ++node) {
    if ((*node)->dwMacroId == id) {
      list_.Remove(node);
      return true;
    }
  }
  return false;
}

void MacroLibrary::Clear() {
  auto lock = Lock();
  list_.RemoveAll();
}

int MacroLibrary::Count() const {
  auto lock = Lock();
  return list_.Count();
}

uint32_t MacroLibrary::NewMacroId() const {
  return NewIdentifier([this](uint32_t id) { return FindMacroById(id) != nullptr; });
}

MacroSet MacroLibrary::Snapshot() const {
  auto lock = Lock();
  std::vector<MacroRecord> copies;
  copies.reserve(static_cast<std::size_t>(list_.Count()));
  for (const MacroRecord* r : list_) copies.push_back(*r);
  return MacroSet(std::move(copies));
}

MacroSet MacroLibrary::SnapshotFor(std::span<const KeyFunction, kKeyCount> keys) const {
  std::unordered_set<uint32_t> wanted;
  for (const KeyFunction& k : keys) {
    if (k.Kind() == KIND_MACRO) wanted.insert(static_cast<uint32_t>(k.macroId));
  }
  auto lock = Lock();
  std::vector<MacroRecord> copies;
  for (const MacroRecord* r : list_) {
    // Only the first record of an id is ever found, so only that one is copied.
    if (wanted.erase(r->dwMacroId) != 0) copies.push_back(*r);
  }
  return MacroSet(std::move(copies));
}

MacroLibrary& TheMacroLibrary() {
  static MacroLibrary library;
  return library;
}

uint32_t NewMacroId() { return TheMacroLibrary().NewMacroId(); }
