#include "vkbd/keyboard.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>
#include <vector>

#include "vkbd/packets.h"

namespace ombrex::vkbd {
namespace {

using protocol::Command;

constexpr std::uint8_t kFF = protocol::kStatusRefusedFF;
constexpr std::uint8_t kFE = protocol::kStatusRefusedFE;

std::uint8_t StatusOf(const Packet& reply) {
  return reply[protocol::kStatusAt];
}

std::vector<std::uint8_t> DataOf(const Packet& reply, std::size_t count) {
  return {reply.begin() + 8, reply.begin() + 8 + count};
}

// Reads `size` bytes from `address` in chunks of at most 56, as a host does.
std::vector<std::uint8_t> ReadAll(Keyboard& keyboard, Command command, std::size_t address,
                                  std::size_t size) {
  std::vector<std::uint8_t> out;
  for (std::size_t at = 0; at < size; at += 56) {
    const auto count = static_cast<std::uint8_t>(std::min<std::size_t>(56, size - at));
    const Packet reply =
        keyboard.HandleCommand(BuildPacket(command, count, std::uint16_t(address + at)));
    EXPECT_EQ(StatusOf(reply), 0) << "chunk at " << address + at;
    const auto data = DataOf(reply, count);
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t first) {
  std::vector<std::uint8_t> v(n);
  std::iota(v.begin(), v.end(), first);
  return v;
}

TEST(VirtualKeyboardFactory, StatusBlockOffersTheModesAndFullMacroMemory) {
  Keyboard keyboard;
  const Packet reply = keyboard.HandleCommand(BuildPacket(Command::ReadStatusBlock, 0x2C));
  ASSERT_EQ(StatusOf(reply), 0);
  const auto status = DataOf(reply, 44);
  EXPECT_EQ(status[10], 0);
  EXPECT_EQ(status[11], 255);
  const std::vector<std::uint8_t> modes(status.begin() + 12, status.end());
  std::vector<std::uint8_t> expected = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                        12, 13, 14, 15, 16, 17, 18, 20, 22, 23};
  expected.resize(32, 0);
  EXPECT_EQ(modes, expected);
  // The firmware bytes are not zero, so a host that fails to write them back
  // as read is seen.
  EXPECT_NE(std::vector<std::uint8_t>(status.begin(), status.begin() + 10),
            std::vector<std::uint8_t>(10, 0));
  EXPECT_EQ(keyboard.Snapshot().macro.size(), 32640u);
}

TEST(VirtualKeyboardFactory, EveryProfileHasTheDefaultLightingRecord) {
  Keyboard keyboard;
  const std::uint8_t modeOf[] = {1, 4, 8, 7};
  for (std::uint16_t p = 0; p < 4; ++p) {
    const Packet reply = keyboard.HandleCommand(BuildPacket(Command::ReadSettings, 56, p * 64));
    ASSERT_EQ(StatusOf(reply), 0);
    std::vector<std::uint8_t> expected = {modeOf[p], 4, 2, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    expected.resize(56, 0);
    EXPECT_EQ(DataOf(reply, 56), expected) << "profile " << p;
  }
}

TEST(VirtualKeyboardFactory, KeyTablesStartAsTheConfiguredFactoryTable) {
  FactoryConfig config;
  for (std::size_t i = 0; i < config.defaultKeyTable.size(); ++i) {
    config.defaultKeyTable[i] = static_cast<std::uint8_t>(i * 7 + 1);
  }
  Keyboard keyboard(config);
  const std::vector<std::uint8_t> table(config.defaultKeyTable.begin(),
                                        config.defaultKeyTable.end());
  EXPECT_EQ(ReadAll(keyboard, Command::ReadDefaultKeyTable, 0, 192), table);
  for (std::size_t p = 0; p < 4; ++p) {
    EXPECT_EQ(ReadAll(keyboard, Command::ReadKeyTable, 192 * p, 192), table) << "profile " << p;
  }
}

TEST(VirtualKeyboardCommands, ReplyEchoesTheRequestAndCarriesOnlyTheCountedBytes) {
  Keyboard keyboard;
  const Packet reply = keyboard.HandleCommand(BuildPacket(Command::ReadKeyTable, 5, 24));
  EXPECT_EQ(reply[0], 0x04);
  EXPECT_EQ(reply[3], 0x07);
  EXPECT_EQ(reply[4], 5);
  EXPECT_EQ(reply[5], 24);
  EXPECT_EQ(reply[6], 0);
  EXPECT_EQ(StatusOf(reply), 0);
  EXPECT_TRUE(ChecksumIsValid(reply));
  EXPECT_EQ(DataOf(reply, 5), (std::vector<std::uint8_t>{0x02, 0x02, 0x29, 0x02, 0x02}));
  std::vector<std::uint8_t> padded = {0x02, 0x02, 0x29, 0x02, 0x02};
  padded.resize(56, 0);
  EXPECT_EQ(DataOf(reply, 56), padded);
}

TEST(VirtualKeyboardCommands, WritesLandAtTheirAddressAndReadBack) {
  Keyboard keyboard;
  const auto data = Bytes(56, 0x40);
  // Key table of profile 2, its third chunk.
  ASSERT_EQ(StatusOf(keyboard.HandleCommand(BuildPacket(Command::WriteKeyTable, 56, 496, data))),
            0);
  EXPECT_EQ(ReadAll(keyboard, Command::ReadKeyTable, 496, 56), data);
  const Memories m = keyboard.Snapshot();
  EXPECT_TRUE(std::equal(data.begin(), data.end(), m.keyTables.begin() + 496));
  EXPECT_EQ(m.keyTables[495], FactoryConfig::BuiltInDefaultKeyTable()[495 - 384]);

  ASSERT_EQ(StatusOf(keyboard.HandleCommand(BuildPacket(Command::WriteSettings, 4, 146, data))), 0);
  EXPECT_EQ(ReadAll(keyboard, Command::ReadSettings, 146, 4), Bytes(4, 0x40));

  ASSERT_EQ(StatusOf(keyboard.HandleCommand(
                BuildPacket(Command::WriteMacroMemory, 16, 32640 - 16, data))),
            0);
  EXPECT_EQ(ReadAll(keyboard, Command::ReadMacroMemory, 32640 - 16, 16), Bytes(16, 0x40));

  ASSERT_EQ(StatusOf(keyboard.HandleCommand(
                BuildPacket(Command::WriteKeyColours, 54, 3 * 192 + 3 * 10, data))),
            0);
  const Memories after = keyboard.Snapshot();
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 54, after.keyColours.begin() + 606));
  EXPECT_EQ(after.keyColours[605], 0xFF);
  EXPECT_EQ(after.keyColours[606 + 54], 0xFF);
}

TEST(VirtualKeyboardCommands, RequestsTheKeyboardCannotTakeAreRefused) {
  struct Case {
    const char* what;
    Packet packet;
    std::uint8_t status;
  };
  const auto data = Bytes(56, 1);
  Packet badChecksum = BuildPacket(Command::WriteSettings, 4, 0, data);
  badChecksum[1] ^= 1;
  Packet wrongReportId = BuildPacket(Command::ReadSettings, 56, 0);
  wrongReportId[0] = 0x05;
  SealChecksum(wrongReportId);
  const Case cases[] = {
      {"bad checksum", badChecksum, kFF},
      {"wrong report id", wrongReportId, kFF},
      {"unknown command 0x0B", BuildPacket(0x0B, 1, 0), kFF},
      {"unknown command 0xEE", BuildPacket(0xEE, 1, 0), kFF},
      {"count 0 on a write", BuildPacket(Command::WriteSettings, 0, 0, data), kFF},
      {"count 0 on a read", BuildPacket(Command::ReadMacroMemory, 0, 0), kFF},
      {"count 57", BuildPacket(Command::ReadKeyTable, 57, 0), kFF},
      {"key colours of 55 bytes", BuildPacket(Command::WriteKeyColours, 55, 0, data), kFF},
      {"status block count 0x2B", BuildPacket(Command::ReadStatusBlock, 0x2B), kFF},
      {"status block at address 1", BuildPacket(Command::ReadStatusBlock, 0x2C, 1), kFE},
      {"settings past the end", BuildPacket(Command::WriteSettings, 56, 201, data), kFE},
      {"key table past the end", BuildPacket(Command::ReadKeyTable, 24, 745), kFE},
      {"default table past the end", BuildPacket(Command::ReadDefaultKeyTable, 25, 168), kFE},
      {"macro past the end", BuildPacket(Command::WriteMacroMemory, 2, 32639, data), kFE},
      // The last of four 18-LED chunks of profile 3 reaches 8 LEDs past the memory.
      {"key colours past the end", BuildPacket(Command::WriteKeyColours, 54, 576 + 162, data), kFE},
      {"write to the factory table", BuildPacket(0x10, 56, 0, data), kFE},
  };
  for (const Case& c : cases) {
    Keyboard keyboard;
    const Memories before = keyboard.Snapshot();
    const Packet reply = keyboard.HandleCommand(c.packet);
    EXPECT_EQ(StatusOf(reply), c.status) << c.what;
    EXPECT_EQ(reply[3], c.packet[3]) << c.what;
    EXPECT_TRUE(ChecksumIsValid(reply)) << c.what;
    const Memories after = keyboard.Snapshot();
    EXPECT_EQ(after.settings, before.settings) << c.what;
    EXPECT_EQ(after.keyTables, before.keyTables) << c.what;
    EXPECT_EQ(after.macro, before.macro) << c.what;
    EXPECT_EQ(after.keyColours, before.keyColours) << c.what;
    EXPECT_EQ(after.defaultKeyTable, before.defaultKeyTable) << c.what;
  }
}

TEST(VirtualKeyboardCommands, ShortReportsArePaddedAndLongOnesCut) {
  Keyboard keyboard;
  // Begin transfer: the checksum of the padded packet is its command byte.
  const std::vector<std::uint8_t> shortPacket = {0x04, 0x01, 0x00, 0x01};
  EXPECT_EQ(StatusOf(keyboard.HandleCommand(shortPacket)), 0);
  EXPECT_TRUE(keyboard.InTransfer());

  const Packet read = BuildPacket(Command::ReadKeyTable, 3, 0);
  std::vector<std::uint8_t> longPacket(read.begin(), read.end());
  longPacket.resize(100, 0xAA);
  EXPECT_EQ(StatusOf(keyboard.HandleCommand(longPacket)), 0);
}

TEST(VirtualKeyboardStatusBlock, HostWritesTheProfileButNotTheHardwareBytes) {
  Keyboard keyboard;
  std::vector<std::uint8_t> block(44, 0x11);
  block[10] = 3;
  block[11] = 1;   // an attempt to shrink the macro memory
  block[12] = 19;  // and to offer a mode the keyboard does not have
  ASSERT_EQ(
      StatusOf(keyboard.HandleCommand(BuildPacket(Command::WriteStatusBlock, 0x2C, 0, block))), 0);
  const Packet reply = keyboard.HandleCommand(BuildPacket(Command::ReadStatusBlock, 0x2C));
  const auto status = DataOf(reply, 44);
  EXPECT_EQ(std::vector<std::uint8_t>(status.begin(), status.begin() + 10),
            std::vector<std::uint8_t>(10, 0x11));
  EXPECT_EQ(status[10], 3);
  EXPECT_EQ(status[11], 255);
  EXPECT_EQ(status[12], 1);
  EXPECT_EQ(keyboard.Snapshot().macro.size(), 32640u);
}

TEST(VirtualKeyboardStatusBlock, ProfileOutsideTheFourIsRefusedWhole) {
  Keyboard keyboard;
  std::vector<std::uint8_t> block(44, 0x22);
  block[10] = 4;
  EXPECT_EQ(
      StatusOf(keyboard.HandleCommand(BuildPacket(Command::WriteStatusBlock, 0x2C, 0, block))),
      kFE);
  const Memories m = keyboard.Snapshot();
  EXPECT_EQ(m.status[0], 0x4F);
  EXPECT_EQ(m.status[10], 0);
}

TEST(VirtualKeyboardMacroMemory, SizeFollowsTheCapacityUnits) {
  FactoryConfig one;
  one.macroCapacityUnits = 1;
  Keyboard small(one);
  EXPECT_EQ(StatusOf(small.HandleCommand(BuildPacket(Command::ReadMacroMemory, 56, 72))), 0);
  EXPECT_EQ(StatusOf(small.HandleCommand(BuildPacket(Command::ReadMacroMemory, 56, 73))), kFE);
  EXPECT_EQ(DataOf(small.HandleCommand(BuildPacket(Command::ReadStatusBlock, 0x2C)), 44)[11], 1);

  FactoryConfig none;
  none.macroCapacityUnits = 0;
  Keyboard empty(none);
  EXPECT_EQ(StatusOf(empty.HandleCommand(BuildPacket(Command::ReadMacroMemory, 16, 0))), kFE);
}

TEST(VirtualKeyboardTransfer, EndTransferCommitsOnceOutsideTheLock) {
  Keyboard keyboard;
  int commits = 0;
  keyboard.SetCommitHook([&] {
    // Reading the keyboard from the hook would deadlock if it ran under the lock.
    EXPECT_FALSE(keyboard.InTransfer());
    ++commits;
  });
  EXPECT_FALSE(keyboard.InTransfer());
  keyboard.HandleCommand(BuildPacket(Command::BeginTransfer));
  EXPECT_TRUE(keyboard.InTransfer());
  keyboard.HandleCommand(BuildPacket(Command::WriteSettings, 1, 0, Bytes(1, 9)));
  EXPECT_EQ(commits, 0);
  keyboard.HandleCommand(BuildPacket(Command::EndTransfer));
  EXPECT_EQ(commits, 1);

  Packet brokenEnd = BuildPacket(Command::EndTransfer);
  brokenEnd[2] ^= 0x80;
  EXPECT_EQ(StatusOf(keyboard.HandleCommand(brokenEnd)), kFF);
  EXPECT_EQ(commits, 1);

  keyboard.SetCommitHook({});
  keyboard.HandleCommand(BuildPacket(Command::EndTransfer));
  EXPECT_EQ(commits, 1);
}

std::uint8_t ActiveProfile(const Keyboard& keyboard) {
  return keyboard.Snapshot().status[10];
}

TEST(VirtualKeyboardEvents, ProfileChangeMovesOnAndWraps) {
  Keyboard keyboard;
  const std::uint8_t expected[] = {1, 2, 3, 0, 1};
  for (std::uint8_t profile : expected) {
    EXPECT_EQ(keyboard.RaiseEvent(protocol::kEventProfileChanged),
              (std::array<std::uint8_t, 2>{0x01, 0x04}));
    EXPECT_EQ(ActiveProfile(keyboard), profile);
  }
}

TEST(VirtualKeyboardEvents, ProfileChosenByTheKeyboardIsKeptForOneEvent) {
  Keyboard keyboard;
  keyboard.SetActiveProfile(2);
  keyboard.RaiseEvent(protocol::kEventProfileChanged);
  EXPECT_EQ(ActiveProfile(keyboard), 2);
  keyboard.RaiseEvent(protocol::kEventProfileChanged);
  EXPECT_EQ(ActiveProfile(keyboard), 3);
  keyboard.SetActiveProfile(9);  // not a profile: ignored
  EXPECT_EQ(ActiveProfile(keyboard), 3);
  keyboard.RaiseEvent(protocol::kEventProfileChanged);
  EXPECT_EQ(ActiveProfile(keyboard), 0);
}

TEST(VirtualKeyboardEvents, ResetRestoresFactoryMemoriesButKeepsTheBankLed) {
  FactoryConfig config;
  config.activeProfile = 1;
  Keyboard keyboard(config);
  const Memories factory = keyboard.Snapshot();
  keyboard.HandleCommand(BuildPacket(Command::WriteSettings, 56, 0, Bytes(56, 0)));
  keyboard.HandleCommand(BuildPacket(Command::WriteKeyTable, 56, 0, Bytes(56, 0)));
  keyboard.HandleCommand(BuildPacket(Command::WriteMacroMemory, 56, 0, Bytes(56, 0)));
  keyboard.HandleCommand(BuildPacket(Command::WriteKeyColours, 54, 0, Bytes(56, 0)));
  keyboard.RaiseEvent(protocol::kEventProfileChanged);
  const std::uint8_t led[] = {0x05, 0x03};
  keyboard.WriteBankLed(led);

  EXPECT_EQ(keyboard.RaiseEvent(protocol::kEventReset), (std::array<std::uint8_t, 2>{0x03, 0x04}));
  const Memories after = keyboard.Snapshot();
  EXPECT_EQ(after.status, factory.status);
  EXPECT_EQ(after.status[10], 1);
  EXPECT_EQ(after.settings, factory.settings);
  EXPECT_EQ(after.keyTables, factory.keyTables);
  EXPECT_EQ(after.macro, factory.macro);
  EXPECT_EQ(after.keyColours, factory.keyColours);
  EXPECT_EQ(after.bankLed, (std::array<std::uint8_t, 2>{0x05, 0x03}));
}

TEST(VirtualKeyboardEvents, BankKeyAndIndicatorLeaveTheMemoriesAlone) {
  Keyboard keyboard;
  keyboard.HandleCommand(BuildPacket(Command::WriteSettings, 3, 0, Bytes(3, 7)));
  const Memories before = keyboard.Snapshot();
  for (std::uint16_t code : {protocol::kEventBankKey, protocol::kEventIndicatorOn,
                             protocol::kEventIndicatorOff, std::uint16_t(0x1801)}) {
    const auto report = keyboard.RaiseEvent(code);
    EXPECT_EQ(report[0] | (report[1] << 8), code);
  }
  const Memories after = keyboard.Snapshot();
  EXPECT_EQ(after.status, before.status);
  EXPECT_EQ(after.settings, before.settings);
}

TEST(VirtualKeyboardBankLed, KeepsTheFirstTwoBytesTheHostWrites) {
  Keyboard keyboard;
  EXPECT_EQ(keyboard.Snapshot().bankLed, (std::array<std::uint8_t, 2>{0, 0}));
  const std::uint8_t state[] = {0x05, 0x02, 0x77};
  keyboard.WriteBankLed(state);
  EXPECT_EQ(keyboard.Snapshot().bankLed, (std::array<std::uint8_t, 2>{0x05, 0x02}));
  const std::uint8_t one[] = {0x09};
  keyboard.WriteBankLed(one);
  EXPECT_EQ(keyboard.Snapshot().bankLed, (std::array<std::uint8_t, 2>{0x09, 0x02}));
}

TEST(VirtualKeyboardThreads, CommandsEventsAndSnapshotsFromManyThreads) {
  Keyboard keyboard;
  std::atomic<int> commits{0};
  keyboard.SetCommitHook([&] { commits.fetch_add(1); });
  constexpr int kRounds = 300;
  std::vector<std::thread> threads;
  // Each writer owns one profile's lighting record and checks its own bytes.
  for (std::uint8_t p = 0; p < 4; ++p) {
    threads.emplace_back([&keyboard, p] {
      for (int i = 0; i < kRounds; ++i) {
        const std::vector<std::uint8_t> data(56, static_cast<std::uint8_t>(i + p));
        keyboard.HandleCommand(BuildPacket(Command::BeginTransfer));
        keyboard.HandleCommand(BuildPacket(Command::WriteSettings, 56, p * 64, data));
        const Packet reply = keyboard.HandleCommand(BuildPacket(Command::ReadSettings, 56, p * 64));
        ASSERT_EQ(DataOf(reply, 56), data);
        keyboard.HandleCommand(BuildPacket(Command::EndTransfer));
      }
    });
  }
  threads.emplace_back([&keyboard] {
    for (int i = 0; i < kRounds; ++i) {
      keyboard.RaiseEvent(protocol::kEventProfileChanged);
      keyboard.SetActiveProfile(static_cast<std::uint8_t>(i % 4));
      const std::uint8_t led[] = {0x05, static_cast<std::uint8_t>(i & 1)};
      keyboard.WriteBankLed(led);
      EXPECT_LT(keyboard.Snapshot().status[10], 4);
    }
  });
  for (auto& t : threads) t.join();
  EXPECT_EQ(commits.load(), 4 * kRounds);
}

}  // namespace
}  // namespace ombrex::vkbd
