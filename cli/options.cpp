// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/options.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

std::pair<std::string, std::optional<std::string>> SplitOption(const std::string& arg) {
  const std::size_t equals = arg.find('=');
  if (equals == std::string::npos) return {arg, std::nullopt};
  return {arg.substr(0, equals), arg.substr(equals + 1)};
}

bool LooksLikeOption(const std::string& arg) { return arg.size() > 2 && arg.rfind("--", 0) == 0; }

const CliOption* FindOption(const std::vector<CliOption>& options, std::string_view name) {
  for (const CliOption& o : options) {
    if (name == o.name) return &o;
  }
  return nullptr;
}

bool ParseWholeNumber(const std::string& text, int lowest, int highest, int& value) {
  if (text.empty() || text.size() > 9) return false;
  if (!std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; })) {
    return false;
  }
  const long n = std::strtol(text.c_str(), nullptr, 10);
  if (n < lowest || n > highest) return false;
  value = static_cast<int>(n);
  return true;
}

namespace {

// Why a numeric option's value is refused, or "" when it is taken.
std::string NumberProblem(const CliOption& o, const std::string& value) {
  int number = 0;
  if (ParseWholeNumber(value, o.lowest, o.highest, number)) return {};
  const std::string range = std::to_string(o.lowest) + " to " + std::to_string(o.highest);
  if (o.counted != nullptr && ParseWholeNumber(value, 0, 999999999, number) && number > o.highest) {
    return "there are " + std::to_string(o.highest) + " " + o.counted + ", not " + value + " (" + o.name + " takes " +
           range + ")";
  }
  return std::string(o.name) + " takes a number from " + range + ", not \"" + value + "\"";
}

}  // namespace

ParsedArgs::ParsedArgs(const std::vector<std::string>& args, const std::vector<CliOption>& options) {
  bool optionsOver = false;
  for (std::size_t i = 0; i < args.size() && error_.empty(); ++i) {
    const std::string& arg = args[i];
    if (optionsOver) {
      words_.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsOver = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      help_ = true;
      continue;
    }
    if (!LooksLikeOption(arg)) {
      words_.push_back(arg);
      continue;
    }
    const auto [name, inlineValue] = SplitOption(arg);
    const CliOption* option = FindOption(options, name);
    if (option == nullptr) {
      error_ = "unknown option " + name;
      break;
    }
    if (option->value == nullptr) {
      if (inlineValue) {
        error_ = name + " takes no value";
      } else if (std::find(flags_.begin(), flags_.end(), name) != flags_.end()) {
        error_ = name + " is given twice";
      } else {
        flags_.push_back(name);
      }
      continue;
    }
    std::string value;
    if (inlineValue) {
      value = *inlineValue;
    } else if (i + 1 < args.size() && !LooksLikeOption(args[i + 1]) && args[i + 1] != "--") {
      value = args[++i];
    } else {
      error_ = name + " needs a value (" + name + " " + option->value + ")";
      break;
    }
    if (values_.count(name) != 0) {
      error_ = name + " is given twice";
    } else if (option->Numeric()) {
      error_ = NumberProblem(*option, value);
    }
    if (error_.empty()) values_[name] = value;
  }
}

std::optional<std::string> ParsedArgs::Value(std::string_view option) const {
  const auto it = values_.find(option);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

int ParsedArgs::Number(std::string_view option, int absent) const {
  const auto it = values_.find(option);
  if (it == values_.end()) return absent;
  int value = absent;
  return ParseWholeNumber(it->second, 0, 999999999, value) ? value : absent;
}

bool ParsedArgs::Flag(std::string_view option) const {
  return std::find(flags_.begin(), flags_.end(), option) != flags_.end();
}

std::string WrappedItem(const std::string& term, const std::string& help, std::size_t column) {
  constexpr std::size_t kWidth = 92;
  const std::size_t room = kWidth > column + 20 ? kWidth - column : 20;
  std::string text = "  " + term;
  text += std::string(text.size() + 2 <= column ? column - text.size() : 2, ' ');
  std::size_t start = 0;
  for (bool first = true; start < help.size(); first = false) {
    std::size_t end = help.size();
    if (help.size() - start > room) {
      end = help.rfind(' ', start + room);
      if (end == std::string::npos || end <= start) end = start + room;
    }
    if (!first) text += "\n" + std::string(column, ' ');
    text += help.substr(start, end - start);
    start = end < help.size() && help[end] == ' ' ? end + 1 : end;
  }
  return text + "\n";
}

std::string OptionLines(const std::vector<CliOption>& options) {
  constexpr std::size_t kWidestColumn = 22;
  std::vector<std::string> terms;
  std::size_t width = 0;
  for (const CliOption& o : options) {
    terms.push_back(std::string(o.name) + (o.value != nullptr ? std::string(" ") + o.value : std::string()));
    width = std::max(width, terms.back().size());
  }
  const std::size_t column = std::min(width + 4, kWidestColumn);
  std::string text;
  for (std::size_t i = 0; i < options.size(); ++i) text += WrappedItem(terms[i], options[i].help, column);
  return text;
}

const std::vector<std::string>& WordsBetween(const ParsedArgs& args, std::size_t fewest, std::size_t most,
                                             const std::string& message) {
  const std::size_t n = args.Words().size();
  if (n < fewest || n > most) throw UsageError(message);
  return args.Words();
}

const std::string& OneOf(const ParsedArgs& args, const std::vector<std::string>& choices, const std::string& message) {
  const std::string& word = WordsBetween(args, 1, 1, message).front();
  if (std::find(choices.begin(), choices.end(), word) == choices.end()) throw UsageError(message);
  return word;
}
