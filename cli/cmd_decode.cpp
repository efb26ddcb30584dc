// SPDX-License-Identifier: GPL-2.0-or-later
// "decode FILE": every field of a pro.dct, curid.dct, .kbp or .mck file, so that a user can
// look into the program's files without the program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/paths.h"
#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "model/profile_files.h"
#include "model/profile_store.h"
#include "platform/checked_file.h"
#include "text/text_table.h"
#include "text/utf.h"

std::string Hex(uint32_t value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%0*X", digits, value);
  return buf;
}

std::string DescribeKeyFunction(const KeyFunction& key) {
  char buf[200];
  std::snprintf(buf, sizeof buf, "%-11s value %-6u modifiers 0x%02X key1 0x%02X key2 0x%02X macro %s matrix %3d rect %d,%d,%d,%d",
                FunctionKindName(key.Kind()), key.Value(), key.modifiers, key.key1, key.key2,
                Hex(static_cast<uint32_t>(key.macroId), 6).c_str(), key.matrixPos, key.rect.left, key.rect.top,
                key.rect.right, key.rect.bottom);
  return buf;
}

namespace {

std::string Colour(COLORREF c) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

template <typename Array>
bool AllZero(const Array& a) {
  for (const auto v : a) {
    if (v != 0) return false;
  }
  return true;
}

std::u16string ArrayText(const char16_t* text, std::size_t capacity) {
  std::u16string s;
  for (std::size_t i = 0; i < capacity && text[i] != u'\0'; ++i) s.push_back(text[i]);
  return s;
}

}  // namespace

void PrintProfile(const Profile& p, const std::string& in) {
  const char* i = in.c_str();
  std::printf("%ssignature      %s%s\n", i, Hex(p.signature).c_str(), p.signature == kProfileSignature ? "" : " (wrong)");
  std::printf("%sid             %s\n", i, Hex(p.id, 6).c_str());
  std::printf("%sname           \"%s\"\n", i, ToUtf8(p.Name()).c_str());
  std::printf("%slinked program \"%s\"\n", i, ToUtf8(p.LinkedProgram()).c_str());
  std::printf("%skey layer      %d\n", i, p.keyLayer);
  std::printf("%sreserved       %s\n", i, AllZero(p.reserved1) && AllZero(p.reserved2) && p.reserved3 == 0 ? "zero" : "not zero");
  std::printf("%skey functions:\n", i);
  for (int k = 0; k < kKeyCount; ++k) {
    std::printf("%s  %3d %s\n", i, k, DescribeKeyFunction(p.keys[static_cast<std::size_t>(k)]).c_str());
  }
  std::printf("%slighting mode  %d \"%s\"\n", i, p.ledMode, ToUtf8(TextTable::Instance().LedModeName(p.ledMode)).c_str());
  std::printf("%smode settings (speed/brightness):", i);
  for (int m = 0; m < kLightingModeCount; ++m) {
    std::printf("%s %d/%d", m % 10 == 0 ? (std::string("\n") + in + " ").c_str() : "", p.modeSettings[static_cast<std::size_t>(m)].speed,
                p.modeSettings[static_cast<std::size_t>(m)].brightness);
  }
  std::printf("\n%scolour group   %u\n", i, p.colourGroup);
  std::printf("%sgroup edited  ", i);
  for (const uint8_t e : p.groupEdited) std::printf(" %u", e);
  std::printf("\n%scolour groups (lit matrix positions: colour RRGGBB):\n", i);
  for (int g = 0; g < kColourGroupCount; ++g) {
    std::string lit;
    int count = 0;
    for (int pos = 0; pos < kKeyCount; ++pos) {
      const COLORREF c = p.colours[static_cast<std::size_t>(g)][static_cast<std::size_t>(pos)];
      if (c == 0) continue;
      lit += " " + std::to_string(pos) + ":" + Colour(c);
      ++count;
    }
    std::printf("%s  group %2d: %3d lit%s\n", i, g, count, lit.c_str());
  }
}

void WriteProfileJson(JsonWriter& w, const Profile& p) {
  w.BeginObject();
  w.Key("signature").Int(p.signature).Key("id").Int(p.id);
  w.Key("name").String(std::u16string_view(p.Name()));
  w.Key("linkedProgram").String(std::u16string_view(p.LinkedProgram()));
  w.Key("keyLayer").Int(p.keyLayer);
  w.Key("keys").BeginArray();
  for (const KeyFunction& k : p.keys) {
    w.BeginObject()
        .Key("code").Int(k.code)
        .Key("kind").String(FunctionKindName(k.Kind()))
        .Key("value").Int(k.Value())
        .Key("modifiers").Int(k.modifiers)
        .Key("key1").Int(k.key1)
        .Key("key2").Int(k.key2)
        .Key("macroId").Int(k.macroId)
        .Key("matrix").Int(k.matrixPos)
        .Key("rect").IntArray(std::vector<int32_t>{k.rect.left, k.rect.top, k.rect.right, k.rect.bottom})
        .EndObject();
  }
  w.EndArray();
  w.Key("ledMode").Int(p.ledMode);
  w.Key("modeSettings").BeginArray();
  for (const ModeSetting& m : p.modeSettings) w.IntArray(std::vector<int>{m.speed, m.brightness});
  w.EndArray();
  w.Key("colourGroup").Int(p.colourGroup);
  w.Key("groupEdited").IntArray(p.groupEdited);
  w.Key("colours").BeginArray();
  for (const auto& group : p.colours) w.IntArray(group);
  w.EndArray();
  w.EndObject();
}

void PrintMacro(const MacroRecord& m, const std::string& in) {
  const char* i = in.c_str();
  std::printf("%smagic          %s%s\n", i, Hex(m.dwMagicNumber).c_str(), m.dwMagicNumber == kMacroMagic ? "" : " (wrong)");
  std::printf("%sid             %s\n", i, Hex(m.dwMacroId, 6).c_str());
  std::printf("%sflags          %s\n", i, Hex(m.dwFlags).c_str());
  std::printf("%sauto delay     %u\n", i, m.dwAutoDelay);
  std::printf("%srepeat mode    %u\n", i, m.dwRepeatMode);
  std::printf("%sloop count     %u\n", i, m.wLoopCount);
  std::printf("%sname           \"%s\"\n", i, ToUtf8(ArrayText(m.szName, kMacroNameChars)).c_str());
  std::printf("%sbuffer id      %d\n", i, m.Macro_Buffer_ID);
  const int n = m.EventCount();
  std::printf("%sevents         %d\n", i, n);
  for (int e = 0; e < n; ++e) {
    const MacroEvent ev = m.Events[e];
    std::printf("%s  %2d %-7s code 0x%02X delay %u ms\n", i, e, ev.wKeyDown != 0 ? "press" : "release", ev.wKeyCode,
                ev.dwDelay);
  }
}

void WriteMacroJson(JsonWriter& w, const MacroRecord& m) {
  w.BeginObject();
  w.Key("magic").Int(m.dwMagicNumber).Key("id").Int(m.dwMacroId).Key("flags").Int(m.dwFlags);
  w.Key("autoDelay").Int(m.dwAutoDelay).Key("repeatMode").Int(m.dwRepeatMode).Key("loopCount").Int(m.wLoopCount);
  w.Key("name").String(std::u16string_view(ArrayText(m.szName, kMacroNameChars)));
  w.Key("bufferId").Int(m.Macro_Buffer_ID);
  w.Key("events").BeginArray();
  for (int e = 0; e < m.EventCount(); ++e) {
    const MacroEvent ev = m.Events[e];
    w.BeginObject().Key("code").Int(ev.wKeyCode).Key("down").Int(ev.wKeyDown).Key("delay").Int(ev.dwDelay).EndObject();
  }
  w.EndArray();
  w.EndObject();
}

bool LoadUserData(CliContext& ctx, MacroScanVisitor* tree) {
  LoadProgramData(ctx);
  PrepareUserFolder(ctx);
  LoadMacroLibrary(TheMacroLibrary(), Paths().MacroFolder(), ctx.settings, tree);
  return ctx.settings.MacroDir != 0;
}

bool ParseProfileNumber(const std::string& text, int& position) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || n < 1 || n > kProfileCount) return false;
  position = static_cast<int>(n);
  return true;
}

Profile* StartupProfile(const AppSettings& settings, ProfileStore& store, int position, std::string& error, bool* unreadable) {
  ProfileFileLoad load;
  LoadProfilesAtStartup(store, Paths().userDataFolder, settings, TextTable::Instance().tc_proname,
                        DamagedProfiles::kRefuse, &load);
  if (unreadable != nullptr) *unreadable = load.state == ProfileFileState::kDamaged;
  if (load.state == ProfileFileState::kDamaged) {
    error = "the stored profiles cannot be used: " + load.reason +
            "; nothing was changed (tastor keeps a copy of the file when it starts and makes new profiles)";
    return nullptr;
  }
  if (position == 0) return store.Current();
  const auto all = store.Profiles();
  if (position > static_cast<int>(all.size())) {
    error = "there are " + std::to_string(all.size()) + " profiles, not " + std::to_string(position);
    return nullptr;
  }
  return all[static_cast<std::size_t>(position - 1)];
}

namespace {

enum class FileKind { kUnknown, kProfiles, kCurrentId, kProfileExport, kMacro };

// The largest file decode reads: the largest it decodes is pro.dct (kProfileFileSize,
// 63980 bytes); the margin leaves room for files with bytes after their records, which
// the program reads too.
constexpr std::size_t kMaxDecodeBytes = std::size_t{1} << 20;
static_assert(kMaxDecodeBytes > kProfileFileSize && kMaxDecodeBytes > kKbpFileSize);

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

FileKind KindOf(const std::string& path, const std::string& bytes) {
  const std::size_t slash = path.rfind('/');
  const std::string name = Lower(slash == std::string::npos ? path : path.substr(slash + 1));
  const std::size_t dot = name.rfind('.');
  const std::string ext = dot == std::string::npos ? "" : name.substr(dot);
  if (name == kCurrentIdFileName) return FileKind::kCurrentId;
  if (name == kProfileFileName) return FileKind::kProfiles;
  if (ext == ".kbp") return FileKind::kProfileExport;
  if (ext == ".mck") return FileKind::kMacro;
  if (bytes.size() == kProfileFileSize) return FileKind::kProfiles;
  if (bytes.size() == kKbpFileSize) return FileKind::kProfileExport;
  if (bytes.size() == kCurrentIdFileSize) return FileKind::kCurrentId;
  if (bytes.size() >= kMacroRecordSize) {
    uint32_t magic = 0;
    for (int b = 3; b >= 0; --b) magic = (magic << 8) | RotateFromFile(static_cast<uint8_t>(bytes[static_cast<std::size_t>(b)]));
    if (magic == kMacroMagic) return FileKind::kMacro;
  }
  return FileKind::kUnknown;
}

std::string SizeError(const std::string& path, const char* what, std::size_t want, std::size_t have) {
  return path + ": " + what + " has " + std::to_string(want) + " bytes, this one has " + std::to_string(have);
}

const uint8_t* Bytes(const std::string& s, std::size_t offset = 0) {
  return reinterpret_cast<const uint8_t*>(s.data()) + offset;
}

int DecodeProfiles(const CliContext& ctx, const std::string& path) {
  const ProfileFileRead read = ReadProfileSlots(path, ctx.settings);
  if (read.state != ProfileFileState::kLoaded) return Fail(read.reason.empty() ? path + " does not exist" : read.reason);
  const auto& slots = read.profileSlots;
  const char* stateNames[] = {"empty", "profile", "damaged"};
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("file").String("pro.dct").Key("slots").BeginArray();
    for (std::size_t n = 0; n < slots.size(); ++n) {
      w.BeginObject().Key("slot").Int(static_cast<int64_t>(n)).Key("state").String(stateNames[static_cast<int>(slots[n].state)]);
      if (slots[n].state == ProfileSlot::State::kValid) WriteProfileJson(w.Key("profile"), slots[n].profile);
      if (slots[n].state == ProfileSlot::State::kDamaged) {
        w.Key("signature").Int(slots[n].profile.signature).Key("id").Int(slots[n].profile.id);
      }
      w.EndObject();
    }
    w.EndArray().EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("%s: stored profiles (pro.dct, %zu slots)\n", path.c_str(), slots.size());
  for (std::size_t n = 0; n < slots.size(); ++n) {
    const ProfileSlot& s = slots[n];
    switch (s.state) {
      case ProfileSlot::State::kEmpty: std::printf("\nslot %zu: empty\n", n); break;
      case ProfileSlot::State::kDamaged:
        std::printf("\nslot %zu: damaged, skipped by the program (signature %s, id %s)\n", n, Hex(s.profile.signature).c_str(),
                    Hex(s.profile.id, 6).c_str());
        break;
      case ProfileSlot::State::kValid:
        std::printf("\nslot %zu: profile\n", n);
        PrintProfile(s.profile, "  ");
        break;
    }
  }
  return 0;
}

int DecodeExport(const CliContext& ctx, const std::string& path, const std::string& bytes) {
  if (bytes.size() != kKbpFileSize) return Fail(SizeError(path, "a profile export (.kbp)", kKbpFileSize, bytes.size()));
  const std::span<const uint8_t, kProfileSize> head(Bytes(bytes), kProfileSize);
  if (!IsValidProfileImage(head)) return Fail(path + ": not a valid profile (wrong signature or id 0)");
  const Profile profile = ProfileFromBytes(head);
  std::vector<std::pair<std::size_t, MacroRecord>> macros;
  for (std::size_t k = 0; k < kKbpMacroSlots; ++k) {
    const std::span<const uint8_t, kMacroRecordSize> slot(Bytes(bytes, kProfileSize + k * kMacroRecordSize), kMacroRecordSize);
    if (std::all_of(slot.begin(), slot.end(), [](uint8_t b) { return b == 0; })) continue;
    macros.emplace_back(k, MacroFromBytes(slot));
  }
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("file").String("kbp");
    WriteProfileJson(w.Key("profile"), profile);
    w.Key("macros").BeginArray();
    for (const auto& [k, m] : macros) {
      w.BeginObject().Key("slot").Int(static_cast<int64_t>(k));
      WriteMacroJson(w.Key("macro"), m);
      w.EndObject();
    }
    w.EndArray().EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("%s: exported profile (.kbp)\n\nprofile:\n", path.c_str());
  PrintProfile(profile, "  ");
  std::printf("\nmacro slots: %zu of %zu used\n", macros.size(), kKbpMacroSlots);
  for (const auto& [k, m] : macros) {
    std::printf("\nmacro slot %zu:\n", k);
    PrintMacro(m, "  ");
  }
  return 0;
}

int DecodeMacro(const CliContext& ctx, const std::string& path, const std::string& bytes) {
  if (bytes.size() < kMacroRecordSize) {
    return Fail(SizeError(path, "a macro file (.mck)", kMacroRecordSize, bytes.size()));
  }
  const MacroRecord macro = MacroFromFileImage(std::span<const uint8_t, kMacroRecordSize>(Bytes(bytes), kMacroRecordSize));
  if (macro.dwMagicNumber != kMacroMagic) {
    return Fail(path + ": not a macro file (magic number " + Hex(macro.dwMagicNumber) + ")");
  }
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("file").String("mck");
    WriteMacroJson(w.Key("macro"), macro);
    w.EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("%s: macro file (.mck)\n", path.c_str());
  PrintMacro(macro, "  ");
  return 0;
}

int DecodeCurrentId(const CliContext& ctx, const std::string& path, const std::string& bytes) {
  if (bytes.size() != kCurrentIdFileSize) {
    return Fail(SizeError(path, "a current-profile file (curid.dct)", kCurrentIdFileSize, bytes.size()));
  }
  uint32_t id = 0;
  std::memcpy(&id, bytes.data(), 4);
  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("file").String("curid.dct").Key("currentId").Int(id).EndObject();
    std::fputs(w.Text().c_str(), stdout);
  } else {
    std::printf("%s: current profile id %s\n", path.c_str(), Hex(id, 6).c_str());
  }
  return 0;
}

}  // namespace

int RunDecode(CliContext& ctx);
static CommandRegistrar g_decode{
    "decode", "decode FILE [--json]", "every field of a pro.dct, curid.dct, .kbp or .mck file", RunDecode,
    {kJsonOption},
    "  FILE  the file; its name or size tells the kind. pro.dct shows its five records as they\n"
    "        are stored (slot 0 to 4), not as the profile numbers 1 to 3 that \"profiles\" shows\n"};

int RunDecode(CliContext& ctx) {
  const std::string& path = WordsBetween(ctx.options, 1, 1, "decode takes one file").front();
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) return Fail(path + " is a folder, not a file");
  // Plain files only, and no more than any file it decodes could hold: a pipe or a device
  // given here would block the read or never end.
  const FileBytes file = ReadWholeFile(path, kMaxDecodeBytes);
  if (!file.ok()) return Fail("cannot read " + path + ": " + file.Reason());
  const std::string& bytes = file.bytes;
  switch (KindOf(path, bytes)) {
    case FileKind::kProfiles:
      if (bytes.size() < kProfileFileSize) return Fail(SizeError(path, "a profile file (pro.dct)", kProfileFileSize, bytes.size()));
      return DecodeProfiles(ctx, path);
    case FileKind::kCurrentId: return DecodeCurrentId(ctx, path, bytes);
    case FileKind::kProfileExport: return DecodeExport(ctx, path, bytes);
    case FileKind::kMacro: return DecodeMacro(ctx, path, bytes);
    case FileKind::kUnknown: break;
  }
  return Fail(path + ": not a pro.dct, curid.dct, .kbp or .mck file (" + std::to_string(bytes.size()) + " bytes)");
}
