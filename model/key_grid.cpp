#include "model/key_grid.h"

#include <algorithm>
#include <array>
#include <utility>

#include "model/assignment_tables.h"
#include "model/key_buttons_table.h"
#include "model/key_names.h"
#include "model/workspace.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {

// The texts tooltips are made of, looked up once for a whole refresh rather
// than for every button, and before the image lock is taken.
class TooltipTexts {
 public:
  explicit TooltipTexts(const Texts& texts)
      : names_(texts), prompts_(texts.Table(kKeys, names_.LanguageIndex())) {}

  const KeyNameTable& Names() const { return names_; }
  std::u16string_view Set() const { return (*prompts_)[kSet]; }
  std::u16string_view Single() const { return (*prompts_)[kSingle]; }
  std::u16string_view Macro() const { return (*prompts_)[kMacro]; }
  std::u16string_view Media() const { return (*prompts_)[kMedia]; }
  std::u16string_view Function() const { return (*prompts_)[kFunction]; }
  // Empty for a function the table does not have.
  std::u16string_view FunctionName(std::uint32_t function) const {
    return function < kFunctionTextKeys.size() ? (*prompts_)[kFirstFunctionName + function]
                                               : std::u16string_view();
  }

 private:
  enum : std::size_t { kSet, kSingle, kMacro, kMedia, kFunction, kFirstFunctionName };
  static constexpr std::array<std::u16string_view, kFirstFunctionName + kFunctionTextKeys.size()>
      kKeys = [] {
        std::array<std::u16string_view, kFirstFunctionName + kFunctionTextKeys.size()> keys{
            text_catalogue::kKeyPromptSet, text_catalogue::kKeyPromptSingle,
            text_catalogue::kKeyPromptMacro, text_catalogue::kKeyPromptMedia,
            text_catalogue::kKeyPromptFunction};
        std::copy(kFunctionTextKeys.begin(), kFunctionTextKeys.end(),
                  keys.begin() + kFirstFunctionName);
        return keys;
      }();

  KeyNameTable names_;
  std::shared_ptr<const TextTable> prompts_;
};

namespace {

KeyCode AsKeyCode(std::uint32_t value) {
  return value <= 0xFFFF ? static_cast<KeyCode>(value) : 0;
}

std::u16string_view MacroName(std::span<const MacroRecord> macros, std::uint32_t id) {
  for (const MacroRecord& record : macros) {
    if (record.id == id) return record.Name();
  }
  return {};
}

void AppendAssignment(std::u16string& text, const TooltipTexts& texts,
                      std::span<const MacroRecord> macros, const KeyEntry& entry) {
  switch (static_cast<AssignKind>(entry.kind)) {
    case AssignKind::SingleKey:
      text += texts.Single();
      texts.Names().AppendTo(text, AsKeyCode(entry.value));
      break;
    case AssignKind::Macro:
      text += texts.Macro();
      text += MacroName(macros, entry.value);
      break;
    case AssignKind::Media:
      text += texts.Media();
      if (entry.value < kMediaTable.size()) {
        texts.Names().AppendTo(text, kMediaTable[entry.value].code);
      }
      break;
    case AssignKind::Function:
      text += texts.Function();
      text += texts.FunctionName(entry.value);
      break;
    default:
      return;
  }
  text += u")";
}

Tooltip MakeTooltip(const TooltipTexts& texts, std::span<const MacroRecord> macros, int gKey,
                    KeyCode code, const KeyEntry& entry) {
  Tooltip tip;
  if (gKey >= 0) {
    tip.text.push_back(u'G');
    tip.text += DecimalText(gKey + 1);
  } else {
    texts.Names().AppendTo(tip.text, code);
  }
  if (entry.Is(AssignKind::Default)) return tip;
  tip.assigned = true;
  tip.text += texts.Set();
  AppendAssignment(tip.text, texts, macros, entry);
  return tip;
}

bool IsGKeyButton(int button) {
  return button >= kFirstGKeyButton && button < kFirstGKeyButton + static_cast<int>(kGKeyCount);
}

}  // namespace

Tooltip TooltipText(const Texts& texts, std::span<const MacroRecord> macros, int gKey, KeyCode code,
                    const KeyEntry& entry) {
  return MakeTooltip(TooltipTexts(texts), macros, gKey, code, entry);
}

KeyGrid::KeyGrid(Workspace& workspace, const Texts& texts, KeyButtons& buttons,
                 PendingChanges& changes)
    : workspace_(workspace), texts_(texts), buttons_(buttons), changes_(changes) {}

bool KeyGrid::SlotOnKeyboard(int slot) const {
  if (slot < 0 || static_cast<std::size_t>(slot) >= kSlotsPerProfile) return false;
  if (keyboardTable_ == nullptr) return true;
  return SlotsOnKeyboard(keyboardTable_->Get()).test(static_cast<std::size_t>(slot));
}

void KeyGrid::ShowButton(const TooltipTexts& texts, int button, const KeyEntry& entry,
                         bool setMarker, std::span<const MacroRecord> macros) {
  const bool gKey = IsGKeyButton(button);
  const KeyCode code = gKey ? 0 : kKeyButtons[static_cast<std::size_t>(button)].code;
  Tooltip tip = MakeTooltip(texts, macros, gKey ? button - kFirstGKeyButton : -1, code, entry);
  const bool present = SlotOnKeyboard(SlotOfButton(button, shownBank_));
  if (!present) tip.text += texts_.Text(kKeyNotOnKeyboardTip);
  if (setMarker) buttons_.SetAssigned(button, tip.assigned);
  buttons_.SetUnavailable(button, !present);
  buttons_.SetTooltip(button, tip.text);
}

void KeyGrid::RefreshAllKeys(ProfileNumber profile, int bank) {
  shownBank_ = bank;
  {
    const TooltipTexts texts(texts_);
    const auto image = std::as_const(workspace_).Working();
    for (int button = 0; button < kFnButton; ++button) {
      const KeyEntry entry = workspace_.ReadEntry(profile, SlotOfButton(button, bank));
      ShowButton(texts, button, entry, true, image->Macros());
    }
  }
  buttons_.ApplyFlip();
}

void KeyGrid::RebuildTooltips(ProfileNumber profile, int bank) {
  shownBank_ = bank;
  const TooltipTexts texts(texts_);
  const auto image = std::as_const(workspace_).Working();
  for (int button = 0; button < kFnButton; ++button) {
    const KeyEntry entry = workspace_.ReadEntry(profile, SlotOfButton(button, bank));
    ShowButton(texts, button, entry, false, image->Macros());
  }
}

void KeyGrid::RefreshOneKey(int slot, int bank) {
  const int button = ButtonForSlot(slot, bank);
  if (button < 0) return;
  ShowButton(TooltipTexts(texts_), button, KeyEntry{}, true, {});
}

void KeyGrid::ShowEntry(int button, const KeyEntry& entry) {
  if (button < 0 || button >= kFnButton) return;
  const TooltipTexts texts(texts_);
  ShowButton(texts, button, entry, true, std::as_const(workspace_).Working()->Macros());
}

void KeyGrid::RefreshGKeyStates(ProfileNumber profile, int bank) {
  const auto held = std::as_const(workspace_).Working();
  for (int j = 0; j < static_cast<int>(kGKeyCount); ++j) {
    const KeyEntry entry = workspace_.ReadEntry(profile, GKeySlot(j, bank));
    buttons_.SetAssigned(GKeyButton(j), entry.kind != 0);
  }
}

void KeyGrid::ResetKeys(ProfileNumber profile, int bank) {
  {
    const TooltipTexts texts(texts_);
    const auto held = workspace_.Working();
    for (int button = 0; button < kFnButton; ++button) {
      workspace_.StoreEntry(profile, SlotOfButton(button, bank), KeyEntry{});
      ShowButton(texts, button, KeyEntry{}, true, {});
    }
  }
  changes_.SetPendingChanges(true);
}

MacroListChange KeyGrid::ApplyMacroList(std::vector<MacroRecord>& records, ProfileNumber profile,
                                        int bank) {
  const MacroListChange change = workspace_.ApplyMacroList(records);
  ShowMacroListChange(change, profile, bank);
  return change;
}

void KeyGrid::ShowMacroListChange(const MacroListChange& change, ProfileNumber profile, int bank) {
  for (const std::size_t index : change.defaultedEntries) {
    if (index / kSlotsPerProfile == profile.Index()) {
      RefreshOneKey(static_cast<int>(index % kSlotsPerProfile), bank);
    }
  }
  if (change.entriesChanged) changes_.SetPendingChanges(true);
}

}  // namespace ombrex
