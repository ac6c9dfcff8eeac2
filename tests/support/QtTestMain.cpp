// main() for widget tests: one QApplication for the whole test program.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/ProgramFont.h"

int main(int argc, char** argv) {
  // Widget tests draw nothing on a screen: run without a display unless a
  // platform is asked for, so that the tests run anywhere.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  // The build lists the tests (--gtest_list_tests) to register each with
  // ctest; that needs no application, whose toolkit caches a leak checker
  // would report at exit.
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  QApplication app(argc, argv);
  // The program's own font, so that what tests measure is what operators see.
  QApplication::setFont(DialogFont());
  return RUN_ALL_TESTS();
}
