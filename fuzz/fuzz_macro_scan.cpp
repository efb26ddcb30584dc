// SPDX-License-Identifier: GPL-2.0-or-later
// Fuzzes the macro folder scan over a folder tree made from the input, as a macro folder
// copied from elsewhere may be: nested folders with odd names ("$", ".", dots, long
// names), macro files whole or cut short, junk files, links back up the tree or out of it,
// and named pipes. The scan must end, read only plain files, stay inside the folder and
// never take more macros than the library holds.
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "macro/macro_library.h"
#include "macro/macro_record.h"
#include "macro/macro_scan.h"

namespace {

constexpr uint32_t kOutsideId = 0x7F0777;

const char* const kNames[] = {"Sub", "$Recycle", ".hidden", "a.b.mck", "Jump.Run.mck", "x", "Deep", "UPPER.MCK",
                              "space name", "\xc3\xa9t\xc3\xa9", "tail.", "n.png"};

// A tree that counts what it receives and gives each folder a handle of its own.
class CountingTree : public MacroScanVisitor {
 public:
  bool AddFolder(TreeItemHandle parent, const std::u16string&, const std::string&, TreeItemHandle& item) override {
    const auto depth = parent == kTreeTop ? 1 : depthOf[reinterpret_cast<std::uintptr_t>(parent)] + 1;
    if (depth > 15) return false;  // the tree's own depth limit
    depthOf.push_back(depth);
    item = reinterpret_cast<TreeItemHandle>(depthOf.size() - 1);
    ++folders;
    return true;
  }
  void AddMacro(TreeItemHandle, const std::u16string&, uint32_t) override { ++macros; }
  std::vector<int> depthOf{0};
  int folders = 0;
  int macros = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using fuzzing::Check;
  const std::string root = fuzzing::FreshFolder("scan");
  const std::string macroFolder = root + "Mac/";
  ::mkdir(macroFolder.c_str(), 0755);
  // The macro outside the folder has an id no macro made from the input can have (those
  // take 16 bits), so finding it in the library means the scan left the folder.
  fuzzing::WriteBytes(root + "outside.mck", MacroFileImage(MakeDefaultMacro(kOutsideId, u"Outside")));

  std::vector<std::string> path{macroFolder};
  std::size_t pos = 0;
  auto next = [&]() -> uint8_t { return pos < size ? data[pos++] : 0; };
  int made = 0;
  while (pos < size && made < 96) {
    ++made;
    const uint8_t op = next();
    const std::string here = path.back();
    const std::string name = kNames[next() % (sizeof kNames / sizeof kNames[0])] + std::to_string(op >> 5);
    switch (op % 7) {
      case 0:
        if (path.size() < 24 && ::mkdir((here + name).c_str(), 0755) == 0) path.push_back(here + name + "/");
        break;
      case 1:
        if (path.size() > 1) path.pop_back();
        break;
      case 2: {  // a macro file, whole, with a few events from the input
        MacroRecord m = MakeDefaultMacro(next() | (next() << 8), u"m");
        for (int i = 0, n = next() % 8; i < n; ++i) m.Events[i] = MacroEvent{next(), static_cast<uint16_t>(next() & 1), next()};
        (void)fuzzing::TryWriteBytes(here + name, MacroFileImage(m));
        break;
      }
      case 3: {  // junk or a macro file cut short
        const std::size_t want = next() * 4u;
        const std::size_t n = std::min<std::size_t>(size - pos, want);
        (void)fuzzing::TryWriteBytes(here + name, {data + pos, n});
        pos += n;
        break;
      }
      case 4:  // a link back up the tree, or to the folder itself
        if (::symlink(next() % 2 ? ".." : ".", (here + name).c_str()) != 0) {
          // Not made: the tree goes on without this entry.
        }
        break;
      case 5:  // a link out of the macro folder
        if (::symlink(next() % 2 ? root.c_str() : (root + "outside.mck").c_str(), (here + name).c_str()) != 0) {
          // Not made: the tree goes on without this entry.
        }
        break;
      case 6:
        (void)::mkfifo((here + name).c_str(), 0644);
        break;
    }
  }

  MacroLibrary library;
  CountingTree tree;
  MacroScanContext scan;
  scan.tree = &tree;
  scan.foldersEnabled = true;
  scan.addToLibrary = true;
  scan.library = &library;
  scan.mouseMask = next() & 0x7F;
  (void)ScanMacroFolder(macroFolder, scan);
  Check(library.Count() <= MacroLibrary::kMaxMacros, "the library never holds more than its limit");
  Check(library.FindMacroById(kOutsideId) == nullptr, "nothing is read from outside the macro folder");
  // Folders below the tree's depth limit are read but not shown.
  Check(tree.macros <= library.Count(), "the tree shows no macro the library did not take");
  return 0;
}
