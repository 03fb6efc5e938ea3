#include "app/window_seams.h"

namespace ombrex {

namespace {

// The key view has no panel controls.
class NoPanelWidgets final : public LightingPanelWidgets {
 public:
  void Setup(CBaseDialog&) override {}
  bool IsModeList(const QObject*) const override { return false; }
};

}  // namespace

std::unique_ptr<EditorHost> MakeEditorHost(const SeamContext& context) {
  return std::make_unique<TracingEditorHost>(context.trace);
}

std::unique_ptr<LightingPanelWidgets> MakeLightingPanelWidgets(const SeamContext&) {
  return std::make_unique<NoPanelWidgets>();
}

}  // namespace ombrex
