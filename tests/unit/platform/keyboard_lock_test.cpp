#include "platform/keyboard_lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/support/lock_elsewhere.h"

namespace ombrex {
namespace {

using namespace std::chrono_literals;

// Two locks of one name on two threads stand for two programs.
TEST(KeyboardLock, AnotherHolderWaitsAtMostItsPatienceAndGetsTheLockOnceItIsLetGo) {
  test::HeldElsewhere first("lock-test-wait");
  ASSERT_TRUE(first.Held());
  KeyboardLock second("lock-test-wait");
  EXPECT_FALSE(second.Acquire(20ms));
  EXPECT_FALSE(second.Held());

  std::atomic<bool> got{false};
  std::thread waiter([&] {
    got = second.Acquire(30s);
    second.Release();
  });
  first.Release();
  waiter.join();
  EXPECT_TRUE(got);
  EXPECT_TRUE(test::TakenElsewhereAtOnce("lock-test-wait"));
}

TEST(KeyboardLock, OnlyAChangingHoldMovesTheCountOnAndTheNextHolderSeesIt) {
  KeyboardLock window("lock-test-count");
  KeyboardLock tool("lock-test-count");
  ASSERT_TRUE(window.Acquire(0ms));
  const std::uint64_t start = window.Changes();
  window.Release(false);

  ASSERT_TRUE(tool.Acquire(0ms));
  EXPECT_EQ(tool.Changes(), start);
  tool.Release(true);

  ASSERT_TRUE(window.Acquire(0ms));
  EXPECT_EQ(window.Changes(), start + 1);
  window.Release();
}

}  // namespace
}  // namespace ombrex
