// SPDX-License-Identifier: GPL-2.0-or-later
// tastor-cli text: the loaded texts and the reader's result, with missing keys marked.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_support.h"

namespace {

RunResult Text(const std::string& programDir, bool json = false) {
  std::vector<std::string> argv = {BinDir() + "tastor-cli"};
  if (!programDir.empty()) argv.insert(argv.end(), {"--program-dir", programDir});
  argv.push_back("text");
  if (json) argv.push_back("--json");
  return RunProgram(argv);
}


TEST(CliText, ShippedFilesHaveEveryKey) {
  RunResult r = Text("");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "Entries: 177, found in the file: 177, missing: 0")) << r.out;
  EXPECT_TRUE(Has(r.out, "  tc_title             \"Tastor TK-105\"\n"));
  EXPECT_TRUE(Has(r.out, "  tc_proname           \"Profile \"\n"));
  EXPECT_TRUE(Has(r.out, "  tc_appdata           \"Tastor\" (not used)\n"));
  EXPECT_FALSE(Has(r.out, "Missing keys"));

  r = Text(SourceDir() + "data/translations/de");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "missing: 0"));
  EXPECT_TRUE(Has(r.out, "  tc_cancel            \"Abbrechen\"\n"));
}

TEST(CliText, MissingKeysStandOut) {
  TempDir dir;
  dir.Write("text.xml", "<t><config><tc_ok>OK</tc_ok><tc_title>\tTwo\nlines \"q\"</tc_title></config></t>");
  RunResult r = Text(dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "XML reader: UTF-8 length 76 to 76 wide chars  \nWell-formed: yes\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "missing: 175"));
  EXPECT_TRUE(Has(r.out, "  tc_ok                \"OK\"\n"));
  EXPECT_TRUE(Has(r.out, "  tc_title             \"\\tTwo\\nlines \\\"q\\\"\"\n"));
  EXPECT_TRUE(Has(r.out, "  tc_cancel            (MISSING)\n"));
  EXPECT_TRUE(Has(r.out, "  tc_space             \"Space\" (MISSING, default)\n"));
  EXPECT_TRUE(Has(r.out, "  tc_msg2              (MISSING, not used)\n"));
  // The program's own texts fall back to their English.
  EXPECT_TRUE(Has(r.out, "  tc_verify_led        \"The keyboard did not keep the lighting.\" (MISSING, default)\n"));
  EXPECT_TRUE(Has(r.out, "Missing keys (175): tc_mutex tc_web "));

  r = Text(dir.path(), true);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "\"wellFormed\": true"));
  EXPECT_TRUE(Has(r.out, "\"key\": \"tc_ok\",\n      \"text\": \"OK\",\n      \"found\": true,\n      \"used\": true"))
      << r.out;
  EXPECT_TRUE(Has(r.out, "\"key\": \"tc_space\",\n      \"text\": \"Space\",\n      \"found\": false"));
  EXPECT_TRUE(Has(r.out, "\"missing\": [\n    \"tc_mutex\",\n    \"tc_web\","));
  EXPECT_FALSE(Has(r.out, "\"tc_ok\"\n"));  // only missing keys are listed
}

TEST(CliText, UnreadableFile) {
  TempDir dir;
  RunResult r = Text(dir.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "XML reader: No such file or directory\nWell-formed: no\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "found in the file: 0, missing: 177"));

  r = RunProgram({BinDir() + "tastor-cli", "--program-dir", dir.path(), "text", "extra"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(Has(r.err, "text takes no arguments"));
}

}  // namespace
