#include <gtest/gtest.h>

#include <QApplication>

#include "tests/support/test_environment.h"

// GUI suites share one QApplication on the offscreen platform; widgets are
// driven directly and never need a display.
int main(int argc, char** argv) {
  ombrex::test::IsolateUserEnvironment();
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
