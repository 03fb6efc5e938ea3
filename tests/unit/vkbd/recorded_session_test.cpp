#include <gtest/gtest.h>

#include <string>

#include "device/session_record.h"
#include "vkbd/packets.h"
#include "vkbd/replay.h"
#include "vkbd/trace_file.h"

namespace ombrex::vkbd {
namespace {

using session_record::Direction;

std::vector<std::uint8_t> Bytes(std::initializer_list<std::uint8_t> bytes) {
  return bytes;
}

TEST(RecordedSession, LinesReadAsTheyWereWrittenAndTheKeyboardsOwnTraceToo) {
  const Packet packet = BuildPacket(protocol::Command::ReadStatusBlock, 56);
  const std::vector<std::uint8_t> report(packet.begin(), packet.end());
  const std::string written =
      session_record::Line(12'000'345, Direction::In, protocol::kConsumer, Bytes({0x01, 0xAB}));
  EXPECT_EQ(written, "12.000345 in 000c:0001 01ab");
  const struct {
    std::string line;
    std::optional<TracedReport> read;
  } cases[] = {
      {written, TracedReport{12'000'345, Direction::In, protocol::kConsumer, Bytes({0x01, 0xAB})}},
      {"0.000001 out FF1C:0092 04", TracedReport{1, Direction::Out, protocol::kControl, {0x04}}},
      {TraceLine(report), TracedReport{std::nullopt, Direction::Out, protocol::kControl, report}},
      // A bare line is a whole command packet, nothing shorter.
      {"0401", std::nullopt},
      {"0.000001 sideways ff1c:0092 04", std::nullopt},
      {"0.001 out ff1c:0092 04", std::nullopt},
      {"1234567890123.000000 out ff1c:0092 04", std::nullopt},
      {"0.000001 out ff1c0092 04", std::nullopt},
      {"0.000001 out ff1c:0092 0", std::nullopt},
      {"0.000001 out ff1c:0092 " + std::string(132, 'a'), std::nullopt},
      {"0.000001  out ff1c:0092 04", std::nullopt},
      {"0.000001 out ff1c:0092 04 ", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseTraceLine(c.line), c.read) << c.line;

  const TraceReading whole =
      ReadTrace("# remark\r\n" + written + "\r\n\n" + TraceLine(report) + "\n");
  EXPECT_EQ(whole.badLine, 0u);
  ASSERT_EQ(whole.reports.size(), 2u);
  EXPECT_EQ(whole.reports[1].report, report);
  EXPECT_EQ(ReadTrace(written + "\nnonsense\n" + written).badLine, 2u);
}

TEST(RecordedSession, AReplayAnswersEachRequestWithWhatFollowedItInItsTurn) {
  const auto out = [](std::uint8_t b) {
    return TracedReport{0, Direction::Out, protocol::kControl, {b}};
  };
  const auto in = [](std::uint8_t b) {
    return TracedReport{0, Direction::In, protocol::kControl, {b}};
  };
  // The same request answered differently before and after a write.
  Replay replay({out(1), in(10), out(2), out(1), in(11), in(12)});
  const auto answers = [&](std::uint8_t b) -> std::optional<std::vector<std::uint8_t>> {
    const auto got = replay.Answer(protocol::kControl, std::vector<std::uint8_t>{b});
    if (!got) return std::nullopt;
    std::vector<std::uint8_t> firsts;
    for (const TracedReport& r : *got) firsts.push_back(r.report[0]);
    return firsts;
  };
  EXPECT_EQ(answers(1), Bytes({10}));
  EXPECT_EQ(answers(2), Bytes({}));
  EXPECT_EQ(answers(1), Bytes({11, 12}));
  EXPECT_EQ(answers(1), Bytes({10})) << "from the start again";
  EXPECT_EQ(answers(3), std::nullopt);
  EXPECT_EQ(replay.Answer(protocol::kBankLed, std::vector<std::uint8_t>{1}), std::nullopt)
      << "another interface is another request";
}

}  // namespace
}  // namespace ombrex::vkbd
