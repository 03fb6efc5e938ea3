// Whatever interrupts an Apply or an Import (the keyboard pulled after any
// packet, lost and refused replies), nothing the user did is lost: after the
// keyboard is back and read again, the edits are in the working image and
// still pending, and one Apply leaves the keyboard exactly as a clean
// download of them would.

#include <gtest/gtest.h>

#include <string>

#include "model/assignment_tables.h"
#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/app/apply_program.h"

namespace ombrex {
namespace {

using test::ApplyProgram;
using test::MakeEntry;

constexpr int kKeyA = 0x1E;
constexpr int kKeyQ = 0x10;

MacroRecord Macro(std::uint16_t id, std::size_t actions) {
  MacroRecord record;
  record.id = id;
  record.cycles = 1;
  record.SetName(u"m" + std::u16string(1, char16_t(u'0' + id)));
  record.count = static_cast<std::uint16_t>(actions);
  for (std::size_t a = 0; a < actions; ++a) {
    record.actions[a] = {10, 0x01E, static_cast<std::uint16_t>(a % 2)};
  }
  record.fresh = 1;
  return record;
}

// The memories a download writes.
struct Written {
  std::array<std::uint8_t, protocol::kProfileCount * protocol::kKeyTableSize> keyTables;
  std::vector<std::uint8_t> macro;
  std::array<std::uint8_t, protocol::kSettingsSize> settings;
  bool operator==(const Written&) const = default;
};
Written WrittenOf(vkbd::Keyboard& keyboard) {
  const vkbd::Memories m = keyboard.Snapshot();
  return {m.keyTables, m.macro, m.settings};
}

// The keyboard's own table replaces the built-in one, as on every arrival
// (taken here as read, whatever faults the link has), and a replug is seen
// as the device watcher sees it.
void AsThePrograms(test::VirtualKeyboardRig& rig) {
  rig.DefaultTable().Replace(rig.Keyboard().Snapshot().defaultKeyTable);
  rig.Link().SetEventSink([&rig](const DeviceEvent& event) {
    if (event.kind == RAZIZID_EVENT_DEVICE_COUNT) rig.Commands().Content().ForgetAll();
  });
}

class FaultMatrixTest : public ::testing::Test {
 protected:
  FaultMatrixTest() {
    // The keyboard before: two macros and a key of profile 1 from an earlier
    // Apply.
    test::VirtualKeyboardRig rig;
    AsThePrograms(rig);
    ApplyProgram program(rig.Commands(), dir_ / "setup");
    std::vector<MacroRecord> list{Macro(1, 120), Macro(2, 60)};
    program.workspace.ApplyMacroList(list);
    program.workspace.StoreEntry(1, kKeyQ, MakeEntry(AssignKind::Macro, 2));
    EXPECT_EQ(program.sync.CommitImage(true), result::kOk);
    EXPECT_TRUE(rig.Keyboard().SaveState(start_));

    // The file an Import takes: other keys in every profile, one macro.
    Workspace other(dir_ / "file");
    other.CreateDefaultImage({}, 0, true);
    std::vector<MacroRecord> single{Macro(1, 300)};
    other.ApplyMacroList(single);
    for (const ProfileNumber p : ProfileNumber::All()) {
      other.StoreEntry(p, kKeyA, MakeEntry(AssignKind::Macro, 1));
    }
    EXPECT_EQ(other.SaveImageFile(importFile_), ImageResult::kOk);
  }

  // The user's edits, in the active profile as the window makes them: two
  // keys, one of them playing a new third macro.
  static void EditAll(ApplyProgram& program) {
    std::vector<MacroRecord> list = program.workspace.MacroList();
    list.push_back(Macro(3, 40));
    program.workspace.ApplyMacroList(list);
    program.Edit(0, kKeyA, MakeEntry(AssignKind::SingleKey, 0x30));
    program.Edit(0, kKeyQ, MakeEntry(AssignKind::Macro, 3));
  }
  static bool HasTheEdits(ApplyProgram& program) {
    return program.workspace.ReadEntry(0, kKeyA) == MakeEntry(AssignKind::SingleKey, 0x30) &&
           program.workspace.ReadEntry(0, kKeyQ) == MakeEntry(AssignKind::Macro, 3) &&
           program.workspace.MacroList().size() == 3;
  }
  bool HasTheImport(ApplyProgram& program) const {
    return program.workspace.ReadEntry(3, kKeyA) == MakeEntry(AssignKind::Macro, 1) &&
           program.workspace.MacroList().size() == 1;
  }

  // What a clean download of the working image gives on the keyboard before.
  Written CleanDownloadOf(const std::filesystem::path& imageFile) {
    test::VirtualKeyboardRig rig;
    EXPECT_TRUE(rig.Keyboard().LoadState(start_));
    AsThePrograms(rig);
    ApplyProgram program(rig.Commands(), dir_ / ("clean" + std::to_string(++cleanRuns_)));
    EXPECT_EQ(program.workspace.LoadImageFile(imageFile), ImageResult::kOk);
    EXPECT_EQ(program.sync.CommitImage(true), result::kOk);
    return WrittenOf(rig.Keyboard());
  }

  // The reload after an arrival.
  static void Arrive(ApplyProgram& program) { program.switcher.ReloadCurrentProfile(false); }

  test::TempDir dir_;
  std::filesystem::path start_ = dir_ / "start.state";
  std::filesystem::path importFile_ = dir_ / "import.fwc";
  int cleanRuns_ = 0;
};

enum class Command { Apply, Import };

TEST_F(FaultMatrixTest, PullingTheKeyboardAfterAnyPacketOfAnApplyOrImportLosesNothing) {
  for (const Command command : {Command::Apply, Command::Import}) {
    std::size_t total = 0;
    std::optional<Written> reference;
    for (std::size_t pullAfter = 0; pullAfter == 0 || pullAfter <= total; ++pullAfter) {
      const std::string name = std::string(command == Command::Apply ? "apply" : "import") +
                               " pulled after " + std::to_string(pullAfter);
      test::RigOptions fast;
      fast.shortTimeouts = true;
      test::VirtualKeyboardRig rig(fast);
      ASSERT_TRUE(rig.Keyboard().LoadState(start_));
      AsThePrograms(rig);
      ApplyProgram program(rig.Commands(), dir_ / name);
      Arrive(program);
      std::size_t packets = 0;
      program.sync.SetProgress([&] {
        if (++packets == pullAfter) rig.Unplug();
      });
      if (command == Command::Apply) {
        EditAll(program);
        program.commands.ApplyChanges(ApplyOrigin::Button);
      } else {
        program.prompter.ScriptFile(importFile_);
        program.commands.ImportFile();
      }
      if (pullAfter == 0) {
        // The clean run: how many packets there are to interrupt.
        ASSERT_FALSE(program.window.pending) << name;
        total = packets;
        ASSERT_GT(total, 10u);
        continue;
      }
      const bool succeeded = !program.window.pending;
      // Back, and read again as after every arrival.
      rig.Plug();
      rig.State().deviceProfile = std::nullopt;
      program.prompter.messages.clear();
      Arrive(program);
      if (command == Command::Apply) {
        EXPECT_TRUE(HasTheEdits(program)) << name;
      } else {
        EXPECT_TRUE(HasTheImport(program)) << name;
      }
      EXPECT_EQ(program.window.pending, !succeeded) << name;
      program.commands.ApplyChanges(ApplyOrigin::Button);
      EXPECT_FALSE(program.window.pending) << name;
      EXPECT_TRUE(program.prompter.messages.empty()) << name;
      // Every run ends with the same working image: one clean download of
      // it is the reference for them all.
      if (!reference) {
        ASSERT_EQ(program.workspace.SaveImageFile(dir_ / "edited.fwc"), ImageResult::kOk);
        reference = CleanDownloadOf(dir_ / "edited.fwc");
      }
      EXPECT_EQ(WrittenOf(rig.Keyboard()), *reference) << name;
      if (HasFailure()) return;  // one scenario's report is enough to read
    }
  }
}

// Lost and refused replies on a keyboard that stays: whatever the Apply
// reported, the program started again on a keyboard that answers has the
// edits, and one Apply leaves the keyboard as a clean download would.
TEST_F(FaultMatrixTest, LostAndRefusedRepliesLoseNothing) {
  int failedRuns = 0;
  for (const bool refuse : {false, true}) {
    for (std::uint64_t seed = 1; seed <= 8; ++seed) {
      const std::string name =
          std::string(refuse ? "refused" : "lost") + " seed " + std::to_string(seed);
      const auto folder = dir_ / name;
      {
        // The profile file as a clean start wrote it.
        test::VirtualKeyboardRig clean;
        ASSERT_TRUE(clean.Keyboard().LoadState(start_));
        AsThePrograms(clean);
        ApplyProgram first(clean.Commands(), folder);
        Arrive(first);
      }
      test::RigOptions options;
      options.shortTimeouts = true;
      options.faults.seed = seed;
      (refuse ? options.faults.refuseRate : options.faults.dropRate) = refuse ? 0.45 : 0.25;
      {
        test::VirtualKeyboardRig faulty(options);
        ASSERT_TRUE(faulty.Keyboard().LoadState(start_));
        AsThePrograms(faulty);
        ApplyProgram program(faulty.Commands(), folder);
        ASSERT_EQ(program.workspace.LoadImageFile(program.workspace.ProfileFilePath()),
                  ImageResult::kOk);
        EditAll(program);
        program.commands.ApplyChanges(ApplyOrigin::Button);
        failedRuns += program.window.pending ? 1 : 0;
        ASSERT_TRUE(faulty.Keyboard().SaveState(dir_ / "after.state"));
      }
      // The program starts again; the keyboard answers now.
      test::VirtualKeyboardRig rig;
      ASSERT_TRUE(rig.Keyboard().LoadState(dir_ / "after.state"));
      AsThePrograms(rig);
      ApplyProgram program(rig.Commands(), folder);
      Arrive(program);
      EXPECT_TRUE(HasTheEdits(program)) << name;
      program.commands.ApplyChanges(ApplyOrigin::Button);
      EXPECT_FALSE(program.window.pending) << name;
      ASSERT_EQ(program.workspace.SaveImageFile(dir_ / "edited.fwc"), ImageResult::kOk);
      EXPECT_EQ(WrittenOf(rig.Keyboard()), CleanDownloadOf(dir_ / "edited.fwc")) << name;
    }
  }
  EXPECT_GT(failedRuns, 0) << "the faults never made an Apply fail";
}

}  // namespace
}  // namespace ombrex
