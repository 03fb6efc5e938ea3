#pragma once

// The Apply commands with everything they work with, over one keyboard and
// one profile folder, the window, the lighting and the busy indicator's view
// replaced by recorders: one "program" a test can make, drop and make again
// as a restart would.

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "app/apply_commands.h"
#include "app/busy_indicator.h"
#include "device/command_set.h"
#include "device/run_state.h"
#include "editors/profile_switcher.h"
#include "model/key_grid.h"
#include "model/keyboard_sync.h"
#include "model/unapplied_edits.h"
#include "model/workspace.h"
#include "tests/support/core/small_texts.h"
#include "tests/support/recording_prompter.h"

namespace ombrex::test {

inline constexpr std::string_view kApplyTextLines =
    "IDS_MAIN_PROMPT_DEFAULT=Reset?\n"
    "IDS_MAIN_PROMPT_INPORT=Not imported\n"
    "IDS_MAIN_PROMPT_APPLY_FAILED=Apply failed\n"
    "IDS_MAIN_PROMPT_EXPORT_FAILED=Not saved to %s\n"
    "IDS_MAIN_PROMPT_UNAPPLIED=Edits are back\n"
    "IDS_MAIN_PROMPT_PROFILE_NOT_SAVED=File not saved: %s\n"
    "IDS_MACRO_OVER=Macros too large\n"
    "IDS_MAIN_DEVICE_PROMRT=No keyboard\n";

inline KeyEntry MakeEntry(AssignKind kind, std::uint32_t value = 0) {
  KeyEntry entry;
  entry.kind = static_cast<std::uint16_t>(kind);
  entry.value = value;
  return entry;
}

class MarkButtons : public KeyButtons {
 public:
  void SetAssigned(int button, bool assigned) override { marks[button] = assigned; }
  void SetTooltip(int, std::u16string_view) override {}
  void SetColourFrame(int, std::optional<Rgb>) override {}
  void ApplyFlip() override {}
  std::map<int, bool> marks;
};

// The window's Apply button. As the program's window, it notes the edits
// whenever changes become pending; it serves the profile switching too.
class ApplyWindow : public ApplyCommandsWindow, public ProfileSwitchHost, public PendingChanges {
 public:
  bool HasPendingChanges() const override { return pending; }
  void SetPendingChanges(bool value) override {
    pending = value;
    if (value && commands != nullptr) commands->NoteUnappliedEdits();
  }
  void HideMainWindow() override { ++hides; }
  void ApplyChanges() override {
    if (commands != nullptr) commands->ApplyChanges(ApplyOrigin::ProfileSwitch);
  }
  bool EditorOpen() const override { return false; }
  void ShowProfileMenu(const ProfileMenu&) override {}

  ApplyCommands* commands = nullptr;
  bool pending = false;
  int hides = 0;
};

class RecordingBusyView : public BusyIndicatorView {
 public:
  void ShowBusyFrame(int frame) override {
    frames.push_back(frame);
    shown = true;
  }
  void HideBusy() override {
    shown = false;
    ++hides;
  }
  void SetBusyTicking(bool on) override { ticking = on; }
  std::vector<int> frames;
  bool shown = false;
  bool ticking = false;
  int hides = 0;
};

// A prompter whose file chooser can run something while it is open.
class ChooserPrompter : public RecordingPrompter {
 public:
  std::optional<std::filesystem::path> ChooseOpenFile(const FileDialogOptions& options) override {
    if (whileChoosing) whileChoosing();
    return RecordingPrompter::ChooseOpenFile(options);
  }
  std::function<void()> whileChoosing;
};

struct ApplyProgram {
  ApplyProgram(CommandSet& keyboard, const std::filesystem::path& profileFolder)
      : texts(kApplyTextLines),
        workspace(profileFolder),
        sync(workspace, keyboard, texts.Get(), prompter),
        grid(workspace, texts.Get(), buttons, window),
        unapplied(workspace),
        busy([this] { return now += std::chrono::milliseconds(20); }),
        commands(ApplyCommandsParts{.workspace = workspace,
                                    .sync = sync,
                                    .commands = keyboard,
                                    .grid = grid,
                                    .unapplied = unapplied,
                                    .busy = busy,
                                    .texts = texts.Get(),
                                    .prompter = prompter,
                                    .window = window,
                                    .run = run,
                                    .lighting = {.lightingView = [this] { return lightingView; },
                                                 .resetLighting = [this] { ++lightingResets; },
                                                 .clearRecordOptions = [this] { ++optionClears; },
                                                 .flush = [this] { ++flushes; }},
                                    .bank = [] { return 0; }}),
        switcher(workspace, keyboard, sync, grid, texts.Get(), prompter, window, run,
                 [] { return 0; }) {
    window.commands = &commands;
    busy.AttachView(&view);
    switcher.AttachUnappliedEdits(&unapplied);
    workspace.CreateDefaultImage({}, 0, true);
  }

  // A key changed in the working image, as an editor stores it.
  void Edit(ProfileNumber profile, int slot, const KeyEntry& entry) {
    workspace.StoreEntry(profile, slot, entry);
    window.SetPendingChanges(true);
  }
  std::vector<std::u16string> Messages() const {
    std::vector<std::u16string> texts;
    for (const auto& message : prompter.messages) texts.push_back(message.text);
    return texts;
  }

  SmallTexts texts;
  ChooserPrompter prompter;
  MarkButtons buttons;
  ApplyWindow window;
  RunState run;
  Workspace workspace;
  KeyboardSync sync;
  KeyGrid grid;
  UnappliedEdits unapplied;
  std::chrono::steady_clock::time_point now{};
  BusyIndicator busy;
  RecordingBusyView view;
  bool lightingView = false;
  int lightingResets = 0;
  int optionClears = 0;
  int flushes = 0;
  ApplyCommands commands;
  ProfileSwitcher switcher;
};

}  // namespace ombrex::test
