#pragma once

// Edits that have not reached the keyboard survive whatever ends the program
// or interrupts an Apply. While changes are pending, a .fwc copy of the
// working image lies beside the profile file as "$Profile0.unapplied",
// rewritten atomically whenever changes become pending and before an Apply or
// Import sends its first packet. It goes once the keyboard verifiably holds
// the edits, when the user drops them, and at exit when nothing is pending
// and the last Apply or Import did not fail.
//
// When the keyboard is read again (it arrived, or the program started), a
// valid copy becomes the working image instead of what the keyboard holds:
// the edits are still pending, the next Apply sends all four profiles (what
// the keyboard got of them before the interruption is unknown), and the user
// is told once. A copy that is no valid image is set aside, never loaded.
//
// Window thread only.

#include <filesystem>

namespace ombrex {

class Workspace;

class UnappliedEdits {
 public:
  explicit UnappliedEdits(Workspace& workspace);

  std::filesystem::path File() const;
  // Where a copy that is no valid image goes.
  std::filesystem::path SetAsideFile() const;

  // The working image into the copy; false when it could not be written.
  bool Note();
  // The copy is no longer needed.
  void Remove();

  enum class Restored { Nothing, Edits, SetAside };
  // The reload's step after the keyboard was read: a valid copy becomes the
  // working image. Takes the image lock. `tell`: the user did not know of
  // them (they were not pending before), so the notice is due.
  Restored Restore(bool tell);

  // Whether the next Apply must send every profile: after edits came back,
  // and after an Apply or Import failed (what reached the keyboard of it is
  // unknown), until one succeeds.
  bool AllProfilesDue() const { return allProfilesDue_; }

  // The outcome of an Apply or Import, which sent every profile when they
  // were due: a success removes the copy.
  void Applied(bool succeeded);
  bool LastApplyFailed() const { return lastApplyFailed_; }

  // True once after a Restore brought edits back: the user is to be told.
  bool TakeRestoredNotice();

  // The program ends; `editsPending`: the window still has changes to apply.
  void AtExit(bool editsPending);

 private:
  Workspace& workspace_;
  bool allProfilesDue_ = false;
  bool lastApplyFailed_ = false;
  bool noticeDue_ = false;
};

}  // namespace ombrex
