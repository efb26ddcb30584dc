// SPDX-License-Identifier: GPL-2.0-or-later
// Manual pages in roff (the man(7) macros), made from the same tables and texts as the
// programs' --help, so that the installed pages cannot tell something else. "tastor
// --help-man" and "tastor-cli --help-man" print them; the build runs both and installs the
// pages. Plain text in, escaped roff out; nothing here reads or writes files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct ManItem {
  std::string term;  // shown in bold: "--lang CODE", "apply [--profile N]"
  std::string text;  // the description, filled as a paragraph
  std::string block; // more lines shown as they are (aligned columns), or ""
};

struct ManSection {
  std::string title;                    // "OPTIONS", "EXIT STATUS", ...
  std::vector<std::string> paragraphs;  // filled paragraphs before the items
  std::vector<ManItem> items;           // tagged paragraphs
};

struct ManPage {
  std::string name;                   // "tastor-cli"
  std::string summary;                // the NAME line after the dash
  std::string version;                // "0.1.0"
  std::string date;                   // "2026-12-09"
  std::vector<std::string> synopsis;  // one line each, the program's name first
  std::vector<ManSection> sections;   // after NAME and SYNOPSIS
};

// Text made safe for roff: backslashes, hyphens (as minus signs, so options can be copied),
// and a leading "." or "'" that would start a request.
std::string RoffText(std::string_view text);
// The whole page.
std::string RenderManPage(const ManPage& page);
