// The suite's own X server: an Xvfb of its own for the whole run, and this
// process a Qt client of it (for its pictures and its tray), so every test
// sees the same screen the program draws on.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <cstring>
#include <memory>
#include <string>

#include "tests/e2e/xvfb/x_session.h"
#include "tests/support/test_environment.h"

int main(int argc, char** argv) {
  ombrex::test::IsolateUserEnvironment();
  testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no server.
  if (testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  std::unique_ptr<ombrex::e2e::XServer> server = ombrex::e2e::XServer::Start();
  if (!server) {
    std::fprintf(stderr, "cannot start Xvfb (scripts/setup.sh installs it)\n");
    return 1;
  }
  setenv("DISPLAY", server->Display().c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
