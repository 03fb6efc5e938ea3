#include "editors/views/vantrel_dlg_composite.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "editors/views/macro_page_panel.h"
#include "model/key_names.h"
#include "platform/prompter.h"
#include "resources/texts.h"
#include "widgets/key_message_filter.h"
#include "widgets/qt_text.h"
#include "widgets/skin_pictures.h"
#include "widgets/skin_placement.h"
#include "widgets/skin_style.h"

namespace ombrex {

namespace control = composite_control;

namespace {

// The image buttons, in the order they lie: the page area first, behind the
// page's controls.
struct ImageButtonKey {
  int id;
  std::u16string_view skinKey;
};
constexpr ImageButtonKey kImageButtons[] = {
    {control::kPageMask, u"CONTROL_MASK"},        {control::kTitle, u"CONTROL_TITLE"},
    {control::kOnScreenKeyboard, u"CONTROL_OSK"}, {control::kTabKey, u"CONTROL_KEY"},
    {control::kTabMacro, u"CONTROL_MACRO"},       {control::kTabMedia, u"CONTROL_MEDIA"},
    {control::kTabFunction, u"CONTROL_FUNCTION"},
};
constexpr ImageButtonKey kCommandButtons[] = {
    {control::kClear, u"CONTROL_CLEAR"},
    {control::kOk, u"CONTROL_OK"},
    {control::kCancel, u"CONTROL_CANCEL"},
    {control::kApply, u"CONTROL_APPLY"},
};

// Opened by the Macro button these show the "macro2" pictures.
bool TakesMacroOnlyFaces(int id) {
  return id == control::kTabKey || id == control::kTabMedia || id == control::kTabFunction ||
         id == control::kTitle || id == control::kClear;
}

EditorPictureSet PictureSetOf(EditorPage page) {
  switch (page) {
    case EditorPage::Key:
      return EditorPictureSet::Key;
    case EditorPage::Macro:
      return EditorPictureSet::Macro;
    case EditorPage::Media:
      return EditorPictureSet::Media;
    case EditorPage::Function:
      break;
  }
  return EditorPictureSet::Function;
}

std::optional<EditorPage> PageOfTab(int id) {
  switch (id) {
    case control::kTabKey:
      return EditorPage::Key;
    case control::kTabMacro:
      return EditorPage::Macro;
    case control::kTabMedia:
      return EditorPage::Media;
    case control::kTabFunction:
      return EditorPage::Function;
    default:
      return std::nullopt;
  }
}

// The controls of each page; the dialog shows those of the page shown.
struct PageControls {
  EditorPage page;
  std::initializer_list<int> ids;
};
const PageControls kPageControls[] = {
    {EditorPage::Key,
     {control::kKeyLabel, control::kRadioKeyboard, control::kKeyboardCaption, control::kKeyField,
      control::kRadioMouse, control::kMouseCaption, control::kMouseList}},
    {EditorPage::Macro, {control::kMacroLabel}},
    {EditorPage::Media, {control::kMediaLabel, control::kMediaList}},
    {EditorPage::Function, {control::kFunctionLabel, control::kFunctionList}},
};

// A font the dialog asks for by name, or the skin's own family at that size
// where the system lacks it.
QFont FontOr(const QFont& fallback, const QString& family, qreal points) {
  QFont font = fallback;
  if (QFontDatabase::families().contains(family)) font.setFamily(family);
  font.setPointSizeF(points);
  font.setWeight(QFont::Normal);
  return font;
}

void SetItems(QComboBox& list, const QStringList& items) {
  const int current = std::max(list.currentIndex(), 0);
  list.clear();
  list.addItems(items);
  list.setCurrentIndex(std::min(current, static_cast<int>(items.size()) - 1));
}

}  // namespace

Vantrel_DlgComposite::Vantrel_DlgComposite(KeyAssignmentEditor& editor, SkinPictures& pictures,
                                           const Texts& texts, Prompter& prompter,
                                           CompositeHooks hooks, QWidget* parent)
    : CBaseDialog(pictures, std::filesystem::path("Skins") / "Composite.ini", parent),
      editor_(editor),
      texts_(texts),
      prompter_(prompter),
      hooks_(std::move(hooks)),
      capture_(std::make_unique<KeyMessageFilter>()) {
  setModal(true);
  SetSwallowEnterAndEscape(true);
  // The Menu key is a key to capture, not a request for a menu.
  setContextMenuPolicy(Qt::NoContextMenu);
  ApplySkinStyle(*this);
  ApplySkinScreen();
  Build();
  SetFonts();
  Wire();
  editor_.SetDirtyListener([this] { Refresh(); });
  ApplyLanguage(texts_.CurrentLanguageIndex());
}

Vantrel_DlgComposite::~Vantrel_DlgComposite() {
  capture_->Stop();
  editor_.SetDirtyListener({});
}

CPngButton& Vantrel_DlgComposite::AddImageButton(int id, std::u16string_view skinKey) {
  auto button = std::make_unique<CPngButton>(id, this);
  button->setObjectName(ToQString(skinKey));
  const bool placedAway = Skin().Place(kButtonSection, skinKey).IsHidden();
  imageButtons_.push_back({id, skinKey, std::move(button), placedAway});
  return *imageButtons_.back().button;
}

QLabel& Vantrel_DlgComposite::AddLabel(int id, std::u16string_view skinKey) {
  auto label = std::make_unique<QLabel>(this);
  label->setObjectName(ToQString(skinKey));
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  PlaceControl(*label, skinKey);
  QLabel& kept = *label;
  controls_.emplace_back(id, std::move(label));
  return kept;
}

QComboBox& Vantrel_DlgComposite::AddList(int id, std::u16string_view skinKey) {
  auto list = std::make_unique<QComboBox>(this);
  list->setObjectName(ToQString(skinKey));
  PlaceControl(*list, skinKey);
  QComboBox& kept = *list;
  controls_.emplace_back(id, std::move(list));
  return kept;
}

void Vantrel_DlgComposite::Build() {
  for (const ImageButtonKey& key : kImageButtons) AddImageButton(key.id, key.skinKey);
  // Pictures, not buttons: hovering them changes nothing.
  for (int id : {control::kPageMask, control::kTitle}) {
    Button(id)->setAttribute(Qt::WA_TransparentForMouseEvents);
  }
  AddLabel(control::kHeading, u"KEY_SETTING");

  AddLabel(control::kKeyLabel, u"TISHI_SINGLE_STATIC");
  auto keyboard = std::make_unique<QCheckBox>(this);
  keyboard->setObjectName(QStringLiteral("FUNC_KEY_RADIO_KB"));
  PlaceControl(*keyboard, u"FUNC_KEY_RADIO_KB");
  keyboardRadio_ = keyboard.get();
  controls_.emplace_back(control::kRadioKeyboard, std::move(keyboard));
  AddLabel(control::kKeyboardCaption, u"FUNC_KEY_RADIO_KB_STATIC");
  auto field = std::make_unique<QLineEdit>(this);
  field->setReadOnly(true);
  field->setContextMenuPolicy(Qt::PreventContextMenu);
  field->setObjectName(QStringLiteral("FUNC_KEY_INPUT"));
  PlaceControl(*field, u"FUNC_KEY_INPUT");
  keyField_ = field.get();
  controls_.emplace_back(control::kKeyField, std::move(field));
  auto mouse = std::make_unique<QCheckBox>(this);
  mouse->setObjectName(QStringLiteral("FUNC_KEY_RADIO_MOU"));
  PlaceControl(*mouse, u"FUNC_KEY_RADIO_MOU");
  mouseRadio_ = mouse.get();
  controls_.emplace_back(control::kRadioMouse, std::move(mouse));
  AddLabel(control::kMouseCaption, u"FUNC_KEY_RADIO_MOU_STATIC");
  mouseList_ = &AddList(control::kMouseList, u"FUNC_MOUSE_SELECT");
  QStringList mouseActions;
  for (const MouseAction& action : kMouseActions) mouseActions << ToQString(action.text);
  mouseList_->addItems(mouseActions);

  AddLabel(control::kMacroLabel, u"MARCO_NAME_SETTING");
  macroPanel_ = std::make_unique<MacroPagePanel>(*this, editor_.Macros(), texts_);

  AddLabel(control::kMediaLabel, u"MEDIA_SETTING_TISHI");
  mediaList_ = &AddList(control::kMediaList, u"FUNC_MEDIA_SELECT");
  AddLabel(control::kFunctionLabel, u"FUNCTION_KEY_SETTING_TISHI");
  functionList_ = &AddList(control::kFunctionList, u"FUNC_FUNCTION_SELECT");

  for (const ImageButtonKey& key : kCommandButtons) AddImageButton(key.id, key.skinKey);
  PlaceFaces();
}

void Vantrel_DlgComposite::SetFonts() {
  const QFont base = font();
  keyField_->setFont(FontOr(base, QStringLiteral("Verdana"), 18));
  mediaList_->setFont(FontOr(base, QStringLiteral("Arial Unicode MS"), 12));
  functionList_->setFont(FontOr(base, QStringLiteral("Verdana"), 12));
  macroPanel_->SetNameListFont(FontOr(base, QStringLiteral("Verdana"), 12));
  const QFont labels = FontOr(base, QStringLiteral("Arial Unicode MS"), 10.8);
  for (int id : {control::kHeading, control::kMacroLabel, control::kKeyLabel, control::kMediaLabel,
                 control::kFunctionLabel}) {
    Control(id)->setFont(labels);
  }
}

void Vantrel_DlgComposite::Wire() {
  for (ImageButton& each : imageButtons_) {
    const int id = each.id;
    connect(each.button.get(), &QAbstractButton::clicked, this, [this, id] { OnClicked(id); });
  }
  connect(keyboardRadio_, &QCheckBox::clicked, this, [this] {
    editor_.CheckKeyboard();
    Refresh();
  });
  connect(mouseRadio_, &QCheckBox::clicked, this, [this] {
    editor_.CheckMouse();
    Refresh();
  });
  const auto choose = [this](QComboBox* list, void (KeyAssignmentEditor::*pick)(std::size_t)) {
    connect(list, &QComboBox::activated, this, [this, pick](int index) {
      if (index >= 0) (editor_.*pick)(static_cast<std::size_t>(index));
      Refresh();
    });
  };
  choose(mouseList_, &KeyAssignmentEditor::ChooseMouse);
  choose(mediaList_, &KeyAssignmentEditor::ChooseMedia);
  choose(functionList_, &KeyAssignmentEditor::ChooseFunction);
}

QWidget* Vantrel_DlgComposite::Control(int id) const {
  if (CPngButton* button = Button(id)) return button;
  for (const auto& [controlId, widget] : controls_) {
    if (controlId == id) return widget.get();
  }
  return macroPanel_ ? macroPanel_->Control(id) : nullptr;
}

CPngButton* Vantrel_DlgComposite::Button(int id) const {
  for (const ImageButton& each : imageButtons_) {
    if (each.id == id) return each.button.get();
  }
  return nullptr;
}

void Vantrel_DlgComposite::PlaceFaces() {
  const EditorPage page = editor_.Page();
  const ButtonPictures faces = EditorFaces(Pictures(), PictureSetOf(page));
  const ButtonPictures macroOnly = EditorFaces(Pictures(), EditorPictureSet::MacroOnly);
  for (ImageButton& each : imageButtons_) {
    const bool second = editor_.MacroOnly() && TakesMacroOnlyFaces(each.id);
    PlaceImageButton(*each.button, each.skinKey, second ? macroOnly : faces);
  }
}

void Vantrel_DlgComposite::ApplyLanguage(int languageIndex) {
  for (const ControlText& text : EditorControlTexts(editor_.MacroOnly())) {
    const QString value =
        text.key.empty() ? QString() : ToQString(texts_.LookupText(text.key, languageIndex));
    if (CPngButton* button = Button(text.controlId)) {
      button->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(Control(text.controlId))) {
      label->setText(value);
    }
  }
  Button(control::kClear)
      ->SetTooltip(texts_.LookupText(u"IDS_KEYBOARD_MARCO_RESET", languageIndex));
  // The language choice file holds this one, in a section per language.
  Button(control::kOnScreenKeyboard)
      ->SetTooltip(texts_.ComponentText(u"COMPOSITE_PROMPT_OSK", u" ", languageIndex));
  const KeyNameTable names(texts_, languageIndex);
  QStringList media;
  for (const MediaKey& key : kMediaTable) media << ToQString(names.Text(key.code));
  SetItems(*mediaList_, media);
  QStringList functions;
  for (const std::u16string_view key : kFunctionTextKeys) {
    functions << ToQString(texts_.LookupText(key, languageIndex));
  }
  SetItems(*functionList_, functions);
  macroPanel_->ApplyTexts();
  Refresh();
}

void Vantrel_DlgComposite::Refresh() {
  if (refreshing_) return;
  refreshing_ = true;
  const EditorPage page = editor_.Page();
  const bool pageChanged = shownPage_ != page;
  if (pageChanged) {
    PlaceFaces();
    ShowPage();
  }
  for (const ImageButton& each : imageButtons_) {
    if (const std::optional<EditorPage> tab = PageOfTab(each.id)) {
      each.button->SetSelected(*tab == page);
      if (!each.placedAway) each.button->setEnabled(editor_.TabEnabled(*tab));
    }
  }
  if (!Button(control::kClear)->isHidden())
    Button(control::kClear)->setEnabled(editor_.ClearEnabled());
  if (!Button(control::kApply)->isHidden()) Button(control::kApply)->setEnabled(editor_.Dirty());
  keyboardRadio_->setChecked(editor_.KeyboardChecked());
  mouseRadio_->setChecked(!editor_.KeyboardChecked());
  keyField_->setEnabled(editor_.KeyboardChecked());
  mouseList_->setEnabled(!editor_.KeyboardChecked());
  keyField_->setText(ToQString(editor_.KeyFieldText()));
  // A key the keyboard lacks says so where the dialog names what it edits.
  if (auto* heading = qobject_cast<QLabel*>(Control(control::kHeading))) {
    heading->setToolTip(editor_.Available() ? QString()
                                            : ToQString(texts_.Text(kKeyNotOnKeyboard)));
    heading->setEnabled(editor_.Available());
  }
  keyField_->setPlaceholderText(editor_.Available() ? QString()
                                                    : ToQString(texts_.Text(kKeyNotOnKeyboard)));
  mouseList_->setCurrentIndex(static_cast<int>(editor_.MouseChoice()));
  mediaList_->setCurrentIndex(static_cast<int>(editor_.MediaChoice()));
  functionList_->setCurrentIndex(static_cast<int>(editor_.FunctionChoice()));
  SyncCapture();
  shownPage_ = page;
  if (pageChanged) FocusPage();
  refreshing_ = false;
}

void Vantrel_DlgComposite::ShowPage() {
  const EditorPage page = editor_.Page();
  for (const PageControls& each : kPageControls) {
    for (int id : each.ids) {
      QWidget* widget = Control(id);
      // A control the skin leaves out stays hidden on every page.
      const bool placedAway = widget->geometry().topLeft() == QPoint(1, 1);
      widget->setVisible(each.page == page && !placedAway);
    }
  }
  // Hidden, the panel ends a cell edit: only a page change may hide it.
  macroPanel_->SetVisible(page == EditorPage::Macro);
}

void Vantrel_DlgComposite::FocusPage() {
  switch (editor_.Page()) {
    case EditorPage::Key:
      keyField_->setFocus(Qt::OtherFocusReason);
      break;
    case EditorPage::Media:
      mediaList_->setFocus(Qt::OtherFocusReason);
      break;
    case EditorPage::Function:
      functionList_->setFocus(Qt::OtherFocusReason);
      break;
    case EditorPage::Macro:
      break;
  }
}

void Vantrel_DlgComposite::SyncCapture() {
  const bool wanted = editor_.Capturing() && isVisible();
  if (wanted == capture_->IsRunning()) return;
  if (!wanted) {
    capture_->Stop();
    return;
  }
  capture_->Start(*this, [this](const TimedKeyMessage& key) {
    const KeyDisposition disposition = editor_.CaptureKey(key.message);
    Refresh();
    return disposition;
  });
}

void Vantrel_DlgComposite::OnClicked(int id) {
  if (const std::optional<EditorPage> tab = PageOfTab(id)) {
    editor_.ClickTab(*tab);
    Refresh();
    return;
  }
  switch (id) {
    case control::kClear:
      editor_.Clear();
      Refresh();
      return;
    case control::kOnScreenKeyboard:
      OpenOnScreenKeyboard();
      return;
    case control::kApply:
      macroPanel_->FinishCellEdit();
      editor_.Apply();
      Refresh();
      return;
    case control::kOk:
      macroPanel_->FinishCellEdit();
      editor_.Ok();
      Finish(1);
      return;
    case control::kCancel:
      Finish(0);
      return;
    default:
      return;
  }
}

void Vantrel_DlgComposite::OpenOnScreenKeyboard() {
  switch (ombrex::OpenOnScreenKeyboard(hooks_.onScreenKeyboards)) {
    case OnScreenKeyboard::kNoneInstalled:
      prompter_.ShowMessage(texts_.Text(u"IDS_COMPOSITE_OSK_MISSING"));
      return;
    case OnScreenKeyboard::kStartFailed:
      prompter_.ShowMessage(texts_.Text(u"IDS_COMPOSITE_OSK_FAILED"));
      return;
    case OnScreenKeyboard::kAlreadyRunning:
    case OnScreenKeyboard::kStarted:
      return;
  }
}

int Vantrel_DlgComposite::Run(ScreenRect screen, ScreenRect key) {
  const ScreenPoint place =
      PlaceEditor(screen, key, width(), height(), editor_.ControlId() == control::kMacroOnly);
  move(place.x, place.y);
  shownPage_.reset();
  show();
  Refresh();
  const int result = exec();
  // However it ended, nothing is captured or recorded any more.
  if (editor_.IsOpen()) editor_.Cancel();
  capture_->Stop();
  return result == QDialog::Accepted ? 1 : 0;
}

void Vantrel_DlgComposite::CloseWithoutApplying() {
  if (isVisible()) Finish(0);
}

void Vantrel_DlgComposite::Finish(int result) {
  if (editor_.IsOpen()) editor_.Cancel();
  capture_->Stop();
  done(result == 1 ? QDialog::Accepted : QDialog::Rejected);
}

void Vantrel_DlgComposite::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F1) {
    // A recording takes every key; F1 only asks for help otherwise.
    if (!editor_.Macros().IsRecording() && hooks_.openHelp) hooks_.openHelp();
    event->accept();
    return;
  }
  CBaseDialog::keyPressEvent(event);
}

void Vantrel_DlgComposite::closeEvent(QCloseEvent* event) {
  // Closing the window from outside is Cancel.
  if (editor_.IsOpen()) editor_.Cancel();
  capture_->Stop();
  CBaseDialog::closeEvent(event);
}

}  // namespace ombrex
