#include "model/macro.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/byte_io.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

using test::Macro;

std::vector<std::uint8_t> RecordBytes(const MacroRecord& record) {
  std::vector<std::uint8_t> bytes(kMacroRecordSize);
  WriteMacroRecord(record, bytes);
  return bytes;
}

TEST(MacroRecordTest, FieldsSitAtTheirOffsets) {
  MacroRecord record = Macro(7, u"Hi", 2, 1234);
  record.cycles = 9;
  record.fresh = 1;
  record.actions[1].key = 0x15B;
  const std::vector<std::uint8_t> bytes = RecordBytes(record);
  EXPECT_EQ(bytes::Get16(bytes, 0), u'H');
  EXPECT_EQ(bytes::Get16(bytes, 2), u'i');
  EXPECT_EQ(bytes::Get16(bytes, 4), 0);
  EXPECT_EQ(bytes[500], 9);
  EXPECT_EQ(bytes::Get16(bytes, 502), 1);
  EXPECT_EQ(bytes::Get16(bytes, 506), 7);
  EXPECT_EQ(bytes::Get16(bytes, 508), 2);
  EXPECT_EQ(bytes::Get32(bytes, 512), 1234u);
  EXPECT_EQ(bytes::Get16(bytes, 512 + 4), 0x01E);
  EXPECT_EQ(bytes::Get16(bytes, 512 + 8 + 4), 0x15B);
  EXPECT_EQ(bytes::Get16(bytes, 512 + 8 + 6), 1);
  EXPECT_EQ(ReadMacroRecord(bytes), record);
}

TEST(MacroRecordTest, RecordsFromOutsideAreHeldToTheirLimits) {
  std::vector<std::uint8_t> bytes = RecordBytes(Macro(1, u"x", 3));
  bytes::Put16(bytes, 508, 2001);
  for (std::size_t c = 0; c < kMacroNameCapacity; ++c) bytes::Put16(bytes, 2 * c, u'n');
  const MacroRecord record = ReadMacroRecord(bytes);
  EXPECT_EQ(record.count, kMaxMacroActions);
  EXPECT_EQ(record.Actions().size(), kMaxMacroActions);
  EXPECT_EQ(record.Name(), std::u16string(kMaxMacroNameLength, u'n'));
}

TEST(MacroRecordTest, LongNamesAreCut) {
  MacroRecord record;
  record.SetName(std::u16string(259, u'a'));
  EXPECT_EQ(record.Name().size(), kMaxMacroNameLength);
  record.SetName(u"short");
  EXPECT_EQ(record.Name(), u"short");
}

TEST(MacroListTest, IdsAndPositions) {
  const std::vector<MacroRecord> list{Macro(3, u"a"), Macro(7, u"b"), Macro(9, u"c")};
  EXPECT_EQ(PositionOfId(list, 9), 2u);
  EXPECT_EQ(PositionOfId(list, 4), 0u);
  EXPECT_EQ(IdAtPosition(list, 1), 7);
  EXPECT_EQ(IdAtPosition(list, -1), 0);
  EXPECT_EQ(IdAtPosition(list, 3), 0);
  EXPECT_EQ(MacroIds(list), (std::vector<std::uint16_t>{3, 7, 9}));
}

TEST(MacroListTest, LowestFreeIdFillsGaps) {
  EXPECT_EQ(LowestFreeId(std::vector<MacroRecord>{}), 1);
  EXPECT_EQ(LowestFreeId(std::vector<MacroRecord>{Macro(1, u""), Macro(3, u"")}), 2);
  EXPECT_EQ(LowestFreeId(std::vector<MacroRecord>{Macro(0, u""), Macro(500, u"")}), 1);
  std::vector<MacroRecord> full;
  for (std::uint16_t id = 1; id <= kMaxMacros; ++id) full.push_back(Macro(id, u""));
  EXPECT_EQ(LowestFreeId(full), 0);
}

TEST(MacroBlobTest, SizesAndBlockOffsets) {
  const std::vector<MacroRecord> list{Macro(1, u"ab", 3), Macro(2, u"", 0)};
  const MacroBlobSizes sizes = ComputeMacroBlobSizes(list);
  EXPECT_EQ(sizes.withoutNames, 40u);
  EXPECT_EQ(sizes.withNames, 44u);
  const std::vector<std::uint8_t> plain = BuildMacroBlob(list, false);
  ASSERT_EQ(plain.size(), 40u);
  EXPECT_EQ(bytes::Get16(plain, 0), 0x55AA);
  EXPECT_EQ(bytes::Get16(plain, 2), 40);
  EXPECT_EQ(bytes::Get16(plain, 4), 2);
  EXPECT_EQ(bytes::Get16(plain, 6), 0);
  EXPECT_EQ(bytes::Get16(plain, 16), 20);
  EXPECT_EQ(bytes::Get16(plain, 18), 36);
  EXPECT_EQ(plain[23], 0);  // no name length without names
  const std::vector<std::uint8_t> named = BuildMacroBlob(list, true);
  ASSERT_EQ(named.size(), 44u);
  EXPECT_EQ(bytes::Get16(named, 6), 1);
  EXPECT_EQ(bytes::Get16(named, 18), 40);
  EXPECT_EQ(named[23], 2);
  EXPECT_EQ(bytes::Get16(named, 36), u'a');
  EXPECT_EQ(bytes::Get16(named, 38), u'b');
}

TEST(MacroBlobTest, LargeListsAreMeasuredWithoutWrapping) {
  std::vector<MacroRecord> list(kMaxMacros, Macro(1, std::u16string(249, u'n'), 2000));
  const MacroBlobSizes sizes = ComputeMacroBlobSizes(list);
  EXPECT_EQ(sizes.withoutNames, 16u + 200u + 100u * (4u + 8000u));
  EXPECT_EQ(sizes.withNames, sizes.withoutNames + 100u * 498u);
  EXPECT_TRUE(BuildMacroBlob(list, false).empty());  // beyond a 16-bit size: refused
}

TEST(MacroBlobTest, ActionWords) {
  const auto encode = [](std::uint32_t delay, KeyCode key, std::uint16_t state) {
    return EncodeBlobAction({delay, key, state});
  };
  EXPECT_EQ(encode(40950, 0x01E, 0).word, 0x8000 | 0x2000 | 4095);
  // A pause longer than the field holds is the longest pause, not a short one.
  EXPECT_EQ(encode(41000, 0x01E, 1).word & 0xFFF, 4095);
  EXPECT_EQ(encode(0xFFFFFFFF, 0x01E, 1).word & 0xFFF, 4095);
  EXPECT_EQ(encode(19, 0x01E, 1).word, 0x2000 | 1);
  const BlobAction control = encode(0, 0x11D, 0);
  EXPECT_EQ(control.word, 0xA000);
  EXPECT_EQ(control.c0, 0x01);
  EXPECT_EQ(control.c1, 0x10);
  const BlobAction letter = encode(0, 0x030, 0);
  EXPECT_EQ(letter.c0, 0x02);
  EXPECT_EQ(letter.c1, 0x05);
  const BlobAction mute = encode(0, 0x120, 0);
  EXPECT_EQ(mute.word >> 12 & 7, 3);
  EXPECT_EQ(mute.c0, 0xE2);
  EXPECT_EQ(mute.c1, 0x00);
  const BlobAction power = encode(0, 0x15E, 0);
  EXPECT_EQ(power.word >> 12 & 7, 4);
  EXPECT_EQ(power.c0, 0x81);
  const BlobAction wheel = encode(0, 0x162, 0);
  EXPECT_EQ(wheel.word >> 12 & 7, 1);
  EXPECT_EQ(wheel.c0, 0x05);
  EXPECT_EQ(wheel.c1, 0xFF);
  const BlobAction gKey = encode(0, 0x203, 0);
  EXPECT_EQ(gKey.word, 0x8000);
  EXPECT_EQ(gKey.c0 | gKey.c1, 0);
}

TEST(MacroBlobTest, ListsComeBackFromTheirBlob) {
  MacroRecord first = Macro(4, u"First", 0);
  const std::vector<KeyCode> keys{0x01E, 0x11D, 0x120, 0x15E, 0x171, 0x162, 0x036, 0x15C};
  for (std::size_t a = 0; a < keys.size(); ++a) {
    first.actions[a] = {static_cast<std::uint32_t>(a * 130), keys[a],
                        static_cast<std::uint16_t>(a % 2)};
  }
  first.count = static_cast<std::uint16_t>(keys.size());
  first.cycles = 200;
  MacroRecord second = Macro(9, u"", 5, 40950);
  const std::vector<MacroRecord> list{first, second};
  const std::vector<MacroRecord> back = DecodeMacroBlob(BuildMacroBlob(list, true), u"Macro ");
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].id, 1);  // the keyboard knows positions only
  EXPECT_EQ(back[1].id, 2);
  EXPECT_EQ(back[0].Name(), u"First");
  EXPECT_EQ(back[1].Name(), u"Macro 2");
  EXPECT_EQ(back[0].cycles, 200);
  ASSERT_EQ(back[0].count, first.count);
  for (std::size_t a = 0; a < keys.size(); ++a) {
    EXPECT_EQ(back[0].actions[a], first.actions[a]) << a;
  }
  ASSERT_EQ(back[1].count, 5);
  EXPECT_EQ(back[1].actions[4], second.actions[4]);
  // Without names every macro gets the prefix and its number.
  EXPECT_EQ(DecodeMacroBlob(BuildMacroBlob(list, false), u"M")[0].Name(), u"M1");
}

class HostileBlobTest : public testing::Test {
 protected:
  HostileBlobTest()
      : blob_(BuildMacroBlob(
            std::vector<MacroRecord>{Macro(1, u"a", 2), Macro(2, u"b", 2), Macro(3, u"c", 2)},
            true)) {}
  std::vector<MacroRecord> Decode() const { return DecodeMacroBlob(blob_, u"M"); }
  std::vector<std::uint16_t> Ids() const { return MacroIds(Decode()); }

  std::vector<std::uint8_t> blob_;
};

TEST_F(HostileBlobTest, BadHeadersMeanNoMacros) {
  EXPECT_EQ(Ids(), (std::vector<std::uint16_t>{1, 2, 3}));
  std::vector<std::uint8_t> original = blob_;
  bytes::Put16(blob_, 0, 0x55AB);
  EXPECT_TRUE(Decode().empty());
  blob_ = original;
  bytes::Put16(blob_, 2, static_cast<std::uint16_t>(blob_.size() + 1));
  EXPECT_TRUE(Decode().empty());
  blob_ = original;
  bytes::Put16(blob_, 4, 40000);  // offsets would run past the data
  EXPECT_TRUE(Decode().empty());
  blob_.resize(10);
  EXPECT_TRUE(Decode().empty());
}

TEST_F(HostileBlobTest, BlocksReachingPastTheDataAreDropped) {
  const std::vector<std::uint8_t> original = blob_;
  bytes::Put16(blob_, 18, static_cast<std::uint16_t>(blob_.size() - 2));  // block 2 offset
  EXPECT_EQ(Ids(), (std::vector<std::uint16_t>{1, 3}));
  blob_ = original;
  const std::size_t second = bytes::Get16(blob_, 18);
  bytes::Put16(blob_, second, 30000);  // action count
  EXPECT_EQ(Ids(), (std::vector<std::uint16_t>{1, 3}));
  blob_ = original;
  const std::size_t third = bytes::Get16(blob_, 20);
  blob_[third + 3] = 200;  // name length
  EXPECT_EQ(Ids(), (std::vector<std::uint16_t>{1, 2}));
}

TEST(MacroBlobLimitTest, AtMostAHundredMacrosOfTwoThousandActionsAreTaken) {
  std::vector<std::uint8_t> blob(16 + 2 * 120 + 4, 0);
  bytes::Put16(blob, 0, 0x55AA);
  bytes::Put16(blob, 2, static_cast<std::uint16_t>(blob.size()));
  bytes::Put16(blob, 4, 120);
  const std::size_t block = 16 + 2 * 120;
  for (std::size_t i = 0; i < 120; ++i)
    bytes::Put16(blob, 16 + 2 * i, static_cast<std::uint16_t>(block));
  EXPECT_EQ(DecodeMacroBlob(blob, u"M").size(), kMaxMacros);

  std::vector<std::uint8_t> long_macro(16 + 2 + 4 + 4 * 2100, 0);
  bytes::Put16(long_macro, 0, 0x55AA);
  bytes::Put16(long_macro, 2, static_cast<std::uint16_t>(long_macro.size()));
  bytes::Put16(long_macro, 4, 1);
  bytes::Put16(long_macro, 16, 18);
  bytes::Put16(long_macro, 18, 2100);
  const auto list = DecodeMacroBlob(long_macro, u"M");
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].count, kMaxMacroActions);
}

}  // namespace
}  // namespace ombrex
