#include "app/qt_prompter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

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

// A message stacked on a question, as a second start's stacks on a switch's
// question: closing from outside ends both, the inner first, without a person.
TEST(QtPrompterTest, BoxesStackedOnOneAnotherAllCloseFromOutside) {
  TraceLog trace;
  QtPrompter prompter([] { return QStringLiteral("Ombrex"); }, trace);
  std::vector<std::string> ended;
  // Only against a hang: whatever is still up after this is closed by force.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (auto* dialog = qobject_cast<QDialog*>(window)) dialog->done(QDialog::Rejected);
    }
  });
  guard.start(10000);
  int shown = 0;
  prompter.WhenShown([&](QDialog&) {
    if (++shown == 1) {
      prompter.ShowMessage(u"No keyboard", false);
      ended.push_back("message");
    } else {
      prompter.CloseOpen();
    }
  });
  const Answer answer = prompter.AskYesNo(u"Apply first?");
  ended.push_back("question");

  EXPECT_TRUE(guard.isActive()) << "closed by the guard, not from outside";
  EXPECT_EQ(answer, Answer::No);
  EXPECT_EQ(ended, (std::vector<std::string>{"message", "question"}));
  EXPECT_FALSE(prompter.Showing());
}

// The keyboard went away: its question is taken back (Cancel, not the No a
// person might have given), while a message stays up.
TEST(QtPrompterTest, AWithdrawnQuestionAnswersCancelAndAMessageStays) {
  TraceLog trace;
  QtPrompter prompter([] { return QStringLiteral("Ombrex"); }, trace);
  bool messageStayed = false;
  prompter.WhenShown([&](QDialog& dialog) {
    prompter.WithdrawQuestions();
    if (qobject_cast<QMessageBox*>(&dialog)->icon() == QMessageBox::Information) {
      messageStayed = dialog.isVisible();
      dialog.accept();
    }
  });
  EXPECT_EQ(prompter.AskYesNo(u"Apply first?"), Answer::Cancel);
  EXPECT_EQ(prompter.AskApplyOrDiscard(u"Apply before exiting?"), Answer::Cancel);
  prompter.ShowMessage(u"Not imported", false);
  EXPECT_TRUE(messageStayed);
  EXPECT_EQ(trace.Count("question withdrawn"), 2u);
}

}  // namespace
}  // namespace ombrex
