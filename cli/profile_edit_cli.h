// SPDX-License-Identifier: GPL-2.0-or-later
// What the configuring commands of tastor-cli share: the profile they
// change (filled as start-up fills the store), the names the program shows for keys,
// combinations, media functions, lighting modes and colour groups read back into values,
// the macros of the library by their names in the library tree, and the atomic save of the
// profiles. A name that is not found is refused with the names there are.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/key_function.h"
#include "cli/cli.h"
#include "macro/macro_files.h"
#include "model/profile.h"

class ProfileStore;

class MacroScanVisitor;
// LoadUserData (cmd_model_output.h) for a command that changes the user data folder: the
// folder's lock (ctx.userFolderLock) is taken after the folder is known and before the
// macro folder is read, and held until the command ends, so that commands run at the
// same time change the files one after the other. False and the reason when the lock
// cannot be had (nothing was read then).
bool LoadUserDataForChange(CliContext& ctx, std::string& error, MacroScanVisitor* tree = nullptr);

// Loads the program data, the user data folder, the macro library and the profile store as
// start-up does, and picks the profile of "--profile N" (1 to 3; default
// the current one). On failure `error` says why, profile is null and exitStatus is the
// command's status (EditFailed prints the reason and returns it).
struct ProfileEdit {
  ProfileStore* store = nullptr;
  Profile* profile = nullptr;
  int position = 0;  // 1-based place of the profile in the store
  std::string error;
  int exitStatus = 2;  // 2: the input is refused; 1: pro.dct cannot be read, or the user data folder could not be locked
};
struct NamedMacro;
// With `macros`, the library tree's macros are read into it on the way. forChange: the
// command writes the folder and holds its lock from here on (LoadUserDataForChange); a
// command that only reads (export) takes no lock, as every file is replaced whole.
ProfileEdit OpenProfileForEdit(CliContext& ctx, const std::optional<std::string>& profileOption,
                               std::vector<NamedMacro>* macros = nullptr, bool forChange = true);
// The failure of OpenProfileForEdit on standard error; returns its exit status.
int EditFailed(const ProfileEdit& edit);
// Writes pro.dct (replaced whole or not at all). Returns 0, or 1 with the message shown.
int SaveEditedProfiles(const ProfileEdit& edit);
// "Profile 2 "Profile 2"": how the commands name the profile they changed.
std::string ProfileLabel(const ProfileEdit& edit);

// Case-insensitive equality of a name the user typed with one the program shows, blanks
// around it not counted.
bool SameName(const std::string& typed, const std::u16string& shown);

// A key of the keyboard picture by its name: the name of the key table record's key
// ("A", "F1", "Num 1", "L_Ctrl") or of its default function ("L-Ctrl", a media name), or
// "#N" with the key index N (0 up to the key table count). -1 and the reason when not.
int FindKeyByName(const AppSettings& settings, const std::string& name, std::string& error);
// The name the commands show for key i of the picture.
std::u16string KeyLabel(const AppSettings& settings, int key);

// A combination as the program writes it ("L-Ctrl + A", "Ctrl+Shift+F5", "R-Alt + Num 1"):
// modifiers (L-/R- Ctrl, Shift, Alt, Win; without side the left one) and at most two keys
// by their names. False and the reason when a piece names nothing.
bool ParseCombination(const AppSettings& settings, const std::string& text, uint8_t& modifiers, uint8_t& key1, uint8_t& key2,
                      std::string& error);

// A lighting mode of the mode list by its name or its index; a colour group of the group
// list by its name or its number (0 to 14). -1 and the reason when not in the list.
int FindLightingMode(const AppSettings& settings, const std::string& text, std::string& error);
int FindColourGroup(const AppSettings& settings, const std::string& text, std::string& error);

// A whole number within [lowest, highest].
bool ParseNumber(const std::string& text, int lowest, int highest, int& value);

// The items of the library tree, by their paths ("Name" at the top level, "Folder/Name"
// below), read with the MacroDir setting as the macro editor shows them: macros and folders
// (item.isFolder) in tree order.
struct NamedMacro {
  MacroItemPath item;
  std::u16string path;  // the names joined with "/"
};
std::vector<NamedMacro> ReadMacroTree(CliContext& ctx);
// The same for a command that changes the macro folder: the user data folder's lock is
// taken first and held (LoadUserDataForChange). False and the reason when it cannot be.
bool ReadMacroTreeForChange(CliContext& ctx, std::vector<NamedMacro>& macros, std::string& error);
// The macro of the tree with that path, or with that name when only one has it. Null and
// the reason (with the candidates) when none or several match.
const NamedMacro* FindMacroByName(const std::vector<NamedMacro>& macros, const std::string& name,
                                  std::string& error);
