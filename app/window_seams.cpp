#include "app/window_seams.h"

#include "app/application.h"
#include "app/editor_dialogs.h"
#include "app/lighting_panel.h"
#include "app/lighting_panel_controls.h"
#include "app/trace_log.h"
#include "platform/text.h"
#include "resources/texts.h"
#include "widgets/skin_pictures.h"

namespace ombrex {

namespace {

// The lighting panel's controls, made with the window's layout and handed to
// the panel's rules once the program has made them.
class PanelWidgets final : public LightingPanelWidgets {
 public:
  explicit PanelWidgets(Application& app) : app_(app) {}
  ~PanelWidgets() override {
    if (controls_ == nullptr) return;
    if (LightingPanel* panel = app_.Panel()) panel->DetachView(*controls_);
  }

  void Setup(CBaseDialog& window) override {
    controls_ = std::make_unique<CLightingPanel>(window);
    controls_->CreateControls();
  }
  void Attach() override {
    if (LightingPanel* panel = app_.Panel(); panel != nullptr && controls_ != nullptr) {
      controls_->Attach(*panel);
    }
  }
  bool IsModeList(const QObject* object) const override {
    return controls_ != nullptr && controls_->IsModeList(object);
  }

 private:
  Application& app_;
  std::unique_ptr<CLightingPanel> controls_;
};

}  // namespace

bool OpenDialogPictures(const SeamContext& context, std::u16string_view dialog) {
  for (const DialogPictures& pictures : RequiredPictures()) {
    if (pictures.dialog != dialog) continue;
    const std::optional<std::filesystem::path> broken = context.pictures.LoadDialog(pictures);
    if (!broken) return true;
    context.pictures.ForgetAll();
    const Texts& texts = context.app.GetTexts();
    context.app.Prompts().ShowMessage(
        FormatWithText(texts.Text(u"IDS_MAIN_PICTURE_FAILED"), broken->u16string()));
    return false;
  }
  return false;
}

std::unique_ptr<EditorHost> MakeEditorHost(const SeamContext& context) {
  return std::make_unique<DialogEditorHost>(context);
}

std::unique_ptr<LightingPanelWidgets> MakeLightingPanelWidgets(const SeamContext& context) {
  return std::make_unique<PanelWidgets>(context.app);
}

}  // namespace ombrex
