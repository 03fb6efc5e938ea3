// The profile manager dialog offscreen: what it shows of the manager's rows,
// and its buttons driving the manager as a user would.

#include "editors/views/vantrel_dlg_profile.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include "tests/support/editors/profile_rig.h"
#include "tests/unit/editor_dialogs/built_texts.h"
#include "widgets/report_ctrl.h"
#include "widgets/skin_pictures.h"

namespace ombrex {
namespace {

namespace control = profile_control;

class ProfileDialogTest : public ::testing::Test {
 protected:
  ProfileDialogTest()
      : rig_(texts_.Get()),
        pictures_(test::BuiltProgramFolder(), 1.0),
        dialog_(rig_.Manager(), pictures_, texts_.Get(), [this] { ++helps_; }) {}

  // Runs the dialog; `steps` act on it once it runs and must end it.
  int RunWith(std::function<void()> steps) {
    QTimer::singleShot(0, &dialog_, std::move(steps));
    return dialog_.Run();
  }
  void Click(int controlId) {
    CPngButton* button = dialog_.Button(controlId);
    ASSERT_NE(button, nullptr) << controlId;
    button->click();
  }
  std::vector<std::u16string> Names() {
    std::vector<std::u16string> names;
    for (int row = 0; row < dialog_.List().ItemCount(); ++row) {
      names.push_back(dialog_.List().GetItemText(row, 1));
    }
    return names;
  }

  test::BuiltTexts texts_;
  test::ProfileRig rig_;
  SkinPictures pictures_;
  CVantrel_DlgProfile dialog_;
  int helps_ = 0;
};

TEST_F(ProfileDialogTest, OpensOnTheFourProfilesWithTheKeyboardsOneChecked) {
  ASSERT_EQ(rig_.Keyboard().Commands().SetActiveProfile(2), result::kOk);
  const int result = RunWith([&] {
    CReportCtrl& list = dialog_.List();
    EXPECT_EQ(list.ItemCount(), 4);
    EXPECT_EQ(list.GetCheckedItem(), 2);
    EXPECT_EQ(list.GetSelectedItem(), 2);
    EXPECT_EQ(list.GetItemText(0, 1), u"$Profile0");
    EXPECT_EQ(list.GetItemText(0, 2), rig_.GetWorkspace().ProfileFolder().u16string() + u"/");
    EXPECT_EQ(list.horizontalHeaderItem(0)->text(), QStringLiteral("Active"));
    EXPECT_EQ(dialog_.Button(control::kAdd)->text(), QStringLiteral("New…"));
    EXPECT_FALSE(dialog_.Button(control::kApply)->isEnabled());
    // Enter and Escape close nothing; F1 asks for help.
    for (int key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_F1}) {
      QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
      QApplication::sendEvent(&dialog_, &press);
    }
    EXPECT_TRUE(dialog_.isVisible());
    EXPECT_EQ(helps_, 1);
    Click(control::kCancel);
  });
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(rig_.Manager().IsOpen());
}

TEST_F(ProfileDialogTest, AddDeleteCheckAndApplyActOnTheManager) {
  const std::filesystem::path added = rig_.Folder() / "Racing.fwc";
  rig_.Prompter().ScriptFile(added);
  const int result = RunWith([&] {
    CReportCtrl& list = dialog_.List();
    Click(control::kAdd);
    EXPECT_TRUE(std::filesystem::exists(added));
    EXPECT_EQ(list.ItemCount(), 5);
    EXPECT_EQ(list.GetSelectedItem(), 4);
    EXPECT_TRUE(dialog_.Button(control::kApply)->isEnabled());

    // The next row takes the deleted one's place; at the end, the one before.
    // Each removal is confirmed.
    rig_.Prompter().ScriptAnswer(Answer::Yes);
    rig_.Prompter().ScriptAnswer(Answer::Yes);
    list.SelectItem(1);
    Click(control::kDelete);
    EXPECT_EQ(list.GetSelectedItem(), 1);
    list.SelectItem(3);
    Click(control::kDelete);
    EXPECT_EQ(list.GetSelectedItem(), 2);
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"$Profile0", u"$Profile0", u"$Profile0"}));

    // The row listed for profile 3, now the third.
    list.SetCheck(2, true);
    EXPECT_EQ(rig_.Manager().CheckedRow(), 2);
    Click(control::kApply);
    EXPECT_EQ(rig_.KeyboardProfile(), 3);
    EXPECT_FALSE(dialog_.Button(control::kApply)->isEnabled());
    EXPECT_EQ(list.GetCheckedItem(), 2);

    list.SetCheck(2, false);
    EXPECT_EQ(rig_.Manager().CheckedRow(), -1);
    EXPECT_TRUE(dialog_.Button(control::kApply)->isEnabled());
    Click(control::kOk);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(rig_.Store().ReadProfileString(u"PROFILES", u"PROFILE00", u""), u"3");
  EXPECT_FALSE(rig_.Manager().IsOpen());
  EXPECT_FALSE(dialog_.isVisible());
}

TEST_F(ProfileDialogTest, AClosingFromOutsideIsCancel) {
  const int result = RunWith([&] {
    dialog_.List().SetCheck(0, true);
    dialog_.CloseWithoutApplying();
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(rig_.Store().ReadProfileString(u"PROFILES", u"PROFILE00", u"none"), u"none");
  EXPECT_FALSE(rig_.Manager().IsOpen());
}

}  // namespace
}  // namespace ombrex
