// SPDX-License-Identifier: GPL-2.0-or-later
// "matrix": the 126 device matrix entries and the macro buffer slots that a profile encodes
// to with the current macro library, as an apply would send them.
#include <cstdio>
#include <cstdlib>

#include "app/paths.h"
#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "macro/macro_encoding.h"
#include "macro/macro_library.h"
#include "model/device_matrix.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "text/text_table.h"
#include "text/utf.h"

int RunMatrix(CliContext& ctx);
static CommandRegistrar g_matrix{"matrix", "matrix [--profile N] [--json]",
                                 "the device matrix and macro buffer a profile encodes to", RunMatrix,
                                 {kProfileOption, kJsonOption}};

int RunMatrix(CliContext& ctx) {
  WordsBetween(ctx.options, 0, 0, "matrix takes --profile N and --json");
  const int wanted = ctx.options.Number("--profile", 0);  // 1-based position in the store; 0: the current profile
  LoadUserData(ctx);
  // The store as the program sees it at start-up; nothing is written back.
  ProfileStore store;
  std::string error;
  const Profile* profile = StartupProfile(ctx.settings, store, wanted, error);
  if (profile == nullptr) return Fail(error);

  MacroSet macros = TheMacroLibrary().SnapshotFor(profile->keys);
  DeviceMatrix matrix{};
  const int unencodable = KEYINFO_2_Matrix(profile->keys, ctx.settings.KeyTable, macros, matrix);
  for (int i = 0; i < unencodable; ++i) Windows().MessageBox(nullptr, kInvalidKeyCodeText, u"Error", MB_OK | MB_ICONERROR);
  MacroBuffer buffer{};
  int misplaced = 0;
  const int macroKeys =
      BuildMacroBuffer(profile->keys, macros, matrix, buffer, Limits(), ctx.settings.KeyTable.count, &misplaced);
  for (int i = 0; i < misplaced; ++i) {
    Windows().MessageBox(nullptr, kMatrixIndexWarningText, u"Warning", MB_OK | MB_ICONWARNING);
  }
  const int slotSize = Limits().bufferSize;

  // The macros that got a slot, by slot number.
  std::vector<const MacroRecord*> slots;
  for (int n = 1; n <= 10; ++n) {
    for (const MacroRecord& m : macros.Records()) {
      if (m.Macro_Buffer_ID == n) slots.push_back(&m);
    }
  }

  if (ctx.json) {
    JsonWriter w;
    w.BeginObject();
    w.Key("profile").BeginObject().Key("id").Int(profile->id).Key("name").String(std::u16string_view(profile->Name())).EndObject();
    w.Key("matrix").IntArray(matrix);
    w.Key("macroKeys").Int(macroKeys);
    w.Key("macroSlots").BeginArray();
    for (const MacroRecord* m : slots) {
      const auto offset = static_cast<std::size_t>((m->Macro_Buffer_ID - 1) * slotSize);
      std::vector<int> bytes(buffer.begin() + static_cast<std::ptrdiff_t>(offset),
                             buffer.begin() + static_cast<std::ptrdiff_t>(offset + static_cast<std::size_t>(slotSize)));
      w.BeginObject()
          .Key("slot").Int(m->Macro_Buffer_ID)
          .Key("macroId").Int(m->dwMacroId)
          .Key("name").String(std::u16string_view(m->Name()))
          .Key("bytes").IntArray(bytes)
          .EndObject();
    }
    w.EndArray();
    WriteMessagesJson(w, ctx);
    w.EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }

  std::printf("Device matrix of profile %s \"%s\":\n", Hex(profile->id, 6).c_str(), ToUtf8(profile->Name()).c_str());
  for (int pos = 0; pos < kKeyCount; ++pos) {
    std::printf("%s%3d: %08X", pos % 6 == 0 ? "" : "   ", pos, matrix[static_cast<std::size_t>(pos)]);
    if (pos % 6 == 5 || pos == kKeyCount - 1) std::printf("\n");
  }
  std::printf("\nMacro keys: %d; macro buffer slots used: %zu of 10 (%d bytes each)\n", macroKeys, slots.size(), slotSize);
  for (const MacroRecord* m : slots) {
    const auto offset = static_cast<std::size_t>((m->Macro_Buffer_ID - 1) * slotSize);
    std::printf("  slot %d: macro %s \"%s\"\n   ", m->Macro_Buffer_ID, Hex(m->dwMacroId, 6).c_str(), ToUtf8(m->Name()).c_str());
    int last = slotSize;
    while (last > 0 && buffer[offset + static_cast<std::size_t>(last - 1)] == 0) --last;
    for (int b = 0; b < last; ++b) std::printf(" %02X", buffer[offset + static_cast<std::size_t>(b)]);
    std::printf("%s\n", last < slotSize ? " (then zeros)" : "");
  }
  return 0;
}
