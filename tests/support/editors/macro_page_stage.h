#pragma once

// The macro page's real controls on the key assignment editor's skin from the
// build's program folder, over a working image and settings of their own,
// shown and with its macros loaded:
//
//   SteadyClock clock;
//   test::MacroPageStage stage({MakeMacroRecord(1, u"m")}, clock);
//   stage.page.ToggleRecording();
//   stage.Control<CPngButton>(macro_control::kRecord);

#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

#include "device/app_state.h"
#include "editors/macro_page.h"
#include "editors/views/macro_page_panel.h"
#include "model/app_settings.h"
#include "model/workspace.h"
#include "platform/settings_store.h"
#include "resources/texts.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"
#include "widgets/base_dialog.h"
#include "widgets/skin_pictures.h"

namespace ombrex::test {

// $OMBREX_PROGRAM_DIR, where the build put the skins and language files.
std::filesystem::path BuiltProgramFolder();

class MacroPageStage {
 public:
  MacroPageStage(std::vector<MacroRecord> macros, const MonotonicClock& clock);

  template <typename Widget>
  Widget& Control(int control) {
    return *qobject_cast<Widget*>(panel->Control(control));
  }

  TempDir home;
  std::unique_ptr<SettingsStore> store;
  Texts texts;
  RecordingPrompter prompter;
  AppState state;
  Workspace workspace;
  AppSettings settings;
  SkinPictures pictures;
  CBaseDialog dialog;
  MacroPage page;
  std::optional<MacroPagePanel> panel;
};

}  // namespace ombrex::test
