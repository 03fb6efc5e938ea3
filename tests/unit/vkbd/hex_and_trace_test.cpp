#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "vkbd/hex.h"
#include "vkbd/packets.h"
#include "vkbd/trace_file.h"

namespace ombrex::vkbd {
namespace {

std::vector<std::uint8_t> Counting(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i);
  return v;
}

TEST(HexDump, SixteenBytesALineAfterTheOffset) {
  EXPECT_EQ(HexDump(Counting(18)),
            "0000: 00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f\n"
            "0010: 10 11\n");
  EXPECT_EQ(HexDump({}), "");
  const std::string big = HexDump(std::vector<std::uint8_t>(0x10010, 0xAB));
  EXPECT_NE(big.find("\nfff0: ab"), std::string::npos);
  std::string lastLine = "\n10000:";
  for (int i = 0; i < 16; ++i) lastLine += " ab";
  EXPECT_EQ(big.substr(big.size() - lastLine.size() - 1), lastLine + "\n");
}

TEST(HexParse, AcceptsEitherCaseAndSeparatorsButNothingElse) {
  EXPECT_EQ(ParseHexBytes("00 1a:FF-7b\n"), (std::vector<std::uint8_t>{0x00, 0x1A, 0xFF, 0x7B}));
  EXPECT_EQ(ParseHexBytes(""), std::vector<std::uint8_t>{});
  EXPECT_EQ(ParseHexBytes(HexString(Counting(256))), Counting(256));
  EXPECT_FALSE(ParseHexBytes("abc"));
  EXPECT_FALSE(ParseHexBytes("0x12"));
  EXPECT_FALSE(ParseHexBytes("1g"));
}

TEST(PacketTrace, OneLineOf128LowerCaseDigitsPerPacketAppended) {
  test::TempDir dir;
  const Packet first = BuildPacket(protocol::Command::WriteSettings, 2, 0xABCD,
                                   std::vector<std::uint8_t>{0xFE, 0xDC});
  const Packet second = BuildPacket(protocol::Command::EndTransfer);
  {
    TraceFile trace;
    ASSERT_TRUE(trace.Open(dir / "trace"));
    ASSERT_TRUE(trace.Write(first));
    // Flushed per line: visible before the file is closed.
    const std::string text = test::ReadText(dir / "trace");
    EXPECT_EQ(text, HexString(first) + "\n");
    EXPECT_EQ(text.size(), 129u);
    EXPECT_EQ(text.substr(0, 16),
              "04" + HexString(std::vector<std::uint8_t>{first[1], first[2]}) + "0602cdab00");
  }
  TraceFile again;
  ASSERT_TRUE(again.Open(dir / "trace"));
  ASSERT_TRUE(again.Write(second));
  EXPECT_EQ(test::ReadText(dir / "trace"), HexString(first) + "\n" + HexString(second) + "\n");
  EXPECT_FALSE(TraceFile().Open(dir / "missing" / "trace"));
}

}  // namespace
}  // namespace ombrex::vkbd
