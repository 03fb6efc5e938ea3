// The Apply, Default, reset, Import and Export commands on the in-process
// virtual keyboard, with the window, the lighting and the busy indicator's
// view replaced by recorders. What the keyboard and the files hold is checked
// byte for byte.

#include "app/apply_commands.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <optional>

#include "app/busy_indicator.h"
#include "device/run_state.h"
#include "editors/profile_switcher.h"
#include "model/assignment_tables.h"
#include "model/key_grid.h"
#include "model/keyboard_sync.h"
#include "model/unapplied_edits.h"
#include "model/workspace.h"
#include "tests/support/core/small_texts.h"
#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/app/apply_program.h"

namespace ombrex {
namespace {

constexpr int kKeyA = 0x1E;              // slot of key A
constexpr int kKeyAButton = 0;           // its button
constexpr std::size_t kKeyAAt = 19 * 3;  // its place in the keyboard's key table

using test::MakeEntry;

class ApplyCommandsTest : public ::testing::Test {
 protected:
  explicit ApplyCommandsTest(test::RigOptions options = {})
      : rig_(options), program_(rig_.Commands(), dir_ / "Vantrel_09A") {
    // As after an arrival: the keyboard read into the profile file and loaded.
    workspace_.EnsureProfileFolder();
    EXPECT_EQ(sync_.BuildImageFromKeyboard(workspace_.ProfileFilePath()), result::kOk);
    EXPECT_EQ(workspace_.LoadImageFile(workspace_.ProfileFilePath()), ImageResult::kOk);
  }

  void Edit(ProfileNumber profile, int slot, const KeyEntry& entry) {
    program_.Edit(profile, slot, entry);
  }
  std::array<std::uint8_t, 3> KeyboardCode(ProfileNumber profile, std::size_t at) {
    const auto memories = rig_.Keyboard().Snapshot();
    const std::size_t base = profile.Index() * protocol::kKeyTableSize + at;
    return {memories.keyTables[base], memories.keyTables[base + 1], memories.keyTables[base + 2]};
  }
  std::vector<std::u16string> Messages() const { return program_.Messages(); }
  // Ticks of the window's loop until the indicator has gone.
  void LetTheIndicatorGo() {
    for (int i = 0; i < 20 && busy_.Shown(); ++i) commands_.BusyTick();
  }

  test::TempDir dir_;
  test::VirtualKeyboardRig rig_;
  test::ApplyProgram program_;
  test::ChooserPrompter& prompter_ = program_.prompter;
  test::MarkButtons& buttons_ = program_.buttons;
  test::ApplyWindow& window_ = program_.window;
  RunState& run_ = program_.run;
  Workspace& workspace_ = program_.workspace;
  KeyboardSync& sync_ = program_.sync;
  KeyGrid& grid_ = program_.grid;
  UnappliedEdits& unapplied_ = program_.unapplied;
  BusyIndicator& busy_ = program_.busy;
  test::RecordingBusyView& view_ = program_.view;
  bool& lightingView_ = program_.lightingView;
  int& lightingResets_ = program_.lightingResets;
  int& optionClears_ = program_.optionClears;
  int& flushes_ = program_.flushes;
  ApplyCommands& commands_ = program_.commands;
  const test::SmallTexts& texts_ = program_.texts;
};

constexpr std::array<std::uint8_t, 3> kSendsB{0x02, 0x02, 0x05};
constexpr std::array<std::uint8_t, 3> kSendsA{0x02, 0x02, 0x04};

TEST_F(ApplyCommandsTest, ApplySendsSavesAndClearsOnlyOnceTheKeyboardHoldsIt) {
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  ASSERT_TRUE(std::filesystem::exists(unapplied_.File()));

  commands_.ApplyChanges(ApplyOrigin::Button);

  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsB);
  EXPECT_FALSE(window_.pending);
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(unapplied_.File()));
  EXPECT_EQ(flushes_, 1);
  Workspace saved(dir_ / "other");
  ASSERT_EQ(saved.LoadImageFile(workspace_.ProfileFilePath()), ImageResult::kOk);
  EXPECT_EQ(saved.ReadEntry(0, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  // The indicator showed at once, stepped while the packets went (each clock
  // reading here is 20 ms later) and goes on a tick 100 ms after the end.
  ASSERT_GT(view_.frames.size(), 2u);
  EXPECT_EQ(view_.frames.front(), 1);
  EXPECT_EQ(view_.frames[1], 2);
  EXPECT_TRUE(view_.shown);
  LetTheIndicatorGo();
  EXPECT_FALSE(view_.shown);
  EXPECT_FALSE(view_.ticking);
}

TEST_F(ApplyCommandsTest, ApplyWithNothingPendingShowsTheIndicatorOnly) {
  const auto before = rig_.Keyboard().Snapshot();
  const auto fileBefore = test::ReadBytes(workspace_.ProfileFilePath());
  commands_.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(view_.frames, std::vector<int>{1});
  LetTheIndicatorGo();
  EXPECT_EQ(view_.hides, 1);
  EXPECT_EQ(rig_.Keyboard().Snapshot().keyTables, before.keyTables);
  EXPECT_EQ(test::ReadBytes(workspace_.ProfileFilePath()), fileBefore);
  EXPECT_EQ(flushes_, 0);
}

TEST_F(ApplyCommandsTest, OkAppliesThenHidesAndCancelOnlyHides) {
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  commands_.Cancel();
  EXPECT_EQ(window_.hides, 1);
  EXPECT_TRUE(window_.pending);
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsA);
  commands_.Ok();
  EXPECT_EQ(window_.hides, 2);
  EXPECT_FALSE(window_.pending);
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsB);
}

TEST_F(ApplyCommandsTest, AFailedApplyKeepsEverythingAndTellsOnlyWhoAskedForIt) {
  const struct {
    ApplyOrigin origin;
    std::size_t messages;
  } cases[] = {{ApplyOrigin::Button, 1},        {ApplyOrigin::Ok, 1},
               {ApplyOrigin::ProfileSwitch, 1}, {ApplyOrigin::Defaults, 1},
               {ApplyOrigin::TimeChange, 0},    {ApplyOrigin::KeyboardReset, 0}};
  const auto fileBefore = test::ReadBytes(workspace_.ProfileFilePath());
  rig_.Unplug();  // the active profile stays cached: the packets fail
  for (const auto& c : cases) {
    prompter_.messages.clear();
    Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
    commands_.ApplyChanges(c.origin);
    EXPECT_TRUE(window_.pending);
    EXPECT_EQ(prompter_.messages.size(), c.messages) << static_cast<int>(c.origin);
    if (c.messages == 1) {
      EXPECT_EQ(prompter_.messages[0].text, u"No keyboard");  // the download's own
    }
    // The keyboard's copy is not touched and the edits survive.
    EXPECT_EQ(test::ReadBytes(workspace_.ProfileFilePath()), fileBefore);
    EXPECT_TRUE(std::filesystem::exists(unapplied_.File()));
  }
}

// A keyboard that answers every write but keeps none of them.
class ForgetfulKeyboardTest : public ApplyCommandsTest {
 protected:
  static test::RigOptions Forgetful() {
    test::RigOptions options;
    options.faults.loseWriteRate = 1;
    return options;
  }
  ForgetfulKeyboardTest() : ApplyCommandsTest(Forgetful()) {}
};

TEST_F(ForgetfulKeyboardTest, AnApplyTheKeyboardDidNotKeepFailsWithItsOwnMessage) {
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  commands_.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Apply failed"});
  EXPECT_TRUE(window_.pending);
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsA);
  prompter_.messages.clear();
  commands_.ApplyChanges(ApplyOrigin::TimeChange);
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_TRUE(window_.pending);
}

TEST_F(ApplyCommandsTest, WhenTheDownloadExplainsAFailureNothingIsAdded) {
  std::vector<MacroRecord> list(1);
  list[0].id = 1;
  list[0].count = 2000;  // S0 above the 32640 bytes with ten of these
  list[0].fresh = 1;
  std::vector<MacroRecord> many(10, list[0]);
  for (std::uint16_t i = 0; i < 10; ++i) many[i].id = i + 1;
  workspace_.ApplyMacroList(many);
  window_.SetPendingChanges(true);
  commands_.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Macros too large"});
  EXPECT_TRUE(window_.pending);
}

TEST_F(ApplyCommandsTest, AfterAFailedApplyTheNextSendsEveryProfile) {
  // Profile 1 is not the active one: an ordinary Apply does not send it.
  Edit(1, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  commands_.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(KeyboardCode(1, kKeyAAt), kSendsA);

  Edit(0, kKeyA, MakeEntry(AssignKind::Disabled));
  rig_.Unplug();
  commands_.ApplyChanges(ApplyOrigin::TimeChange);
  ASSERT_TRUE(window_.pending);
  rig_.Plug();
  rig_.Commands().Content().ForgetAll();
  commands_.ApplyChanges(ApplyOrigin::TimeChange);
  EXPECT_FALSE(window_.pending);
  EXPECT_EQ(KeyboardCode(1, kKeyAAt), kSendsB);
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), (std::array<std::uint8_t, 3>{0, 0, 0}));
  // And once that succeeded, back to the active profile only.
  Edit(1, kKeyA, MakeEntry(AssignKind::Disabled));
  commands_.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(KeyboardCode(1, kKeyAAt), kSendsB);
}

TEST_F(ApplyCommandsTest, WithTheProfileUnknownNothingIsResetOrSent) {
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  rig_.Unplug();
  rig_.State().deviceProfile = std::nullopt;
  const auto fileBefore = test::ReadBytes(workspace_.ProfileFilePath());
  prompter_.ScriptAnswer(Answer::Yes);
  commands_.RestoreDefaults();
  EXPECT_EQ(workspace_.ReadEntry(0, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  EXPECT_TRUE(window_.pending);
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Apply failed"});
  EXPECT_EQ(test::ReadBytes(workspace_.ProfileFilePath()), fileBefore);
  commands_.ResetFromKeyboard();
  EXPECT_EQ(workspace_.ReadEntry(0, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  EXPECT_EQ(prompter_.messages.size(), 1u);
}

TEST_F(ApplyCommandsTest, DefaultResetsTheCurrentProfileAndSendsIt) {
  // Assigned and applied first, so the reset has something to undo.
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  Edit(1, kKeyA, MakeEntry(AssignKind::Disabled));
  commands_.ApplyChanges(ApplyOrigin::Button);
  ASSERT_EQ(KeyboardCode(0, kKeyAAt), kSendsB);

  prompter_.ScriptAnswer(Answer::No);
  commands_.RestoreDefaults();
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsB);
  EXPECT_EQ(optionClears_, 0);

  for (const bool view : {false, true}) {
    lightingView_ = view;
    Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
    commands_.ApplyChanges(ApplyOrigin::Button);
    prompter_.ScriptAnswer(Answer::Yes);
    commands_.RestoreDefaults();
    EXPECT_EQ(workspace_.ReadEntry(0, kKeyA), KeyEntry{});
    EXPECT_EQ(workspace_.ReadEntry(1, kKeyA), MakeEntry(AssignKind::Disabled));  // another profile
    EXPECT_FALSE(buttons_.marks[kKeyAButton]);
    EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsA);
    EXPECT_FALSE(window_.pending);
  }
  EXPECT_EQ(optionClears_, 2);
  EXPECT_EQ(lightingResets_, 1);  // only in the lighting view
  EXPECT_EQ(prompter_.questions.size(), 3u);
}

TEST_F(ApplyCommandsTest, TheKeyboardsResetAsksNothingAndLeavesTheOptionBytes) {
  lightingView_ = true;
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  commands_.ApplyChanges(ApplyOrigin::Button);
  commands_.ResetFromKeyboard();
  EXPECT_TRUE(prompter_.questions.empty());
  EXPECT_EQ(optionClears_, 0);
  EXPECT_EQ(lightingResets_, 1);
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsA);
  EXPECT_FALSE(window_.pending);
}

TEST_F(ApplyCommandsTest, ImportTakesAGoodFileToAllFourProfiles) {
  Workspace other(dir_ / "other");
  other.CreateDefaultImage({}, 0, true);
  for (const ProfileNumber p : ProfileNumber::All()) {
    other.StoreEntry(p, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  }
  const auto file = dir_ / "good.fwc";
  ASSERT_EQ(other.SaveImageFile(file), ImageResult::kOk);
  window_.pending = true;
  prompter_.ScriptFile(file);

  commands_.ImportFile();

  ASSERT_EQ(prompter_.fileDialogs.size(), 1u);
  EXPECT_EQ(prompter_.fileDialogs[0].filter, u"(*.fwc)|*.fwc|(*.*)|*.*||");
  EXPECT_EQ(prompter_.fileDialogs[0].initialName, u"*.fwc");
  EXPECT_FALSE(prompter_.fileDialogs[0].overwritePrompt);
  for (const ProfileNumber p : ProfileNumber::All()) {
    EXPECT_EQ(KeyboardCode(p, kKeyAAt), kSendsB) << p.Index();
    EXPECT_EQ(workspace_.ReadEntry(p, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  }
  EXPECT_TRUE(buttons_.marks[kKeyAButton]);
  EXPECT_FALSE(window_.pending);
  EXPECT_EQ(test::ReadBytes(workspace_.ProfileFilePath()), test::ReadBytes(file));
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(unapplied_.File()));
}

TEST_F(ApplyCommandsTest, HostileFilesChangeNothing) {
  Workspace other(dir_ / "other");
  other.CreateDefaultImage({}, 0, true);
  ASSERT_EQ(other.SaveImageFile(dir_ / "good.fwc"), ImageResult::kOk);
  const std::vector<std::uint8_t> good = test::ReadBytes(dir_ / "good.fwc");
  auto changed = [&](std::size_t at, std::uint8_t value) {
    std::vector<std::uint8_t> bytes = good;
    bytes[at] = value;
    return bytes;
  };
  std::vector<std::uint8_t> moreMacros = changed(14, 3);  // claims macros that are not there
  moreMacros[31] = static_cast<std::uint8_t>(moreMacros[31] + 3);
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    bool formatMessage;
  } files[] = {
      {"checksum.fwc", changed(31, 0), true},
      {"truncated.fwc", std::vector<std::uint8_t>(good.begin(), good.begin() + 1000), false},
      {"macros.fwc", moreMacros, true},
      {"empty.fwc", {}, false},
  };
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));  // an edit the import must not lose
  const auto before = rig_.Keyboard().Snapshot();
  const auto fileBefore = test::ReadBytes(workspace_.ProfileFilePath());
  std::vector<std::filesystem::path> paths;
  for (const auto& f : files) paths.push_back(dir_.Write(f.name, f.bytes));
  paths.push_back(dir_ / "missing.fwc");
  paths.push_back(dir_.path());  // a folder
  for (std::size_t i = 0; i < paths.size(); ++i) {
    prompter_.messages.clear();
    prompter_.ScriptFile(paths[i]);
    commands_.ImportFile();
    const bool format = i < std::size(files) && files[i].formatMessage;
    ASSERT_EQ(prompter_.messages.size(), format ? 2u : 1u) << paths[i];
    EXPECT_EQ(prompter_.messages.back().text, u"Not imported");
    EXPECT_EQ(workspace_.ReadEntry(0, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30)) << paths[i];
    EXPECT_TRUE(window_.pending);
  }
  EXPECT_EQ(rig_.Keyboard().Snapshot().keyTables, before.keyTables);
  EXPECT_EQ(test::ReadBytes(workspace_.ProfileFilePath()), fileBefore);
}

TEST_F(ApplyCommandsTest, AnImportTheKeyboardDidNotTakeStaysPending) {
  Workspace other(dir_ / "other");
  other.CreateDefaultImage({}, 0, true);
  other.StoreEntry(2, kKeyA, MakeEntry(AssignKind::Disabled));
  ASSERT_EQ(other.SaveImageFile(dir_ / "good.fwc"), ImageResult::kOk);
  rig_.Unplug();
  prompter_.ScriptFile(dir_ / "good.fwc");
  commands_.ImportFile();
  EXPECT_EQ(workspace_.ReadEntry(2, kKeyA), MakeEntry(AssignKind::Disabled));
  EXPECT_TRUE(window_.pending);
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"No keyboard"});
  EXPECT_TRUE(std::filesystem::exists(unapplied_.File()));
  EXPECT_TRUE(unapplied_.AllProfilesDue());
}

TEST_F(ApplyCommandsTest, ExportWritesTheWorkingImageOrSaysWhyNot) {
  Edit(3, kKeyA, MakeEntry(AssignKind::Media, 4));
  const auto file = dir_ / "out.fwc";
  prompter_.ScriptFile(file);
  commands_.ExportFile();
  ASSERT_EQ(prompter_.fileDialogs.size(), 1u);
  EXPECT_TRUE(prompter_.fileDialogs[0].overwritePrompt);
  EXPECT_EQ(prompter_.fileDialogs[0].defaultExtension, u"fwc");
  EXPECT_TRUE(prompter_.messages.empty());
  Workspace back(dir_ / "other");
  ASSERT_EQ(back.ImportImageFile(file, prompter_), ImageResult::kOk);
  EXPECT_EQ(back.ReadEntry(3, kKeyA), MakeEntry(AssignKind::Media, 4));

  const auto blocker = dir_.Write("plain", std::string("a file, not a folder"));
  for (const auto& unwritable : {blocker / "out.fwc", dir_.path()}) {
    prompter_.messages.clear();
    prompter_.ScriptFile(unwritable);
    commands_.ExportFile();
    EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Not saved to " + unwritable.u16string()});
  }
  EXPECT_TRUE(std::filesystem::is_directory(dir_.path()));
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(ApplyCommandsTest, NothingHappensOnceTheShutdownBeganBehindADialog) {
  Workspace other(dir_ / "other");
  other.CreateDefaultImage({}, 0, true);
  other.StoreEntry(0, kKeyA, MakeEntry(AssignKind::Disabled));
  ASSERT_EQ(other.SaveImageFile(dir_ / "good.fwc"), ImageResult::kOk);
  prompter_.whileChoosing = [this] { run_.BeginShutdown(); };
  prompter_.ScriptFile(dir_ / "good.fwc");
  commands_.ImportFile();
  EXPECT_EQ(workspace_.ReadEntry(0, kKeyA), KeyEntry{});
  prompter_.ScriptAnswer(Answer::Yes);
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  commands_.RestoreDefaults();
  EXPECT_EQ(workspace_.ReadEntry(0, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsA);
}

TEST_F(ApplyCommandsTest, EditsComeBackAfterAnInterruptionAndTheUserIsToldOnce) {
  Edit(2, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  // The program ends without applying: a new one reads the keyboard.
  window_.pending = false;
  program_.switcher.ReloadCurrentProfile(false);

  EXPECT_EQ(workspace_.ReadEntry(2, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  EXPECT_TRUE(window_.pending);
  commands_.WindowShown();
  commands_.WindowShown();
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Edits are back"});
  // Profile 2 is not active, yet the Apply after the restore sends it.
  commands_.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(KeyboardCode(2, kKeyAAt), kSendsB);
  EXPECT_FALSE(std::filesystem::exists(unapplied_.File()));
}

TEST_F(ApplyCommandsTest, ANormalExitKeepsTheEditsOnlyWhenTheLastApplyFailed) {
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  commands_.AtExit();
  EXPECT_FALSE(std::filesystem::exists(unapplied_.File()));

  Edit(0, kKeyA, MakeEntry(AssignKind::Disabled));
  rig_.Unplug();
  commands_.ApplyChanges(ApplyOrigin::TimeChange);
  commands_.AtExit();
  EXPECT_TRUE(std::filesystem::exists(unapplied_.File()));
}

}  // namespace
}  // namespace ombrex
