// SPDX-License-Identifier: GPL-2.0-or-later
// "tastor-cli --help-man" and "tastor-cli --help-completion": the manual page tastor-cli(1)
// and the words the shell completions offer, both made from the command registry and from
// the general usage text that "--help" prints, so that neither can tell something else.
// main passes its usage printer in; the build runs --help-man for the installed page, and
// the bash and zsh completions run --help-completion when they complete.
#pragma once

#include <cstdio>
#include <string>

using UsagePrinter = void (*)(std::FILE* out);

// Prints the format named by the option ("--help-man" or "--help-completion") on standard
// output and returns the exit status: 0, or 1 when the usage text has lost the parts the
// page is made from (said on standard error).
int PrintHelpFormat(const std::string& option, UsagePrinter printUsage);
