// SPDX-License-Identifier: GPL-2.0-or-later
#include "app/man_page.h"

#include <algorithm>
#include <cctype>

namespace {

// Lines of text: one that would start a request is protected with "\&", and an empty one
// is kept as an empty line of text rather than a blank input line.
void Lines(std::string& out, std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  for (;;) {
    const std::size_t end = text.find('\n');
    const std::string escaped = RoffText(text.substr(0, end));
    if (escaped.empty() || escaped[0] == '.' || escaped[0] == '\'') out += "\\&";
    out += escaped;
    out += '\n';
    if (end == std::string_view::npos) return;
    text.remove_prefix(end + 1);
  }
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return text;
}

// A synopsis line: the program's name in bold, the rest as it is written.
void SynopsisLine(std::string& out, const std::string& program, const std::string& line) {
  std::string_view rest(line);
  if (rest.substr(0, program.size()) == program) {
    out += "\\fB" + RoffText(program) + "\\fR";
    rest.remove_prefix(program.size());
    out += RoffText(rest) + "\n";
  } else {
    Lines(out, rest);
  }
}

}  // namespace

std::string RoffText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  return out;
}

std::string RenderManPage(const ManPage& page) {
  std::string out;
  out += ".TH " + RoffText(Upper(page.name)) + " 1 \"" + RoffText(page.date) + "\" \"Tastor " +
         RoffText(page.version) + "\" \"User Commands\"\n";
  // Options and names must not be broken across lines, nor spread out to fill them.
  out += ".nh\n.ad l\n";
  out += ".SH NAME\n";
  out += RoffText(page.name) + " \\- " + RoffText(page.summary) + "\n";
  out += ".SH SYNOPSIS\n.nf\n";
  for (const std::string& line : page.synopsis) SynopsisLine(out, page.name, line);
  out += ".fi\n";
  for (const ManSection& section : page.sections) {
    out += ".SH " + RoffText(Upper(section.title)) + "\n";
    bool first = true;
    for (const std::string& paragraph : section.paragraphs) {
      if (!first) out += ".PP\n";
      first = false;
      Lines(out, paragraph);
    }
    for (const ManItem& item : section.items) {
      out += ".TP\n\\fB" + RoffText(item.term) + "\\fR\n";
      Lines(out, item.text);
      if (item.block.empty()) continue;
      // Lines of aligned columns keep their spacing.
      out += ".RS\n.nf\n";
      Lines(out, item.block);
      out += ".fi\n.RE\n";
    }
  }
  return out;
}
