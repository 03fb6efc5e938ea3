// The window link carries device threads' calls to the window's thread: a
// send is handled there before it returns, posts keep their order, the start
// of the shutdown releases senders, and timers restart rather than pile up.

#include "app/qt_window_link.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "device/run_state.h"

namespace ombrex {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class RecordingTarget : public WindowLinkTarget {
 public:
  void OnWindowMessage(std::uint32_t message, std::uint32_t wParam, std::uint32_t, bool posted,
                       HandOverReply reply) override {
    onUiThread = onUiThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    {
      std::lock_guard lock(mutex);
      messages.push_back({message, wParam, posted});
    }
    handled.fetch_add(1);
    if (whileHandling) whileHandling(message, std::move(reply));
  }
  void OnTimer(int id) override {
    std::lock_guard lock(mutex);
    ticks.push_back(id);
  }
  void OnHideMainWindow() override { ++hides; }
  void OnBankIndicator(bool) override {}
  void OnGKeyCaptions(const GKeyCaptionTexts& texts) override {
    std::lock_guard lock(mutex);
    captions = texts;
  }
  void OnShowMessage(std::u16string_view text) override {
    {
      std::lock_guard lock(mutex);
      shown.emplace_back(text);
    }
    if (whileShowing) whileShowing();
  }
  void OnTrayPicture(int, int) override {}

  struct Message {
    std::uint32_t message;
    std::uint32_t wParam;
    bool posted;
  };
  std::mutex mutex;
  std::vector<Message> messages;
  std::vector<int> ticks;
  std::vector<std::u16string> shown;
  GKeyCaptionTexts captions;
  std::atomic<int> handled{0};
  std::atomic<int> hides{0};
  std::atomic<bool> onUiThread{true};
  std::function<void(std::uint32_t, HandOverReply)> whileHandling;
  // Runs while the box is up, as its own loop would.
  std::function<void()> whileShowing;
};

class QtWindowLinkTest : public ::testing::Test {
 protected:
  // The window's loop, until `done` holds; a limit only against a hang.
  bool RunUntil(const std::function<bool()>& done) {
    const auto deadline = Clock::now() + 10s;
    while (!done()) {
      if (Clock::now() > deadline) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
      std::this_thread::yield();
    }
    return true;
  }

  RunState run_;
  RecordingTarget target_;
  QtWindowLink link_{run_, target_};
};

TEST_F(QtWindowLinkTest, SendsFromManyThreadsAreHandledOnTheWindowsThreadBeforeTheyReturn) {
  constexpr int kThreads = 4;
  constexpr int kSends = 50;
  std::atomic<int> returned{0};
  std::atomic<bool> handledBeforeReturn{true};
  std::vector<std::thread> senders;
  for (int t = 0; t < kThreads; ++t) {
    senders.emplace_back([&, t] {
      for (int i = 0; i < kSends; ++i) {
        const int before = target_.handled.load();
        const bool ok = link_.Send(0x5452, static_cast<std::uint32_t>(t * 1000 + i), 0);
        if (!ok || target_.handled.load() <= before) handledBeforeReturn = false;
        returned.fetch_add(1);
      }
    });
  }
  ASSERT_TRUE(RunUntil([&] { return returned == kThreads * kSends; }));
  for (auto& sender : senders) sender.join();
  EXPECT_TRUE(handledBeforeReturn);
  EXPECT_TRUE(target_.onUiThread);
  EXPECT_EQ(target_.handled, kThreads * kSends);
}

TEST_F(QtWindowLinkTest, OnTheWindowsThreadASendRunsAtOnceAndAPostWaitsForTheLoop) {
  EXPECT_TRUE(link_.Send(0x5045, 1, 0));
  EXPECT_EQ(target_.handled, 1) << "inline, without the loop";
  link_.Post(0x001E, 2, 0);
  EXPECT_EQ(target_.handled, 1) << "a post is always queued";
  ASSERT_TRUE(RunUntil([&] { return target_.handled == 2; }));
  EXPECT_TRUE(target_.messages.back().posted);
}

TEST_F(QtWindowLinkTest, PostsArriveInTheOrderTheyWereMade) {
  std::thread poster([&] {
    for (std::uint32_t i = 0; i < 200; ++i) link_.Post(0x5350, i, 0);
  });
  poster.join();
  ASSERT_TRUE(RunUntil([&] { return target_.handled == 200; }));
  for (std::uint32_t i = 0; i < 200; ++i) ASSERT_EQ(target_.messages[i].wParam, i);
}

TEST_F(QtWindowLinkTest, ASendNotBegunWhenTheShutdownStartsGivesUpAndIsNeverHandled) {
  std::atomic<int> result{-1};
  std::thread sender([&] { result = link_.Send(0x5452, 0, 0) ? 1 : 0; });
  // The send is queued; the window's loop does not run it before the shutdown.
  run_.BeginShutdown();
  sender.join();
  EXPECT_EQ(result, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(target_.handled, 0);
}

TEST_F(QtWindowLinkTest, ASendBegunBeforeTheShutdownIsWaitedForToItsEnd) {
  std::atomic<bool> mayEnd{false};
  target_.whileHandling = [&](std::uint32_t, HandOverReply) {
    // The shutdown starts while the message is being handled (the Exit it
    // is, say): its sender keeps waiting until the handling ended.
    run_.BeginShutdown();
    RunUntil([&] { return mayEnd.load(); });
  };
  std::atomic<int> result{-1};
  std::thread sender([&] { result = link_.Send(0x4D4B, 0x4C4C494B, 0) ? 1 : 0; });
  std::thread releaser([&] {
    while (target_.handled == 0) std::this_thread::yield();
    // Still waiting: the handling has not ended.
    std::this_thread::yield();
    EXPECT_EQ(result, -1);
    mayEnd = true;
  });
  ASSERT_TRUE(RunUntil([&] { return result != -1; }));
  sender.join();
  releaser.join();
  EXPECT_EQ(result, 1);
}

TEST_F(QtWindowLinkTest, AHeldReplyKeepsItsSenderUntilReleasedAndADroppedOneSaysNotHandled) {
  std::vector<HandOverReply> held;
  target_.whileHandling = [&](std::uint32_t, HandOverReply reply) { held.push_back(reply); };
  std::atomic<int> first{-1};
  std::atomic<int> second{-1};
  std::thread a([&] { first = link_.Send(0x5452, 1, 0) ? 1 : 0; });
  std::thread b([&] { second = link_.Send(0x5452, 2, 0) ? 1 : 0; });
  ASSERT_TRUE(RunUntil([&] { return held.size() == 2; }));
  EXPECT_EQ(first, -1);
  EXPECT_EQ(second, -1);
  // Whichever came first is run; the other is dropped.
  const bool aFirst = target_.messages[0].wParam == 1;
  held[0] = {};
  held[1].Drop();
  a.join();
  b.join();
  EXPECT_EQ(aFirst ? first.load() : second.load(), 1);
  EXPECT_EQ(aFirst ? second.load() : first.load(), 0);
}

TEST_F(QtWindowLinkTest, WhenTheLoopHasEndedASendReturnsWithoutBeingHandled) {
  link_.LoopEnded();
  std::atomic<int> result{-1};
  std::thread sender([&] { result = link_.Send(0x5350, 0x4F50454E, 0) ? 1 : 0; });
  sender.join();
  EXPECT_EQ(result, 0);
}

TEST_F(QtWindowLinkTest, TwoStartsOfATimerBeforeItsTickGiveOneTick) {
  std::thread device([&] {
    link_.StartTimer(1051, 0);
    link_.StartTimer(1051, 0);
    // A marker started after both: once it ticked, any second 1051 tick
    // would have come before it.
    link_.StartTimer(7, 0);
  });
  device.join();
  ASSERT_TRUE(RunUntil([&] {
    std::lock_guard lock(target_.mutex);
    return !target_.ticks.empty() && target_.ticks.back() == 7;
  }));
  EXPECT_EQ(target_.ticks, (std::vector<int>{1051, 7}));
  EXPECT_EQ(link_.ActiveTimers(), 0) << "one-shot timers end with their tick";
}

TEST_F(QtWindowLinkTest, CaptionsAndMessagesCarryTheirOwnCopiesOfTheTexts) {
  std::thread device([&] {
    std::u16string b1 = u"B1";
    GKeyCaptions captions{b1, u"B2", u"B3", u"B4", u"B5", u"", u"", u"", u""};
    link_.SetGKeyCaptions(captions);
    b1 = u"xx";  // the caller's text changes before the window runs
    link_.HideMainWindow();
  });
  device.join();
  ASSERT_TRUE(RunUntil([&] { return target_.hides == 1; }));
  EXPECT_EQ(target_.captions[0], u"B1");

  // The box stays up until the watcher that asked for it has gone on: the
  // watcher never waits for a person.
  std::atomic<bool> returned{false};
  bool returnedWhileShown = false;
  target_.whileShowing = [&] { returnedWhileShown = RunUntil([&] { return returned.load(); }); };
  std::thread watcher([&] {
    std::u16string text = u"cannot read the keyboard's default keys";
    link_.ShowMessage(text);
    text = u"xx";
    returned = true;
  });
  ASSERT_TRUE(RunUntil([&] { return returned.load() && !target_.shown.empty(); }));
  watcher.join();
  EXPECT_TRUE(returnedWhileShown);
  ASSERT_EQ(target_.shown.size(), 1u);
  EXPECT_EQ(target_.shown[0], u"cannot read the keyboard's default keys");
}

}  // namespace
}  // namespace ombrex
