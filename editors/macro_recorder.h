#pragma once

// The macro recorder: turns the key messages typed into the editor while a
// recording runs into macro actions with the pause before each.
//
//   SteadyClock clock;                  // the program's; tests pass a fake
//   MacroRecorder recorder(clock);
//   recorder.Start();
//   const RecordedKey taken = recorder.Take(key, /*realDelays=*/true, room);
//   if (taken.full) ... stop: the list has no room for this and the releases owed
//   if (taken.retract) ... take back the release recorded last (X's auto-repeat)
//   for (const MacroAction& action : taken.Actions()) page.InsertRecorded(action);
//   for (const MacroAction& release : recorder.Stop(true)) ...   // keys still down
//
// Time is honest: between two events that both carry the platform's own stamp
// (X server milliseconds, the Windows message time) the pause is the
// difference of the stamps, so a window busy drawing cannot shrink or stretch
// it; otherwise it is measured on the injected steady clock, never on a
// coarse one. A pause longer than the keyboard can play (4095 units of 10 ms)
// is recorded as that longest pause, so a row shows what the keyboard plays.
//
// A held key is one press and one release, whatever the platform makes of
// the hold. X without detectable auto-repeat sends a release and a press with
// one and the same stamp for every repeat, and the toolkit marks them only
// when it happens to see the press queued already: a press of the key just
// released, with the release's own stamp, takes that release back. A
// macro never leaves a key down either: a press is taken only while the list
// has room for it and for the release of every key then down, and Stop hands
// out those releases.
//
// Plain rules, no toolkit: the window's key filter feeds it on the UI thread.

#include <array>
#include <bitset>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/key_catalogue.h"
#include "model/macro.h"
#include "platform/key_messages.h"

namespace ombrex {

// Where the recorder's time comes from.
class MonotonicClock {
 public:
  virtual ~MonotonicClock() = default;
  virtual std::chrono::steady_clock::time_point Now() const = 0;
};

class SteadyClock final : public MonotonicClock {
 public:
  std::chrono::steady_clock::time_point Now() const override {
    return std::chrono::steady_clock::now();
  }
};

// The longest pause the keyboard plays, in milliseconds.
inline constexpr std::uint32_t kMaxRecordedDelayMs = kMaxDelayUnits * 10;
// The pause recorded for every event while real delays are off.
inline constexpr std::uint32_t kFixedRecordedDelayMs = 50;
// The pause before the press put in front of a one-shot key's lone release.
inline constexpr std::uint32_t kOneShotPressDelayMs = 2;

// What one key event gave: whether the window may see it, and the actions
// (none, one, or a one-shot key's press and release) with the delay handed
// to the action list, which gives it to the row before (the pause after that
// row's action).
struct RecordedKey {
  KeyDisposition disposition = KeyDisposition::Pass;
  std::array<MacroAction, 2> actions{};
  std::size_t count = 0;
  // The release recorded last was a repeat: it is to be taken out again.
  bool retract = false;
  // Nothing recorded: the list has no room for the event and the releases it
  // would owe. The recording should stop.
  bool full = false;

  std::span<const MacroAction> Actions() const { return {actions.data(), count}; }
};

class MacroRecorder {
 public:
  explicit MacroRecorder(const MonotonicClock& clock) : clock_(clock) {}

  // Start forgets what earlier recordings held down and starts the pause
  // before the first event.
  void Start();
  // The releases of the keys still down, in the order they went down (the
  // first with the pause since the last event, the others at once), so the
  // macro ends with every key up. Nothing once stopped.
  std::vector<MacroAction> Stop(bool realDelays);
  bool IsRecording() const { return recording_; }

  // While recording: keys without a code and media keys pass; an auto-repeat
  // (or a press of a key already held) is swallowed without an action; every
  // other key is swallowed and recorded, a release as state 1. A one-shot key
  // (Print Screen, Sys Req, the two language keys) whose release arrives
  // without a recorded press gets that press in front of it. Not recording:
  // every key passes. `room` is how many more actions the list takes.
  RecordedKey Take(const TimedKeyMessage& key, bool realDelays,
                   std::size_t room = kMaxMacroActions);
  // The keys whose press was recorded and whose release was not.
  std::size_t HeldCount() const { return heldOrder_.size(); }

 private:
  std::uint32_t PauseSinceLastEvent(std::chrono::steady_clock::time_point now,
                                    std::optional<std::uint32_t> stamp) const;
  bool IsHeld(KeyCode code) const;
  void SetHeld(KeyCode code, bool held);

  // A release recorded alone as the last event, with what the clocks said
  // before it, so that a repeat's press can take it back exactly.
  struct LastRelease {
    KeyCode code = 0;
    std::uint32_t stamp = 0;
    std::chrono::steady_clock::time_point eventBefore{};
    std::optional<std::uint32_t> stampBefore;
  };

  const MonotonicClock& clock_;
  bool recording_ = false;
  std::chrono::steady_clock::time_point lastEvent_{};
  std::optional<std::uint32_t> lastStamp_;
  std::optional<LastRelease> lastRelease_;
  // Keys whose press this recording took and whose release it has not, in
  // the order they went down.
  std::bitset<0x200> held_;
  std::vector<KeyCode> heldOrder_;
};

}  // namespace ombrex
