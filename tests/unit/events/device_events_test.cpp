// The keyboard's events and the device watcher against the in-process virtual
// keyboard, with the window replaced by a recorder.

#include "device/device_events.h"

#include <gtest/gtest.h>

#include "device/window_link.h"
#include "tests/support/core/recording_window_link.h"
#include "tests/support/core/small_texts.h"
#include "tests/support/device/virtual_keyboard_rig.h"

namespace ombrex {
namespace {

using test::HideCall;
using test::PostCall;
using test::SendCall;
using test::TimerCall;
using test::TrayCall;
using test::WindowCall;
namespace msg = window_message;

constexpr std::string_view kTextLines = "IDS_MIAN_DEFAULT_PROMPT=Default keys unreadable\n";

// A factory table that differs from the built-in one, so a test can see
// whether the keyboard's own table was taken.
test::RigOptions DistinctDefaultTable() {
  test::RigOptions options;
  for (std::size_t i = 0; i < options.factory.defaultKeyTable.size(); ++i) {
    options.factory.defaultKeyTable[i] = static_cast<std::uint8_t>(0xA0 ^ i);
  }
  options.factory.macroCapacityUnits = 100;
  return options;
}

class DeviceEventsTest : public ::testing::Test {
 protected:
  explicit DeviceEventsTest(test::RigOptions options = DistinctDefaultTable())
      : rig_(options), window_(&run_), texts_(kTextLines) {}

  void SetUp() override {
    ASSERT_TRUE(rig_.Ready());
    events_.Attach();
    ASSERT_GT(events_.RegisterEventRead(), 0);
  }

  AppState& State() { return rig_.State(); }
  std::vector<WindowCall> Calls() { return window_.Calls(); }
  // Runs a watcher to its end with the window ready.
  void Watch(int count) {
    run_.MarkReady();
    events_.StartDeviceWatcher(count);
    events_.WaitIdle();
  }

  test::VirtualKeyboardRig rig_;
  RunState run_;
  test::RecordingWindowLink window_;
  test::SmallTexts texts_;
  DeviceEvents events_{rig_.Link(), window_, run_, texts_.Get()};
};

TEST_F(DeviceEventsTest, ArrivalReadsTheKeyboardThenReloadsShowsTheIconAndOpensOnce) {
  Watch(1);

  EXPECT_EQ(rig_.DefaultTable().Get(), rig_.Keyboard().Config().defaultKeyTable);
  EXPECT_EQ(State().macroCapacity, 100u * 128u);
  EXPECT_EQ(State().devicePresence, 1);
  EXPECT_TRUE(State().autoOpenSuppressed);
  const std::vector<WindowCall> expected{SendCall(msg::kReload, msg::kProfile),
                                         TrayCall(kTrayPresence, kTrayKeyboard),
                                         PostCall(msg::kShowPanel, msg::kOpen)};
  EXPECT_EQ(Calls(), expected) << test::Describe(Calls());

  // The same count again changes nothing; a later arrival never opens again.
  window_.Clear();
  Watch(1);
  EXPECT_TRUE(Calls().empty()) << test::Describe(Calls());
  Watch(0);
  Watch(1);
  EXPECT_TRUE(window_.CallsOf(WindowCall::Kind::Post).empty()) << test::Describe(Calls());
}

TEST_F(DeviceEventsTest, RemovalClosesEditorsHidesAndForgetsTheProfile) {
  Watch(1);
  State().deviceProfile = ProfileNumber(2);
  window_.Clear();

  Watch(0);

  const std::vector<WindowCall> expected{SendCall(msg::kCloseEditors, 0), HideCall(),
                                         TrayCall(kTrayPresence, kTrayNoKeyboard)};
  EXPECT_EQ(Calls(), expected) << test::Describe(Calls());
  EXPECT_EQ(State().deviceProfile.load(), std::nullopt);
  EXPECT_EQ(State().devicePresence, 0);
}

TEST_F(DeviceEventsTest, StartedWithStartOptionReloadsButNeverOpens) {
  State().autoOpenSuppressed = true;
  Watch(1);
  const std::vector<WindowCall> expected{SendCall(msg::kReload, msg::kProfile),
                                         TrayCall(kTrayPresence, kTrayKeyboard)};
  EXPECT_EQ(Calls(), expected) << test::Describe(Calls());
}

TEST_F(DeviceEventsTest, NoKeyboardAtStartSuppressesTheLaterOpening) {
  // What the start-up does with a count of 0: the watcher ends at once, and
  // the keyboard plugged in later does not open the window.
  Watch(0);
  EXPECT_TRUE(Calls().empty());
  State().autoOpenSuppressed = true;
  Watch(1);
  EXPECT_TRUE(window_.CallsOf(WindowCall::Kind::Post).empty());
}

TEST_F(DeviceEventsTest, EveryChangeOfTheCountRunsTheArrivalReadsAgain) {
  Watch(1);
  State().macroCapacity = 0;
  Watch(2);
  EXPECT_EQ(State().macroCapacity, 100u * 128u);
  State().macroCapacity = 0;
  Watch(1);
  EXPECT_EQ(State().macroCapacity, 100u * 128u);
  EXPECT_EQ(window_.CallsOf(WindowCall::Kind::Send).size(), 3u);
  EXPECT_EQ(window_.CallsOf(WindowCall::Kind::Post).size(), 1u);
  EXPECT_EQ(State().devicePresence, 1);
}

TEST_F(DeviceEventsTest, WatcherReadsAtOnceButWaitsForTheReadyWindowBeforeAnyMessage) {
  events_.StartDeviceWatcher(1);
  // Once the watcher waits for the window, the reads are done without it ...
  ASSERT_TRUE(run_.WaitForWaiters(1));
  EXPECT_EQ(State().macroCapacity, 100u * 128u);
  // ... and the window has heard nothing before it is ready.
  EXPECT_TRUE(Calls().empty()) << test::Describe(Calls());
  EXPECT_EQ(State().devicePresence, 0);

  run_.MarkReady();
  EXPECT_TRUE(window_.WaitForCount(WindowCall::Kind::Post, 1));
  events_.WaitIdle();
  EXPECT_EQ(Calls().front(), SendCall(msg::kReload, msg::kProfile));
}

TEST_F(DeviceEventsTest, ShutdownReleasesAWatcherWaitingForTheWindow) {
  events_.StartDeviceWatcher(1);
  ASSERT_TRUE(run_.WaitForWaiters(1));
  events_.Stop();  // returns, though the window never became ready
  EXPECT_TRUE(Calls().empty()) << test::Describe(Calls());
  EXPECT_TRUE(run_.ShuttingDown());
}

TEST_F(DeviceEventsTest, PluggingAndUnpluggingTheKeyboardReachesTheWatcher) {
  run_.MarkReady();
  rig_.Unplug();
  ASSERT_TRUE(window_.WaitForCount(WindowCall::Kind::Tray, 0));
  // Presence starts at 0, so unplugging changes nothing; plugging arrives.
  rig_.Plug();
  ASSERT_TRUE(window_.WaitForCount(WindowCall::Kind::Post, 1));
  rig_.Unplug();
  ASSERT_TRUE(window_.WaitFor([](const std::vector<WindowCall>& calls) {
    return !calls.empty() && calls.back() == TrayCall(kTrayPresence, kTrayNoKeyboard);
  }));
  events_.WaitIdle();
  EXPECT_EQ(State().devicePresence, 0);
}

TEST_F(DeviceEventsTest, BankKeyTogglesTheBankWritesTheLedAndRefreshesTheGKeys) {
  ASSERT_TRUE(rig_.RaiseEvent(protocol::kEventBankKey));
  ASSERT_TRUE(window_.WaitForCount(WindowCall::Kind::Captions, 1));
  EXPECT_EQ(events_.Bank(), 1);
  EXPECT_EQ(events_.BankLed(), (BankLedState{0x05, 0x03}));
  // Written to the keyboard before the window was told.
  EXPECT_EQ(rig_.Keyboard().Snapshot().bankLed, (BankLedState{0x05, 0x03}));

  ASSERT_TRUE(rig_.RaiseEvent(protocol::kEventBankKey));
  ASSERT_TRUE(window_.WaitForCount(WindowCall::Kind::Captions, 2));
  EXPECT_EQ(events_.Bank(), 0);
  EXPECT_EQ(events_.BankLed(), kBankLedStart);

  const std::vector<WindowCall> expected{
      SendCall(msg::kBankChanged, msg::kLedTag),
      {WindowCall::Kind::BankIndicator, 1, 0, 0, {}},
      {WindowCall::Kind::Captions, 0, 0, 0, u"B1|B2|B3|B4|B5||||"},
      SendCall(msg::kBankChanged, msg::kLedTag),
      {WindowCall::Kind::BankIndicator, 0, 0, 0, {}},
      {WindowCall::Kind::Captions, 0, 0, 0, u"A1|A2|A3|A4|A5||||"},
  };
  EXPECT_EQ(Calls(), expected) << test::Describe(Calls());
}

TEST_F(DeviceEventsTest, ProfileChangeAndResetStartTheirTimers) {
  ASSERT_TRUE(rig_.RaiseEvent(protocol::kEventProfileChanged));
  ASSERT_TRUE(window_.WaitForCount(WindowCall::Kind::Timer, 1));
  ASSERT_TRUE(rig_.RaiseEvent(protocol::kEventReset));
  ASSERT_TRUE(window_.WaitForCount(WindowCall::Kind::Timer, 2));
  const std::vector<WindowCall> expected{TimerCall(kTimerFollowProfile),
                                         TimerCall(kTimerResetFromKeyboard)};
  EXPECT_EQ(Calls(), expected) << test::Describe(Calls());
}

TEST_F(DeviceEventsTest, IndicatorChangesAreShownInTheOrderTheKeyboardSentThem) {
  constexpr int kPairs = 50;
  for (int i = 0; i < kPairs; ++i) {
    ASSERT_TRUE(rig_.RaiseEvent(protocol::kEventIndicatorOn));
    ASSERT_TRUE(rig_.RaiseEvent(protocol::kEventIndicatorOff));
  }
  ASSERT_TRUE(window_.WaitForCount(WindowCall::Kind::Tray, 2 * kPairs));
  events_.WaitIdle();
  const std::vector<WindowCall> calls = Calls();
  ASSERT_EQ(calls.size(), 2u * kPairs);
  for (int i = 0; i < kPairs; ++i) {
    EXPECT_EQ(calls[2 * i], TrayCall(kTrayOverlay, kTrayIndicator)) << i;
    EXPECT_EQ(calls[2 * i + 1], TrayCall(kTrayPresence, 0)) << i;
  }
}

TEST_F(DeviceEventsTest, UnknownCodesTagsAndKindsDoNothing) {
  run_.MarkReady();
  for (std::uint16_t code : {0x1801, 0x1802, 0x1803, 0x1804, 0x0000, 0xFFFF, 0x0402}) {
    ASSERT_TRUE(rig_.RaiseEvent(code));
  }
  const std::uint8_t bank[] = {0xFF, 0x02};
  const std::uint8_t shortReport[] = {0xFF};
  events_.OnDeviceEvent({RAZIZID_EVENT_DATA, RAZIZID_TAG_LED, 2, 0, bank});
  events_.OnDeviceEvent({RAZIZID_EVENT_DATA, RAZIZID_TAG_CONSUMER, 1, 0, shortReport});
  events_.OnDeviceEvent({RAZIZID_EVENT_DEVICE_COUNT, RAZIZID_TAG_CONSUMER, 1, 0, {}});
  events_.OnDeviceEvent({RAZIZID_EVENT_DEVICE_COUNT, RAZIZID_TAG_LED, 1, 0, {}});
  events_.OnDeviceEvent({7, RAZIZID_TAG_CONTROL, 1, 0, {}});
  // A marker event proves the consumer thread got past all of the above.
  ASSERT_TRUE(rig_.RaiseEvent(protocol::kEventReset));
  ASSERT_TRUE(window_.WaitForCount(WindowCall::Kind::Timer, 1));
  events_.WaitIdle();
  EXPECT_EQ(Calls(), std::vector<WindowCall>{TimerCall(kTimerResetFromKeyboard)})
      << test::Describe(Calls());
  EXPECT_EQ(State().devicePresence, 0);
  EXPECT_EQ(events_.Bank(), 0);
}

TEST_F(DeviceEventsTest, StopReleasesABankKeyWaitingForTheWindowAndTakesNoMoreEvents) {
  window_.OnSend([&](std::uint32_t, std::uint32_t, std::uint32_t) {
    // A window that never answers, until the shutdown begins.
    run_.WaitUntil([] { return false; });
  });
  ASSERT_TRUE(rig_.RaiseEvent(protocol::kEventBankKey));
  ASSERT_TRUE(run_.WaitForWaiters(1));
  events_.Stop();  // returns, though the window never answered

  // No request of its own is left with the library, only the link's reply
  // read, so nothing the keyboard raises reaches it; and a record handed to
  // it all the same is not taken.
  EXPECT_EQ(rig_.Library().GetCore().RequestCount(), 1u);
  const std::uint8_t reset[] = {0x03, 0x04};
  events_.OnDeviceEvent({RAZIZID_EVENT_DATA, RAZIZID_TAG_CONSUMER, 2, 0, reset});
  EXPECT_TRUE(window_.CallsOf(WindowCall::Kind::Timer).empty());
}

class UnreadableKeyboardTest : public DeviceEventsTest {
 protected:
  static test::RigOptions Refusing() {
    test::RigOptions options = DistinctDefaultTable();
    options.faults.refuseRate = 1;
    options.shortTimeouts = true;
    return options;
  }
  UnreadableKeyboardTest() : DeviceEventsTest(Refusing()) {}
};

TEST_F(UnreadableKeyboardTest, ArrivalKeepsTheOldTableAndCapacityAndSaysSo) {
  State().macroCapacity = 1234;
  Watch(1);
  EXPECT_EQ(rig_.DefaultTable().Get(), DefaultKeyTable::BuiltIn());
  EXPECT_EQ(State().macroCapacity, 1234u);
  ASSERT_GE(Calls().size(), 2u);
  EXPECT_EQ(Calls()[0],
            (WindowCall{WindowCall::Kind::Message, 0, 0, 0, u"Default keys unreadable"}));
  EXPECT_EQ(Calls()[1], SendCall(msg::kReload, msg::kProfile));
}

}  // namespace
}  // namespace ombrex
