// The key filter takes only the given window's keys, and only while it runs.

#include "widgets/key_message_filter.h"

#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDialog>
#include <QLineEdit>
#include <QVBoxLayout>
#include <vector>

#include "tests/support/native_keys.h"

namespace ombrex {
namespace {

using test::kNativeA;
using test::kNativeB;
using test::SendNativeKey;

class MenuCounter : public QWidget {
 public:
  using QWidget::QWidget;
  int menus = 0;

 protected:
  void contextMenuEvent(QContextMenuEvent*) override { ++menus; }
};

class KeyMessageFilterTest : public ::testing::Test {
 protected:
  KeyMessageFilterTest() {
    auto* layout = new QVBoxLayout(&window_);
    edit_ = new QLineEdit(&window_);
    other_ = new QLineEdit(&window_);
    layout->addWidget(edit_);
    layout->addWidget(other_);
    window_.show();
    edit_->setFocus();
    elsewhere_.show();
  }
  void Run(KeyDisposition disposition) {
    filter_.Start(window_, [this, disposition](const TimedKeyMessage& key) {
      seen_.push_back(key);
      return disposition;
    });
  }

  QDialog window_;
  QLineEdit* edit_;
  QLineEdit* other_;
  QLineEdit elsewhere_;
  KeyMessageFilter filter_;
  std::vector<TimedKeyMessage> seen_;
};

TEST_F(KeyMessageFilterTest, ASwallowedKeyReachesNoWidgetAndNoShortcut) {
  Run(KeyDisposition::Swallow);
  const test::SentKey sent = SendNativeKey(window_, kNativeA, QEvent::KeyPress, false, 5000);
  SendNativeKey(window_, kNativeA, QEvent::KeyRelease, false, 5120);
  EXPECT_TRUE(sent.overrideTaken);
  EXPECT_EQ(edit_->text(), "");
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0].message, KeyMessageFromXkb(38, 'a', {}));
  EXPECT_EQ(seen_[1].message, KeyMessageFromXkb(38, 'a', {.release = true}));
  EXPECT_EQ(seen_[0].stampMs, 5000u);
  EXPECT_EQ(seen_[1].stampMs, 5120u);
}

TEST_F(KeyMessageFilterTest, TabEnterAndEscapeNeitherMoveTheFocusNorCloseTheWindow) {
  Run(KeyDisposition::Swallow);
  for (const test::NativeKey& key :
       {test::kNativeTab, test::kNativeReturn, test::kNativeEscape, test::kNativeKeypadEnter}) {
    test::TypeNativeKey(window_, key);
  }
  EXPECT_TRUE(window_.isVisible());
  EXPECT_EQ(window_.result(), 0);
  EXPECT_EQ(window_.focusWidget(), edit_);
  EXPECT_EQ(seen_.size(), 8u);
}

TEST_F(KeyMessageFilterTest, APassedKeyReachesTheWidgetAsAlways) {
  Run(KeyDisposition::Pass);
  test::TypeNativeKey(window_, kNativeB);
  EXPECT_EQ(edit_->text(), "b");
  // The edit does not take Super: Qt hands it on to the parents.
  test::TypeNativeKey(window_, test::kNativeSuperL);
  EXPECT_EQ(seen_.size(), 4u) << "each event seen once, not again on its way up";
}

TEST_F(KeyMessageFilterTest, OtherWindowsAndAStoppedFilterAreLeftAlone) {
  Run(KeyDisposition::Swallow);
  elsewhere_.setFocus();
  test::TypeNativeKey(elsewhere_, kNativeA);
  EXPECT_EQ(elsewhere_.text(), "a");
  EXPECT_TRUE(seen_.empty());

  filter_.Stop();
  EXPECT_FALSE(filter_.IsRunning());
  test::TypeNativeKey(window_, kNativeA);
  EXPECT_EQ(edit_->text(), "a");
  EXPECT_TRUE(seen_.empty());
}

TEST_F(KeyMessageFilterTest, RepeatsArriveAsRepeatedPressesAndTheirReleasesAreDropped) {
  Run(KeyDisposition::Swallow);
  SendNativeKey(window_, kNativeA, QEvent::KeyPress);
  // X's auto-repeat: release and press pairs marked as repeats.
  for (int i = 0; i < 3; ++i) {
    SendNativeKey(window_, kNativeA, QEvent::KeyRelease, true);
    SendNativeKey(window_, kNativeA, QEvent::KeyPress, true);
  }
  // A platform that does not mark them: a press of a key that is down.
  SendNativeKey(window_, kNativeA, QEvent::KeyPress);
  SendNativeKey(window_, kNativeA, QEvent::KeyRelease);
  ASSERT_EQ(seen_.size(), 6u);
  EXPECT_TRUE(seen_[0].message.IsFirstPress());
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(seen_[i].message.IsRepeat()) << i;
  EXPECT_TRUE(seen_[5].message.IsRelease());
}

TEST_F(KeyMessageFilterTest, InputMethodsAreOffWhileItRunsAndTheKeyboardMenuStaysShut) {
  ASSERT_TRUE(edit_->testAttribute(Qt::WA_InputMethodEnabled));
  Run(KeyDisposition::Swallow);
  EXPECT_FALSE(edit_->testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_FALSE(other_->testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_TRUE(elsewhere_.testAttribute(Qt::WA_InputMethodEnabled));

  MenuCounter inside(&window_);
  MenuCounter outside;
  for (QWidget* widget : {static_cast<QWidget*>(&inside), static_cast<QWidget*>(&outside)}) {
    QContextMenuEvent byKey(QContextMenuEvent::Keyboard, QPoint(2, 2));
    QApplication::sendEvent(widget, &byKey);
    QContextMenuEvent byMouse(QContextMenuEvent::Mouse, QPoint(2, 2));
    QApplication::sendEvent(widget, &byMouse);
  }
  EXPECT_EQ(inside.menus, 1) << "the Menu key's menu is not opened, the mouse's is";
  EXPECT_EQ(outside.menus, 2) << "another window's menus open as always";

  filter_.Stop();
  EXPECT_TRUE(edit_->testAttribute(Qt::WA_InputMethodEnabled));
  EXPECT_TRUE(other_->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST_F(KeyMessageFilterTest, TheOwnerMayStopItFromInsideItsFunction) {
  filter_.Start(window_, [this](const TimedKeyMessage&) {
    filter_.Stop();
    return KeyDisposition::Swallow;
  });
  SendNativeKey(window_, kNativeA, QEvent::KeyPress);
  EXPECT_FALSE(filter_.IsRunning());
  EXPECT_EQ(edit_->text(), "");
  SendNativeKey(window_, kNativeB, QEvent::KeyPress);
  EXPECT_EQ(edit_->text(), "b");
}

}  // namespace
}  // namespace ombrex
