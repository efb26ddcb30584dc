// SPDX-License-Identifier: GPL-2.0-or-later
// A small streaming JSON writer for the command line's --json output.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // The name of the next member of the current object.
  JsonWriter& Key(std::string_view name);
  JsonWriter& String(std::string_view utf8);
  JsonWriter& String(std::u16string_view text);
  JsonWriter& Int(int64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // An array of numbers, written on one line.
  template <typename Range>
  JsonWriter& IntArray(const Range& values) {
    std::vector<int64_t> list;
    for (const auto v : values) list.push_back(static_cast<int64_t>(v));
    return InlineInts(list);
  }
  JsonWriter& InlineInts(const std::vector<int64_t>& values);

  // The document, ending with a line break.
  std::string Text() const { return out_ + "\n"; }

 private:
  void BeforeValue();
  void Newline();
  std::string out_;
  // Per open container: true for objects; and whether it has members yet.
  std::vector<std::pair<bool, bool>> stack_;
  bool afterKey_ = false;
};
