// Memory running out at any allocation of an image operation: the operation
// gives kOutOfMemory (no exception leaves it), and the images and files stay
// whole.

#include <gtest/gtest.h>

#include <functional>

#include "model/workspace.h"
#include "tests/support/memory/allocations.h"
#include "tests/support/recording_prompter.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

using test::Entry;
using test::Macro;
using test::ReadBytes;

// Runs `operation` with memory running out at its first allocation, then at
// its second, and so on until it runs through; `afterRefusal` checks each
// run that was cut short. Returns how many runs were cut short. The
// operation must not allocate anything of its own outside the code under test.
std::size_t AtEveryAllocation(const std::function<ImageResult()>& operation,
                              const std::function<void()>& afterRefusal) {
  for (std::size_t allowed = 0;; ++allowed) {
    ImageResult result = ImageResult::kOk;
    bool refused = false;
    {
      test::FailingAllocations failing(allowed);
      result = operation();
      refused = failing.Refused();
    }
    if (!refused) {
      EXPECT_EQ(result, ImageResult::kOk) << "with enough memory";
      return allowed;
    }
    EXPECT_EQ(result, ImageResult::kOutOfMemory) << "memory ran out at allocation " << allowed;
    afterRefusal();
  }
}

class OutOfMemoryTest : public testing::Test {
 protected:
  OutOfMemoryTest() : workspace_(dir_.path()) {
    workspace_.CreateDefaultImage({}, 0, true);
    {
      const auto image = workspace_.Working();
      image->SetEntry(5, Entry(AssignKind::LaunchProgram));
      image->SetText(5, u"/usr/bin/true");
      image->SetEntry(700, Entry(AssignKind::TextBlock));
      image->SetText(700, u"typed text");
    }
    std::vector<MacroRecord> macros{Macro(1, u"one", 4), Macro(2, u"two", 2)};
    workspace_.ApplyMacroList(macros);
    workspace_.StoreEntry(1, 30, Entry(AssignKind::Macro, 2));
  }

  test::TempDir dir_;
  test::RecordingPrompter prompter_;
  Workspace workspace_;
};

TEST_F(OutOfMemoryTest, ASaveCutShortLeavesTheOldFileOrTheWholeNewOne) {
  ASSERT_EQ(workspace_.SaveImageFile(dir_ / "expected.fwc"), ImageResult::kOk);
  const std::vector<std::uint8_t> saved = ReadBytes(dir_ / "expected.fwc");
  const std::vector<std::uint8_t> old{1, 2, 3};
  const auto target = dir_.Write("target.fwc", old);
  const std::size_t refusals = AtEveryAllocation([&] { return workspace_.SaveImageFile(target); },
                                                 [&] {
                                                   const std::vector<std::uint8_t> now =
                                                       ReadBytes(target);
                                                   EXPECT_TRUE(now == old || now == saved);
                                                 });
  EXPECT_GT(refusals, 0u);
  EXPECT_EQ(ReadBytes(target), saved);
  // No temporary file of a refused write stays behind.
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    files += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(files, 2u);
}

TEST_F(OutOfMemoryTest, ALoadCutShortLeavesNoPartOfTheFile) {
  const auto file = dir_ / "image.fwc";
  ASSERT_EQ(workspace_.SaveImageFile(file), ImageResult::kOk);
  Workspace other(dir_.path());
  AtEveryAllocation([&] { return other.LoadImageFile(file); },
                    [&] {
                      const auto image = other.Working();
                      const auto block = image->Block();
                      const bool isDefault =
                          std::vector<std::uint8_t>(block.begin(), block.end()) ==
                          DefaultImageBlock(0);
                      EXPECT_TRUE(!image->HasBlock() || isDefault);
                      EXPECT_TRUE(image->Macros().empty());
                      EXPECT_EQ(image->TextTotal(), 0u);
                    });
  EXPECT_EQ(other.Working()->Text(700), u"typed text");
}

TEST_F(OutOfMemoryTest, ValidationAndProfileFileSaveReportTheLackOfMemory) {
  const auto file = dir_ / "image.fwc";
  ASSERT_EQ(workspace_.SaveImageFile(file), ImageResult::kOk);
  EXPECT_GT(AtEveryAllocation([&] { return ValidateImageFile(file, prompter_); }, [] {}), 0u);
  EXPECT_TRUE(prompter_.messages.empty());

  ASSERT_EQ(workspace_.CreateDefaultImage(workspace_.ProfileFilePath(), 0, false),
            ImageResult::kOk);
  EXPECT_GT(AtEveryAllocation([&] { return workspace_.SaveProfileFile(); }, [] {}), 0u);
}

TEST_F(OutOfMemoryTest, ACommitCutShortKeepsTheAppliedImageThatWas) {
  ASSERT_EQ(workspace_.RebuildAppliedImage(), ImageResult::kOk);
  const AppliedImage before = *workspace_.Applied();
  workspace_.StoreEntry(0, 30, Entry(AssignKind::Disabled));
  AtEveryAllocation([&] { return workspace_.RebuildAppliedImage(); },
                    [&] {
                      const auto applied = workspace_.Applied();
                      EXPECT_EQ(applied->block, before.block);
                      EXPECT_EQ(applied->macros, before.macros);
                      EXPECT_EQ(applied->stringArea, before.stringArea);
                    });
  EXPECT_EQ(workspace_.Applied()->Entry(0, 30), Entry(AssignKind::Disabled));
}

TEST_F(OutOfMemoryTest, AMacroListThatCannotBeTakenChangesNoEntry) {
  const std::vector<MacroRecord> macrosBefore = workspace_.MacroList();
  for (std::size_t allowed = 0;; ++allowed) {
    std::vector<MacroRecord> none;
    MacroListChange change;
    bool refused = false;
    {
      test::FailingAllocations failing(allowed);
      change = workspace_.ApplyMacroList(none);
      refused = failing.Refused();
    }
    if (!refused) break;
    EXPECT_FALSE(change.applied);
    EXPECT_EQ(workspace_.ReadEntry(1, 30), Entry(AssignKind::Macro, 2)) << allowed;
    EXPECT_EQ(workspace_.MacroList(), macrosBefore);
  }
  EXPECT_EQ(workspace_.ReadEntry(1, 30), Entry(AssignKind::Default, 2));
}

}  // namespace
}  // namespace ombrex
