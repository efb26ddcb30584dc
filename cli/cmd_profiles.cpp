// SPDX-License-Identifier: GPL-2.0-or-later
// "profiles": the profiles stored in the user data folder's pro.dct, one line each.
#include <cstdio>

#include "app/paths.h"
#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "model/profile_files.h"
#include "text/text_table.h"
#include "text/utf.h"

int RunProfiles(CliContext& ctx);
static CommandRegistrar g_profiles{"profiles", "profiles [--json]",
                                   "the stored profiles: slot, id, name, program, lighting, changed keys", RunProfiles};

int RunProfiles(CliContext& ctx) {
  if (!ctx.args.empty()) return Fail("profiles takes no arguments besides --json");
  LoadProgramData(ctx);
  PrepareUserFolder(ctx);
  const std::string path = Paths().userDataFolder + kProfileFileName;
  const uint32_t currentId = LoadCurrentId(Paths().userDataFolder);
  const ProfileFileRead read = ReadProfileSlots(path, ctx.settings);
  if (read.state == ProfileFileState::kDamaged) return Fail(read.reason);
  const bool present = read.state == ProfileFileState::kLoaded;
  const auto& slots = read.profileSlots;
  const KeyTable& table = ctx.settings.KeyTable;

  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("file").String(path).Key("present").Bool(present).Key("currentId").Int(currentId);
    w.Key("profiles").BeginArray();
    for (std::size_t n = 0; present && n < slots.size(); ++n) {
      const Profile& p = slots[n].profile;
      if (slots[n].state != ProfileSlot::State::kValid) continue;
      w.BeginObject()
          .Key("slot").Int(static_cast<int64_t>(n))
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
  std::printf("  %-4s %-9s %-20s %-24s %-16s %s\n", "slot", "id", "name", "linked program", "lighting mode", "changed keys");
  int shown = 0;
  for (std::size_t n = 0; n < slots.size(); ++n) {
    const ProfileSlot& s = slots[n];
    if (s.state == ProfileSlot::State::kDamaged) {
      std::printf("  %-4zu (damaged slot, skipped by the program)\n", n);
      continue;
    }
    if (s.state != ProfileSlot::State::kValid) continue;
    const Profile& p = s.profile;
    const std::string mode = std::to_string(p.ledMode) + " " + ToUtf8(TextTable::Instance().LedModeName(p.ledMode));
    std::printf("%s %-4zu %-9s %-20s %-24s %-16s %d\n", p.id == currentId ? "*" : " ", n, Hex(p.id, 6).c_str(),
                ToUtf8(p.Name()).c_str(), ToUtf8(p.LinkedProgram()).c_str(), mode.c_str(), ChangedKeyCount(p, table));
    if (!s.repairs.empty()) {
      std::printf("       (read with %zu values out of range, shown as the program uses them: %s%s)\n", s.repairs.size(),
                  s.repairs.front().c_str(), s.repairs.size() > 1 ? ", ..." : "");
    }
    ++shown;
  }
  if (shown == 0) std::printf("  (none)\n");
  return 0;
}
