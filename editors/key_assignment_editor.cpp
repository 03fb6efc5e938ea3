#include "editors/key_assignment_editor.h"

#include <algorithm>
#include <utility>

#include "device/app_state.h"
#include "model/key_buttons_table.h"
#include "model/key_grid.h"
#include "model/key_names.h"
#include "model/workspace.h"
#include "platform/prompter.h"
#include "platform/text.h"
#include "resources/texts.h"

namespace ombrex {

namespace control = composite_control;

namespace {

constexpr std::array<ControlText, 14> kTexts{{
    {control::kTabKey, u"IDS_COMPOSITE_SELECT_KEY"},
    {control::kTabMacro, u"IDS_COMPOSITE_SELECT_MACRO"},
    {control::kTabMedia, u"IDS_COMPOSITE_SELECT_MEDIA"},
    {control::kTabFunction, u"IDS_COMPOSITE_SELECT_FUNCTION"},
    {control::kClear, u"IDS_KEYBOARD_MARCO_RESET"},
    {control::kOk, u"IDS_COMPOSITE_OK"},
    {control::kCancel, u"IDS_COMPOSITE_CANCEL"},
    {control::kKeyboardCaption, u"IDS_MACRO_KB_KEY"},
    {control::kMouseCaption, u"IDS_MACRO_MOU_KEY"},
    {control::kHeading, u"IDS_KEYBOARD_KEY_SETTING"},
    {control::kKeyLabel, u"IDS_KEYBOARD_KEY_SINGLE"},
    {control::kMacroLabel, u"IDS_MACRO_NAME"},
    {control::kMediaLabel, u"IDS_MEDIA_EDIT"},
    {control::kFunctionLabel, u"IDS_FUNCTION_EDIT"},
}};

// Opened by the Macro button, only the macro tab names a page, and the
// heading says that macros are edited.
constexpr std::array<ControlText, 14> kMacroOnlyTexts = [] {
  std::array<ControlText, 14> texts = kTexts;
  for (ControlText& text : texts) {
    switch (text.controlId) {
      case control::kTabKey:
      case control::kTabMedia:
      case control::kTabFunction:
        text.key = {};
        break;
      case control::kHeading:
        text.key = u"IDS_KEYBOARD_EDIT_TISHI";
        break;
      default:
        break;
    }
  }
  return texts;
}();

// The kinds this editor makes; any other kind a key has comes from the
// keyboard or a file, and is kept until the user changes the assignment.
bool EditorMakes(AssignKind kind) {
  switch (kind) {
    case AssignKind::Default:
    case AssignKind::SingleKey:
    case AssignKind::Macro:
    case AssignKind::Media:
    case AssignKind::Function:
      return true;
    default:
      return false;
  }
}

AssignKind KindOfTab(EditorPage tab) {
  switch (tab) {
    case EditorPage::Key:
      return AssignKind::SingleKey;
    case EditorPage::Macro:
      return AssignKind::Macro;
    case EditorPage::Media:
      return AssignKind::Media;
    case EditorPage::Function:
      break;
  }
  return AssignKind::Function;
}

std::optional<std::size_t> MouseActionOf(std::uint32_t code) {
  for (std::size_t i = 0; i < kMouseActions.size(); ++i) {
    if (kMouseActions[i].code == code) return i;
  }
  return std::nullopt;
}

// The key grid's button and slot of a control, for `bank`.
struct EditedKey {
  int button = -1;
  int slot = 0;
};
std::optional<EditedKey> KeyOfControl(int controlId, int bank) {
  for (std::size_t j = 0; j < kGKeyControls.size(); ++j) {
    if (kGKeyControls[j] == controlId) {
      const int g = static_cast<int>(j);
      return EditedKey{GKeyButton(g), GKeySlot(g, bank)};
    }
  }
  for (std::size_t i = 0; i < kKeyButtons.size(); ++i) {
    if (kKeyButtons[i].control == controlId) {
      return EditedKey{static_cast<int>(i), kKeyButtons[i].slot};
    }
  }
  return std::nullopt;
}

}  // namespace

std::span<const ControlText> EditorControlTexts(bool macroOnly) {
  return macroOnly ? std::span<const ControlText>(kMacroOnlyTexts)
                   : std::span<const ControlText>(kTexts);
}

ScreenPoint PlaceEditor(ScreenRect screen, ScreenRect key, int width, int height, bool centred) {
  if (centred) {
    return {screen.left + (screen.right - screen.left - width) / 2,
            screen.top + (screen.bottom - screen.top - height) / 2};
  }
  const bool right = screen.right - key.right >= width;
  const bool left = key.left - screen.left >= width;
  const bool below = screen.bottom - key.bottom >= height;
  const bool above = key.top - screen.top >= height;
  const ScreenPoint rightBelow{key.right, key.bottom};
  if (right && below) return rightBelow;
  if (right && above) return {key.right, key.top - height};
  if (left && below) return {key.left - width, key.bottom};
  if (left && above) return {key.left - width, key.top - height};
  return rightBelow;
}

KeyAssignmentEditor::KeyAssignmentEditor(KeyEditorParts parts)
    : parts_(std::move(parts)),
      macros_(parts_.workspace, parts_.settings, parts_.state, parts_.texts, parts_.prompter,
              parts_.clock) {
  macros_.SetDirtyHandler([this] {
    dirty_ = true;
    if (dirtyListener_) dirtyListener_();
  });
}

bool KeyAssignmentEditor::Open(int controlId, int bank, std::optional<ProfileNumber> profile) {
  if (IsOpen() || !profile) return false;
  const std::optional<EditedKey> key = KeyOfControl(controlId, bank == 0 ? 0 : 1);
  if (!key) return false;
  controlId_ = controlId;
  button_ = key->button;
  slot_ = key->slot;
  profile_ = *profile;
  macroOnly_ = controlId == control::kMacroOnly;
  // The Macro button edits the macro list only, never a key.
  available_ = macroOnly_ || parts_.grid.SlotOnKeyboard(slot_);
  Initialise(parts_.workspace.ReadEntry(profile_, slot_));
  return true;
}

void KeyAssignmentEditor::Initialise(const KeyEntry& entry) {
  ++openCount_;
  macros_.Load();
  mouseChoice_ = 0;
  mediaChoice_ = 0;
  functionChoice_ = 0;
  kind_ = static_cast<AssignKind>(entry.kind);
  initialKind_ = kind_;
  initialValue_ = entry.value;
  keptEntry_.reset();
  if (macroOnly_) {
    kind_ = AssignKind::Macro;
  } else if (!EditorMakes(kind_)) {
    keptEntry_ = entry;
  }
  // The key's own assignment decides, never what an earlier run captured.
  captured_ = 0;
  keyboardChecked_ = true;
  SwitchPage(kind_, true);
  dirty_ = false;
}

EditorPage KeyAssignmentEditor::Page() const {
  switch (kind_) {
    case AssignKind::Macro:
      return EditorPage::Macro;
    case AssignKind::Media:
      return EditorPage::Media;
    case AssignKind::Function:
      return EditorPage::Function;
    default:
      return EditorPage::Key;
  }
}

std::u16string KeyAssignmentEditor::KeyFieldText() const {
  return captured_ == 0 ? std::u16string() : KeyNameTable(parts_.texts).Text(captured_);
}

void KeyAssignmentEditor::SwitchPage(AssignKind kind, bool withInitialValues) {
  kind_ = kind;
  switch (Page()) {
    case EditorPage::Macro:
      if (withInitialValues) {
        // Only a Macro entry names a macro; another kind's value is no id.
        macros_.ShowForKey(initialKind_ == AssignKind::Macro ? initialValue_ : 0);
      } else {
        macros_.EnsureCurrent();
      }
      break;
    case EditorPage::Media:
      macros_.StopRecording();
      if (withInitialValues && initialValue_ < kMediaTable.size()) mediaChoice_ = initialValue_;
      break;
    case EditorPage::Function:
      macros_.StopRecording();
      if (withInitialValues && initialValue_ < kFunctionTextKeys.size()) {
        functionChoice_ = initialValue_;
      }
      break;
    case EditorPage::Key:
      macros_.StopRecording();
      ShowKeyPage(withInitialValues);
      break;
  }
}

void KeyAssignmentEditor::ShowKeyPage(bool withInitialValues) {
  keyboardChecked_ = true;
  if (!withInitialValues || kind_ != AssignKind::SingleKey) return;
  if (const auto mouse = MouseActionOf(initialValue_)) {
    keyboardChecked_ = false;
    mouseChoice_ = *mouse;
    return;
  }
  captured_ = initialValue_ <= 0xFFFF ? static_cast<KeyCode>(initialValue_) : 0;
}

void KeyAssignmentEditor::SwitchByTab(AssignKind kind) {
  keptEntry_.reset();
  SwitchPage(kind, false);
  dirty_ = true;
}

void KeyAssignmentEditor::ClickTab(EditorPage tab) {
  if (!IsOpen() || !TabEnabled(tab)) return;
  const AssignKind kind = KindOfTab(tab);
  if (kind == kind_) return;
  if (tab == EditorPage::Key && kind_ == AssignKind::Default) return;
  SwitchByTab(kind);
}

void KeyAssignmentEditor::Clear() {
  if (!IsOpen() || !ClearEnabled()) return;
  ClickTab(EditorPage::Key);
  keptEntry_.reset();
  // A key captured before stays out of the entry whatever is checked later.
  captured_ = 0;
  if (kind_ == AssignKind::SingleKey) {
    kind_ = AssignKind::Default;
    keyboardChecked_ = true;
  }
}

void KeyAssignmentEditor::CheckKeyboard() {
  if (!IsOpen() || Page() != EditorPage::Key) return;
  keyboardChecked_ = true;
  kind_ = AssignKind::SingleKey;
}

void KeyAssignmentEditor::CheckMouse() {
  if (!IsOpen() || Page() != EditorPage::Key) return;
  keyboardChecked_ = false;
  kind_ = AssignKind::SingleKey;
  // Choosing a mouse action is an assignment of its own.
  keptEntry_.reset();
}

void KeyAssignmentEditor::ChooseMouse(std::size_t index) {
  if (index < kMouseActions.size()) mouseChoice_ = index;
}

void KeyAssignmentEditor::ChooseMedia(std::size_t index) {
  if (index < kMediaTable.size()) mediaChoice_ = index;
}

void KeyAssignmentEditor::ChooseFunction(std::size_t index) {
  if (index < kFunctionTextKeys.size()) functionChoice_ = index;
}

KeyDisposition KeyAssignmentEditor::CaptureKey(const KeyMessage& key) {
  if (!Capturing()) return KeyDisposition::Pass;
  const KeyCode code = CodeFromKeyMessage(key.vk, key.param);
  if (code == 0 || IsMediaKeyCode(code)) return KeyDisposition::Pass;
  // Print Screen may come as a release only.
  if (!keyboardChecked_ || !(key.IsFirstPress() || code == 0x137)) return KeyDisposition::Swallow;
  // The keyboard would send nothing for it: a dead key is no assignment.
  if (!HasDeviceCode(code)) {
    parts_.prompter.ShowMessage(
        FormatWithText(parts_.texts.Text(kKeyNotSendable), KeyNameTable(parts_.texts).Text(code)));
    return KeyDisposition::Swallow;
  }
  CaptureCode(code);
  return KeyDisposition::Swallow;
}

void KeyAssignmentEditor::CaptureCode(KeyCode code) {
  captured_ = code;
  kind_ = AssignKind::SingleKey;
  keptEntry_.reset();
  dirty_ = true;
}

std::optional<KeyEntry> KeyAssignmentEditor::EntryToStore() const {
  if (keptEntry_) return std::nullopt;
  KeyEntry entry;
  entry.kind = static_cast<std::uint16_t>(kind_);
  entry.aux = GKeyCodeOfSlot(static_cast<unsigned>(slot_));
  const auto makeDefault = [&entry] {
    entry.kind = static_cast<std::uint16_t>(AssignKind::Default);
  };
  switch (kind_) {
    case AssignKind::SingleKey:
      if (!keyboardChecked_) {
        entry.value = kMouseActions[mouseChoice_].code;
      } else {
        entry.value = captured_;
        // A key sending itself is its default.
        if (captured_ == 0 || KeySlotFromCode(captured_) == static_cast<unsigned>(slot_)) {
          makeDefault();
        }
      }
      break;
    case AssignKind::Macro:
      if (macros_.Empty()) {
        makeDefault();
      } else {
        entry.value = macros_.SelectedMacroId();
        entry.aux = macros_.Cycles();
      }
      break;
    case AssignKind::Media:
      entry.value = static_cast<std::uint32_t>(mediaChoice_);
      break;
    case AssignKind::Function:
      entry.value = static_cast<std::uint32_t>(functionChoice_);
      break;
    default:
      break;
  }
  return entry;
}

void KeyAssignmentEditor::Apply() {
  if (!IsOpen()) return;
  macros_.StopRecording();
  // The grid shows the keyboard's profile now, which may no longer be the
  // one this edit goes to.
  const ProfileNumber shown = parts_.state.deviceProfile.load().value_or(profile_);
  const int bank = parts_.bank();
  parts_.grid.ShowMacroListChange(macros_.HandOver(), shown, bank);
  std::optional<KeyEntry> entry = EntryToStore();
  if (entry && !available_ && !entry->Is(AssignKind::Default)) {
    parts_.prompter.ShowMessage(parts_.texts.Text(kKeyNotOnKeyboard));
    entry.reset();
  }
  if (entry) {
    const int button = ButtonForSlot(slot_, bank);
    if (shown == profile_ && button >= 0) parts_.grid.ShowEntry(button, *entry);
    parts_.workspace.StoreEntry(profile_, slot_, *entry);
  }
  parts_.grid.RebuildTooltips(shown, bank);
  dirty_ = false;
  parts_.changes.SetPendingChanges(true);
}

void KeyAssignmentEditor::Ok() {
  if (!IsOpen()) return;
  Apply();
  Close();
}

void KeyAssignmentEditor::Cancel() {
  Close();
}

void KeyAssignmentEditor::Close() {
  if (!IsOpen()) return;
  macros_.Close();
  dirty_ = false;
  --openCount_;
}

}  // namespace ombrex
