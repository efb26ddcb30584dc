// SPDX-License-Identifier: GPL-2.0-or-later
// "tastor-cli config": the settings as start-up reads them, as JSON and as a report.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "tests/support/test_support.h"

namespace {

RunResult Cli(const std::vector<std::string>& args) {
  std::vector<std::string> argv = {BinDir() + "tastor-cli"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProgram(argv);
}

QJsonObject ParseObject(const std::string& text) {
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
  EXPECT_EQ(QJsonParseError::NoError, error.error) << error.errorString().toStdString();
  return doc.object();
}

TEST(CliConfig, ReferenceDataReadsWithoutMessages) {
  const RunResult r = Cli({"config", "--json", "--program-dir", BinDir()});
  ASSERT_EQ(0, r.status) << r.err;
  const QJsonObject o = ParseObject(r.out);
  EXPECT_TRUE(o["messages"].toArray().isEmpty()) << r.out;
  EXPECT_EQ(12136, o["VID"].toInt());
  EXPECT_EQ("Tastor", o["appdir"].toString());
  EXPECT_EQ(4, o["rcKB"].toArray().size());
  EXPECT_EQ(2, o["ptExit"].toArray().size());
  EXPECT_EQ(15, o["GameKeySets"].toArray().size());
  EXPECT_EQ(126, o["GameKeySets"].toArray()[0].toArray().size());
  EXPECT_EQ(30, o["LedModeTable"].toArray().size());
  EXPECT_GT(o["KeyTable"].toArray().size(), 0);
  EXPECT_EQ(62, o["MacroLimits"].toObject()["eventsPerMacro"].toInt());

  const RunResult report = Cli({"config", "--program-dir", BinDir()});
  ASSERT_EQ(0, report.status);
  EXPECT_NE(std::string::npos, report.out.find("Messages while reading: 0"));
}

TEST(CliConfig, MalformedLinesAreReportedInOrder) {
  TempDir dir;
  dir.Write("cfg.ini",
            "[OPT]\nrcKB=1,2\nptMin=800,10\nptExit=oops\nModes=3,1,z\nTxt_clr=10,20,30\n"
            "Btn_txt_clr_nr=99\nUnRectKey=5, 1,1, 9,1, 9,9, 2,2\n"
            "[KEY]\nK1=1,2,3,4,2,A2,0,5\nK2=9,8,7,q\nK3=1,1,1,1,2,41,0,200\n");
  const RunResult r = Cli({"--program-dir", dir.path(), "config", "--json"});
  ASSERT_EQ(0, r.status);
  const QJsonObject o = ParseObject(r.out);
  QStringList texts;
  for (const auto& m : o["messages"].toArray()) texts << m.toObject()["text"].toString();
  EXPECT_EQ((QStringList{"APPDATA=NULL", "Wrong rect num", "Wrong POINT num", "EnterPt[0]!=EnterPt[Last] ",
                         "Data parse error!", "Wrong matrix index value!"}),
            texts);
  EXPECT_EQ("Error", o["messages"].toArray()[4].toObject()["caption"].toString());
  EXPECT_EQ("Warning", o["messages"].toArray()[5].toObject()["caption"].toString());
  EXPECT_EQ((QJsonArray{295, 180, 969, 365}), o["rcKB"].toArray());
  EXPECT_EQ((QJsonArray{821, 10}), o["ptExit"].toArray());
  EXPECT_EQ((QJsonArray{3, 1}), o["Modes"].toArray());
  EXPECT_EQ(0x1E1463, o["Btn_txt_clr_nr"].toInt());  // 99, 20, 30
  ASSERT_EQ(2, o["KeyTable"].toArray().size());
  // The second line stops at its fourth piece; the rest carries over from the first, whose
  // left Ctrl is folded into the modifiers.
  const QJsonObject key = o["KeyTable"].toArray()[1].toObject();
  EXPECT_EQ((QJsonArray{9, 8, 7, 4}), key["rect"].toArray());
  EXPECT_EQ(1, key["modifiers"].toInt());
  EXPECT_EQ(0, key["key1"].toInt());
  EXPECT_EQ(5, key["matrix"].toInt());
}

TEST(CliConfig, UnknownCommandAndBadArgumentsFail) {
  EXPECT_EQ(2, Cli({"frobnicate"}).status);
  EXPECT_EQ(2, Cli({"config", "extra"}).status);
  EXPECT_EQ(2, Cli({"config", "--program-dir"}).status);
  const RunResult help = Cli({"--help"});
  EXPECT_EQ(0, help.status);
  EXPECT_NE(std::string::npos, help.out.find("config"));
}

}  // namespace
