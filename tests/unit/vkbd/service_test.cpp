#include "vkbd/service.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/support/temp_dir.h"
#include "vkbd/hex.h"
#include "vkbd/packets.h"

namespace ombrex::vkbd {
namespace {

using protocol::Command;
using vkbd_wire::Frame;
using vkbd_wire::Type;
using namespace std::chrono_literals;

class RecordingSink : public FrameSink {
 public:
  void Send(ClientId client, std::vector<std::uint8_t> bytes) override {
    bool broken = false;
    auto frame = vkbd_wire::TakeFrame(bytes, broken);
    ASSERT_TRUE(frame && bytes.empty()) << "one whole frame per send";
    frames[client].push_back(std::move(*frame));
  }
  std::vector<Frame> Take(ClientId client) { return std::exchange(frames[client], {}); }

  std::map<ClientId, std::vector<Frame>> frames;
};

std::vector<std::uint8_t> WritePayload(protocol::Interface to,
                                       std::span<const std::uint8_t> report) {
  std::vector<std::uint8_t> payload = {std::uint8_t(to.usagePage), std::uint8_t(to.usagePage >> 8),
                                       std::uint8_t(to.usage), std::uint8_t(to.usage >> 8)};
  payload.resize(4 + report.size());
  std::copy(report.begin(), report.end(), payload.begin() + 4);
  return payload;
}

std::int32_t I32(const Frame& frame) {
  return static_cast<std::int32_t>(vkbd_wire::GetU32(frame.payload, 0));
}

// The command packet a control input report push carries.
Packet ReplyIn(const Frame& push) {
  EXPECT_EQ(push.type, Type::InputReport);
  EXPECT_EQ(vkbd_wire::GetU16(push.payload, 0), protocol::kControl.usagePage);
  EXPECT_EQ(vkbd_wire::GetU16(push.payload, 2), protocol::kControl.usage);
  Packet packet{};
  if (push.payload.size() == 4 + packet.size()) {
    std::copy(push.payload.begin() + 4, push.payload.end(), packet.begin());
  }
  return packet;
}

class ServiceTest : public testing::Test {
 protected:
  static constexpr ClientId kLibraryA = 1;
  static constexpr ClientId kLibraryB = 2;
  static constexpr ClientId kControl = 3;

  void Start(ServiceOptions options = {}) {
    service_.emplace(keyboard_, sink_, std::move(options));
    for (ClientId id : {kLibraryA, kLibraryB, kControl}) service_->Connect(id);
    Hello(kLibraryA, vkbd_wire::Role::Library);
    Hello(kLibraryB, vkbd_wire::Role::Library);
    Hello(kControl, vkbd_wire::Role::Control);
    sink_.frames.clear();
  }
  void Hello(ClientId id, vkbd_wire::Role role) {
    Request(id, Type::Hello, {static_cast<std::uint8_t>(role)});
  }
  void Request(ClientId id, Type type, std::vector<std::uint8_t> payload = {},
               SteadyClock::time_point at = kT0) {
    service_->Receive(id, Frame{type, std::move(payload)}, at);
  }
  void WritePacket(ClientId id, const Packet& packet, SteadyClock::time_point at = kT0) {
    Request(id, Type::WriteReport, WritePayload(protocol::kControl, packet), at);
  }

  static inline const SteadyClock::time_point kT0 = SteadyClock::time_point(1h);
  Keyboard keyboard_;
  RecordingSink sink_;
  std::optional<Service> service_;
};

TEST_F(ServiceTest, ControlReplyIsWrittenThenPushedToEveryLibraryClient) {
  Start();
  Request(kControl, Type::GetDeviceCount);
  ASSERT_EQ(sink_.frames[kControl].size(), 1u);
  EXPECT_EQ(sink_.Take(kControl)[0].type, Type::Count);

  WritePacket(kLibraryA, BuildPacket(Command::ReadKeyTable, 3, 0));
  const auto a = sink_.Take(kLibraryA);
  ASSERT_EQ(a.size(), 2u);
  EXPECT_EQ(a[0].type, Type::Written);
  EXPECT_EQ(I32(a[0]), 64);
  const Packet reply = ReplyIn(a[1]);
  EXPECT_EQ(reply[3], 0x07);
  EXPECT_EQ(reply[8], 0x06);  // G1 of the factory table
  const auto b = sink_.Take(kLibraryB);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(ReplyIn(b[0]), reply);
  EXPECT_TRUE(sink_.Take(kControl).empty());
}

TEST_F(ServiceTest, LatencyDelaysRepliesInOrderWithoutHoldingOtherRequests) {
  ServiceOptions options;
  options.faults.latencyMs = 50;
  Start(options);
  for (std::uint16_t i = 0; i < 3; ++i) {
    WritePacket(kLibraryA, BuildPacket(Command::ReadSettings, 1, i), kT0 + i * 1ms);
  }
  Request(kLibraryB, Type::GetDeviceCount, {}, kT0 + 5ms);
  EXPECT_EQ(sink_.Take(kLibraryB).size(), 1u);  // answered at once
  EXPECT_EQ(sink_.Take(kLibraryA).size(), 3u);  // three Written, no replies yet
  EXPECT_EQ(service_->NextDue(), kT0 + 50ms);

  service_->RunDue(kT0 + 49ms);
  EXPECT_TRUE(sink_.Take(kLibraryA).empty());
  service_->RunDue(kT0 + 51ms);
  auto replies = sink_.Take(kLibraryA);
  ASSERT_EQ(replies.size(), 2u);
  service_->RunDue(kT0 + 60ms);
  replies.push_back(sink_.Take(kLibraryA).at(0));
  for (std::uint16_t i = 0; i < 3; ++i) EXPECT_EQ(ReplyIn(replies[i])[5], i);
  EXPECT_FALSE(service_->NextDue());
}

TEST_F(ServiceTest, UnpluggedKeyboardWritesNothingAndTellsTheLibraries) {
  test::TempDir dir;
  TraceFile trace;
  ASSERT_TRUE(trace.Open(dir / "trace"));
  ServiceOptions options;
  options.trace = &trace;
  options.faults.latencyMs = 10;
  Start(options);
  WritePacket(kLibraryA, BuildPacket(Command::ReadSettings, 1, 0));  // still on its way
  sink_.frames.clear();

  Request(kControl, Type::Unplug);
  for (ClientId id : {kLibraryA, kLibraryB}) {
    const auto frames = sink_.Take(id);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, Type::DeviceCount);
    EXPECT_EQ(I32(frames[0]), 0);
  }
  EXPECT_EQ(I32(sink_.Take(kControl).at(0)), 1);
  service_->RunDue(kT0 + 1s);
  EXPECT_TRUE(sink_.Take(kLibraryA).empty()) << "a reply in flight is lost with the keyboard";

  const Memories before = keyboard_.Snapshot();
  WritePacket(kLibraryA, BuildPacket(Command::WriteSettings, 1, 0, std::vector<std::uint8_t>{9}));
  const std::uint8_t led[] = {5, 3};
  Request(kLibraryA, Type::WriteReport, WritePayload(protocol::kBankLed, led));
  Request(kLibraryA, Type::GetDeviceCount);
  Request(kControl, Type::Event, {0x01, 0x04});
  service_->RunDue(kT0 + 1s);
  const auto frames = sink_.Take(kLibraryA);
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(I32(frames[0]), 0);
  EXPECT_EQ(I32(frames[1]), 0);
  EXPECT_EQ(frames[2].type, Type::Count);
  EXPECT_EQ(I32(frames[2]), 0);
  EXPECT_EQ(I32(sink_.Take(kControl).at(0)), 0) << "an unplugged keyboard raises no event";
  EXPECT_TRUE(sink_.Take(kLibraryB).empty());
  EXPECT_EQ(keyboard_.Snapshot().settings, before.settings);
  EXPECT_EQ(keyboard_.Snapshot().bankLed, before.bankLed);
  EXPECT_EQ(test::ReadText(dir / "trace").size(), 129u) << "only the packet sent while plugged";

  Request(kControl, Type::Plug);
  Request(kControl, Type::Plug);
  const auto plugged = sink_.Take(kLibraryB);
  ASSERT_EQ(plugged.size(), 1u) << "a second plug changes nothing";
  EXPECT_EQ(I32(plugged[0]), 1);
}

TEST_F(ServiceTest, UnplugAfterLosesTheReplyOfTheCountedPacket) {
  ServiceOptions options;
  options.faults.unplugAfter = 2;
  Start(options);
  WritePacket(kLibraryA, BuildPacket(Command::BeginTransfer));
  WritePacket(kLibraryA, BuildPacket(Command::WriteSettings, 1, 5, std::vector<std::uint8_t>{7}));
  const auto frames = sink_.Take(kLibraryA);
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(frames[1].type, Type::InputReport);
  EXPECT_EQ(frames[2].type, Type::Written);
  EXPECT_EQ(I32(frames[2]), 64);
  EXPECT_EQ(frames[3].type, Type::DeviceCount);
  EXPECT_EQ(I32(frames[3]), 0);
  EXPECT_FALSE(service_->Plugged());
  EXPECT_EQ(keyboard_.Snapshot().settings[5], 7) << "the packet reached the keyboard";

  Request(kControl, Type::Plug);
  sink_.frames.clear();
  WritePacket(kLibraryA, BuildPacket(Command::EndTransfer));
  EXPECT_EQ(sink_.Take(kLibraryA).size(), 2u) << "unplugs only once";
}

TEST_F(ServiceTest, FaultsAlterTheRepliesTheLibrariesSee) {
  ServiceOptions options;
  options.faults.refuseRate = 1.0;
  Start(options);
  WritePacket(kLibraryA, BuildPacket(Command::ReadSettings, 1, 0));
  const Packet reply = ReplyIn(sink_.Take(kLibraryB).at(0));
  EXPECT_TRUE(reply[7] == 0xFF || reply[7] == 0xFE);
}

TEST_F(ServiceTest, EventsArePushedAfterTheKeyboardActedOnThem) {
  Start();
  Request(kControl, Type::Event, {0x01, 0x04});
  EXPECT_EQ(I32(sink_.Take(kControl).at(0)), 1);
  for (ClientId id : {kLibraryA, kLibraryB}) {
    const auto frames = sink_.Take(id);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].payload, (std::vector<std::uint8_t>{0x0C, 0x00, 0x01, 0x00, 0x01, 0x04}));
  }
  EXPECT_EQ(keyboard_.Snapshot().status[10], 1);
  Request(kControl, Type::Event, {0x01});
  EXPECT_EQ(I32(sink_.Take(kControl).at(0)), 0) << "a code needs two bytes";
}

TEST_F(ServiceTest, WritesToOtherInterfacesAndMalformedRequests) {
  Start();
  const std::uint8_t led[] = {0x05, 0x02};
  Request(kLibraryA, Type::WriteReport, WritePayload(protocol::kBankLed, led));
  EXPECT_EQ(I32(sink_.Take(kLibraryA).at(0)), 2);
  EXPECT_EQ(keyboard_.Snapshot().bankLed, (std::array<std::uint8_t, 2>{0x05, 0x02}));

  const std::vector<std::uint8_t> shortReport(63, 0);
  Request(kLibraryA, Type::WriteReport, WritePayload(protocol::kControl, shortReport));
  Request(kLibraryA, Type::WriteReport, WritePayload(protocol::kConsumer, led));
  Request(kLibraryA, Type::WriteReport, {0x1C, 0xFF});
  for (const Frame& frame : sink_.Take(kLibraryA)) {
    EXPECT_EQ(frame.type, Type::Written);
    EXPECT_EQ(I32(frame), -1);
  }
  EXPECT_TRUE(sink_.Take(kLibraryB).empty());

  Request(kControl, Type::Count);  // a reply type sent as a request
  Request(kControl, static_cast<Type>(0x7E));
  Request(kControl, Type::Hello, {9});
  for (const Frame& frame : sink_.Take(kControl)) {
    EXPECT_EQ(frame.type, Type::Ack);
    EXPECT_EQ(I32(frame), 0);
  }
}

TEST_F(ServiceTest, DumpsEveryMemory) {
  Start();
  const std::pair<std::vector<std::uint8_t>, std::size_t> cases[] = {
      {{0}, 44}, {{1}, 256}, {{2, 3}, 192}, {{3}, 32640}, {{4}, 768}, {{5}, 192}, {{6}, 2},
  };
  for (const auto& [payload, size] : cases) {
    Request(kControl, Type::Dump, payload);
    const Frame frame = sink_.Take(kControl).at(0);
    EXPECT_EQ(frame.type, Type::Data);
    EXPECT_EQ(frame.payload.size(), size);
  }
  keyboard_.HandleCommand(
      BuildPacket(Command::WriteKeyTable, 1, 2 * 192, std::vector<std::uint8_t>{0x77}));
  Request(kControl, Type::Dump, {2, 2});
  EXPECT_EQ(sink_.Take(kControl).at(0).payload[0], 0x77);
  for (const std::vector<std::uint8_t>& bad :
       {std::vector<std::uint8_t>{2, 4}, std::vector<std::uint8_t>{7},
        std::vector<std::uint8_t>{}}) {
    Request(kControl, Type::Dump, bad);
    const Frame frame = sink_.Take(kControl).at(0);
    EXPECT_EQ(frame.type, Type::Ack);
    EXPECT_EQ(I32(frame), 0);
  }
}

TEST_F(ServiceTest, EndOfTransferResetAndProfileEventsPersist) {
  test::TempDir dir;
  ServiceOptions options;
  options.stateFile = dir / "state";
  Start(options);
  WritePacket(kLibraryA, BuildPacket(Command::BeginTransfer));
  WritePacket(kLibraryA,
              BuildPacket(Command::WriteSettings, 1, 3, std::vector<std::uint8_t>{0x42}));
  EXPECT_FALSE(std::filesystem::exists(dir / "state")) << "nothing kept mid-transfer";
  WritePacket(kLibraryA, BuildPacket(Command::EndTransfer));
  Keyboard restarted;
  ASSERT_TRUE(restarted.LoadState(dir / "state"));
  EXPECT_EQ(restarted.Snapshot().settings[3], 0x42);

  Request(kControl, Type::Event, {0x01, 0x04});
  ASSERT_TRUE(restarted.LoadState(dir / "state"));
  EXPECT_EQ(restarted.Snapshot().status[10], 1);

  Request(kControl, Type::Reset);
  ASSERT_TRUE(restarted.LoadState(dir / "state"));
  EXPECT_EQ(restarted.Snapshot().settings[3], 0);
}

TEST_F(ServiceTest, ShutdownIsAnsweredFirst) {
  Start();
  EXPECT_FALSE(service_->ShutdownRequested());
  Request(kControl, Type::Shutdown);
  EXPECT_EQ(I32(sink_.Take(kControl).at(0)), 1);
  EXPECT_TRUE(service_->ShutdownRequested());
}

TEST_F(ServiceTest, DisconnectedClientsGetNoPushes) {
  Start();
  service_->Disconnect(kLibraryB);
  Request(kControl, Type::Unplug);
  EXPECT_EQ(sink_.Take(kLibraryA).size(), 1u);
  EXPECT_TRUE(sink_.Take(kLibraryB).empty());
}

}  // namespace
}  // namespace ombrex::vkbd

namespace ombrex::vkbd {
namespace {

TEST_F(ServiceTest, AReplayAnswersWhatTheSessionAnsweredNotWhatTheModelWould) {
  const Packet request = BuildPacket(Command::ReadKeyTable, 3, 0);
  Packet recorded = request;
  recorded[8] = 0x99;  // no factory table holds this
  const std::array<std::uint8_t, 2> event = {0x01, 0x04};
  Replay replay(
      {{0, session_record::Direction::Out, protocol::kControl, {request.begin(), request.end()}},
       {1, session_record::Direction::In, protocol::kControl, {recorded.begin(), recorded.end()}},
       {2, session_record::Direction::In, protocol::kConsumer, {event.begin(), event.end()}}});
  ServiceOptions options;
  options.replay = &replay;
  Start(options);
  WritePacket(kLibraryA, request);
  const auto a = sink_.Take(kLibraryA);
  ASSERT_EQ(a.size(), 3u);
  EXPECT_EQ(I32(a[0]), 64);
  EXPECT_EQ(ReplyIn(a[1]), recorded);
  EXPECT_EQ(vkbd_wire::GetU16(a[2].payload, 0), protocol::kConsumer.usagePage);
  EXPECT_EQ(std::vector<std::uint8_t>(a[2].payload.begin() + 4, a[2].payload.end()),
            std::vector<std::uint8_t>(event.begin(), event.end()));

  // A request the session never made is taken and left unanswered.
  WritePacket(kLibraryA, BuildPacket(Command::ReadStatusBlock, 56));
  const auto unknown = sink_.Take(kLibraryA);
  ASSERT_EQ(unknown.size(), 1u);
  EXPECT_EQ(unknown[0].type, Type::Written);
}

}  // namespace
}  // namespace ombrex::vkbd
