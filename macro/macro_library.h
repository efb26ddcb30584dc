// SPDX-License-Identifier: GPL-2.0-or-later
// MacroLibrary: the program-wide owning list of macros, looked up by macro id. The UI
// thread is its only writer; the apply worker reads a copy (a MacroSet) taken under the
// library's lock at the start of a run, so it never sees a half-changed record and its
// buffer numbers never touch the library.
#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "base/key_function.h"
#include "macro/cmylist.h"
#include "macro/macro_record.h"


// Finding a macro by id: the first record holding it, or null.
class MacroLookup {
 public:
  virtual ~MacroLookup() = default;
  virtual const MacroRecord* FindMacroById(uint32_t id) const = 0;
};

// A plain copy of macros, in library order, for one apply run or one encoding.
class MacroSet : public MacroLookup {
 public:
  MacroSet() = default;
  explicit MacroSet(std::vector<MacroRecord> records) : records_(std::move(records)) {}
  const MacroRecord* FindMacroById(uint32_t id) const override;
  MacroRecord* FindMacroById(uint32_t id);
  std::vector<MacroRecord>& Records() { return records_; }
  const std::vector<MacroRecord>& Records() const { return records_; }

 private:
  std::vector<MacroRecord> records_;
};

class MacroLibrary : public MacroLookup {
 public:
  static constexpr int kMaxMacros = 2000;

  // The list owns its records (mode 16) with an empty destroy callback.
  MacroLibrary();

  // Held by the UI thread while it changes a record found here, and taken by every
  // operation below, so that a copy taken for the apply worker is consistent. Recursive:
  // the holder may call the operations.
  std::unique_lock<std::recursive_mutex> Lock() const { return std::unique_lock(mutex_); }

  // Appends a copy of the record; false when memory runs out.
  bool Add(const MacroRecord& record);
  const MacroRecord* FindMacroById(uint32_t id) const override;
  MacroRecord* FindMacroById(uint32_t id);
  // Unlinks and frees the first record with the id; false when there is none.
  bool Remove(uint32_t id);
  void Clear();
  int Count() const;
  // True when a new macro is refused: the library holds kMaxMacros or more.
  bool Full() const { return Count() >= kMaxMacros; }

  // A new macro id (NewIdentifier) that no record of the library holds.
  uint32_t NewMacroId() const;

  // Copies of every record, or of the records the macro keys of a profile's keys name (the
  // first record of each id, in library order).
  MacroSet Snapshot() const;
  MacroSet SnapshotFor(std::span<const KeyFunction, kKeyCount> keys) const;

  // Calls fn(record) for each record in order, under the lock.
  template <typename Fn>
  void ForEach(Fn&& fn) const {
    auto lock = Lock();
    for (const MacroRecord* r : list_) fn(*r);
  }

 private:
  mutable std::recursive_mutex mutex_;
  CMyList<MacroRecord> list_;
};

// The process-wide library, filled from the macro folder when the main window starts.
MacroLibrary& TheMacroLibrary();

// NewMacroId of the process-wide library.
uint32_t NewMacroId();
