#include "app/qt_prompter.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/trace_log.h"

namespace ombrex {
namespace {

TEST(QtFileFilterTest, TheProgramsFiltersBecomeQtsWithEveryFileMatchingStar) {
  EXPECT_EQ(QtFileFilter(u"(*.fwc)|*.fwc|(*.*)|*.*||"), QStringLiteral("(*.fwc);;(*.*) (*)"));
  EXPECT_EQ(QtFileFilter(u"Profiles|*.fwc;*.bak||"), QStringLiteral("Profiles (*.fwc *.bak)"));
  EXPECT_EQ(QtFileFilter(u""), QString());
}

TEST(QtFileFilterTest, TheDefaultExtensionIsAddedOnlyToANameWithoutOne) {
  EXPECT_EQ(WithDefaultExtension("/home/u/mine", u"fwc"),
            std::filesystem::path("/home/u/mine.fwc"));
  EXPECT_EQ(WithDefaultExtension("/home/u/mine.bak", u"fwc"),
            std::filesystem::path("/home/u/mine.bak"));
  EXPECT_EQ(WithDefaultExtension("/home/u/mine", u""), std::filesystem::path("/home/u/mine"));
}

TEST(QtPrompterTest, AQuestionDefaultsToNoAndWhatIsOnScreenClosesAsNoOrCancel) {
  TraceLog trace;
  QtPrompter prompter([] { return QStringLiteral("Ombrex"); }, trace);
  bool noIsTheDefault = false;
  prompter.WhenShown([&](QDialog& dialog) {
    auto& box = static_cast<QMessageBox&>(dialog);
    noIsTheDefault =
        box.defaultButton() != nullptr && box.defaultButton() == box.button(QMessageBox::No);
    prompter.CloseOpen();
  });
  EXPECT_EQ(prompter.AskYesNo(u"Apply first?"), Answer::No);
  EXPECT_TRUE(noIsTheDefault);

  prompter.WhenShown([&](QDialog& dialog) {
    EXPECT_NE(qobject_cast<QFileDialog*>(&dialog), nullptr);
    prompter.CloseOpen();
  });
  FileDialogOptions options{u"fwc", u"*.fwc", u"(*.fwc)|*.fwc|(*.*)|*.*||", false};
  EXPECT_EQ(prompter.ChooseOpenFile(options), std::nullopt);
  EXPECT_FALSE(prompter.Showing());
  EXPECT_TRUE(trace.HasLine("question: Apply first?"));
  EXPECT_TRUE(trace.HasLine("open file"));
}

}  // namespace
}  // namespace ombrex
