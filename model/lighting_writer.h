#pragma once

// Lighting writes that never make the window wait for the keyboard. A slider
// drag, a wheel spin or fast painting changes the same few bytes many times a
// second; sending each change as its own begin / write / end transaction
// would queue far more packets than the keyboard answers in that time, and a
// silent keyboard would hold the window for seconds per change.
//
// The writer keeps the bytes the keyboard should hold (the settings memory
// and the key colours of all four profiles) with a dirty mark per byte and
// per LED. A write stores the bytes, marks them and returns at once. One
// worker thread sends whatever is dirty as one batch: a begin, one write per
// run of dirty settings bytes and one per run of up to 18 dirty LEDs (in
// address order), an end, all under CommandSet::Session() so no other
// packets fall between them. A byte changed during the pause the keyboard
// needs before the end is written in the same batch; one changed later is
// marked again and goes in the next batch, with its latest value only.
//
//   LightingWriter writer(commands);
//   writer.WriteSettings(64 + 1, brightness);   // profile 1, byte 1: returns at once
//   ...
//   if (writer.Flush() != result::kOk) ...      // all sent; the first failure since the last Flush
//
// Flush and FlushFor wait for the worker: never call them while holding the
// command set's session (the worker needs it to send). Results of single
// writes are not looked at by the panel (a failed write leaves the keyboard
// as it was); Flush reports them to those who care (the command-line tool,
// Apply).
//
// Thread-safe: every member may be called from any thread.

#include <array>
#include <bitset>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <thread>

#include "device/profile_number.h"
#include "device/protocol.h"
#include "device/results.h"

namespace ombrex {

class CommandSet;

class LightingWriter {
 public:
  explicit LightingWriter(CommandSet& commands);
  // Stops the worker after the batch in flight; whatever is still dirty is
  // not sent (shut down with FlushFor first).
  ~LightingWriter();
  LightingWriter(const LightingWriter&) = delete;
  LightingWriter& operator=(const LightingWriter&) = delete;

  // Bytes at a settings address (profile p's record starts at p * 64). False,
  // and nothing queued, when they do not fit the settings memory or are empty.
  bool WriteSettings(std::size_t address, std::span<const std::uint8_t> bytes);
  // Colours (three bytes an LED) from LED `led` of a profile. False, and
  // nothing queued, when they would run past the profile's 64 LEDs.
  bool WriteKeyColours(ProfileNumber profile, int led, std::span<const std::uint8_t> colours);

  // Waits until nothing is dirty or in flight; the first failure of any batch
  // since the last flush, kOk when there was none. Then starts counting anew.
  DeviceResult Flush();
  // Flush giving up after `bound` (a keyboard that stopped answering takes
  // seconds per packet): nullopt when the writer was still busy, and the
  // failures stay for the next flush.
  std::optional<DeviceResult> FlushFor(std::chrono::milliseconds bound);

  // Batches sent since the writer was made (each one begin...end).
  std::uint64_t Batches() const;

 private:
  struct Batch;

  void Run();
  // With mutex_ held: takes every dirty byte and LED into `batch`.
  void TakeDirty(Batch& batch);
  // One begin...end; `lock` (on mutex_) is released on entry, held on return.
  DeviceResult SendTransfer(Batch& batch, std::unique_lock<std::mutex>& lock);
  DeviceResult SendWrites(const Batch& batch);
  bool Idle() const;

  CommandSet& commands_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::array<std::uint8_t, protocol::kSettingsSize> settings_{};
  std::bitset<protocol::kSettingsSize> dirtySettings_;
  std::array<std::uint8_t, protocol::kKeyColoursSize> colours_{};
  std::bitset<protocol::kProfileCount * protocol::kKeyTablePositions> dirtyLeds_;
  bool inFlight_ = false;
  bool stopping_ = false;
  DeviceResult firstFailure_ = DeviceResult::kOk;
  std::uint64_t batches_ = 0;

  std::thread worker_;
};

}  // namespace ombrex
