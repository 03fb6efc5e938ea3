// The Apply, Default, reset, Import and Export commands on the in-process
// virtual keyboard, with the window, the lighting and the busy indicator's
// view replaced by recorders. What the keyboard and the files hold is checked
// byte for byte.

#include "app/apply_commands.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>
#include <csignal>
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
    program_.workspace.EnsureProfileFolder();
    EXPECT_EQ(program_.sync.BuildImageFromKeyboard(program_.workspace.ProfileFilePath()),
              result::kOk);
    EXPECT_EQ(program_.workspace.LoadImageFile(program_.workspace.ProfileFilePath()),
              ImageResult::kOk);
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
    for (int i = 0; i < 20 && program_.busy.Shown(); ++i) program_.commands.BusyTick();
  }

  test::TempDir dir_;
  test::VirtualKeyboardRig rig_;
  test::ApplyProgram program_;
};

constexpr std::array<std::uint8_t, 3> kSendsB{0x02, 0x02, 0x05};
constexpr std::array<std::uint8_t, 3> kSendsA{0x02, 0x02, 0x04};

TEST_F(ApplyCommandsTest, ApplySendsSavesAndClearsOnlyOnceTheKeyboardHoldsIt) {
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  ASSERT_TRUE(std::filesystem::exists(program_.unapplied.File()));

  program_.commands.ApplyChanges(ApplyOrigin::Button);

  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsB);
  EXPECT_FALSE(program_.window.pending);
  EXPECT_TRUE(program_.prompter.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(program_.unapplied.File()));
  EXPECT_EQ(program_.flushes, 1);
  Workspace saved(dir_ / "other");
  ASSERT_EQ(saved.LoadImageFile(program_.workspace.ProfileFilePath()), ImageResult::kOk);
  EXPECT_EQ(saved.ReadEntry(0, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  // The indicator showed at once, stepped while the packets went (each clock
  // reading here is 20 ms later) and goes on a tick 100 ms after the end.
  ASSERT_GT(program_.view.frames.size(), 2u);
  EXPECT_EQ(program_.view.frames.front(), 1);
  EXPECT_EQ(program_.view.frames[1], 2);
  EXPECT_TRUE(program_.view.shown);
  LetTheIndicatorGo();
  EXPECT_FALSE(program_.view.shown);
  EXPECT_FALSE(program_.view.ticking);
}

TEST_F(ApplyCommandsTest, ApplyWithNothingPendingShowsTheIndicatorOnly) {
  const auto before = rig_.Keyboard().Snapshot();
  const auto fileBefore = test::ReadBytes(program_.workspace.ProfileFilePath());
  program_.commands.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(program_.view.frames, std::vector<int>{1});
  LetTheIndicatorGo();
  EXPECT_EQ(program_.view.hides, 1);
  EXPECT_EQ(rig_.Keyboard().Snapshot().keyTables, before.keyTables);
  EXPECT_EQ(test::ReadBytes(program_.workspace.ProfileFilePath()), fileBefore);
  EXPECT_EQ(program_.flushes, 0);
}

TEST_F(ApplyCommandsTest, OkAppliesThenHidesAndCancelOnlyHides) {
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  program_.commands.Cancel();
  EXPECT_EQ(program_.window.hides, 1);
  EXPECT_TRUE(program_.window.pending);
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsA);
  program_.commands.Ok();
  EXPECT_EQ(program_.window.hides, 2);
  EXPECT_FALSE(program_.window.pending);
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsB);
}

TEST_F(ApplyCommandsTest, AFailedApplyKeepsEverythingAndTellsOnlyWhoAskedForIt) {
  const struct {
    ApplyOrigin origin;
    std::size_t messages;
  } cases[] = {{ApplyOrigin::Button, 1},        {ApplyOrigin::Ok, 1},
               {ApplyOrigin::ProfileSwitch, 1}, {ApplyOrigin::Defaults, 1},
               {ApplyOrigin::TimeChange, 0},    {ApplyOrigin::KeyboardReset, 0}};
  const auto fileBefore = test::ReadBytes(program_.workspace.ProfileFilePath());
  rig_.Unplug();  // the active profile stays cached: the packets fail
  for (const auto& c : cases) {
    program_.prompter.messages.clear();
    Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
    program_.commands.ApplyChanges(c.origin);
    EXPECT_TRUE(program_.window.pending);
    EXPECT_EQ(program_.prompter.messages.size(), c.messages) << static_cast<int>(c.origin);
    if (c.messages == 1) {
      EXPECT_EQ(program_.prompter.messages[0].text, u"No keyboard");  // the download's own
    }
    // The keyboard's copy is not touched and the edits survive.
    EXPECT_EQ(test::ReadBytes(program_.workspace.ProfileFilePath()), fileBefore);
    EXPECT_TRUE(std::filesystem::exists(program_.unapplied.File()));
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
  program_.commands.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Apply failed"});
  EXPECT_TRUE(program_.window.pending);
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsA);
  program_.prompter.messages.clear();
  program_.commands.ApplyChanges(ApplyOrigin::TimeChange);
  EXPECT_TRUE(program_.prompter.messages.empty());
  EXPECT_TRUE(program_.window.pending);
}

TEST_F(ApplyCommandsTest, WhenTheDownloadExplainsAFailureNothingIsAdded) {
  std::vector<MacroRecord> list(1);
  list[0].id = 1;
  list[0].count = 2000;  // S0 above the 32640 bytes with ten of these
  list[0].fresh = 1;
  std::vector<MacroRecord> many(10, list[0]);
  for (std::uint16_t i = 0; i < 10; ++i) many[i].id = i + 1;
  program_.workspace.ApplyMacroList(many);
  program_.window.SetPendingChanges(true);
  program_.commands.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Macros too large"});
  EXPECT_TRUE(program_.window.pending);
}

TEST_F(ApplyCommandsTest, AfterAFailedApplyTheNextSendsEveryProfile) {
  // Profile 1 is not the active one: an ordinary Apply does not send it.
  Edit(1, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  program_.commands.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(KeyboardCode(1, kKeyAAt), kSendsA);

  Edit(0, kKeyA, MakeEntry(AssignKind::Disabled));
  rig_.Unplug();
  program_.commands.ApplyChanges(ApplyOrigin::TimeChange);
  ASSERT_TRUE(program_.window.pending);
  rig_.Plug();
  rig_.Commands().Content().ForgetAll();
  program_.commands.ApplyChanges(ApplyOrigin::TimeChange);
  EXPECT_FALSE(program_.window.pending);
  EXPECT_EQ(KeyboardCode(1, kKeyAAt), kSendsB);
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), (std::array<std::uint8_t, 3>{0, 0, 0}));
  // And once that succeeded, back to the active profile only.
  Edit(1, kKeyA, MakeEntry(AssignKind::Disabled));
  program_.commands.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(KeyboardCode(1, kKeyAAt), kSendsB);
}

TEST_F(ApplyCommandsTest, WithTheProfileUnknownNothingIsResetOrSent) {
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  rig_.Unplug();
  rig_.State().deviceProfile = std::nullopt;
  const auto fileBefore = test::ReadBytes(program_.workspace.ProfileFilePath());
  program_.prompter.ScriptAnswer(Answer::Yes);
  program_.commands.RestoreDefaults();
  EXPECT_EQ(program_.workspace.ReadEntry(0, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  EXPECT_TRUE(program_.window.pending);
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Apply failed"});
  EXPECT_EQ(test::ReadBytes(program_.workspace.ProfileFilePath()), fileBefore);
  program_.commands.ResetFromKeyboard();
  EXPECT_EQ(program_.workspace.ReadEntry(0, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  EXPECT_EQ(program_.prompter.messages.size(), 1u);
}

TEST_F(ApplyCommandsTest, DefaultResetsTheCurrentProfileAndSendsIt) {
  // Assigned and applied first, so the reset has something to undo.
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  Edit(1, kKeyA, MakeEntry(AssignKind::Disabled));
  program_.commands.ApplyChanges(ApplyOrigin::Button);
  ASSERT_EQ(KeyboardCode(0, kKeyAAt), kSendsB);

  program_.prompter.ScriptAnswer(Answer::No);
  program_.commands.RestoreDefaults();
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsB);
  EXPECT_EQ(program_.optionClears, 0);

  for (const bool view : {false, true}) {
    program_.lightingView = view;
    Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
    program_.commands.ApplyChanges(ApplyOrigin::Button);
    program_.prompter.ScriptAnswer(Answer::Yes);
    program_.commands.RestoreDefaults();
    EXPECT_EQ(program_.workspace.ReadEntry(0, kKeyA), KeyEntry{});
    EXPECT_EQ(program_.workspace.ReadEntry(1, kKeyA),
              MakeEntry(AssignKind::Disabled));  // another profile
    EXPECT_FALSE(program_.buttons.marks[kKeyAButton]);
    EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsA);
    EXPECT_FALSE(program_.window.pending);
  }
  EXPECT_EQ(program_.optionClears, 2);
  EXPECT_EQ(program_.lightingResets, 1);  // only in the lighting view
  EXPECT_EQ(program_.prompter.questions.size(), 3u);
}

TEST_F(ApplyCommandsTest, TheKeyboardsResetAsksNothingAndLeavesTheOptionBytes) {
  program_.lightingView = true;
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  program_.commands.ApplyChanges(ApplyOrigin::Button);
  program_.commands.ResetFromKeyboard();
  EXPECT_TRUE(program_.prompter.questions.empty());
  EXPECT_EQ(program_.optionClears, 0);
  EXPECT_EQ(program_.lightingResets, 1);
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsA);
  EXPECT_FALSE(program_.window.pending);
}

TEST_F(ApplyCommandsTest, ImportTakesAGoodFileToAllFourProfiles) {
  Workspace other(dir_ / "other");
  other.CreateDefaultImage({}, 0, true);
  for (const ProfileNumber p : ProfileNumber::All()) {
    other.StoreEntry(p, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  }
  const auto file = dir_ / "good.fwc";
  ASSERT_EQ(other.SaveImageFile(file), ImageResult::kOk);
  program_.window.pending = true;
  program_.prompter.ScriptFile(file);
  // The edits pending are dropped for the file.
  program_.prompter.ScriptAnswer(Answer::No);

  program_.commands.ImportFile();

  ASSERT_EQ(program_.prompter.fileDialogs.size(), 1u);
  EXPECT_EQ(program_.prompter.fileDialogs[0].filter, u"(*.fwc)|*.fwc|(*.*)|*.*||");
  EXPECT_EQ(program_.prompter.fileDialogs[0].initialName, u"*.fwc");
  EXPECT_FALSE(program_.prompter.fileDialogs[0].overwritePrompt);
  for (const ProfileNumber p : ProfileNumber::All()) {
    EXPECT_EQ(KeyboardCode(p, kKeyAAt), kSendsB) << p.Index();
    EXPECT_EQ(program_.workspace.ReadEntry(p, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  }
  EXPECT_TRUE(program_.buttons.marks[kKeyAButton]);
  EXPECT_FALSE(program_.window.pending);
  EXPECT_EQ(test::ReadBytes(program_.workspace.ProfileFilePath()), test::ReadBytes(file));
  EXPECT_TRUE(program_.prompter.messages.empty());
  EXPECT_FALSE(std::filesystem::exists(program_.unapplied.File()));
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
  const auto fileBefore = test::ReadBytes(program_.workspace.ProfileFilePath());
  std::vector<std::filesystem::path> paths;
  for (const auto& f : files) paths.push_back(dir_.Write(f.name, f.bytes));
  paths.push_back(dir_ / "missing.fwc");
  paths.push_back(dir_.path());  // a folder
  for (std::size_t i = 0; i < paths.size(); ++i) {
    program_.prompter.messages.clear();
    program_.prompter.ScriptFile(paths[i]);
    // Dropped for the file, the edit stays all the same when the file fails.
    program_.prompter.ScriptAnswer(Answer::No);
    program_.commands.ImportFile();
    const bool format = i < std::size(files) && files[i].formatMessage;
    ASSERT_EQ(program_.prompter.messages.size(), format ? 2u : 1u) << paths[i];
    EXPECT_EQ(program_.prompter.messages.back().text, u"Not imported");
    EXPECT_EQ(program_.workspace.ReadEntry(0, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30))
        << paths[i];
    EXPECT_TRUE(program_.window.pending);
  }
  EXPECT_EQ(rig_.Keyboard().Snapshot().keyTables, before.keyTables);
  EXPECT_EQ(test::ReadBytes(program_.workspace.ProfileFilePath()), fileBefore);
}

TEST_F(ApplyCommandsTest, AnImportTheKeyboardDidNotTakeStaysPending) {
  Workspace other(dir_ / "other");
  other.CreateDefaultImage({}, 0, true);
  other.StoreEntry(2, kKeyA, MakeEntry(AssignKind::Disabled));
  ASSERT_EQ(other.SaveImageFile(dir_ / "good.fwc"), ImageResult::kOk);
  rig_.Unplug();
  program_.prompter.ScriptFile(dir_ / "good.fwc");
  program_.commands.ImportFile();
  EXPECT_EQ(program_.workspace.ReadEntry(2, kKeyA), MakeEntry(AssignKind::Disabled));
  EXPECT_TRUE(program_.window.pending);
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"No keyboard"});
  EXPECT_TRUE(std::filesystem::exists(program_.unapplied.File()));
  EXPECT_TRUE(program_.unapplied.AllProfilesDue());
}

TEST_F(ApplyCommandsTest, ExportWritesTheWorkingImageOrSaysWhyNot) {
  Edit(3, kKeyA, MakeEntry(AssignKind::Media, 4));
  const auto file = dir_ / "out.fwc";
  program_.prompter.ScriptFile(file);
  program_.commands.ExportFile();
  ASSERT_EQ(program_.prompter.fileDialogs.size(), 1u);
  EXPECT_TRUE(program_.prompter.fileDialogs[0].overwritePrompt);
  EXPECT_EQ(program_.prompter.fileDialogs[0].defaultExtension, u"fwc");
  EXPECT_TRUE(program_.prompter.messages.empty());
  Workspace back(dir_ / "other");
  ASSERT_EQ(back.ImportImageFile(file, program_.prompter), ImageResult::kOk);
  EXPECT_EQ(back.ReadEntry(3, kKeyA), MakeEntry(AssignKind::Media, 4));

  const auto blocker = dir_.Write("plain", std::string("a file, not a folder"));
  for (const auto& unwritable : {blocker / "out.fwc", dir_.path()}) {
    program_.prompter.messages.clear();
    program_.prompter.ScriptFile(unwritable);
    program_.commands.ExportFile();
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
  program_.prompter.whileChoosing = [this] { program_.run.BeginShutdown(); };
  program_.prompter.ScriptFile(dir_ / "good.fwc");
  program_.commands.ImportFile();
  EXPECT_EQ(program_.workspace.ReadEntry(0, kKeyA), KeyEntry{});
  program_.prompter.ScriptAnswer(Answer::Yes);
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  program_.commands.RestoreDefaults();
  EXPECT_EQ(program_.workspace.ReadEntry(0, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsA);
}

TEST_F(ApplyCommandsTest, EditsComeBackAfterAnInterruptionAndTheUserIsToldOnce) {
  Edit(2, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  // The program ends without applying: a new one reads the keyboard.
  program_.window.pending = false;
  program_.switcher.ReloadCurrentProfile(false);

  EXPECT_EQ(program_.workspace.ReadEntry(2, kKeyA), MakeEntry(AssignKind::SingleKey, 0x30));
  EXPECT_TRUE(program_.window.pending);
  program_.commands.WindowShown();
  program_.commands.WindowShown();
  EXPECT_EQ(Messages(), std::vector<std::u16string>{u"Edits are back"});
  // Profile 2 is not active, yet the Apply after the restore sends it.
  program_.commands.ApplyChanges(ApplyOrigin::Button);
  EXPECT_EQ(KeyboardCode(2, kKeyAAt), kSendsB);
  EXPECT_FALSE(std::filesystem::exists(program_.unapplied.File()));
}

TEST_F(ApplyCommandsTest, AnExitKeepsTheEditsWhilePendingOrAfterAFailedApply) {
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  program_.commands.AtExit();
  EXPECT_TRUE(std::filesystem::exists(program_.unapplied.File())) << "still pending";

  program_.commands.DiscardEdits();
  EXPECT_FALSE(program_.window.pending);
  EXPECT_FALSE(std::filesystem::exists(program_.unapplied.File()));

  Edit(0, kKeyA, MakeEntry(AssignKind::Disabled));
  program_.commands.ApplyChanges(ApplyOrigin::Button);
  program_.commands.AtExit();
  EXPECT_FALSE(std::filesystem::exists(program_.unapplied.File())) << "applied";

  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  rig_.Unplug();
  program_.commands.ApplyChanges(ApplyOrigin::TimeChange);
  program_.commands.AtExit();
  EXPECT_TRUE(std::filesystem::exists(program_.unapplied.File())) << "the Apply failed";
}

// The keyboard took the edit, the profile file could not take it (a file
// size limit stands in for a full disk): the message says which.
TEST_F(ApplyCommandsTest, AnApplyWhoseFileCannotBeSavedSaysSoNotThatTheKeyboardMissedIt) {
  Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 1024;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  program_.commands.ApplyChanges(ApplyOrigin::Button);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);

  EXPECT_EQ(KeyboardCode(0, kKeyAAt), kSendsB);
  EXPECT_EQ(Messages(),
            std::vector<std::u16string>{u"File not saved: " +
                                        program_.workspace.ProfileFilePath().u16string()});
}

// Import replaces the working image: edits not yet applied are applied,
// dropped or kept by the user's answer; edits the keyboard would not take
// are not overwritten.
TEST_F(ApplyCommandsTest, ImportWithUnappliedEditsAsksFirst) {
  struct Case {
    const char* what;
    Answer answer;
    bool keyboardGone;
    bool imported;
  };
  const Case cases[] = {
      {"cancel", Answer::Cancel, false, false},
      {"discard", Answer::No, false, true},
      {"apply", Answer::Yes, false, true},
      {"apply fails", Answer::Yes, true, false},
  };
  Workspace other(dir_ / "other");
  other.CreateDefaultImage({}, 0, true);
  other.StoreEntry(2, kKeyA, MakeEntry(AssignKind::Disabled));
  ASSERT_EQ(other.SaveImageFile(dir_ / "good.fwc"), ImageResult::kOk);
  const KeyEntry edit = MakeEntry(AssignKind::SingleKey, 0x30);
  for (const Case& c : cases) {
    program_.workspace.StoreEntry(2, kKeyA, KeyEntry{});
    Edit(0, kKeyA, edit);
    if (c.keyboardGone) rig_.Unplug();
    program_.prompter.ScriptFile(dir_ / "good.fwc");
    program_.prompter.ScriptAnswer(c.answer);
    const std::size_t asked = program_.prompter.questions.size();

    program_.commands.ImportFile();

    EXPECT_EQ(program_.prompter.questions.size(), asked + 1) << c.what;
    EXPECT_EQ(program_.workspace.ReadEntry(2, kKeyA) == MakeEntry(AssignKind::Disabled), c.imported)
        << c.what;
    EXPECT_EQ(program_.workspace.ReadEntry(0, kKeyA) == edit, !c.imported) << c.what;
    EXPECT_EQ(program_.window.pending, !c.imported) << c.what;
  }
}

}  // namespace
}  // namespace ombrex
