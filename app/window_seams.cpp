#include "app/window_seams.h"

#include "app/application.h"
#include "app/trace_log.h"
#include "platform/text.h"
#include "resources/texts.h"
#include "widgets/skin_pictures.h"

namespace ombrex {

namespace {

// The key view has no panel controls.
class NoPanelWidgets final : public LightingPanelWidgets {
 public:
  void Setup(CBaseDialog&) override {}
  bool IsModeList(const QObject*) const override { return false; }
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
  return std::make_unique<TracingEditorHost>(context.trace);
}

std::unique_ptr<LightingPanelWidgets> MakeLightingPanelWidgets(const SeamContext&) {
  return std::make_unique<NoPanelWidgets>();
}

}  // namespace ombrex
