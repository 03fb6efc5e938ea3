#pragma once

// The main window as the profile switching and the editors see it: its Apply
// button (pending changes), its Apply command, whether an editor is open, and
// the Profiles button's menu, all recorded.

#include <functional>

#include "editors/profile_switcher.h"
#include "model/key_buttons.h"

namespace ombrex::test {

class RecordingSwitchHost : public ProfileSwitchHost, public PendingChanges {
 public:
  bool HasPendingChanges() const override { return pending; }
  void SetPendingChanges(bool value) override { pending = value; }
  void ApplyChanges() override {
    ++applies;
    if (onApply) onApply();
  }
  bool EditorOpen() const override { return editorOpen; }
  void ShowProfileMenu(const ProfileMenu& shown) override { menu = shown; }

  bool pending = false;
  bool editorOpen = false;
  int applies = 0;
  std::function<void()> onApply;
  ProfileMenu menu;
};

}  // namespace ombrex::test
