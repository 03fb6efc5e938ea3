#include "editors/macro_recorder.h"

#include <algorithm>

#include "model/key_entry.h"

namespace ombrex {

void MacroRecorder::Start() {
  recording_ = true;
  lastEvent_ = clock_.Now();
  lastStamp_.reset();
  lastRelease_.reset();
  held_.reset();
  heldOrder_.clear();
}

std::vector<MacroAction> MacroRecorder::Stop(bool realDelays) {
  std::vector<MacroAction> releases;
  if (!recording_) return releases;
  recording_ = false;
  std::uint32_t pause =
      realDelays ? PauseSinceLastEvent(clock_.Now(), std::nullopt) : kFixedRecordedDelayMs;
  for (const KeyCode code : heldOrder_) {
    releases.push_back(MacroAction{pause, code, 1});
    if (realDelays) pause = 0;
  }
  held_.reset();
  heldOrder_.clear();
  lastRelease_.reset();
  return releases;
}

bool MacroRecorder::IsHeld(KeyCode code) const {
  return code < held_.size() && held_.test(code);
}

void MacroRecorder::SetHeld(KeyCode code, bool held) {
  if (code >= held_.size() || held_.test(code) == held) return;
  held_.set(code, held);
  if (held) {
    heldOrder_.push_back(code);
  } else {
    std::erase(heldOrder_, code);
  }
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

RecordedKey MacroRecorder::Take(const TimedKeyMessage& key, bool realDelays, std::size_t room) {
  RecordedKey taken;
  if (!recording_) return taken;
  const KeyCode code = CodeFromKeyMessage(key.message.vk, key.message.param);
  if (code == 0 || IsMediaKeyCode(code)) return taken;
  taken.disposition = KeyDisposition::Swallow;
  const bool release = key.message.IsRelease();
  if (!release && (key.message.IsRepeat() || IsHeld(code))) return taken;

  // No hand releases and presses a key within the same millisecond: the pair
  // is the server repeating a key that is still down.
  if (!release && lastRelease_ && lastRelease_->code == code && key.stampMs &&
      *key.stampMs == lastRelease_->stamp) {
    taken.retract = true;
    lastEvent_ = lastRelease_->eventBefore;
    lastStamp_ = lastRelease_->stampBefore;
    lastRelease_.reset();
    SetHeld(code, true);
    return taken;
  }

  const bool oneShotPress = release && IsOneShotKey(code) && !IsHeld(code);
  const std::size_t count = oneShotPress ? 2 : 1;
  const std::size_t owedAfter = HeldCount() + (release ? 0 : 1) - (release && IsHeld(code) ? 1 : 0);
  if (count + owedAfter > room) {
    taken.full = true;
    return taken;
  }

  const auto now = clock_.Now();
  const std::uint32_t pause =
      realDelays ? PauseSinceLastEvent(now, key.stampMs) : kFixedRecordedDelayMs;
  // Windows delivers only the release of these keys; where the platform does
  // deliver the press (Print Screen on Linux) nothing is put in front.
  if (oneShotPress) {
    taken.actions[taken.count++] =
        MacroAction{realDelays ? kOneShotPressDelayMs : kFixedRecordedDelayMs, code, 0};
  }
  taken.actions[taken.count++] =
      MacroAction{pause, code, static_cast<std::uint16_t>(release ? 1 : 0)};
  SetHeld(code, !release);
  lastRelease_.reset();
  if (release && count == 1 && key.stampMs) {
    lastRelease_ = LastRelease{code, *key.stampMs, lastEvent_, lastStamp_};
  }
  lastEvent_ = now;
  lastStamp_ = key.stampMs;
  return taken;
}

}  // namespace ombrex
