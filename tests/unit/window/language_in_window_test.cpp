// The language menu of the real main window, offscreen: a choice from the
// tray menu changes an open key editor, the window, Qt's own button texts and
// the help page at once, without a restart, and back again.

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QUrl>

#include "app/language_switch.h"
#include "editors/key_assignment_editor.h"
#include "editors/views/vantrel_dlg_composite.h"
#include "resources/texts.h"
#include "tests/unit/window/window_rig.h"
#include "widgets/qt_text.h"
#include "widgets/text_menu.h"

namespace ombrex {
namespace {

namespace editor = composite_control;
using test::WindowRig;

constexpr int kKeyA = 1058;

// Chooses the item of `menu` or its submenus whose text is `text`, as a click does.
bool Choose(QMenu& menu, const QString& text) {
  for (QAction* action : menu.findChildren<QAction*>()) {
    if (action->text() == text && action->menu() == nullptr) {
      action->trigger();
      return true;
    }
  }
  return false;
}

std::u16string_view OkKey() {
  for (const ControlText& text : EditorControlTexts(false)) {
    if (text.controlId == editor::kOk) return text.key;
  }
  return {};
}

TEST(LanguageInTheWindow, AChoiceFromTheMenuChangesTheOpenEditorAtOnce) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  ASSERT_TRUE(rig.RunUntilLine("refreshed from the keyboard"));
  const Texts& texts = rig.App().GetTexts();
  QMenu& tray = rig.Window().Tray().Menu();
  ASSERT_TRUE(Choose(tray, QStringLiteral("English")));
  const QString englishCaption = rig.Window().windowTitle();

  bool seen = false;
  rig.WhenShown<Vantrel_DlgComposite>([&](Vantrel_DlgComposite& dialog) {
    seen = true;
    QAbstractButton& ok = *dialog.Button(editor::kOk);
    EXPECT_EQ(ok.text(), ToQString(texts.LookupText(OkKey(), 1)));
    rig.SaveScreenshot("language-en-main");
    dialog.grab().save(
        QString::fromStdString((test::ScreenshotFolder() / "language-en-editor.png").string()));

    ASSERT_TRUE(Choose(tray, QString::fromUtf16(u"\u4E2D\u6587")));
    EXPECT_EQ(ok.text(), ToQString(texts.LookupText(OkKey(), 0))) << "the open editor follows";
    EXPECT_NE(ok.text(), ToQString(texts.LookupText(OkKey(), 1)));
    rig.SaveScreenshot("language-zh-main");
    dialog.grab().save(
        QString::fromStdString((test::ScreenshotFolder() / "language-zh-editor.png").string()));
    dialog.Button(editor::kCancel)->click();
  });
  rig.Window().Button(kKeyA)->click();
  ASSERT_TRUE(seen);

  EXPECT_EQ(texts.UserLanguage(), UiLanguage::Chinese) << "kept for the next start";
  EXPECT_EQ(rig.Window().windowTitle(), ToQString(texts.LookupText(u"IDS_MAIN_CAPTION", 0)));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
            QString::fromUtf16(u"\u53D6\u6D88"))
      << "Qt's own texts (qt6-translations-l10n)";
  QUrl opened;
  rig.Window().SetOpener([&](const QUrl& url) {
    opened = url;
    return true;
  });
  rig.Window().OpenHelp();
  EXPECT_TRUE(opened.toLocalFile().endsWith(QStringLiteral("Help/zh.html")))
      << opened.toString().toStdString();

  // And back, from the window's own menu.
  ASSERT_TRUE(Choose(rig.Window().ButtonMenu(), QStringLiteral("English")));
  EXPECT_EQ(rig.Window().windowTitle(), englishCaption);
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
  rig.Window().OpenHelp();
  EXPECT_TRUE(opened.toLocalFile().endsWith(QStringLiteral("Help/index.html")));
}

}  // namespace
}  // namespace ombrex
