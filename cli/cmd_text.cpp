// SPDX-License-Identifier: GPL-2.0-or-later
// "text": the entries of the text table as the program loads them from text.xml, and
// what the XML reader made of the file, so that a translator can check a text.xml:
// missing keys are marked and listed at the end.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/json_writer.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "text/xml_document.h"

namespace {

struct Entry {
  std::string key;
  std::u16string text;
  bool found;
  bool used;
};

std::vector<Entry> Entries(const TextTable& table) {
  std::vector<Entry> entries;
  table.ForEach([&](std::string_view key, const std::u16string& text) {
    const bool found = TextTable::Find(u"config", FromUtf8(key), nullptr);
    entries.push_back({std::string(key), text, found, !TextTable::IsUnusedKey(key)});
  });
  return entries;
}

// A text on one line, quoted and escaped as in JSON, so that line breaks and leading or
// trailing blanks show.
std::string Quoted(std::u16string_view text) {
  std::string quoted = JsonWriter().String(text).Text();
  quoted.pop_back();  // the document's closing line break
  return quoted;
}

void WriteReport(const std::string& path, const XmlDocument& doc, const std::vector<Entry>& entries) {
  std::vector<std::string> missing;
  for (const Entry& e : entries) {
    if (!e.found) missing.push_back(e.key);
  }
  std::printf("Texts read from %s\n", path.c_str());
  std::printf("XML reader: %s\n", ToUtf8(doc.Result()).c_str());
  std::printf("Well-formed: %s\n", doc.IsWellFormed() ? "yes" : "no");
  std::printf("Entries: %zu, found in the file: %zu, missing: %zu\n\n", entries.size(),
              entries.size() - missing.size(), missing.size());
  for (const Entry& e : entries) {
    std::string note;
    if (!e.found) note = e.text.empty() ? "MISSING" : "MISSING, default";
    if (!e.used) note += note.empty() ? "not used" : ", not used";
    const std::string shown = !e.found && e.text.empty() ? std::string() : Quoted(e.text);
    std::printf("  %-20s %s%s%s%s\n", e.key.c_str(), shown.c_str(), shown.empty() || note.empty() ? "" : " ",
                note.empty() ? "" : "(", note.empty() ? "" : (note + ")").c_str());
  }
  if (!missing.empty()) {
    std::printf("\nMissing keys (%zu):", missing.size());
    for (const std::string& key : missing) std::printf(" %s", key.c_str());
    std::printf("\n");
  }
}

void WriteJson(const std::string& path, const XmlDocument& doc, const std::vector<Entry>& entries) {
  JsonWriter w;
  w.BeginObject();
  w.Key("file").String(std::string_view(path));
  w.Key("result").String(std::u16string_view(doc.Result()));
  w.Key("wellFormed").Bool(doc.IsWellFormed());
  w.Key("entries").BeginArray();
  for (const Entry& e : entries) {
    w.BeginObject()
        .Key("key").String(std::string_view(e.key))
        .Key("text").String(std::u16string_view(e.text))
        .Key("found").Bool(e.found)
        .Key("used").Bool(e.used)
        .EndObject();
  }
  w.EndArray();
  w.Key("missing").BeginArray();
  for (const Entry& e : entries) {
    if (!e.found) w.String(std::string_view(e.key));
  }
  w.EndArray();
  w.EndObject();
  std::fputs(w.Text().c_str(), stdout);
}

}  // namespace

int RunText(CliContext& ctx);
static CommandRegistrar g_text{"text", "text [--json]",
                               "the texts as the program loads them from text.xml, missing keys marked", RunText,
                               {kJsonOption},
                               "The file is text.xml in the program folder, or translations/<lang>/text.xml when\n"
                               "--lang, the Language setting or the locale (LC_ALL, LC_MESSAGES, LANG) names a\n"
                               "language that has one.\n"};

int RunText(CliContext& ctx) {
  WordsBetween(ctx.options, 0, 0, "text takes no arguments besides --json");
  const std::string path = TextFilePath(ctx);
  TextTable& table = TextTable::Instance();
  table.Load(path);
  const std::vector<Entry> entries = Entries(table);
  if (ctx.json) {
    WriteJson(path, XmlDocument::Instance(), entries);
  } else {
    WriteReport(path, XmlDocument::Instance(), entries);
  }
  return 0;
}
