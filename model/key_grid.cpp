#include "model/key_grid.h"

#include <mutex>

#include "model/key_buttons_table.h"
#include "model/key_names.h"
#include "model/workspace.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {
namespace {

namespace catalogue = text_catalogue;

KeyCode AsKeyCode(std::uint32_t value) {
  return value <= 0xFFFF ? static_cast<KeyCode>(value) : 0;
}

std::u16string MacroName(std::span<const MacroRecord> macros, std::uint32_t id) {
  for (const MacroRecord& record : macros) {
    if (record.id == id) return std::u16string(record.Name());
  }
  return {};
}

std::u16string AssignmentText(const Texts& texts, std::span<const MacroRecord> macros,
                              const KeyEntry& entry) {
  switch (static_cast<AssignKind>(entry.kind)) {
    case AssignKind::SingleKey:
      return texts.Text(catalogue::kKeyPromptSingle) + KeyNameText(texts, AsKeyCode(entry.value)) +
             u")";
    case AssignKind::Macro:
      return texts.Text(catalogue::kKeyPromptMacro) + MacroName(macros, entry.value) + u")";
    case AssignKind::Media: {
      std::u16string name;
      if (entry.value < kMediaTable.size()) {
        name = KeyNameText(texts, kMediaTable[entry.value].code);
      }
      return texts.Text(catalogue::kKeyPromptMedia) + name + u")";
    }
    case AssignKind::Function: {
      std::u16string name;
      if (entry.value < kFunctionTextKeys.size()) name = texts.Text(kFunctionTextKeys[entry.value]);
      return texts.Text(catalogue::kKeyPromptFunction) + name + u")";
    }
    default:
      return {};
  }
}

bool IsGKeyButton(int button) {
  return button >= kFirstGKeyButton && button < kFirstGKeyButton + static_cast<int>(kGKeyCount);
}

}  // namespace

Tooltip TooltipText(const Texts& texts, std::span<const MacroRecord> macros, int gKey, KeyCode code,
                    const KeyEntry& entry) {
  Tooltip tip;
  if (gKey >= 0) {
    tip.text = u"G";
    tip.text += DecimalText(gKey + 1);
  } else {
    tip.text = KeyNameText(texts, code);
  }
  if (entry.Is(AssignKind::Default)) return tip;
  tip.assigned = true;
  tip.text += texts.Text(catalogue::kKeyPromptSet) + AssignmentText(texts, macros, entry);
  return tip;
}

KeyGrid::KeyGrid(Workspace& workspace, const Texts& texts, KeyButtons& buttons,
                 PendingChanges& changes)
    : workspace_(workspace), texts_(texts), buttons_(buttons), changes_(changes) {}

void KeyGrid::ShowButton(int button, const KeyEntry& entry, bool setMarker,
                         std::span<const MacroRecord> macros) {
  const bool gKey = IsGKeyButton(button);
  const KeyCode code = gKey ? 0 : kKeyButtons[static_cast<std::size_t>(button)].code;
  const Tooltip tip =
      TooltipText(texts_, macros, gKey ? button - kFirstGKeyButton : -1, code, entry);
  if (setMarker) buttons_.SetAssigned(button, tip.assigned);
  buttons_.SetTooltip(button, tip.text);
}

void KeyGrid::RefreshAllKeys(int profile, int bank) {
  {
    std::lock_guard lock(workspace_.ImageLock());
    const auto& macros = workspace_.Working().Macros();
    for (int button = 0; button < kFnButton; ++button) {
      const KeyEntry entry = workspace_.ReadEntry(profile, SlotOfButton(button, bank));
      ShowButton(button, entry, true, macros);
    }
  }
  buttons_.ApplyFlip();
}

void KeyGrid::RebuildTooltips(int profile, int bank) {
  std::lock_guard lock(workspace_.ImageLock());
  const auto& macros = workspace_.Working().Macros();
  for (int button = 0; button < kFnButton; ++button) {
    const KeyEntry entry = workspace_.ReadEntry(profile, SlotOfButton(button, bank));
    ShowButton(button, entry, false, macros);
  }
}

void KeyGrid::RefreshOneKey(int slot, int bank) {
  const int button = ButtonForSlot(slot, bank);
  if (button < 0) return;
  ShowButton(button, KeyEntry{}, true, {});
}

void KeyGrid::ShowEntry(int button, const KeyEntry& entry) {
  if (button < 0 || button >= kFnButton) return;
  std::lock_guard lock(workspace_.ImageLock());
  ShowButton(button, entry, true, workspace_.Working().Macros());
}

void KeyGrid::RefreshGKeyStates(int profile, int bank) {
  std::lock_guard lock(workspace_.ImageLock());
  for (int j = 0; j < static_cast<int>(kGKeyCount); ++j) {
    const KeyEntry entry = workspace_.ReadEntry(profile, GKeySlot(j, bank));
    buttons_.SetAssigned(GKeyButton(j), entry.kind != 0);
  }
}

void KeyGrid::ResetKeys(int profile, int bank) {
  if (profile < 0 || profile >= static_cast<int>(image::kProfileCount)) return;
  {
    std::lock_guard lock(workspace_.ImageLock());
    for (int button = 0; button < kFnButton; ++button) {
      workspace_.StoreEntry(profile, SlotOfButton(button, bank), KeyEntry{});
      ShowButton(button, KeyEntry{}, true, {});
    }
  }
  changes_.SetPendingChanges(true);
}

MacroListChange KeyGrid::ApplyMacroList(std::vector<MacroRecord>& records, int profile, int bank) {
  const MacroListChange change = workspace_.ApplyMacroList(records);
  for (const std::size_t index : change.defaultedEntries) {
    if (static_cast<int>(index / kSlotsPerProfile) == profile) {
      RefreshOneKey(static_cast<int>(index % kSlotsPerProfile), bank);
    }
  }
  if (change.entriesChanged) changes_.SetPendingChanges(true);
  return change;
}

}  // namespace ombrex
