#include "model/lighting_writer.h"

#include <algorithm>

#include "device/command_set.h"

namespace ombrex {
namespace {

constexpr std::size_t kLedsPerProfile = protocol::kKeyTablePositions;
constexpr std::size_t kLedsPerWrite = protocol::kMaxKeyColourChunk / 3;
// How long a stream of changes may keep the keyboard from committing: about
// ten updates a second still read as a live preview while a slider is dragged.
constexpr auto kLongestTransfer = std::chrono::milliseconds(100);

DeviceResult FirstFailure(DeviceResult current, DeviceResult next) {
  return current != result::kOk ? current : next;
}

// Runs of set bits: calls `each(begin, length)` for every run, in order. A run
// is at most `maxRun` long and never crosses a multiple of `boundary` (the
// end of a profile's LEDs).
template <std::size_t N, typename Each>
void ForEachRun(const std::bitset<N>& bits, std::size_t maxRun, std::size_t boundary, Each&& each) {
  std::size_t at = 0;
  while (at < N) {
    if (!bits[at]) {
      ++at;
      continue;
    }
    std::size_t end = at + 1;
    while (end < N && bits[end] && end - at < maxRun && end % boundary != 0) ++end;
    each(at, end - at);
    at = end;
  }
}

}  // namespace

// What one batch sends: the dirty bytes and LEDs with their values at the
// moment the batch was taken.
struct LightingWriter::Batch {
  std::array<std::uint8_t, protocol::kSettingsSize> settings{};
  std::bitset<protocol::kSettingsSize> dirtySettings;
  std::array<std::uint8_t, protocol::kKeyColoursSize> colours{};
  std::bitset<protocol::kProfileCount * kLedsPerProfile> dirtyLeds;
};

LightingWriter::LightingWriter(CommandSet& commands)
    : commands_(commands), worker_([this] { Run(); }) {}

LightingWriter::~LightingWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  worker_.join();
}

bool LightingWriter::WriteSettings(std::size_t address, std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || address > settings_.size() || bytes.size() > settings_.size() - address) {
    return false;
  }
  {
    std::lock_guard lock(mutex_);
    std::copy(bytes.begin(), bytes.end(), settings_.begin() + address);
    for (std::size_t i = 0; i < bytes.size(); ++i) dirtySettings_.set(address + i);
  }
  wake_.notify_one();
  return true;
}

bool LightingWriter::WriteKeyColours(ProfileNumber profile, int led,
                                     std::span<const std::uint8_t> colours) {
  if (led < 0 || colours.empty() || colours.size() % 3 != 0) return false;
  const std::size_t count = colours.size() / 3;
  if (static_cast<std::size_t>(led) + count > kLedsPerProfile) return false;
  const std::size_t first = profile.Index() * kLedsPerProfile + static_cast<std::size_t>(led);
  {
    std::lock_guard lock(mutex_);
    std::copy(colours.begin(), colours.end(), colours_.begin() + 3 * first);
    for (std::size_t i = 0; i < count; ++i) dirtyLeds_.set(first + i);
  }
  wake_.notify_one();
  return true;
}

bool LightingWriter::Idle() const {
  return !inFlight_ && dirtySettings_.none() && dirtyLeds_.none();
}

DeviceResult LightingWriter::Flush() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return Idle() || stopping_; });
  return std::exchange(firstFailure_, result::kOk);
}

std::optional<DeviceResult> LightingWriter::FlushFor(std::chrono::milliseconds bound) {
  std::unique_lock lock(mutex_);
  if (!idle_.wait_for(lock, bound, [this] { return Idle() || stopping_; })) return std::nullopt;
  return std::exchange(firstFailure_, result::kOk);
}

std::uint64_t LightingWriter::Batches() const {
  std::lock_guard lock(mutex_);
  return batches_;
}

void LightingWriter::TakeDirty(Batch& batch) {
  batch.settings = settings_;
  batch.dirtySettings = std::exchange(dirtySettings_, {});
  batch.colours = colours_;
  batch.dirtyLeds = std::exchange(dirtyLeds_, {});
}

void LightingWriter::Run() {
  Batch batch;
  std::unique_lock lock(mutex_);
  while (true) {
    wake_.wait(lock, [this] { return stopping_ || dirtySettings_.any() || dirtyLeds_.any(); });
    if (stopping_) break;
    inFlight_ = true;
    lock.unlock();
    const DeviceResult sent = SendTransfer(batch, lock);
    inFlight_ = false;
    ++batches_;
    firstFailure_ = FirstFailure(firstFailure_, sent);
    if (Idle()) idle_.notify_all();
  }
  // A flush waiting now would wait for ever.
  idle_.notify_all();
}

// The keyboard commits a transfer only a pause after its last write, and any
// write restarts that pause. A change that comes during the pause is written
// at once in the same transfer: it then reaches the keyboard one pause after
// it was made instead of after the rest of this transfer and all of the next.
// Changes that keep coming would hold the commit back for ever, so a transfer
// open longer than kLongestTransfer takes no more of them.
DeviceResult LightingWriter::SendTransfer(Batch& batch, std::unique_lock<std::mutex>& lock) {
  auto session = commands_.Session();
  const auto opened = std::chrono::steady_clock::now();
  DeviceResult outcome = commands_.BeginTransfer();
  lock.lock();
  std::chrono::steady_clock::time_point lastWrite;
  while (true) {
    TakeDirty(batch);
    lock.unlock();
    outcome = FirstFailure(outcome, SendWrites(batch));
    lastWrite = std::chrono::steady_clock::now();
    lock.lock();
    if (stopping_ || lastWrite - opened >= kLongestTransfer) break;
    const bool more = wake_.wait_until(lock, lastWrite + commands_.EndTransferPause(), [this] {
      return stopping_ || dirtySettings_.any() || dirtyLeds_.any();
    });
    if (!more || stopping_) break;
  }
  lock.unlock();
  outcome = FirstFailure(outcome, commands_.EndTransfer(lastWrite));
  lock.lock();
  return outcome;
}

DeviceResult LightingWriter::SendWrites(const Batch& batch) {
  DeviceResult outcome = result::kOk;
  // Settings runs may be any length: the command set cuts them into packets.
  ForEachRun(batch.dirtySettings, batch.settings.size(), batch.settings.size(),
             [&](std::size_t at, std::size_t length) {
               const auto bytes = std::span(batch.settings).subspan(at, length);
               outcome = FirstFailure(
                   outcome, commands_.WriteSettings(bytes, static_cast<std::uint16_t>(at)));
             });
  ForEachRun(
      batch.dirtyLeds, kLedsPerWrite, kLedsPerProfile, [&](std::size_t at, std::size_t length) {
        const auto profile = ProfileNumber::From(at / kLedsPerProfile);
        const auto bytes = std::span(batch.colours).subspan(3 * at, 3 * length);
        outcome = FirstFailure(
            outcome,
            commands_.WriteKeyColours(bytes, *profile, static_cast<int>(at % kLedsPerProfile)));
      });
  return outcome;
}

}  // namespace ombrex
