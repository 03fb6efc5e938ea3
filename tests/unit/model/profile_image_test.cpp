#include "model/profile_image.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/byte_io.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

using test::Entry;
using test::Macro;

std::vector<std::uint8_t> DefaultFile() {
  return DefaultImageBlock(0);
}

void Rechecksum(std::vector<std::uint8_t>& file) {
  file[image::kChecksumAt] = HeaderChecksum(file);
}

// An image with texts on entries 5 and 700 and two macros.
ProfileImage ImageWithTextsAndMacros() {
  ProfileImage image;
  image.ResetToDefault();
  image.SetEntry(5, Entry(AssignKind::LaunchProgram, 0));
  image.SetText(5, u"abc");
  image.SetEntry(700, Entry(AssignKind::TextBlock, 0));
  image.SetText(700, u"x");
  image.ReplaceMacros({Macro(1, u"one", 3), Macro(2, u"two", 4)});
  return image;
}

// A default image as a hex viewer shows its first 64 bytes: the header
// (magic "FD", header size 32, version 3.1, total size 32832, 2048 entries, no
// macros, no texts, flag 0, checksum 0x76), then the fixed block.
constexpr std::string_view kDefaultImageStart =
    "46 44 20 00 03 00 01 00 40 80 00 00 00 08 00 00"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 76"
    "4B 48 20 00 20 80 00 00 04 00 00 02 00 00 00 00"
    "45 0C 04 50 4F 1C 0E 00 00 00 00 00 00 00 00 00";

TEST(ImageHeaderTest, ADefaultImageStartsAsTheWorkedExampleAndPassesTheCheck) {
  const std::vector<std::uint8_t> file = DefaultFile();
  ASSERT_EQ(file.size(), 32832u);
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin(), file.begin() + 64),
            test::Bytes(kDefaultImageStart));
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::Valid);
}

TEST(ImageHeaderTest, GKeyCodesArePresetInProfileZeroOnly) {
  // Every entry is zero but the aux field (bytes 2..3) of profile 0's G-key
  // slots 256..273, which holds that G key's code.
  std::vector<std::uint8_t> entries(32832 - 64);
  for (std::size_t g = 0; g < test::kGKeyCodes.size(); ++g) {
    bytes::Put16(entries, 16 * (256 + g) + 2, test::kGKeyCodes[g]);
  }
  const std::vector<std::uint8_t> file = DefaultFile();
  EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 64, file.end()), entries);
}

TEST(ImageCheckTest, EveryHeaderByteIsGuardedByTheChecksum) {
  for (std::size_t i = 0; i < 31; ++i) {
    std::vector<std::uint8_t> file = DefaultFile();
    file[i] ^= 0x01;
    EXPECT_EQ(CheckImageBytes(file), ImageCheck::BadHeader) << i;
  }
  std::vector<std::uint8_t> file = DefaultFile();
  file[22] = 0x5A;  // reserved
  Rechecksum(file);
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::Valid);
}

TEST(ImageCheckTest, RefusesAFlagAboveOneAndMoreThanAHundredMacros) {
  std::vector<std::uint8_t> file = DefaultFile();
  file[image::kFlagAt] = 1;
  Rechecksum(file);
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::Valid);
  file[image::kFlagAt] = 2;
  Rechecksum(file);
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::BadHeader);

  for (std::uint16_t count : {100, 101}) {
    std::vector<std::uint8_t> big(image::kBlockSize + count * kMacroRecordSize);
    WriteImageHeader(big, count, 0, 0);
    EXPECT_EQ(CheckImageBytes(big), count == 100 ? ImageCheck::Valid : ImageCheck::BadHeader);
  }
}

TEST(ImageCheckTest, AFileMayBeLongerThanItsHeaderSaysButNotShorter) {
  std::vector<std::uint8_t> file = DefaultFile();
  file.push_back(0);  // longer than its total size: fine
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::Valid);
  file.resize(32831);
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::TooShort);
  file = DefaultFile();
  WriteImageHeader(file, 1, 0, 0);  // claims a macro the file does not hold
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::Truncated);
  file = DefaultFile();
  bytes::Put32(file, image::kTotalSizeAt, 32833);  // not the sum of its parts
  Rechecksum(file);
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::BadHeader);
}

TEST(ImageCheckTest, TextsMustLieWhollyInTheStringArea) {
  ProfileImage image = ImageWithTextsAndMacros();
  std::vector<std::uint8_t> file = image.Serialize();
  ASSERT_EQ(CheckImageBytes(file), ImageCheck::Valid);
  const std::size_t value700 = image::EntryOffset(700) + 4;
  bytes::Put32(file, value700, 12);  // at the end of the 12-byte area
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::BadText);
  bytes::Put32(file, value700, 9);  // odd: read from 8, still whole
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::Valid);
  file[file.size() - 2] = u'y';  // the last text loses its terminator
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::BadText);
}

TEST(ImageCheckTest, TextsMayNotTakeMoreRoomThanTheirArea) {
  ProfileImage image = ImageWithTextsAndMacros();
  std::vector<std::uint8_t> file = image.Serialize();
  const std::size_t value700 = image::EntryOffset(700) + 4;
  bytes::Put32(file, value700, 0);  // entry 700 now shows entry 5's text too
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::BadText);

  // Room no text uses is no harm: a larger area than the texts need passes.
  file = image.Serialize();
  file.insert(file.end(), {0, 0, 0, 0});
  bytes::Put32(file, image::kStringAreaSizeAt, 16);
  bytes::Put32(file, image::kTotalSizeAt, static_cast<std::uint32_t>(file.size()));
  Rechecksum(file);
  EXPECT_EQ(CheckImageBytes(file), ImageCheck::Valid);
}

TEST(ProfileImageTest, SavingLaysTheTextsOutInEntryOrder) {
  ProfileImage image = ImageWithTextsAndMacros();
  EXPECT_EQ(image.TextTotal(), 12u);
  const std::vector<std::uint8_t> file = image.Serialize();
  const std::size_t area = image::kBlockSize + 2 * kMacroRecordSize;
  ASSERT_EQ(file.size(), area + 12);
  EXPECT_EQ(bytes::Get32(file, image::kStringAreaSizeAt), 12u);
  EXPECT_EQ(bytes::Get32(file, image::kTotalSizeAt), file.size());
  EXPECT_EQ(bytes::Get32(file, image::EntryOffset(5) + 4), 0u);
  EXPECT_EQ(bytes::Get32(file, image::EntryOffset(700) + 4), 8u);
  EXPECT_EQ(bytes::Get16(file, area), u'a');
  EXPECT_EQ(bytes::Get16(file, area + 6), 0);
  EXPECT_EQ(bytes::Get16(file, area + 8), u'x');
  // The working image's entries carry the offsets the file has.
  EXPECT_EQ(image.Entry(700).value, 8u);

  ProfileImage loaded;
  ASSERT_TRUE(loaded.Parse(file));
  EXPECT_EQ(loaded.Text(5), u"abc");
  EXPECT_EQ(loaded.Text(700), u"x");
  EXPECT_EQ(loaded.TextTotal(), 12u);
  EXPECT_EQ(loaded.Macros(), image.Macros());
  EXPECT_EQ(loaded.Serialize(), file);
}

TEST(ProfileImageTest, TotalSizeCountsTheBlockEveryMacroAndTheTexts) {
  ProfileImage image;
  image.ResetToDefault();
  image.ReplaceMacros({Macro(1, u"a"), Macro(2, u"b")});
  image.SetEntry(9, Entry(AssignKind::TextBlock));
  image.SetText(9, std::u16string(49, u't'));  // 100 bytes with the terminator
  const std::vector<std::uint8_t> file = image.Serialize();
  EXPECT_EQ(file.size(), 65956u);  // 32832 + 2 * 16512 + 100
  EXPECT_EQ(bytes::Get32(file, image::kTotalSizeAt), 65956u);
}

TEST(ProfileImageTest, StoringAnEntryReleasesItsText) {
  ProfileImage image = ImageWithTextsAndMacros();
  image.StoreEntry(1, 188, Entry(AssignKind::SingleKey, 0x01E));  // entry 700
  EXPECT_EQ(image.Text(700), u"");
  EXPECT_EQ(image.TextTotal(), 8u);
  EXPECT_EQ(image.Entry(1, 188), Entry(AssignKind::SingleKey, 0x01E));
  image.Clear();
  EXPECT_FALSE(image.HasBlock());
  EXPECT_EQ(image.TextTotal(), 0u);
  image.SetEntry(3, Entry(AssignKind::Disabled));  // ignored without a block
  EXPECT_EQ(image.Entry(3), KeyEntry{});
  EXPECT_TRUE(image.Serialize().empty());
}

TEST(ProfileImageTest, ParsingStaysInsideTheBytesItHas) {
  ProfileImage source = ImageWithTextsAndMacros();
  std::vector<std::uint8_t> file = source.Serialize();
  const std::size_t value5 = image::EntryOffset(5) + 4;
  const std::size_t value700 = image::EntryOffset(700) + 4;

  std::vector<std::uint8_t> odd = file;
  bytes::Put32(odd, value5, 1);  // odd offset: read from 0
  bytes::Put32(odd, value700, 0xFFFFFFF0);
  ProfileImage image;
  ASSERT_TRUE(image.Parse(odd));
  EXPECT_EQ(image.Text(5), u"abc");
  EXPECT_EQ(image.Text(700), u"");  // outside the area: an empty text
  EXPECT_EQ(image.TextByteLength(700), 2u);

  // Cut inside the second macro: one macro, no string area.
  std::vector<std::uint8_t> cut(file.begin(),
                                file.begin() + image::kBlockSize + kMacroRecordSize + 5);
  ASSERT_TRUE(image.Parse(cut));
  EXPECT_EQ(image.Macros().size(), 1u);
  EXPECT_EQ(image.Text(5), u"");

  // A text without terminator is taken as far as the area goes.
  std::vector<std::uint8_t> open = file;
  open[open.size() - 2] = u'y';
  ASSERT_TRUE(image.Parse(open));
  EXPECT_EQ(image.Text(700), u"xy");

  file.resize(image::kBlockSize - 1);
  EXPECT_FALSE(image.Parse(file));
  EXPECT_EQ(image.Text(5), u"abc");  // untouched by the refused parse
}

TEST(ProfileImageTest, AtMostAHundredMacrosAreTakenIn) {
  std::vector<std::uint8_t> file(image::kBlockSize + 101 * kMacroRecordSize);
  WriteImageHeader(file, 101, 0, 0);
  ProfileImage image;
  ASSERT_TRUE(image.Parse(file));
  EXPECT_EQ(image.Macros().size(), kMaxMacros);
}

TEST(ProfileImageTest, UnknownKindsAndReservedBytesSurviveALoadAndASave) {
  std::vector<std::uint8_t> file = DefaultFile();
  KeyEntry odd = Entry(static_cast<AssignKind>(42), 7, 3);
  odd.reserved = {1, 2, 3, 4, 5, 6, 7, 8};
  WriteKeyEntry(std::span(file).subspan(image::EntryOffset(100), kEntrySize), odd);
  file[40] = 0x77;  // the fixed block is never rewritten
  ProfileImage image;
  ASSERT_TRUE(image.Parse(file));
  EXPECT_EQ(image.Serialize(), file);
}

TEST(TextAtTest, ReadsUpToTheTerminatorOrTheEnd) {
  const std::vector<std::uint8_t> area{'a', 0, 'b', 0, 0, 0, 'c', 0, 'd'};
  bool terminated = false;
  EXPECT_EQ(TextAt(area, 0, &terminated), u"ab");
  EXPECT_TRUE(terminated);
  EXPECT_EQ(TextAt(area, 3, &terminated), u"b");
  EXPECT_EQ(TextAt(area, 6, &terminated), u"c");
  EXPECT_FALSE(terminated);
  EXPECT_EQ(TextAt(area, 9, &terminated), u"");  // half a character left
  EXPECT_FALSE(terminated);
  EXPECT_EQ(TextAt(area, 10), std::nullopt);
  EXPECT_EQ(TextAt({}, 0), std::nullopt);
}

}  // namespace
}  // namespace ombrex
