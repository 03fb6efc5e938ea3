#include "tools/preview/editor_stage.h"

#include <variant>

#include "device/device_link.h"
#include "device/service_library.h"

namespace ombrex::preview {

EditorStage::EditorStage(const std::filesystem::path& programFolder, int languageIndex)
    : texts_(programFolder, languageIndex), library_(keyboard_) {
  ServiceLibraryResult bound = BindServiceLibrary(library_.Functions());
  link_ = std::make_unique<DeviceLink>(std::get<ServiceLibrary>(std::move(bound)), state_);
  link_->RegisterReplyRead();
  // Where a user's profile file lives, for the lists that show it; the
  // preview never writes there.
  const std::filesystem::path profiles = "/home/user/Documents/Vantrel_09A";
  settings_ = std::make_unique<AppSettings>(texts_.Store(), texts_.Get(), profiles);
  workspace_ = std::make_unique<Workspace>(profiles);
  workspace_->CreateDefaultImage({}, 0, true);
  sync_ = std::make_unique<KeyboardSync>(*workspace_, link_->Commands(), texts_.Get(), prompter_);
  grid_ = std::make_unique<KeyGrid>(*workspace_, texts_.Get(), window_, window_);
  switcher_ =
      std::make_unique<ProfileSwitcher>(*workspace_, link_->Commands(), *sync_, *grid_,
                                        texts_.Get(), prompter_, window_, run_, [] { return 0; });
  manager_ = std::make_unique<ProfileManager>(*switcher_, *workspace_, link_->Commands(),
                                              *settings_, texts_.Get(), prompter_);
  editor_ = std::make_unique<KeyAssignmentEditor>(KeyEditorParts{
      .workspace = *workspace_,
      .grid = *grid_,
      .settings = *settings_,
      .state = state_,
      .texts = texts_.Get(),
      .prompter = prompter_,
      .changes = window_,
      .clock = clock_,
      .bank = [] { return 0; },
  });
}

EditorStage::~EditorStage() {
  editor_.reset();
  manager_.reset();
  switcher_.reset();
  link_.reset();
}

}  // namespace ombrex::preview
