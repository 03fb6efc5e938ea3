#include "vkbd/keyboard.h"
#include "vkbd/packets.h"

namespace ombrex::vkbd {

namespace {

// splitmix64: tiny, fast, and the same sequence on every platform for a seed.
std::uint64_t NextRandom(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Uniform in [0, 1) from the top 53 bits.
double NextFraction(std::uint64_t& state) {
  return static_cast<double>(NextRandom(state) >> 11) * 0x1.0p-53;
}

// Any fixed number keeps the two sequences of one seed apart.
constexpr std::uint64_t kLoseStreamKey = 0x6C6F73652D777269ull;

bool IsWrite(std::uint8_t code) {
  using protocol::Command;
  switch (static_cast<Command>(code)) {
    case Command::WriteStatusBlock:
    case Command::WriteSettings:
    case Command::WriteKeyTable:
    case Command::WriteMacroMemory:
    case Command::WriteKeyColours:
      return true;
    default:
      return false;
  }
}

}  // namespace

FaultPlan::FaultPlan(FaultOptions options)
    : options_(options), state_(options.seed), loseState_(options.seed ^ kLoseStreamKey) {}

bool FaultPlan::LosesWrite(std::span<const std::uint8_t> request) {
  if (options_.loseWriteRate <= 0 || request.size() <= protocol::kCommandAt) return false;
  if (!IsWrite(request[protocol::kCommandAt])) return false;
  return NextFraction(loseState_) < options_.loseWriteRate;
}

FaultPlan::Action FaultPlan::Next(Packet& reply) {
  ++packets_;
  // One draw decides the fate and a second one its detail, whatever the
  // fate, so the fates of later packets do not depend on earlier details.
  const double fate = NextFraction(state_);
  const std::uint64_t detail = NextRandom(state_);
  double bound = options_.dropRate;
  if (fate < bound) return Action::Drop;
  bound += options_.refuseRate;
  if (fate < bound) {
    reply[protocol::kStatusAt] =
        (detail & 1) ? protocol::kStatusRefusedFF : protocol::kStatusRefusedFE;
    SealChecksum(reply);
    return Action::Refuse;
  }
  bound += options_.wrongCodeRate;
  if (fate < bound) {
    // XOR with 1..255 always yields another code.
    reply[protocol::kCommandAt] ^= static_cast<std::uint8_t>(1 + detail % 255);
    SealChecksum(reply);
    return Action::WrongCode;
  }
  return Action::Deliver;
}

bool FaultPlan::ShouldUnplugNow() {
  if (unplugged_ || options_.unplugAfter == 0 || packets_ < options_.unplugAfter) return false;
  unplugged_ = true;
  return true;
}

}  // namespace ombrex::vkbd
