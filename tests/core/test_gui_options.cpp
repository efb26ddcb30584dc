// SPDX-License-Identifier: GPL-2.0-or-later
// The command line of the windows program: its own options with their values in both
// forms, Qt's options let through (the platform and display noted), and refusals.
#include <gtest/gtest.h>

#include "app/gui_options.h"
#include "tests/support/test_support.h"

namespace {

using Action = GuiCommandLine::Action;

TEST(GuiCommandLine, ReadsItsOptionsInBothFormsAndLetsQtsOwnThrough) {
  const GuiCommandLine line = ParseGuiCommandLine({"--simulate", "--program-dir", "/opt/kb", "--user-dir=/tmp/u",
                                                   "--lang=de_DE.UTF-8", "--background", "-session", "1234abc",
                                                   "-style=fusion", "--platform", "xcb", "-display", ":3", "-reverse"});
  ASSERT_EQ(Action::Run, line.action) << line.error;
  const GuiOptions& o = line.options;
  EXPECT_TRUE(o.simulate);
  EXPECT_TRUE(o.hidden);
  EXPECT_EQ("/opt/kb/", o.programFolder);
  EXPECT_EQ("/tmp/u/", o.userDir);
  EXPECT_EQ("de_DE.UTF-8", o.language);
  EXPECT_EQ("xcb", o.platform);
  EXPECT_EQ(":3", o.display);
  EXPECT_FALSE(o.quitAfterFirstPaint);
  EXPECT_TRUE(ParseGuiCommandLine({"--hidden"}).options.hidden);
}

TEST(GuiCommandLine, HelpVersionAndManualPageEndTheReading) {
  EXPECT_EQ(Action::Version, ParseGuiCommandLine({"--version", "--bogus"}).action);
  EXPECT_EQ(Action::Help, ParseGuiCommandLine({"-h"}).action);
  EXPECT_EQ(Action::HelpMan, ParseGuiCommandLine({"--simulate", "--help-man"}).action);
  // The help and the page are made from the same table.
  for (const char* term : {"--hidden, --background", "--program-dir DIR", "--quit-after-first-paint"}) {
    EXPECT_TRUE(Has(GuiHelpText(), term)) << term;
  }
  EXPECT_TRUE(Has(GuiManPage(), "\\fB\\-\\-program\\-dir DIR\\fR")) << GuiManPage();
}

TEST(GuiCommandLine, RefusesWhatItDoesNotKnow) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--bogus"}, {"-x"}, {"--lang"}, {"--program-dir="}, {"--simulate=1"}, {"file"},
        {"-platform"}}) {
    const GuiCommandLine line = ParseGuiCommandLine(args);
    EXPECT_EQ(Action::Refused, line.action) << args.front();
    EXPECT_TRUE(Has(line.error, "(tastor --help lists the options)")) << line.error;
  }
  EXPECT_EQ("tastor: unknown option \"--bogus\" (tastor --help lists the options)",
            ParseGuiCommandLine({"--bogus"}).error);
  EXPECT_EQ("tastor: --lang needs a value, CODE (tastor --help lists the options)", ParseGuiCommandLine({"--lang"}).error);
}

}  // namespace
