// The macro page's controls on the editor's skin, driven as a user would:
// clicks on the real widgets and key events with native codes.

#include "editors/views/macro_page_panel.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "tests/support/editors/macro_page_stage.h"
#include "tests/support/fake_clock.h"
#include "tests/support/native_keys.h"
#include "widgets/key_message_filter.h"
#include "widgets/memory_gauge.h"
#include "widgets/png_button.h"
#include "widgets/report_ctrl.h"

namespace ombrex {
namespace {

namespace id = macro_control;

std::vector<MacroAction> CopyActions() {
  return {{50, 0x01D, 0}, {120, 0x02E, 0}, {50, 0x02E, 1}, {0, 0x01D, 1}};
}

class MacroPagePanelTest : public ::testing::Test {
 protected:
  template <typename Widget>
  Widget& Get(int control) {
    auto* widget = qobject_cast<Widget*>(stage_.panel->Control(control));
    EXPECT_NE(widget, nullptr) << control;
    return *widget;
  }
  CReportCtrl& Actions() { return stage_.panel->ActionList(); }
  void Click(int control) { QTest::mouseClick(&Get<CPngButton>(control), Qt::LeftButton); }
  void ClickCell(int row, int column) {
    const QRect cell = Actions().visualRect(Actions().model()->index(row, column));
    QTest::mouseClick(Actions().viewport(), Qt::LeftButton, {}, cell.center());
  }
  std::vector<std::u16string> Column(int column) {
    std::vector<std::u16string> texts;
    for (int row = 0; row < Actions().ItemCount(); ++row) {
      texts.push_back(Actions().GetItemText(row, column));
    }
    return texts;
  }

  test::FakeClock clock_;
  test::MacroPageStage stage_{
      {MakeMacroRecord(1, u"Copy", CopyActions()), MakeMacroRecord(2, u"Greeting")}, clock_};
  CBaseDialog& dialog_ = stage_.dialog;
  MacroPage& page_ = stage_.page;
  std::optional<MacroPagePanel>& panel_ = stage_.panel;
  AppState& state_ = stage_.state;
  test::RecordingPrompter& prompter_ = stage_.prompter;
  AppSettings& settings_ = stage_.settings;
};

TEST_F(MacroPagePanelTest, ControlsSitWhereTheSkinPutsThemAndHideWithThePage) {
  EXPECT_EQ(Get<QComboBox>(id::kNames).geometry(), QRect(98, 118, 226, 26));
  EXPECT_EQ(Get<CReportCtrl>(id::kActions).geometry(), QRect(34, 154, 330, 168));
  EXPECT_EQ(Get<CMemoryGauge>(id::kMemoryGauge).geometry(), QRect(34, 332, 532, 36));
  EXPECT_EQ(Get<CPngButton>(id::kRecord).geometry(), QRect(378, 154, 188, 36));
  panel_->SetVisible(false);
  for (int control :
       {id::kNames, id::kAdd, id::kDelete, id::kCycles, id::kActions, id::kRecord, id::kMoveBottom,
        id::kRecordDelay, id::kRecordDelayCaption, id::kMemoryGauge}) {
    EXPECT_FALSE(panel_->Control(control)->isVisible()) << control;
  }
  EXPECT_EQ(panel_->Control(1200), nullptr) << "the page label belongs to the dialog";
}

TEST_F(MacroPagePanelTest, TheActionListShowsNamesArrowsAndDelays) {
  EXPECT_EQ(Column(0), (std::vector<std::u16string>{u"Left Ctrl", u"C", u"C", u"Left Ctrl"}));
  EXPECT_EQ(Column(1), (std::vector<std::u16string>{u"↓", u"↓", u"  ↑", u"  ↑"}));
  EXPECT_EQ(Column(2), (std::vector<std::u16string>{u"50", u"120", u"50", u"0"}));
  EXPECT_EQ(Get<QComboBox>(id::kNames).currentText(), "Copy");
  EXPECT_EQ(Get<QLineEdit>(id::kCycles).text(), "1");
  EXPECT_EQ(Actions().horizontalHeaderItem(2)->text(), "Delay (ms)");
}

TEST_F(MacroPagePanelTest, RecordingTakesTheEditorsKeysAndStopsWhenAskedFromOutside) {
  Click(id::kRecord);
  ASSERT_TRUE(page_.IsRecording());
  EXPECT_TRUE(panel_->RecordingFilter().IsRunning());
  EXPECT_TRUE(Get<CPngButton>(id::kRecord).IsSelected());
  EXPECT_FALSE(Get<QComboBox>(id::kNames).isEnabled());
  EXPECT_FALSE(Get<CPngButton>(id::kAdd).isEnabled());

  for (const test::NativeKey& key :
       {test::kNativeA, test::kNativeRightShift, test::kNativeKeypadEnter, test::kNativeSuperL,
        test::kNativeMenu, test::kNativeMute, test::kNativeTab, test::kNativeReturn,
        test::kNativeEscape}) {
    test::TypeNativeKey(dialog_, key);
  }
  const std::vector<std::u16string> keys = Column(0);
  const std::vector<std::u16string> recorded(keys.begin() + 4, keys.end());
  EXPECT_EQ(recorded,
            (std::vector<std::u16string>{u"A", u"A", u"Right Shift", u"Right Shift", u"Num Enter",
                                         u"Num Enter", u"Left Win", u"Left Win", u"Menu", u"Menu",
                                         u"Tab", u"Tab", u"Enter", u"Enter", u"Esc", u"Esc"}))
      << "the mute key passes";
  EXPECT_TRUE(dialog_.isVisible()) << "neither Enter nor Escape closed the editor";

  // The editor leaves the page: the recording stops and the filter goes.
  page_.StopRecording();
  EXPECT_FALSE(panel_->RecordingFilter().IsRunning());
  EXPECT_EQ(Get<CPngButton>(id::kRecord).text(), "Record");
  EXPECT_TRUE(Get<QComboBox>(id::kNames).isEnabled());
  test::TypeNativeKey(dialog_, test::kNativeB);
  EXPECT_EQ(Actions().ItemCount(), 20);
}

TEST_F(MacroPagePanelTest, AHiddenPageNeverRecords) {
  Click(id::kRecord);
  panel_->SetVisible(false);
  EXPECT_FALSE(panel_->RecordingFilter().IsRunning());
}

TEST_F(MacroPagePanelTest, EditingADelayCellStopsTheRecordingAndStoresTheRoundedValue) {
  ClickCell(1, 2);  // selects the row
  EXPECT_FALSE(Actions().IsEditing());
  Click(id::kRecord);
  ClickCell(1, 2);
  ASSERT_TRUE(Actions().IsEditing());
  EXPECT_FALSE(page_.IsRecording());
  auto* editor = qobject_cast<QLineEdit*>(Actions().Editor());
  ASSERT_NE(editor, nullptr);
  editor->setText(QStringLiteral("12345"));
  panel_->FinishCellEdit();
  EXPECT_EQ(page_.Rows()[1].delay, 12340u);
  EXPECT_EQ(Actions().GetItemText(1, 2), u"12340");
}

TEST_F(MacroPagePanelTest, TheKeyAndActionCellsOfferTheirLists) {
  ClickCell(0, 0);
  ClickCell(0, 0);
  auto* keys = qobject_cast<QComboBox*>(Actions().Editor());
  ASSERT_NE(keys, nullptr);
  EXPECT_EQ(keys->count(), 75);
  EXPECT_EQ(keys->currentIndex(), -1) << "Ctrl is not in the key list";
  keys->setCurrentIndex(1);
  panel_->FinishCellEdit();
  EXPECT_EQ(Actions().GetItemText(0, 0), u"B");

  ClickCell(0, 1);
  auto* states = qobject_cast<QComboBox*>(Actions().Editor());
  ASSERT_NE(states, nullptr);
  EXPECT_EQ(states->count(), 2);
  states->setCurrentIndex(1);
  panel_->FinishCellEdit();
  EXPECT_EQ(page_.Rows()[0].state, 1);
}

TEST_F(MacroPagePanelTest, TypingRenamesAndTheCyclesFieldShowsTheHeldNumber) {
  QLineEdit& name = *Get<QComboBox>(id::kNames).lineEdit();
  name.setFocus();
  name.setCursorPosition(1);
  QTest::keyClick(&name, Qt::Key_X);
  EXPECT_EQ(page_.ItemName(0), u"Cxopy");
  EXPECT_EQ(name.cursorPosition(), 2);

  QLineEdit& cycles = Get<QLineEdit>(id::kCycles);
  cycles.selectAll();
  QTest::keyClicks(&cycles, "300");
  EXPECT_EQ(cycles.text(), "255");
  EXPECT_EQ(page_.Cycles(), 255);
}

TEST_F(MacroPagePanelTest, RowButtonsFollowTheCurrentMacro) {
  for (int control : {id::kRecord, id::kDeleteAction, id::kMoveBottom}) {
    EXPECT_TRUE(Get<CPngButton>(control).isEnabled()) << control;
  }
  prompter_.ScriptAnswer(Answer::Yes);
  Click(id::kDelete);
  Click(id::kDelete);
  EXPECT_TRUE(page_.Empty());
  for (int control : {id::kRecord, id::kDeleteAction, id::kClearActions, id::kMoveTop, id::kMoveUp,
                      id::kMoveDown, id::kMoveBottom}) {
    EXPECT_FALSE(Get<CPngButton>(control).isEnabled()) << control;
  }
  EXPECT_EQ(Actions().ItemCount(), 0);
  EXPECT_EQ(Get<QComboBox>(id::kNames).count(), 0);
}

TEST_F(MacroPagePanelTest, TheGaugeSaysHowFullTheMemoryIsAndWhatTheDownloadWillDo) {
  CMemoryGauge& gauge = Get<CMemoryGauge>(id::kMemoryGauge);
  // Two macros, four actions, names "Copy" and "Greeting": S0 = 44, S1 = 68.
  state_.macroCapacity.store(128);
  Click(id::kAdd);  // S0 50, S1 88 with "Macro 1"
  EXPECT_EQ(gauge.Text(), "68 % of the keyboard's macro memory (88 / 128 bytes)");
  EXPECT_EQ(gauge.Note(), "");
  EXPECT_EQ(gauge.CurrentLevel(), CMemoryGauge::Level::Normal);

  state_.macroCapacity.store(64);
  Click(id::kAdd);  // S0 56, S1 108
  EXPECT_EQ(gauge.Text(), "87 % of the keyboard's macro memory (56 / 64 bytes)");
  EXPECT_EQ(gauge.Note(), "names will be left out to fit");
  EXPECT_EQ(gauge.CurrentLevel(), CMemoryGauge::Level::Warning);

  state_.macroCapacity.store(48);
  page_.Select(0);
  EXPECT_EQ(gauge.CurrentLevel(), CMemoryGauge::Level::Over);
  EXPECT_EQ(gauge.Note(), "too large: Apply will refuse it");

  state_.macroCapacity.store(0);
  page_.Select(1);
  EXPECT_EQ(gauge.Share(), std::nullopt);
  EXPECT_EQ(gauge.Text(), "Macro memory: not known until the keyboard has been read");
}

TEST_F(MacroPagePanelTest, TheRecordDelayBoxFlipsTheStoredOption) {
  QCheckBox& box = Get<QCheckBox>(id::kRecordDelay);
  EXPECT_FALSE(box.isChecked());
  QTest::mouseClick(&box, Qt::LeftButton);
  EXPECT_TRUE(box.isChecked());
  EXPECT_TRUE(page_.RecordsRealDelays());
  EXPECT_EQ(settings_.ReadRecordDelaySetting(), 1);
}

}  // namespace
}  // namespace ombrex
