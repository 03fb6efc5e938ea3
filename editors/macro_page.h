#pragma once

// The macro page of the key assignment editor: its own copies of every macro
// while the editor is open (the name list), the actions of the current macro
// (the action list), the cycles field, the recorder and the memory gauge.
// Nothing reaches the working image until the editor's Apply or OK hands the
// copies over; Cancel simply closes.
//
// The key assignment editor keeps one MacroPage for the program's life (the
// counter of new names lives as long as the program) and drives it:
//
//   MacroPage page(workspace, settings, state, texts, prompter, clock);
//   page.SetDirtyHandler([this] { dirty_ = true; });   // an edit enables Apply
//
//   page.Load();                          // the editor opens: items from the working list
//   page.ShowForKey(entry.value);         // macro page shown with the key's initial values
//   page.EnsureCurrent();                 // macro page shown by a tab (no initial values)
//   page.StopRecording();                 // another page, Apply, OK, Close
//   if (page.IsRecording()) ...           // F1 does nothing then
//
//   // Apply / OK, after the panel finished a cell edit in progress:
//   const MacroListChange change = page.HandOver();      // saves, then the working list
//   if (page.Empty()) entry = Default; else entry = Macro(page.SelectedMacroId(), page.Cycles());
//
//   page.Close();                         // Cancel or after OK: drops the copies
//
// The Qt panel (editors/macro_page_panel.h) draws the page and forwards the
// user's actions to the members below; it listens with SetChangeListener and
// redraws after every change, whoever made it. Messages and questions go
// through the Prompter, texts are looked up in the current language.
//
// Plain rules, no toolkit; everything runs on the UI thread.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "editors/macro_memory.h"
#include "editors/macro_recorder.h"
#include "model/macro.h"
#include "model/workspace.h"
#include "platform/key_messages.h"

namespace ombrex {

class AppSettings;
class Prompter;
class Texts;
struct AppState;

// The action list's columns.
enum class MacroColumn { Key = 0, Action = 1, Delay = 2 };

// What a click on a cell of the selected row may edit.
enum class MacroCellEditor {
  None,   // nothing (a message said so where the column cannot be edited)
  Delay,  // digits only; finish with EditDelay
  Key,    // the editor's key list; finish with EditKey
  State,  // press or release; finish with EditState
};

enum class MacroRowMove { Top, Up, Down, Bottom };

// Texts of the action column and the key list's drop-down heights.
inline constexpr std::u16string_view kPressText = u"↓";
inline constexpr std::u16string_view kReleaseText = u"  ↑";
inline constexpr int kKeyChoiceHeight = 20;
inline constexpr int kStateChoiceHeight = 6;
inline constexpr std::uint32_t kMaxEditedDelayMs = 40000;
inline constexpr int kMinCycles = 1;
inline constexpr int kMaxCycles = 255;

std::u16string_view ActionStateText(std::uint16_t state);

class MacroPage {
 public:
  MacroPage(Workspace& workspace, AppSettings& settings, const AppState& state, const Texts& texts,
            Prompter& prompter, const MonotonicClock& clock);
  MacroPage(const MacroPage&) = delete;
  MacroPage& operator=(const MacroPage&) = delete;

  // Called for every edit that enables the editor's Apply.
  void SetDirtyHandler(std::function<void()> markDirty);
  // Called after every change of what the page shows.
  void SetChangeListener(std::function<void()> changed);

  // ---- Opening and closing
  // The items become copies of the working list's macros (fresh ones left
  // out), none current, no rows, cycles "1", not recording; the record-delay
  // option is read, normalised to 0 or 1 and written back.
  void Load();
  // Stops a recording and drops the copies.
  void Close();

  // ---- The page is shown
  // With the key's initial values: the macro whose id is `initialValue`, the
  // first one when it is 0 or no macro has it.
  void ShowForKey(std::uint32_t initialValue);
  // Without: a list that holds macros always has a current one, the first
  // when none was chosen yet.
  void EnsureCurrent();

  // ---- Name list (1126), add (1017), delete (1018)
  std::size_t ItemCount() const { return items_.size(); }
  std::u16string_view ItemName(std::size_t index) const;
  int CurrentIndex() const { return current_; }
  bool Empty() const { return items_.empty(); }
  void Select(int index);
  // The edit text of the name list changed: renames the current macro, or
  // makes the first one from the text when the list is empty. Names are cut
  // to 249 characters.
  void TypeName(std::u16string_view text);
  void Add();
  void Delete();
  bool NameEditsEnabled() const { return !IsRecording(); }  // 1017, 1018, 1126

  // ---- Cycles field (1125)
  const std::u16string& CyclesText() const { return cyclesText_; }
  // Every change of the field's text: the leading number, read saturating and
  // held to 1..255; the field shows the corrected text (CyclesText()).
  void SetCyclesText(std::u16string_view text);
  std::uint8_t Cycles() const;

  // ---- Action list (1019)
  std::span<const MacroAction> Rows() const { return rows_; }
  int SelectedRow() const { return selectedRow_; }
  void SelectRow(int row);  // -1 clears
  // A click on a cell of the selected row. The delay column stops a
  // recording; a column that cannot be edited shows its message.
  MacroCellEditor BeginCellEdit(int row, int column);
  void EditDelay(int row, std::u16string_view text);
  // A position of the editor's key list (0..74).
  void EditKey(int row, std::size_t listPosition);
  void EditState(int row, std::uint16_t state);
  void DeleteAction();
  void DeleteAllActions();
  void MoveAction(MacroRowMove move);
  // 1020..1026: exactly while a macro is current.
  bool ActionButtonsEnabled() const { return current_ >= 0 && !items_.empty(); }

  // ---- Recording (1020) and the record-delay option (1027)
  void ToggleRecording();
  void StopRecording();
  bool IsRecording() const { return recorder_.IsRecording(); }
  // The text key of the record button's caption.
  std::u16string_view RecordButtonTextKey() const;
  // A key typed into the editor while recording.
  KeyDisposition TakeKey(const TimedKeyMessage& key);
  bool RecordsRealDelays() const { return realDelays_; }
  void ToggleRecordDelay();

  // ---- Memory gauge
  // The page's items with the shown macro's rows, against the keyboard's
  // macro memory.
  MacroMemoryUse MemoryUse() const;

  // ---- Apply and OK
  // The shown rows and cycles into the current macro's copy.
  void Save();
  // Save, then the copies replace the working list (their fresh flags
  // cleared); the entries that were repaired, for the key grid.
  MacroListChange HandOver();
  // The id of the current macro; 0 when the list is empty.
  std::uint16_t SelectedMacroId() const;

 private:
  void Show(int index);
  // A new macro of the page: cycles 1, no actions, the lowest id free.
  MacroRecord FreshMacro(std::u16string_view name) const;
  void MakeCurrent(int index);
  // The recorder's actions go in after the selected row (the recorder has
  // made sure they fit).
  void InsertRecorded(std::span<const MacroAction> actions);
  // Takes the row InsertRecorded put in last out again.
  void RetractRecorded();
  // How many more actions the keyboard's memory takes (without names).
  std::size_t MemoryRoomInActions() const;
  void InsertAction(const MacroAction& action, bool afterSelection, bool keepDelay);
  // True, after the message, when the list would no longer fit the
  // keyboard's memory without names.
  bool RefuseGrowth(std::uint64_t extraBytes);
  void ShowFormatted(std::u16string_view textKey, int number);
  void MarkDirty();
  void Changed();

  Workspace& workspace_;
  AppSettings& settings_;
  const AppState& state_;
  const Texts& texts_;
  Prompter& prompter_;
  MacroRecorder recorder_;
  std::function<void()> markDirty_;
  std::function<void()> changed_;

  std::vector<MacroRecord> items_;
  int current_ = -1;
  std::vector<MacroAction> rows_;
  int selectedRow_ = -1;
  std::u16string cyclesText_ = u"1";
  bool realDelays_ = false;
  bool stoppedOnce_ = false;
  // The row a recorded event put in last, as it was put in.
  struct RecordedRow {
    int index;
    MacroAction action;
  };
  std::optional<RecordedRow> lastRecorded_;
  // Lives as long as the page (the program): reset only by an Add on an empty list.
  unsigned nameCounter_ = 0;
};

}  // namespace ombrex
