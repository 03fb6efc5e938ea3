// Files given to ombrexctl are judged by the rule the program judges an
// import by, and a file that claims more than memory holds ends the tool with
// a message, never an abort.

#include <gtest/gtest.h>

#include "model/image_file.h"
#include "model/workspace.h"
#include "tests/support/memory/allocations.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"
#include "tests/support/ombrexctl/ctl_run.h"
#include "tools/ombrexctl/ctl_commands.h"

namespace ombrex::ctl {
namespace {

class ReadingTest : public testing::Test {
 protected:
  std::filesystem::path Sparse(const std::string& name, std::uint64_t size) {
    const auto file = dir_.Write(name, DefaultImageBlock(0));
    std::filesystem::resize_file(file, size);
    return file;
  }
  ombrex::test::TempDir dir_;
};

TEST_F(ReadingTest, TheToolAndTheProgramAgreeOnEverySizeAtTheEdges) {
  const std::vector<std::uint64_t> sizes{image::kBlockSize - 1, image::kBlockSize,
                                         image::kLargestFileSize - 1, image::kLargestFileSize,
                                         image::kLargestFileSize + 1};
  for (const std::uint64_t size : sizes) {
    const auto file = Sparse("edge.fwc", size);
    ombrex::test::RecordingPrompter prompter;
    const bool programTakesIt = ValidateImageFile(file, prompter) == ImageResult::kOk;
    const test::CtlRun validate = test::Ctl({"validate", file.string()});
    EXPECT_EQ(validate.exitCode, programTakesIt ? 0 : 1) << size << ": " << validate.err;
    EXPECT_EQ(programTakesIt, size >= image::kBlockSize && size <= image::kLargestFileSize) << size;
    if (size > image::kLargestFileSize) {
      EXPECT_NE(validate.err.find("larger than any profile image"), std::string::npos)
          << validate.err;
    }
    std::filesystem::remove(file);
  }
}

// `command` with memory running out at its first allocation, then at its
// second, and so on until it runs through: every run cut short ends with 1 and
// says why; none throws or aborts.
void AtEveryAllocation(const std::vector<std::string>& command) {
  for (std::size_t allowed = 0;; ++allowed) {
    test::FixedStream out;
    test::FixedStream err;
    int exitCode = -1;
    bool refused = false;
    {
      ombrex::test::FailingAllocations failing(allowed);
      exitCode = RunCtl(command, out, err);
      refused = failing.Refused();
    }
    if (!refused) {
      EXPECT_EQ(exitCode, 0) << command[0] << " with enough memory: " << err.Text();
      EXPECT_GT(allowed, 0u);
      return;
    }
    ASSERT_EQ(exitCode, 1) << command[0] << ", memory gone at allocation " << allowed;
    EXPECT_NE(err.Text().find("memory"), std::string::npos) << err.Text();
  }
}

TEST_F(ReadingTest, RunningOutOfMemoryAnywhereEndsWithOneAndAMessage) {
  ProfileImage image;
  image.ResetToDefault();
  MacroRecord macro;
  macro.id = 1;
  macro.SetName(u"Combo");
  macro.count = 2;
  image.ReplaceMacros({macro});
  const std::size_t launch = image::EntryIndex(1, 40);
  image.SetEntry(launch, {static_cast<std::uint16_t>(AssignKind::LaunchProgram)});
  image.SetText(launch, u"/usr/bin/true");
  const std::string file = dir_.Write("image.fwc", image.Serialize()).string();
  AtEveryAllocation({"validate", file});
  AtEveryAllocation({"dump", file});
  AtEveryAllocation({"dump", file, "--json"});
}

}  // namespace
}  // namespace ombrex::ctl
