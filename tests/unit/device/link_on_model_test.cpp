// The device link against the keyboard model through the service library's
// real core: what the keyboard ends up holding, and what the link reports
// when the keyboard misbehaves or goes away.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "device/device_link.h"
#include "device/results.h"
#include "tests/support/device/virtual_keyboard_rig.h"

namespace ombrex {
namespace {

using test::RigOptions;
using test::VirtualKeyboardRig;

// Collects the events the link hands to its sink.
class EventLog {
 public:
  void Attach(DeviceLink& link) {
    link.SetEventSink([this](const DeviceEvent& event) {
      std::lock_guard lock(mutex_);
      events_.push_back({event.kind, event.tag, event.count,
                         std::vector<std::uint8_t>(event.data.begin(), event.data.end())});
      changed_.notify_all();
    });
  }
  struct Entry {
    std::uint32_t kind, tag, count;
    std::vector<std::uint8_t> data;
  };
  // Waits (up to 2 s) until `n` events have come.
  std::vector<Entry> WaitFor(std::size_t n) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(2), [&] { return events_.size() >= n; });
    return events_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Entry> events_;
};

TEST(LinkOnModel, KeyTablesAndMacroMemoryReadBackAsWritten) {
  VirtualKeyboardRig rig;
  ASSERT_TRUE(rig.Ready());
  CommandSet& commands = rig.Commands();
  for (const ProfileNumber profile : ProfileNumber::All()) {
    std::array<std::uint8_t, 192> table{};
    std::iota(table.begin(), table.end(), std::uint8_t(profile.Index() * 7));
    ASSERT_EQ(commands.WriteKeyTable(table, profile), result::kOk) << profile.Index();
  }
  std::vector<std::uint8_t> macros(protocol::kMaxMacroCapacity);
  std::iota(macros.begin(), macros.end(), std::uint8_t(3));
  ASSERT_EQ(commands.BeginTransfer(), result::kOk);
  ASSERT_EQ(commands.WriteMacroMemory(macros), result::kOk);
  ASSERT_EQ(commands.EndTransfer(), result::kOk);

  const vkbd::Memories memories = rig.Keyboard().Snapshot();
  EXPECT_EQ(memories.macro, macros);
  for (const ProfileNumber profile : ProfileNumber::All()) {
    std::array<std::uint8_t, 192> read{};
    ASSERT_EQ(commands.ReadKeyTable(read, profile), result::kOk);
    const std::size_t at = 192 * profile.Index();
    EXPECT_TRUE(std::equal(read.begin(), read.end(), memories.keyTables.begin() + at))
        << profile.Index();
    EXPECT_EQ(read[0], std::uint8_t(profile.Index() * 7));
  }
  std::vector<std::uint8_t> readMacros(macros.size());
  ASSERT_EQ(commands.ReadMacroMemory(readMacros), result::kOk);
  EXPECT_EQ(readMacros, macros);
}

TEST(LinkOnModel, DefaultKeyTableAndStatusBlockComeFromTheKeyboard) {
  RigOptions options;
  options.factory.defaultKeyTable.fill(0x02);
  options.factory.macroCapacityUnits = 100;
  options.factory.activeProfile = 2;
  VirtualKeyboardRig rig(options);
  ASSERT_TRUE(rig.Ready());

  std::array<std::uint8_t, 192> table{};
  ASSERT_EQ(rig.Commands().ReadDefaultKeyTable(table), result::kOk);
  EXPECT_EQ(table, options.factory.defaultKeyTable);

  StatusBlock block{};
  ASSERT_EQ(rig.Commands().ReadStatusBlock(block), result::kOk);
  EXPECT_EQ(block[protocol::kStatusMacroUnitsAt], 100);
  EXPECT_EQ(rig.Commands().ActiveProfile(), ProfileNumber(2));
}

TEST(LinkOnModel, SetActiveProfileReachesTheKeyboardAndKeepsTheRestOfTheBlock) {
  VirtualKeyboardRig rig;
  ASSERT_TRUE(rig.Ready());
  const auto before = rig.Keyboard().Snapshot().status;
  ASSERT_EQ(rig.Commands().SetActiveProfile(3), result::kOk);
  auto after = rig.Keyboard().Snapshot().status;
  EXPECT_EQ(after[protocol::kStatusActiveProfileAt], 3);
  after[protocol::kStatusActiveProfileAt] = before[protocol::kStatusActiveProfileAt];
  EXPECT_EQ(after, before);
  EXPECT_EQ(rig.State().deviceProfile.load(), ProfileNumber(3));
}

TEST(LinkOnModel, FaultsGiveTheirResultCodes) {
  struct Case {
    const char* what;
    vkbd::FaultOptions faults;
    std::vector<DeviceResult> allowed;
  };
  vkbd::FaultOptions drop, refuse, wrongCode;
  drop.dropRate = 1;
  refuse.refuseRate = 1;
  wrongCode.wrongCodeRate = 1;
  const std::vector<Case> cases = {
      {"every reply lost", drop, {result::kNoReply}},
      {"every reply refused", refuse, {result::kRefusedFF, result::kRefusedFE}},
      {"every reply mislabelled", wrongCode, {result::kNoReply}},
  };
  for (const auto& c : cases) {
    RigOptions options;
    options.faults = c.faults;
    options.shortTimeouts = true;
    VirtualKeyboardRig rig(options);
    ASSERT_TRUE(rig.Ready());
    StatusBlock block{};
    const DeviceResult result = rig.Commands().ReadStatusBlock(block);
    EXPECT_NE(std::find(c.allowed.begin(), c.allowed.end(), result), c.allowed.end())
        << c.what << ": " << result;
    EXPECT_EQ(rig.Commands().ActiveProfile(), std::nullopt) << c.what;
  }
}

TEST(LinkOnModel, KeyboardVanishingMidTransferEndsItWithoutHanging) {
  RigOptions options;
  options.faults.unplugAfter = 2;  // the second packet is the last it sees
  options.shortTimeouts = true;
  VirtualKeyboardRig rig(options);
  ASSERT_TRUE(rig.Ready());
  EventLog log;
  log.Attach(rig.Link());

  std::array<std::uint8_t, 192> table{};
  // The second packet goes unanswered; its retry finds no keyboard to write to.
  EXPECT_EQ(rig.Commands().ReadKeyTable(table, 0), result::kNotWritten);
  EXPECT_EQ(rig.Commands().ReadKeyTable(table, 0), result::kFailed);
  EXPECT_EQ(rig.Link().DeviceCount(), 0);

  const auto events = log.WaitFor(1);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, RAZIZID_EVENT_DEVICE_COUNT);
  EXPECT_EQ(events[0].tag, RAZIZID_TAG_CONTROL);
  EXPECT_EQ(events[0].count, 0u);
}

TEST(LinkOnModel, ArrivalRemovalAndConsumerEventsReachTheSinkButRepliesDoNot) {
  VirtualKeyboardRig rig;
  ASSERT_TRUE(rig.Ready());
  EventLog log;
  log.Attach(rig.Link());
  std::uint32_t consumerUnit = 0;
  ASSERT_GT(rig.Link().StartRead(protocol::kConsumer, RAZIZID_TAG_CONSUMER, consumerUnit), 0);
  ASSERT_NE(consumerUnit, 0u);

  StatusBlock block{};
  ASSERT_EQ(rig.Commands().ReadStatusBlock(block), result::kOk);  // a 'CTRL' reply
  ASSERT_TRUE(rig.RaiseEvent(protocol::kEventBankKey));
  // Give the consumer event time to pass before the count changes, so the
  // two requests' threads cannot reorder what the test looks at.
  log.WaitFor(1);
  rig.Unplug();
  rig.Plug();

  const auto events = log.WaitFor(5);
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[0].kind, RAZIZID_EVENT_DATA);
  EXPECT_EQ(events[0].tag, RAZIZID_TAG_CONSUMER);
  EXPECT_EQ(events[0].data, (std::vector<std::uint8_t>{0xFF, 0x02}));
  // Both standing requests hear of the removal and the arrival, each in order.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> control, consumer;
  for (std::size_t i = 1; i < events.size(); ++i) {
    ASSERT_EQ(events[i].kind, RAZIZID_EVENT_DEVICE_COUNT);
    (events[i].tag == RAZIZID_TAG_CONTROL ? control : consumer)
        .push_back({events[i].kind, events[i].count});
  }
  const std::vector<std::pair<std::uint32_t, std::uint32_t>> goneThenBack = {{0, 0}, {0, 1}};
  EXPECT_EQ(control, goneThenBack);
  EXPECT_EQ(consumer, goneThenBack);
}

TEST(LinkOnModel, BankStateWriteReachesTheKeyboardAndReplacesItsRequest) {
  VirtualKeyboardRig rig;
  ASSERT_TRUE(rig.Ready());
  const std::size_t base = rig.Library().GetCore().RequestCount();
  std::uint32_t ledUnit = 0;
  const std::array<std::uint8_t, 2> bank1{0x05, 0x03};
  EXPECT_EQ(rig.Link().WriteStatus(protocol::kBankLed, RAZIZID_TAG_LED, bank1, ledUnit), 2);
  const std::uint32_t first = ledUnit;
  const std::array<std::uint8_t, 2> bank0{0x05, 0x02};
  EXPECT_EQ(rig.Link().WriteStatus(protocol::kBankLed, RAZIZID_TAG_LED, bank0, ledUnit), 2);
  EXPECT_NE(ledUnit, first);
  EXPECT_EQ(rig.Library().GetCore().RequestCount(), base + 1);
  EXPECT_EQ(rig.Keyboard().Snapshot().bankLed, bank0);
}

TEST(LinkOnModel, DestroyedLinkLeavesNoRequestBehind) {
  vkbd::Keyboard keyboard;
  razizid::InProcessLibrary library(keyboard);
  auto bound = BindServiceLibrary(library.Functions());
  ASSERT_TRUE(std::holds_alternative<ServiceLibrary>(bound));
  AppState state;
  {
    DeviceLink link(std::get<ServiceLibrary>(bound), state, LinkTiming::Fast());
    ASSERT_GT(link.RegisterReplyRead(), 0);
    std::uint32_t unit = 0;
    ASSERT_GT(link.StartRead(protocol::kConsumer, RAZIZID_TAG_CONSUMER, unit), 0);
    EXPECT_EQ(library.GetCore().RequestCount(), 2u);
  }
  EXPECT_EQ(library.GetCore().RequestCount(), 0u);
  // Events after the link is gone find no one to call.
  library.Model()->RaiseEvent(protocol::kEventBankKey);
  library.Model()->Unplug();
}

TEST(LinkOnModel, ManyLinksAtOnceEachTalkToTheirOwnKeyboard) {
  std::vector<std::unique_ptr<VirtualKeyboardRig>> rigs;
  for (int i = 0; i < 4; ++i) {
    RigOptions options;
    options.factory.activeProfile = static_cast<std::uint8_t>(i);
    rigs.push_back(std::make_unique<VirtualKeyboardRig>(options));
  }
  std::vector<std::thread> threads;
  std::vector<std::optional<ProfileNumber>> profiles(rigs.size());
  for (std::size_t i = 0; i < rigs.size(); ++i) {
    threads.emplace_back([&, i] { profiles[i] = rigs[i]->Commands().ActiveProfile(); });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(profiles, (std::vector<std::optional<ProfileNumber>>{
                          ProfileNumber(0), ProfileNumber(1), ProfileNumber(2), ProfileNumber(3)}));
}

}  // namespace
}  // namespace ombrex
