#include <gtest/gtest.h>

#include <map>

#include "vkbd/keyboard.h"
#include "vkbd/packets.h"

namespace ombrex::vkbd {
namespace {

using Action = FaultPlan::Action;

Packet SomeReply() {
  return BuildPacket(protocol::Command::ReadSettings, 56, 64, std::vector<std::uint8_t>(56, 3));
}

std::vector<std::pair<Action, Packet>> Fates(FaultOptions options, int packets) {
  FaultPlan plan(options);
  std::vector<std::pair<Action, Packet>> fates;
  for (int i = 0; i < packets; ++i) {
    Packet reply = SomeReply();
    const Action action = plan.Next(reply);
    fates.emplace_back(action, reply);
  }
  return fates;
}

FaultOptions Mixed(std::uint64_t seed) {
  FaultOptions options;
  options.seed = seed;
  options.dropRate = 0.1;
  options.refuseRate = 0.2;
  options.wrongCodeRate = 0.05;
  return options;
}

TEST(FaultPlan, SameSeedSameFaultsOtherSeedOtherFaults) {
  const auto first = Fates(Mixed(42), 500);
  EXPECT_EQ(Fates(Mixed(42), 500), first);
  EXPECT_NE(Fates(Mixed(43), 500), first);
}

TEST(FaultPlan, FaultsComeAtTheirRates) {
  constexpr int kPackets = 100000;
  std::map<Action, int> counts;
  std::map<std::uint8_t, int> refusals;
  for (const auto& [action, reply] : Fates(Mixed(7), kPackets)) {
    ++counts[action];
    if (action == Action::Refuse) ++refusals[reply[protocol::kStatusAt]];
  }
  EXPECT_NEAR(counts[Action::Drop] / double(kPackets), 0.10, 0.01);
  EXPECT_NEAR(counts[Action::Refuse] / double(kPackets), 0.20, 0.01);
  EXPECT_NEAR(counts[Action::WrongCode] / double(kPackets), 0.05, 0.01);
  EXPECT_NEAR(counts[Action::Deliver] / double(kPackets), 0.65, 0.01);
  EXPECT_EQ(refusals.size(), 2u);
  EXPECT_NEAR(refusals[protocol::kStatusRefusedFF] / double(counts[Action::Refuse]), 0.5, 0.02);
  EXPECT_EQ(refusals[protocol::kStatusRefusedFF] + refusals[protocol::kStatusRefusedFE],
            counts[Action::Refuse]);
}

TEST(FaultPlan, OnlyTheFaultsAlterTheReplyAndItStaysWellFormed) {
  const Packet original = SomeReply();
  for (const auto& [action, reply] : Fates(Mixed(3), 2000)) {
    EXPECT_TRUE(ChecksumIsValid(reply));
    switch (action) {
      case Action::Deliver:
      case Action::Drop:
        EXPECT_EQ(reply, original);
        break;
      case Action::Refuse:
        EXPECT_EQ(reply[protocol::kCommandAt], original[protocol::kCommandAt]);
        EXPECT_TRUE(reply[7] == 0xFF || reply[7] == 0xFE);
        break;
      case Action::WrongCode:
        EXPECT_NE(reply[protocol::kCommandAt], original[protocol::kCommandAt]);
        EXPECT_EQ(reply[protocol::kStatusAt], 0);
        break;
    }
  }
}

TEST(FaultPlan, NoRatesNoFaultsAndCertainRatesAlways) {
  for (const auto& fate : Fates(FaultOptions{}, 1000)) EXPECT_EQ(fate.first, Action::Deliver);
  FaultOptions always;
  always.dropRate = 1.0;
  for (const auto& fate : Fates(always, 1000)) EXPECT_EQ(fate.first, Action::Drop);
}

TEST(FaultPlan, UnplugsOnceAtTheCountedPacket) {
  FaultOptions options;
  options.unplugAfter = 3;
  FaultPlan plan(options);
  Packet reply{};
  std::vector<bool> unplugs;
  for (int i = 0; i < 6; ++i) {
    plan.Next(reply);
    unplugs.push_back(plan.ShouldUnplugNow());
  }
  EXPECT_EQ(unplugs, (std::vector<bool>{false, false, true, false, false, false}));

  FaultPlan never{FaultOptions{}};
  for (int i = 0; i < 100; ++i) {
    never.Next(reply);
    EXPECT_FALSE(never.ShouldUnplugNow());
  }
}

TEST(FaultPlan, LosesOnlyWritesAtItsRateWithoutChangingTheOtherFates) {
  FaultOptions options = Mixed(11);
  const auto without = Fates(options, 2000);
  options.loseWriteRate = 0.25;
  FaultPlan plan(options);
  const Packet write = BuildPacket(protocol::Command::WriteKeyTable, 56, 0, {});
  const Packet read = BuildPacket(protocol::Command::ReadKeyTable, 56, 0, {});
  int lost = 0;
  for (int i = 0; i < 2000; ++i) {
    EXPECT_FALSE(plan.LosesWrite(read));
    lost += plan.LosesWrite(write) ? 1 : 0;
    Packet reply = SomeReply();
    const Action action = plan.Next(reply);
    EXPECT_EQ(std::make_pair(action, reply), without[i]) << i;
  }
  EXPECT_NEAR(lost / 2000.0, 0.25, 0.03);
  FaultPlan none{FaultOptions{}};
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(none.LosesWrite(write));
}

TEST(Keyboard, ALostWriteIsAcknowledgedAndChangesNothing) {
  Keyboard keyboard;
  const Memories before = keyboard.Snapshot();
  const std::vector<std::uint8_t> bytes(56, 0x77);
  const std::vector<Packet> writes = {
      BuildPacket(protocol::Command::WriteKeyTable, 56, 192, bytes),
      BuildPacket(protocol::Command::WriteMacroMemory, 56, 0, bytes),
      BuildPacket(protocol::Command::WriteSettings, 4, 18, bytes),
      BuildPacket(protocol::Command::WriteKeyColours, 54, 0, bytes),
  };
  for (const Packet& request : writes) {
    const Packet reply = keyboard.HandleCommand(request, true);
    EXPECT_EQ(reply[protocol::kStatusAt], 0) << int(request[protocol::kCommandAt]);
    EXPECT_EQ(reply[protocol::kCommandAt], request[protocol::kCommandAt]);
  }
  const Memories after = keyboard.Snapshot();
  EXPECT_EQ(after.keyTables, before.keyTables);
  EXPECT_EQ(after.macro, before.macro);
  EXPECT_EQ(after.settings, before.settings);
  EXPECT_EQ(after.keyColours, before.keyColours);
  // The same write kept lands.
  keyboard.HandleCommand(writes[0]);
  EXPECT_EQ(keyboard.Snapshot().keyTables[192], 0x77);
}

}  // namespace
}  // namespace ombrex::vkbd
