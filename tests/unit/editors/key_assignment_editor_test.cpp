// The key assignment editor's rules on the in-process virtual keyboard, with
// the main window replaced by recorders.

#include "editors/key_assignment_editor.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "model/key_buttons_table.h"
#include "tests/support/core/small_texts.h"
#include "tests/support/editors/key_editor_rig.h"
#include "tests/unit/editors/macro_page_support.h"

namespace ombrex {
namespace {

namespace control = composite_control;

constexpr std::string_view kTextLines =
    "IDS_KEYBOARD_A=A\n"
    "IDS_KEYBOARD_B=B\n"
    "IDS_KEYBOARD_LWIN=Win\n"
    "IDS_KEYBOARD_APPS=Menu\n"
    "IDS_KEYBOARD_PRINT=Print Screen\n"
    "IDS_MACRO_NEW_PREFIX=\"Macro \"\n"
    "IDS_MACRO_ACTION_RECORD_DELAY=MacroRecordDelay\n"
    "IDS_KEY_PROMPT_SET=\" (\"\n"
    "IDS_KEY_PROMPT_SINGLE=\"key \"\n"
    "IDS_KEY_NOT_ON_KEYBOARD=No such key here.\n"
    "IDS_KEY_NOT_SENDABLE=%s cannot be sent.\n"
    "IDS_KEYS_NOT_ON_KEYBOARD=Not sent: %s\n";

constexpr int kKeyA = 1058;  // the control of key A, whose slot is 30
constexpr int kSlotA = 30;
constexpr int kButtonA = 0;
constexpr int kG1 = 1000;
constexpr int kG3 = 1002;

KeyEntry Entry(AssignKind kind, std::uint32_t value, std::uint16_t aux = 0) {
  KeyEntry entry;
  entry.kind = static_cast<std::uint16_t>(kind);
  entry.value = value;
  entry.aux = aux;
  return entry;
}

// A first press, a repeat or a release of a key as Windows reports it.
KeyMessage Press(std::uint8_t vk, std::uint16_t scan) {
  return {vk, KeyMessageParam(scan, {})};
}
KeyMessage Repeat(std::uint8_t vk, std::uint16_t scan) {
  return {vk, KeyMessageParam(scan, {.repeat = true})};
}
KeyMessage Release(std::uint8_t vk, std::uint16_t scan) {
  return {vk, KeyMessageParam(scan, {.release = true})};
}
const KeyMessage kPressB = Press(0x42, 0x30);

MacroRecord Macro(std::uint16_t id, std::u16string_view name) {
  return test::MakeMacro(id, name, {}, 1);
}

class KeyAssignmentEditorTest : public ::testing::Test {
 protected:
  KeyAssignmentEditorTest() : texts_(kTextLines), rig_(texts_.Get()) {}

  KeyAssignmentEditor& Editor() { return rig_.Editor(); }
  Workspace& Work() { return rig_.GetWorkspace(); }
  void Store(int slot, const KeyEntry& entry, ProfileNumber profile = 0) {
    Work().StoreEntry(profile, slot, entry);
  }
  void OpenKey(int control = kKeyA, int bank = 0, ProfileNumber profile = 0) {
    ASSERT_TRUE(Editor().Open(control, bank, profile));
  }
  void GiveMacros(std::vector<MacroRecord> macros) {
    Work().Working()->ReplaceMacros(std::move(macros));
  }
  // The whole working image, as a file would hold it.
  std::vector<std::uint8_t> ImageBytes() {
    ProfileImage copy = *Work().Working();
    return copy.Serialize();
  }

  test::SmallTexts texts_;
  test::KeyEditorRig rig_;
};

TEST_F(KeyAssignmentEditorTest, OpensOnTheSlotOfTheClickedKeyOrGKey) {
  struct Case {
    int control;
    int bank;
    int slot;
    int button;
    bool macroOnly;
  };
  const Case cases[] = {
      {kKeyA, 0, kSlotA, kButtonA, false},
      {kKeyA, 1, kSlotA, kButtonA, false},
      {kG1, 0, 256, GKeyButton(0), false},
      {kG3, 1, 267, GKeyButton(2), false},
      // The Macro button passes G9's control.
      {control::kMacroOnly, 0, 264, GKeyButton(8), true},
      {control::kMacroOnly, 1, 273, GKeyButton(8), true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Editor().Open(c.control, c.bank, ProfileNumber(2))) << c.control;
    EXPECT_EQ(Editor().Slot(), c.slot) << c.control;
    EXPECT_EQ(Editor().Button(), c.button) << c.control;
    EXPECT_EQ(Editor().MacroOnly(), c.macroOnly) << c.control;
    EXPECT_EQ(Editor().Profile(), ProfileNumber(2));
    EXPECT_TRUE(Editor().IsOpen());
    // A second click while it is open opens nothing.
    EXPECT_FALSE(Editor().Open(kG1, 0, ProfileNumber(0)));
    Editor().Cancel();
    EXPECT_FALSE(Editor().IsOpen());
  }
}

TEST_F(KeyAssignmentEditorTest, OpensNothingForOtherControlsOrAnUnknownProfile) {
  for (int control : {1007, kFnControl, 0, 1016}) {
    EXPECT_FALSE(Editor().Open(control, 0, ProfileNumber(0))) << control;
  }
  Store(kSlotA, Entry(AssignKind::SingleKey, 0x30));
  EXPECT_FALSE(Editor().Open(kKeyA, 0, std::nullopt));
  EXPECT_FALSE(Editor().IsOpen());
  Editor().Ok();
  EXPECT_EQ(Work().ReadEntry(0, kSlotA), Entry(AssignKind::SingleKey, 0x30));
  EXPECT_FALSE(rig_.Host().pending);
}

TEST_F(KeyAssignmentEditorTest, StoresWhatThePageShownAtOkSays) {
  GiveMacros({Macro(3, u"Combo"), Macro(5, u"Burst")});
  struct Case {
    const char* name;
    int control;
    int bank;
    std::function<void(KeyAssignmentEditor&)> edit;
    KeyEntry stored;
    int slot;
  };
  const Case cases[] = {
      {"captured key", kKeyA, 0, [](auto& e) { e.CaptureKey(kPressB); },
       Entry(AssignKind::SingleKey, 0x30), kSlotA},
      {"captured on a G key", kG1, 0, [](auto& e) { e.CaptureKey(kPressB); },
       Entry(AssignKind::SingleKey, 0x30, 0x0301), 256},
      {"the key itself", kKeyA, 0, [](auto& e) { e.CaptureKey(Press(0x41, 0x1E)); },
       Entry(AssignKind::Default, 0x1E), kSlotA},
      {"nothing captured", kKeyA, 0, [](auto& e) { e.CheckKeyboard(); },
       Entry(AssignKind::Default, 0), kSlotA},
      {"roll down", kKeyA, 0,
       [](auto& e) {
         e.CheckMouse();
         e.ChooseMouse(4);
       },
       Entry(AssignKind::SingleKey, 0x162), kSlotA},
      {"mouse on a G key of bank 1", kG3, 1,
       [](auto& e) {
         e.CheckMouse();
         e.ChooseMouse(1);
       },
       Entry(AssignKind::SingleKey, 0x172, 0x1303), 267},
      {"media", kKeyA, 0,
       [](auto& e) {
         e.ClickTab(EditorPage::Media);
         e.ChooseMedia(5);
       },
       Entry(AssignKind::Media, 5), kSlotA},
      {"function", kG1, 0,
       [](auto& e) {
         e.ClickTab(EditorPage::Function);
         e.ChooseFunction(10);
       },
       Entry(AssignKind::Function, 10, 0x0301), 256},
      // A macro carries its cycles where a G key carries its code.
      {"macro", kG3, 1,
       [](auto& e) {
         e.ClickTab(EditorPage::Macro);
         e.Macros().Select(1);
         e.Macros().SetCyclesText(u"7");
       },
       Entry(AssignKind::Macro, 5, 7), 267},
      {"macro only, first macro", control::kMacroOnly, 0, [](auto&) {},
       Entry(AssignKind::Macro, 3, 1), 264},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(Editor().Open(c.control, c.bank, ProfileNumber(1))) << c.name;
    c.edit(Editor());
    EXPECT_EQ(Editor().EntryToStore(), c.stored) << c.name;
    Editor().Ok();
    EXPECT_EQ(Work().ReadEntry(1, c.slot), c.stored) << c.name;
    EXPECT_FALSE(Editor().IsOpen());
  }
}

TEST_F(KeyAssignmentEditorTest, AMacroPageWithoutMacrosStoresTheDefault) {
  Store(kSlotA, Entry(AssignKind::SingleKey, 0x30));
  OpenKey();
  Editor().ClickTab(EditorPage::Macro);
  ASSERT_TRUE(Editor().Macros().Empty());
  Editor().Ok();
  EXPECT_EQ(Work().ReadEntry(0, kSlotA), Entry(AssignKind::Default, 0));
}

TEST_F(KeyAssignmentEditorTest, CapturesFirstPressesWhileTheKeyboardIsChecked) {
  OpenKey();
  ASSERT_TRUE(Editor().Capturing());
  struct Case {
    const char* name;
    KeyMessage key;
    KeyDisposition disposition;
    KeyCode captured;  // after the event, starting from nothing
  };
  const Case cases[] = {
      {"first press", kPressB, KeyDisposition::Swallow, 0x30},
      {"repeat", Repeat(0x42, 0x30), KeyDisposition::Swallow, 0},
      {"release", Release(0x42, 0x30), KeyDisposition::Swallow, 0},
      {"print screen, release only", Release(0x2C, 0x137), KeyDisposition::Swallow, 0x137},
      {"left Windows", Press(0x5B, 0x15B), KeyDisposition::Swallow, 0x15B},
      {"Application", Press(0x5D, 0x15D), KeyDisposition::Swallow, 0x15D},
      {"keypad Enter", Press(0x0D, 0x11C), KeyDisposition::Swallow, 0x11C},
      {"right Shift", Press(0xA1, 0x036), KeyDisposition::Swallow, 0x036},
      // Media keys reach the system as always.
      {"mute", Press(0xAD, 0x120), KeyDisposition::Pass, 0},
      {"no code", Press(0xFF, 0), KeyDisposition::Pass, 0},
  };
  for (const Case& c : cases) {
    Editor().Clear();
    EXPECT_EQ(Editor().CaptureKey(c.key), c.disposition) << c.name;
    EXPECT_EQ(Editor().CapturedKey(), c.captured) << c.name;
  }
}

TEST_F(KeyAssignmentEditorTest, WithTheMouseCheckedKeysAreTakenButNotCaptured) {
  OpenKey();
  Editor().CheckMouse();
  Editor().ChooseMouse(2);
  // The Windows keys too: the field never shows a key OK would not store.
  for (const KeyMessage& key : {kPressB, Press(0x5B, 0x15B)}) {
    EXPECT_EQ(Editor().CaptureKey(key), KeyDisposition::Swallow);
  }
  EXPECT_EQ(Editor().CapturedKey(), 0);
  EXPECT_EQ(Editor().KeyFieldText(), u"");
  EXPECT_FALSE(Editor().Dirty());
  Editor().Ok();
  EXPECT_EQ(Work().ReadEntry(0, kSlotA), Entry(AssignKind::SingleKey, 0x173));
}

TEST_F(KeyAssignmentEditorTest, KeysAreCapturedOnlyOnTheSingleKeyPage) {
  OpenKey();
  Editor().ClickTab(EditorPage::Media);
  EXPECT_FALSE(Editor().Capturing());
  EXPECT_EQ(Editor().CaptureKey(kPressB), KeyDisposition::Pass);
  Editor().ClickTab(EditorPage::Key);
  EXPECT_TRUE(Editor().Capturing());
  Editor().Cancel();
  EXPECT_FALSE(Editor().Capturing());
  EXPECT_EQ(Editor().CaptureKey(kPressB), KeyDisposition::Pass);
}

TEST_F(KeyAssignmentEditorTest, ApplyIsEnabledExactlyByEdits) {
  OpenKey();
  struct Step {
    const char* name;
    std::function<void(KeyAssignmentEditor&)> act;
    bool dirty;
  };
  const Step steps[] = {
      {"opened", [](auto&) {}, false},
      {"key tab while default", [](auto& e) { e.ClickTab(EditorPage::Key); }, false},
      {"radio", [](auto& e) { e.CheckMouse(); }, false},
      {"mouse list", [](auto& e) { e.ChooseMouse(3); }, false},
      {"radio back", [](auto& e) { e.CheckKeyboard(); }, false},
      {"capture", [](auto& e) { e.CaptureKey(kPressB); }, true},
      {"apply", [](auto& e) { e.Apply(); }, false},
      // Clear on the key page makes the entry the default without enabling Apply.
      {"clear on the key page", [](auto& e) { e.Clear(); }, false},
      {"media tab", [](auto& e) { e.ClickTab(EditorPage::Media); }, true},
      {"media list", [](auto& e) { e.ChooseMedia(2); }, true},
      {"apply again", [](auto& e) { e.Apply(); }, false},
      {"the media tab shown", [](auto& e) { e.ClickTab(EditorPage::Media); }, false},
      {"clear elsewhere", [](auto& e) { e.Clear(); }, true},
  };
  for (const Step& step : steps) {
    step.act(Editor());
    EXPECT_EQ(Editor().Dirty(), step.dirty) << step.name;
  }
  EXPECT_EQ(Editor().Page(), EditorPage::Key);
  EXPECT_EQ(Editor().EntryToStore(), Entry(AssignKind::Default, 0));
}

TEST_F(KeyAssignmentEditorTest, ClearForgetsTheCapturedKey) {
  Store(kSlotA, Entry(AssignKind::SingleKey, 0x30));
  OpenKey();
  EXPECT_EQ(Editor().KeyFieldText(), u"B");
  Editor().Clear();
  EXPECT_EQ(Editor().KeyFieldText(), u"");
  // Checking the keyboard again must not bring the old key back.
  Editor().CheckKeyboard();
  Editor().Ok();
  EXPECT_EQ(Work().ReadEntry(0, kSlotA), Entry(AssignKind::Default, 0));
}

TEST_F(KeyAssignmentEditorTest, ReopeningShowsTheStoredAssignment) {
  struct Case {
    const char* name;
    KeyEntry entry;
    EditorPage page;
    bool keyboardChecked;
    std::u16string field;
    std::size_t mouse, media, function;
  };
  const Case cases[] = {
      {"key", Entry(AssignKind::SingleKey, 0x30), EditorPage::Key, true, u"B", 0, 0, 0},
      {"roll down", Entry(AssignKind::SingleKey, 0x162), EditorPage::Key, false, u"", 4, 0, 0},
      {"media", Entry(AssignKind::Media, 17), EditorPage::Media, true, u"", 0, 17, 0},
      {"function", Entry(AssignKind::Function, 3), EditorPage::Function, true, u"", 0, 0, 3},
      {"default with a key left in it", Entry(AssignKind::Default, 0x1E), EditorPage::Key, true,
       u"", 0, 0, 0},
      {"disabled", Entry(AssignKind::Disabled, 0), EditorPage::Key, true, u"", 0, 0, 0},
  };
  for (const Case& c : cases) {
    // What a run before captured is forgotten.
    OpenKey();
    Editor().CaptureKey(Press(0x5B, 0x15B));
    Editor().Cancel();

    Store(kSlotA, c.entry);
    OpenKey();
    EXPECT_EQ(Editor().Page(), c.page) << c.name;
    EXPECT_EQ(Editor().KeyboardChecked(), c.keyboardChecked) << c.name;
    EXPECT_EQ(Editor().KeyFieldText(), c.field) << c.name;
    EXPECT_EQ(Editor().MouseChoice(), c.mouse) << c.name;
    EXPECT_EQ(Editor().MediaChoice(), c.media) << c.name;
    EXPECT_EQ(Editor().FunctionChoice(), c.function) << c.name;
    EXPECT_FALSE(Editor().Dirty()) << c.name;
    Editor().Cancel();
  }
}

TEST_F(KeyAssignmentEditorTest, OpeningAMacroKeyShowsItsMacro) {
  GiveMacros({Macro(3, u"Combo"), Macro(5, u"Burst")});
  Store(kSlotA, Entry(AssignKind::Macro, 5, 9));
  OpenKey();
  EXPECT_EQ(Editor().Page(), EditorPage::Macro);
  EXPECT_EQ(Editor().Macros().SelectedMacroId(), 5);
  Editor().Cancel();

  // Another kind's value names no macro: the first is shown.
  Store(kSlotA, Entry(AssignKind::SingleKey, 5));
  ASSERT_TRUE(Editor().Open(control::kMacroOnly, 0, ProfileNumber(0)));
  EXPECT_EQ(Editor().Macros().SelectedMacroId(), 3);
  Editor().Cancel();

  // A tab to the macro page always leaves a macro current.
  OpenKey();
  Editor().ClickTab(EditorPage::Macro);
  EXPECT_EQ(Editor().Macros().SelectedMacroId(), 3);
}

TEST_F(KeyAssignmentEditorTest, KindsTheEditorDoesNotMakeStayUntilTheUserChangesThem) {
  struct Case {
    const char* name;
    KeyEntry entry;
    std::u16string text;
  };
  const Case cases[] = {
      {"disabled", Entry(AssignKind::Disabled, 0), u""},
      {"program", Entry(AssignKind::LaunchProgram, 0, 7), u"/usr/bin/true"},
      {"stop macro", Entry(AssignKind::StopMacro, 0), u""},
      {"text block", Entry(AssignKind::TextBlock, 0), u"hello"},
      {"a kind of a newer file", Entry(static_cast<AssignKind>(12), 99, 4), u""},
  };
  const std::size_t index = image::EntryIndex(0, kSlotA);
  for (const Case& c : cases) {
    Store(kSlotA, c.entry);
    if (!c.text.empty()) Work().Working()->SetText(index, c.text);
    // Looking and clicking the keyboard radio change nothing.
    OpenKey();
    Editor().CheckKeyboard();
    Editor().Ok();
    EXPECT_EQ(Work().ReadEntry(0, kSlotA), c.entry) << c.name;
    EXPECT_EQ(Work().Working()->Text(index), c.text) << c.name;

    // A captured key replaces it.
    OpenKey();
    Editor().CaptureKey(kPressB);
    Editor().Ok();
    EXPECT_EQ(Work().ReadEntry(0, kSlotA), Entry(AssignKind::SingleKey, 0x30)) << c.name;
    EXPECT_EQ(Work().Working()->Text(index), u"") << c.name;
  }
}

TEST_F(KeyAssignmentEditorTest, TheMacroOnlyLookOffersTheMacroPageAlone) {
  ASSERT_TRUE(Editor().Open(control::kMacroOnly, 0, ProfileNumber(0)));
  EXPECT_EQ(Editor().Page(), EditorPage::Macro);
  for (EditorPage tab : {EditorPage::Key, EditorPage::Media, EditorPage::Function}) {
    EXPECT_FALSE(Editor().TabEnabled(tab));
    Editor().ClickTab(tab);
    EXPECT_EQ(Editor().Page(), EditorPage::Macro);
  }
  EXPECT_TRUE(Editor().TabEnabled(EditorPage::Macro));
  EXPECT_FALSE(Editor().ClearEnabled());
  Editor().Clear();
  EXPECT_EQ(Editor().Page(), EditorPage::Macro);
  EXPECT_FALSE(Editor().Dirty());

  std::map<int, std::u16string_view> texts;
  for (const ControlText& text : EditorControlTexts(true)) texts[text.controlId] = text.key;
  EXPECT_EQ(texts[control::kTabKey], u"");
  EXPECT_EQ(texts[control::kTabMedia], u"");
  EXPECT_EQ(texts[control::kTabFunction], u"");
  EXPECT_EQ(texts[control::kTabMacro], u"IDS_COMPOSITE_SELECT_MACRO");
  EXPECT_EQ(texts[control::kHeading], u"IDS_KEYBOARD_EDIT_TISHI");
  for (const ControlText& text : EditorControlTexts(false)) {
    EXPECT_FALSE(text.key.empty()) << text.controlId;
  }
}

TEST_F(KeyAssignmentEditorTest, EditsGoToTheProfileReadAtOpeningWhateverTheKeyboardDoesMeanwhile) {
  rig_.State().deviceProfile = ProfileNumber(1);
  OpenKey(kKeyA, 0, ProfileNumber(1));
  Editor().CaptureKey(kPressB);
  // The keyboard's own profile key switched it meanwhile.
  rig_.State().deviceProfile = ProfileNumber(2);
  rig_.Buttons().marks.clear();
  Editor().Ok();

  EXPECT_EQ(Work().ReadEntry(1, kSlotA), Entry(AssignKind::SingleKey, 0x30));
  EXPECT_EQ(Work().ReadEntry(2, kSlotA), KeyEntry{});
  // The grid shows profile 2 now: its key A stays unmarked.
  EXPECT_FALSE(rig_.Buttons().marks[kButtonA]);
  EXPECT_TRUE(rig_.Host().pending);
}

TEST_F(KeyAssignmentEditorTest, ApplyMarksTheKeyAndRebuildsTheTooltips) {
  rig_.State().deviceProfile = ProfileNumber(0);
  OpenKey();
  Editor().CaptureKey(kPressB);
  Editor().Apply();
  EXPECT_TRUE(rig_.Buttons().marks[kButtonA]);
  EXPECT_EQ(rig_.Buttons().tooltips[kButtonA], u"A (key B)");
  EXPECT_TRUE(rig_.Host().pending);
  EXPECT_TRUE(Editor().IsOpen());
  EXPECT_FALSE(Editor().Dirty());
  Editor().Cancel();
  // Cancel after Apply keeps what Apply stored.
  EXPECT_EQ(Work().ReadEntry(0, kSlotA), Entry(AssignKind::SingleKey, 0x30));
}

TEST_F(KeyAssignmentEditorTest, CancelLeavesTheWorkingImageAsItWas) {
  GiveMacros({Macro(3, u"Combo")});
  Store(kSlotA, Entry(AssignKind::Macro, 3, 2));
  const std::vector<std::uint8_t> before = ImageBytes();

  OpenKey();
  Editor().Macros().Add();
  Editor().Macros().TypeName(u"Renamed");
  Editor().Macros().ToggleRecording();
  rig_.Clock().Advance(std::chrono::milliseconds(120));
  Editor().Macros().TakeKey({kPressB, std::nullopt});
  Editor().Macros().TakeKey({Release(0x42, 0x30), std::nullopt});
  Editor().ClickTab(EditorPage::Media);
  Editor().ChooseMedia(3);
  ASSERT_TRUE(Editor().Dirty());
  Editor().Cancel();

  EXPECT_EQ(ImageBytes(), before);
  EXPECT_FALSE(rig_.Host().pending);
  EXPECT_FALSE(Editor().Macros().IsRecording());
}

TEST_F(KeyAssignmentEditorTest, TheKeyboardGetsTheEditOnlyWithTheWindowsApply) {
  rig_.State().deviceProfile = ProfileNumber(0);
  // The first profile's key table as the keyboard holds it.
  const auto keyboardTable = [&] {
    const auto tables = rig_.Keyboard().Keyboard().Snapshot().keyTables;
    return std::vector<std::uint8_t>(tables.begin(), tables.begin() + protocol::kKeyTableSize);
  };
  const auto before = keyboardTable();
  OpenKey();
  Editor().ClickTab(EditorPage::Media);
  Editor().ChooseMedia(7);
  Editor().Ok();
  EXPECT_EQ(keyboardTable(), before);

  ASSERT_EQ(rig_.Sync().CommitImage(false), result::kOk);
  EXPECT_NE(keyboardTable(), before);
}

// The keyboard's own factory table, as the device watcher reads it on arrival.
void TakeKeyboardsTable(test::KeyEditorRig& rig) {
  KeyTableBytes table{};
  ASSERT_EQ(rig.Keyboard().Commands().ReadDefaultKeyTable(table), result::kOk);
  rig.Keyboard().Commands().DefaultTable().Replace(table);
  rig.Grid().SetKeyboardTable(&rig.Keyboard().Commands().DefaultTable());
}

TEST_F(KeyAssignmentEditorTest, AKeyTheKeyboardLacksTakesNoAssignmentAndApplySaysSo) {
  TakeKeyboardsTable(rig_);
  const int kG7 = kGKeyControls[6];  // the virtual keyboard has G1..G6
  struct Case {
    const char* name;
    int control;
    int bank;
    bool available;
  };
  const Case cases[] = {
      {"key A", kKeyA, 0, true},
      {"G3 of the first bank", kG3, 0, true},
      {"G7", kG7, 0, false},
      {"G1 of the second bank", kG1, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    rig_.Prompter().messages.clear();
    OpenKey(c.control, c.bank);
    EXPECT_EQ(Editor().Available(), c.available);
    const int slot = Editor().Slot();
    Editor().CaptureKey(kPressB);
    Editor().Ok();
    EXPECT_EQ(Work().ReadEntry(0, slot).Is(AssignKind::SingleKey), c.available);
    EXPECT_EQ(rig_.Prompter().messages.size(), c.available ? 0u : 1u);
    // Setting it back to Default is always possible.
    OpenKey(c.control, c.bank);
    Editor().Clear();
    Editor().Ok();
    EXPECT_TRUE(Work().ReadEntry(0, slot).Is(AssignKind::Default));
  }
}

TEST_F(KeyAssignmentEditorTest, AKeyWithoutADeviceCodeIsRefusedWithAMessage) {
  OpenKey();
  // F13: the catalogue knows no code the keyboard could send for it.
  EXPECT_EQ(Editor().CaptureKey(Press(0x7C, 0x064)), KeyDisposition::Swallow);
  EXPECT_EQ(Editor().CapturedKey(), 0);
  ASSERT_EQ(rig_.Prompter().messages.size(), 1u);
  EXPECT_NE(rig_.Prompter().messages[0].text.find(u"cannot be sent."), std::u16string::npos);
  EXPECT_EQ(Editor().CaptureKey(kPressB), KeyDisposition::Swallow);
  EXPECT_EQ(Editor().CapturedKey(), 0x30);
}

TEST_F(KeyAssignmentEditorTest, ApplyIsNoSuccessWhileAnAssignmentCannotBeSent) {
  TakeKeyboardsTable(rig_);
  rig_.State().deviceProfile = ProfileNumber(0);
  // From a file, say: G8 has no key on this keyboard.
  Store(GKeySlot(7, 0), Entry(AssignKind::SingleKey, 0x30));
  Store(kSlotA, Entry(AssignKind::SingleKey, 0x30));
  EXPECT_EQ(rig_.Sync().CommitImage(false), result::kFailed);
  ASSERT_EQ(rig_.Prompter().messages.size(), 1u);
  EXPECT_EQ(rig_.Prompter().messages[0].text, u"Not sent: 1: G8");
  // What the keyboard has went out all the same.
  const auto tables = rig_.Keyboard().Keyboard().Snapshot().keyTables;
  const KeyTableBytes defaults = rig_.Keyboard().Commands().DefaultTable().Get();
  EXPECT_FALSE(std::equal(defaults.begin(), defaults.end(), tables.begin()));

  Store(GKeySlot(7, 0), KeyEntry{});
  EXPECT_EQ(rig_.Sync().CommitImage(false), result::kOk);
  EXPECT_EQ(rig_.Prompter().messages.size(), 1u);
}

TEST(EditorPlacementTest, PutsTheDialogBesideTheKeyWhereItFits) {
  const ScreenRect screen{0, 0, 1920, 1080};
  struct Case {
    const char* name;
    ScreenRect key;
    bool centred;
    ScreenPoint place;
  };
  const Case cases[] = {
      {"right below", {100, 100, 140, 140}, false, {140, 140}},
      {"right above", {100, 900, 140, 940}, false, {140, 460}},
      {"left below", {1700, 100, 1740, 140}, false, {1100, 140}},
      {"left above", {1700, 900, 1740, 940}, false, {1100, 460}},
      // Exactly the room it needs is room enough.
      {"right below, just", {1280, 600, 1320, 640}, false, {1320, 640}},
      {"nowhere", {0, 0, 1920, 1080}, false, {1920, 1080}},
      {"centred", {100, 100, 140, 140}, true, {660, 320}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlaceEditor(screen, c.key, 600, 440, c.centred), c.place) << c.name;
  }
  // On a second screen to the right, in its own coordinates.
  EXPECT_EQ(PlaceEditor({1920, 0, 3840, 1080}, {3700, 100, 3740, 140}, 600, 440, false),
            (ScreenPoint{3100, 140}));
  EXPECT_EQ(PlaceEditor({1920, 0, 3840, 1080}, {}, 600, 440, true), (ScreenPoint{2580, 320}));
}

}  // namespace
}  // namespace ombrex
