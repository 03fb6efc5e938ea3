#include "model/keyboard_sync.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "device/default_key_table.h"
#include "model/assignment_tables.h"
#include "model/byte_io.h"
#include "model/workspace.h"
#include "tests/support/device/keyboard_tap.h"
#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/support/recording_prompter.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

using test::Entry;
using test::Macro;

constexpr std::size_t kKeyOneSlot = 2;  // factory position 17
constexpr std::size_t kKeyOnePosition = 17;

std::span<const std::uint8_t, protocol::kKeyTableSize> TableOf(const vkbd::Memories& memories,
                                                               std::size_t profile) {
  return std::span<const std::uint8_t, protocol::kKeyTableSize>(
      memories.keyTables.data() + profile * protocol::kKeyTableSize, protocol::kKeyTableSize);
}

class KeyboardSyncTest : public testing::Test {
 protected:
  explicit KeyboardSyncTest(test::RigOptions options = {})
      : rig_(options),
        workspace_(dir_.path()),
        sync_(workspace_, rig_.Commands(), texts_.Get(), prompter_) {
    workspace_.CreateDefaultImage({}, 0, true);
    // As on every arrival: the keyboard's own factory table replaces the
    // built-in one, so positions without an assignment get back what the
    // keyboard itself has there.
    KeyTableBytes table{};
    if (rig_.Commands().ReadDefaultKeyTable(table) == result::kOk)
      rig_.DefaultTable().Replace(table);
  }

  static test::RigOptions ActiveProfile(std::uint8_t profile) {
    test::RigOptions options;
    options.factory.activeProfile = profile;
    return options;
  }

  // A different assignment on key 1 of every profile, and two macros.
  void AssignAllProfiles() {
    std::vector<MacroRecord> list{Macro(1, u"first", 4), Macro(2, u"second", 2)};
    for (MacroRecord& record : list) record.fresh = 1;
    workspace_.ApplyMacroList(list);
    workspace_.StoreEntry(0, kKeyOneSlot, Entry(AssignKind::Macro, 2));
    workspace_.StoreEntry(1, kKeyOneSlot, Entry(AssignKind::Disabled));
    workspace_.StoreEntry(2, kKeyOneSlot, Entry(AssignKind::Media, 7));
    workspace_.StoreEntry(3, kKeyOneSlot, Entry(AssignKind::SingleKey, 0x030));
  }

  // Bytes 18..21 of every lighting record set, so that clearing shows.
  void MarkSettings() {
    const std::array<std::uint8_t, 4> marks{9, 9, 9, 9};
    for (int p = 0; p < 4; ++p) {
      rig_.Commands().WriteSettings(marks, static_cast<std::uint16_t>(p * 64 + 18));
    }
  }

  std::vector<std::uint8_t> AppliedBlob(bool withNames) {
    return BuildMacroBlob(workspace_.Applied()->macros, withNames);
  }

  test::TempDir dir_;
  test::TestTexts texts_;
  test::RecordingPrompter prompter_;
  test::VirtualKeyboardRig rig_;
  Workspace workspace_;
  KeyboardSync sync_;
};

class ActiveProfileTwoTest : public KeyboardSyncTest {
 protected:
  ActiveProfileTwoTest() : KeyboardSyncTest(ActiveProfile(2)) {}
};

TEST_F(ActiveProfileTwoTest, ApplySendsTheMacrosAndTheActiveProfilesTable) {
  ASSERT_TRUE(rig_.Ready());
  AssignAllProfiles();
  MarkSettings();
  const vkbd::Memories before = rig_.Keyboard().Snapshot();
  ASSERT_EQ(sync_.CommitImage(false), result::kOk);
  const vkbd::Memories after = rig_.Keyboard().Snapshot();

  const std::vector<std::uint8_t> blob = AppliedBlob(true);
  ASSERT_TRUE(std::equal(blob.begin(), blob.end(), after.macro.begin()));
  EXPECT_EQ(CodeAt(TableOf(after, 2), kKeyOnePosition), (DeviceKeyCode{3, 0xE2, 0x00}));
  for (std::size_t position = 0; position < 64; ++position) {
    if (position == kKeyOnePosition) continue;
    EXPECT_EQ(CodeAt(TableOf(after, 2), position), CodeAt(TableOf(before, 2), position));
  }
  for (std::size_t p : {0u, 1u, 3u}) {
    EXPECT_TRUE(std::ranges::equal(TableOf(after, p), TableOf(before, p))) << p;
  }
  for (std::size_t i = 0; i < 256; ++i) {
    const bool cleared = i >= 2 * 64 + 18 && i < 2 * 64 + 22;
    EXPECT_EQ(after.settings[i], cleared ? 0 : before.settings[i]) << i;
  }
  EXPECT_TRUE(prompter_.messages.empty());
  EXPECT_EQ(rig_.State().macroCapacity.load(), 255u * 128u);  // read once when unknown
}

TEST_F(ActiveProfileTwoTest, ImportSendsAllFourProfiles) {
  AssignAllProfiles();
  MarkSettings();
  ASSERT_EQ(sync_.CommitImage(true), result::kOk);
  const vkbd::Memories after = rig_.Keyboard().Snapshot();
  EXPECT_EQ(CodeAt(TableOf(after, 0), kKeyOnePosition), (DeviceKeyCode{5, 1, 1}));
  EXPECT_EQ(CodeAt(TableOf(after, 1), kKeyOnePosition), (DeviceKeyCode{0, 0, 0}));
  EXPECT_EQ(CodeAt(TableOf(after, 2), kKeyOnePosition), (DeviceKeyCode{3, 0xE2, 0x00}));
  EXPECT_EQ(CodeAt(TableOf(after, 3), kKeyOnePosition), (DeviceKeyCode{2, 2, 0x05}));
  for (std::size_t p = 0; p < 4; ++p) {
    for (std::size_t i = 18; i < 22; ++i) EXPECT_EQ(after.settings[p * 64 + i], 0);
    EXPECT_EQ(after.settings[p * 64 + 22], 0);  // never written, zero from the factory
  }
}

TEST_F(ActiveProfileTwoTest, AReorderedMacroListIsFollowedByEveryProfile) {
  AssignAllProfiles();
  ASSERT_EQ(sync_.CommitImage(true), result::kOk);
  EXPECT_EQ(CodeAt(TableOf(rig_.Keyboard().Snapshot(), 0), kKeyOnePosition),
            (DeviceKeyCode{5, 1, 1}));
  // The editor swaps the two macros: key 1 of profile 0 (not the active one)
  // still plays macro 2, which the keyboard now finds at position 0.
  std::vector<MacroRecord> swapped = workspace_.MacroList();
  std::swap(swapped[0], swapped[1]);
  workspace_.ApplyMacroList(swapped);
  ASSERT_EQ(sync_.CommitImage(false), result::kOk);
  EXPECT_EQ(CodeAt(TableOf(rig_.Keyboard().Snapshot(), 0), kKeyOnePosition),
            (DeviceKeyCode{5, 1, 0}));
  // Once the keyboard has the new order, Apply is back to the active profile.
  workspace_.StoreEntry(0, kKeyOneSlot, Entry(AssignKind::StopMacro));
  ASSERT_EQ(sync_.CommitImage(false), result::kOk);
  EXPECT_EQ(CodeAt(TableOf(rig_.Keyboard().Snapshot(), 0), kKeyOnePosition),
            (DeviceKeyCode{5, 1, 0}));
}

class SmallMacroMemoryTest : public KeyboardSyncTest {
 protected:
  static test::RigOptions Small() {
    test::RigOptions options;
    options.factory.macroCapacityUnits = 1;  // 128 bytes
    return options;
  }
  SmallMacroMemoryTest() : KeyboardSyncTest(Small()) {}

  void UseMacros(std::vector<MacroRecord> list) { workspace_.ApplyMacroList(list); }
};

TEST_F(SmallMacroMemoryTest, MacrosThatFitOnlyWithoutNamesAreSentWithoutNames) {
  // S0 = 16 + 2 + 4 + 4 * 26 = 126; the name would need 4 more bytes.
  UseMacros({Macro(1, u"ab", 26)});
  ASSERT_EQ(sync_.CommitImage(false), result::kOk);
  const std::vector<std::uint8_t> blob = AppliedBlob(false);
  ASSERT_EQ(blob.size(), 126u);
  const vkbd::Memories after = rig_.Keyboard().Snapshot();
  EXPECT_TRUE(std::equal(blob.begin(), blob.end(), after.macro.begin()));
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text, u"Sent without names");
  EXPECT_TRUE(prompter_.messages[0].topmost);
}

TEST_F(SmallMacroMemoryTest, MacrosFillingTheMemoryExactlyAreSent) {
  UseMacros({Macro(1, u"a", 26)});  // S1 = 126 + 2 = 128
  ASSERT_EQ(sync_.CommitImage(false), result::kOk);
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(SmallMacroMemoryTest, MacrosTooLargeSendNothing) {
  UseMacros({Macro(1, u"", 27)});  // S0 = 130
  workspace_.StoreEntry(0, kKeyOneSlot, Entry(AssignKind::Disabled));
  const vkbd::Memories before = rig_.Keyboard().Snapshot();
  EXPECT_EQ(sync_.CommitImage(false), result::kFailed);
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text, u"Macros too large");
  const vkbd::Memories after = rig_.Keyboard().Snapshot();
  EXPECT_EQ(after.macro, before.macro);
  EXPECT_EQ(after.keyTables, before.keyTables);
}

TEST_F(SmallMacroMemoryTest, AFailedWriteFailsTheDownloadButTheRestIsSent) {
  // The program believes in a larger memory than the keyboard has: the macro
  // image is refused, the key table after it still arrives.
  rig_.State().macroCapacity = 32640;
  UseMacros({Macro(1, u"", 40)});
  workspace_.StoreEntry(0, kKeyOneSlot, Entry(AssignKind::Disabled));
  const DeviceResult result = sync_.CommitImage(false);
  EXPECT_NE(result, result::kOk);
  EXPECT_EQ(CodeAt(TableOf(rig_.Keyboard().Snapshot(), 0), kKeyOnePosition),
            (DeviceKeyCode{0, 0, 0}));
}

TEST_F(KeyboardSyncTest, WithoutAKeyboardNothingIsSentAndTheMessageSaysSo) {
  rig_.Unplug();
  EXPECT_EQ(sync_.CommitImage(false), result::kFailed);
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text, u"No keyboard");
}

TEST_F(KeyboardSyncTest, GKeysReachTheKeyboardAtThePositionsItsOwnTableGivesThem) {
  ASSERT_TRUE(rig_.Ready());
  // The keyboard reports G1..G6 at positions 0..5; the built-in table could
  // not place them.
  workspace_.StoreEntry(0, 256 + 2, Entry(AssignKind::SingleKey, 0x01E));  // G3 sends A
  ASSERT_EQ(sync_.CommitImage(true), result::kOk);
  const vkbd::Memories after = rig_.Keyboard().Snapshot();
  EXPECT_EQ(CodeAt(TableOf(after, 0), 2), (DeviceKeyCode{2, 2, 0x04}));
  EXPECT_EQ(CodeAt(TableOf(after, 0), 1), (DeviceKeyCode{6, 0xA2, 2}));
}

TEST_F(KeyboardSyncTest, AnEmptyWorkingImageIsNotCommitted) {
  workspace_.ClearWorkingImage();
  EXPECT_EQ(sync_.CommitImage(true), result::kFailed);
  EXPECT_TRUE(prompter_.messages.empty());
}

class KeyboardImageTest : public KeyboardSyncTest {};

TEST_F(KeyboardImageTest, WhatWasDownloadedComesBackAsTheSameImage) {
  const std::vector<KeyEntry> kinds{
      Entry(AssignKind::Disabled),         Entry(AssignKind::SingleKey, 0x030),
      Entry(AssignKind::SingleKey, 0x15C), Entry(AssignKind::SingleKey, 0x172),
      Entry(AssignKind::SingleKey, 0x162), Entry(AssignKind::Macro, 2),
      Entry(AssignKind::StopMacro),        Entry(AssignKind::Media, 12),
      Entry(AssignKind::Function, 6),
  };
  std::vector<MacroRecord> list{Macro(1, u"alpha", 10, 120), Macro(2, u"beta", 2000, 40950),
                                Macro(3, u"gamma", 0)};
  list[1].cycles = 17;
  workspace_.ApplyMacroList(list);
  // Every kind on a different key of every profile.
  const DeviceKeyTable defaults = DefaultKeyTable::BuiltIn();
  std::vector<unsigned> slots;
  for (std::size_t position = 0; position < 64; ++position) {
    const KeyCode key = KeyCodeOfDeviceCode(CodeAt(defaults, position));
    if (key != 0) slots.push_back(KeySlotFromCode(key));
  }
  for (const ProfileNumber p : ProfileNumber::All()) {
    // The keyboard's image presets the G-key codes of every profile.
    for (unsigned slot = 256; slot < 274; ++slot) {
      workspace_.StoreEntry(p, static_cast<int>(slot),
                            Entry(AssignKind::Default, 0, GKeyCodeOfSlot(slot)));
    }
    for (std::size_t i = 0; i < kinds.size(); ++i) {
      const unsigned slot = slots[(i * 5 + p.Index()) % slots.size()];
      KeyEntry entry = kinds[i];
      entry.aux = GKeyCodeOfSlot(slot);
      workspace_.StoreEntry(p, static_cast<int>(slot), entry);
    }
  }
  // The whole image is small enough to fit; the names too.
  ASSERT_EQ(sync_.CommitImage(true), result::kOk)
      << (prompter_.messages.empty() ? "" : "message shown");

  const auto file = dir_ / "read.fwc";
  ASSERT_EQ(sync_.BuildImageFromKeyboard(file), result::kOk);
  test::RecordingPrompter quiet;
  EXPECT_EQ(ValidateImageFile(file, quiet), ImageResult::kOk);
  Workspace read(dir_.path());
  ASSERT_EQ(read.LoadImageFile(file), ImageResult::kOk);
  for (const ProfileNumber p : ProfileNumber::All()) {
    for (int slot = 0; slot < 512; ++slot) {
      EXPECT_EQ(read.ReadEntry(p, slot), workspace_.ReadEntry(p, slot)) << p.Index() << " " << slot;
    }
  }
  const std::vector<MacroRecord> back = read.MacroList();
  ASSERT_EQ(back.size(), list.size());
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(back[i].Name(), list[i].Name());
    EXPECT_EQ(back[i].id, i + 1);
    EXPECT_EQ(back[i].cycles, list[i].cycles);
    ASSERT_EQ(back[i].count, list[i].count);
    EXPECT_TRUE(std::ranges::equal(back[i].Actions(), list[i].Actions())) << i;
  }
}

TEST_F(KeyboardImageTest, EveryPartOfTheMacroMemoryIsAskedForOnce) {
  std::vector<MacroRecord> list{Macro(1, u"long", 300), Macro(2, u"short", 3)};
  for (MacroRecord& record : list) record.fresh = 1;
  workspace_.ApplyMacroList(list);
  workspace_.StoreEntry(0, kKeyOneSlot, Entry(AssignKind::Macro, 1));
  ASSERT_EQ(sync_.CommitImage(true), result::kOk);
  const std::size_t blobSize = bytes::Get16(rig_.Keyboard().Snapshot().macro, 2);

  test::KeyboardTap tap(rig_.Keyboard());
  ASSERT_EQ(sync_.BuildImageFromKeyboard(dir_ / "read.fwc"), result::kOk);
  std::vector<std::uint16_t> asked;
  for (const test::SentPacket& packet : tap.Packets()) {
    if (packet.command == protocol::Command::ReadMacroMemory) asked.push_back(packet.address);
  }
  EXPECT_EQ(asked.size(), (blobSize + protocol::kPayloadSize - 1) / protocol::kPayloadSize);
  std::ranges::sort(asked);
  EXPECT_EQ(std::ranges::adjacent_find(asked), asked.end()) << "an address read twice";
}

TEST_F(KeyboardImageTest, AKeyboardWithoutMacrosGivesABareImage) {
  const auto file = dir_ / "bare.fwc";
  ASSERT_EQ(sync_.BuildImageFromKeyboard(file), result::kOk);
  EXPECT_EQ(test::ReadBytes(file).size(), image::kBlockSize);
}

TEST_F(KeyboardImageTest, AMacroHeaderClaimingMoreThanTheMemoryMeansNoMacros) {
  rig_.State().macroCapacity = 32640;
  std::array<std::uint8_t, 16> header{0xAA, 0x55, 0xFF, 0xFF, 1, 0};
  rig_.Commands().WriteMacroMemory(header);
  const auto file = dir_ / "claim.fwc";
  ASSERT_EQ(sync_.BuildImageFromKeyboard(file), result::kOk);
  EXPECT_EQ(test::ReadBytes(file).size(), image::kBlockSize);
}

TEST_F(KeyboardImageTest, AnUnreadableKeyboardWritesNoFile) {
  rig_.Unplug();
  const auto file = dir_ / "none.fwc";
  EXPECT_EQ(sync_.BuildImageFromKeyboard(file), result::kFailed);
  EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace ombrex
