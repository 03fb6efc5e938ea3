#include "editors/macro_page.h"

#include <algorithm>
#include <limits>

#include "device/app_state.h"
#include "editors/macro_texts.h"
#include "model/app_settings.h"
#include "platform/prompter.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {
namespace {

namespace catalogue = text_catalogue;

// The digits a text starts with, as an unsigned number that stops growing at
// `ceiling` instead of wrapping; nullopt without a leading digit.
std::optional<std::uint64_t> SaturatingDigits(std::u16string_view text, std::uint64_t ceiling) {
  std::uint64_t value = 0;
  std::size_t digits = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') break;
    value = std::min(ceiling, value * 10 + static_cast<std::uint64_t>(c - u'0'));
    ++digits;
  }
  if (digits == 0) return std::nullopt;
  return value;
}

bool BeginsWithIgnoringCase(std::u16string_view text, std::u16string_view start) {
  return text.size() >= start.size() && EqualsIgnoreCase(text.substr(0, start.size()), start);
}

}  // namespace

std::u16string_view ActionStateText(std::uint16_t state) {
  return state == 1 ? kReleaseText : kPressText;
}

MacroPage::MacroPage(Workspace& workspace, AppSettings& settings, const AppState& state,
                     const Texts& texts, Prompter& prompter, const MonotonicClock& clock)
    : workspace_(workspace),
      settings_(settings),
      state_(state),
      texts_(texts),
      prompter_(prompter),
      recorder_(clock) {}

void MacroPage::SetDirtyHandler(std::function<void()> markDirty) {
  markDirty_ = std::move(markDirty);
}

void MacroPage::SetChangeListener(std::function<void()> changed) {
  changed_ = std::move(changed);
}

void MacroPage::MarkDirty() {
  if (markDirty_) markDirty_();
}

void MacroPage::Changed() {
  if (changed_) changed_();
}

// ---- Opening and closing

void MacroPage::Load() {
  recorder_.Stop(false);
  lastRecorded_.reset();
  items_.clear();
  for (MacroRecord& record : workspace_.MacroList()) {
    if (record.fresh == 0) items_.push_back(std::move(record));
  }
  current_ = -1;
  rows_.clear();
  selectedRow_ = -1;
  cyclesText_ = u"1";
  stoppedOnce_ = false;
  realDelays_ = settings_.WriteRecordDelaySetting(settings_.ReadRecordDelaySetting()) == 1;
  Changed();
}

void MacroPage::Close() {
  recorder_.Stop(false);
  lastRecorded_.reset();
  items_.clear();
  items_.shrink_to_fit();
  current_ = -1;
  rows_.clear();
  selectedRow_ = -1;
  Changed();
}

// ---- The page is shown

void MacroPage::ShowForKey(std::uint32_t initialValue) {
  if (items_.empty()) {
    Show(-1);
    return;
  }
  int index = 0;
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (initialValue != 0 && items_[i].id == initialValue) index = static_cast<int>(i);
  }
  Save();
  MakeCurrent(index);
  Show(index);
}

void MacroPage::EnsureCurrent() {
  if (items_.empty() || current_ >= 0) return;
  MakeCurrent(0);
  Show(0);
}

void MacroPage::MakeCurrent(int index) {
  current_ = index;
}

void MacroPage::Show(int index) {
  rows_.clear();
  selectedRow_ = -1;
  const bool valid = index >= 0 && static_cast<std::size_t>(index) < items_.size();
  if (valid) {
    const MacroRecord& record = items_[static_cast<std::size_t>(index)];
    // Writing the cycles is a change of the field like any other.
    SetCyclesText(DecimalText(record.cycles));
    for (const MacroAction& action : record.Actions()) InsertAction(action, false, true);
  }
  Changed();
}

// ---- Name list

std::u16string_view MacroPage::ItemName(std::size_t index) const {
  return index < items_.size() ? items_[index].Name() : std::u16string_view();
}

void MacroPage::Select(int index) {
  if (IsRecording() || index < 0 || static_cast<std::size_t>(index) >= items_.size()) return;
  Save();
  MakeCurrent(index);
  Show(index);
}

void MacroPage::TypeName(std::u16string_view text) {
  if (IsRecording()) return;
  text = text.substr(0, kMaxMacroNameLength);
  if (!items_.empty()) {
    // Every list that holds macros has a current one once the page is shown.
    if (current_ < 0) return;
    items_[static_cast<std::size_t>(current_)].SetName(text);
    MarkDirty();
    Changed();
    return;
  }
  if (text.empty() || RefuseGrowth(kEmptyMacroBytes)) {
    Changed();
    return;
  }
  items_.push_back(FreshMacro(text));
  MakeCurrent(0);
  Show(0);
  MarkDirty();
}

MacroRecord MacroPage::FreshMacro(std::u16string_view name) const {
  MacroRecord record = MakeMacroRecord(LowestFreeId(items_), name);
  record.fresh = 1;
  return record;
}

void MacroPage::Add() {
  if (IsRecording()) return;
  if (items_.size() >= kMaxMacros) {
    ShowFormatted(catalogue::kMacroErrMax, static_cast<int>(kMaxMacros));
    return;
  }
  if (RefuseGrowth(kEmptyMacroBytes)) return;
  if (items_.empty()) nameCounter_ = 0;
  const std::u16string prefix = texts_.Text(catalogue::kMacroNewPrefix);
  std::u16string name;
  const auto taken = [this](std::u16string_view candidate) {
    return std::any_of(items_.begin(), items_.end(), [candidate](const MacroRecord& item) {
      return BeginsWithIgnoringCase(item.Name(), candidate);
    });
  };
  // Names are at most 249 characters, so a counter with more digits than
  // any name is free: the search ends.
  do {
    ++nameCounter_;
    name = prefix + DecimalText(nameCounter_);
  } while (taken(name));

  Save();
  items_.push_back(FreshMacro(name));
  MakeCurrent(static_cast<int>(items_.size()) - 1);
  Show(current_);
  MarkDirty();
}

void MacroPage::Delete() {
  if (IsRecording() || items_.empty() || current_ < 0) return;
  const auto at = static_cast<std::size_t>(current_);
  if (!workspace_.ConfirmMacroDeletion(items_[at], prompter_, texts_)) return;
  items_.erase(items_.begin() + current_);
  MakeCurrent(items_.empty() ? -1 : std::max(0, current_ - 1));
  Show(current_);
  MarkDirty();
}

// ---- Cycles

void MacroPage::SetCyclesText(std::u16string_view text) {
  const int cycles = std::clamp(LeadingInt(text, 0), kMinCycles, kMaxCycles);
  cyclesText_ = DecimalText(cycles);
  MarkDirty();
  Changed();
}

std::uint8_t MacroPage::Cycles() const {
  return static_cast<std::uint8_t>(std::clamp(LeadingInt(cyclesText_, 0), kMinCycles, kMaxCycles));
}

// ---- Action list

void MacroPage::SelectRow(int row) {
  selectedRow_ = (row >= 0 && static_cast<std::size_t>(row) < rows_.size()) ? row : -1;
  Changed();
}

MacroCellEditor MacroPage::BeginCellEdit(int row, int column) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return MacroCellEditor::None;
  switch (column) {
    case static_cast<int>(MacroColumn::Delay):
      StopRecording();
      return MacroCellEditor::Delay;
    case static_cast<int>(MacroColumn::Key):
      return MacroCellEditor::Key;
    case static_cast<int>(MacroColumn::Action):
      return MacroCellEditor::State;
    default:
      prompter_.ShowMessage(texts_.Text(catalogue::kMacroActionErrModify));
      return MacroCellEditor::None;
  }
}

void MacroPage::EditDelay(int row, std::u16string_view text) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size()) return;
  const auto typed = SaturatingDigits(text, std::numeric_limits<std::uint32_t>::max());
  if (!typed) return;
  std::uint64_t delay = *typed;
  if (delay > kMaxEditedDelayMs) {
    ShowFormatted(catalogue::kMacroActionErrDelayMax, static_cast<int>(kMaxEditedDelayMs));
    delay = kMaxEditedDelayMs;
  }
  rows_[static_cast<std::size_t>(row)].delay = static_cast<std::uint32_t>(delay / 10 * 10);
  MarkDirty();
  Changed();
}

void MacroPage::EditKey(int row, std::size_t listPosition) {
  const KeyCode key = CodeFromListPosition(listPosition);
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || key == 0) return;
  MacroAction& action = rows_[static_cast<std::size_t>(row)];
  if (action.key == key) return;
  action.key = key;
  MarkDirty();
  Changed();
}

void MacroPage::EditState(int row, std::uint16_t state) {
  if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || state > 1) return;
  MacroAction& action = rows_[static_cast<std::size_t>(row)];
  if (action.state == state) return;
  action.state = state;
  MarkDirty();
  Changed();
}

void MacroPage::DeleteAction() {
  if (selectedRow_ < 0) return;
  rows_.erase(rows_.begin() + selectedRow_);
  selectedRow_ = -1;
  MarkDirty();
  Changed();
}

void MacroPage::DeleteAllActions() {
  if (rows_.empty()) return;
  if (prompter_.AskYesNo(texts_.Text(catalogue::kMacroActionClearConfirm)) != Answer::Yes) return;
  rows_.clear();
  selectedRow_ = -1;
  MarkDirty();
  Changed();
}

void MacroPage::MoveAction(MacroRowMove move) {
  if (selectedRow_ < 0) return;
  const int last = static_cast<int>(rows_.size()) - 1;
  int target = selectedRow_;
  switch (move) {
    case MacroRowMove::Top:
      target = 0;
      break;
    case MacroRowMove::Up:
      target = selectedRow_ - 1;
      break;
    case MacroRowMove::Down:
      target = selectedRow_ + 1;
      break;
    case MacroRowMove::Bottom:
      target = last;
      break;
  }
  target = std::clamp(target, 0, last);
  if (target == selectedRow_) return;
  const MacroAction moved = rows_[static_cast<std::size_t>(selectedRow_)];
  rows_.erase(rows_.begin() + selectedRow_);
  rows_.insert(rows_.begin() + target, moved);
  selectedRow_ = target;
  MarkDirty();
  Changed();
}

void MacroPage::InsertAction(const MacroAction& action, bool afterSelection, bool keepDelay) {
  if (rows_.size() >= kMaxMacroActions) return;
  MacroAction row = action;
  if (row.state > 1) row.state = 0;
  const std::size_t at = (afterSelection && selectedRow_ >= 0)
                             ? static_cast<std::size_t>(selectedRow_) + 1
                             : rows_.size();
  // A row's delay is the pause after its action: the new event's pause
  // belongs to the row before it.
  if (!keepDelay) {
    if (at == 0) {
      row.delay = 0;
    } else {
      row.delay = rows_[at - 1].delay;
      rows_[at - 1].delay = action.delay;
    }
  }
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), row);
  if (afterSelection) selectedRow_ = static_cast<int>(at);
}

// ---- Recording

void MacroPage::ToggleRecording() {
  if (IsRecording()) {
    StopRecording();
    return;
  }
  if (!ActionButtonsEnabled()) return;
  recorder_.Start();
  Changed();
}

void MacroPage::StopRecording() {
  if (!IsRecording()) return;
  // The keyboard would play a key left down as held until the next macro.
  const std::vector<MacroAction> releases = recorder_.Stop(realDelays_);
  for (const MacroAction& release : releases) InsertAction(release, true, false);
  if (!releases.empty()) MarkDirty();
  lastRecorded_.reset();
  stoppedOnce_ = true;
  Changed();
}

std::u16string_view MacroPage::RecordButtonTextKey() const {
  if (IsRecording()) return catalogue::kMacroActionStopRecord;
  return stoppedOnce_ ? catalogue::kMacroActionRecord : macro_texts::kRecordFirst;
}

std::size_t MacroPage::MemoryRoomInActions() const {
  const MacroMemoryUse use = MemoryUse();
  if (!use.Known()) return kMaxMacroActions;
  if (use.sizes.withoutNames >= use.capacity) return 0;
  return static_cast<std::size_t>(std::min<std::uint64_t>(
      (use.capacity - use.sizes.withoutNames) / kMacroActionBytes, kMaxMacroActions));
}

KeyDisposition MacroPage::TakeKey(const TimedKeyMessage& key) {
  const std::size_t rowRoom = kMaxMacroActions - std::min(rows_.size(), kMaxMacroActions);
  const std::size_t memoryRoom = recorder_.IsRecording() ? MemoryRoomInActions() : 0;
  const RecordedKey taken = recorder_.Take(key, realDelays_, std::min(rowRoom, memoryRoom));
  if (taken.full) {
    StopRecording();
    if (rowRoom <= memoryRoom) {
      ShowFormatted(macro_texts::kRecordActionsFull, static_cast<int>(kMaxMacroActions));
    } else {
      prompter_.ShowMessage(texts_.Text(macro_texts::kRecordMemoryFull));
    }
  } else if (taken.retract) {
    RetractRecorded();
  } else if (taken.count > 0) {
    InsertRecorded(taken.Actions());
  }
  return taken.disposition;
}

void MacroPage::InsertRecorded(std::span<const MacroAction> actions) {
  for (const MacroAction& action : actions) InsertAction(action, true, false);
  lastRecorded_.reset();
  if (selectedRow_ >= 0) {
    lastRecorded_ = RecordedRow{selectedRow_, rows_[static_cast<std::size_t>(selectedRow_)]};
  }
  MarkDirty();
  Changed();
}

void MacroPage::RetractRecorded() {
  const std::optional<RecordedRow> last = std::exchange(lastRecorded_, std::nullopt);
  // A row the user moved or deleted meanwhile stays: an extra release is
  // harmless, a wrong row removed is not.
  if (!last || last->index < 0 || static_cast<std::size_t>(last->index) >= rows_.size()) return;
  const auto at = static_cast<std::size_t>(last->index);
  if (!(rows_[at] == last->action)) return;
  // Undo what InsertAction did: the row before gets its own delay back.
  if (at > 0) rows_[at - 1].delay = rows_[at].delay;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(at));
  if (selectedRow_ == last->index) selectedRow_ = last->index - 1;
  Changed();
}

void MacroPage::ToggleRecordDelay() {
  realDelays_ = settings_.WriteRecordDelaySetting(realDelays_ ? 0 : 1) == 1;
  Changed();
}

// ---- Memory

MacroMemoryUse MacroPage::MemoryUse() const {
  return MeasureMacroMemory(items_, state_.macroCapacity.load(), current_, rows_.size());
}

bool MacroPage::RefuseGrowth(std::uint64_t extraBytes) {
  if (HasMacroRoom(MemoryUse(), extraBytes)) return false;
  prompter_.ShowMessage(texts_.Text(macro_texts::kMemoryNoRoom));
  return true;
}

void MacroPage::ShowFormatted(std::u16string_view textKey, int number) {
  prompter_.ShowMessage(FormatWithInt(texts_.Text(textKey), number));
}

// ---- Apply

void MacroPage::Save() {
  if (items_.empty() || current_ < 0) return;
  MacroRecord& record = items_[static_cast<std::size_t>(current_)];
  record.cycles = Cycles();
  record.count = static_cast<std::uint16_t>(rows_.size());
  std::copy(rows_.begin(), rows_.end(), record.actions.begin());
}

MacroListChange MacroPage::HandOver() {
  Save();
  MacroListChange change = workspace_.ApplyMacroList(items_);
  Changed();
  return change;
}

std::uint16_t MacroPage::SelectedMacroId() const {
  if (items_.empty()) return 0;
  return items_[static_cast<std::size_t>(std::max(current_, 0))].id;
}

}  // namespace ombrex
