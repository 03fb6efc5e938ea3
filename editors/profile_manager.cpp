#include "editors/profile_manager.h"

#include "device/command_set.h"
#include "editors/profile_switcher.h"
#include "model/app_settings.h"
#include "model/workspace.h"
#include "platform/prompter.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {

namespace {

constexpr std::u16string_view kFilter = u"(*.fwc)|*.fwc|(*.*)|*.*||";

std::u16string FolderWithSeparator(const std::filesystem::path& file) {
  std::u16string folder = file.parent_path().u16string();
  folder += static_cast<char16_t>(std::filesystem::path::preferred_separator);
  return folder;
}

}  // namespace

ProfileManager::ProfileManager(ProfileSwitcher& switcher, Workspace& workspace,
                               CommandSet& commands, AppSettings& settings, const Texts& texts,
                               Prompter& prompter)
    : switcher_(switcher),
      workspace_(workspace),
      commands_(commands),
      settings_(settings),
      texts_(texts),
      prompter_(prompter) {
  switcher_.AttachManager(this);
}

ProfileManager::~ProfileManager() {
  switcher_.AttachManager(nullptr);
}

void ProfileManager::SetMainApplyDisabler(std::function<void()> disable) {
  disableMainApply_ = std::move(disable);
}

void ProfileManager::AppendRow(const std::filesystem::path& file) {
  rows_.push_back({file.stem().u16string(), FolderWithSeparator(file), std::nullopt});
}

void ProfileManager::Open() {
  ++openCount_;
  made_.clear();
  rows_.clear();
  const std::filesystem::path file = workspace_.ProfileFilePath();
  for (const ProfileNumber profile : ProfileNumber::All()) {
    // The profile file has no extension: the whole file name is the name.
    rows_.push_back({file.filename().u16string(), FolderWithSeparator(file), profile});
  }
  const std::optional<ProfileNumber> current = commands_.ActiveProfile();
  checked_ = current ? static_cast<int>(current->Index()) : -1;
  applyEnabled_ = false;
}

bool ProfileManager::Add() {
  workspace_.EnsureProfileFolder();
  FileDialogOptions options;
  options.defaultExtension = u"fwc";
  options.filter = std::u16string(kFilter);
  options.overwritePrompt = true;
  // The catalogue's name starts with a Windows separator; the folder's own
  // separator takes its place.
  std::u16string_view name = text_catalogue::kProfileNew;
  if (!name.empty() && name.front() == u'\\') name.remove_prefix(1);
  options.initialName = (workspace_.ProfileFolder() / std::filesystem::path(name)).u16string();
  const std::optional<std::filesystem::path> file = prompter_.ChooseSaveFile(options);
  if (!file) return false;
  // A file the user chose to overwrite was theirs: Cancel leaves it.
  std::error_code error;
  const bool existed = std::filesystem::exists(*file, error);
  if (workspace_.CreateDefaultImage(*file, 0, false) != ImageResult::kOk) {
    prompter_.ShowMessage(
        FormatWithText(texts_.Text(u"IDS_PROFILE_ADD_FAILED"), file->u16string()));
    return false;
  }
  if (!existed) made_.push_back(*file);
  AppendRow(*file);
  applyEnabled_ = true;
  return true;
}

bool ProfileManager::Load() {
  workspace_.EnsureProfileFolder();
  FileDialogOptions options;
  options.defaultExtension = u"fwc";
  options.filter = std::u16string(kFilter);
  options.initialName = (workspace_.ProfileFolder() / "*.fwc").u16string();
  const std::optional<std::filesystem::path> file = prompter_.ChooseOpenFile(options);
  if (!file) return false;
  AppendRow(*file);
  applyEnabled_ = true;
  return true;
}

int ProfileManager::Delete(int row) {
  const int count = static_cast<int>(rows_.size());
  if (row < 0 || row >= count) return -1;
  rows_.erase(rows_.begin() + row);
  if (checked_ == row) {
    checked_ = -1;
  } else if (checked_ > row) {
    --checked_;
  }
  applyEnabled_ = true;
  // The row that took the deleted one's place, else the one before it.
  return row < count - 1 ? row : row - 1;
}

int ProfileManager::Remove(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return -1;
  const std::u16string& name = rows_[static_cast<std::size_t>(row)].name;
  const Answer answer =
      prompter_.AskYesNo(FormatWithText(texts_.Text(text_catalogue::kProfileRemoveConfirm), name));
  return answer == Answer::Yes ? Delete(row) : row;
}

void ProfileManager::Check(int row) {
  checked_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
  applyEnabled_ = true;
}

bool ProfileManager::Apply() {
  // The reload below replaces the working image.
  if (!switcher_.SettleMainWindowChanges()) return false;
  std::vector<std::u16string> paths;
  for (const ProfileRow& row : rows_) paths.push_back(row.folder + row.name + u".fwc");
  const bool stored = settings_.StoreProfileList(paths);
  // A file the user added and no checked row name no profile of the
  // keyboard: nothing is switched then.
  if (checked_ >= 0 && rows_[static_cast<std::size_t>(checked_)].profile) {
    commands_.SetActiveProfile(*rows_[static_cast<std::size_t>(checked_)].profile);
  }
  switcher_.ReloadCurrentProfile(false);
  switcher_.BuildProfileMenu(false);
  applyEnabled_ = false;
  if (disableMainApply_) disableMainApply_();
  if (afterSwitch_) afterSwitch_();
  // The list names them now.
  if (stored) made_.clear();
  return stored;
}

bool ProfileManager::Ok() {
  const bool stored = Apply();
  Close();
  return stored;
}

void ProfileManager::Cancel() {
  for (const std::filesystem::path& file : made_) {
    std::error_code error;
    std::filesystem::remove(file, error);
  }
  made_.clear();
  Close();
}

void ProfileManager::Close() {
  if (openCount_ > 0) --openCount_;
  applyEnabled_ = false;
}

void ProfileManager::ShowSwitchedTo(ProfileNumber profile) {
  checked_ = -1;
  for (std::size_t row = 0; row < rows_.size(); ++row) {
    if (rows_[row].profile == profile) {
      checked_ = static_cast<int>(row);
      break;
    }
  }
  applyEnabled_ = false;
}

}  // namespace ombrex
