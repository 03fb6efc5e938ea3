#pragma once

// The main window's commands that save and send the working image or move
// whole profile sets: Apply (button 1006, OK, the queued time change, a
// profile switch's Yes), Default (1138), the keyboard's reset follow-up
// (timer 1053), Import and Export (the button menu), and the busy indicator's
// tick (timer 1050). ApplyCommands carries them out.

namespace ombrex {

// The busy indicator's timer on the main window.
inline constexpr int kTimerBusy = 1050;

// Who asked for an Apply: a user's Apply or OK reports a failure, the queued
// time change and the keyboard's reset stay silent.
enum class ApplyOrigin { Button, Ok, TimeChange, ProfileSwitch, Defaults, KeyboardReset };

class ApplyCommandsHost {
 public:
  virtual ~ApplyCommandsHost() = default;
  virtual void ApplyChanges(ApplyOrigin origin) = 0;
  virtual void RestoreDefaults() = 0;
  virtual void ResetFromKeyboard() = 0;
  virtual void ImportFile() = 0;
  virtual void ExportFile() = 0;
  // One step of the busy indicator while an Apply runs.
  virtual void BusyTick() = 0;
};

}  // namespace ombrex
