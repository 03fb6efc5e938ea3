#include "device/transactor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "device/razizid_wire.h"
#include "device/results.h"
#include "tests/unit/device/fake_library.h"

namespace ombrex {
namespace {

using test::FakeLibrary;
using test::ReplyTo;
using Replies = std::vector<FakeLibrary::Reply>;

class TransactorTest : public ::testing::Test {
 protected:
  TransactorTest() : library_(fake_.Library()), transactor_(library_, LinkTiming::Fast()) {}

  void Respond(FakeLibrary::Responder responder) {
    fake_.RespondWith(std::move(responder), &transactor_);
  }
  // Replies to the n-th packet (from 0) with what `byAttempt` gives for it.
  void RespondByAttempt(std::function<Replies(int attempt, const PacketBytes&)> byAttempt) {
    auto attempt = std::make_shared<std::atomic<int>>(0);
    Respond([attempt, byAttempt](const PacketBytes& packet) {
      return byAttempt(attempt->fetch_add(1), packet);
    });
  }
  DeviceResult Transact(std::span<const std::uint8_t> request, PacketBytes& reply,
                        std::uint32_t& received) {
    return transactor_.Transact(request, reply, received);
  }

  FakeLibrary fake_;
  ServiceLibrary library_;
  Transactor transactor_;
};

const PacketBytes kStatusRequest =
    CommandPacket::Request(protocol::Command::ReadStatusBlock, 0x2C, 0).Bytes();

TEST_F(TransactorTest, ShortRequestGoesOutZeroPaddedAndLongOneCutTo64Bytes) {
  Respond(test::AcceptAll());
  PacketBytes reply{};
  std::uint32_t received = 0;
  const std::vector<std::uint8_t> shortRequest = {0x04, 0x12, 0x34, 0x03, 0x2C};
  ASSERT_EQ(Transact(shortRequest, reply, received), result::kOk);
  std::vector<std::uint8_t> longRequest(80, 0x03);
  longRequest[63] = 0x5A;
  ASSERT_EQ(Transact(longRequest, reply, received), result::kOk);

  const auto written = fake_.Written();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0][4], 0x2C);
  for (std::size_t i = 5; i < 64; ++i) EXPECT_EQ(written[0][i], 0) << i;
  EXPECT_EQ(written[1][63], 0x5A);
  EXPECT_EQ(fake_.BadVerifications(), 0);
}

TEST_F(TransactorTest, NoKeyboardReturnsZeroAtOnceAndWritesNothing) {
  fake_.SetDeviceCount(0);
  PacketBytes reply{};
  std::uint32_t received = 99;
  EXPECT_EQ(Transact(kStatusRequest, reply, received), result::kFailed);
  EXPECT_EQ(received, 0u);
  EXPECT_EQ(fake_.WrittenCount(), 0u);
}

TEST_F(TransactorTest, PacketTheLibraryDoesNotWriteGivesMinusOne) {
  fake_.SetWriteResult(0);
  PacketBytes reply{};
  std::uint32_t received = 0;
  EXPECT_EQ(Transact(kStatusRequest, reply, received), result::kNotWritten);
  EXPECT_EQ(fake_.WrittenCount(), 1u);
}

TEST_F(TransactorTest, ThreeAttemptsWithoutMatchingReplyGiveMinusTwo) {
  struct Case {
    const char* what;
    std::function<Replies(const PacketBytes&)> reply;
  };
  const std::vector<Case> cases = {
      {"no reply", [](const PacketBytes&) { return Replies{}; }},
      {"another command code",
       [](const PacketBytes& p) {
         auto reply = ReplyTo(p);
         reply[protocol::kCommandAt] ^= 0x40;
         return Replies{reply};
       }},
      {"too short to carry the status",
       [](const PacketBytes& p) {
         auto reply = ReplyTo(p);
         reply.resize(protocol::kStatusAt);
         return Replies{reply};
       }},
  };
  for (const auto& c : cases) {
    FakeLibrary fake;
    ServiceLibrary library = fake.Library();
    Transactor transactor(library, LinkTiming::Fast());
    fake.RespondWith(c.reply, &transactor);
    PacketBytes reply{};
    std::uint32_t received = 0;
    EXPECT_EQ(transactor.Transact(kStatusRequest, reply, received), result::kNoReply) << c.what;
    EXPECT_EQ(fake.WrittenCount(), 3u) << c.what;
    EXPECT_EQ(received, 0u) << c.what;
  }
}

TEST_F(TransactorTest, MismatchedReplyIsRetriedWithTheSamePacket) {
  RespondByAttempt([](int attempt, const PacketBytes& p) {
    auto reply = ReplyTo(p, 0, {0x42});
    if (attempt == 0) reply[protocol::kCommandAt] = 0x09;  // a late answer to something else
    return Replies{reply};
  });
  PacketBytes reply{};
  std::uint32_t received = 0;
  EXPECT_EQ(Transact(kStatusRequest, reply, received), result::kOk);
  const auto written = fake_.Written();
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0], written[1]);
  EXPECT_EQ(reply[protocol::kPayloadOffset], 0x42);
}

TEST_F(TransactorTest, AReplyToAnotherRequestArrivingFirstIsNotTakenForThisOne) {
  // Every handle on the keyboard gets every reply: a doubled answer to the
  // chunk before, or another program's read of the same memory, carries our
  // command code and may come first.
  struct Case {
    const char* what;
    std::function<void(PacketBytes&)> other;
  };
  const std::vector<Case> cases{
      {"the chunk before", [](PacketBytes& p) { p[protocol::kAddressAt] -= 56; }},
      {"the last, shorter chunk", [](PacketBytes& p) { p[protocol::kCountAt] = 24; }},
      {"another profile's table", [](PacketBytes& p) { p[protocol::kAddressAt + 1] ^= 0x01; }},
  };
  const PacketBytes request =
      CommandPacket::Request(protocol::Command::ReadKeyTable, 56, 56 + 192).Bytes();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeLibrary fake;
    ServiceLibrary library = fake.Library();
    Transactor transactor(library, LinkTiming::Fast());
    fake.RespondWith(
        [&](const PacketBytes& p) {
          PacketBytes other = p;
          c.other(other);
          const auto ours = ReplyTo(p, 0, {0x42});
          return Replies{ReplyTo(other, 0, {0xBA}), ours};
        },
        &transactor);
    PacketBytes reply{};
    std::uint32_t received = 0;
    ASSERT_EQ(transactor.Transact(request, reply, received), result::kOk);
    EXPECT_EQ(reply[protocol::kPayloadOffset], 0x42);
    // Passed over, not a failed attempt: the packet went out once.
    EXPECT_EQ(fake.WrittenCount(), 1u);
  }
}

TEST_F(TransactorTest, RefusalsAreRetriedAndTheThirdOneIsPassedToTheCaller) {
  struct Case {
    std::vector<std::uint8_t> statuses;
    DeviceResult transact;
    DeviceResult command;
    std::size_t packets;
  };
  const std::vector<Case> cases = {
      {{0xFF, 0xFF, 0x00}, result::kOk, result::kOk, 3},
      {{0xFE, 0x00}, result::kOk, result::kOk, 2},
      {{0xFE, 0xFE, 0xFE}, result::kOk, result::kRefusedFE, 3},
      {{0xFE, 0xFE, 0xFF}, result::kOk, result::kRefusedFF, 3},
      {{0x01}, result::kOk, result::kOk, 1},
  };
  for (const auto& c : cases) {
    FakeLibrary fake;
    ServiceLibrary library = fake.Library();
    Transactor transactor(library, LinkTiming::Fast());
    auto attempt = std::make_shared<int>(0);
    fake.RespondWith(
        [&c, attempt](const PacketBytes& p) {
          return Replies{ReplyTo(p, c.statuses[std::size_t((*attempt)++)])};
        },
        &transactor);
    PacketBytes reply{};
    std::uint32_t received = 0;
    const DeviceResult transacted = transactor.Transact(kStatusRequest, reply, received);
    EXPECT_EQ(transacted, c.transact);
    EXPECT_EQ(CommandResult(transacted, reply, received), c.command);
    EXPECT_EQ(fake.WrittenCount(), c.packets);
    EXPECT_EQ(received, 64u);
  }
}

TEST_F(TransactorTest, ReplyIsCutToTheCallersCapacity) {
  Respond([](const PacketBytes& p) {
    auto reply = ReplyTo(p, 0, std::vector<std::uint8_t>(56, 0x3C));
    reply.resize(100, 0x3C);  // longer than any report
    return Replies{reply};
  });
  std::array<std::uint8_t, 16> small{};
  std::uint32_t received = 0;
  EXPECT_EQ(transactor_.Transact(kStatusRequest, small, received), result::kOk);
  EXPECT_EQ(received, 16u);
  EXPECT_EQ(small[8], 0x3C);

  PacketBytes full{};
  EXPECT_EQ(transactor_.Transact(kStatusRequest, full, received), result::kOk);
  EXPECT_EQ(received, 64u);
}

TEST_F(TransactorTest, ReplyArrivingAfterTheTransactionReturnedIsDropped) {
  PacketBytes lateRequest{};
  Respond([&](const PacketBytes& p) {
    lateRequest = p;
    return Replies{};
  });
  PacketBytes callerBuffer{};
  callerBuffer.fill(0xEE);
  std::uint32_t received = 0;
  ASSERT_EQ(Transact(kStatusRequest, callerBuffer, received), result::kNoReply);

  transactor_.DeliverReply(ReplyTo(lateRequest, 0, {0x11, 0x22}));
  for (std::uint8_t byte : callerBuffer) ASSERT_EQ(byte, 0xEE);

  // Nor does it answer the next transaction.
  Respond([](const PacketBytes&) { return Replies{}; });
  EXPECT_EQ(Transact(kStatusRequest, callerBuffer, received), result::kNoReply);
}

TEST_F(TransactorTest, SecondReplyToOnePacketIsDropped) {
  bool first = true;
  Respond([&](const PacketBytes& p) {
    if (!first) return Replies{};
    first = false;
    return Replies{ReplyTo(p, 0, {0x01}), ReplyTo(p, 0, {0x02})};
  });
  PacketBytes reply{};
  std::uint32_t received = 0;
  ASSERT_EQ(Transact(kStatusRequest, reply, received), result::kOk);
  EXPECT_EQ(reply[protocol::kPayloadOffset], 0x01);
  // The doubled reply did not stay behind for the next transaction.
  EXPECT_EQ(Transact(kStatusRequest, reply, received), result::kNoReply);
}

TEST_F(TransactorTest, ReplyFromAnotherThreadAfterAPauseIsTaken) {
  std::vector<std::thread> senders;
  Respond([&](const PacketBytes& p) {
    senders.emplace_back([this, p] {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      transactor_.DeliverReply(ReplyTo(p, 0, {0x5A}));
    });
    return Replies{};
  });
  PacketBytes reply{};
  std::uint32_t received = 0;
  EXPECT_EQ(Transact(kStatusRequest, reply, received), result::kOk);
  EXPECT_EQ(reply[protocol::kPayloadOffset], 0x5A);
  for (auto& sender : senders) sender.join();
}

TEST_F(TransactorTest, ConcurrentCallersTakeTurnsAndEachGetsItsOwnReply) {
  std::mutex outstandingMutex;
  int outstanding = 0;
  int overlaps = 0;
  std::vector<std::thread> senders;
  Respond([&](const PacketBytes& p) {
    std::lock_guard lock(outstandingMutex);
    if (++outstanding > 1) ++overlaps;
    senders.emplace_back([&, p] {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      {
        std::lock_guard inner(outstandingMutex);
        --outstanding;
      }
      // Echo the address back as data, so each caller can check its reply.
      transactor_.DeliverReply(ReplyTo(p, 0, {p[protocol::kAddressAt]}));
    });
    return Replies{};
  });
  std::atomic<int> wrong{0};
  std::vector<std::thread> callers;
  for (int caller = 0; caller < 4; ++caller) {
    callers.emplace_back([&, caller] {
      for (int i = 0; i < 10; ++i) {
        const auto address = static_cast<std::uint16_t>(caller * 16 + i);
        const PacketBytes request =
            CommandPacket::Request(protocol::Command::ReadSettings, 56, address).Bytes();
        PacketBytes reply{};
        std::uint32_t received = 0;
        if (transactor_.Transact(request, reply, received) != result::kOk ||
            reply[protocol::kPayloadOffset] != address) {
          ++wrong;
        }
      }
    });
  }
  for (auto& caller : callers) caller.join();
  for (auto& sender : senders) sender.join();  // all made: every caller is done
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(overlaps, 0);
  EXPECT_EQ(fake_.WrittenCount(), 40u);
}

TEST_F(TransactorTest, RegisterReplyReadReplacesTheEarlierRequest) {
  auto callback = +[](const RazIzidEvent*) -> int { return 1; };
  ASSERT_GT(transactor_.RegisterReplyRead(callback), 0);
  const std::uint32_t first = transactor_.ControlUnitId();
  ASSERT_GT(transactor_.RegisterReplyRead(callback), 0);

  const auto requests = fake_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].tag, RAZIZID_TAG_CONTROL);
  EXPECT_EQ(razizid::KeyboardInterfaceOf(requests[1].selector), protocol::kControl);
  EXPECT_EQ(requests[1].callback, callback);
  EXPECT_EQ(transactor_.ControlUnitId(), requests[1].unitId);
  const auto deleted = fake_.Deleted();
  ASSERT_EQ(deleted.size(), 2u);
  EXPECT_EQ(deleted[0], 0u);  // nothing registered yet: harmless
  EXPECT_EQ(deleted[1], first);
  EXPECT_EQ(fake_.BadVerifications(), 0);
}

TEST(Transactor, UnboundLibraryMeansNoKeyboardAndIsNeverCalled) {
  ServiceLibrary unbound;
  Transactor transactor(unbound, LinkTiming::Fast());
  PacketBytes reply{};
  std::uint32_t received = 0;
  EXPECT_EQ(transactor.IsKeyboardPresent(), 0);
  EXPECT_EQ(transactor.Transact(kStatusRequest, reply, received), result::kFailed);
  EXPECT_LE(transactor.RegisterReplyRead(nullptr), 0);
}

}  // namespace
}  // namespace ombrex
