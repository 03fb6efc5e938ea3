#pragma once

// The main window's commands that save and send the working image or move
// whole profile sets: Apply (button 1006, OK, the queued time change, a
// profile switch's Yes, the end of Default and of the keyboard's reset),
// Cancel, Default (1138), the keyboard's reset (timer 1053), Import (32776)
// and Export (32777), with the busy indicator while they work and the copy
// of unapplied edits that lets nothing be lost when they are interrupted.
//
// Apply succeeds only when the keyboard verifiably holds the change: only
// then are the pending changes cleared. A failure the user caused to happen
// (Apply, OK, Default, a switch's Yes, Import) is explained in one message,
// the download's own if it showed one; the time change and the keyboard's
// reset stay silent. After a question or a file chooser, nothing more is done
// once the shutdown began.
//
// Window thread only.

#include <cstddef>
#include <functional>
#include <string_view>

#include "app/apply_commands_host.h"
#include "device/profile_number.h"
#include "device/results.h"

namespace ombrex {

class BusyIndicator;
class CommandSet;
class KeyGrid;
class KeyboardSync;
class Prompter;
class RunState;
class Texts;
class TraceLog;
class UnappliedEdits;
class Workspace;

// What the commands need of the main window.
class ApplyCommandsWindow {
 public:
  virtual ~ApplyCommandsWindow() = default;
  virtual bool HasPendingChanges() const = 0;
  virtual void SetPendingChanges(bool pending) = 0;
  virtual void HideMainWindow() = 0;
};

// What Default and the keyboard's reset need of the lighting.
struct ApplyLighting {
  // The lighting view is shown.
  std::function<bool()> lightingView;
  // The shown profile's lighting back to its defaults.
  std::function<void()> resetLighting;
  // The six zero bytes at 18 of the shown profile's record.
  std::function<void()> clearRecordOptions;
  // Until every lighting write reached the keyboard.
  std::function<void()> flush;
};

struct ApplyCommandsParts {
  Workspace& workspace;
  KeyboardSync& sync;
  CommandSet& commands;  // the keyboard's active profile
  KeyGrid& grid;
  UnappliedEdits& unapplied;
  BusyIndicator& busy;
  const Texts& texts;
  Prompter& prompter;
  ApplyCommandsWindow& window;
  const RunState& run;
  ApplyLighting lighting;
  // The G-key bank the grid shows.
  std::function<int()> bank;
  // Where the program's --trace says which command ran; may be null.
  TraceLog* trace = nullptr;
  // After the keyboard's reset: its profile read again and shown (buttons,
  // grid, lighting); may be empty.
  std::function<void()> showKeyboardProfile;
};

class ApplyCommands final : public ApplyCommandsHost {
 public:
  explicit ApplyCommands(ApplyCommandsParts parts);

  // With pending changes: saved and sent; the pending changes cleared only
  // when the keyboard holds them. Without: the busy indicator only.
  void ApplyChanges(ApplyOrigin origin) override;
  // Apply, then the window hides.
  void Ok();
  // The window hides; the pending changes stay.
  void Cancel();
  // After the user's Yes: the current profile's keys, the six option bytes
  // of the shown lighting and, in the lighting view, the whole lighting back
  // to their defaults, then Apply.
  void RestoreDefaults() override;
  // The keyboard was reset: the window shows the profile the keyboard went
  // back to, whose keys and (in the lighting view) lighting go back to their
  // defaults, then a silent Apply.
  void ResetFromKeyboard() override;
  // A user's .fwc file becomes the working image and goes to all four
  // profiles.
  void ImportFile() override;
  // The working image into a user's .fwc file.
  void ExportFile() override;
  void BusyTick() override;

  // Changes became pending: their copy is written.
  void NoteUnappliedEdits();
  // The window is on screen: the user learns once that edits came back.
  void WindowShown();
  // The user dropped the edits not yet applied: nothing is pending and their
  // copy goes.
  void DiscardEdits();
  // The program ends: the copy of edits still pending stays for the next
  // start.
  void AtExit();

 private:
  enum class Sent { Held, KeyboardFailed, FileNotSaved };

  // Saves and sends under the image lock; true when the keyboard holds it.
  bool SaveAndSend(ApplyOrigin origin);
  bool SaveAndSendAsAsked(ApplyOrigin origin, std::size_t messagesBefore);
  // Under the image lock: commit and download, then the profile file; Held
  // when the keyboard and the file hold the working image.
  Sent Send(bool allProfiles);
  // Before an Import replaces them: false when the import is not to go on.
  bool SettleEditsBeforeImport();
  void ResetKeysAndLighting(bool clearOptions);
  void Tell(std::u16string_view textKey);
  void Trace(const char* line);
  void TellFailure(ApplyOrigin origin, std::size_t downloadMessagesBefore, Sent sent);

  ApplyCommandsParts parts_;
};

}  // namespace ombrex
