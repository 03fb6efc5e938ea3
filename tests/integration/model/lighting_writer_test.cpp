#include "model/lighting_writer.h"

#include <gtest/gtest.h>

#include <array>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "tests/support/device/keyboard_tap.h"
#include "tests/support/device/virtual_keyboard_rig.h"

namespace ombrex {
namespace {

using protocol::Command;

std::span<const std::uint8_t> One(const std::uint8_t& value) {
  return {&value, 1};
}

class LightingWriterTest : public testing::Test {
 protected:
  LightingWriterTest() : tap_(rig_.Keyboard()) {}

  // Starts a batch with one write and holds it at its end transfer: the
  // keyboard has its bytes, the writer has not heard back.
  void HoldABatch() {
    tap_.HoldNext(Command::EndTransfer);
    const std::uint8_t value = 0;
    writer_.WriteSettings(200, One(value));
    ASSERT_TRUE(tap_.WaitHeld());
  }

  vkbd::Memories Memories() { return rig_.Keyboard().Snapshot(); }

  test::VirtualKeyboardRig rig_;
  test::KeyboardTap tap_;
  LightingWriter writer_{rig_.Commands()};
};

TEST_F(LightingWriterTest, ChangesMadeWhileABatchIsInFlightGoInOneMoreWithTheLatestValue) {
  HoldABatch();
  std::uint8_t last = 0;
  for (int i = 0; i < 200; ++i) {
    last = static_cast<std::uint8_t>(i % 5);
    ASSERT_TRUE(writer_.WriteSettings(64 + 1, One(last)));
  }
  tap_.Release();
  ASSERT_EQ(writer_.Flush(), result::kOk);
  EXPECT_EQ(Memories().settings[64 + 1], last);
  EXPECT_LE(writer_.Batches(), 3u);  // the held one and at most two more
  EXPECT_EQ(tap_.Count(Command::BeginTransfer), writer_.Batches());
  EXPECT_EQ(tap_.Count(Command::WriteSettings), writer_.Batches());
}

TEST_F(LightingWriterTest, AChangeMadeBeforeTheEndOfATransferIsWrittenInThatTransfer) {
  tap_.HoldNext(Command::WriteSettings);
  const std::uint8_t first = 1;
  const std::uint8_t second = 2;
  writer_.WriteSettings(64 + 1, One(first));
  ASSERT_TRUE(tap_.WaitHeld());
  writer_.WriteSettings(64 + 1, One(second));
  tap_.Release();
  ASSERT_EQ(writer_.Flush(), result::kOk);
  EXPECT_EQ(Memories().settings[64 + 1], second);
  EXPECT_EQ(tap_.Count(Command::BeginTransfer), 1u);
  EXPECT_EQ(tap_.Count(Command::WriteSettings), 2u);
  EXPECT_EQ(tap_.Count(Command::EndTransfer), 1u);
}

TEST(LightingWriterStreamTest, ChangesThatNeverStopStillReachTheKeyboardNowAndThen) {
  test::VirtualKeyboardRig rig;
  LightingWriter writer(rig.Commands());
  std::mutex mutex;
  std::condition_variable ended;
  bool streaming = true;
  int ends = 0;
  std::uint8_t value = 0;
  // Every write that reaches the keyboard brings the next change: the writer
  // always has one waiting.
  rig.Keyboard().SetCommandHook([&](const vkbd::Packet& request) {
    std::lock_guard lock(mutex);
    if (request[protocol::kCommandAt] == std::uint8_t(Command::EndTransfer)) {
      ++ends;
      ended.notify_all();
    } else if (streaming && request[protocol::kCommandAt] == std::uint8_t(Command::WriteSettings)) {
      ++value;
      writer.WriteSettings(1, One(value));
    }
  });
  writer.WriteSettings(1, One(value));
  {
    std::unique_lock lock(mutex);
    EXPECT_TRUE(ended.wait_for(lock, std::chrono::seconds(10), [&] { return ends > 0; }));
    streaming = false;
  }
  EXPECT_EQ(writer.Flush(), result::kOk);
  rig.Keyboard().SetCommandHook({});
  EXPECT_EQ(rig.Keyboard().Snapshot().settings[1], value);
}

TEST_F(LightingWriterTest, OverlappingWritesKeepTheLastValueOfEachByte) {
  const std::array<std::uint8_t, 4> colour{1, 2, 3, 4};
  const std::uint8_t colourfulOff = 9;
  for (const bool acrossBatches : {false, true}) {
    SCOPED_TRACE(acrossBatches ? "the first write in flight" : "both waiting");
    if (acrossBatches) {
      tap_.HoldNext(Command::EndTransfer);
    } else {
      HoldABatch();
    }
    writer_.WriteSettings(4, colour);
    if (acrossBatches) {
      ASSERT_TRUE(tap_.WaitHeld());
    }
    writer_.WriteSettings(4, One(colourfulOff));
    tap_.Release();
    ASSERT_EQ(writer_.Flush(), result::kOk);
    const vkbd::Memories memories = Memories();
    EXPECT_EQ(memories.settings[4], 9);
    EXPECT_EQ(memories.settings[5], 2);
    EXPECT_EQ(memories.settings[7], 4);
  }
}

TEST_F(LightingWriterTest, ABatchWritesEachDirtyRunOnceInAddressOrder) {
  HoldABatch();
  const std::uint8_t rate = 2;
  writer_.WriteSettings(3 * 64 + 15, One(rate));
  const std::array<std::uint8_t, 3> levels{4, 1, 255};
  writer_.WriteSettings(3 * 64 + 1, levels);
  const std::vector<std::uint8_t> colours(3 * 26, 7);  // LEDs 5..30 of profile 1
  writer_.WriteKeyColours(1, 5, colours);
  const std::vector<std::uint8_t> tail(3 * 4, 8);  // profile 0's last four, profile 1's first
  writer_.WriteKeyColours(0, 60, tail);
  writer_.WriteKeyColours(1, 0, std::span(tail).first(3));
  tap_.Clear();
  tap_.Release();
  ASSERT_EQ(writer_.Flush(), result::kOk);

  struct Expected {
    Command command;
    std::uint8_t count;
    std::uint16_t address;
  };
  const Expected expected[] = {
      {Command::BeginTransfer, 0, 0},
      {Command::WriteSettings, 3, 3 * 64 + 1},
      {Command::WriteSettings, 1, 3 * 64 + 15},
      {Command::WriteKeyColours, 12, 60 * 3},        // never across a profile's end
      {Command::WriteKeyColours, 3, 192},            // profile 1, LED 0
      {Command::WriteKeyColours, 54, 192 + 5 * 3},   // LEDs 5..22
      {Command::WriteKeyColours, 24, 192 + 23 * 3},  // LEDs 23..30
      {Command::EndTransfer, 0, 0},
  };
  const std::vector<test::SentPacket> sent = tap_.Packets();
  ASSERT_EQ(sent.size(), std::size(expected));
  for (std::size_t i = 0; i < sent.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(sent[i].command, expected[i].command);
    EXPECT_EQ(sent[i].count, expected[i].count);
    EXPECT_EQ(sent[i].address, expected[i].address);
  }
  EXPECT_EQ(Memories().keyColours[192 + 30 * 3], 7);
  EXPECT_EQ(Memories().keyColours[192 + 31 * 3], 255);  // untouched
}

TEST_F(LightingWriterTest, WritesOutsideTheMemoriesAreRefusedAndNothingIsSent) {
  const std::array<std::uint8_t, 10> bytes{};
  EXPECT_FALSE(writer_.WriteSettings(250, bytes));
  EXPECT_FALSE(writer_.WriteSettings(256, std::span(bytes).first(1)));
  EXPECT_FALSE(writer_.WriteSettings(0, {}));
  const std::array<std::uint8_t, 15> five{};
  EXPECT_FALSE(writer_.WriteKeyColours(0, 60, five));
  EXPECT_FALSE(writer_.WriteKeyColours(0, -1, std::span(five).first(3)));
  EXPECT_FALSE(writer_.WriteKeyColours(0, 0, std::span(five).first(4)));
  EXPECT_EQ(writer_.Flush(), result::kOk);
  EXPECT_EQ(writer_.Batches(), 0u);
  EXPECT_EQ(tap_.Total(), 0u);
}

TEST_F(LightingWriterTest, FlushReportsTheFirstFailureSinceTheLastFlushOnce) {
  rig_.Unplug();
  const std::uint8_t value = 3;
  writer_.WriteSettings(1, One(value));
  EXPECT_EQ(writer_.Flush(), result::kFailed);
  EXPECT_EQ(writer_.Flush(), result::kOk);
  rig_.Plug();
  writer_.WriteSettings(1, One(value));
  EXPECT_EQ(writer_.Flush(), result::kOk);
  EXPECT_EQ(Memories().settings[1], 3);
}

TEST_F(LightingWriterTest, ABoundedFlushGivesUpWhileABatchIsHeldAndKeepsItsResult) {
  HoldABatch();
  EXPECT_EQ(writer_.FlushFor(std::chrono::milliseconds(20)), std::nullopt);
  tap_.Release();
  EXPECT_EQ(writer_.FlushFor(std::chrono::seconds(10)), result::kOk);
}

}  // namespace
}  // namespace ombrex
