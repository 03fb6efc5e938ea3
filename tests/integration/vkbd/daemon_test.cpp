#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <sstream>

#include "tests/integration/vkbd/daemon_process.h"
#include "tests/support/temp_dir.h"
#include "vkbd/hex.h"
#include "vkbd/packets.h"
#include "vkbd/wire_client.h"

namespace ombrex::vkbd::test {
namespace {

using protocol::Command;
using vkbd_wire::Frame;
using vkbd_wire::Type;
using namespace std::chrono_literals;

constexpr auto kWait = 3s;  // for what must come

std::vector<std::uint8_t> ControlWrite(const Packet& packet) {
  std::vector<std::uint8_t> payload;
  vkbd_wire::PutU16(payload, protocol::kControl.usagePage);
  vkbd_wire::PutU16(payload, protocol::kControl.usage);
  payload.insert(payload.end(), packet.begin(), packet.end());
  return payload;
}

std::uint32_t U32(const Frame& frame) {
  return vkbd_wire::GetU32(frame.payload, 0);
}

Packet PacketIn(const Frame& push) {
  Packet packet{};
  if (push.type == Type::InputReport && push.payload.size() == 4 + packet.size()) {
    std::copy(push.payload.begin() + 4, push.payload.end(), packet.begin());
  }
  return packet;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class VkbdDaemon : public testing::Test {
 protected:
  std::string Socket() const { return (dir_ / "vkbd.sock").string(); }

  DaemonProcess& Start(std::vector<std::string> args = {}) {
    daemon_.emplace(dir_.path(), Socket(), args);
    EXPECT_TRUE(daemon_->WaitUntilAnswering()) << daemon_->ErrorOutput();
    return *daemon_;
  }

  WireClient Library() {
    auto client = WireClient::Connect(Socket());
    EXPECT_TRUE(client);
    EXPECT_TRUE(client->Hello(vkbd_wire::Role::Library, kWait));
    return std::move(*client);
  }

  ToolResult Tool(std::vector<std::string> args) {
    args.push_back("--socket");
    args.push_back(Socket());
    return RunVkbd(args, dir_.path());
  }

  // Writes one command packet and returns the keyboard's reply.
  std::optional<Packet> Transact(WireClient& client, const Packet& packet) {
    const auto written = client.Call(Type::WriteReport, ControlWrite(packet), kWait);
    if (!written || written->type != Type::Written || U32(*written) != 64) return std::nullopt;
    const auto reply = client.NextPush(kWait);
    if (!reply || reply->type != Type::InputReport) return std::nullopt;
    return PacketIn(*reply);
  }

  ombrex::test::TempDir dir_;
  std::optional<DaemonProcess> daemon_;
};

TEST_F(VkbdDaemon, PlugAndUnplugReachEveryLibraryClient) {
  Start();
  WireClient a = Library();
  WireClient b = Library();
  EXPECT_EQ(U32(*a.Call(Type::GetDeviceCount, {}, kWait)), 1u);

  ASSERT_EQ(Tool({"unplug"}).exitCode, 0);
  for (WireClient* client : {&a, &b}) {
    const auto push = client->NextPush(kWait);
    ASSERT_TRUE(push);
    EXPECT_EQ(push->type, Type::DeviceCount);
    EXPECT_EQ(U32(*push), 0u);
  }
  EXPECT_EQ(Tool({"count"}).out, "0\n");
  const auto written =
      a.Call(Type::WriteReport, ControlWrite(BuildPacket(Command::BeginTransfer)), kWait);
  ASSERT_TRUE(written);
  EXPECT_EQ(U32(*written), 0u);

  // The plug's push is the marker: an answer of the unplugged keyboard would
  // have been pushed before it.
  ASSERT_EQ(Tool({"plug"}).exitCode, 0);
  for (WireClient* client : {&a, &b}) {
    const auto push = client->NextPush(kWait);
    ASSERT_TRUE(push);
    EXPECT_EQ(push->type, Type::DeviceCount) << "an unplugged keyboard answers nothing";
    EXPECT_EQ(U32(*push), 1u);
  }
  EXPECT_EQ(Tool({"count"}).out, "1\n");
}

TEST_F(VkbdDaemon, EventsArePushedToLibraryClients) {
  Start();
  WireClient a = Library();
  WireClient b = Library();
  ASSERT_EQ(Tool({"event", "0x0401"}).exitCode, 0);
  for (WireClient* client : {&a, &b}) {
    const auto push = client->NextPush(kWait);
    ASSERT_TRUE(push);
    EXPECT_EQ(push->type, Type::InputReport);
    EXPECT_EQ(push->payload, (std::vector<std::uint8_t>{0x0C, 0x00, 0x01, 0x00, 0x01, 0x04}));
  }
  // The keyboard moved to its next profile before telling the host.
  EXPECT_EQ(Tool({"dump", "status", "--raw"}).out.substr(20, 2), "01");

  ASSERT_EQ(Tool({"unplug"}).exitCode, 0);
  EXPECT_EQ(Tool({"event", "0x02FF"}).exitCode, 1);
}

TEST_F(VkbdDaemon, PacketsAreAnsweredTracedAndChangeTheMemories) {
  Start({"--trace", (dir_ / "trace").string()});
  WireClient client = Library();
  const std::vector<std::uint8_t> colour = {0x12, 0x34, 0x56};
  const Packet packets[] = {
      BuildPacket(Command::BeginTransfer),
      BuildPacket(Command::WriteSettings, 3, 64 + 5, colour),
      BuildPacket(Command::EndTransfer),
  };
  for (const Packet& packet : packets) {
    const auto reply = Transact(client, packet);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[3], packet[3]);
    EXPECT_EQ((*reply)[7], 0);
  }
  const auto read = Transact(client, BuildPacket(Command::ReadSettings, 56, 64));
  ASSERT_TRUE(read);
  EXPECT_EQ(std::vector<std::uint8_t>(read->begin() + 8, read->begin() + 16),
            (std::vector<std::uint8_t>{4, 4, 2, 0, 0xFF, 0x12, 0x34, 0x56}));

  const auto trace = Lines(ombrex::test::ReadText(dir_ / "trace"));
  ASSERT_EQ(trace.size(), 4u);
  EXPECT_EQ(trace[1], HexString(packets[1]));
  EXPECT_EQ(trace[1].size(), 128u);

  const auto dump = Lines(Tool({"dump", "settings"}).out);
  ASSERT_EQ(dump.size(), 16u);
  EXPECT_EQ(dump[4], "0040: 04 04 02 00 ff 12 34 56 00 00 00 00 00 00 00 00");
}

TEST_F(VkbdDaemon, DumpLayouts) {
  Start({"--macro-units", "1"});
  const ToolResult table = Tool({"dump", "keytable", "0"});
  ASSERT_EQ(table.exitCode, 0);
  const auto lines = Lines(table.out);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "0000: 06 a2 01 06 a2 02 06 a2 03 06 a2 04 06 a2 05 06");
  EXPECT_EQ(lines[11], "00b0: 1c 02 02 0b 02 02 11 02 02 65 02 02 48 00 00 00");

  const ToolResult raw = Tool({"dump", "default-keytable", "--raw"});
  ASSERT_EQ(raw.exitCode, 0);
  EXPECT_EQ(raw.out.size(), 385u);
  EXPECT_EQ(raw.out, HexString(FactoryConfig::BuiltInDefaultKeyTable()) + "\n");
  EXPECT_EQ(Lines(Tool({"dump", "macro"}).out).size(), 8u);
  EXPECT_EQ(Tool({"dump", "bankled"}).out, "0000: 00 00\n");

  EXPECT_EQ(Tool({"dump", "keytable", "4"}).exitCode, 2);
  EXPECT_EQ(Tool({"dump", "everything"}).exitCode, 2);
}

TEST_F(VkbdDaemon, LatencyDelaysRepliesInOrderWithoutHoldingOthersUp) {
  // How long a reply waits is the service's own test; here the daemon shows
  // that the wait holds no request up, on the same connection or another.
  Start({"--latency-ms", "300"});
  WireClient a = Library();
  WireClient b = Library();
  for (std::uint16_t i = 0; i < 3; ++i) {
    ASSERT_TRUE(a.Send(Type::WriteReport, ControlWrite(BuildPacket(Command::ReadSettings, 1, i))));
  }
  ASSERT_TRUE(a.Send(Type::GetDeviceCount));
  // Every library client hears every input report, so replies already sent
  // would have reached b ahead of this answer.
  ASSERT_TRUE(b.Call(Type::GetDeviceCount, {}, kWait));
  EXPECT_FALSE(b.NextPush(0ms)) << "the delayed replies went out before b was answered";

  std::vector<Type> order;
  std::vector<Frame> replies;
  while (replies.size() < 3) {
    const auto frame = a.Receive(kWait);
    ASSERT_TRUE(frame);
    order.push_back(frame->type);
    if (frame->type == Type::InputReport) replies.push_back(*frame);
  }
  EXPECT_EQ(order, (std::vector<Type>{Type::Written, Type::Written, Type::Written, Type::Count,
                                      Type::InputReport, Type::InputReport, Type::InputReport}))
      << "the count asked for after the packets came before their replies";
  for (std::uint16_t i = 0; i < 3; ++i) {
    EXPECT_EQ(PacketIn(replies[i])[5], i);
    const auto heard = b.NextPush(kWait);
    ASSERT_TRUE(heard);
    EXPECT_EQ(PacketIn(*heard)[5], i);
  }
}

TEST_F(VkbdDaemon, UnplugAfterVanishesMidTransfer) {
  Start({"--unplug-after", "3"});
  WireClient client = Library();
  ASSERT_TRUE(Transact(client, BuildPacket(Command::BeginTransfer)));
  ASSERT_TRUE(Transact(
      client, BuildPacket(Command::WriteMacroMemory, 2, 0, std::vector<std::uint8_t>{0xAA, 0x55})));
  const auto written =
      client.Call(Type::WriteReport, ControlWrite(BuildPacket(Command::EndTransfer)), kWait);
  ASSERT_TRUE(written);
  const auto push = client.NextPush(kWait);
  ASSERT_TRUE(push);
  EXPECT_EQ(push->type, Type::DeviceCount) << "no reply to the third packet";
  EXPECT_EQ(U32(*push), 0u);
  EXPECT_EQ(Tool({"count"}).out, "0\n");
  ASSERT_EQ(Tool({"plug"}).exitCode, 0);
  const auto plugged = client.NextPush(kWait);
  ASSERT_TRUE(plugged);
  EXPECT_EQ(U32(*plugged), 1u);
  EXPECT_TRUE(Transact(client, BuildPacket(Command::BeginTransfer)));
}

TEST_F(VkbdDaemon, StateSurvivesARestart) {
  const std::string state = (dir_ / "state").string();
  Start({"--state", state});
  {
    WireClient client = Library();
    ASSERT_TRUE(Transact(client, BuildPacket(Command::BeginTransfer)));
    ASSERT_TRUE(Transact(
        client, BuildPacket(Command::WriteKeyTable, 3, 192, std::vector<std::uint8_t>{1, 2, 3})));
    ASSERT_TRUE(Transact(client, BuildPacket(Command::EndTransfer)));
  }
  ASSERT_EQ(Tool({"shutdown"}).exitCode, 0);
  EXPECT_EQ(daemon_->WaitForExit(), 0);
  EXPECT_FALSE(std::filesystem::exists(Socket()));

  Start({"--state", state});
  EXPECT_EQ(Lines(Tool({"dump", "keytable", "1"}).out).at(0).substr(0, 14), "0000: 01 02 03");
}

TEST_F(VkbdDaemon, DamagedStateFileIsLeftAloneAndTheDaemonDoesNotStart) {
  const auto state = dir_.Write("state", "not a state file");
  DaemonProcess daemon(dir_.path(), Socket(), {"--state", state.string()});
  EXPECT_EQ(daemon.WaitForExit(), 1);
  EXPECT_NE(daemon.ErrorOutput().find("not a state file"), std::string::npos);
  EXPECT_EQ(ombrex::test::ReadText(state), "not a state file");
}

TEST_F(VkbdDaemon, StaleSocketFileIsReplaced) {
  // A socket file whose daemon is gone: bound, never listened on, closed.
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, Socket().c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
  ASSERT_TRUE(std::filesystem::exists(Socket()));
  Start();
  EXPECT_EQ(Tool({"count"}).out, "1\n");
}

TEST_F(VkbdDaemon, SomethingElseAtTheSocketPathIsNotRemoved) {
  dir_.Write("vkbd.sock", "user data");
  DaemonProcess daemon(dir_.path(), Socket());
  EXPECT_EQ(daemon.WaitForExit(), 1);
  EXPECT_EQ(ombrex::test::ReadText(Socket()), "user data");
}

TEST_F(VkbdDaemon, SecondDaemonOnTheSameSocketIsRefused) {
  Start();
  DaemonProcess second(dir_.path(), Socket());
  EXPECT_EQ(second.WaitForExit(), 1);
  EXPECT_NE(second.ErrorOutput().find("another ombrex-vkbd"), std::string::npos);
  EXPECT_EQ(Tool({"count"}).out, "1\n");
}

TEST_F(VkbdDaemon, SocketIsPrivateAndRemovedOnTermination) {
  DaemonProcess& daemon = Start();
  struct stat info {};
  ASSERT_EQ(::stat(Socket().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(daemon.Terminate(), 0);
  EXPECT_FALSE(std::filesystem::exists(Socket()));
  EXPECT_EQ(Tool({"count"}).exitCode, 3);
}

TEST_F(VkbdDaemon, SameSeedSameFaults) {
  auto codes = [&](const std::string& seed) {
    Start({"--seed", seed, "--wrong-code", "0.5"});
    WireClient client = Library();
    std::string pattern;
    for (int i = 0; i < 24; ++i) {
      const auto reply = Transact(client, BuildPacket(Command::ReadSettings, 1, 0));
      pattern += reply && (*reply)[3] == 0x05 ? '.' : 'x';
    }
    EXPECT_EQ(daemon_->Terminate(), 0);
    return pattern;
  };
  const std::string first = codes("11");
  EXPECT_NE(first.find('x'), std::string::npos);
  EXPECT_NE(first.find('.'), std::string::npos);
  EXPECT_EQ(codes("11"), first);
}

}  // namespace
}  // namespace ombrex::vkbd::test
