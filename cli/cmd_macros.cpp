// SPDX-License-Identifier: GPL-2.0-or-later
// "macros": the macro library as the program reads it from the macro folder, as a tree of
// folders and macros with their ids.
#include <cstdio>
#include <map>
#include <memory>

#include "app/paths.h"
#include "base/settings.h"
#include "cli/cmd_model_output.h"
#include "macro/macro_library.h"
#include "macro/macro_scan.h"
#include "text/utf.h"

namespace {

struct Node {
  std::u16string name;
  bool folder = false;
  uint32_t id = 0;
  std::vector<std::unique_ptr<Node>> children;
};

// Collects what the scan reports into a tree; folders nest at most six deep, as the
// library tree allows.
class TreeBuilder : public MacroScanVisitor {
 public:
  Node root;
  bool AddFolder(TreeItemHandle parent, const std::u16string& name, const std::string&, TreeItemHandle& item) override {
    Node* p = Parent(parent);
    if (Depth(p) > 5) return false;
    p->children.push_back(std::make_unique<Node>(Node{name, true, 0, {}}));
    depth_[p->children.back().get()] = Depth(p) + 1;
    item = p->children.back().get();
    return true;
  }
  void AddMacro(TreeItemHandle parent, const std::u16string& name, uint32_t id) override {
    Parent(parent)->children.push_back(std::make_unique<Node>(Node{name, false, id, {}}));
  }

 private:
  Node* Parent(TreeItemHandle h) { return h == kTreeTop ? &root : static_cast<Node*>(h); }
  int Depth(Node* n) { return n == &root ? 0 : depth_[n]; }
  std::map<Node*, int> depth_;
};

int Print(const Node& node, const std::string& indent) {
  int macros = 0;
  for (const auto& c : node.children) {
    if (c->folder) {
      std::printf("%s[%s]\n", indent.c_str(), ToUtf8(c->name).c_str());
      macros += Print(*c, indent + "  ");
    } else {
      const MacroRecord* m = TheMacroLibrary().FindMacroById(c->id);
      std::printf("%s%s  id %s, %d events\n", indent.c_str(), ToUtf8(c->name).c_str(), Hex(c->id, 6).c_str(),
                  m != nullptr ? m->EventCount() : 0);
      ++macros;
    }
  }
  return macros;
}

void Write(JsonWriter& w, const Node& node) {
  w.BeginArray();
  for (const auto& c : node.children) {
    w.BeginObject().Key("name").String(std::u16string_view(c->name));
    if (c->folder) {
      w.Key("folder").Bool(true).Key("children");
      Write(w, *c);
    } else {
      const MacroRecord* m = TheMacroLibrary().FindMacroById(c->id);
      w.Key("id").Int(c->id).Key("events").Int(m != nullptr ? m->EventCount() : 0);
    }
    w.EndObject();
  }
  w.EndArray();
}

}  // namespace

int RunMacros(CliContext& ctx);
static CommandRegistrar g_macros{"macros", "macros [--json]", "the macro library as a tree with macro ids", RunMacros,
                                 {kJsonOption}};

int RunMacros(CliContext& ctx) {
  WordsBetween(ctx.options, 0, 0, "macros takes no arguments besides --json");
  TreeBuilder tree;
  const bool folders = LoadUserData(ctx, &tree);
  const std::string folder = Paths().MacroFolder();

  if (ctx.json) {
    JsonWriter w;
    w.BeginObject().Key("folder").String(folder).Key("folders").Bool(folders);
    w.Key("count").Int(TheMacroLibrary().Count()).Key("tree");
    Write(w, tree.root);
    w.EndObject();
    std::fputs(w.Text().c_str(), stdout);
    return 0;
  }
  std::printf("Macro library in %s (folders %s):\n", folder.c_str(), folders ? "on" : "off");
  const int count = Print(tree.root, "  ");
  std::printf("%d macro%s\n", count, count == 1 ? "" : "s");
  return 0;
}
