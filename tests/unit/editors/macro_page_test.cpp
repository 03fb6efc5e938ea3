// The macro page's rules: the name list, the cycles and delay fields, the
// action list's row operations, the hand-over at Apply and what Cancel
// leaves behind.

#include "editors/macro_page.h"

#include <gtest/gtest.h>

#include "model/key_entry.h"
#include "tests/unit/editors/macro_page_support.h"

namespace ombrex {
namespace {

using test::MakeMacro;
using test::Row;
using test::RowsOf;

constexpr KeyCode kA = 0x01E, kB = 0x030, kC = 0x02E;

KeyEntry PlaysMacro(std::uint16_t id) {
  KeyEntry entry;
  entry.kind = static_cast<std::uint16_t>(AssignKind::Macro);
  entry.value = id;
  return entry;
}

class MacroPageTest : public ::testing::Test {
 protected:
  void Open(std::vector<MacroRecord> macros) {
    rig_.SetWorkingMacros(std::move(macros));
    rig_.page.Load();
    rig_.page.EnsureCurrent();
  }
  std::vector<Row> Rows() const { return RowsOf(rig_.page.Rows()); }
  std::u16string LastMessage() const {
    return rig_.prompter.messages.empty() ? u"" : rig_.prompter.messages.back().text;
  }

  test::MacroPageRig rig_;
  MacroPage& page_ = rig_.page;
};

TEST_F(MacroPageTest, NewNamesSkipEveryNameAnItemBeginsWith) {
  Open({MakeMacro(1, u"Macro 1", {}), MakeMacro(2, u"MACRO 12", {})});
  page_.Add();
  EXPECT_EQ(rig_.Names().back(), u"Macro 2") << "\"Macro 1\" begins both items";
  EXPECT_EQ(page_.CurrentIndex(), 2);
  EXPECT_EQ(page_.SelectedMacroId(), 3);

  // The counter outlives the opening; only an Add on an empty list resets it.
  page_.Load();
  page_.EnsureCurrent();
  page_.Add();
  EXPECT_EQ(rig_.Names().back(), u"Macro 3");
  Open({});
  page_.Add();
  EXPECT_EQ(rig_.Names(), std::vector<std::u16string>{u"Macro 1"});
}

TEST_F(MacroPageTest, TheHundredAndFirstMacroIsRefusedWithTheLimit) {
  std::vector<MacroRecord> full;
  for (std::uint16_t id = 1; id <= 100; ++id) full.push_back(MakeMacro(id, u"x", {}));
  Open(full);
  page_.Add();
  EXPECT_EQ(page_.ItemCount(), 100u);
  EXPECT_EQ(LastMessage(), u"At most 100 macros.");
  EXPECT_EQ(rig_.dirtyMarks, 1) << "only the first macro's cycles, when it was shown";
}

TEST_F(MacroPageTest, DeletingAskOnlyForAMacroKeysPlay) {
  Open({MakeMacro(1, u"one", {}), MakeMacro(2, u"two", {}), MakeMacro(3, u"three", {})});
  rig_.workspace.StoreEntry(1, 30, PlaysMacro(2));
  page_.Select(1);

  page_.Delete();  // No is the default answer
  EXPECT_EQ(rig_.prompter.questions.size(), 1u);
  EXPECT_EQ(page_.ItemCount(), 3u);

  rig_.prompter.ScriptAnswer(Answer::Yes);
  page_.Delete();
  EXPECT_EQ(rig_.Names(), (std::vector<std::u16string>{u"one", u"three"}));
  EXPECT_EQ(page_.CurrentIndex(), 0) << "the previous macro";

  // A fresh macro is never asked about, even with an id a key still names.
  page_.Add();
  EXPECT_EQ(page_.SelectedMacroId(), 2);
  page_.Delete();
  EXPECT_EQ(rig_.prompter.questions.size(), 2u);
  EXPECT_EQ(page_.ItemCount(), 2u);
}

TEST_F(MacroPageTest, DeletingTheOnlyMacroDisablesTheRowButtonsAndTypingMakesOne) {
  Open({MakeMacro(1, u"only", {{10, kA, 0}})});
  ASSERT_TRUE(page_.ActionButtonsEnabled());
  page_.Delete();
  EXPECT_TRUE(page_.Empty());
  EXPECT_FALSE(page_.ActionButtonsEnabled());
  EXPECT_TRUE(page_.Rows().empty());

  page_.TypeName(u"typed");
  ASSERT_EQ(rig_.Names(), std::vector<std::u16string>{u"typed"});
  EXPECT_TRUE(page_.ActionButtonsEnabled());
  EXPECT_EQ(page_.SelectedMacroId(), 1);
  page_.TypeName(std::u16string(300, u'n'));
  EXPECT_EQ(rig_.Names()[0].size(), 249u);
}

TEST_F(MacroPageTest, AListThatHoldsMacrosAlwaysHasACurrentOne) {
  rig_.SetWorkingMacros({MakeMacro(4, u"a", {}), MakeMacro(7, u"b", {{5, kB, 0}})});
  struct Case {
    std::uint32_t initial;
    int expected;
  };
  for (const Case c : {Case{7, 1}, Case{0, 0}, Case{99, 0}}) {
    page_.Load();
    page_.ShowForKey(c.initial);
    EXPECT_EQ(page_.CurrentIndex(), c.expected) << c.initial;
  }
  // A page shown by its tab: the key was of another kind (value 0x1E).
  page_.Load();
  EXPECT_EQ(page_.CurrentIndex(), -1);
  page_.EnsureCurrent();
  EXPECT_EQ(page_.CurrentIndex(), 0);
  EXPECT_TRUE(page_.ActionButtonsEnabled());
}

TEST_F(MacroPageTest, LoadLeavesFreshMacrosOut) {
  MacroRecord fresh = MakeMacro(2, u"fresh", {});
  fresh.fresh = 1;
  Open({MakeMacro(1, u"kept", {}), fresh});
  EXPECT_EQ(rig_.Names(), std::vector<std::u16string>{u"kept"});
}

TEST_F(MacroPageTest, CyclesAreReadSaturatingAndHeldToOneTo255) {
  Open({MakeMacro(1, u"m", {})});
  struct Case {
    std::u16string_view typed;
    std::u16string_view shown;
  };
  for (const Case c : {Case{u"300", u"255"}, Case{u"0", u"1"}, Case{u"abc", u"1"}, Case{u"", u"1"},
                       Case{u"99999999999", u"255"}, Case{u"-4", u"1"}, Case{u"12x", u"12"}}) {
    page_.SetCyclesText(c.typed);
    EXPECT_EQ(page_.CyclesText(), c.shown) << std::string(c.typed.begin(), c.typed.end());
  }
  EXPECT_EQ(page_.Cycles(), 12);
}

TEST_F(MacroPageTest, DelaysAreHeldTo40000AndRoundedDownToTens) {
  Open({MakeMacro(1, u"m", {{0, kA, 0}})});
  struct Case {
    std::u16string_view typed;
    std::uint32_t stored;
    bool message;
  };
  for (const Case c :
       {Case{u"12345", 12340, false}, Case{u"99999", 40000, true},
        Case{u"99999999999", 40000, true}, Case{u"40000", 40000, false}, Case{u"7", 0, false}}) {
    rig_.prompter.messages.clear();
    page_.EditDelay(0, c.typed);
    EXPECT_EQ(page_.Rows()[0].delay, c.stored);
    EXPECT_EQ(rig_.prompter.messages.size(), c.message ? 1u : 0u);
  }
  EXPECT_EQ(LastMessage(), u"");
  page_.EditDelay(0, u"99999");
  EXPECT_EQ(LastMessage(), u"At most 40000 ms.");
  page_.EditDelay(0, u"");
  EXPECT_EQ(page_.Rows()[0].delay, 40000u) << "an edit that ends without a text changes nothing";
}

TEST_F(MacroPageTest, CellsOfEachColumnOpenTheirOwnEditor) {
  Open({MakeMacro(1, u"m", {{10, kA, 0}})});
  page_.ToggleRecording();
  EXPECT_EQ(page_.BeginCellEdit(0, 0), MacroCellEditor::Key);
  EXPECT_EQ(page_.BeginCellEdit(0, 1), MacroCellEditor::State);
  EXPECT_TRUE(page_.IsRecording());
  EXPECT_EQ(page_.BeginCellEdit(0, 2), MacroCellEditor::Delay);
  EXPECT_FALSE(page_.IsRecording()) << "a delay edit stops the recording";
  EXPECT_EQ(page_.BeginCellEdit(0, 3), MacroCellEditor::None);
  EXPECT_EQ(LastMessage(), u"Not editable.");
  EXPECT_EQ(page_.BeginCellEdit(1, 0), MacroCellEditor::None) << "no such row";

  const int marks = rig_.dirtyMarks;
  page_.EditKey(0, ListPositionFromCode(kA));  // the same key: no change
  page_.EditState(0, 0);
  EXPECT_EQ(rig_.dirtyMarks, marks);
  page_.EditKey(0, 1);  // B
  page_.EditState(0, 1);
  EXPECT_EQ(Rows(), (std::vector<Row>{{kB, 1, 10}}));
  EXPECT_EQ(rig_.dirtyMarks, marks + 2);
}

TEST_F(MacroPageTest, RowsMoveWithinTheListAndKeepTheirDelays) {
  Open({MakeMacro(1, u"m", {{10, kA, 0}, {20, kB, 0}, {30, kC, 0}})});
  const int marks = rig_.dirtyMarks;
  page_.SelectRow(0);
  page_.MoveAction(MacroRowMove::Up);
  page_.MoveAction(MacroRowMove::Top);
  EXPECT_EQ(rig_.dirtyMarks, marks) << "a row already there does not move";

  page_.MoveAction(MacroRowMove::Bottom);
  EXPECT_EQ(Rows(), (std::vector<Row>{{kB, 0, 20}, {kC, 0, 30}, {kA, 0, 10}}));
  EXPECT_EQ(page_.SelectedRow(), 2);
  page_.MoveAction(MacroRowMove::Up);
  page_.MoveAction(MacroRowMove::Top);
  EXPECT_EQ(Rows(), (std::vector<Row>{{kA, 0, 10}, {kB, 0, 20}, {kC, 0, 30}}));
  page_.MoveAction(MacroRowMove::Down);
  EXPECT_EQ(page_.SelectedRow(), 1);
  EXPECT_EQ(rig_.dirtyMarks, marks + 4);

  page_.SelectRow(-1);
  page_.MoveAction(MacroRowMove::Down);
  page_.DeleteAction();
  EXPECT_EQ(rig_.dirtyMarks, marks + 4) << "without a selected row nothing acts";
}

TEST_F(MacroPageTest, DeleteAllAsksAndKeepsTheRowsOnNo) {
  Open({MakeMacro(1, u"m", {{10, kA, 0}, {20, kB, 0}})});
  page_.DeleteAllActions();
  EXPECT_EQ(page_.Rows().size(), 2u);
  EXPECT_EQ(rig_.prompter.questions.back(), u"Delete every action?");
  rig_.prompter.ScriptAnswer(Answer::Yes);
  page_.DeleteAllActions();
  EXPECT_TRUE(page_.Rows().empty());
  page_.DeleteAllActions();
  EXPECT_EQ(rig_.prompter.questions.size(), 2u) << "an empty list asks nothing";
}

TEST_F(MacroPageTest, SwitchingMacrosSavesTheRowsOfTheOneLeft) {
  Open({MakeMacro(1, u"a", {{10, kA, 0}}, 3), MakeMacro(2, u"b", {{20, kB, 0}}, 5)});
  EXPECT_EQ(page_.CyclesText(), u"3");
  page_.EditDelay(0, u"500");
  page_.SetCyclesText(u"9");
  page_.Select(1);
  EXPECT_EQ(page_.CyclesText(), u"5");
  EXPECT_EQ(Rows(), (std::vector<Row>{{kB, 0, 20}}));
  page_.Select(0);
  EXPECT_EQ(page_.CyclesText(), u"9");
  EXPECT_EQ(Rows(), (std::vector<Row>{{kA, 0, 500}}));
}

TEST_F(MacroPageTest, HandOverReplacesTheWorkingListAndRepairsTheKeys) {
  Open({MakeMacro(1, u"a", {{10, kA, 0}}), MakeMacro(3, u"c", {})});
  rig_.workspace.StoreEntry(0, 30, PlaysMacro(3));
  page_.Select(1);
  rig_.prompter.ScriptAnswer(Answer::Yes);
  page_.Delete();
  page_.Add();  // gets id 2
  page_.EditDelay(0, u"70");

  const MacroListChange change = page_.HandOver();
  ASSERT_TRUE(change.applied);
  const std::vector<MacroRecord> list = rig_.workspace.MacroList();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].Name(), u"Macro 1");
  EXPECT_EQ(list[1].fresh, 0);
  EXPECT_EQ(list[0].actions[0].delay, 10u);
  EXPECT_EQ(rig_.workspace.ReadEntry(0, 30).kind, static_cast<std::uint16_t>(AssignKind::Default));
  // The copies lost their fresh flag too: deleting now asks when keys play it.
  rig_.workspace.StoreEntry(0, 31, PlaysMacro(2));
  page_.Delete();
  EXPECT_EQ(rig_.prompter.questions.size(), 2u);
}

TEST_F(MacroPageTest, CancelLeavesTheWorkingImageAsItWas) {
  Open({MakeMacro(1, u"a", {{10, kA, 0}}), MakeMacro(2, u"b", {})});
  rig_.workspace.StoreEntry(2, 40, PlaysMacro(2));
  const std::vector<std::uint8_t> before = rig_.workspace.Working()->Serialize();
  page_.Add();
  page_.TypeName(u"renamed");
  page_.ToggleRecording();
  page_.TakeKey(test::Press(test::kKeyA));
  page_.TakeKey(test::Release(test::kKeyA));
  page_.EditDelay(0, u"900");
  page_.Select(0);
  page_.SetCyclesText(u"77");
  rig_.prompter.ScriptAnswer(Answer::Yes);
  page_.Delete();
  page_.Close();
  EXPECT_EQ(rig_.workspace.Working()->Serialize(), before);
}

TEST_F(MacroPageTest, TheRecordDelayOptionIsNormalisedWhenThePageLoads) {
  SettingsStore& store = rig_.texts.Store();
  store.WriteProfileString(u"PROFILES", u"MacroRecordDelay", u"7");
  Open({});
  EXPECT_FALSE(page_.RecordsRealDelays());
  EXPECT_EQ(store.ReadProfileString(u"PROFILES", u"MacroRecordDelay", u"?"), u"0");
  page_.ToggleRecordDelay();
  EXPECT_TRUE(page_.RecordsRealDelays());
  EXPECT_EQ(store.ReadProfileString(u"PROFILES", u"MacroRecordDelay", u"?"), u"1");
  page_.Load();
  EXPECT_TRUE(page_.RecordsRealDelays());
}

TEST_F(MacroPageTest, RecordingLocksTheNameListAndNamesItsButton) {
  Open({MakeMacro(1, u"m", {})});
  EXPECT_EQ(page_.RecordButtonTextKey(), u"IDS_COMPOSITE_MACRO_ACTION_RECORD");
  page_.ToggleRecording();
  EXPECT_EQ(page_.RecordButtonTextKey(), u"IDS_MACRO_ACTION_STOP_RECORD");
  EXPECT_FALSE(page_.NameEditsEnabled());
  page_.Add();
  page_.TypeName(u"x");
  page_.Delete();
  EXPECT_EQ(rig_.Names(), std::vector<std::u16string>{u"m"});
  page_.StopRecording();
  EXPECT_TRUE(page_.NameEditsEnabled());
  EXPECT_EQ(page_.RecordButtonTextKey(), u"IDS_MACRO_ACTION_RECORD");

  Open({});
  page_.ToggleRecording();
  EXPECT_FALSE(page_.IsRecording()) << "no macro to record into";
}

TEST_F(MacroPageTest, ARecordingStopsWithAMessageAtTheMostActionsAMacroHolds) {
  std::vector<MacroAction> actions(1999, MacroAction{10, kA, 0});
  Open({MakeMacro(1, u"m", actions)});
  page_.ToggleRecording();
  // Print Screen's lone release needs two rows where only one is left: the
  // recording stops rather than keep a press without its release.
  page_.TakeKey(test::Release(test::kPrintScreen));
  EXPECT_FALSE(page_.IsRecording());
  EXPECT_EQ(page_.Rows().size(), 1999u);
  EXPECT_EQ(LastMessage(), u"At most 2000 actions, recording stopped.");
  page_.ToggleRecording();
  // The last row cannot take a press: its release would have no row left.
  page_.TakeKey(test::Press(test::kKeyB));
  EXPECT_FALSE(page_.IsRecording());
  EXPECT_EQ(page_.Rows().size(), 1999u);
  page_.ToggleRecording();
  page_.TakeKey(test::Release(test::kKeyB));
  EXPECT_EQ(page_.Rows().size(), 2000u);
  EXPECT_TRUE(page_.IsRecording());
}

}  // namespace
}  // namespace ombrex
