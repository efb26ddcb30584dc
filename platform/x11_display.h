// SPDX-License-Identifier: GPL-2.0-or-later
// Whether an X11 display takes connections: the windows need one, and a program that asks
// Qt for a display that is not there is aborted by Qt without a word the user can act on.
// Called once by the windows program before QApplication is made; it opens one Xlib
// connection (authorisation included) and closes it again.
#pragma once

#include <string>

// True when the display (an X11 display name such as ":0" or "host:1.0") can be opened.
bool X11DisplayOpens(const std::string& name);
