#include "device/transactor.h"

#include "platform/spin_wait.h"

#include <algorithm>
#include <thread>

#include "device/razizid_wire.h"
#include "device/results.h"

namespace ombrex {

Transactor::Transactor(const ServiceLibrary& library, LinkTiming timing)
    : library_(library),
      bound_(library.Complete()),
      timing_(timing),
      controlSelector_(razizid::MakeSelector(protocol::kControl)),
      presenceVerification_(razizid::Verification(controlSelector_, nullptr, 0)) {}

Transactor::~Transactor() {
  CancelReplyRead();
}

int Transactor::IsKeyboardPresent() const {
  if (!bound_) return 0;
  return library_->RequestGetDeviceCount(&controlSelector_, nullptr, 0, presenceVerification_,
                                         nullptr);
}

int Transactor::RegisterReplyRead(RazIzidCallback callback) {
  if (!bound_) return RAZIZID_REFUSED;
  std::lock_guard lock(unitMutex_);
  library_->DeleteRequestFromUnitId(controlUnitId_);
  controlUnitId_ = 0;
  std::uint32_t unitId = 0;
  const int registered = library_->RequestAsyncRead(
      &controlSelector_, callback, RAZIZID_TAG_CONTROL,
      razizid::Verification(controlSelector_, callback, RAZIZID_TAG_CONTROL), &unitId);
  if (registered > 0) controlUnitId_ = unitId;
  return registered;
}

void Transactor::CancelReplyRead() {
  std::lock_guard lock(unitMutex_);
  if (controlUnitId_ == 0) return;
  library_->DeleteRequestFromUnitId(controlUnitId_);
  controlUnitId_ = 0;
}

std::uint32_t Transactor::ControlUnitId() const {
  std::lock_guard lock(unitMutex_);
  return controlUnitId_;
}

DeviceResult Transactor::Transact(std::span<const std::uint8_t> request,
                                  std::span<std::uint8_t> reply, std::uint32_t& received) {
  received = 0;
  std::lock_guard turn(turn_);
  if (IsKeyboardPresent() <= 0) return result::kFailed;

  const PacketBytes packet = CommandPacket::FromBytes(request).Bytes();
  const std::uint32_t verification = razizid::Verification(controlSelector_, nullptr, 0, packet);
  PacketBytes answer{};
  std::uint32_t length = 0;
  for (int attempt = 1;; ++attempt) {
    Arm(packet);
    const int written = library_->RequestWriteOne(&controlSelector_, nullptr, 0, packet.data(),
                                                  protocol::kPacketSize, verification, nullptr);
    if (written <= 0) {
      Disarm();
      return result::kNotWritten;
    }
    const bool arrived = AwaitReply(answer, length);
    const Outcome outcome = arrived ? Judge(packet, answer, length) : Outcome::Unmatched;
    const bool lastAttempt = attempt >= timing_.attempts;
    if (outcome == Outcome::Matched || (outcome == Outcome::Refused && lastAttempt)) {
      received = static_cast<std::uint32_t>(std::min<std::size_t>(length, reply.size()));
      std::copy_n(answer.begin(), received, reply.begin());
      return result::kOk;
    }
    if (lastAttempt) return result::kNoReply;
    std::this_thread::sleep_for(timing_.retryPause);
  }
}

void Transactor::DeliverReply(std::span<const std::uint8_t> data) {
  PacketBytes reply{};
  const auto length = static_cast<std::uint32_t>(std::min(data.size(), reply.size()));
  std::copy_n(data.begin(), length, reply.begin());
  std::lock_guard lock(slotMutex_);
  if (!pending_) return;
  // Another chunk's answer to the command we wait for: ours is still on its
  // way behind it, so it is passed over rather than spending an attempt.
  // Another command's reply counts as a failed attempt (Judge), as a late
  // answer has always done.
  if (length > protocol::kStatusAt && reply[protocol::kCommandAt] == armed_[protocol::kCommandAt] &&
      !AnswersRequest(armed_, reply)) {
    return;
  }
  slot_ = reply;
  slotLength_ = length;
  pending_ = false;
  delivered_ = true;
  deliveredHint_.store(true, std::memory_order_release);
  replyArrived_.notify_one();
}

void Transactor::Arm(const PacketBytes& request) {
  std::lock_guard lock(slotMutex_);
  armed_ = request;
  pending_ = true;
  delivered_ = false;
  deliveredHint_.store(false, std::memory_order_relaxed);
  slotLength_ = 0;
}

void Transactor::Disarm() {
  std::lock_guard lock(slotMutex_);
  pending_ = false;
  delivered_ = false;
}

bool Transactor::AwaitReply(PacketBytes& reply, std::uint32_t& length) {
  SpinUntilSet(deliveredHint_);
  std::unique_lock lock(slotMutex_);
  const bool arrived = delivered_ || replyArrived_.wait_for(lock, timing_.replyTimeout,
                                                            [this] { return delivered_; });
  pending_ = false;
  delivered_ = false;
  if (arrived) {
    reply = slot_;
    length = slotLength_;
  }
  return arrived;
}

Transactor::Outcome Transactor::Judge(const PacketBytes& request, const PacketBytes& reply,
                                      std::uint32_t length) const {
  // A reply too short to carry its command code and status cannot be
  // matched to the request; it counts as no reply at all.
  if (length <= protocol::kStatusAt) return Outcome::Unmatched;
  if (!AnswersRequest(request, reply)) return Outcome::Unmatched;
  const std::uint8_t status = reply[protocol::kStatusAt];
  if (status == protocol::kStatusRefusedFF || status == protocol::kStatusRefusedFE) {
    return Outcome::Refused;
  }
  return Outcome::Matched;
}

bool AnswersRequest(std::span<const std::uint8_t, protocol::kPacketSize> request,
                    std::span<const std::uint8_t, protocol::kPacketSize> reply) {
  if (reply[protocol::kCommandAt] != request[protocol::kCommandAt]) return false;
  // Every handle on the keyboard gets every reply, so the answer to another
  // chunk of the same command (a doubled reply, another program's read)
  // carries our command code too. The keyboard returns the count and the
  // address as they were asked for: those tell the chunks apart. A reply
  // that leaves both at zero says nothing about them, and the command code
  // is all there is to go by.
  const auto echoed = [](std::span<const std::uint8_t, protocol::kPacketSize> packet) {
    return std::array{packet[protocol::kCountAt], packet[protocol::kAddressAt],
                      packet[protocol::kAddressAt + 1]};
  };
  const auto answered = echoed(reply);
  return answered == echoed(request) || answered == decltype(answered){};
}

DeviceResult CommandResult(DeviceResult transacted, std::span<const std::uint8_t> reply,
                           std::uint32_t received) {
  if (transacted != result::kOk) return transacted;
  if (received <= protocol::kStatusAt || reply.size() <= protocol::kStatusAt) return result::kOk;
  switch (reply[protocol::kStatusAt]) {
    case protocol::kStatusRefusedFF:
      return result::kRefusedFF;
    case protocol::kStatusRefusedFE:
      return result::kRefusedFE;
    default:
      return result::kOk;
  }
}

}  // namespace ombrex
