// The key assignment editor's dialog offscreen on the built skins: keys as the
// X server delivers them (with their native codes), the pages, OK, the
// language, the on-screen keyboard button and help.

#include "editors/views/vantrel_dlg_composite.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "editors/views/macro_page_panel.h"
#include "tests/support/editors/key_editor_rig.h"
#include "tests/support/native_keys.h"
#include "tests/unit/editor_dialogs/built_texts.h"
#include "widgets/key_message_filter.h"
#include "widgets/report_ctrl.h"
#include "widgets/skin_pictures.h"

namespace ombrex {
namespace {

namespace control = composite_control;
using test::NativeKey;

constexpr int kKeyA = 1058;  // slot 30
constexpr int kSlotA = 30;

MacroRecord Macro(std::uint16_t id, std::u16string_view name) {
  MacroRecord record;
  record.id = id;
  record.cycles = 1;
  record.SetName(name);
  return record;
}

class CompositeDialogTest : public ::testing::Test {
 protected:
  CompositeDialogTest() : rig_(texts_.Get()), pictures_(test::BuiltProgramFolder(), 1.0) {
    rig_.State().deviceProfile = ProfileNumber(0);
  }

  // Opens the editor on `controlId` and makes its dialog.
  Vantrel_DlgComposite& Open(int controlId = kKeyA) {
    EXPECT_TRUE(rig_.Editor().Open(controlId, 0, ProfileNumber(0)));
    CompositeHooks hooks;
    hooks.openHelp = [this] { ++helps_; };
    hooks.onScreenKeyboards = {
        .isRunning = [this](std::string_view p) { return running_ == p; },
        .find = [](std::string_view) { return std::optional<std::filesystem::path>(); },
        .start = [](const std::filesystem::path&) { return false; },
    };
    dialog_ = std::make_unique<Vantrel_DlgComposite>(rig_.Editor(), pictures_, texts_.Get(),
                                                     rig_.Prompter(), std::move(hooks));
    return *dialog_;
  }
  // Runs the dialog; `steps` act on it once it runs and must end it.
  int RunWith(std::function<void()> steps) {
    QTimer::singleShot(0, dialog_.get(), std::move(steps));
    return dialog_->Run({0, 0, 1920, 1080}, {100, 100, 140, 140});
  }
  void Click(int controlId) {
    auto* button = qobject_cast<QAbstractButton*>(dialog_->Control(controlId));
    ASSERT_NE(button, nullptr) << controlId;
    button->click();
  }
  QString KeyField() {
    return qobject_cast<QLineEdit*>(dialog_->Control(control::kKeyField))->text();
  }
  bool Shown(int controlId) { return dialog_->Control(controlId)->isVisible(); }
  KeyEntry EntryA() { return rig_.GetWorkspace().ReadEntry(0, kSlotA); }

  test::BuiltTexts texts_;
  test::KeyEditorRig rig_;
  SkinPictures pictures_;
  std::unique_ptr<Vantrel_DlgComposite> dialog_;
  int helps_ = 0;
  std::string running_;
};

TEST_F(CompositeDialogTest, TakesTheKeysTypedIntoItAsTheXServerDeliversThem) {
  Open();
  const int result = RunWith([&] {
    ASSERT_TRUE(dialog_->CaptureFilter().IsRunning());
    QWidget* field = dialog_->Control(control::kKeyField);
    EXPECT_EQ(dialog_->focusWidget(), field);
    struct Case {
      NativeKey key;
      const char* field;
    };
    const Case cases[] = {
        // The edited key itself: shown, and stored as its default.
        {test::kNativeA, "A"},
        {test::kNativeB, "B"},
        {test::kNativeRightShift, "Right Shift"},
        {test::kNativeKeypadEnter, "Num Enter"},
        {test::kNativeSuperL, "Left Win"},
        {test::kNativeMenu, "Menu"},
        // Tab, Enter and Escape are keys like any other here: captured,
        // neither moving the focus nor closing the dialog.
        {test::kNativeTab, "Tab"},
        {test::kNativeReturn, "Enter"},
        {test::kNativeEscape, "Esc"},
    };
    for (const Case& c : cases) {
      const test::SentKey sent = test::SendNativeKey(*dialog_, c.key, QEvent::KeyPress);
      EXPECT_TRUE(sent.overrideTaken) << c.field;
      test::SendNativeKey(*dialog_, c.key, QEvent::KeyRelease);
      EXPECT_EQ(KeyField(), QString::fromUtf8(c.field));
      EXPECT_TRUE(dialog_->isVisible()) << c.field;
      EXPECT_EQ(dialog_->focusWidget(), field) << c.field;
    }
    // A media key is the system's: the field keeps the key before it.
    test::TypeNativeKey(*dialog_, test::kNativeMute);
    EXPECT_EQ(KeyField(), QStringLiteral("Esc"));
    EXPECT_TRUE(dialog_->Control(control::kApply)->isEnabled());
    Click(control::kOk);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(EntryA().kind, static_cast<std::uint16_t>(AssignKind::SingleKey));
  EXPECT_EQ(EntryA().value, 0x001u);  // Esc
  EXPECT_FALSE(dialog_->CaptureFilter().IsRunning());
  EXPECT_FALSE(rig_.Editor().IsOpen());
}

TEST_F(CompositeDialogTest, OtherWindowsAndOtherPagesKeepTheirKeys) {
  Open();
  QLineEdit elsewhere;
  elsewhere.show();
  const int result = RunWith([&] {
    elsewhere.setFocus();
    test::TypeNativeKey(elsewhere, test::kNativeB);
    EXPECT_EQ(elsewhere.text(), QStringLiteral("b"));
    EXPECT_EQ(KeyField(), QString());

    Click(control::kTabMedia);
    EXPECT_FALSE(dialog_->CaptureFilter().IsRunning());
    EXPECT_EQ(dialog_->focusWidget(), dialog_->Control(control::kMediaList));
    test::TypeNativeKey(*dialog_, test::kNativeB);
    EXPECT_EQ(KeyField(), QString());
    Click(control::kCancel);
  });
  EXPECT_EQ(result, 0);
  EXPECT_EQ(EntryA(), KeyEntry{});
}

TEST_F(CompositeDialogTest, EachPageShowsItsControlsAndItsTabSelected) {
  Open();
  struct Page {
    int tab;
    std::vector<int> shown;
    std::vector<int> hidden;
  };
  const Page pages[] = {
      {control::kTabMedia,
       {control::kMediaLabel, control::kMediaList},
       {control::kKeyField, control::kFunctionList, control::kMacroLabel}},
      {control::kTabFunction,
       {control::kFunctionLabel, control::kFunctionList},
       {control::kMediaList, control::kKeyField}},
      {control::kTabMacro,
       {control::kMacroLabel, macro_control::kNames, macro_control::kActions},
       {control::kMediaList, control::kKeyField, control::kFunctionList}},
      {control::kTabKey,
       {control::kKeyLabel, control::kKeyField, control::kRadioKeyboard, control::kMouseList},
       {control::kMediaList, macro_control::kNames}},
  };
  const int result = RunWith([&] {
    EXPECT_FALSE(dialog_->Control(control::kApply)->isEnabled());
    for (const Page& page : pages) {
      Click(page.tab);
      for (int id : page.shown) EXPECT_TRUE(Shown(id)) << page.tab << " shows " << id;
      for (int id : page.hidden) EXPECT_FALSE(Shown(id)) << page.tab << " hides " << id;
      for (int tab :
           {control::kTabKey, control::kTabMacro, control::kTabMedia, control::kTabFunction}) {
        EXPECT_EQ(dialog_->Button(tab)->IsSelected(), tab == page.tab);
      }
      EXPECT_TRUE(dialog_->Control(control::kApply)->isEnabled());
    }
    // The mouse radio enables the list and disables the key field.
    Click(control::kRadioMouse);
    EXPECT_TRUE(dialog_->Control(control::kMouseList)->isEnabled());
    EXPECT_FALSE(dialog_->Control(control::kKeyField)->isEnabled());
    auto* mouse = qobject_cast<QComboBox*>(dialog_->Control(control::kMouseList));
    EXPECT_EQ(mouse->itemText(4), QStringLiteral("Roll Down"));
    mouse->setCurrentIndex(4);
    emit mouse->activated(4);
    Click(control::kOk);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(EntryA().value, 0x162u);
}

TEST_F(CompositeDialogTest, TheMacroButtonsLookOffersOnlyTheMacroPage) {
  rig_.GetWorkspace().Working()->ReplaceMacros({Macro(4, u"Burst")});
  Open(control::kMacroOnly);
  const int result = RunWith([&] {
    for (int tab : {control::kTabKey, control::kTabMedia, control::kTabFunction}) {
      EXPECT_FALSE(dialog_->Button(tab)->isEnabled()) << tab;
      EXPECT_TRUE(dialog_->Button(tab)->text().isEmpty()) << tab;
    }
    EXPECT_FALSE(dialog_->Button(control::kClear)->isEnabled());
    EXPECT_TRUE(dialog_->Button(control::kTabMacro)->IsSelected());
    EXPECT_EQ(qobject_cast<QLabel*>(dialog_->Control(control::kHeading))->text(),
              QStringLiteral("Macro editor"));
    EXPECT_TRUE(Shown(macro_control::kNames));
    // Centred on the screen.
    EXPECT_EQ(dialog_->pos(),
              QPoint((1920 - dialog_->width()) / 2, (1080 - dialog_->height()) / 2));
    Click(control::kOk);
  });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(rig_.GetWorkspace().ReadEntry(0, 264), (KeyEntry{4, 1, 4, {}}));
}

TEST_F(CompositeDialogTest, SitsRightBelowTheKeyWhenItFits) {
  Open();
  const int result = RunWith([&] {
    EXPECT_EQ(dialog_->pos(), QPoint(140, 140));
    dialog_->CloseWithoutApplying();
  });
  EXPECT_EQ(result, 0);
}

TEST_F(CompositeDialogTest, TheLanguageMessageRewritesEveryText) {
  Open();
  const int result = RunWith([&] {
    dialog_->ApplyLanguage(0);
    EXPECT_EQ(dialog_->Button(control::kOk)->text(),
              QString::fromStdU16String(texts_.Get().LookupText(u"IDS_COMPOSITE_OK", 0)));
    // The tooltip follows the message's language, not the one stored before.
    EXPECT_EQ(
        dialog_->Button(control::kOnScreenKeyboard)->toolTip(),
        QString::fromStdU16String(texts_.Get().ComponentText(u"COMPOSITE_PROMPT_OSK", u"?", 0)));
    EXPECT_NE(dialog_->Button(control::kOnScreenKeyboard)->toolTip(),
              QStringLiteral("Open the on-screen keyboard"));
    auto* media = qobject_cast<QComboBox*>(dialog_->Control(control::kMediaList));
    EXPECT_EQ(media->count(), 18);
    auto* functions = qobject_cast<QComboBox*>(dialog_->Control(control::kFunctionList));
    EXPECT_EQ(functions->itemText(0), QString::fromStdU16String(texts_.Get().LookupText(
                                          u"IDS_COMPOSITE_FUNC_KEY_OPEN", 0)));
    dialog_->ApplyLanguage(1);
    EXPECT_EQ(dialog_->Button(control::kOk)->text(), QStringLiteral("OK"));
    EXPECT_EQ(functions->itemText(0), QStringLiteral("Open (Ctrl+O)"));
    // The language choice file's own section for the current language.
    EXPECT_EQ(dialog_->Button(control::kOnScreenKeyboard)->toolTip(),
              QStringLiteral("Open the on-screen keyboard"));
    Click(control::kCancel);
  });
  EXPECT_EQ(result, 0);
}

TEST_F(CompositeDialogTest, TheOnScreenKeyboardButtonSaysWhenThereIsNone) {
  Open();
  const int result = RunWith([&] {
    Click(control::kOnScreenKeyboard);
    ASSERT_EQ(rig_.Prompter().messages.size(), 1u);
    EXPECT_NE(rig_.Prompter().messages[0].text.find(u"onboard"), std::u16string::npos);
    running_ = "florence";
    Click(control::kOnScreenKeyboard);
    EXPECT_EQ(rig_.Prompter().messages.size(), 1u);
    Click(control::kCancel);
  });
  EXPECT_EQ(result, 0);
}

TEST_F(CompositeDialogTest, F1AsksForHelpUnlessARecordingRuns) {
  rig_.GetWorkspace().Working()->ReplaceMacros({Macro(1, u"Combo")});
  Open();
  const int result = RunWith([&] {
    Click(control::kTabMedia);
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(dialog_->Control(control::kMediaList), &f1);
    EXPECT_EQ(helps_, 1);

    Click(control::kTabMacro);
    Click(macro_control::kRecord);
    ASSERT_TRUE(rig_.Editor().Macros().IsRecording());
    QKeyEvent again(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(dialog_.get(), &again);
    EXPECT_EQ(helps_, 1);
    // Another page stops the recording.
    Click(control::kTabFunction);
    EXPECT_FALSE(rig_.Editor().Macros().IsRecording());
    Click(control::kCancel);
  });
  EXPECT_EQ(result, 0);
}

TEST_F(CompositeDialogTest, RecordingTakesTheKeysAndADelayEditStopsIt) {
  rig_.GetWorkspace().Working()->ReplaceMacros({Macro(1, u"Combo")});
  Open();
  const int result = RunWith([&] {
    Click(control::kTabMacro);
    Click(macro_control::kRecord);
    ASSERT_TRUE(dialog_->MacroPanel().RecordingFilter().IsRunning());
    test::TypeNativeKey(*dialog_, test::kNativeA, 1000);
    test::TypeNativeKey(*dialog_, test::kNativeB, 1200);
    CReportCtrl& actions = dialog_->MacroPanel().ActionList();
    ASSERT_EQ(actions.ItemCount(), 4);
    EXPECT_EQ(actions.GetItemText(0, 0), u"A");
    EXPECT_EQ(actions.GetItemText(3, 0), u"B");
    // Clicking a delay cell stops the recording before it edits.
    actions.SelectItem(1);
    QTest::mouseClick(actions.viewport(), Qt::LeftButton, {},
                      actions.visualItemRect(actions.item(1, 2)).center());
    EXPECT_FALSE(rig_.Editor().Macros().IsRecording());
    EXPECT_FALSE(dialog_->MacroPanel().RecordingFilter().IsRunning());
    Click(control::kOk);
  });
  EXPECT_EQ(result, 1);
  const std::vector<MacroRecord> macros = rig_.GetWorkspace().MacroList();
  ASSERT_EQ(macros.size(), 1u);
  EXPECT_EQ(macros[0].count, 4);
  EXPECT_EQ(EntryA(), (KeyEntry{4, 1, 1, {}}));
}

}  // namespace
}  // namespace ombrex
