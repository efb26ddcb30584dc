// SPDX-License-Identifier: GPL-2.0-or-later
// A fixed set of names with a value each, kept in a hash table whose buckets are chosen
// by the sum of the name's characters modulo the bucket count. The XML reader keeps its
// code-page names and its named character references this way.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

template <typename Value, std::size_t Buckets>
class NameHashTable {
 public:
  struct Entry {
    std::string_view name;  // ASCII
    Value value;
  };

  explicit NameHashTable(std::span<const Entry> entries) : entries_(entries), next_(entries.size(), kNone) {
    heads_.fill(kNone);
    // Chained in table order, so the first entry of a name is the one found.
    for (std::size_t i = entries_.size(); i-- > 0;) {
      const std::size_t b = Bucket(entries_[i].name);
      next_[i] = heads_[b];
      heads_[b] = i;
    }
  }

  template <typename Char>
  static std::size_t Bucket(std::basic_string_view<Char> name) {
    std::size_t sum = 0;
    for (const Char c : name) sum += static_cast<std::size_t>(c);
    return sum % Buckets;
  }
  static std::size_t Bucket(std::string_view name) { return Bucket<char>(name); }

  // The value of the entry whose name has exactly these characters, or nullptr.
  const Value* Find(std::u16string_view name) const {
    for (std::size_t i = heads_[Bucket<char16_t>(name)]; i != kNone; i = next_[i]) {
      if (SameName(entries_[i].name, name)) return &entries_[i].value;
    }
    return nullptr;
  }

  std::size_t size() const { return entries_.size(); }
  static constexpr std::size_t bucket_count() { return Buckets; }
  // Number of entries chained in bucket b.
  std::size_t BucketSize(std::size_t b) const {
    std::size_t n = 0;
    for (std::size_t i = heads_[b]; i != kNone; i = next_[i]) ++n;
    return n;
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  static bool SameName(std::string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (static_cast<char16_t>(static_cast<unsigned char>(a[i])) != b[i]) return false;
    }
    return true;
  }

  std::span<const Entry> entries_;
  std::array<std::size_t, Buckets> heads_{};
  std::vector<std::size_t> next_;
};
