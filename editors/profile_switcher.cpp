#include "editors/profile_switcher.h"

#include "device/command_set.h"
#include "device/results.h"
#include "device/run_state.h"
#include "editors/profile_manager.h"
#include "model/key_grid.h"
#include "model/keyboard_sync.h"
#include "model/unapplied_edits.h"
#include "model/workspace.h"
#include "platform/prompter.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {

namespace catalogue = text_catalogue;

namespace {
// Formats with one "%s", the profile file's path.
constexpr std::u16string_view kProfileFileIsFolder = u"IDS_PROFILE_FILE_IS_FOLDER";
constexpr std::u16string_view kProfileFileForeignLink = u"IDS_PROFILE_FILE_FOREIGN_LINK";
}  // namespace

ProfileSwitcher::ProfileSwitcher(Workspace& workspace, CommandSet& commands, KeyboardSync& sync,
                                 KeyGrid& grid, const Texts& texts, Prompter& prompter,
                                 ProfileSwitchHost& host, const RunState& run,
                                 std::function<int()> bank)
    : workspace_(workspace),
      commands_(commands),
      sync_(sync),
      grid_(grid),
      texts_(texts),
      prompter_(prompter),
      host_(host),
      run_(run),
      bank_(std::move(bank)) {}

std::optional<ProfileNumber> ProfileSwitcher::CurrentProfile() {
  return commands_.ActiveProfile();
}

void ProfileSwitcher::ReloadCurrentProfile(bool keepApply) {
  workspace_.EnsureProfileFolder();
  const std::optional<ProfileNumber> current = CurrentProfile();
  const std::filesystem::path file = workspace_.ProfileFilePath();
  const bool usable = current && ProfileFileUsable(file);
  const bool built = usable && sync_.BuildImageFromKeyboard(file) == result::kOk;
  // Edits that were pending before the reload are no news to the user.
  const bool known = host_.HasPendingChanges();
  bool editsBack = false;
  {
    const auto held = workspace_.Working();
    workspace_.ClearWorkingImage();
    // A file that does not load leaves the default image behind as well.
    if (!built || workspace_.LoadImageFile(file) != ImageResult::kOk) {
      workspace_.ClearWorkingImage();
      workspace_.CreateDefaultImage({}, 0, true);
    }
    editsBack =
        unapplied_ != nullptr && unapplied_->Restore(!known) == UnappliedEdits::Restored::Edits;
    grid_.RefreshAllKeys(current.value_or(ProfileNumber(0)), bank_());
  }
  if (editsBack) {
    host_.SetPendingChanges(true);
  } else if (!keepApply) {
    host_.SetPendingChanges(false);
  }
}

bool ProfileSwitcher::ProfileFileUsable(const std::filesystem::path& file) {
  std::u16string_view problem;
  switch (workspace_.ProfileFileState()) {
    case Workspace::ProfileFileUse::kWritable:
    case Workspace::ProfileFileUse::kMissing:
      reportedProblem_ = {};
      return true;
    case Workspace::ProfileFileUse::kFolder:
      problem = kProfileFileIsFolder;
      break;
    case Workspace::ProfileFileUse::kForeignLink:
      problem = kProfileFileForeignLink;
      break;
  }
  // Said once for each thing found there, not at every arrival of the keyboard.
  if (reportedProblem_ != problem) {
    reportedProblem_ = problem;
    prompter_.ShowMessage(FormatWithText(texts_.Text(problem), file.u16string()));
  }
  return false;
}

void ProfileSwitcher::ShowProfile(ProfileNumber profile) {
  const auto held = workspace_.Working();
  grid_.RefreshAllKeys(profile, bank_());
}

bool ProfileSwitcher::HasUnappliedChanges() const {
  return host_.HasPendingChanges() || (manager_ != nullptr && manager_->ApplyEnabled());
}

void ProfileSwitcher::DropEdits() {
  host_.SetPendingChanges(false);
  if (unapplied_ != nullptr) unapplied_->Remove();
  if (!CurrentProfile()) return;
  const auto held = workspace_.Working();
  workspace_.ClearWorkingImage();
  workspace_.LoadImageFile(workspace_.ProfileFilePath());
}

bool ProfileSwitcher::SettleUnappliedChanges() {
  questionOnScreen_ = true;
  const Answer answer = prompter_.AskYesNo(texts_.Text(catalogue::kProfileSelectPrompt));
  questionOnScreen_ = false;
  // The program was told to exit while the question was up, or the question
  // was taken back: nothing more, and the edits stay.
  if (run_.ShuttingDown() || answer == Answer::Cancel) return false;
  if (answer == Answer::Yes) {
    host_.ApplyChanges();
  } else {
    DropEdits();
  }
  return true;
}

bool ProfileSwitcher::SettleMainWindowChanges() {
  if (!host_.HasPendingChanges()) return true;
  if (questionOnScreen_) return false;
  return SettleUnappliedChanges();
}

int ProfileSwitcher::SelectProfile(int index) {
  if (questionOnScreen_) return 0;
  const ProfileNumber profile = ProfileNumber::From(index).value_or(ProfileNumber(0));
  if (host_.EditorOpen()) {
    prompter_.ShowMessage(catalogue::kProfileSelectPrompt2);
    return 0;
  }
  if (HasUnappliedChanges() && !SettleUnappliedChanges()) return 0;
  const bool switched = commands_.SetActiveProfile(profile) == result::kOk;
  if (switched && manager_ != nullptr && manager_->IsOpen()) manager_->ShowSwitchedTo(profile);
  if (switched) ShowProfile(profile);
  BuildProfileMenu(false);
  return switched ? 1 : 0;
}

ProfileMenu ProfileSwitcher::BuildProfileMenu(bool /*create*/) {
  ProfileMenu menu;
  menu.items.push_back({kProfileMenuDefaultId, texts_.Text(catalogue::kDefaultProfileName)});
  menu.items.push_back({});
  // Every profile's entry names the one profile file.
  for (const ProfileNumber profile : ProfileNumber::All()) {
    menu.items.push_back({kProfileMenuFirstId + static_cast<int>(profile.Index()),
                          workspace_.ProfileFilePath().filename().u16string()});
  }
  // Positions 2..5 are the profiles; an unknown profile checks the default
  // entry rather than the separator.
  const std::optional<ProfileNumber> current = CurrentProfile();
  const std::size_t checked = current ? current->Index() + 2 : 0;
  menu.items[checked].checked = true;
  menu.caption = menu.items[checked].text;
  menu.tooltip = std::u16string(catalogue::kProfileTip) + menu.caption;
  host_.ShowProfileMenu(menu);
  return menu;
}

}  // namespace ombrex
