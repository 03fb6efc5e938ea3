#pragma once

// Asks the X server to repeat a held key as presses alone (XKB's detectable
// auto-repeat) for as long as the object lives, and puts the server's
// earlier choice back afterwards: the toolkit's own widgets expect X's usual
// release-and-press pairs once a recording is over.
//
// Without it X repeats a held key as a release and a press with one stamp,
// which the toolkit marks as a repeat only when the press is already queued
// behind the release; on a busy machine it often is not. The recorder pairs
// such releases itself as well, for servers without XKB and for other
// platforms, where this object does nothing.

namespace ombrex {

class DetectableAutoRepeat {
 public:
  DetectableAutoRepeat();
  ~DetectableAutoRepeat();
  DetectableAutoRepeat(const DetectableAutoRepeat&) = delete;
  DetectableAutoRepeat& operator=(const DetectableAutoRepeat&) = delete;

  // Whether the server repeats keys without releases now.
  bool Active() const { return active_; }

 private:
  bool active_ = false;
  bool restoreOff_ = false;
};

}  // namespace ombrex
