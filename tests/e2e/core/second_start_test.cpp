// Two real copies of the program (headless) on the virtual keyboard daemon:
// what a second start does to the running copy, and what "/Kill" does.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"

namespace ombrex::e2e {
namespace {

using namespace std::chrono_literals;

class SecondStartTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(keyboard_.Answering()); }

  // The program with named events of this test's own.
  std::vector<std::string> Args(std::vector<std::string> options) const {
    std::vector<std::string> args{"--events", "E2e" + std::to_string(::getpid()) + "_"};
    args.insert(args.end(), options.begin(), options.end());
    return args;
  }
  std::unique_ptr<Process> StartFirst(std::vector<std::string> options) {
    auto first = std::make_unique<Process>("ombrex-headless", Args(options), dir_.path());
    return first;
  }

  test::TempDir dir_;
  VirtualKeyboard keyboard_{dir_.path()};
};

// Text position, so tests can say "after".
std::size_t At(const std::string& text, const std::string& line) {
  return text.find(line);
}

TEST_F(SecondStartTest, APlainSecondStartMakesTheFirstOpenAndEndsWithZero) {
  auto first = StartFirst({"/Start"});
  ASSERT_TRUE(first->WaitForOutput("window: tray picture 0 141")) << first->Out() << first->Err();
  EXPECT_EQ(first->Out().find("window: show"), std::string::npos);

  const Finished second = RunToEnd("ombrex-headless", Args({}), dir_.path());

  EXPECT_EQ(second.exitCode, 0) << second.err;
  // Sent and waited for: the first had opened before the second ended.
  const std::string log = first->Out();
  EXPECT_NE(At(log, "window: sent 0x5350 0x4F50454E"), std::string::npos) << log;
  EXPECT_LT(At(log, "window: sent 0x5350 0x4F50454E"), At(log, "window: show")) << log;
  EXPECT_TRUE(first->Running());
}

TEST_F(SecondStartTest, KillMakesTheFirstShutDownInOrderBeforeTheSecondEnds) {
  auto first = StartFirst({});
  ASSERT_TRUE(first->WaitForOutput("window: show")) << first->Out() << first->Err();

  const Finished killer = RunToEnd("ombrex-headless", Args({"/kill"}), dir_.path());

  EXPECT_EQ(killer.exitCode, 0) << killer.err;
  const std::string log = first->Out();
  const std::size_t kill = At(log, "window: sent 0x4D4B 0x4C4C494B");
  ASSERT_NE(kill, std::string::npos) << log;
  const std::size_t hide = log.find("window: hide", kill);
  const std::size_t dialogs = At(log, "window: dialogs closed");
  const std::size_t tray = At(log, "window: tray icon removed");
  const std::size_t ended = At(log, "window: main loop ended");
  EXPECT_LT(hide, dialogs) << log;
  EXPECT_LT(dialogs, tray) << log;
  EXPECT_LT(tray, ended) << log;
  EXPECT_NE(ended, std::string::npos) << log;
  EXPECT_EQ(first->WaitForExit(), 0);
  EXPECT_NE(first->Out().find("headless: ended"), std::string::npos);
}

TEST_F(SecondStartTest, KillWithNoRunningCopyStartsNormally) {
  auto only = StartFirst({"/KILL"});
  ASSERT_TRUE(only->WaitForOutput("window: show")) << only->Out() << only->Err();
  EXPECT_EQ(only->Out().find("delivered"), std::string::npos);
  // It is the running copy now: a plain start reaches it.
  const Finished second = RunToEnd("ombrex-headless", Args({}), dir_.path());
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_TRUE(only->WaitForOutput("window: sent 0x5350 0x4F50454E"));
  only->Signal(SIGTERM);
  EXPECT_EQ(only->WaitForExit(), 0);
  EXPECT_NE(only->Out().find("window: main loop ended"), std::string::npos);
}

TEST_F(SecondStartTest, WithoutAKeyboardTheSecondStartEndsAfterTheMessage) {
  ASSERT_EQ(keyboard_.Control({"unplug"}).exitCode, 0);
  auto first = StartFirst({});
  ASSERT_TRUE(first->WaitForOutput("window: hide")) << first->Out() << first->Err();

  const Finished second = RunToEnd("ombrex-headless", Args({}), dir_.path());

  EXPECT_EQ(second.exitCode, 0);
  const std::string log = first->Out();
  EXPECT_NE(log.find("window: message: "), std::string::npos) << log;
  EXPECT_EQ(log.find("window: show"), std::string::npos) << log;
}

}  // namespace
}  // namespace ombrex::e2e
