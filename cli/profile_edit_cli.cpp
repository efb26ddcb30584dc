// SPDX-License-Identifier: GPL-2.0-or-later
#include "cli/profile_edit_cli.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "app/paths.h"
#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "model/key_combination_text.h"
#include "model/key_names.h"
#include "model/profile_edit.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::u16string Lower(std::u16string text) {
  for (char16_t& c : text) {
    if (c < 0x80) c = static_cast<char16_t>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

// "a, b, c" for the reason of a refused name.
std::string Listed(const std::vector<std::u16string>& names) {
  std::string text;
  for (const std::u16string& n : names) {
    if (n.empty()) continue;
    text += (text.empty() ? "" : ", ") + ("\"" + ToUtf8(n) + "\"");
  }
  return text;
}

// The macro items of a library tree scan with their paths.
class MacroPaths : public MacroScanVisitor {
 public:
  explicit MacroPaths(std::vector<NamedMacro>& out) : out_(out) {}
  bool AddFolder(TreeItemHandle parent, const std::u16string& name, const std::string&, TreeItemHandle& item) override {
    std::vector<std::u16string> names = NamesOf(parent);
    names.push_back(name);
    NamedMacro folder;
    folder.item.names = names;
    folder.item.isFolder = true;
    folder.path = Joined(names);
    out_.push_back(std::move(folder));
    folders_.push_back(std::move(names));
    item = reinterpret_cast<TreeItemHandle>(folders_.size());  // 1-based, never the top level
    return true;
  }
  void AddMacro(TreeItemHandle parent, const std::u16string& name, uint32_t macroId) override {
    NamedMacro m;
    m.item.names = NamesOf(parent);
    m.item.names.push_back(name);
    m.item.macroId = macroId;
    m.path = Joined(m.item.names);
    out_.push_back(std::move(m));
  }

 private:
  static std::u16string Joined(const std::vector<std::u16string>& names) {
    std::u16string path;
    for (const std::u16string& n : names) path += (path.empty() ? u"" : u"/") + n;
    return path;
  }
  std::vector<std::u16string> NamesOf(TreeItemHandle item) const {
    if (item == kTreeTop) return {};
    return folders_[reinterpret_cast<std::size_t>(item) - 1];
  }
  std::vector<NamedMacro>& out_;
  std::vector<std::vector<std::u16string>> folders_;
};

// The modifier bit a modifier key sets in a combination (the generic keys count as left).
uint8_t ModifierBitOfKey(uint8_t vk) {
  switch (vk) {
    case 0x10: case 0xA0: return MOD_LSHIFT;
    case 0xA1: return MOD_RSHIFT;
    case 0x11: case 0xA2: return MOD_LCTRL;
    case 0xA3: return MOD_RCTRL;
    case 0x12: case 0xA4: return MOD_LALT;
    case 0xA5: return MOD_RALT;
    case 0x5B: return MOD_LWIN;
    case 0x5C: return MOD_RWIN;
    default: return 0;
  }
}

}  // namespace

bool LoadUserDataForChange(CliContext& ctx, std::string& error, MacroScanVisitor* tree) {
  LoadProgramData(ctx);
  PrepareUserFolder(ctx);
  ctx.userFolderLock = UserFolderLock::Take(Paths().userDataFolder);
  if (!ctx.userFolderLock.Held()) {
    error = ctx.userFolderLock.Error();
    return false;
  }
  LoadMacroLibrary(TheMacroLibrary(), Paths().MacroFolder(), ctx.settings, tree);
  return true;
}

ProfileEdit OpenProfileForEdit(CliContext& ctx, const std::optional<std::string>& profileOption,
                               std::vector<NamedMacro>* macros, bool forChange) {
  ProfileEdit edit;
  int position = 0;
  if (profileOption && !ParseProfileNumber(*profileOption, position)) {
    edit.error = "\"" + *profileOption + "\" is not a profile number (1, 2, 3, ...)";
    return edit;
  }
  std::vector<NamedMacro> unused;
  MacroPaths paths(macros != nullptr ? *macros : unused);
  if (!forChange) {
    LoadUserData(ctx, &paths);
  } else if (!LoadUserDataForChange(ctx, edit.error, &paths)) {
    edit.exitStatus = 1;
    return edit;
  }
  edit.store = &TheProfileStore();
  bool unreadable = false;
  edit.profile = StartupProfile(ctx.settings, *edit.store, position, edit.error, &unreadable);
  if (unreadable) edit.exitStatus = 1;
  if (edit.profile != nullptr) {
    const auto all = edit.store->Profiles();
    edit.position = static_cast<int>(std::find(all.begin(), all.end(), edit.profile) - all.begin()) + 1;
  }
  return edit;
}

int EditFailed(const ProfileEdit& edit) { return edit.exitStatus == 1 ? Fail(edit.error) : Refuse(edit.error); }

int SaveEditedProfiles(const ProfileEdit& edit) {
  if (SaveProfiles(*edit.store, Paths().userDataFolder) != 1) {
    return Fail("cannot write " + Paths().userDataFolder + kProfileFileName + "; nothing was changed");
  }
  return 0;
}

std::string ProfileLabel(const ProfileEdit& edit) {
  return "Profile " + std::to_string(edit.position) + " \"" + ToUtf8(edit.profile->Name()) + "\"";
}

bool SameName(const std::string& typed, const std::u16string& shown) {
  const std::u16string a = Lower(FromUtf8(Trimmed(typed)));
  const std::u16string b = Lower(FromUtf8(Trimmed(ToUtf8(shown))));
  return !a.empty() && a == b;
}

std::u16string KeyLabel(const AppSettings& settings, int key) {
  const KeyNaming naming = KeyNaming::For(settings);
  const KeyFunction& record = settings.KeyTable.keys[static_cast<std::size_t>(key)];
  if (record.Kind() == KIND_KEY && record.key1 != 0) return KeyName(record.key1, naming);
  const std::u16string name = FunctionName(record, naming);
  return name.empty() ? u"#" + FromUtf8(std::to_string(key)) : name;
}

int FindKeyByName(const AppSettings& settings, const std::string& name, std::string& error) {
  const KeyTable& table = settings.KeyTable;
  const KeyNaming naming = KeyNaming::For(settings);
  if (name.size() > 1 && name[0] == '#') {
    int key = 0;
    if (ParseNumber(name.substr(1), 0, table.count - 1, key)) return key;
    error = "\"" + name + "\" is not a key: the keyboard has keys #0 to #" + std::to_string(table.count - 1);
    return -1;
  }
  for (int i = 0; i < table.count; ++i) {
    if (SameName(name, KeyLabel(settings, i))) return i;
  }
  for (int i = 0; i < table.count; ++i) {
    if (SameName(name, FunctionName(table.keys[static_cast<std::size_t>(i)], naming))) return i;
  }
  error = "the keyboard has no key \"" + name + "\" (names as \"tastor-cli keyname\" shows them, or #N; see " +
          "\"tastor-cli set-key --help\")";
  return -1;
}

bool ParseCombination(const AppSettings& settings, const std::string& text, uint8_t& modifiers, uint8_t& key1, uint8_t& key2, std::string& error) {
  const KeyNaming naming = KeyNaming::For(settings);
  struct Modifier {
    const char16_t* name;
    uint8_t bit;
  };
  static const Modifier kModifiers[] = {
      {u"L-Ctrl", MOD_LCTRL},   {u"L-Shift", MOD_LSHIFT}, {u"L-Alt", MOD_LALT},   {u"L-Win", MOD_LWIN},
      {u"R-Ctrl", MOD_RCTRL},   {u"R-Shift", MOD_RSHIFT}, {u"R-Alt", MOD_RALT},   {u"R-Win", MOD_RWIN},
      {u"Ctrl", MOD_LCTRL},     {u"Shift", MOD_LSHIFT},   {u"Alt", MOD_LALT},     {u"Win", MOD_LWIN},
  };
  modifiers = key1 = key2 = 0;
  // The program's own form joins the parts with " + ", so that "Num +" stays one part;
  // without blanks, each "+" ends a part.
  const std::string separator = text.find(" + ") != std::string::npos ? " + " : "+";
  std::vector<std::string> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    pieces.push_back(Trimmed(text.substr(start, end == std::string::npos ? std::string::npos : end - start)));
    if (end == std::string::npos) break;
    start = end + separator.size();
  }
  for (const std::string& piece : pieces) {
    if (piece.empty()) {
      error = "\"" + text + "\" has an empty part";
      return false;
    }
    bool found = false;
    for (const Modifier& m : kModifiers) {
      if (SameName(piece, m.name)) {
        modifiers |= m.bit;
        found = true;
        break;
      }
    }
    if (found) continue;
    int code = -1;
    for (int c = 1; c < 0xFF && code < 0; ++c) {
      if (SameName(piece, KeyName(static_cast<uint32_t>(c), naming))) code = c;
    }
    if (code < 0) {
      error = "\"" + piece + "\" in \"" + text + "\" names no key (see \"tastor-cli keyname\")";
      return false;
    }
    // A modifier key named as a key ("L_Shift") is its modifier bit, as in the key table.
    if (const uint8_t bit = ModifierBitOfKey(static_cast<uint8_t>(code)); bit != 0) {
      modifiers |= bit;
    } else if (key1 == 0 || key1 == code) {
      key1 = static_cast<uint8_t>(code);
    } else if (key2 == 0) {
      key2 = static_cast<uint8_t>(code);
    } else {
      error = "\"" + text + "\" has more than two keys besides the modifiers";
      return false;
    }
  }
  if (modifiers == 0 && key1 == 0) {
    error = "\"" + text + "\" is no combination";
    return false;
  }
  return true;
}

namespace {

// The value of the list item named `text`, or numbered so (0 to highest); -1 and the list's
// names when none.
int FindChoice(const std::string& text, const std::vector<ChoiceItem>& items, int highest, const std::string& what,
               const std::string& listName, std::string& error) {
  std::vector<std::u16string> names;
  int number = -1;
  const bool numeric = ParseNumber(text, 0, highest, number);
  for (const ChoiceItem& item : items) {
    if (SameName(text, item.text) || (numeric && item.value == number)) return item.value;
    names.push_back(item.text);
  }
  error = "\"" + text + "\" is no " + what + " of this keyboard; the " + listName + " are " + Listed(names);
  return -1;
}

}  // namespace

int FindLightingMode(const AppSettings& settings, const std::string& text, std::string& error) {
  return FindChoice(text, LightingModeItems(TextTable::Instance(), settings), 29, "lighting mode", "modes", error);
}

int FindColourGroup(const AppSettings& settings, const std::string& text, std::string& error) {
  return FindChoice(text, ColourGroupItems(TextTable::Instance(), settings), 14, "colour group", "groups", error);
}

bool ParseNumber(const std::string& text, int lowest, int highest, int& value) {
  if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || n < lowest || n > highest) return false;
  value = static_cast<int>(n);
  return true;
}

std::vector<NamedMacro> ReadMacroTree(CliContext& ctx) {
  std::vector<NamedMacro> macros;
  MacroPaths paths(macros);
  LoadUserData(ctx, &paths);
  return macros;
}

bool ReadMacroTreeForChange(CliContext& ctx, std::vector<NamedMacro>& macros, std::string& error) {
  MacroPaths paths(macros);
  return LoadUserDataForChange(ctx, error, &paths);
}

const NamedMacro* FindMacroByName(const std::vector<NamedMacro>& macros, const std::string& name, std::string& error) {
  std::vector<const NamedMacro*> byName;
  for (const NamedMacro& m : macros) {
    if (m.item.isFolder) continue;
    if (SameName(name, m.path)) return &m;
    if (SameName(name, m.item.names.back())) byName.push_back(&m);
  }
  if (byName.size() == 1) return byName.front();
  std::vector<std::u16string> paths;
  for (const NamedMacro* m : byName) paths.push_back(m->path);
  if (!byName.empty()) {
    error = "several macros are named \"" + name + "\": " + Listed(paths) + "; give the folder too";
  } else {
    for (const NamedMacro& m : macros) {
      if (!m.item.isFolder) paths.push_back(m.path);
    }
    error = "the macro library has no macro \"" + name + "\"" +
            (paths.empty() ? std::string(" (it is empty)") : "; it has " + Listed(paths));
  }
  return nullptr;
}
