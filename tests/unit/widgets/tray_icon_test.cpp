#include "widgets/tray_icon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "widgets/text_menu.h"
#include "widgets/tray_picture_rules.h"

namespace ombrex {
namespace {

TEST(TrayPictureRulesTest, PresencePicturesAreRememberedAndIndicatorIsNot) {
  TrayPictureRules rules;
  EXPECT_EQ(rules.Current(), kTrayNoKeyboard);
  EXPECT_EQ(rules.SetTrayPicture(kTrayPresence, kTrayKeyboard), kTrayKeyboard);
  EXPECT_EQ(rules.SetTrayPicture(kTrayOverlay, 0), kTrayIndicator);
  EXPECT_EQ(rules.Remembered(), kTrayKeyboard);
  EXPECT_EQ(rules.SetTrayPicture(kTrayPresence, 0), kTrayKeyboard)
      << "indicator off brings the remembered picture back";
  EXPECT_EQ(rules.Current(), kTrayKeyboard);
}

TEST(TrayPictureRulesTest, AnEqualPictureIsNotSetAgain) {
  TrayPictureRules rules;
  EXPECT_EQ(rules.SetTrayPicture(kTrayPresence, kTrayNoKeyboard), std::nullopt);
  EXPECT_EQ(rules.SetTrayPicture(kTrayPresence, 0), std::nullopt);
  EXPECT_TRUE(rules.SetTrayPicture(kTrayOverlay, 0).has_value());
  EXPECT_EQ(rules.SetTrayPicture(kTrayOverlay, 0), std::nullopt);
  EXPECT_EQ(rules.SetTrayPicture(7, kTrayKeyboard), std::nullopt) << "unknown kind";
  EXPECT_EQ(rules.Current(), kTrayIndicator);
}

TEST(TrayPictureRulesTest, KeyboardLeavingWhileTheIndicatorShowsIsRememberedForLater) {
  TrayPictureRules rules;
  rules.SetTrayPicture(kTrayPresence, kTrayKeyboard);
  rules.SetTrayPicture(kTrayOverlay, 0);
  EXPECT_EQ(rules.SetTrayPicture(kTrayPresence, kTrayNoKeyboard), kTrayNoKeyboard);
  EXPECT_EQ(rules.SetTrayPicture(kTrayPresence, 0), std::nullopt);
  EXPECT_EQ(rules.Current(), kTrayNoKeyboard);
}

TEST(TrayPictureRulesTest, WatcherAndIndicatorThreadsAgreeOnTheEnd) {
  TrayPictureRules rules;
  std::thread watcher([&] {
    for (int i = 0; i < 2000; ++i) {
      rules.SetTrayPicture(kTrayPresence, i % 2 ? kTrayKeyboard : kTrayNoKeyboard);
    }
  });
  std::thread indicator([&] {
    for (int i = 0; i < 2000; ++i) rules.SetTrayPicture(kTrayOverlay, 0);
  });
  watcher.join();
  indicator.join();
  // The watcher's last word was "present"; the indicator going off returns to it.
  rules.SetTrayPicture(kTrayPresence, 0);
  EXPECT_EQ(rules.Current(), kTrayKeyboard);
  EXPECT_EQ(rules.Remembered(), kTrayKeyboard);
}

class TrayIconTest : public ::testing::Test {
 protected:
  std::u16string Text(std::u16string_view key) {
    auto found = language.find(std::u16string(key));
    return found == language.end() ? u"#Error" : found->second;
  }

  std::map<std::u16string, std::u16string> language{{u"IDS_POP_UP_MENU_OPEN", u"Open"},
                                                    {u"IDS_POP_UP_MENU_ABOUT", u"About"},
                                                    {u"IDS_POP_UP_MENU_EXIT", u"Exit"}};
  CTrayIcon tray{[](int) { return QIcon(); },
                 [this](std::u16string_view key) { return Text(key); }};

  void SetUp() override {
    tray.Menu().AddItem(32771, u"IDS_POP_UP_MENU_OPEN");
    tray.Menu().AddItem(32773, u"IDS_POP_UP_MENU_ABOUT");
    tray.Menu().AddItem(32774, u"IDS_POP_UP_MENU_EXIT");
  }
};

TEST_F(TrayIconTest, WithoutATrayTheIconIsAbsentAndCallsDoNothing) {
  if (QSystemTrayIcon::isSystemTrayAvailable()) GTEST_SKIP() << "this desktop has a tray";
  EXPECT_FALSE(tray.CreateTrayIcon(u"Ombrex", kTrayNoKeyboard));
  EXPECT_FALSE(tray.IsAdded());
  tray.SetTrayPicture(kTrayPresence, kTrayKeyboard);
  tray.SetTip(u"Ombrex keyboard");
  QApplication::processEvents();
  EXPECT_EQ(tray.ShownPicture(), 0);
  EXPECT_EQ(tray.CurrentPicture(), kTrayKeyboard) << "the rules still follow the keyboard";
  tray.RemoveTrayIcon();
}

TEST_F(TrayIconTest, DoubleClickRunsTheFirstItemUnlessAnotherIsTheDefault) {
  QSignalSpy commands(&tray, &CTrayIcon::commandChosen);
  tray.RunDefaultCommand();
  tray.Menu().SetDefaultCommand(32773);
  tray.RunDefaultCommand();
  ASSERT_EQ(commands.count(), 2);
  EXPECT_EQ(commands.at(0).at(0).toInt(), 32771);
  EXPECT_EQ(commands.at(1).at(0).toInt(), 32773);
}

TEST_F(TrayIconTest, MenuTextsAreLookedUpAtEachShowingAndItemsRunTheirCommands) {
  QSignalSpy commands(&tray, &CTrayIcon::commandChosen);
  BCMenu& menu = tray.Menu();
  EXPECT_EQ(menu.ActionOf(32774)->text(), QStringLiteral("Exit"));
  language[u"IDS_POP_UP_MENU_EXIT"] = u"退出";
  EXPECT_EQ(menu.ActionOf(32774)->text(), QStringLiteral("Exit"));
  menu.popup(QPoint(10, 10));
  EXPECT_EQ(menu.ActionOf(32774)->text(), QString::fromUtf8("退出"));
  EXPECT_TRUE(menu.ActionOf(32771)->font().bold()) << "the default item is the first";
  EXPECT_FALSE(menu.ActionOf(32774)->font().bold());
  menu.ActionOf(32774)->trigger();
  menu.close();
  ASSERT_EQ(commands.count(), 1);
  EXPECT_EQ(commands.at(0).at(0).toInt(), 32774);
}

TEST_F(TrayIconTest, PicturesSetFromOtherThreadsEndOnTheRulesPicture) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([this, t] {
      for (int i = 0; i < 500; ++i) {
        if (t % 2 == 0) {
          tray.SetTrayPicture(kTrayPresence, i % 2 ? kTrayKeyboard : kTrayNoKeyboard);
        } else {
          tray.SetTrayPicture(i % 2 ? kTrayOverlay : kTrayPresence, 0);
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  QApplication::processEvents();  // runs the queued showings on this thread
  tray.SetTrayPicture(kTrayPresence, kTrayKeyboard);
  tray.SetTrayPicture(kTrayOverlay, 0);
  tray.SetTrayPicture(kTrayPresence, 0);
  EXPECT_EQ(tray.CurrentPicture(), kTrayKeyboard);
  if (tray.IsAdded()) {
    EXPECT_EQ(tray.ShownPicture(), kTrayKeyboard);
  }
}

}  // namespace
}  // namespace ombrex
