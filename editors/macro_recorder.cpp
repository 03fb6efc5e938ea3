#include "editors/macro_recorder.h"

#include <algorithm>

#include "model/key_entry.h"

namespace ombrex {

void MacroRecorder::Start() {
  recording_ = true;
  lastEvent_ = clock_.Now();
  lastStamp_.reset();
  held_.reset();
}

void MacroRecorder::Stop() {
  recording_ = false;
}

bool MacroRecorder::IsHeld(KeyCode code) const {
  return code < held_.size() && held_.test(code);
}

void MacroRecorder::SetHeld(KeyCode code, bool held) {
  if (code < held_.size()) held_.set(code, held);
}

std::uint32_t MacroRecorder::PauseSinceLastEvent(std::chrono::steady_clock::time_point now,
                                                 std::optional<std::uint32_t> stamp) const {
  std::uint64_t pause = 0;
  if (stamp && lastStamp_) {
    // The platform's stamps wrap at 2^32 ms; the difference does not.
    pause = static_cast<std::uint32_t>(*stamp - *lastStamp_);
  } else if (now > lastEvent_) {
    pause = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now - lastEvent_).count());
  }
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(pause, kMaxRecordedDelayMs));
}

RecordedKey MacroRecorder::Take(const TimedKeyMessage& key, bool realDelays) {
  RecordedKey taken;
  if (!recording_) return taken;
  const KeyCode code = CodeFromKeyMessage(key.message.vk, key.message.param);
  if (code == 0 || IsMediaKeyCode(code)) return taken;
  taken.disposition = KeyDisposition::Swallow;
  const bool release = key.message.IsRelease();
  if (!release && (key.message.IsRepeat() || IsHeld(code))) return taken;

  const auto now = clock_.Now();
  const std::uint32_t pause =
      realDelays ? PauseSinceLastEvent(now, key.stampMs) : kFixedRecordedDelayMs;
  // Windows delivers only the release of these keys; where the platform does
  // deliver the press (Print Screen on Linux) nothing is put in front.
  if (release && IsOneShotKey(code) && !IsHeld(code)) {
    taken.actions[taken.count++] =
        MacroAction{realDelays ? kOneShotPressDelayMs : kFixedRecordedDelayMs, code, 0};
  }
  taken.actions[taken.count++] =
      MacroAction{pause, code, static_cast<std::uint16_t>(release ? 1 : 0)};
  SetHeld(code, !release);
  lastEvent_ = now;
  lastStamp_ = key.stampMs;
  return taken;
}

}  // namespace ombrex
