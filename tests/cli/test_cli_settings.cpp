// SPDX-License-Identifier: GPL-2.0-or-later
// The user's settings from the command line: "set-option" writes the user's file and
// refuses what the reader would refuse, "config" shows where each switch came from, and
// the texts follow a Language set there.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "platform/special_folders.h"
#include "tests/support/test_support.h"

namespace {

class CliSettings : public ::testing::Test {
 protected:
  RunResult Cli(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {BinDir() + "tastor-cli"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, {"XDG_CONFIG_HOME=" + home_.path() + "config",
                             "TASTOR_SYSTEM_SETTINGS=" + home_.path() + "etc-cfg.ini"});
  }
  std::string UserFile() const { return home_.path() + "config/Tastor/settings.ini"; }
  QJsonObject Sources() {
    const RunResult r = Cli({"config", "--json"});
    EXPECT_EQ(0, r.status) << r.err;
    return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object()["sources"].toObject();
  }
  TempDir home_;
};

TEST_F(CliSettings, SetOptionWritesTheUsersFileAndConfigShowsTheSource) {
  home_.Write("etc-cfg.ini", "[OPT]\nApplyNow=1\n");
  RunResult r = Cli({"set-option", "trayicon", "1"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "TrayIcon=1 in " + UserFile())) << r.out;
  home_.Write("config/Tastor/settings.ini", ReadFile(UserFile()) + "; kept\n[Other]\nx=y\n");
  ASSERT_EQ(0, Cli({"set-option", "Scale", "0150"}).status);
  EXPECT_TRUE(Has(ReadFile(UserFile()), "[OPT]\nTrayIcon=1\nScale=150\n; kept\n[Other]\nx=y\n")) << ReadFile(UserFile());

  r = Cli({"config"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "  TrayIcon           1  (from " + UserFile() + ")\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "  ApplyNow           1  (from " + home_.path() + "etc-cfg.ini)\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "  Debug              0  (from " + BinDir() + "cfg.ini)\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "  StartHidden        0  (default)\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "  VID                12136\n")) << r.out;  // the rest as before
  // The section [Other] of the user's file is told as not used, and the command goes on.
  EXPECT_TRUE(Has(r.err, "Warning: " + UserFile() + ": section [Other] is not used")) << r.err;
  QJsonObject sources = Sources();
  EXPECT_EQ("user", sources["TrayIcon"].toObject()["from"].toString());
  EXPECT_EQ("system", sources["ApplyNow"].toObject()["from"].toString());
  EXPECT_EQ("cfg.ini", sources["Debug"].toObject()["from"].toString());
  EXPECT_EQ(QString::fromStdString(UserFile()), sources["Scale"].toObject()["path"].toString());

  // --unset gives the key back to the files below.
  r = Cli({"set-option", "TRAYICON", "--unset"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "TrayIcon: the user's value removed")) << r.out;
  EXPECT_FALSE(Has(ReadFile(UserFile()), "TrayIcon"));
  EXPECT_EQ("cfg.ini", Sources()["TrayIcon"].toObject()["from"].toString());
}

TEST_F(CliSettings, SetOptionRefusesWhatTheReaderRefusesAndReportsAFailedWrite) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{"set-option", "PID", "1"}, "unknown key \"PID\" (the keys: TrayIcon, ApplyNow"},
           {{"set-option", "TrayIcon", "7"}, "TrayIcon=7 is refused: TrayIcon takes 0, 1, 2 or 3"},
           {{"set-option", "Scale", "50"}, "Scale takes 0 or 100 to 400"},
           {{"set-option", "Language", "../x"}, "Language takes a language code"},
           {{"set-option", "Language", "fr"}, "no translation \"fr\" in " + BinDir() + "translations/ (Language takes one of en, de)"},
           {{"set-option", "Debug"}, "set-option takes a key and a value"},
           {{"set-option", "Debug", "1", "--unset"}, "set-option --unset takes the key alone"},
       }) {
    const RunResult r = Cli(c.args);
    EXPECT_EQ(2, r.status) << c.message;
    EXPECT_TRUE(Has(r.err, c.message)) << r.err;
  }
  EXPECT_FALSE(PathFileExists(UserFile()));  // nothing was written

  // A folder the user may not write (root writes anywhere, so the child gives up root).
  ASSERT_EQ(0, Cli({"set-option", "Debug", "1"}).status);
  for (const std::string& folder : {home_.path(), home_.path() + "config"}) ::chmod(folder.c_str(), 0755);
  ::chmod((home_.path() + "config/Tastor").c_str(), 0555);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(100);
    const RunResult r = Cli({"set-option", "Debug", "2"});
    ::_exit(r.status == 1 && Has(r.err, "cannot write " + UserFile() + ": Permission denied; nothing was changed")
                ? 0
                : 1);
  }
  int status = 0;
  ASSERT_EQ(child, ::waitpid(child, &status, 0));
  for (const std::string& folder : {home_.path(), home_.path() + "config", home_.path() + "config/Tastor"}) {
    ::chmod(folder.c_str(), 0700);
  }
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_NE(100, WEXITSTATUS(status)) << "could not give up root";
  EXPECT_EQ(0, WEXITSTATUS(status)) << "the failed write did not end with exit status 1 and its reason";
  EXPECT_TRUE(Has(ReadFile(UserFile()), "Debug=1\n"));
}

TEST_F(CliSettings, TheTextsFollowTheLanguageSetting) {
  home_.Write("config/Tastor/settings.ini", "[OPT]\nLanguage=de\n");
  RunResult r = Cli({"text"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_TRUE(Has(r.out, "Texts read from " + BinDir() + "translations/de/text.xml")) << r.out;
  r = Cli({"--lang", "en", "text"});  // --lang still wins
  EXPECT_TRUE(Has(r.out, "Texts read from " + BinDir() + "text.xml")) << r.out;
  // A language without texts leaves the choice to the locale.
  home_.Write("config/Tastor/settings.ini", "[OPT]\nLanguage=fr\n");
  r = Cli({"text"});
  EXPECT_TRUE(Has(r.out, "Texts read from " + BinDir() + "text.xml")) << r.out;
}

}  // namespace
