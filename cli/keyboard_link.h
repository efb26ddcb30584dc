// SPDX-License-Identifier: GPL-2.0-or-later
// Opening the keyboard link from tastor-cli, shared by the commands that talk to the
// keyboard: the HID library (or, with --simulate, the simulated keyboard with its memory
// in the user data folder) and what to tell the user when the keyboard is not found.
#pragma once

#include <string>

#include "cli/cli.h"
#include "device/keyboard_status.h"
#include "device/usb_driver.h"

// Loads the HID library of the context into the driver; with --simulate, first points the
// simulator's memory at the user data folder's sim/ (unless TASTOR_SIM_DIR is set). False
// after printing why it could not be loaded.
bool LoadKeyboardLibrary(const CliContext& ctx, CUSBDriver& driver);
