#include "model/key_entry.h"

#include <gtest/gtest.h>

#include <vector>

#include "device/default_key_table.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

using test::Entry;

constexpr DeviceKeyCode kFactoryA{2, 2, 0x04};  // what key A sends by default

DeviceKeyCode Encode(const KeyEntry& entry, std::vector<std::uint16_t> ids = {}) {
  return EncodeEntry(entry, kFactoryA, ids);
}

TEST(KeyEntryTest, BytesAreLittleEndianInTheirPlaces) {
  KeyEntry entry = Entry(AssignKind::Macro, 0x04030201, 0x0605);
  entry.reserved[7] = 0x99;
  std::array<std::uint8_t, kEntrySize> bytes{};
  WriteKeyEntry(bytes, entry);
  EXPECT_EQ(bytes, (std::array<std::uint8_t, kEntrySize>{4, 0, 5, 6, 1, 2, 3, 4, 0, 0, 0, 0, 0, 0,
                                                         0, 0x99}));
  EXPECT_EQ(ReadKeyEntry(bytes), entry);
}

TEST(KeyEntryTest, GKeySlotsCarryTheirBanksCodesAndOtherSlotsNone) {
  for (unsigned slot = 0; slot < 1024; ++slot) {
    const bool gKey = slot >= 256 && slot < 274;
    EXPECT_EQ(GKeyCodeOfSlot(slot), gKey ? test::kGKeyCodes[slot - 256] : 0) << slot;
  }
}

TEST(KeyEntryTest, SingleKeysEncodeByWhatTheKeyIs) {
  EXPECT_EQ(Encode(Entry(AssignKind::SingleKey, 0x15B)), (DeviceKeyCode{2, 1, 0x08}));
  EXPECT_EQ(Encode(Entry(AssignKind::SingleKey, 0x036)), (DeviceKeyCode{2, 1, 0x20}));
  EXPECT_EQ(Encode(Entry(AssignKind::SingleKey, 0x172)), (DeviceKeyCode{1, 1, 0x02}));
  EXPECT_EQ(Encode(Entry(AssignKind::SingleKey, 0x161)), (DeviceKeyCode{1, 5, 0x01}));
  EXPECT_EQ(Encode(Entry(AssignKind::SingleKey, 0x162)), (DeviceKeyCode{1, 5, 0xFF}));
  EXPECT_EQ(Encode(Entry(AssignKind::SingleKey, 0x030)), (DeviceKeyCode{2, 2, 0x05}));
  EXPECT_EQ(Encode(Entry(AssignKind::SingleKey, 0x15D)), (DeviceKeyCode{2, 2, 0x65}));
  // Keys without a keyboard-page usage send no key.
  EXPECT_EQ(Encode(Entry(AssignKind::SingleKey, 0x120)), (DeviceKeyCode{2, 2, 0x00}));
  EXPECT_EQ(Encode(Entry(AssignKind::SingleKey, 0x15E)), (DeviceKeyCode{2, 2, 0x00}));
  EXPECT_EQ(Encode(Entry(AssignKind::SingleKey, 0x10001E)), (DeviceKeyCode{2, 2, 0x00}));
}

TEST(KeyEntryTest, OtherKindsEncodeByKindAndDamagedValuesKeepTheDefault) {
  EXPECT_EQ(Encode(Entry(AssignKind::Default, 0x030)), kFactoryA);
  EXPECT_EQ(Encode(Entry(AssignKind::LaunchProgram, 12)), kFactoryA);
  EXPECT_EQ(Encode(Entry(AssignKind::Disabled)), (DeviceKeyCode{0, 0, 0}));
  EXPECT_EQ(Encode(Entry(AssignKind::TextBlock, 4)), (DeviceKeyCode{0, 0, 0}));
  EXPECT_EQ(Encode(Entry(AssignKind::StopMacro)), (DeviceKeyCode{5, 2, 0}));
  EXPECT_EQ(Encode(Entry(AssignKind::Media, 5)), (DeviceKeyCode{3, 0xEA, 0x00}));
  EXPECT_EQ(Encode(Entry(AssignKind::Media, 8)), (DeviceKeyCode{3, 0x23, 0x02}));
  EXPECT_EQ(Encode(Entry(AssignKind::Function, 10)), (DeviceKeyCode{5, 5, 10}));
  EXPECT_EQ(Encode(Entry(static_cast<AssignKind>(9), 1)), kFactoryA);
  // Values a damaged file may hold keep the key's default rather than send junk.
  EXPECT_EQ(Encode(Entry(AssignKind::Media, 18)), kFactoryA);
  EXPECT_EQ(Encode(Entry(AssignKind::Function, 0x100)), kFactoryA);
}

TEST(KeyEntryTest, MacrosPlayThePositionOfTheirId) {
  EXPECT_EQ(Encode(Entry(AssignKind::Macro, 7, 3), {3, 7, 9}), (DeviceKeyCode{5, 1, 1}));
  EXPECT_EQ(Encode(Entry(AssignKind::Macro, 9), {3, 7, 9}), (DeviceKeyCode{5, 1, 2}));
  EXPECT_EQ(Encode(Entry(AssignKind::Macro, 8), {3, 7, 9}), (DeviceKeyCode{5, 1, 0}));
  EXPECT_EQ(Encode(Entry(AssignKind::Macro, 1)), (DeviceKeyCode{5, 1, 0}));
}

TEST(KeyEntryTest, DeviceCodesNameKeys) {
  EXPECT_EQ(KeyCodeOfDeviceCode({1, 1, 4}), 0x173);
  EXPECT_EQ(KeyCodeOfDeviceCode({2, 2, 0x29}), 0x001);
  EXPECT_EQ(KeyCodeOfDeviceCode({2, 1, 0x06}), 0x02A);
  EXPECT_EQ(KeyCodeOfDeviceCode({3, 0xCD, 0x00}), 0x122);
  EXPECT_EQ(KeyCodeOfDeviceCode({6, 0xA2, 18}), 0x211);
  EXPECT_EQ(KeyCodeOfDeviceCode({5, 0, 0}), 0);
}

class DecodeKeyTableTest : public testing::Test {
 protected:
  DecodeKeyTableTest() : defaults_(DefaultKeyTable::BuiltIn()), read_(defaults_) {}

  // The slot of the key whose factory code is at a position.
  static unsigned SlotAt(const DeviceKeyTable& table, std::size_t position) {
    return KeySlotFromCode(KeyCodeOfDeviceCode(CodeAt(table, position)));
  }
  std::vector<KeyEntry> Decode() const { return DecodeKeyTable(read_, defaults_); }

  DeviceKeyTable defaults_;
  DeviceKeyTable read_;
};

TEST_F(DecodeKeyTableTest, FactoryTableGivesDefaultEntriesWithGKeyCodes) {
  const std::vector<KeyEntry> entries = Decode();
  ASSERT_EQ(entries.size(), kSlotsPerProfile);
  for (unsigned slot = 0; slot < kSlotsPerProfile; ++slot) {
    const bool gKey = slot >= 256 && slot < 274;
    const std::uint16_t code = gKey ? test::kGKeyCodes[slot - 256] : 0;
    EXPECT_EQ(entries[slot], Entry(AssignKind::Default, 0, code)) << slot;
  }
}

TEST_F(DecodeKeyTableTest, EveryDeviceCodeReadsBackAsTheEntryItStandsFor) {
  struct Case {
    DeviceKeyCode read;
    KeyEntry expected;
  };
  const std::vector<Case> cases{
      {{5, 1, 0}, Entry(AssignKind::Macro, 1)},
      {{5, 2, 7}, Entry(AssignKind::StopMacro)},
      {{5, 5, 4}, Entry(AssignKind::Function, 4)},
      {{3, 0xEA, 0}, Entry(AssignKind::Media, 5)},
      {{3, 0x99, 0}, Entry(AssignKind::Disabled)},
      {{1, 1, 2}, Entry(AssignKind::SingleKey, 0x172)},
      {{1, 5, 0xFF}, Entry(AssignKind::SingleKey, 0x162)},
      {{1, 9, 9}, Entry(AssignKind::SingleKey, 0)},
      {{2, 2, 0x04}, Entry(AssignKind::SingleKey, 0x01E)},
      {{2, 2, 0xF0}, Entry(AssignKind::Disabled)},
      {{2, 1, 0x0C}, Entry(AssignKind::SingleKey, 0x038)},
      {{2, 1, 0x00}, Entry(AssignKind::SingleKey, 0)},
      {{0, 0, 0}, Entry(AssignKind::Disabled)},
      {{6, 0xA2, 3}, Entry(AssignKind::Disabled)},
  };
  constexpr std::size_t kPosition = 17;  // factory 02 02 1E: key 1
  for (const Case& c : cases) {
    SetCodeAt(read_, kPosition, c.read);
    EXPECT_EQ(Decode()[SlotAt(defaults_, kPosition)], c.expected)
        << int(c.read.type) << " " << int(c.read.b1) << " " << int(c.read.b2);
  }
}

TEST_F(DecodeKeyTableTest, PositionsWithoutAKeyAreSkippedAndLaterPositionsWin) {
  SetCodeAt(read_, 0, {2, 2, 0x04});  // factory 05 00 00 names no key
  EXPECT_EQ(Decode(), DecodeKeyTable(defaults_, defaults_));
  // Two positions whose factory code is the same key: the later one decides.
  SetCodeAt(defaults_, 20, CodeAt(defaults_, 17));
  SetCodeAt(read_, 17, {5, 1, 4});
  SetCodeAt(read_, 20, {0, 0, 0});
  EXPECT_EQ(Decode()[SlotAt(defaults_, 17)], Entry(AssignKind::Disabled));
}

TEST_F(DecodeKeyTableTest, EncodedEntriesComeBackUnchanged) {
  const std::vector<std::uint16_t> ids{1, 2, 3};
  const std::vector<KeyEntry> entries{
      Entry(AssignKind::Disabled),         Entry(AssignKind::SingleKey, 0x030),
      Entry(AssignKind::SingleKey, 0x138), Entry(AssignKind::SingleKey, 0x171),
      Entry(AssignKind::SingleKey, 0x161), Entry(AssignKind::Macro, 3),
      Entry(AssignKind::StopMacro),        Entry(AssignKind::Media, 17),
      Entry(AssignKind::Function, 9),
  };
  constexpr std::size_t kPosition = 26;  // key W
  for (const KeyEntry& entry : entries) {
    SetCodeAt(read_, kPosition, EncodeEntry(entry, CodeAt(defaults_, kPosition), ids));
    EXPECT_EQ(Decode()[SlotAt(defaults_, kPosition)], entry) << entry.kind << " " << entry.value;
  }
}

TEST(KeyEntryTest, MediaKeysAreFoundByTheirUsageAndTheirCode) {
  EXPECT_EQ(MediaIndexOfUsage(0x00EA), 5u);
  EXPECT_EQ(MediaIndexOfUsage(0x0001), std::nullopt);
  EXPECT_TRUE(IsMediaKeyCode(0x16C));
  EXPECT_FALSE(IsMediaKeyCode(0x01E));
}

}  // namespace
}  // namespace ombrex
