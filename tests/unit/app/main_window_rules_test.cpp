// The main window's rules on the in-process virtual keyboard, with the
// window's drawing, the editors and the lighting panel replaced by recorders.

#include "app/main_window_rules.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

#include "app/lighting_panel_host.h"
#include "device/results.h"
#include "device/run_state.h"
#include "editors/profile_switcher.h"
#include "model/app_settings.h"
#include "model/key_buttons_table.h"
#include "model/key_grid.h"
#include "model/keyboard_sync.h"
#include "model/lighting.h"
#include "model/user_mode_files.h"
#include "model/workspace.h"
#include "platform/settings_store.h"
#include "tests/support/core/recording_buttons.h"
#include "tests/support/core/small_texts.h"
#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"

namespace ombrex {
namespace {

constexpr std::string_view kTextLines =
    "IDS_DEFAULT_PROFILE_NAME=Factory profile\n"
    "IDS_PROFILE_SELECT_PROMPT=Apply first?\n"
    "IDS_MAIN_CAPTION=Ombrex Keyboard\n"
    "IDS_MAIN_PROFILE1=Profile 1\nIDS_MAIN_PROFILE2=Profile 2\n"
    "IDS_MAIN_PROFILE3=Profile 3\nIDS_MAIN_PROFILE4=Profile 4\n"
    "IDS_MAIN_MACRO=Macros\nIDS_MAIN_DEFAULT=Default\nIDS_MAIN_OK=OK\n"
    "IDS_MAIN_Cancel=Cancel\nIDS_MAIN_Apply=Apply\nMAIN_BUTTON_TIRVAN_VER=v9\n"
    "IDS_MAIN_HELP_PROMPT=Help\nIDS_MAIN_CLOSE_PROMPT=Exit\n"
    "IDS_MAIN_MINIMIZE_PROMPT=Minimise\nIDS_MAIN_MENU_PROMPT=Import or export\n";

class RecordingEditors : public EditorHost {
 public:
  int RunKeyEditor(const KeyEditRequest& request) override {
    requests.push_back(request);
    if (whileOpen) whileOpen();
    return 1;
  }
  void RunProfileManager() override { ++managers; }
  void CloseEditors() override { ++closes; }
  bool EditorOpen() const override { return open; }
  void SetLanguage(int index) override { languages.push_back(index); }

  std::vector<KeyEditRequest> requests;
  std::function<void()> whileOpen;
  int managers = 0;
  int closes = 0;
  bool open = false;
  std::vector<int> languages;
};

class RecordingEditorWindow : public EditorWindow {
 public:
  void HighlightKey(int button, bool on) override { highlights.emplace_back(button, on); }
  void OpenHelp() override {}
  std::vector<std::pair<int, bool>> highlights;
};

class RecordingPanel : public LightingPanelHost {
 public:
  void RefillUserModes() override { calls.push_back("refill"); }
  void LoadCurrentUserMode() override { calls.push_back("load"); }
  void RefreshLightingPanel() override { calls.push_back("refresh"); }
  bool LightingView() const override { return view; }
  void LightingViewOff() override {
    calls.push_back("view off");
    view = false;
  }
  bool Paints() const override { return paints; }
  void PaintKey(int button) override { painted.push_back(button); }
  void FocusModeList() override { calls.push_back("focus"); }
  void ApplyLanguage(int index) override { calls.push_back("language " + std::to_string(index)); }
  void OnSlider(int, int) override {}

  bool view = false;
  bool paints = false;
  std::vector<std::string> calls;
  std::vector<int> painted;
};

class RecordingFace : public MainWindowFace {
 public:
  void ShowProfileButtons(std::optional<ProfileNumber> shown) override {
    pressed.push_back(shown ? static_cast<int>(shown->Index()) : -1);
  }
  void ShowFlip(const FlipLayout& layout) override { flips.push_back(layout); }
  void SetControlText(const WindowText& text, std::u16string_view value) override {
    (text.tooltip ? tooltips : captions)[text.controlId] = std::u16string(value);
  }
  void FocusReportRate() override { ++focused; }

  std::vector<int> pressed;
  std::vector<FlipLayout> flips;
  std::map<int, std::u16string> captions;
  std::map<int, std::u16string> tooltips;
  int focused = 0;
};

class SwitchHost : public ProfileSwitchHost, public PendingChanges {
 public:
  bool HasPendingChanges() const override { return false; }
  void SetPendingChanges(bool) override {}
  void ApplyChanges() override {}
  bool EditorOpen() const override { return editors.EditorOpen(); }
  void ShowProfileMenu(const ProfileMenu&) override {}
  explicit SwitchHost(RecordingEditors& editors) : editors(editors) {}
  RecordingEditors& editors;
};

class MainWindowRulesTest : public ::testing::Test {
 protected:
  MainWindowRulesTest()
      : texts_(kTextLines),
        store_(OpenSettingsIn(dir_.path() / "config")),
        settings_(*store_, texts_.Get(), dir_.path() / "Vantrel_09A"),
        workspace_(dir_.path() / "Vantrel_09A"),
        sync_(workspace_, rig_.Commands(), texts_.Get(), prompter_),
        host_(editors_),
        grid_(workspace_, texts_.Get(), buttons_, host_),
        switcher_(workspace_, rig_.Commands(), sync_, grid_, texts_.Get(), prompter_, host_, run_,
                  [this] { return bank_; }),
        userModes_(dir_.path() / "data", texts_.ProgramFolder()),
        lighting_(rig_.Commands(), userModes_, dir_.path() / "Vantrel_09A"),
        rules_({.commands = rig_.Commands(),
                .switcher = switcher_,
                .grid = grid_,
                .buttons = buttons_,
                .lighting = lighting_,
                .settings = settings_,
                .texts = texts_.Get(),
                .bank = [this] { return bank_; },
                .editors = editors_,
                .editorWindow = editorWindow_,
                .panel = panel_,
                .face = face_}) {
    workspace_.CreateDefaultImage({}, 0, true);
    // As after the start-up's reload: the program knows the keyboard's profile.
    rig_.Commands().ActiveProfile();
  }

  int KeyboardProfile() {
    return rig_.Keyboard().Snapshot().status[protocol::kStatusActiveProfileAt];
  }
  // The keyboard switched by its own profile key, and the program was not told.
  void KeyboardSwitchesItselfTo(std::uint8_t profile) { rig_.Keyboard().SetActiveProfile(profile); }

  test::VirtualKeyboardRig rig_;
  test::TempDir dir_;
  test::SmallTexts texts_;
  std::unique_ptr<SettingsStore> store_;
  AppSettings settings_;
  test::RecordingPrompter prompter_;
  test::RecordingButtons buttons_;
  RecordingEditors editors_;
  RecordingEditorWindow editorWindow_;
  RecordingPanel panel_;
  RecordingFace face_;
  RunState run_;
  Workspace workspace_;
  KeyboardSync sync_;
  SwitchHost host_;
  KeyGrid grid_;
  ProfileSwitcher switcher_;
  UserModeFiles userModes_;
  Lighting lighting_;
  int bank_ = 0;
  MainWindowRules rules_;
};

struct ClickCase {
  const char* what;
  int control;
  int bank;
  ClickAction action;
  int slot;
  int requestedControl;
  bool macroEntry;
};

TEST_F(MainWindowRulesTest, AKeyViewClickAsksTheEditorForTheKeysSlot) {
  const ClickCase cases[] = {
      {"A", 1058, 0, ClickAction::EditKey, 30, 1058, false},
      {"Print Screen", 1091, 0, ClickAction::EditKey, 183, 1091, false},
      {"Grave takes part like every key", 1029, 0, ClickAction::EditKey, 41, 1029, false},
      {"T as well", 1048, 0, ClickAction::EditKey, 20, 1048, false},
      {"G1 in bank A", 1000, 0, ClickAction::EditKey, 256, 1000, false},
      {"G3 in bank B", 1002, 1, ClickAction::EditKey, 267, 1002, false},
      {"Macro is G9's macro page in bank A", 1007, 0, ClickAction::EditKey, 264, 1143, true},
      {"and in bank B", 1007, 1, ClickAction::EditKey, 273, 1143, true},
      {"Fn edits nothing", 1174, 0, ClickAction::Nothing, 0, 0, false},
      {"D1 is no key", 1016, 0, ClickAction::Nothing, 0, 0, false},
      {"Nor is OK", 1, 0, ClickAction::Nothing, 0, 0, false},
  };
  for (const ClickCase& c : cases) {
    bank_ = c.bank;
    const KeyClick click = rules_.DecideClick(c.control);
    EXPECT_EQ(click.action, c.action) << c.what;
    if (c.action != ClickAction::EditKey) continue;
    EXPECT_EQ(click.request.slot, c.slot) << c.what;
    EXPECT_EQ(click.request.controlId, c.requestedControl) << c.what;
    EXPECT_EQ(click.request.macroEntry, c.macroEntry) << c.what;
    EXPECT_EQ(click.request.layer, 0) << c.what;
    EXPECT_EQ(click.request.profile, ProfileNumber(0)) << c.what;
  }
}

TEST_F(MainWindowRulesTest, TheEditorGetsTheProfileReadAtTheClickAndTheKeyIsHighlightedMeanwhile) {
  ASSERT_EQ(rig_.Commands().SetActiveProfile(2), result::kOk);
  bool highlightedWhileOpen = false;
  editors_.whileOpen = [&] {
    highlightedWhileOpen = editorWindow_.highlights == std::vector<std::pair<int, bool>>{{0, true}};
  };
  rules_.ClickControl(1058);
  ASSERT_EQ(editors_.requests.size(), 1u);
  EXPECT_EQ(editors_.requests[0].profile, ProfileNumber(2));
  EXPECT_EQ(editors_.requests[0].button, 0);
  EXPECT_TRUE(highlightedWhileOpen);
  EXPECT_EQ(editorWindow_.highlights.back(), std::make_pair(0, false));
}

TEST_F(MainWindowRulesTest, WithTheProfileUnknownAKeyClickOpensNothing) {
  rig_.Unplug();
  rig_.State().deviceProfile = std::nullopt;
  rules_.ClickControl(1058);
  rules_.ClickControl(1007);
  EXPECT_TRUE(editors_.requests.empty());
  EXPECT_TRUE(editorWindow_.highlights.empty());
}

TEST_F(MainWindowRulesTest, TheLightingViewPaintsOnlyInModeTwentyAndMacroStillEdits) {
  panel_.view = true;
  rules_.ClickControl(1058);
  EXPECT_TRUE(panel_.painted.empty()) << "another mode: a click changes nothing";
  EXPECT_TRUE(editors_.requests.empty());

  panel_.paints = true;
  for (int control : {1058, 1174, 1000, 1016, 1143}) rules_.ClickControl(control);
  EXPECT_EQ(panel_.painted, (std::vector<int>{0, kFnButton, kFirstGKeyButton}))
      << "D1 and the unlit G9 paint nothing";
  EXPECT_TRUE(editors_.requests.empty());

  rules_.ClickControl(1007);
  ASSERT_EQ(editors_.requests.size(), 1u);
  EXPECT_TRUE(editors_.requests[0].macroEntry);
}

TEST_F(MainWindowRulesTest, PressingTheCurrentProfileReadsTheLightingButTellsTheKeyboardNothing) {
  panel_.view = true;
  rules_.PressProfileButton(0);
  EXPECT_EQ(panel_.calls, (std::vector<std::string>{"refill", "load", "refresh", "view off"}));
  EXPECT_TRUE(face_.pressed.empty()) << "the buttons keep their state";
  EXPECT_EQ(KeyboardProfile(), 0);
  EXPECT_EQ(rules_.LightingProfile(), ProfileNumber(0));
}

TEST_F(MainWindowRulesTest, PressingAnotherProfileSwitchesTheKeyboardAndPressesItsButton) {
  rules_.PressProfileButton(2);
  EXPECT_EQ(KeyboardProfile(), 2);
  EXPECT_EQ(rig_.State().deviceProfile.load(), ProfileNumber(2));
  EXPECT_EQ(face_.pressed, (std::vector<int>{2}));
  EXPECT_EQ(rules_.LightingProfile(), ProfileNumber(2));
}

TEST_F(MainWindowRulesTest, ARefusedSwitchLeavesTheButtonsWhileThePanelMoved) {
  editors_.open = true;
  rules_.PressProfileButton(3);
  EXPECT_EQ(KeyboardProfile(), 0);
  EXPECT_TRUE(face_.pressed.empty());
  EXPECT_EQ(rules_.LightingProfile(), ProfileNumber(3));
  ASSERT_EQ(prompter_.messages.size(), 1u) << "the switch says why it refused";
}

TEST_F(MainWindowRulesTest, TheProfileFollowUpReadsTheKeyboardsProfile) {
  // The same profile: the lighting is read again and nothing switches.
  rules_.FollowKeyboardProfile();
  EXPECT_EQ(panel_.calls, (std::vector<std::string>{"refresh"}));
  EXPECT_TRUE(face_.pressed.empty());

  // Another one: the program follows.
  panel_.calls.clear();
  KeyboardSwitchesItselfTo(1);
  rules_.FollowKeyboardProfile();
  EXPECT_EQ(face_.pressed, (std::vector<int>{1}));
  EXPECT_EQ(rig_.State().deviceProfile.load(), ProfileNumber(1));
  EXPECT_EQ(rules_.LightingProfile(), ProfileNumber(1));
}

TEST(FollowUpTest, OnlyAProfileBothPanelAndGridShowNeedsNoSwitch) {
  struct Case {
    int keyboard, lighting, current;
    FollowUp expected;
  };
  const Case cases[] = {
      {1, 1, 1, FollowUp::RefreshLighting},
      {2, 1, 1, FollowUp::PressProfile},
      {2, 2, 1, FollowUp::PressProfile},  // a refused switch left the grid behind
      {2, 1, 2, FollowUp::PressProfile},
      {3, 3, -1, FollowUp::PressProfile},  // the grid's profile is not known
      {7, 1, 1, FollowUp::Nothing},
      {-1, 0, 0, FollowUp::Nothing},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideFollowUp(c.keyboard, *ProfileNumber::From(c.lighting),
                             ProfileNumber::From(c.current)),
              c.expected)
        << c.keyboard << " " << c.lighting << " " << c.current;
  }
}

TEST_F(MainWindowRulesTest, TheProfileFollowUpDoesNothingWhenTheKeyboardCannotBeRead) {
  rig_.Unplug();
  rules_.FollowKeyboardProfile();
  EXPECT_TRUE(panel_.calls.empty());
  EXPECT_TRUE(face_.pressed.empty());
}

TEST_F(MainWindowRulesTest, AfterARefusedSwitchTheFollowUpStillBringsTheGridToTheKeyboard) {
  // The keyboard moved to 2 while an editor was open: the panel followed,
  // the grid, the buttons and the cached profile did not.
  KeyboardSwitchesItselfTo(2);
  editors_.open = true;
  rules_.FollowKeyboardProfile();
  ASSERT_EQ(rules_.LightingProfile(), ProfileNumber(2));
  ASSERT_EQ(rig_.State().deviceProfile.load(), ProfileNumber(0));
  ASSERT_TRUE(face_.pressed.empty());

  // Editor closed, the keyboard says 2 again: equal to the panel's profile
  // but not to the grid's, so the switch happens now.
  editors_.open = false;
  rules_.FollowKeyboardProfile();
  EXPECT_EQ(face_.pressed, (std::vector<int>{2}));
  EXPECT_EQ(rig_.State().deviceProfile.load(), ProfileNumber(2));
}

// Key S of profile 1 is being edited when the keyboard's own key moves it
// to profile 2: the edit stays with profile 1, and once the editor has closed
// the buttons, the grid and the panel all show profile 2, where the keyboard is.
TEST_F(MainWindowRulesTest, AFollowUpRefusedWhileAnEditorWasOpenRunsOnceItHasClosed) {
  constexpr int kKeyS = 1059;
  constexpr int kSlotS = 31;
  KeyEntry x;
  x.kind = static_cast<std::uint16_t>(AssignKind::SingleKey);
  x.value = 0x2D;
  editors_.whileOpen = [&] {
    editors_.open = true;
    KeyboardSwitchesItselfTo(1);
    rules_.FollowKeyboardProfile();
    workspace_.StoreEntry(editors_.requests.back().profile, kSlotS, x);
    editors_.open = false;
  };

  rules_.ClickControl(kKeyS);

  ASSERT_EQ(editors_.requests.size(), 1u);
  EXPECT_EQ(editors_.requests[0].profile, ProfileNumber(0));
  EXPECT_EQ(face_.pressed, (std::vector<int>{1}));
  EXPECT_EQ(rig_.State().deviceProfile.load(), ProfileNumber(1));
  EXPECT_EQ(rules_.LightingProfile(), ProfileNumber(1));
  EXPECT_EQ(workspace_.ReadEntry(0, kSlotS), x);
  EXPECT_EQ(workspace_.ReadEntry(1, kSlotS), KeyEntry{});
}

TEST_F(MainWindowRulesTest, TheRefreshAfterAnArrivalPressesTheCurrentProfileAndReadsAll) {
  KeyboardSwitchesItselfTo(3);
  rig_.State().deviceProfile = std::nullopt;
  rules_.RefreshAfterDeviceChange();
  EXPECT_EQ(face_.pressed, (std::vector<int>{3}));
  EXPECT_EQ(rules_.LightingProfile(), ProfileNumber(3));
  // The full read loaded the user mode; the list shows the new profile's.
  EXPECT_EQ(panel_.calls, (std::vector<std::string>{"refill", "refresh"}));
}

TEST_F(MainWindowRulesTest, WithTheProfileUnknownTheRefreshPressesNoButtonAndKeepsThePanel) {
  rules_.PressProfileButton(2);
  face_.pressed.clear();
  rig_.Unplug();
  rig_.State().deviceProfile = std::nullopt;
  rules_.RefreshAfterDeviceChange();
  EXPECT_EQ(face_.pressed, (std::vector<int>{-1}));
  EXPECT_EQ(rules_.LightingProfile(), ProfileNumber(2));
}

TEST_F(MainWindowRulesTest, GKeyMarksFollowTheBankShownAndNothingIsMarkedWhileTheProfileIsUnknown) {
  KeyEntry disabled;
  disabled.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
  workspace_.StoreEntry(0, 267, disabled);  // G3 of bank B
  bank_ = 1;
  rules_.RefreshGKeyStates();
  EXPECT_TRUE(buttons_.marks[GKeyButton(2)]);
  bank_ = 0;
  rules_.RefreshGKeyStates();
  EXPECT_FALSE(buttons_.marks[GKeyButton(2)]);

  bank_ = 1;
  rig_.Unplug();
  rig_.State().deviceProfile = std::nullopt;
  rules_.RefreshGKeyStates();
  for (int j = 0; j < static_cast<int>(kGKeyCount); ++j) {
    EXPECT_FALSE(buttons_.marks[GKeyButton(j)]) << "G" << j + 1;
  }
}

TEST_F(MainWindowRulesTest, FlipTogglesAnyStoredValueButZeroToZero) {
  store_->WriteProfileString(u"PROFILES", u"Flip", u"7");
  EXPECT_EQ(FlipLayoutFor(rules_.Flip()).dKeysEnabled, true) << "7 counts as 1";
  rules_.ToggleFlip();
  EXPECT_EQ(store_->ReadProfileString(u"PROFILES", u"Flip", u""), u"0");
  ASSERT_EQ(face_.flips.size(), 1u);
  EXPECT_EQ(face_.flips[0], (FlipLayout{true, false, u"DOWN_ARROW_LEFT1", u"DOWN_ARROW_RIGHT1"}));
  rules_.ToggleFlip();
  EXPECT_EQ(store_->ReadProfileString(u"PROFILES", u"Flip", u""), u"1");
  EXPECT_EQ(face_.flips[1], (FlipLayout{false, true, u"UP_ARROW_LEFT1", u"UP_ARROW_RIGHT1"}));
}

TEST(MainWindowStackingTest, TheEnabledSetLiesOverTheTrayAndTheDisabledUnderIt) {
  auto position = [](const std::vector<int>& group, int id) {
    return std::find(group.begin(), group.end(), id) - group.begin();
  };
  for (int flip : {0, 1}) {
    const auto order = StackingOrder(flip);
    ASSERT_EQ(order.size(), 5u);
    EXPECT_EQ(order[0].front(), control::kLockAB) << "G keys over the bank indicator";
    EXPECT_EQ(order[1], (std::vector<int>{1070, 1055})) << "right bracket over Enter";
    const auto& flipGroup = order[2];
    const int enabled = flip == 0 ? 1010 : control::kFirstD;
    const int disabled = flip == 0 ? control::kFirstD : 1010;
    EXPECT_LT(position(flipGroup, disabled), position(flipGroup, control::kFlip0)) << flip;
    EXPECT_GT(position(flipGroup, enabled), position(flipGroup, control::kFlip0)) << flip;
    EXPECT_EQ(order[3], (std::vector<int>{control::kFlip1, control::kLeftArrow}));
    EXPECT_EQ(order[4], (std::vector<int>{control::kFlip2, control::kRightArrow}));
  }
}

TEST_F(MainWindowRulesTest, TheLanguageMessageSetsEveryWindowTextAndReachesEditorsAndPanel) {
  rules_.ApplyLanguage(1);
  EXPECT_EQ(editors_.languages, (std::vector<int>{1}));
  EXPECT_EQ(panel_.calls, (std::vector<std::string>{"language 1"}));
  const std::map<int, std::u16string> captions{
      {0, u"Ombrex Keyboard"}, {1135, u"Profile 1"}, {1136, u"Profile 2"}, {1137, u"Profile 3"},
      {1199, u"Profile 4"},    {1007, u"Macros"},    {1138, u"Default"},   {1, u"OK"},
      {2, u"Cancel"},          {1006, u"Apply"},     {1134, u"v9"}};
  EXPECT_EQ(face_.captions, captions);
  const std::map<int, std::u16string> tooltips{
      {1122, u"Help"}, {1124, u"Exit"}, {1123, u"Minimise"}, {1139, u"Import or export"}};
  EXPECT_EQ(face_.tooltips, tooltips);
}

TEST_F(MainWindowRulesTest, WhenTheKeyboardGoesTheEditorsCloseAndTheFocusMovesToTheLighting) {
  rules_.CloseEditors();
  EXPECT_EQ(editors_.closes, 1);
  EXPECT_EQ(panel_.calls, (std::vector<std::string>{"focus"}));
  EXPECT_EQ(face_.focused, 1);
}

}  // namespace
}  // namespace ombrex
