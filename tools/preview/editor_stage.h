#pragma once

// What the editors' real dialogs work on, for a picture: a virtual keyboard
// in this process, a working image, the editors' rules and texts in one
// language, all in a temporary folder of their own. The main window is
// replaced by recorders that keep nothing.

#include <memory>

#include "device/app_state.h"
#include "device/run_state.h"
#include "editors/key_assignment_editor.h"
#include "editors/macro_recorder.h"
#include "editors/profile_manager.h"
#include "editors/profile_switcher.h"
#include "model/app_settings.h"
#include "model/key_grid.h"
#include "model/keyboard_sync.h"
#include "model/workspace.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "razizid/in_process.h"
#include "resources/texts.h"
#include "tools/preview/language_texts.h"
#include "vkbd/keyboard.h"

namespace ombrex {
class DeviceLink;
}

namespace ombrex::preview {

class EditorStage {
 public:
  // `programFolder` holds the texts; the dialogs show language `languageIndex`.
  EditorStage(const std::filesystem::path& programFolder, int languageIndex);
  ~EditorStage();
  EditorStage(const EditorStage&) = delete;
  EditorStage& operator=(const EditorStage&) = delete;

  const Texts& GetTexts() const { return texts_.Get(); }
  Prompter& Prompts() { return prompter_; }
  Workspace& GetWorkspace() { return *workspace_; }
  AppState& State() { return state_; }
  ProfileManager& Manager() { return *manager_; }
  KeyAssignmentEditor& Editor() { return *editor_; }

 private:
  // The main window's parts, keeping nothing.
  class Quiet final : public KeyButtons, public ProfileSwitchHost, public PendingChanges {
   public:
    void SetAssigned(int, bool) override {}
    void SetTooltip(int, std::u16string_view) override {}
    void SetColourFrame(int, std::optional<Rgb>) override {}
    void ApplyFlip() override {}
    bool HasPendingChanges() const override { return false; }
    void SetPendingChanges(bool) override {}
    void ApplyChanges() override {}
    bool EditorOpen() const override { return false; }
    void ShowProfileMenu(const ProfileMenu&) override {}
  };

  LanguageTexts texts_;
  SilentPrompter prompter_;
  Quiet window_;
  AppState state_;
  RunState run_;
  SteadyClock clock_;
  vkbd::Keyboard keyboard_;
  razizid::InProcessLibrary library_;
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<AppSettings> settings_;
  std::unique_ptr<Workspace> workspace_;
  std::unique_ptr<KeyboardSync> sync_;
  std::unique_ptr<KeyGrid> grid_;
  std::unique_ptr<ProfileSwitcher> switcher_;
  std::unique_ptr<ProfileManager> manager_;
  std::unique_ptr<KeyAssignmentEditor> editor_;
};

}  // namespace ombrex::preview
