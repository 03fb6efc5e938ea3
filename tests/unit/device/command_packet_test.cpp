#include "device/command_packet.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "device/default_key_table.h"

namespace ombrex {
namespace {

TEST(CommandPacket, RequestPutsEveryFieldInItsPlace) {
  const std::vector<std::uint8_t> payload = {0xAA, 0xBB, 0xCC};
  const CommandPacket packet =
      CommandPacket::Request(protocol::Command::WriteKeyTable, 24, 0x0228, payload);
  const PacketBytes& bytes = packet.Bytes();

  EXPECT_EQ(bytes[0], 0x04);
  EXPECT_EQ(bytes[3], 0x08);
  EXPECT_EQ(bytes[4], 24);
  EXPECT_EQ(bytes[5], 0x28);  // address little-endian
  EXPECT_EQ(bytes[6], 0x02);
  EXPECT_EQ(bytes[7], 0x00);  // status of a request
  EXPECT_EQ(bytes[8], 0xAA);
  EXPECT_EQ(bytes[10], 0xCC);
  for (std::size_t i = 11; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << "byte " << i;
  EXPECT_EQ(packet.Address(), 0x0228);
  EXPECT_EQ(packet.Count(), 24);
}

TEST(CommandPacket, ChecksumSumsBytes3To63AndIsStoredLittleEndian) {
  std::vector<std::uint8_t> payload(protocol::kPayloadSize, 0xFF);
  const CommandPacket packet =
      CommandPacket::Request(protocol::Command::WriteMacroMemory, 56, 0xFFFF, payload);
  const PacketBytes& bytes = packet.Bytes();
  const std::uint32_t sum = std::accumulate(bytes.begin() + 3, bytes.end(), 0u);
  EXPECT_EQ(packet.StoredChecksum(), static_cast<std::uint16_t>(sum));
  EXPECT_EQ(bytes[1], static_cast<std::uint8_t>(sum));
  EXPECT_EQ(bytes[2], static_cast<std::uint8_t>(sum >> 8));
  EXPECT_TRUE(packet.ChecksumValid());

  // The report id and the checksum field itself are not part of the sum.
  PacketBytes allOnes{};
  allOnes.fill(0xFF);
  EXPECT_EQ(protocol::PacketChecksum(allOnes), 61 * 0xFF);
}

TEST(CommandPacket, PayloadBeyond56BytesIsNotTaken) {
  std::vector<std::uint8_t> payload(80);
  std::iota(payload.begin(), payload.end(), 1);
  const CommandPacket packet =
      CommandPacket::Request(protocol::Command::WriteSettings, 56, 0, payload);
  EXPECT_EQ(packet.Payload().front(), 1);
  EXPECT_EQ(packet.Payload().back(), 56);
  EXPECT_TRUE(packet.ChecksumValid());
}

TEST(CommandPacket, FromBytesPadsShortInputAndCutsLongInput) {
  const std::vector<std::uint8_t> shortBytes = {0x04, 0, 0, 0x03, 0x2C};
  const CommandPacket fromShort = CommandPacket::FromBytes(shortBytes);
  EXPECT_EQ(fromShort.Command(), 0x03);
  EXPECT_EQ(fromShort.Bytes()[63], 0);

  std::vector<std::uint8_t> longBytes(100, 0x11);
  longBytes[63] = 0x22;
  longBytes[64] = 0x33;
  const CommandPacket fromLong = CommandPacket::FromBytes(longBytes);
  EXPECT_EQ(fromLong.Bytes()[63], 0x22);
}

TEST(CommandPacket, RefusedOnlyForStatusFFAndFE) {
  PacketBytes bytes{};
  for (int status : {0x00, 0x01, 0xFD, 0xFE, 0xFF}) {
    bytes[protocol::kStatusAt] = static_cast<std::uint8_t>(status);
    EXPECT_EQ(CommandPacket::FromBytes(bytes).Refused(), status >= 0xFE) << status;
  }
}

TEST(DefaultKeyTable, BuiltInTableHasTheFactoryCodesAtTheirPositions) {
  const KeyTableBytes table = DefaultKeyTable::BuiltIn();
  auto at = [&](int position) {
    return std::vector<int>{table[3 * position], table[3 * position + 1], table[3 * position + 2]};
  };
  EXPECT_EQ(at(0), (std::vector<int>{0x05, 0x00, 0x00}));
  EXPECT_EQ(at(6), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(at(8), (std::vector<int>{0x02, 0x02, 0x29}));
  EXPECT_EQ(at(12), (std::vector<int>{0x02, 0x01, 0x02}));
  EXPECT_EQ(at(21), (std::vector<int>{0x02, 0x01, 0x08}));
  EXPECT_EQ(at(45), (std::vector<int>{0x02, 0x01, 0x40}));
  EXPECT_EQ(at(53), (std::vector<int>{0x05, 0x02, 0x02}));
  EXPECT_EQ(at(61), (std::vector<int>{0x02, 0x02, 0x65}));
  EXPECT_EQ(at(62), (std::vector<int>{0x02, 0x02, 0x48}));
  EXPECT_EQ(at(63), (std::vector<int>{0, 0, 0}));
}

TEST(DefaultKeyTable, ReplaceIsSeenByLaterReads) {
  DefaultKeyTable table;
  KeyTableBytes fromKeyboard{};
  fromKeyboard[0] = 0x77;
  table.Replace(fromKeyboard);
  EXPECT_EQ(table.Get()[0], 0x77);
  EXPECT_NE(DefaultKeyTable::BuiltIn()[0], 0x77);
}

}  // namespace
}  // namespace ombrex
