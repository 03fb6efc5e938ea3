#include "tools/preview/editor_previews.h"

#include "editors/views/vantrel_dlg_composite.h"
#include "editors/views/vantrel_dlg_profile.h"
#include "platform/key_messages.h"
#include "tools/preview/editor_stage.h"

namespace ombrex::preview {
namespace {

constexpr int kKeyA = 1058;

// A real dialog of the editors over a stage of its own.
class StagedDialog final : public PreviewWindow {
 public:
  StagedDialog(std::unique_ptr<EditorStage> stage, QString name)
      : stage_(std::move(stage)), name_(std::move(name)) {}

  EditorStage& Stage() { return *stage_; }
  void SetDialog(std::unique_ptr<CBaseDialog> dialog) { dialog_ = std::move(dialog); }
  CBaseDialog& Dialog() override { return *dialog_; }
  const QString& Name() const override { return name_; }
  QStringList Problems(const QStringList& behind) const override {
    NamedControls controls;
    for (QWidget* child : dialog_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (child->isWindow()) continue;
      const QString name =
          child->objectName().isEmpty() ? child->metaObject()->className() : child->objectName();
      controls.emplace_back(name, child);
    }
    return LayoutProblems(name_, *dialog_, controls, behind);
  }

 private:
  // The dialog goes first: it works on the stage.
  std::unique_ptr<EditorStage> stage_;
  QString name_;
  std::unique_ptr<CBaseDialog> dialog_;
};

std::unique_ptr<StagedDialog> Staged(const PreviewTexts& texts, QString name) {
  return std::make_unique<StagedDialog>(
      std::make_unique<EditorStage>(texts.ProgramFolder(), texts.LanguageIndex()), std::move(name));
}

const char* NameOf(CompositePage page) {
  switch (page) {
    case CompositePage::Key:
      return "composite-key";
    case CompositePage::Media:
      return "composite-media";
    case CompositePage::Function:
      break;
  }
  return "composite-function";
}

}  // namespace

std::unique_ptr<PreviewWindow> BuildEditorDialog(SkinPictures& pictures, const PreviewTexts& texts,
                                                 QString name,
                                                 const std::function<void(EditorStage&)>& open,
                                                 const std::function<void(EditorStage&)>& act) {
  auto preview = Staged(texts, std::move(name));
  EditorStage& stage = preview->Stage();
  open(stage);
  auto dialog = std::make_unique<Vantrel_DlgComposite>(stage.Editor(), pictures, stage.GetTexts(),
                                                       stage.Prompts(), CompositeHooks{});
  Vantrel_DlgComposite& shown = *dialog;
  preview->SetDialog(std::move(dialog));
  if (act) act(stage);
  shown.Refresh();
  return preview;
}

std::unique_ptr<PreviewWindow> BuildComposite(SkinPictures& pictures, const PreviewTexts& texts,
                                              CompositePage page) {
  return BuildEditorDialog(pictures, texts, QString::fromLatin1(NameOf(page)),
                           [page](EditorStage& stage) {
                             KeyAssignmentEditor& editor = stage.Editor();
                             editor.Open(kKeyA, 0, ProfileNumber(0));
                             switch (page) {
                               case CompositePage::Key:
                                 // Left Ctrl, pressed while the page was shown.
                                 editor.CaptureKey({0xA2, KeyMessageParam(0x01D, {})});
                                 break;
                               case CompositePage::Media:
                                 editor.ClickTab(EditorPage::Media);
                                 editor.ChooseMedia(6);
                                 break;
                               case CompositePage::Function:
                                 editor.ClickTab(EditorPage::Function);
                                 editor.ChooseFunction(4);
                                 break;
                             }
                           });
}

std::unique_ptr<PreviewWindow> BuildMacroOnly(SkinPictures& pictures, const PreviewTexts& texts) {
  return BuildEditorDialog(
      pictures, texts, QStringLiteral("composite-macro-only"), [](EditorStage& stage) {
        stage.Editor().Open(composite_control::kMacroOnly, 0, ProfileNumber(0));
        // A first macro, named as a new one is.
        stage.Editor().Macros().Add();
      });
}

std::unique_ptr<PreviewWindow> BuildProfileManager(SkinPictures& pictures,
                                                   const PreviewTexts& texts) {
  auto preview = Staged(texts, QStringLiteral("profile-manager"));
  EditorStage& stage = preview->Stage();
  auto dialog =
      std::make_unique<CVantrel_DlgProfile>(stage.Manager(), pictures, stage.GetTexts(), [] {});
  dialog->OpenList();
  preview->SetDialog(std::move(dialog));
  return preview;
}

}  // namespace ombrex::preview
