// The single-instance rule as two copies of the program see it. Two
// SingleInstance objects in one process stand for two processes: the lock
// file is taken per open file, so they exclude each other just the same.

#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

namespace ombrex {
namespace {

using namespace std::chrono_literals;

constexpr InstanceMessage kOpen{0x5350, 0x4F50454E, 0, false};
constexpr InstanceMessage kKill{0x4D4B, 0x4C4C494B, 0, false};

class SingleInstanceTest : public ::testing::Test {
 protected:
  // A name of the test's own: test processes run side by side. Short, as a
  // socket path has room for little more than 100 bytes.
  const std::string& Name() const { return name_; }
  const std::string name_ =
      "Zentrik_t" + std::to_string(::getpid()) + "_" + std::to_string(next_++);
  static inline int next_ = 0;

  // What the running copy's window received.
  struct Received {
    std::mutex mutex;
    std::vector<InstanceMessage> messages;
    void Add(const InstanceMessage& m) {
      std::lock_guard lock(mutex);
      messages.push_back(m);
    }
    std::vector<InstanceMessage> Get() {
      std::lock_guard lock(mutex);
      return messages;
    }
  };
};

TEST_F(SingleInstanceTest, TheFirstCopyHoldsTheLockAndASecondDeliversToItAndWaits) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  Received received;
  std::atomic<bool> handled{false};
  ASSERT_TRUE(first.Listen([&](const InstanceMessage& m) {
    std::this_thread::sleep_for(100ms);
    received.Add(m);
    handled = true;
  }));

  SingleInstance second(Name());
  EXPECT_FALSE(second.TryAcquire());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::Delivered);
  // Sent, not posted: the answer came only after the window handled it.
  EXPECT_TRUE(handled);
  EXPECT_EQ(received.Get(), std::vector<InstanceMessage>{kOpen});
  EXPECT_FALSE(second.Holds());
}

TEST_F(SingleInstanceTest, APostedMessageIsAnsweredBeforeItIsHandled) {
  std::atomic<bool> release{false};
  std::atomic<bool> handled{false};
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  ASSERT_TRUE(first.Listen([&](const InstanceMessage&) {
    while (!release) std::this_thread::sleep_for(1ms);
    handled = true;
  }));
  SingleInstance second(Name());
  InstanceMessage timeChange{0x001E, 0, 0, true};
  EXPECT_EQ(second.DeliverToRunningCopy(timeChange), Delivery::Delivered);
  EXPECT_FALSE(handled);
  release = true;
}

TEST_F(SingleInstanceTest, WithoutARunningCopyTheSenderBecomesTheRunningCopy) {
  SingleInstance only(Name());
  EXPECT_EQ(only.DeliverToRunningCopy(kKill, 200ms), Delivery::NoRunningCopy);
  EXPECT_TRUE(only.Holds());
  SingleInstance later(Name());
  EXPECT_FALSE(later.TryAcquire());
}

TEST_F(SingleInstanceTest, ACopyThatHoldsTheLockButNeverListensGetsNoAnswer) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  SingleInstance second(Name());
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen, 150ms), Delivery::NoAnswer);
  EXPECT_GE(std::chrono::steady_clock::now() - started, 150ms);
  EXPECT_FALSE(second.Holds());
}

TEST_F(SingleInstanceTest, ASecondStartWaitsForACopyStillStartingUp) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  Received received;
  std::thread starting([&] {
    std::this_thread::sleep_for(200ms);
    first.Listen([&](const InstanceMessage& m) { received.Add(m); });
  });
  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::Delivered);
  starting.join();
  EXPECT_EQ(received.Get().size(), 1u);
}

TEST_F(SingleInstanceTest, ACopyEndingWhileASecondWaitsLeavesTheLockToIt) {
  auto first = std::make_unique<SingleInstance>(Name());
  ASSERT_TRUE(first->TryAcquire());
  std::thread ending([&] {
    std::this_thread::sleep_for(100ms);
    first.reset();
  });
  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::NoRunningCopy);
  ending.join();
  EXPECT_TRUE(second.Holds());
}

TEST_F(SingleInstanceTest, ClosingFromTheHandlerStillAnswersAndRemovesTheSocket) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  ASSERT_TRUE(first.Listen([&](const InstanceMessage&) { first.Close(); }));
  const std::filesystem::path socket = first.Places()->socketFile;
  ASSERT_TRUE(std::filesystem::exists(socket));

  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kKill), Delivery::Delivered);
  EXPECT_FALSE(std::filesystem::exists(socket));
  EXPECT_FALSE(first.Holds());
  EXPECT_TRUE(second.TryAcquire());
}

TEST_F(SingleInstanceTest, OnlyTheUserCanReachTheSocketAndAStaleOneIsReplaced) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  const InstancePlaces places = *first.Places();
  std::filesystem::create_directories(places.socketFile.parent_path());
  std::filesystem::permissions(places.socketFile.parent_path(), std::filesystem::perms::owner_all);
  { std::ofstream(places.socketFile) << "left by a copy that crashed"; }

  ASSERT_TRUE(first.Listen([](const InstanceMessage&) {}));
  struct stat socketInfo {};
  struct stat folderInfo {};
  ASSERT_EQ(::stat(places.socketFile.c_str(), &socketInfo), 0);
  ASSERT_EQ(::stat(places.socketFile.parent_path().c_str(), &folderInfo), 0);
  EXPECT_TRUE(S_ISSOCK(socketInfo.st_mode));
  EXPECT_EQ(socketInfo.st_mode & 0777, 0600u);
  EXPECT_EQ(folderInfo.st_mode & 0777, 0700u);
  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::Delivered);
}

TEST_F(SingleInstanceTest, AFolderOthersMayEnterIsRefused) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  const std::filesystem::path folder = first.Places()->socketFile.parent_path();
  std::filesystem::create_directories(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::all);
  EXPECT_FALSE(first.Listen([](const InstanceMessage&) {}));
  std::filesystem::remove_all(folder);
}

// Connects and writes raw bytes, then reads whatever comes back.
std::vector<std::uint8_t> RawExchange(const std::filesystem::path& socketFile,
                                      const std::vector<std::uint8_t>& bytes) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketFile.native().copy(address.sun_path, socketFile.native().size());
  std::vector<std::uint8_t> reply;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    if (!bytes.empty()) (void)!::write(fd, bytes.data(), bytes.size());
    ::shutdown(fd, SHUT_WR);
    std::uint8_t buffer[64];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
      reply.insert(reply.end(), buffer, buffer + got);
  }
  ::close(fd);
  return reply;
}

TEST_F(SingleInstanceTest, MalformedRequestsAreDroppedAndTheListenerServesOn) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  Received received;
  ASSERT_TRUE(first.Listen([&](const InstanceMessage& m) { received.Add(m); }));
  const std::filesystem::path socket = first.Places()->socketFile;

  InstanceRequestBytes good = EncodeInstanceRequest(kOpen);
  std::vector<std::uint8_t> wrongMagic(good.begin(), good.end());
  wrongMagic[0] ^= 0xFF;
  std::vector<std::uint8_t> unknownFlag(good.begin(), good.end());
  unknownFlag[4] = 0x02;
  std::vector<std::uint8_t> cutShort(good.begin(), good.begin() + 10);
  for (const auto& bytes : {std::vector<std::uint8_t>{}, wrongMagic, unknownFlag, cutShort}) {
    EXPECT_TRUE(RawExchange(socket, bytes).empty());
  }
  EXPECT_TRUE(received.Get().empty());
  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::Delivered);
  EXPECT_EQ(received.Get(), std::vector<InstanceMessage>{kOpen});
}

TEST(InstanceRequestTest, RoundTripsAndRejectsAnythingElse) {
  const InstanceMessage posted{0x001E, 7, 9, true};
  EXPECT_EQ(DecodeInstanceRequest(EncodeInstanceRequest(posted)), posted);
  EXPECT_EQ(DecodeInstanceRequest(EncodeInstanceRequest(kKill)), kKill);

  InstanceRequestBytes bytes = EncodeInstanceRequest(kKill);
  std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
  longer.push_back(0);
  EXPECT_FALSE(DecodeInstanceRequest(longer));
  EXPECT_FALSE(DecodeInstanceRequest(std::span(bytes).first(23)));
  bytes[20] = 1;  // reserved
  EXPECT_FALSE(DecodeInstanceRequest(bytes));
}

}  // namespace
}  // namespace ombrex
