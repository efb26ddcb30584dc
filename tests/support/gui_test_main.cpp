// SPDX-License-Identifier: GPL-2.0-or-later
#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/test_support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  SetUpTestEnvironment();
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
