// SPDX-License-Identifier: GPL-2.0-or-later
// fuzz-make-seeds FOLDER: writes seed inputs for the fuzz targets with the program's own
// writers, so that the fuzzers start from files the program really makes: macro files, a
// pro.dct with curid.dct, .kbp exports with their macros, the simulated keyboard's report
// descriptors (and a boot keyboard's), and macro folder scripts. cfg.ini and text.xml
// seeds are the reference data files themselves (copied by scripts/fuzz.sh).
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/settings.h"
#include "libs/simkeyboard/sim_keyboard.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"
#include "model/profile_files.h"
#include "model/profile_store.h"

namespace {

std::string g_root;

void Write(const std::string& target, const std::string& name, const void* data, std::size_t size) {
  const std::string folder = g_root + target + "/";
  ::mkdir(folder.c_str(), 0755);
  std::ofstream out(folder + name, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

template <typename Bytes>
void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
  Write(target, name, bytes.data(), bytes.size());
}

MacroRecord Macro(uint32_t id, const char16_t* name, std::vector<uint16_t> keys, uint32_t mode, uint32_t delay) {
  MacroRecord m = MakeDefaultMacro(id, name);
  m.dwRepeatMode = mode;
  m.wLoopCount = 3;
  int i = 0;
  for (const uint16_t key : keys) {
    m.Events[i++] = MacroEvent{key, 1, delay};
    m.Events[i++] = MacroEvent{key, 0, delay * 2};
  }
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz-make-seeds FOLDER\n");
    return 2;
  }
  g_root = std::string(argv[1]) + "/";
  ::mkdir(g_root.c_str(), 0755);
  AppSettings settings;

  const MacroRecord burst = Macro(0x100001, u"Burst", {'Q', 'W', 'E'}, MACRO_REPEAT_COUNT, 30);
  const MacroRecord hold = Macro(0x100002, u"Hold", {0xA0, 'R', 0xF0}, MACRO_REPEAT_SECOND, 2500);
  const MacroRecord full = Macro(0x100003, u"Long", std::vector<uint16_t>(45, 'Z'), MACRO_REPEAT_THIRD, 5);
  Write("macro_file", "burst.mck", MacroFileImage(burst));
  Write("macro_file", "hold.mck", MacroFileImage(hold));
  Write("macro_file", "long.mck", MacroFileImage(full));

  // Profiles: three, the first with macro keys and a custom colour group.
  ProfileStore store;
  Profile p = MakeProfile(0x200001, u"Arena", settings);
  for (int k = 0; k < 3; ++k) {
    p.keys[static_cast<std::size_t>(k)].code = KeyFunction::MakeCode(KIND_MACRO, 0);
    p.keys[static_cast<std::size_t>(k)].matrixPos = k;
    p.keys[static_cast<std::size_t>(k)].macroId = static_cast<int32_t>(k == 1 ? hold.dwMacroId : burst.dwMacroId);
  }
  p.keys[5].code = KeyFunction::MakeCode(KIND_KEY, 0xA0);
  p.keys[5].key1 = 'Z';
  p.keys[5].modifiers = 0x03;
  p.ledMode = 1;
  p.colourGroup = 9;
  for (int i = 0; i < kKeyCount; i += 4) p.colours[9][static_cast<std::size_t>(i)] = 0x00FF8800;
  store.Append(p);
  store.Append(MakeProfile(0x200002, u"Office", settings));
  store.Append(MakeProfile(0x200003, u"Night", settings));
  store.SetCurrent(0x200001);
  std::vector<uint8_t> pro = ProfileFileImage(store);
  const uint32_t id = 0x200001;
  pro.insert(pro.end(), reinterpret_cast<const uint8_t*>(&id), reinterpret_cast<const uint8_t*>(&id) + 4);
  pro.resize(kProfileFileSize);  // the last four bytes are also the current-id file
  std::memcpy(pro.data() + kProfileFileSize - 4, &id, 4);
  Write("profile_files", "pro.dct", pro);
  Write("profile_files", "short.dct", std::vector<uint8_t>(pro.begin(), pro.begin() + 12796));

  MacroSet macros({burst, hold, full});
  Write("kbp_import", "arena.kbp", ProfileExportImage(p, macros));
  Profile q = p;
  q.keys[4].code = KeyFunction::MakeCode(KIND_MACRO, 0);
  q.keys[4].macroId = 0x000101;  // the id the import target's library holds
  Write("kbp_import", "known.kbp", ProfileExportImage(q, macros));
  const auto plain = ProfileExportImage(MakeProfile(0x200004, u"Plain", settings), macros);
  Write("kbp_import", "plain-short.kbp", std::vector<uint8_t>(plain.begin(), plain.begin() + 13000));

  // A profile with every value out of range that a loader must bring back: a lighting mode
  // and a colour group beyond their tables, levels beyond the sliders, a key of no kind, a
  // matrix position and a rectangle beyond the picture, texts without an end.
  Profile wild = MakeProfile(0x200005, u"Wild", settings);
  wild.ledMode = 0x7FFFFFFF;
  wild.colourGroup = 0xFFFF;
  wild.modeSettings[3] = {200, 250};
  wild.keys[7].code = 0x7F000001;
  wild.keys[8].code = KeyFunction::MakeCode(KIND_KEY, 0);
  wild.keys[8].key1 = 'A';
  wild.keys[8].matrixPos = 200;
  wild.keys[9].rect = {50, 50, -7, 40000};
  wild.name.fill(u'N');
  wild.linkedProgram.fill(u'g');
  ProfileStore wildStore;
  wildStore.Append(MakeProfile(0x200006, u"Tame", settings));
  wildStore.Append(wild);
  Write("profile_files", "hostile.dct", ProfileFileImage(wildStore));
  Write("kbp_import", "hostile.kbp", ProfileExportImage(wild, macros));

  for (const simkeyboard::Interface& i : simkeyboard::Interfaces(true)) {
    Write("report_descriptor", std::string(i.role) + ".bin", i.descriptor);
  }
  Write("report_descriptor", "typing.bin", simkeyboard::TypingInterface().descriptor);

  // Scan scripts: pairs of (operation, name) bytes as fuzz_macro_scan reads them.
  const std::vector<uint8_t> tree = {0, 0, 2, 3, 1, 2, 1, 2, 2, 3, 7, 4, 0, 2, 9, 1, 9, 2, 5, 3, 8, 0, 0x22, 1, 4, 3,
                                     1, 4, 1, 1, 2, 4, 2, 0, 0xF1, 0, 1, 1, 6, 5, 0};
  Write("macro_scan", "tree.bin", tree);
  const std::vector<uint8_t> loops = {0, 0, 4, 1, 0, 6, 4, 0, 4, 1, 5, 2, 1, 6, 2, 1};
  Write("macro_scan", "loops.bin", loops);
  return 0;
}
