#pragma once

// Profile switching and the profile manager over an in-process virtual
// keyboard, the main window replaced by recorders:
//
//   test::ProfileRig rig(texts);                 // the keyboard plugged, a default image
//   rig.Manager().Open();
//   rig.Keyboard().Keyboard().Snapshot();        // what the keyboard holds
//
// Every part is made fresh per rig and lives in a folder of its own.

#include <memory>

#include "device/run_state.h"
#include "editors/profile_manager.h"
#include "editors/profile_switcher.h"
#include "model/app_settings.h"
#include "model/key_grid.h"
#include "model/keyboard_sync.h"
#include "model/workspace.h"
#include "platform/settings_store.h"
#include "tests/support/core/recording_buttons.h"
#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/support/editors/recording_switch_host.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"

namespace ombrex::test {

class ProfileRig {
 public:
  explicit ProfileRig(const Texts& texts);
  ProfileRig(const ProfileRig&) = delete;
  ProfileRig& operator=(const ProfileRig&) = delete;

  VirtualKeyboardRig& Keyboard() { return keyboard_; }
  // The keyboard's own active profile (status byte 10).
  int KeyboardProfile();
  const TempDir& Folder() const { return dir_; }
  const Texts& GetTexts() const { return texts_; }
  RecordingPrompter& Prompter() { return prompter_; }
  RecordingButtons& Buttons() { return buttons_; }
  RecordingSwitchHost& Host() { return host_; }
  SettingsStore& Store() { return *store_; }
  AppSettings& Settings() { return settings_; }
  Workspace& GetWorkspace() { return workspace_; }
  KeyboardSync& Sync() { return sync_; }
  KeyGrid& Grid() { return grid_; }
  ProfileSwitcher& Switcher() { return switcher_; }
  ProfileManager& Manager() { return manager_; }
  RunState& Run() { return run_; }

  // The G-key bank the grid shows.
  int bank = 0;

 private:
  VirtualKeyboardRig keyboard_;
  TempDir dir_;
  const Texts& texts_;
  RecordingPrompter prompter_;
  RecordingButtons buttons_;
  RecordingSwitchHost host_;
  RunState run_;
  std::unique_ptr<SettingsStore> store_;
  AppSettings settings_;
  Workspace workspace_;
  KeyboardSync sync_;
  KeyGrid grid_;
  ProfileSwitcher switcher_;
  ProfileManager manager_;
};

}  // namespace ombrex::test
