#include "device/command_set.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>
#include <vector>

#include "device/app_state.h"
#include "device/results.h"
#include "device/transactor.h"
#include "tests/unit/device/fake_library.h"

namespace ombrex {
namespace {

using test::FakeLibrary;
using Replies = std::vector<FakeLibrary::Reply>;

struct Sent {
  int command;
  int count;
  int address;
  friend bool operator==(const Sent&, const Sent&) = default;
};
std::ostream& operator<<(std::ostream& out, const Sent& s) {
  return out << "{cmd " << s.command << ", count " << s.count << ", at " << s.address << "}";
}

class CommandSetTest : public ::testing::Test {
 protected:
  CommandSetTest()
      : library_(fake_.Library()),
        transactor_(library_, LinkTiming::Fast()),
        commands_(transactor_, state_, defaultTable_) {
    fake_.RespondWith(test::AcceptAll(), &transactor_);
  }

  std::vector<Sent> Sent_() const {
    std::vector<Sent> sent;
    for (const auto& packet : fake_.Written()) {
      const CommandPacket p = CommandPacket::FromBytes(packet);
      sent.push_back({p.Command(), p.Count(), p.Address()});
    }
    return sent;
  }
  void Respond(FakeLibrary::Responder responder) {
    fake_.RespondWith(std::move(responder), &transactor_);
  }

  FakeLibrary fake_;
  ServiceLibrary library_;
  Transactor transactor_;
  AppState state_;
  DefaultKeyTable defaultTable_;
  CommandSet commands_;
};

TEST_F(CommandSetTest, KeyTablesGoInFourChunksAtTheProfilesAddress) {
  std::array<std::uint8_t, 192> table{};
  std::iota(table.begin(), table.end(), 0);
  ASSERT_EQ(commands_.WriteKeyTable(table, 2), result::kOk);
  EXPECT_EQ(Sent_(), (std::vector<Sent>{
                         {0x08, 56, 384}, {0x08, 56, 440}, {0x08, 56, 496}, {0x08, 24, 552}}));
  const auto written = fake_.Written();
  EXPECT_EQ(written[1][8], 56);  // second chunk starts at table byte 56
  EXPECT_EQ(written[3][8 + 23], 191);
  EXPECT_EQ(written[3][8 + 24], 0);  // nothing beyond the table's end

  std::array<std::uint8_t, 192> read{};
  ASSERT_EQ(commands_.ReadKeyTable(read, 1), result::kOk);
  const auto sent = Sent_();
  EXPECT_EQ(
      std::vector<Sent>(sent.begin() + 4, sent.end()),
      (std::vector<Sent>{{0x07, 56, 192}, {0x07, 56, 248}, {0x07, 56, 304}, {0x07, 24, 360}}));
  // Each reply's first count bytes land at their place.
  EXPECT_EQ(read[0], 192 & 0xFF);
  EXPECT_EQ(read[56], 248 & 0xFF);
  EXPECT_EQ(read[191], (360 + 23) & 0xFF);
}

TEST_F(CommandSetTest, MacroMemoryIsChunkedFromOffsetZero) {
  std::vector<std::uint8_t> header(16);
  ASSERT_EQ(commands_.ReadMacroMemory(header), result::kOk);
  EXPECT_EQ(Sent_(), (std::vector<Sent>{{0x09, 16, 0}}));

  std::vector<std::uint8_t> image(57);
  ASSERT_EQ(commands_.ReadMacroMemory(image), result::kOk);
  EXPECT_EQ(Sent_().back(), (Sent{0x09, 1, 56}));
  EXPECT_EQ(image[56], 56);

  const std::size_t before = fake_.WrittenCount();
  EXPECT_EQ(commands_.ReadMacroMemory({}), result::kOk);
  EXPECT_EQ(commands_.WriteMacroMemory({}), result::kOk);
  EXPECT_EQ(fake_.WrittenCount(), before);

  std::vector<std::uint8_t> full(protocol::kMaxMacroCapacity, 0x5A);
  ASSERT_EQ(commands_.WriteMacroMemory(full), result::kOk);
  const auto sent = Sent_();
  EXPECT_EQ(sent.size() - before, 583u);
  EXPECT_EQ(sent.back(), (Sent{0x0A, 32640 - 582 * 56, 582 * 56}));
}

TEST_F(CommandSetTest, TransferPastTheSixteenBitAddressesIsRefusedUnsent) {
  std::vector<std::uint8_t> huge(0x10001);
  EXPECT_EQ(commands_.ReadMacroMemory(huge), result::kFailed);
  std::vector<std::uint8_t> settings(8);
  EXPECT_EQ(commands_.WriteSettings(settings, 0xFFFC), result::kFailed);
  EXPECT_EQ(fake_.WrittenCount(), 0u);
}

TEST_F(CommandSetTest, SingleCommandsCarryTheirCodesCountsAndAddresses) {
  std::array<std::uint8_t, 56> settings{};
  std::array<std::uint8_t, 192> table{};
  std::array<std::uint8_t, 44> status{};
  const std::array<std::uint8_t, 4> zeros{};
  const std::array<std::uint8_t, 6> colours{1, 2, 3, 4, 5, 6};

  ASSERT_EQ(commands_.BeginTransfer(), result::kOk);
  ASSERT_EQ(commands_.ReadStatusBlock(status), result::kOk);
  ASSERT_EQ(commands_.WriteStatusBlock(status), result::kOk);
  ASSERT_EQ(commands_.ReadSettings(settings, 7, 128), result::kOk);
  ASSERT_EQ(commands_.WriteSettings(zeros, 2 * 64 + 18), result::kOk);
  ASSERT_EQ(commands_.ReadDefaultKeyTable(table), result::kOk);
  ASSERT_EQ(commands_.WriteKeyColours(colours, 1, 5), result::kOk);
  ASSERT_EQ(commands_.EndTransfer(), result::kOk);

  EXPECT_EQ(Sent_(), (std::vector<Sent>{{0x01, 0, 0},
                                        {0x03, 0x2C, 0},
                                        {0x04, 0x2C, 0},
                                        {0x05, 7, 128},
                                        {0x06, 4, 146},
                                        {0x0F, 56, 0},
                                        {0x0F, 56, 56},
                                        {0x0F, 56, 112},
                                        {0x0F, 24, 168},
                                        {0x11, 6, 192 + 15},
                                        {0x02, 0, 0}}));
  // Settings reads take all 56 bytes of reply data whatever the count.
  EXPECT_EQ(settings[55], (128 + 55) & 0xFF);
  EXPECT_EQ(status[43], 43);
  EXPECT_EQ(fake_.Written()[9][8 + 5], 6);
}

TEST_F(CommandSetTest, LongColourAndSettingsWritesAreSplitIntoPacketsTheKeyboardTakes) {
  std::vector<std::uint8_t> colours(192, 0x80);
  ASSERT_EQ(commands_.WriteKeyColours(colours, 3, 0), result::kOk);
  std::vector<std::uint8_t> record(64, 0x01);
  ASSERT_EQ(commands_.WriteSettings(record, 64), result::kOk);
  EXPECT_EQ(Sent_(), (std::vector<Sent>{{0x11, 54, 576},
                                        {0x11, 54, 630},
                                        {0x11, 54, 684},
                                        {0x11, 30, 738},
                                        {0x06, 56, 64},
                                        {0x06, 8, 120}}));
  std::vector<std::uint8_t> three(3);
  EXPECT_EQ(commands_.WriteKeyColours(three, 0, 64), result::kFailed);
  EXPECT_EQ(commands_.WriteKeyColours(three, 0, -1), result::kFailed);
}

TEST_F(CommandSetTest, ChunkedTransferStopsAtTheFirstFailedPacket) {
  Respond([](const PacketBytes& p) {
    const CommandPacket request = CommandPacket::FromBytes(p);
    const std::uint8_t status = request.Address() == 56 ? 0xFF : 0x00;
    return Replies{test::ReplyTo(p, status, test::AddressPattern(request.Address(), 56))};
  });
  std::array<std::uint8_t, 192> table{};
  table.fill(0xEE);
  EXPECT_EQ(commands_.ReadDefaultKeyTable(table), result::kRefusedFF);
  // The refused packet went three times; nothing after it.
  EXPECT_EQ(Sent_(),
            (std::vector<Sent>{{0x0F, 56, 0}, {0x0F, 56, 56}, {0x0F, 56, 56}, {0x0F, 56, 56}}));
  EXPECT_EQ(table[55], 55);    // the first chunk stays read
  EXPECT_EQ(table[56], 0xEE);  // the refused one is not taken
}

TEST_F(CommandSetTest, ReplyTooShortForItsDataCountsAsUnanswered) {
  Respond([](const PacketBytes& p) {
    auto reply = test::ReplyTo(p, 0, std::vector<std::uint8_t>(56, 0x44));
    reply.resize(8 + 20);
    return Replies{reply};
  });
  std::array<std::uint8_t, 44> status{};
  EXPECT_EQ(commands_.ReadStatusBlock(status), result::kNoReply);
  EXPECT_EQ(status[0], 0);  // nothing half-copied
  // A write has no data to miss.
  EXPECT_EQ(commands_.BeginTransfer(), result::kOk);
}

// The status block a keyboard reports: recognisable bytes, profile byte 10.
FakeLibrary::Responder KeyboardWithProfile(std::uint8_t profile,
                                           std::vector<PacketBytes>* statusWrites,
                                           std::uint8_t writeStatus = 0) {
  return [=](const PacketBytes& p) {
    const CommandPacket request = CommandPacket::FromBytes(p);
    if (request.Command() == 0x04) {
      if (statusWrites) statusWrites->push_back(p);
      return Replies{test::ReplyTo(p, writeStatus)};
    }
    std::vector<std::uint8_t> block(44);
    std::iota(block.begin(), block.end(), 100);
    block[10] = profile;
    return Replies{test::ReplyTo(p, 0, block)};
  };
}

TEST_F(CommandSetTest, ActiveProfileAsksOnlyWhileItIsUnknown) {
  Respond(KeyboardWithProfile(2, nullptr));
  EXPECT_EQ(commands_.ActiveProfile(), ProfileNumber(2));
  EXPECT_EQ(commands_.ActiveProfile(), ProfileNumber(2));
  EXPECT_EQ(fake_.WrittenCount(), 1u);
  EXPECT_EQ(state_.deviceProfile.load(), ProfileNumber(2));

  state_.deviceProfile = std::nullopt;  // as after a removal
  Respond(KeyboardWithProfile(1, nullptr));
  EXPECT_EQ(commands_.ActiveProfile(), ProfileNumber(1));
  EXPECT_EQ(fake_.WrittenCount(), 2u);
}

TEST_F(CommandSetTest, ActiveProfileDoesNotCacheAFailureOrAnImpossibleProfile) {
  Respond(KeyboardWithProfile(9, nullptr));
  EXPECT_EQ(commands_.ActiveProfile(), std::nullopt);
  EXPECT_EQ(state_.deviceProfile.load(), std::nullopt);

  Respond([](const PacketBytes&) { return Replies{}; });
  EXPECT_EQ(commands_.ActiveProfile(), std::nullopt);
  EXPECT_EQ(state_.deviceProfile.load(), std::nullopt);
}

TEST_F(CommandSetTest, SetActiveProfileChangesOnlyByteTenOfWhatTheKeyboardReported) {
  std::vector<PacketBytes> writes;
  Respond(KeyboardWithProfile(0, &writes));
  ASSERT_EQ(commands_.SetActiveProfile(3), result::kOk);
  ASSERT_EQ(writes.size(), 1u);
  for (std::size_t i = 0; i < 44; ++i) {
    const int expected = i == 10 ? 3 : int(100 + i);
    EXPECT_EQ(writes[0][8 + i], expected) << "status byte " << i;
  }
  EXPECT_EQ(state_.deviceProfile.load(), ProfileNumber(3));
}

TEST_F(CommandSetTest, SetActiveProfileFailures) {
  // A failed read changes nothing and writes nothing.
  state_.deviceProfile = ProfileNumber(1);
  Respond([](const PacketBytes&) { return Replies{}; });
  EXPECT_EQ(commands_.SetActiveProfile(2), result::kNoReply);
  EXPECT_EQ(state_.deviceProfile.load(), ProfileNumber(1));
  EXPECT_EQ(fake_.WrittenCount(), 3u);  // three attempts at the read, no write

  // A refused write leaves the profile unknown.
  std::vector<PacketBytes> writes;
  Respond(KeyboardWithProfile(1, &writes, 0xFE));
  EXPECT_EQ(commands_.SetActiveProfile(2), result::kRefusedFE);
  EXPECT_EQ(state_.deviceProfile.load(), std::nullopt);
}

TEST_F(CommandSetTest, ASessionKeepsOtherThreadsPacketsOutOfItsSequence) {
  std::atomic<bool> stop{false};
  std::thread other([&] {
    const std::array<std::uint8_t, 1> one{7};
    while (!stop) commands_.WriteSettings(one, 250);
  });
  {
    auto session = commands_.Session();
    commands_.BeginTransfer();
    std::vector<std::uint8_t> image(300, 1);
    commands_.WriteMacroMemory(image);
    commands_.EndTransfer();
  }
  stop = true;
  other.join();

  const auto sent = Sent_();
  auto begin = std::find_if(sent.begin(), sent.end(), [](const Sent& s) { return s.command == 1; });
  ASSERT_NE(begin, sent.end());
  // Begin, six macro chunks, end: eight packets in a row.
  ASSERT_GE(sent.end() - begin, 8);
  EXPECT_EQ(begin[7].command, 0x02);
  for (int i = 1; i < 7; ++i) EXPECT_EQ(begin[i].command, 0x0A) << i;
}

}  // namespace
}  // namespace ombrex
