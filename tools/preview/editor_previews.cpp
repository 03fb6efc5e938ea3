#include "tools/preview/editor_previews.h"

#include <QFont>
#include <string>
#include <vector>

#include "editors/views/vantrel_dlg_profile.h"
#include "model/key_entry.h"
#include "tools/preview/editor_stage.h"
#include "widgets/skin_pictures.h"

namespace ombrex::preview {
namespace {

EditorPictureSet SetOf(CompositePage page) {
  switch (page) {
    case CompositePage::Key:
      return EditorPictureSet::Key;
    case CompositePage::Macro:
      return EditorPictureSet::Macro;
    case CompositePage::Media:
      return EditorPictureSet::Media;
    case CompositePage::Function:
      break;
  }
  return EditorPictureSet::Function;
}

const char* PageName(CompositePage page) {
  switch (page) {
    case CompositePage::Key:
      return "key";
    case CompositePage::Macro:
      return "macro";
    case CompositePage::Media:
      return "media";
    case CompositePage::Function:
      break;
  }
  return "function";
}

void PlaceButtons(PreviewDialog& preview, const ButtonPictures& faces,
                  const ButtonPictures& macroOnlyFaces, bool macroOnly, CompositePage page) {
  const PreviewTexts& texts = preview.Texts();
  // The page area first: it lies behind the page's controls.
  preview.ImageButton(u"CONTROL_MASK", 1033, faces);
  const ButtonPictures& heading = macroOnly ? macroOnlyFaces : faces;
  preview.ImageButton(u"CONTROL_TITLE", 1131, heading);
  preview.ImageButton(u"CONTROL_OSK", 1132, faces);
  const QString noText;
  struct Tab {
    std::u16string_view key;
    int id;
    std::u16string_view text;
    CompositePage page;
  };
  for (const Tab& tab :
       {Tab{u"CONTROL_KEY", 1028, u"IDS_COMPOSITE_SELECT_KEY", CompositePage::Key},
        Tab{u"CONTROL_MACRO", 1029, u"IDS_COMPOSITE_SELECT_MACRO", CompositePage::Macro},
        Tab{u"CONTROL_MEDIA", 1030, u"IDS_COMPOSITE_SELECT_MEDIA", CompositePage::Media},
        Tab{u"CONTROL_FUNCTION", 1031, u"IDS_COMPOSITE_SELECT_FUNCTION",
            CompositePage::Function}}) {
    const bool locked = macroOnly && tab.page != CompositePage::Macro;
    CPngButton& button = preview.ImageButton(tab.key, tab.id, locked ? macroOnlyFaces : faces,
                                             locked ? noText : texts.Text(tab.text));
    button.setEnabled(!locked);
    button.SetSelected(tab.page == page);
  }
  preview
      .ImageButton(u"CONTROL_CLEAR", 1032, macroOnly ? macroOnlyFaces : faces,
                   texts.Text(u"IDS_KEYBOARD_MARCO_RESET"))
      .setEnabled(!macroOnly);
  preview.ImageButton(u"CONTROL_OK", 1, faces, texts.Text(u"IDS_COMPOSITE_OK"));
  preview.ImageButton(u"CONTROL_CANCEL", 2, faces, texts.Text(u"IDS_COMPOSITE_CANCEL"));
  preview.ImageButton(u"CONTROL_APPLY", 1015, faces).setEnabled(false);
}

void PlaceKeyPage(PreviewDialog& preview) {
  const PreviewTexts& texts = preview.Texts();
  preview.Label(u"TISHI_SINGLE_STATIC", texts.Text(u"IDS_KEYBOARD_KEY_SINGLE"));
  preview.CheckBox(u"FUNC_KEY_RADIO_KB", true);
  preview.Label(u"FUNC_KEY_RADIO_KB_STATIC", texts.Text(u"IDS_MACRO_KB_KEY"));
  QLineEdit& captured = preview.Edit(u"FUNC_KEY_INPUT", texts.KeyName(0x01D), false);
  captured.setReadOnly(true);
  QFont big(QStringLiteral("DejaVu Sans"));
  big.setPixelSize(22);
  captured.setFont(big);
  preview.CheckBox(u"FUNC_KEY_RADIO_MOU", false);
  preview.Label(u"FUNC_KEY_RADIO_MOU_STATIC", texts.Text(u"IDS_MACRO_MOU_KEY"));
  preview
      .DropDown(
          u"FUNC_MOUSE_SELECT",
          {QStringLiteral("Left Button"), QStringLiteral("Right Button"),
           QStringLiteral("Middle Button"), QStringLiteral("Roll Up"), QStringLiteral("Roll Down")},
          false)
      .setEnabled(false);
}

void PlaceMacroPage(PreviewDialog& preview, const ButtonPictures& faces) {
  const PreviewTexts& texts = preview.Texts();
  preview.Label(u"MARCO_NAME_SETTING", texts.Text(u"IDS_MACRO_NAME"));
  preview.DropDown(u"FUNC_MACRO_LIST", {texts.Text(u"IDS_MACRO_NEW_PREFIX") + QStringLiteral("1")},
                   true);
  preview.ImageButton(u"FUNC_MACRO_ADD", 1017, faces);
  preview.ImageButton(u"FUNC_MACRO_DELETE", 1018, faces);
  preview.Label(u"FUNC_MACRO_CYCLES_PROMPT", texts.Text(u"IDS_MACRO_CYCLES"));
  preview.Edit(u"FUNC_MACRO_CYCLES", QStringLiteral("1"), true);
  CReportCtrl& actions = preview.List(u"FUNC_MACRO_LIST2");
  actions.SetColumns({{u"", 100}, {u"", 100}, {u"", 100}});
  actions.SetColumnHeader(0, texts.Text(u"IDS_MACRO_MACRO_ACTION_COLUME_KEYS").toStdU16String());
  actions.SetColumnHeader(1, texts.Text(u"IDS_MACRO_MACRO_ACTION_COLUME_ACTION").toStdU16String());
  actions.SetColumnHeader(2, texts.Text(u"IDS_MACRO_MACRO_ACTION_COLUME_DELAY").toStdU16String());
  struct Row {
    KeyCode key;
    bool up;
    const char16_t* delay;
  };
  for (const Row& row : {Row{0x01D, false, u"50"}, Row{0x02E, false, u"120"},
                         Row{0x02E, true, u"50"}, Row{0x01D, true, u"0"}}) {
    const int index = actions.AppendItem(
        {preview.Texts().KeyName(row.key).toStdU16String(), row.up ? u"  ↑" : u"↓", row.delay});
    actions.SetItemTextColour(index, 0, QColor(0x8a, 0x93, 0xa3));
    actions.SetItemTextColour(index, 1, QColor(0x8a, 0x93, 0xa3));
  }
  actions.SelectItem(1);
  preview.ImageButton(u"FUNC_MACRO_RECORD", 1020, faces,
                      texts.Text(u"IDS_COMPOSITE_MACRO_ACTION_RECORD"));
  const std::pair<std::u16string_view, std::u16string_view> rowButtons[] = {
      {u"FUNC_MACRO_DELETE2", u"IDS_COMPOSITE_MACRO_ACTION_DELETE"},
      {u"FUNC_MACRO_CLEAR", u"IDS_COMPOSITE_MACRO_ACTION_CLEAR"},
      {u"FUNC_MACRO_UP_TOP", u"IDS_COMPOSITE_MACRO_ACTION_UPTOP"},
      {u"FUNC_MACRO_UP", u"IDS_COMPOSITE_MACRO_ACTION_UP"},
      {u"FUNC_MACRO_DOWN", u"IDS_COMPOSITE_MACRO_ACTION_DOWN"},
      {u"FUNC_MACRO_DOWN_BOTTOM", u"IDS_COMPOSITE_MACRO_ACTION_DOWNBOTTOM"}};
  int id = 1021;
  for (const auto& [key, text] : rowButtons)
    preview.ImageButton(key, id++, faces, texts.Text(text));
  preview.CheckBox(u"FUNC_MACRO_RECORD_DELAY", true);
  preview.Label(u"FUNC_MACRO_RECORD_DELAY2", texts.Text(u"IDS_MACRO_RECORD_DELAY"));
}

void PlaceListPages(PreviewDialog& preview) {
  const PreviewTexts& texts = preview.Texts();
  preview.Label(u"MEDIA_SETTING_TISHI", texts.Text(u"IDS_MEDIA_EDIT"));
  QStringList media;
  for (const MediaKey& key : kMediaTable) media << texts.KeyName(key.code);
  preview.DropDown(u"FUNC_MEDIA_SELECT", media, false);
  preview.Label(u"FUNCTION_KEY_SETTING_TISHI", texts.Text(u"IDS_FUNCTION_EDIT"));
  QStringList functions;
  for (auto key : kFunctionTextKeys) functions << texts.Text(key);
  preview.DropDown(u"FUNC_FUNCTION_SELECT", functions, false);
}

const std::vector<std::u16string_view>& PageControls(CompositePage page) {
  static const std::vector<std::u16string_view> key{
      u"TISHI_SINGLE_STATIC", u"FUNC_KEY_RADIO_KB",  u"FUNC_KEY_RADIO_KB_STATIC",
      u"FUNC_KEY_INPUT",      u"FUNC_KEY_RADIO_MOU", u"FUNC_KEY_RADIO_MOU_STATIC",
      u"FUNC_MOUSE_SELECT"};
  static const std::vector<std::u16string_view> macro{
      u"MARCO_NAME_SETTING",      u"FUNC_MACRO_LIST",          u"FUNC_MACRO_ADD",
      u"FUNC_MACRO_DELETE",       u"FUNC_MACRO_CYCLES_PROMPT", u"FUNC_MACRO_CYCLES",
      u"FUNC_MACRO_LIST2",        u"FUNC_MACRO_RECORD",        u"FUNC_MACRO_DELETE2",
      u"FUNC_MACRO_CLEAR",        u"FUNC_MACRO_UP_TOP",        u"FUNC_MACRO_UP",
      u"FUNC_MACRO_DOWN",         u"FUNC_MACRO_DOWN_BOTTOM",   u"FUNC_MACRO_RECORD_DELAY",
      u"FUNC_MACRO_RECORD_DELAY2"};
  static const std::vector<std::u16string_view> media{u"MEDIA_SETTING_TISHI", u"FUNC_MEDIA_SELECT"};
  static const std::vector<std::u16string_view> function{u"FUNCTION_KEY_SETTING_TISHI",
                                                         u"FUNC_FUNCTION_SELECT"};
  switch (page) {
    case CompositePage::Key:
      return key;
    case CompositePage::Macro:
      return macro;
    case CompositePage::Media:
      return media;
    case CompositePage::Function:
      break;
  }
  return function;
}

}  // namespace

std::unique_ptr<PreviewDialog> BuildComposite(SkinPictures& pictures, const PreviewTexts& texts,
                                              CompositePage page, bool macroOnly) {
  const QString name = macroOnly ? QStringLiteral("composite-macro-only")
                                 : QStringLiteral("composite-%1").arg(PageName(page));
  auto preview = std::make_unique<PreviewDialog>(pictures, "Skins/Composite.ini", texts, name);
  const ButtonPictures faces = EditorFaces(pictures, SetOf(page));
  const ButtonPictures macroOnlyFaces = EditorFaces(pictures, EditorPictureSet::MacroOnly);
  PlaceButtons(*preview, faces, macroOnlyFaces, macroOnly, page);
  preview->Label(u"KEY_SETTING",
                 texts.Text(macroOnly ? std::u16string_view(u"IDS_KEYBOARD_EDIT_TISHI")
                                      : u"IDS_KEYBOARD_KEY_SETTING"));
  PlaceKeyPage(*preview);
  PlaceMacroPage(*preview, faces);
  PlaceListPages(*preview);
  for (CompositePage each :
       {CompositePage::Key, CompositePage::Macro, CompositePage::Media, CompositePage::Function}) {
    for (auto key : PageControls(each)) preview->Show(key, each == page);
  }
  if (macroOnly) {
    for (auto key :
         {u"TISHI_SINGLE_STATIC", u"MEDIA_SETTING_TISHI", u"FUNCTION_KEY_SETTING_TISHI"}) {
      preview->Show(key, false);
    }
  }
  return preview;
}

namespace {

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

}  // namespace

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
