// SPDX-License-Identifier: GPL-2.0-or-later
// Each HidPort library (the real one and the simulated keyboard) compiles entry_points.cpp
// and defines this one function, which gives the core over its own backend.
#pragma once

#include "libs/hidport/hid_port_core.h"

namespace hidport {
HidPortCore& ThePort();
}
