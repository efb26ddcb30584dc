// SPDX-License-Identifier: GPL-2.0-or-later
// What the profile and macro commands of tastor-cli print: profiles, key functions and
// macros as text and as JSON, and the macro library read as the program reads it.
// Defined in cmd_decode.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "cli/cli.h"
#include "cli/json_writer.h"
#include "macro/macro_record.h"
#include "model/profile.h"

// "0x" and the value in hexadecimal with at least `digits` digits.
std::string Hex(uint32_t value, int digits = 8);

// One key function on a line: kind, value, keys, macro id, matrix position, rectangle.
std::string DescribeKeyFunction(const KeyFunction& key);

void PrintProfile(const Profile& profile, const std::string& indent);
void WriteProfileJson(JsonWriter& w, const Profile& profile);

void PrintMacro(const MacroRecord& macro, const std::string& indent);
void WriteMacroJson(JsonWriter& w, const MacroRecord& macro);

class MacroScanVisitor;
class ProfileStore;

// Loads the program data and the user data folder and reads the macro folder into the
// process-wide macro library as start-up does (MacroDir, MacroHasMsKey), and into the
// tree when one is given. Returns whether folders were read.
bool LoadUserData(CliContext& ctx, MacroScanVisitor* tree = nullptr);

// The number of "--profile N": a store position, 1 to 3. False when the text is not one.
bool ParseProfileNumber(const std::string& text, int& position);
// Fills the store from the user data folder by the start-up rule and returns the profile
// at the 1-based position, or the current profile for position 0. Null with a one-line
// error when the store has fewer profiles, or when pro.dct exists but cannot be read
// (`unreadable` then true): a command never edits or writes over such a file.
Profile* StartupProfile(const AppSettings& settings, ProfileStore& store, int position, std::string& error, bool* unreadable = nullptr);
