// The window's long commands never run inside one another: a command that
// arrives while another runs waits for it, and at shutdown nothing waits any
// more. On the guard alone, and through the core with a headless window,
// where the reload's sender is the device watcher's thread.

#include "app/command_guard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/hand_over.h"
#include "app/ui_loop.h"
#include "device/run_state.h"

namespace ombrex {
namespace {

using namespace std::chrono_literals;

class CommandGuardTest : public ::testing::Test {
 protected:
  RunState run_;
  CommandGuard guard_{run_};
  std::vector<std::string> log_;
};

TEST_F(CommandGuardTest, ACommandArrivingWhileAnotherRunsStartsWhenItEnded) {
  guard_.Arrive(GuardedCommand::Apply, [&] {
    log_.push_back("apply begins");
    // A nested loop runs a queued time change and the reset timer.
    EXPECT_FALSE(guard_.Arrive(GuardedCommand::Apply, [&] { log_.push_back("second apply"); }));
    EXPECT_FALSE(guard_.Arrive(GuardedCommand::ResetFromKeyboard, [&] {
      log_.push_back("reset");
      // Arriving while a held one runs: after it.
      guard_.Arrive(GuardedCommand::Export, [&] { log_.push_back("export"); });
    }));
    EXPECT_EQ(guard_.Held(), 2u);
    log_.push_back("apply ends");
  });
  EXPECT_EQ(log_, (std::vector<std::string>{"apply begins", "apply ends", "second apply", "reset",
                                            "export"}));
  EXPECT_FALSE(guard_.Running());
}

TEST_F(CommandGuardTest, ACommandsOwnCallsAreNoArrivals) {
  // Default ends with its own Apply: a call, not a second command.
  auto apply = [&] { log_.push_back("apply"); };
  guard_.Arrive(GuardedCommand::RestoreDefaults, [&] {
    log_.push_back("default");
    apply();
    log_.push_back("default ends");
  });
  EXPECT_EQ(log_, (std::vector<std::string>{"default", "apply", "default ends"}));
}

TEST_F(CommandGuardTest, AtShutdownHeldAndNewArrivalsAreDroppedAndTold) {
  int dropped = 0;
  guard_.Arrive(GuardedCommand::Import, [&] {
    guard_.Arrive(
        GuardedCommand::Reload, [&] { log_.push_back("reload"); }, [&] { ++dropped; });
    run_.BeginShutdown();
  });
  EXPECT_TRUE(log_.empty());
  EXPECT_EQ(dropped, 1);
  EXPECT_FALSE(guard_.Arrive(
      GuardedCommand::Apply, [&] { log_.push_back("apply"); }, [&] { ++dropped; }));
  EXPECT_EQ(dropped, 2);
  EXPECT_TRUE(log_.empty());
}

// The reload keeps the device watcher waiting until it has run, through the
// reply its send carries.
TEST(HeldReplyTest, ASenderWaitsUntilItsHeldCallHasRunAndIsReleasedWhenItIsDropped) {
  RunState run;
  UiLoop loop(run);
  CommandGuard guard(run);
  std::atomic<bool> reloaded{false};
  std::atomic<int> sent{-1};
  std::atomic<bool> inApply{false};

  loop.Post([&] {
    guard.Arrive(GuardedCommand::Apply, [&] {
      inApply = true;
      // The nested loop of the Apply: the watcher's reload arrives and waits.
      loop.RunUntil([&] { return guard.Held() == 1; }, 10s);
      EXPECT_EQ(sent, -1) << "the watcher is still waiting";
      inApply = false;
    });
  });
  std::thread watcher([&] {
    while (!inApply) std::this_thread::yield();
    const bool handled = loop.CallWithReply([&](HandOverReply reply) {
      auto held = std::make_shared<HandOverReply>(std::move(reply));
      guard.Arrive(
          GuardedCommand::Reload,
          [&, held] {
            reloaded = true;
            *held = {};
          },
          [held] { held->Drop(); });
    });
    sent = handled ? 1 : 0;
  });
  ASSERT_TRUE(loop.RunUntil([&] { return sent != -1; }, 10s));
  watcher.join();
  EXPECT_TRUE(reloaded);
  EXPECT_EQ(sent, 1);

  // Held again, then the program shuts down: the watcher is let go, told
  // its message was not handled.
  sent = -1;
  reloaded = false;
  loop.Post([&] {
    guard.Arrive(GuardedCommand::Apply, [&] {
      inApply = true;
      loop.RunUntil([&] { return guard.Held() == 1; }, 10s);
      run.BeginShutdown();
      inApply = false;
    });
  });
  std::thread second([&] {
    while (!inApply) std::this_thread::yield();
    const bool handled = loop.CallWithReply([&](HandOverReply reply) {
      auto held = std::make_shared<HandOverReply>(std::move(reply));
      guard.Arrive(
          GuardedCommand::Reload, [&, held] { reloaded = true; }, [held] { held->Drop(); });
    });
    sent = handled ? 1 : 0;
  });
  loop.RunUntil([&] { return sent != -1; }, 10s);
  second.join();
  EXPECT_EQ(sent, 0);
  EXPECT_FALSE(reloaded);
}

}  // namespace
}  // namespace ombrex
