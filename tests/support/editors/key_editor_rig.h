#pragma once

// The key assignment editor on the profile rig: its macro page's clock is
// one the test moves by hand.
//
//   test::KeyEditorRig rig(texts);
//   ASSERT_TRUE(rig.Editor().Open(1058, 0, ProfileNumber(0)));   // key A
//   rig.Editor().ClickTab(EditorPage::Media);

#include <chrono>

#include "editors/key_assignment_editor.h"
#include "editors/macro_recorder.h"
#include "tests/support/editors/profile_rig.h"

namespace ombrex::test {

class ManualClock final : public MonotonicClock {
 public:
  std::chrono::steady_clock::time_point Now() const override { return now; }
  void Advance(std::chrono::milliseconds by) { now += by; }

  std::chrono::steady_clock::time_point now{std::chrono::hours(1)};
};

class KeyEditorRig : public ProfileRig {
 public:
  explicit KeyEditorRig(const Texts& texts);

  ManualClock& Clock() { return clock_; }
  KeyAssignmentEditor& Editor() { return editor_; }
  AppState& State() { return Keyboard().State(); }

 private:
  ManualClock clock_;
  KeyAssignmentEditor editor_;
};

}  // namespace ombrex::test
