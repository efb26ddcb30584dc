// SPDX-License-Identifier: GPL-2.0-or-later
// "profiles": the profiles stored in the user data folder's pro.dct, one line each, under
// the number "--profile N" picks them by (1 to 3: their place in the store start-up fills
// from the file). A profile of the file that the start-up rule leaves out (a file with more
// than three) is shown without a number.
#include <algorithm>
#include <cstdio>

#include "app/paths.h"
#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"

namespace {

// The number of the profile with that id among the store's profiles, or 0.
int NumberOf(const std::vector<Profile*>& store, uint32_t id) {
  const auto it = std::find_if(store.begin(), store.end(), [id](const Profile* p) { return p->id == id; });
  return it == store.end() ? 0 : static_cast<int>(it - store.begin()) + 1;
}

}  // namespace

int RunProfiles(CliContext& ctx);
static CommandRegistrar g_profiles{"profiles", "profiles [--json]",
                                   "the stored profiles: number, id, name, program, lighting, changed keys",
                                   RunProfiles, {kJsonOption},
                                   "The number (1 to 3) is the one --profile N takes; * marks the current profile.\n"};

int RunProfiles(CliContext& ctx) {
  WordsBetween(ctx.options, 0, 0, "profiles takes no arguments besides --json");
  LoadProgramData(ctx);
  PrepareUserFolder(ctx);
  const std::string path = Paths().userDataFolder + kProfileFileName;
  const uint32_t currentId = LoadCurrentId(Paths().userDataFolder);
  const ProfileFileRead read = ReadProfileSlots(path, ctx.settings);
  if (read.state == ProfileFileState::kDamaged) return Fail(read.reason);
  const bool present = read.state == ProfileFileState::kLoaded;
  const auto& slots = read.profileSlots;
  const KeyTable& table = ctx.settings.KeyTable;
  // The store as start-up fills it from the same folder, read only, for the numbers.
  ProfileStore store;
  std::string error;
  StartupProfile(ctx.settings, store, 0, error);
  const std::vector<Profile*> numbered = store.Profiles();

  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("file").String(path).Key("present").Bool(present).Key("currentId").Int(currentId);
    w.Key("profiles").BeginArray();
    for (std::size_t n = 0; present && n < slots.size(); ++n) {
      const Profile& p = slots[n].profile;
      if (slots[n].state != ProfileSlot::State::kValid) continue;
      w.BeginObject()
          .Key("profile").Int(NumberOf(numbered, p.id))
          .Key("id").Int(p.id)
          .Key("name").String(std::u16string_view(p.Name()))
          .Key("linkedProgram").String(std::u16string_view(p.LinkedProgram()))
          .Key("ledMode").Int(p.ledMode)
          .Key("ledModeName").String(std::u16string_view(TextTable::Instance().LedModeName(p.ledMode)))
          .Key("changedKeys").Int(ChangedKeyCount(p, table))
          .Key("current").Bool(p.id == currentId)
          .Key("repaired").Int(static_cast<int64_t>(slots[n].repairs.size()))
          .EndObject();
    }
    w.EndArray().EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  if (!present) {
    std::printf("No stored profiles: %s does not exist.\n", path.c_str());
    return 0;
  }
  std::printf("Stored profiles in %s (current id %s):\n", path.c_str(), Hex(currentId, 6).c_str());
  std::printf("  %-7s %-9s %-20s %-24s %-16s %s\n", "profile", "id", "name", "linked program", "lighting mode",
              "changed keys");
  int shown = 0;
  for (std::size_t n = 0; n < slots.size(); ++n) {
    const ProfileSlot& s = slots[n];
    if (s.state == ProfileSlot::State::kDamaged) {
      std::printf("  -       (record %zu of the file is damaged, skipped by the program)\n", n);
      continue;
    }
    if (s.state != ProfileSlot::State::kValid) continue;
    const Profile& p = s.profile;
    const int number = NumberOf(numbered, p.id);
    const std::string mode = std::to_string(p.ledMode) + " " + ToUtf8(TextTable::Instance().LedModeName(p.ledMode));
    std::printf("%s %-7s %-9s %-20s %-24s %-16s %d%s\n", p.id == currentId ? "*" : " ",
                number != 0 ? std::to_string(number).c_str() : "-", Hex(p.id, 6).c_str(), ToUtf8(p.Name()).c_str(),
                ToUtf8(p.LinkedProgram()).c_str(), mode.c_str(), ChangedKeyCount(p, table),
                number != 0 ? "" : "  (not one of the program's three profiles)");
    if (!s.repairs.empty()) {
      std::printf("       (read with %zu values out of range, shown as the program uses them: %s%s)\n", s.repairs.size(),
                  s.repairs.front().c_str(), s.repairs.size() > 1 ? ", ..." : "");
    }
    ++shown;
  }
  if (shown == 0) std::printf("  (none)\n");
  return 0;
}
