// SPDX-License-Identifier: GPL-2.0-or-later
// The controls gallery runs off-screen from the build's program folder and writes every
// sheet.
#include <gtest/gtest.h>

#include <QImage>

#include "tests/support/test_support.h"

TEST(ControlsGallery, WritesEverySheet) {
  TempDir out;
  const RunResult run = RunProgram({BinDir() + "tastor-gallery", "--out", out.path() + "sheets"});
  ASSERT_EQ(0, run.status) << run.err;
  EXPECT_EQ(std::string::npos, run.err.find("no menu library"));
  for (const char* name : {"buttons", "lighting_panel", "menu_submenu", "sliders", "swatches", "message_boxes", "progress",
                           "keyboard_picture"}) {
    const QImage sheet(QString::fromStdString(out.path() + "sheets/" + name + ".png"));
    EXPECT_FALSE(sheet.isNull()) << name;
  }
}
