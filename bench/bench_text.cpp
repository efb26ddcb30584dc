// SPDX-License-Identifier: GPL-2.0-or-later
// Loading text.xml into the text table, as start-up does, and the XML reader's parts:
// reading and indexing a file, the key lookups, and indexing a large document.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/special_folders.h"
#include "text/text_table.h"
#include "text/utf.h"
#include "text/xml_document.h"

namespace {

// The reference keyboard's text.xml, copied beside the executables by the build.
std::string TextFile() { return ProgramFolder() + "text.xml"; }

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void BM_TextTableLoad(benchmark::State& state) {
  const std::string path = TextFile();
  const std::size_t bytes = ReadBytes(path).size();
  if (bytes == 0) {
    state.SkipWithError("text.xml not found beside the benchmark");
    return;
  }
  TextTable table;
  for (auto _ : state) {
    table.Load(path);
    benchmark::DoNotOptimize(table.tc_ok.data());
  }
  if (table.tc_ok.empty()) state.SkipWithError("text.xml gave no tc_ok");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_TextTableLoad);

void BM_XmlDocumentLoad(benchmark::State& state) {
  const std::string path = TextFile();
  XmlDocument doc;
  for (auto _ : state) {
    benchmark::DoNotOptimize(doc.Load(path));
  }
  state.counters["elements"] = doc.ElementCount();
}
BENCHMARK(BM_XmlDocumentLoad);

void BM_AllLookups(benchmark::State& state) {
  TextTable table;
  table.Load(TextFile());
  std::vector<std::u16string> keys;
  table.ForEach([&](std::string_view key, const std::u16string&) { keys.push_back(FromUtf8(key)); });
  for (auto _ : state) {
    for (const std::u16string& key : keys) benchmark::DoNotOptimize(TextTable::Lookup(u"config", key));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * keys.size()));
}
BENCHMARK(BM_AllLookups);

// A large document of entries with references, comments and CDATA, UTF-8 and UTF-16.
std::string LargeDocument(bool utf16) {
  std::string text = "<tastor><config>";
  for (int i = 0; i < 20000; ++i) {
    text += "<tc_key" + std::to_string(i) + ">Text &amp; more &#x20AC; <!-- note --><![CDATA[<raw>]]></tc_key" +
            std::to_string(i) + ">\n";
  }
  text += "</config></tastor>";
  if (!utf16) return text;
  std::string wide = "\xFF\xFE";
  for (const char c : text) {
    wide.push_back(c);
    wide.push_back('\0');
  }
  return wide;
}

void BM_IndexLargeDocument(benchmark::State& state) {
  const std::string bytes = LargeDocument(state.range(0) != 0);
  XmlDocument doc;
  for (auto _ : state) {
    doc.LoadBytes(bytes);
    benchmark::DoNotOptimize(doc.ElementCount());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  state.counters["elements"] = doc.ElementCount();
}
BENCHMARK(BM_IndexLargeDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
