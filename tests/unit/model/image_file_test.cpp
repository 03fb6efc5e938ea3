// A user's profile file is read as far as its header claims and no further,
// and the size rule that decides whether it is read at all is the same for
// every door (here the check before an import).

#include "model/image_file.h"

#include <gtest/gtest.h>

#include "model/workspace.h"
#include "tests/support/memory/allocations.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"

namespace ombrex {
namespace {

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
// Far below any of the file sizes below: what reading a header and a block
// may cost.
constexpr std::size_t kSmallRead = 1 << 20;
constexpr std::uint32_t kOverRule = std::uint32_t(image::kLargestStringAreaSize + 2);

// A default block whose header claims a string area of `area` bytes (with
// its checksum right, so only the claim itself can be judged).
std::vector<std::uint8_t> Claiming(std::uint32_t area, std::uint16_t macros = 0) {
  std::vector<std::uint8_t> block = DefaultImageBlock(0);
  WriteImageHeader(block, macros, area, 0);
  return block;
}

struct SizeCase {
  const char* name;
  std::vector<std::uint8_t> start;  // the file's first bytes
  std::uint64_t size;               // the file's length, the rest a hole
  ImageFileVerdict verdict;
  ImageCheck check;
  ImageResult validated;  // what the check before an import gives
};

class ImageFileTest : public testing::Test {
 protected:
  // A sparse file: as long as asked, without the disk or memory that costs.
  std::filesystem::path Sparse(const char* name, const std::vector<std::uint8_t>& start,
                               std::uint64_t size) {
    const auto file = dir_.Write(name, start);
    std::filesystem::resize_file(file, size);
    return file;
  }

  test::TempDir dir_;
};

TEST_F(ImageFileTest, OnlyWhatTheHeaderClaimsIsEverReadAndTheSizeRuleIsOneRule) {
  const std::uint32_t largestArea = std::uint32_t(image::kLargestFileSize - image::kBlockSize);
  std::vector<std::uint8_t> badFields = Claiming(largestArea, 0xFFFF);  // 65535 macros
  badFields[image::kChecksumAt] = HeaderChecksum(badFields);
  const std::vector<SizeCase> cases{
      {"one byte short of the block", std::vector<std::uint8_t>(100, 0x46), image::kBlockSize - 1,
       ImageFileVerdict::kInvalid, ImageCheck::TooShort, ImageResult::kFailed},
      {"the bare block", Claiming(0), image::kBlockSize, ImageFileVerdict::kValid,
       ImageCheck::Valid, ImageResult::kOk},
      // Longer than its header says is allowed; the rest is never read.
      {"just under 4 GiB claiming the block", Claiming(0), image::kLargestFileSize - 1,
       ImageFileVerdict::kValid, ImageCheck::Valid, ImageResult::kOk},
      {"the largest allowed size", Claiming(0), image::kLargestFileSize, ImageFileVerdict::kValid,
       ImageCheck::Valid, ImageResult::kOk},
      {"4 GiB", Claiming(0), image::kLargestFileSize + 1, ImageFileVerdict::kTooLarge,
       ImageCheck::Valid, ImageResult::kFailed},
      // A consistent claim the file cannot back is refused before it is read.
      {"1 MiB claiming 100 MiB", Claiming(100 << 20), 1 << 20, ImageFileVerdict::kInvalid,
       ImageCheck::Truncated, ImageResult::kFailed},
      // So is a claim no image makes, even where the file could back it.
      {"a text area one step over the largest", Claiming(kOverRule), image::kBlockSize + kOverRule,
       ImageFileVerdict::kTooLarge, ImageCheck::TooLarge, ImageResult::kFailed},
      {"4 GiB claiming it all", Claiming(largestArea), image::kLargestFileSize,
       ImageFileVerdict::kTooLarge, ImageCheck::TooLarge, ImageResult::kFailed},
      {"a header no image has", badFields, kGiB, ImageFileVerdict::kInvalid, ImageCheck::BadHeader,
       ImageResult::kFailed},
  };
  for (const SizeCase& c : cases) {
    const auto file = Sparse(c.name, c.start, c.size);
    test::AllocationCounter counter;
    const ImageFileRead read = ReadImageFile(file);
    EXPECT_LT(counter.largest(), kSmallRead) << c.name;
    EXPECT_EQ(read.verdict, c.verdict) << c.name;
    EXPECT_EQ(read.check, c.check) << c.name;
    if (read.verdict == ImageFileVerdict::kValid) {
      EXPECT_EQ(read.bytes.size(), image::kBlockSize) << c.name;
    }
    test::RecordingPrompter prompter;
    EXPECT_EQ(ValidateImageFile(file, prompter), c.validated) << c.name;
    std::filesystem::remove(file);
  }
}

TEST_F(ImageFileTest, TheProfileFileLoaderKeepsTheSameSizeRule) {
  Workspace workspace(dir_.path());
  const auto file = Sparse("$Profile0", Claiming(kOverRule), image::kBlockSize + kOverRule);
  test::AllocationCounter counter;
  EXPECT_EQ(workspace.LoadImageFile(file), ImageResult::kFailed);
  EXPECT_LT(counter.largest(), kSmallRead);
}

TEST_F(ImageFileTest, AFileThatIsNoRegularFileIsMissing) {
  EXPECT_EQ(ReadImageFile(dir_ / "nothing.fwc").verdict, ImageFileVerdict::kMissing);
  std::filesystem::create_directory(dir_ / "folder.fwc");
  EXPECT_EQ(ReadImageFile(dir_ / "folder.fwc").verdict, ImageFileVerdict::kMissing);
}

}  // namespace
}  // namespace ombrex
