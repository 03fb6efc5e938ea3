// The editors from the real main window, offscreen, on an in-process virtual
// keyboard: a key click opens the key editor beside the key, a key typed
// into it and OK reach the working image, and the window's Apply the
// keyboard; the Macro button's editor is the macro page alone, centred; the
// Profiles button opens the profile manager; closing from outside applies
// nothing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <functional>

#include "app/main_window_rules.h"
#include "device/results.h"
#include "editors/key_assignment_editor.h"
#include "editors/views/vantrel_dlg_composite.h"
#include "editors/views/vantrel_dlg_profile.h"
#include "model/key_entry.h"
#include "model/keyboard_sync.h"
#include "model/workspace.h"
#include "tests/support/native_keys.h"
#include "tests/unit/window/window_rig.h"

namespace ombrex {
namespace {

namespace editor = composite_control;
using test::WindowRig;

constexpr int kKeyA = 1058;  // slot 30
constexpr int kSlotA = 30;

KeyEntry KeyboardEntry(WindowRig& rig, int profile, int slot) {
  const vkbd::Memories memories = rig.Keyboard().Snapshot();
  const auto table = std::span<const std::uint8_t, protocol::kKeyTableSize>(
      memories.keyTables.data() + profile * protocol::kKeyTableSize, protocol::kKeyTableSize);
  return DecodeKeyTable(table, memories.defaultKeyTable)[static_cast<std::size_t>(slot)];
}

class EditorsInTheWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(rig_.Start());
    ASSERT_TRUE(rig_.RunUntilLine("refreshed from the keyboard"));
  }
  KeyEntry WorkingEntry(int slot) { return rig_.App().GetWorkspace().ReadEntry(0, slot); }

  WindowRig rig_;
};

TEST_F(EditorsInTheWindowTest, AKeyTypedIntoTheKeysEditorReachesTheKeyboardWithTheWindowsApply) {
  const KeyEntry before = KeyboardEntry(rig_, 0, kSlotA);
  CPngButton& key = *rig_.Window().Button(kKeyA);
  bool seen = false;
  rig_.WhenShown<Vantrel_DlgComposite>([&](Vantrel_DlgComposite& dialog) {
    seen = true;
    // Right below the key, while the key shows its highlight.
    EXPECT_EQ(dialog.pos(), key.mapToGlobal(QPoint(key.width(), key.height())));
    EXPECT_TRUE(key.IsHighlighted());
    test::TypeNativeKey(dialog, test::kNativeB);
    EXPECT_EQ(qobject_cast<QLineEdit*>(dialog.Control(editor::kKeyField))->text(),
              QStringLiteral("B"));
    rig_.SaveScreenshot("window-key-editor-main");
    dialog.grab().save(
        QString::fromStdString((test::ScreenshotFolder() / "window-key-editor.png").string()));
    dialog.Button(editor::kOk)->click();
  });
  key.click();
  ASSERT_TRUE(seen);
  EXPECT_FALSE(key.IsHighlighted());
  EXPECT_TRUE(rig_.Trace().HasLine("key editor closed: OK"));

  // In the working image, not yet on the keyboard.
  const KeyEntry typed{static_cast<std::uint16_t>(AssignKind::SingleKey), 0, 0x30, {}};
  EXPECT_EQ(WorkingEntry(kSlotA), typed);
  EXPECT_EQ(KeyboardEntry(rig_, 0, kSlotA), before);
  EXPECT_TRUE(rig_.Window().Button(control::kApply)->isEnabled());

  rig_.Window().Button(control::kApply)->click();
  EXPECT_TRUE(rig_.Trace().HasLine("apply"));
  EXPECT_EQ(KeyboardEntry(rig_, 0, kSlotA), typed);
  EXPECT_FALSE(rig_.Window().Button(control::kApply)->isEnabled()) << "nothing left to apply";
}

TEST_F(EditorsInTheWindowTest, TheMacroButtonOpensTheMacroPageAloneCentred) {
  const KeyEntry g9 = WorkingEntry(264);
  bool seen = false;
  rig_.WhenShown<Vantrel_DlgComposite>([&](Vantrel_DlgComposite& dialog) {
    seen = true;
    EXPECT_FALSE(dialog.Button(editor::kTabKey)->isEnabled());
    EXPECT_TRUE(dialog.Button(editor::kTabMacro)->IsSelected());
    const QRect screen = dialog.screen()->geometry();
    EXPECT_EQ(dialog.pos(), screen.topLeft() + QPoint((screen.width() - dialog.width()) / 2,
                                                      (screen.height() - dialog.height()) / 2));
    dialog.Button(editor::kCancel)->click();
  });
  rig_.Window().Button(control::kMacro)->click();
  ASSERT_TRUE(seen);
  EXPECT_TRUE(rig_.Trace().HasLine("key editor closed: Cancel"));
  EXPECT_EQ(WorkingEntry(264), g9);
}

TEST_F(EditorsInTheWindowTest, TheProfilesButtonOpensTheProfileManager) {
  bool seen = false;
  rig_.WhenShown<CVantrel_DlgProfile>([&](CVantrel_DlgProfile& dialog) {
    seen = true;
    dialog.reject();
  });
  rig_.Window().Button(control::kProfiles)->click();
  ASSERT_TRUE(seen);
  EXPECT_TRUE(rig_.Trace().HasLine("profile manager closed"));
}

TEST_F(EditorsInTheWindowTest, ClosingTheEditorsFromOutsideAppliesNothing) {
  const KeyEntry before = WorkingEntry(kSlotA);
  bool seen = false;
  rig_.WhenShown<Vantrel_DlgComposite>([&](Vantrel_DlgComposite& dialog) {
    seen = true;
    test::TypeNativeKey(dialog, test::kNativeB);
    // What 'GS' and Exit do.
    rig_.Window().CloseEditors();
  });
  rig_.Window().Button(kKeyA)->click();
  ASSERT_TRUE(seen);
  EXPECT_EQ(WorkingEntry(kSlotA), before);
  EXPECT_FALSE(rig_.App().KeyEditor()->IsOpen());
}

}  // namespace
}  // namespace ombrex
