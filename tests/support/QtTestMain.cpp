// main() for widget tests: one QApplication for the whole test program.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/ProgramFont.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The program's own font, so that what tests measure is what operators see.
  QApplication::setFont(DialogFont());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
