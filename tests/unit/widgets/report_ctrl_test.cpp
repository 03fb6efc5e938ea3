#include "widgets/report_ctrl.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <string>
#include <vector>

#include "tests/unit/widgets/widget_test_util.h"

namespace ombrex {
namespace {

class ReportCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(400, 300);
    list = new CReportCtrl(&window);
    list->setGeometry(0, 0, 400, 300);
    list->SetColumns({{u"Key", 100}, {u"Action", 100}, {u"Delay", 100}});
    list->AppendItem({u"A", u"↓", u"120"});
    list->AppendItem({u"A", u"  ↑", u"0"});
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  QLineEdit* EditBox() { return qobject_cast<QLineEdit*>(list->Editor()); }
  QComboBox* Combo() { return qobject_cast<QComboBox*>(list->Editor()); }

  QWidget window;
  CReportCtrl* list = nullptr;
};

TEST_F(ReportCtrlTest, EnterCommitsTheTypedDigits) {
  QSignalSpy edited(list, &CReportCtrl::cellEdited);
  ASSERT_TRUE(list->EditCell(0, 2));
  ASSERT_NE(EditBox(), nullptr);
  EXPECT_EQ(EditBox()->text(), QStringLiteral("120"));
  EditBox()->clear();
  QTest::keyClicks(EditBox(), QStringLiteral("3a5x0"));
  EXPECT_EQ(EditBox()->text(), QStringLiteral("350")) << "digits only";
  QTest::keyClick(EditBox(), Qt::Key_Return);
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(list->GetItemText(0, 2), u"350");
  ASSERT_EQ(edited.count(), 1);
  EXPECT_EQ(edited.at(0).at(0).toInt(), 0);
  EXPECT_EQ(edited.at(0).at(1).toInt(), 2);
  EXPECT_EQ(edited.at(0).at(2).toString(), QStringLiteral("350"));
  EXPECT_EQ(edited.at(0).at(3).toInt(), -1);
}

TEST_F(ReportCtrlTest, EscapeCancelsAndLeavesTheCell) {
  QSignalSpy edited(list, &CReportCtrl::cellEdited);
  ASSERT_TRUE(list->EditCell(1, 2));
  QTest::keyClicks(EditBox(), QStringLiteral("999"));
  QTest::keyClick(EditBox(), Qt::Key_Escape);
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(list->GetItemText(1, 2), u"0");
  EXPECT_EQ(edited.count(), 0);
}

TEST_F(ReportCtrlTest, LosingTheFocusCommits) {
  auto* other = new QLineEdit(&window);
  other->show();
  ASSERT_TRUE(list->EditCell(1, 2));
  EditBox()->setText(QStringLiteral("40"));
  ASSERT_TRUE(EditBox()->hasFocus());
  other->setFocus(Qt::MouseFocusReason);
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(list->GetItemText(1, 2), u"40");
  EXPECT_TRUE(other->hasFocus()) << "the list does not take the focus back";

  list->EditCell(0, 2);
  QTest::keyClick(EditBox(), Qt::Key_Return);
  EXPECT_TRUE(list->hasFocus()) << "Enter leaves the focus on the list";
}

TEST_F(ReportCtrlTest, VerifierCorrectsOrRefuses) {
  list->SetEditVerifier([](CellEdit& edit) {
    if (edit.text.empty()) return false;
    if (edit.text.size() > 5) edit.text = u"40000";
    return true;
  });
  QSignalSpy edited(list, &CReportCtrl::cellEdited);

  list->EditCell(0, 2);
  EditBox()->setText(QStringLiteral("999999"));
  list->EndEdit(true);
  EXPECT_EQ(list->GetItemText(0, 2), u"40000");

  list->EditCell(0, 2);
  EditBox()->clear();
  list->EndEdit(true);
  EXPECT_EQ(list->GetItemText(0, 2), u"40000") << "a refused edit keeps the cell";
  ASSERT_EQ(edited.count(), 1);
  EXPECT_EQ(edited.at(0).at(2).toString(), QStringLiteral("40000"));
}

TEST_F(ReportCtrlTest, DropDownCommitsTheChosenEntryWithItsIndex) {
  QSignalSpy edited(list, &CReportCtrl::cellEdited);
  ASSERT_TRUE(list->EditCellWithChoices(0, 1, {u"↓", u"  ↑"}, 6, 0));
  ASSERT_NE(Combo(), nullptr);
  EXPECT_EQ(Combo()->maxVisibleItems(), 6);
  EXPECT_EQ(Combo()->currentIndex(), 0);
  Combo()->hidePopup();
  Combo()->setCurrentIndex(1);
  QTest::keyClick(Combo(), Qt::Key_Return);
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(list->GetItemText(0, 1), u"  ↑");
  ASSERT_EQ(edited.count(), 1);
  EXPECT_EQ(edited.at(0).at(3).toInt(), 1);
}

TEST_F(ReportCtrlTest, DropDownEscapeCancelsAndKeyboardBrowsingDoesNotCommit) {
  QSignalSpy edited(list, &CReportCtrl::cellEdited);
  ASSERT_TRUE(list->EditCellWithChoices(0, 0, {u"A", u"B", u"C"}, 20, 0));
  Combo()->hidePopup();
  QApplication::processEvents();
  QTest::keyClick(Combo(), Qt::Key_Down);
  EXPECT_TRUE(list->IsEditing()) << "moving through the entries is not a choice";
  QTest::keyClick(Combo(), Qt::Key_Escape);
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(list->GetItemText(0, 0), u"A");
  EXPECT_EQ(edited.count(), 0);
}

TEST_F(ReportCtrlTest, ChoiceInTheOpenListCommits) {
  QSignalSpy edited(list, &CReportCtrl::cellEdited);
  ASSERT_TRUE(list->EditCellWithChoices(1, 0, {u"A", u"B", u"C"}, 20, 0));
  QComboBox* combo = Combo();
  ASSERT_TRUE(combo->view()->isVisible());
  const QModelIndex entry = combo->view()->model()->index(2, 0);
  combo->view()->setCurrentIndex(entry);
  QTest::keyClick(combo->view(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(list->GetItemText(1, 0), u"C");
  ASSERT_EQ(edited.count(), 1);
  EXPECT_EQ(edited.at(0).at(3).toInt(), 2);
}

TEST_F(ReportCtrlTest, ChangingTheRowsFinishesAnEditFirst) {
  list->EditCell(1, 2);
  EditBox()->setText(QStringLiteral("70"));
  list->InsertItem(0, {u"B", u"↓", u"10"});
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(list->GetItemText(2, 2), u"70") << "the edited row moved down with its text";

  list->EditCell(0, 2);
  list->DeleteAllItems();
  EXPECT_FALSE(list->IsEditing());
  EXPECT_EQ(list->ItemCount(), 0);
}

TEST_F(ReportCtrlTest, EditingACellThatDoesNotExistIsRefused) {
  EXPECT_FALSE(list->EditCell(2, 0));
  EXPECT_FALSE(list->EditCell(0, 3));
  EXPECT_FALSE(list->EditCellWithChoices(-1, 0, {u"A"}, 5, 0));
  EXPECT_FALSE(list->IsEditing());
}

TEST_F(ReportCtrlTest, RowsKeepDataAndSelection) {
  list->SetItemData(1, QVariant::fromValue<qulonglong>(0x0102030405060708ull));
  list->InsertItem(0, {u"C"});
  EXPECT_EQ(list->GetItemData(2).toULongLong(), 0x0102030405060708ull);
  EXPECT_EQ(list->GetSelectedItem(), -1);
  list->SelectItem(2);
  EXPECT_EQ(list->GetSelectedItem(), 2);
  list->SelectItem(0);
  EXPECT_EQ(list->GetSelectedItem(), 0) << "one row at a time";
  EXPECT_EQ(list->selectedItems().size(), 3) << "the whole row";
  EXPECT_TRUE(list->DeleteItem(0));
  EXPECT_FALSE(list->DeleteItem(5));
  EXPECT_EQ(list->GetItemText(0, 0), u"A");
}

TEST_F(ReportCtrlTest, OnlyOneRowIsCheckedAtATime) {
  list->SetCheckboxes(true);
  list->AppendItem({u"third"});
  QSignalSpy changes(list, &CReportCtrl::checkChanged);
  EXPECT_EQ(list->GetCheckedItem(), -1);
  list->SetCheck(0, true);
  list->SetCheck(2, true);
  EXPECT_FALSE(list->GetCheck(0));
  EXPECT_TRUE(list->GetCheck(2));
  EXPECT_EQ(list->GetCheckedItem(), 2);

  // A click on the box checks as the program does.
  const QRect box = list->visualRect(list->model()->index(1, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    QPoint(box.left() + 10, box.center().y()));
  EXPECT_TRUE(list->GetCheck(1));
  EXPECT_FALSE(list->GetCheck(2));

  list->SetItemText(1, 0, u"renamed");  // a text change is no check change
  const std::vector<std::pair<int, bool>> expected{
      {0, true}, {0, false}, {2, true}, {2, false}, {1, true}};
  ASSERT_EQ(changes.count(), static_cast<int>(expected.size()));
  for (int i = 0; i < changes.count(); ++i) {
    EXPECT_EQ(changes.at(i).at(0).toInt(), expected[i].first) << i;
    EXPECT_EQ(changes.at(i).at(1).toBool(), expected[i].second) << i;
  }
}

}  // namespace
}  // namespace ombrex
