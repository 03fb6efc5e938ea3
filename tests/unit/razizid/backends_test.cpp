// The virtual backend against a stand-in daemon, the in-process model
// backend, and the fault list the environment gives the model.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "device/command_packet.h"
#include "razizid/hid_backend.h"
#include "razizid/model_backend.h"
#include "razizid/model_options.h"
#include "razizid/virtual_backend.h"
#include "tests/support/temp_dir.h"
#ifndef _WIN32
#include "tests/unit/razizid/fake_daemon.h"
#endif

namespace ombrex::razizid {
namespace {

using namespace std::chrono_literals;
using vkbd_wire::Type;

class RecordingSink : public BackendSink {
 public:
  struct Report {
    protocol::Interface from;
    std::vector<std::uint8_t> data;
  };
  void OnReport(protocol::Interface from, std::span<const std::uint8_t> report) override {
    std::lock_guard lock(mutex_);
    reports.push_back({from, std::vector<std::uint8_t>(report.begin(), report.end())});
    changed_.notify_all();
  }
  void OnDevicesChanged(const DeviceCounts& counts) override {
    std::lock_guard lock(mutex_);
    counts_.push_back(counts.control);
    changed_.notify_all();
  }
  // Waits until `done` holds (up to 3 s); its result.
  template <typename Done>
  bool WaitUntil(Done done) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 3s, [&] { return done(*this); });
  }
  std::vector<int> Counts() {
    std::lock_guard lock(mutex_);
    return counts_;
  }
  std::size_t ReportCount() {
    std::lock_guard lock(mutex_);
    return reports.size();
  }

  std::vector<Report> reports;
  std::vector<int> counts_;

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};

// The daemon listens on a Unix socket; Windows has no daemon yet.
#ifndef _WIN32
class VirtualBackendTest : public ::testing::Test {
 protected:
  std::string SocketPath() const { return (dir_ / "vkbd.sock").string(); }
  test::TempDir dir_;
  RecordingSink sink_;
};

TEST_F(VirtualBackendTest, NoDaemonMeansNoKeyboardAndWritesGoNowhere) {
  VirtualBackend backend(SocketPath(), 50ms);
  ASSERT_TRUE(backend.Start(sink_));
  EXPECT_EQ(backend.Counts().control, 0);
  EXPECT_EQ(backend.Write(protocol::kControl, std::vector<std::uint8_t>(64, 4), false),
            RAZIZID_NONE);
  backend.Stop();
  EXPECT_TRUE(sink_.Counts().empty());
}

TEST_F(VirtualBackendTest, DaemonStartedLaterLooksLikeAnArrival) {
  VirtualBackend backend(SocketPath(), 50ms);
  ASSERT_TRUE(backend.Start(sink_));
  test::FakeDaemon daemon(SocketPath());
  ASSERT_TRUE(daemon.Listening());
  EXPECT_TRUE(sink_.WaitUntil([](RecordingSink& s) { return !s.counts_.empty(); }));
  EXPECT_EQ(sink_.Counts(), std::vector<int>{1});
  EXPECT_EQ(backend.Counts().consumer, 1);
  const auto received = daemon.Received();
  ASSERT_GE(received.size(), 2u);
  EXPECT_EQ(received[0], Type::Hello);
}

TEST_F(VirtualBackendTest, WritesAreAnsweredAndPushesRoutedByInterface) {
  test::FakeDaemon daemon(SocketPath());
  VirtualBackend backend(SocketPath(), 50ms);
  ASSERT_TRUE(backend.Start(sink_));
  EXPECT_EQ(backend.Counts().control, 1) << "the first count is known when Start returns";

  const PacketBytes packet =
      CommandPacket::Request(protocol::Command::ReadStatusBlock, 0x2C, 0).Bytes();
  EXPECT_EQ(backend.Write(protocol::kControl, packet, false), 64);
  std::vector<std::uint8_t> consumerPush = {0x0C, 0x00, 0x01, 0x00, 0x01, 0x04};
  daemon.Push(Type::InputReport, consumerPush);

  ASSERT_TRUE(sink_.WaitUntil([](RecordingSink& s) { return s.reports.size() >= 2; }));
  EXPECT_EQ(sink_.reports[0].from, protocol::kControl);
  EXPECT_EQ(sink_.reports[0].data, std::vector<std::uint8_t>(packet.begin(), packet.end()));
  EXPECT_EQ(sink_.reports[1].from, protocol::kConsumer);
  EXPECT_EQ(sink_.reports[1].data, (std::vector<std::uint8_t>{0x01, 0x04}));

  daemon.SetPlugged(0);
  daemon.Push(Type::DeviceCount, {0, 0, 0, 0});
  ASSERT_TRUE(sink_.WaitUntil([](RecordingSink& s) { return s.counts_.size() >= 2; }));
  EXPECT_EQ(sink_.Counts().back(), 0);
  EXPECT_EQ(backend.Write(protocol::kControl, packet, false), RAZIZID_NONE);
}

TEST_F(VirtualBackendTest, LostConnectionIsARemovalAndTheBackendComesBack) {
  test::FakeDaemon daemon(SocketPath());
  VirtualBackend backend(SocketPath(), 50ms);
  ASSERT_TRUE(backend.Start(sink_));
  daemon.DropClients();
  // Connected at start (1), cut off (0), back again (1).
  ASSERT_TRUE(sink_.WaitUntil([](RecordingSink& s) { return s.counts_.size() >= 3; }));
  EXPECT_EQ(sink_.Counts(), (std::vector<int>{1, 0, 1}));
  EXPECT_TRUE(backend.Connected());
}

TEST_F(VirtualBackendTest, MalformedFramesAreIgnored) {
  VirtualBackend backend(SocketPath(), 50ms);
  ASSERT_TRUE(backend.Start(sink_));
  backend.HandleFrame({Type::InputReport, {0x1C}});
  backend.HandleFrame({Type::DeviceCount, {1, 0}});
  backend.HandleFrame({Type::Written, {64, 0, 0, 0}});  // nobody asked
  backend.HandleFrame({static_cast<Type>(0xEE), {}});
  backend.HandleFrame({Type::DeviceCount, {0xFF, 0xFF, 0xFF, 0xFF}});
  EXPECT_EQ(sink_.ReportCount(), 0u);
  EXPECT_GE(backend.Counts().control, 0) << "a huge count must not turn negative";
  backend.Stop();
}
#endif

vkbd::FaultOptions Faults(std::string_view text) {
  auto parsed = ParseFaultOptions(text);
  EXPECT_TRUE(parsed.has_value()) << text;
  return parsed.value_or(vkbd::FaultOptions{});
}

TEST(ModelBackend, DelayedRepliesArriveInOrderAndAreLostWithTheKeyboard) {
  vkbd::Keyboard keyboard;
  ModelBackend backend(keyboard, Faults("latency=5"));
  RecordingSink sink;
  ASSERT_TRUE(backend.Start(sink));
  for (std::uint16_t address : {0, 64, 128}) {
    const PacketBytes packet =
        CommandPacket::Request(protocol::Command::ReadSettings, 56, address).Bytes();
    EXPECT_EQ(backend.Write(protocol::kControl, packet, false), 64);
  }
  EXPECT_EQ(sink.ReportCount(), 0u) << "replies came before their latency";
  ASSERT_TRUE(sink.WaitUntil([](RecordingSink& s) { return s.reports.size() == 3; }));
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(CommandPacket::FromBytes(sink.reports[i].data).Address(), 64 * i);
  }

  const PacketBytes last = CommandPacket::Request(protocol::Command::ReadSettings, 56, 192).Bytes();
  backend.Write(protocol::kControl, last, false);
  backend.Unplug();
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(sink.ReportCount(), 3u);
  EXPECT_EQ(sink.Counts(), std::vector<int>{0});
  EXPECT_EQ(backend.Write(protocol::kControl, last, false), RAZIZID_NONE);
  EXPECT_FALSE(backend.RaiseEvent(protocol::kEventBankKey));
  backend.Stop();
}

TEST(ModelBackend, OnlyWholePacketsReachTheKeyboard) {
  vkbd::Keyboard keyboard;
  ModelBackend backend(keyboard);
  RecordingSink sink;
  ASSERT_TRUE(backend.Start(sink));
  EXPECT_EQ(backend.Write(protocol::kControl, std::vector<std::uint8_t>(10, 4), false),
            RAZIZID_IO_ERROR);
  EXPECT_EQ(backend.Write(protocol::kConsumer, std::vector<std::uint8_t>(2, 1), false),
            RAZIZID_IO_ERROR);
  EXPECT_EQ(sink.ReportCount(), 0u);
  backend.Stop();
}

#ifdef OMBREX_TEST_WITH_HIDAPI
TEST(HidBackend, WithoutAKeyboardItCountsNoneAndWritesNowhere) {
  HidBackend backend(20ms);
  RecordingSink sink;
  if (!backend.Start(sink)) GTEST_SKIP() << "no HID support on this machine";
  if (backend.Counts().control != 0) GTEST_SKIP() << "a real keyboard is attached";
  std::this_thread::sleep_for(60ms);  // a few polls
  EXPECT_EQ(backend.Write(protocol::kControl, std::vector<std::uint8_t>(64, 4), false),
            RAZIZID_NONE);
  EXPECT_EQ(backend.LastOpenError(), "");
  backend.Stop();
  EXPECT_TRUE(sink.Counts().empty());
}
#else
// Built where hidapi was not found (Windows here): the library must refuse
// to start rather than claim a keyboard-less machine.
TEST(HidBackend, WithoutHidapiItRefusesToStartAndWritesNowhere) {
  HidBackend backend(20ms);
  RecordingSink sink;
  EXPECT_FALSE(backend.Start(sink));
  EXPECT_EQ(backend.Counts().control, 0);
  EXPECT_EQ(backend.Write(protocol::kControl, std::vector<std::uint8_t>(64, 4), false),
            RAZIZID_NONE);
  EXPECT_TRUE(sink.Counts().empty());
}
#endif

TEST(ModelFaults, ListIsReadByNameInAnyOrder) {
  const auto faults =
      Faults("unplug=100,latency=1, seed=7,drop=0.25,refuse=0,wrongcode=1,losewrites=0.5");
  EXPECT_EQ(faults.latencyMs, 1u);
  EXPECT_EQ(faults.seed, 7u);
  EXPECT_DOUBLE_EQ(faults.dropRate, 0.25);
  EXPECT_DOUBLE_EQ(faults.wrongCodeRate, 1.0);
  EXPECT_EQ(faults.unplugAfter, 100u);
  EXPECT_DOUBLE_EQ(faults.loseWriteRate, 0.5);
  EXPECT_TRUE(ParseFaultOptions("").has_value());
  EXPECT_TRUE(ParseFaultOptions(",,").has_value());
  for (const char* bad : {"drop=1.5", "drop=-0.1", "drop=nan", "latency=-1", "latency=1ms",
                          "speed=3", "latency", "=1", "seed=99999999999999999999999"}) {
    EXPECT_FALSE(ParseFaultOptions(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace ombrex::razizid
