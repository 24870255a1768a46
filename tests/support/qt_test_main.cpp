// SPDX-License-Identifier: MIT
// The main of every test program that needs Qt's application object: one QApplication for
// the whole run, on Qt's offscreen platform unless the environment names another, so that
// the tests, and the test list CTest asks for, run without a display.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
