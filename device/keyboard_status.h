// SPDX-License-Identifier: GPL-2.0-or-later
// What to tell the user after a keyboard search: one sentence per way FindDev can end, so
// that the command line and the windows say the same (a keyboard that may not be opened
// always points to "tastor-cli udev-rule").
#pragma once

#include <string>

#include "device/usb_driver.h"

// Empty when the keyboard was found.
std::string FindResultMessage(CUSBDriver::FindResult result, const std::string& deviceId, const CUSBDriver& driver);
