// Profile switching and the profile manager's rules on the in-process virtual
// keyboard, with the window replaced by recorders.

#include "editors/profile_switcher.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>

#include "device/run_state.h"
#include "editors/profile_manager.h"
#include "model/app_settings.h"
#include "model/key_grid.h"
#include "model/keyboard_sync.h"
#include "model/unapplied_edits.h"
#include "model/workspace.h"
#include "tests/support/core/recording_buttons.h"
#include "tests/support/core/small_texts.h"
#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/support/editors/recording_switch_host.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"

namespace ombrex {
namespace {

constexpr int kKeyOneSlot = 2;     // the key "1"
constexpr int kKeyOneButton = 26;  // its button in the key grid

constexpr std::string_view kTextLines =
    "IDS_DEFAULT_PROFILE_NAME=Factory profile\n"
    "IDS_PROFILE_SELECT_PROMPT=Apply your changes first?\n"
    "IDS_PROFILE_ADD_FAILED=Could not write %s\n"
    "IDS_PROFILE_REMOVE_CONFIRM=Remove %s?\n"
    "IDS_PROFILE_FILE_IS_FOLDER=A folder: %s\n"
    "IDS_PROFILE_FILE_FOREIGN_LINK=A foreign link: %s\n";

KeyEntry Disabled() {
  KeyEntry entry;
  entry.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
  return entry;
}

using test::RecordingButtons;
using RecordingHost = test::RecordingSwitchHost;

// Questions answered by a hook that runs while the question is "on screen".
class QuestionPrompter : public test::RecordingPrompter {
 public:
  Answer AskYesNo(std::u16string_view text) override {
    if (whileAsking) whileAsking();
    return RecordingPrompter::AskYesNo(text);
  }
  std::function<void()> whileAsking;
};

class ProfileSwitcherTest : public ::testing::Test {
 protected:
  explicit ProfileSwitcherTest(test::RigOptions options = {})
      : rig_(options),
        texts_(kTextLines),
        workspace_(dir_.path() / "Vantrel_09A"),
        sync_(workspace_, rig_.Commands(), texts_.Get(), prompter_),
        grid_(workspace_, texts_.Get(), buttons_, host_),
        switcher_(workspace_, rig_.Commands(), sync_, grid_, texts_.Get(), prompter_, host_, run_,
                  [] { return 0; }) {
    workspace_.CreateDefaultImage({}, 0, true);
  }

  // Puts `entry` on key 1 of `profile` in the keyboard itself.
  void AssignInKeyboard(ProfileNumber profile, const KeyEntry& entry) {
    workspace_.StoreEntry(profile, kKeyOneSlot, entry);
    ASSERT_EQ(sync_.CommitImage(true), result::kOk);
    const auto held = workspace_.Working();
    workspace_.ClearWorkingImage();
    workspace_.CreateDefaultImage({}, 0, true);
  }
  int KeyboardProfile() {
    return rig_.Keyboard().Snapshot().status[protocol::kStatusActiveProfileAt];
  }
  KeyEntry KeyOne(ProfileNumber profile) { return workspace_.ReadEntry(profile, kKeyOneSlot); }

  test::VirtualKeyboardRig rig_;
  test::TempDir dir_;
  test::SmallTexts texts_;
  QuestionPrompter prompter_;
  RecordingButtons buttons_;
  RecordingHost host_;
  RunState run_;
  Workspace workspace_;
  KeyboardSync sync_;
  KeyGrid grid_;
  ProfileSwitcher switcher_;
};

TEST_F(ProfileSwitcherTest, ReloadTakesTheKeyboardsAssignmentsAndClearsPendingChanges) {
  AssignInKeyboard(0, Disabled());
  host_.pending = true;

  switcher_.ReloadCurrentProfile(false);

  EXPECT_EQ(KeyOne(0), Disabled());
  EXPECT_TRUE(std::filesystem::exists(workspace_.ProfileFilePath()));
  EXPECT_TRUE(buttons_.marks[kKeyOneButton]);
  EXPECT_FALSE(host_.pending);

  host_.pending = true;
  switcher_.ReloadCurrentProfile(true);
  EXPECT_TRUE(host_.pending);
}

TEST_F(ProfileSwitcherTest, ReloadWithoutAKeyboardGivesTheDefaultImage) {
  workspace_.StoreEntry(0, kKeyOneSlot, Disabled());
  rig_.Unplug();
  rig_.State().deviceProfile = std::nullopt;

  switcher_.ReloadCurrentProfile(false);

  EXPECT_EQ(KeyOne(0), KeyEntry{});
  EXPECT_FALSE(std::filesystem::exists(workspace_.ProfileFilePath()));
  EXPECT_FALSE(buttons_.marks[kKeyOneButton]);
  EXPECT_EQ(buttons_.refreshes, 1);
}

TEST_F(ProfileSwitcherTest, ALinkToAnotherFileOrAFolderInThePlaceOfTheProfileFileIsReported) {
  const std::vector<std::uint8_t> notes{'n', 'o', 't', 'e', 's'};
  const auto text = dir_.Write("notes.txt", notes);
  const auto file = workspace_.ProfileFilePath();
  struct Case {
    const char* name;
    std::function<void()> make;
    std::u16string message;
  };
  const Case cases[] = {
      {"a link to notes", [&] { std::filesystem::create_symlink(text, file); },
       u"A foreign link: " + file.u16string()},
      {"a folder", [&] { std::filesystem::create_directory(file); },
       u"A folder: " + file.u16string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    workspace_.EnsureProfileFolder();
    std::filesystem::remove_all(file);
    c.make();
    prompter_.messages.clear();
    switcher_.ReloadCurrentProfile(false);
    switcher_.ReloadCurrentProfile(false);
    ASSERT_EQ(prompter_.messages.size(), 1u) << "once, not at every arrival";
    EXPECT_EQ(prompter_.messages[0].text, c.message);
    std::ifstream kept(text, std::ios::binary);
    EXPECT_EQ(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(kept), {}), notes);
  }
  // Put right, the file takes the keyboard's assignments again.
  std::filesystem::remove_all(file);
  prompter_.messages.clear();
  switcher_.ReloadCurrentProfile(false);
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_TRUE(std::filesystem::is_regular_file(file));
}

TEST_F(ProfileSwitcherTest, AnIndexOutsideTheFourProfilesSelectsTheFirst) {
  ASSERT_EQ(rig_.Commands().SetActiveProfile(2), result::kOk);
  EXPECT_EQ(switcher_.SelectProfile(7), 1);
  EXPECT_EQ(KeyboardProfile(), 0);
  EXPECT_EQ(rig_.State().deviceProfile.load(), ProfileNumber(0));
  EXPECT_EQ(switcher_.SelectProfile(-3), 1);
  EXPECT_EQ(KeyboardProfile(), 0);
}

TEST_F(ProfileSwitcherTest, SwitchingIsRefusedWhileAnEditorIsOpen) {
  host_.editorOpen = true;
  host_.pending = true;
  EXPECT_EQ(switcher_.SelectProfile(3), 0);
  EXPECT_EQ(KeyboardProfile(), 0);
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text,
            u"When fast switch scene mode, you must first close the editor dialog box.");
  EXPECT_TRUE(prompter_.questions.empty());
}

TEST_F(ProfileSwitcherTest, YesAppliesTheChangesThenSwitches) {
  host_.pending = true;
  prompter_.ScriptAnswer(Answer::Yes);
  host_.onApply = [&] {
    // Apply runs before the keyboard is switched.
    EXPECT_EQ(KeyboardProfile(), 0);
  };

  EXPECT_EQ(switcher_.SelectProfile(1), 1);

  EXPECT_EQ(prompter_.questions, std::vector<std::u16string>{u"Apply your changes first?"});
  EXPECT_EQ(host_.applies, 1);
  EXPECT_EQ(KeyboardProfile(), 1);
}

TEST_F(ProfileSwitcherTest, NoDropsTheEditsAndStillSwitches) {
  AssignInKeyboard(1, Disabled());
  switcher_.ReloadCurrentProfile(false);
  // An edit not applied: key 1 of profile 1 back to its default.
  workspace_.StoreEntry(1, kKeyOneSlot, KeyEntry{});
  host_.pending = true;
  prompter_.ScriptAnswer(Answer::No);

  EXPECT_EQ(switcher_.SelectProfile(1), 1);

  EXPECT_EQ(host_.applies, 0);
  EXPECT_FALSE(host_.pending);
  EXPECT_EQ(KeyOne(1), Disabled());
  EXPECT_EQ(KeyboardProfile(), 1);
  EXPECT_TRUE(buttons_.marks[kKeyOneButton]);
}

TEST_F(ProfileSwitcherTest, ASecondSwitchWhileTheQuestionIsUpDoesNothing) {
  host_.pending = true;
  int inner = -1;
  prompter_.whileAsking = [&] { inner = switcher_.SelectProfile(3); };
  prompter_.ScriptAnswer(Answer::Yes);

  EXPECT_EQ(switcher_.SelectProfile(2), 1);

  EXPECT_EQ(inner, 0);
  EXPECT_EQ(prompter_.questions.size(), 1u);
  EXPECT_EQ(KeyboardProfile(), 2);
}

TEST_F(ProfileSwitcherTest, AnExitDuringTheQuestionStopsTheSwitch) {
  host_.pending = true;
  prompter_.whileAsking = [&] { run_.BeginShutdown(); };
  prompter_.ScriptAnswer(Answer::Yes);

  EXPECT_EQ(switcher_.SelectProfile(2), 0);
  EXPECT_EQ(host_.applies, 0);
  EXPECT_EQ(KeyboardProfile(), 0);
}

TEST_F(ProfileSwitcherTest, MenuNamesTheCurrentProfileOnTheProfilesButton) {
  ASSERT_EQ(switcher_.SelectProfile(2), 1);
  const ProfileMenu& menu = host_.menu;
  ASSERT_EQ(menu.items.size(), 6u);
  EXPECT_EQ(menu.items[0], (ProfileMenuItem{9000, u"Factory profile", false}));
  EXPECT_EQ(menu.items[1], ProfileMenuItem{});
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(menu.items[2 + i].id, 9001 + i);
    EXPECT_EQ(menu.items[2 + i].text, u"$Profile0");
    EXPECT_EQ(menu.items[2 + i].checked, i == 2);
  }
  EXPECT_EQ(menu.caption, u"$Profile0");
  EXPECT_EQ(menu.tooltip, u"The current contextual  mode: $Profile0");
}

TEST_F(ProfileSwitcherTest, AKeyboardThatCannotSwitchRefusesAndTheMenuShowsTheDefault) {
  rig_.Unplug();
  rig_.State().deviceProfile = std::nullopt;
  EXPECT_EQ(switcher_.SelectProfile(1), 0);
  EXPECT_TRUE(host_.menu.items[0].checked);
  EXPECT_FALSE(host_.menu.items[1].checked);
  EXPECT_EQ(host_.menu.caption, u"Factory profile");
}

class ProfileManagerTest : public ProfileSwitcherTest {
 protected:
  ProfileManagerTest()
      : store_(OpenSettingsIn(dir_.path() / "config")),
        settings_(*store_, texts_.Get(), workspace_.ProfileFolder()),
        manager_(switcher_, workspace_, rig_.Commands(), settings_, texts_.Get(), prompter_) {
    manager_.SetMainApplyDisabler([this] { host_.pending = false; });
  }
  std::u16string Stored(std::u16string_view name) {
    return store_->ReadProfileString(u"PROFILES", name, u"(none)");
  }

  std::unique_ptr<SettingsStore> store_;
  AppSettings settings_;
  ProfileManager manager_;
};

TEST_F(ProfileManagerTest, OpensWithTheProfileFileFourTimesAndTheCurrentRowChecked) {
  ASSERT_EQ(rig_.Commands().SetActiveProfile(3), result::kOk);
  manager_.Open();
  ASSERT_EQ(manager_.Rows().size(), 4u);
  const std::u16string folder = workspace_.ProfileFolder().u16string() + u"/";
  for (const ProfileNumber profile : ProfileNumber::All()) {
    EXPECT_EQ(manager_.Rows()[profile.Index()], (ProfileRow{u"$Profile0", folder, profile}));
  }
  EXPECT_EQ(manager_.CheckedRow(), 3);
  EXPECT_FALSE(manager_.ApplyEnabled());
}

TEST_F(ProfileManagerTest, ApplyStoresTheRowsSwitchesAndLeavesOlderRowsInPlace) {
  store_->WriteProfileString(u"PROFILES", u"PROFILE03", u"older row");
  manager_.Open();
  manager_.Delete(0);
  manager_.Delete(0);
  // The second row left was listed for profile 3.
  manager_.Check(1);
  host_.pending = true;
  ASSERT_TRUE(manager_.ApplyEnabled());

  EXPECT_TRUE(manager_.Apply());

  const std::u16string path = workspace_.ProfileFolder().u16string() + u"/$Profile0.fwc";
  EXPECT_EQ(Stored(u"PROFILE00"), u"2");
  EXPECT_EQ(Stored(u"PROFILE01"), path);
  EXPECT_EQ(Stored(u"PROFILE02"), path);
  EXPECT_EQ(Stored(u"PROFILE03"), u"older row");
  EXPECT_EQ(KeyboardProfile(), 3);
  EXPECT_FALSE(manager_.ApplyEnabled());
  EXPECT_FALSE(host_.pending);
  EXPECT_EQ(host_.menu.caption, u"$Profile0");
}

TEST_F(ProfileManagerTest, AddWritesADefaultProfileFileAndListsIt) {
  manager_.Open();
  const std::filesystem::path chosen = dir_.path() / "mine" / "Gaming.fwc";
  std::filesystem::create_directories(chosen.parent_path());
  prompter_.ScriptFile(chosen);

  ASSERT_TRUE(manager_.Add());

  EXPECT_EQ(std::filesystem::file_size(chosen), 32832u);
  EXPECT_EQ(manager_.Rows().back(),
            (ProfileRow{u"Gaming", chosen.parent_path().u16string() + u"/", std::nullopt}));
  EXPECT_TRUE(manager_.ApplyEnabled());
  EXPECT_TRUE(prompter_.fileDialogs.back().overwritePrompt);

  prompter_.ScriptFile(std::nullopt);
  EXPECT_FALSE(manager_.Load());
  EXPECT_EQ(manager_.Rows().size(), 5u);
}

TEST_F(ProfileManagerTest, ASwitchWhileOpenChecksTheRowAndCountsAsApplied) {
  manager_.Open();
  manager_.Check(0);
  ASSERT_TRUE(manager_.ApplyEnabled());
  prompter_.ScriptAnswer(Answer::No);
  EXPECT_EQ(switcher_.SelectProfile(2), 1);
  EXPECT_EQ(prompter_.questions.size(), 1u);
  EXPECT_EQ(manager_.CheckedRow(), 2);
  EXPECT_FALSE(manager_.ApplyEnabled());
}

class UnappliedEditsTest : public ProfileSwitcherTest {
 protected:
  UnappliedEditsTest() { switcher_.AttachUnappliedEdits(&unapplied_); }
  UnappliedEdits unapplied_{workspace_};
};

TEST_F(UnappliedEditsTest, AReloadKeepsEditsNotYetAppliedAndStillReadsTheKeyboard) {
  AssignInKeyboard(1, Disabled());
  switcher_.ReloadCurrentProfile(false);
  workspace_.StoreEntry(3, kKeyOneSlot, Disabled());
  ASSERT_TRUE(unapplied_.Note());
  host_.pending = false;  // as after a restart

  switcher_.ReloadCurrentProfile(false);

  EXPECT_EQ(KeyOne(3), Disabled());
  EXPECT_EQ(KeyOne(1), Disabled());
  EXPECT_TRUE(host_.pending);
  EXPECT_TRUE(unapplied_.AllProfilesDue());
  EXPECT_TRUE(unapplied_.TakeRestoredNotice());
  EXPECT_FALSE(unapplied_.TakeRestoredNotice());
  // A replug while they are pending brings them back without news.
  switcher_.ReloadCurrentProfile(false);
  EXPECT_EQ(KeyOne(3), Disabled());
  EXPECT_TRUE(host_.pending);
  EXPECT_FALSE(unapplied_.TakeRestoredNotice());
  // The profile file is still the keyboard's copy, without the edit.
  Workspace keyboard(dir_.path() / "copy");
  ASSERT_EQ(keyboard.LoadImageFile(workspace_.ProfileFilePath()), ImageResult::kOk);
  EXPECT_EQ(keyboard.ReadEntry(3, kKeyOneSlot), KeyEntry{});
  EXPECT_EQ(keyboard.ReadEntry(1, kKeyOneSlot), Disabled());
}

TEST_F(UnappliedEditsTest, ACopyThatIsNoImageIsSetAsideAndNeverLoaded) {
  AssignInKeyboard(1, Disabled());
  workspace_.EnsureProfileFolder();
  {
    std::ofstream bad(unapplied_.File(), std::ios::binary);
    bad << "not an image";
  }
  switcher_.ReloadCurrentProfile(false);
  EXPECT_EQ(KeyOne(1), Disabled());
  EXPECT_FALSE(host_.pending);
  EXPECT_FALSE(std::filesystem::exists(unapplied_.File()));
  EXPECT_TRUE(std::filesystem::exists(unapplied_.SetAsideFile()));
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_FALSE(unapplied_.TakeRestoredNotice());
}

TEST_F(UnappliedEditsTest, NoToTheSwitchDropsTheCopyWithTheEdits) {
  switcher_.ReloadCurrentProfile(false);
  workspace_.StoreEntry(0, kKeyOneSlot, Disabled());
  ASSERT_TRUE(unapplied_.Note());
  host_.pending = true;
  prompter_.ScriptAnswer(Answer::No);
  EXPECT_EQ(switcher_.SelectProfile(2), 1);
  EXPECT_FALSE(std::filesystem::exists(unapplied_.File()));
  switcher_.ReloadCurrentProfile(false);
  EXPECT_EQ(KeyOne(0), KeyEntry{});
}

TEST_F(ProfileManagerTest, RowsKeepTheProfileTheyWereListedFor) {
  struct Case {
    std::vector<int> deletions;  // rows deleted in this order
    int checked;
    int switchedTo;
    std::vector<int> selectedAfter;  // what each deletion leaves selected
  };
  const Case cases[] = {
      {{1}, 1, 2, {1}},
      {{3, 0}, 0, 1, {2, 0}},
      {{0, 0, 0}, 0, 3, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(rig_.Commands().SetActiveProfile(0), result::kOk);
    manager_.Open();
    std::vector<int> selected;
    for (int row : c.deletions) selected.push_back(manager_.Delete(row));
    manager_.Check(c.checked);
    ASSERT_TRUE(manager_.Apply());
    EXPECT_EQ(selected, c.selectedAfter);
    EXPECT_EQ(KeyboardProfile(), c.switchedTo) << "checked row " << c.checked;
    manager_.Cancel();
  }
  manager_.Open();
  for (int i = 0; i < 3; ++i) manager_.Delete(0);
  EXPECT_EQ(manager_.Delete(0), -1);
  EXPECT_EQ(manager_.Delete(0), -1);
  EXPECT_TRUE(manager_.Rows().empty());
}

TEST_F(ProfileManagerTest, AnAddedOrLoadedRowSelectsNoProfile) {
  ASSERT_EQ(rig_.Commands().SetActiveProfile(2), result::kOk);
  manager_.Open();
  const std::filesystem::path file = dir_.path() / "Loaded.fwc";
  prompter_.ScriptFile(file);
  ASSERT_TRUE(manager_.Load());
  manager_.Check(4);

  ASSERT_TRUE(manager_.Apply());

  EXPECT_EQ(KeyboardProfile(), 2);
  EXPECT_EQ(Stored(u"PROFILE05"), file.u16string());
  // A switch while the dialog is open checks the row of that profile, never
  // the added one.
  manager_.Check(4);
  prompter_.ScriptAnswer(Answer::No);
  ASSERT_EQ(switcher_.SelectProfile(1), 1);
  EXPECT_EQ(manager_.CheckedRow(), 1);
}

TEST_F(ProfileManagerTest, ApplyAsksBeforeReloadingOverTheWindowsUnappliedChanges) {
  AssignInKeyboard(0, Disabled());
  switcher_.ReloadCurrentProfile(false);
  manager_.Open();

  // Nothing pending: no question.
  ASSERT_TRUE(manager_.Apply());
  EXPECT_TRUE(prompter_.questions.empty());

  // No: the edit is dropped by the reload, and nothing is sent.
  workspace_.StoreEntry(0, kKeyOneSlot, KeyEntry{});
  host_.pending = true;
  prompter_.ScriptAnswer(Answer::No);
  ASSERT_TRUE(manager_.Apply());
  EXPECT_EQ(prompter_.questions, std::vector<std::u16string>{u"Apply your changes first?"});
  EXPECT_EQ(host_.applies, 0);
  EXPECT_EQ(KeyOne(0), Disabled());
  EXPECT_FALSE(host_.pending);

  // Yes: the window applies before the reload reads the keyboard back.
  workspace_.StoreEntry(0, kKeyOneSlot, KeyEntry{});
  host_.pending = true;
  host_.onApply = [&] {
    EXPECT_EQ(sync_.CommitImage(false), result::kOk);
    host_.pending = false;
  };
  prompter_.ScriptAnswer(Answer::Yes);
  ASSERT_TRUE(manager_.Apply());
  EXPECT_EQ(host_.applies, 1);
  EXPECT_EQ(KeyOne(0), KeyEntry{});
}

TEST_F(ProfileManagerTest, AnExitWhileAskingLeavesTheListAndTheKeyboardAlone) {
  manager_.Open();
  manager_.Check(2);
  host_.pending = true;
  prompter_.whileAsking = [&] { run_.BeginShutdown(); };

  EXPECT_FALSE(manager_.Apply());

  EXPECT_EQ(Stored(u"PROFILE00"), u"(none)");
  EXPECT_EQ(KeyboardProfile(), 0);
  EXPECT_TRUE(manager_.ApplyEnabled());
}

TEST_F(ProfileManagerTest, AnAddThatCannotWriteItsFileSaysSo) {
  manager_.Open();
  // A folder where the file should go: no file can be written there.
  const std::filesystem::path taken = dir_.path() / "taken.fwc";
  std::filesystem::create_directories(taken);
  prompter_.ScriptFile(taken);

  EXPECT_FALSE(manager_.Add());

  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text, u"Could not write " + taken.u16string());
  EXPECT_EQ(manager_.Rows().size(), 4u);
  EXPECT_FALSE(manager_.ApplyEnabled());
}

// A file New made is the user's only once an Apply lists it; a file they
// chose to overwrite was theirs before.
TEST_F(ProfileManagerTest, CancelAfterNewRemovesOnlyTheFilesItMadeSinceTheLastApply) {
  struct Case {
    const char* what;
    bool existedBefore;
    bool applied;
    bool kept;
  };
  const Case cases[] = {
      {"new, cancelled", false, false, false},
      {"new, applied", false, true, true},
      {"overwritten, cancelled", true, false, true},
  };
  for (const Case& c : cases) {
    const std::string name = std::string(c.what) + ".fwc";
    const std::filesystem::path chosen = dir_.path() / name;
    if (c.existedBefore) dir_.Write(name, "mine");
    manager_.Open();
    prompter_.ScriptFile(chosen);
    ASSERT_TRUE(manager_.Add()) << c.what;
    if (c.applied) ASSERT_TRUE(manager_.Apply()) << c.what;
    manager_.Cancel();
    EXPECT_EQ(std::filesystem::exists(chosen), c.kept) << c.what;
  }
}

TEST_F(ProfileManagerTest, RemoveAsksFirstAndOnlyYesRemovesTheRow) {
  manager_.Open();
  EXPECT_EQ(manager_.Remove(1), 1);
  EXPECT_EQ(manager_.Rows().size(), 4u);
  prompter_.ScriptAnswer(Answer::Yes);
  EXPECT_EQ(manager_.Remove(1), 1);
  EXPECT_EQ(manager_.Rows().size(), 3u);
  EXPECT_EQ(prompter_.questions,
            (std::vector<std::u16string>{u"Remove $Profile0?", u"Remove $Profile0?"}));
}

TEST_F(ProfileManagerTest, AfterApplyTheWindowIsToldOnceTheKeyboardHasSwitched) {
  int shownProfile = -1;
  manager_.SetAfterSwitch([&] { shownProfile = KeyboardProfile(); });
  manager_.Open();
  manager_.Check(2);
  ASSERT_TRUE(manager_.Apply());
  EXPECT_EQ(shownProfile, 2);
}

}  // namespace
}  // namespace ombrex
