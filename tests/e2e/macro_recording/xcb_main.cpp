// The suite runs on the X server xvfb-run gives it, as an xcb client: a
// missing server is a failure, not a reason to fall back to offscreen.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <cstdio>
#include <cstring>

#include "tests/support/test_environment.h"

int main(int argc, char** argv) {
  ombrex::test::IsolateUserEnvironment();
  testing::InitGoogleTest(&argc, argv);
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  const char* display = getenv("DISPLAY");
  if (display == nullptr || *display == '\0') {
    std::fprintf(stderr, "no X server: run under xvfb-run (scripts/setup.sh installs it)\n");
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  if (QApplication::platformName() != QLatin1String("xcb")) {
    std::fprintf(stderr, "Qt runs on %s, not xcb\n", qPrintable(QApplication::platformName()));
    return 1;
  }
  return RUN_ALL_TESTS();
}
