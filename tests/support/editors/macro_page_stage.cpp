#include "tests/support/editors/macro_page_stage.h"

#include <cstdlib>

#include "widgets/skin_style.h"

namespace ombrex::test {

std::filesystem::path BuiltProgramFolder() {
  const char* folder = std::getenv("OMBREX_PROGRAM_DIR");
  return folder != nullptr ? folder : "";
}

MacroPageStage::MacroPageStage(std::vector<MacroRecord> macros, const MonotonicClock& clock)
    : store(OpenSettingsIn(home.path() / "config")),
      texts(BuiltProgramFolder(), *store, 0x0409),
      workspace(home.path() / "Vantrel_09A"),
      settings(*store, texts, home.path() / "Vantrel_09A"),
      pictures(BuiltProgramFolder(), 1.0),
      dialog(pictures, "Skins/Composite.ini"),
      page(workspace, settings, state, texts, prompter, clock) {
  workspace.CreateDefaultImage({}, 0, true);
  workspace.Working()->ReplaceMacros(std::move(macros));
  // The keyboard's own macro memory: 255 units of 128 bytes.
  state.macroCapacity.store(255 * 128);
  ApplySkinStyle(dialog);
  dialog.ApplySkinScreen();
  dialog.setContextMenuPolicy(Qt::NoContextMenu);
  panel.emplace(dialog, page, texts);
  page.Load();
  page.EnsureCurrent();
  panel->SetVisible(true);
  dialog.show();
}

}  // namespace ombrex::test
