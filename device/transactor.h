#pragma once

// The transaction engine: one command packet out on the control interface,
// the matching reply back, with a time-out, three attempts and the keyboard's
// refusals. Callers on several threads queue on a mutex, so at most one
// transaction waits for a reply at any time.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>

#include "device/command_packet.h"
#include "device/results.h"
#include "device/service_library.h"

namespace ombrex {

// How long the link waits. The defaults are the keyboard's; tests shorten them
// so that the three-attempt paths run in milliseconds.
struct LinkTiming {
  std::chrono::milliseconds replyTimeout{1000};
  std::chrono::milliseconds retryPause{10};
  std::chrono::milliseconds endTransferPause{10};
  int attempts = 3;
  // How long a transfer waits for another program of ours to finish with the
  // keyboard: longer than any ordinary transfer (a full macro memory takes a
  // few seconds), short enough that a stuck holder is reported.
  std::chrono::milliseconds keyboardPatience{15000};

  // For tests against an in-process keyboard, where a reply takes
  // microseconds: a missing reply is given up after 40 ms, without pauses.
  static LinkTiming Fast() {
    return {std::chrono::milliseconds(40), {}, {}, 3, std::chrono::seconds(5)};
  }
};

class Transactor {
 public:
  explicit Transactor(const ServiceLibrary& library, LinkTiming timing = {});
  ~Transactor();
  Transactor(const Transactor&) = delete;
  Transactor& operator=(const Transactor&) = delete;

  // Attached keyboards on the control interface; 0 = none (also when the
  // library is not completely bound).
  int IsKeyboardPresent() const;

  // (Re)registers the standing read that brings the replies, with the link's
  // event callback and the tag 'CTRL'. Returns the library's result.
  int RegisterReplyRead(RazIzidCallback callback);
  // Cancels it; no callback of it runs once this returns.
  void CancelReplyRead();
  std::uint32_t ControlUnitId() const;

  // Writes the first 64 bytes of `request` (zero-padded) as one packet and
  // waits for the reply with the same command code. `reply` receives up to its
  // size of the reply's bytes; `received` says how many. Results: kOk reply
  // taken (also after three refusals: the caller sees the status), kFailed no
  // keyboard, kNotWritten the library did not write, kNoReply no matching
  // reply.
  DeviceResult Transact(std::span<const std::uint8_t> request, std::span<std::uint8_t> reply,
                        std::uint32_t& received);

  // One reply's bytes from the library's callback thread. Taken only while a
  // transaction waits; the first one disarms, so a late or doubled reply never
  // reaches a caller that has moved on. A reply to another chunk of the same
  // command is passed over while the transaction keeps waiting.
  void DeliverReply(std::span<const std::uint8_t> data);

  const LinkTiming& Timing() const { return timing_; }

 private:
  enum class Outcome { Matched, Refused, Unmatched };

  void Arm(const PacketBytes& request);
  void Disarm();
  // Waits for the armed reply and disarms; the reply's bytes and length are
  // copied out under the lock.
  bool AwaitReply(PacketBytes& reply, std::uint32_t& length);
  Outcome Judge(const PacketBytes& request, const PacketBytes& reply, std::uint32_t length) const;

  const ServiceLibrary& library_;
  // An incomplete library is never called: no keyboard, nothing registered.
  const bool bound_;
  const LinkTiming timing_;
  const RazIzidSelector controlSelector_;
  const std::uint32_t presenceVerification_;

  // Serialises whole transactions.
  std::mutex turn_;

  // The hand-over between DeliverReply and the waiting transaction.
  std::mutex slotMutex_;
  std::condition_variable replyArrived_;
  bool pending_ = false;
  PacketBytes armed_{};  // the request the awaited reply must answer
  bool delivered_ = false;
  // Mirrors delivered_ outside the lock for the waiter's short spin.
  std::atomic<bool> deliveredHint_{false};
  PacketBytes slot_{};
  std::uint32_t slotLength_ = 0;

  mutable std::mutex unitMutex_;
  std::uint32_t controlUnitId_ = 0;
};

// Whether `reply` can be the answer to `request`: the same command code and,
// where the reply carries them, the same count and address.
bool AnswersRequest(std::span<const std::uint8_t, protocol::kPacketSize> request,
                    std::span<const std::uint8_t, protocol::kPacketSize> reply);

// The result of a command from its transaction: a failed transaction passes
// through; a reply with status 0xFF or 0xFE gives kRefusedFF or kRefusedFE;
// otherwise kOk.
DeviceResult CommandResult(DeviceResult transacted, std::span<const std::uint8_t> reply,
                           std::uint32_t received);

}  // namespace ombrex
