// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/json_writer.h"

#include <cstdio>

#include "text/utf.h"

namespace {

std::string Escape(std::string_view utf8) {
  std::string escaped = "\"";
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': escaped += "\\\""; break;
      case '\\': escaped += "\\\\"; break;
      case '\n': escaped += "\\n"; break;
      case '\r': escaped += "\\r"; break;
      case '\t': escaped += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          escaped += buf;
        } else {
          escaped += ch;
        }
    }
  }
  return escaped + "\"";
}

}  // namespace

void JsonWriter::Newline() {
  out_ += '\n';
  out_.append(stack_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (stack_.empty()) return;
  if (stack_.back().second) out_ += ',';
  stack_.back().second = true;
  Newline();
}

JsonWriter& JsonWriter::BeginObject() {
  BeforeValue();
  out_ += '{';
  stack_.emplace_back(true, false);
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  const bool any = stack_.back().second;
  stack_.pop_back();
  if (any) Newline();
  out_ += '}';
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  stack_.emplace_back(false, false);
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  const bool any = stack_.back().second;
  stack_.pop_back();
  if (any) Newline();
  out_ += ']';
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
  BeforeValue();
  out_ += Escape(name);
  out_ += ": ";
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view utf8) {
  BeforeValue();
  out_ += Escape(utf8);
  return *this;
}

JsonWriter& JsonWriter::String(std::u16string_view text) { return String(std::string_view(ToUtf8(text))); }

JsonWriter& JsonWriter::Int(int64_t value) {
  BeforeValue();
  out_ += std::to_string(value);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::InlineInts(const std::vector<int64_t>& values) {
  BeforeValue();
  out_ += '[';
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out_ += ", ";
    out_ += std::to_string(values[i]);
  }
  out_ += ']';
  return *this;
}
