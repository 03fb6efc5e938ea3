#include "model/assignment_tables.h"

#include <gtest/gtest.h>

#include "device/default_key_table.h"
#include "model/byte_io.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

using test::Entry;
using test::Macro;

// Position 17 of the factory table is key 1 (slot 2); position 0 names no key.
constexpr std::size_t kKeyOnePosition = 17;
constexpr std::size_t kKeyOneSlot = 2;

AppliedImage Applied() {
  AppliedImage applied;
  applied.block = DefaultImageBlock(0);
  applied.macros = {Macro(3, u"a"), Macro(7, u"b"), Macro(9, u"c")};
  return applied;
}

void Set(AppliedImage& applied, std::size_t profile, std::size_t slot, const KeyEntry& entry) {
  WriteKeyEntry(std::span(applied.block)
                    .subspan(image::EntryOffset(image::EntryIndex(profile, slot)), kEntrySize),
                entry);
}

TEST(AssignmentTablesTest, KeyTablesCarryTheProfilesEntries) {
  const DeviceKeyTable defaults = DefaultKeyTable::BuiltIn();
  AppliedImage applied = Applied();
  EXPECT_EQ(BuildDeviceKeyTable(applied, 2, defaults), defaults);
  Set(applied, 2, kKeyOneSlot, Entry(AssignKind::Macro, 7));
  Set(applied, 1, kKeyOneSlot, Entry(AssignKind::Disabled));
  const DeviceKeyTable table = BuildDeviceKeyTable(applied, 2, defaults);
  EXPECT_EQ(CodeAt(table, kKeyOnePosition), (DeviceKeyCode{5, 1, 1}));
  for (std::size_t position = 0; position < protocol::kKeyTablePositions; ++position) {
    if (position == kKeyOnePosition) continue;
    EXPECT_EQ(CodeAt(table, position), CodeAt(defaults, position));
  }
  EXPECT_EQ(CodeAt(BuildDeviceKeyTable(applied, 1, defaults), kKeyOnePosition),
            (DeviceKeyCode{0, 0, 0}));
}

TEST(AssignmentTablesTest, PositionsWithoutAKeyKeepTheirFactoryCode) {
  DeviceKeyTable defaults = DefaultKeyTable::BuiltIn();
  AppliedImage applied = Applied();
  for (std::size_t slot = 0; slot < 274; ++slot) Set(applied, 0, slot, Entry(AssignKind::Disabled));
  const DeviceKeyTable table = BuildDeviceKeyTable(applied, 0, defaults);
  EXPECT_EQ(CodeAt(table, 0), (DeviceKeyCode{5, 0, 0}));
  EXPECT_EQ(CodeAt(table, 6), (DeviceKeyCode{0, 0, 0}));
  EXPECT_EQ(CodeAt(table, 8), (DeviceKeyCode{0, 0, 0}));  // Esc, disabled
}

TEST(AssignmentTablesTest, MacroBlobAgainstTheCapacity) {
  EXPECT_EQ(ChooseMacroBlob({40, 44}, 44), BlobChoice::WithNames);
  EXPECT_EQ(ChooseMacroBlob({40, 45}, 44), BlobChoice::WithoutNames);
  EXPECT_EQ(ChooseMacroBlob({44, 50}, 44), BlobChoice::WithoutNames);
  EXPECT_EQ(ChooseMacroBlob({45, 50}, 44), BlobChoice::TooLarge);
  EXPECT_EQ(ChooseMacroBlob({16, 16}, 0), BlobChoice::TooLarge);
}

TEST(AssignmentTablesTest, KeyboardWithoutMacrosGivesABareImage) {
  const DeviceKeyTable defaults = DefaultKeyTable::BuiltIn();
  std::array<DeviceKeyTable, 4> tables{defaults, defaults, defaults, defaults};
  SetCodeAt(tables[3], kKeyOnePosition, {5, 1, 1});
  const std::vector<std::uint8_t> file = ImageFromKeyboard(tables, defaults, {}, u"M");
  ASSERT_EQ(file.size(), image::kBlockSize);
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::Valid);
  ProfileImage image;
  ASSERT_TRUE(image.Parse(file));
  EXPECT_EQ(image.Entry(3, kKeyOneSlot), Entry(AssignKind::Macro, 2));
  for (const ProfileNumber p : ProfileNumber::All()) {
    EXPECT_EQ(image.Entry(p, 265).aux, 0x1301) << p.Index();
  }
}

TEST(AssignmentTablesTest, KeyboardMacrosBecomeRecords) {
  const DeviceKeyTable defaults = DefaultKeyTable::BuiltIn();
  std::array<DeviceKeyTable, 4> tables{defaults, defaults, defaults, defaults};
  const std::vector<MacroRecord> list{Macro(5, u"five", 3), Macro(6, u"", 1)};
  const std::vector<std::uint8_t> blob = BuildMacroBlob(list, true);
  const std::vector<std::uint8_t> file = ImageFromKeyboard(tables, defaults, blob, u"Macro ");
  ASSERT_EQ(file.size(), image::kBlockSize + 2 * kMacroRecordSize);
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::Valid);
  ProfileImage image;
  ASSERT_TRUE(image.Parse(file));
  ASSERT_EQ(image.Macros().size(), 2u);
  EXPECT_EQ(image.Macros()[0].Name(), u"five");
  EXPECT_EQ(image.Macros()[1].Name(), u"Macro 2");
  EXPECT_EQ(image.Macros()[1].id, 2);
}

}  // namespace
}  // namespace ombrex
