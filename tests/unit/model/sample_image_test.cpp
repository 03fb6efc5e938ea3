// The sample profile file under tests/data/model is what this program writes
// for a known image: one of every assignment kind, macros and texts. Other
// suites (the command-line tool, end-to-end runs) use it as input, and a change
// of the file format shows here first.
//
// To write the file anew after a deliberate format change:
//   OMBREX_WRITE_SAMPLES=1 model_tests --gtest_filter='SampleImageTest.*'

#include <gtest/gtest.h>

#include <cstdlib>

#include "model/workspace.h"
#include "tests/support/recording_prompter.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

using test::Entry;
using test::Macro;

std::filesystem::path SampleFile() {
  const char* data = std::getenv("OMBREX_TEST_DATA");
  return std::filesystem::path(data != nullptr ? data : "tests/data") / "model" / "sample.fwc";
}

// Profile 0: every kind on the first keys; profile 1: G keys of both banks;
// two macros, a program path and a text block.
void BuildSample(Workspace& workspace) {
  workspace.CreateDefaultImage({}, 0, true);
  std::vector<MacroRecord> macros{Macro(1, u"Greeting", 6, 120), Macro(2, u"Fire", 2, 40950)};
  macros[1].cycles = 3;
  workspace.ApplyMacroList(macros);
  workspace.StoreEntry(0, 0x01E, Entry(AssignKind::SingleKey, 0x030));  // A sends B
  workspace.StoreEntry(0, 0x030, Entry(AssignKind::SingleKey, 0x15B));  // B sends left Windows
  workspace.StoreEntry(0, 0x02E, Entry(AssignKind::SingleKey, 0x171));  // C clicks
  workspace.StoreEntry(0, 0x020, Entry(AssignKind::Macro, 1, 1));       // D plays Greeting
  workspace.StoreEntry(0, 0x012, Entry(AssignKind::Media, 7));          // E mutes
  workspace.StoreEntry(0, 0x021, Entry(AssignKind::Function, 4));       // F copies
  workspace.StoreEntry(0, 0x022, Entry(AssignKind::Disabled));          // G does nothing
  workspace.StoreEntry(0, 0x023, Entry(AssignKind::StopMacro));         // H stops a macro
  workspace.StoreEntry(1, 256, Entry(AssignKind::Macro, 2, 3));         // G1 plays Fire
  workspace.StoreEntry(1, 266, Entry(AssignKind::SingleKey, 0x162, 0x1302));
  const auto image = workspace.Working();
  image->SetEntry(image::EntryIndex(2, 0x024), Entry(AssignKind::LaunchProgram));
  image->SetText(image::EntryIndex(2, 0x024), u"/usr/bin/xterm");
  image->SetEntry(image::EntryIndex(3, 0x025), Entry(AssignKind::TextBlock));
  image->SetText(image::EntryIndex(3, 0x025), u"Hello, keyboard");
}

TEST(SampleImageTest, TheSampleFileIsWhatTheProgramWrites) {
  test::TempDir dir;
  Workspace workspace(dir.path());
  BuildSample(workspace);
  if (std::getenv("OMBREX_WRITE_SAMPLES") != nullptr) {
    std::filesystem::create_directories(SampleFile().parent_path());
    ASSERT_EQ(workspace.SaveImageFile(SampleFile()), ImageResult::kOk);
  }
  ASSERT_EQ(workspace.SaveImageFile(dir / "now.fwc"), ImageResult::kOk);
  ASSERT_TRUE(std::filesystem::exists(SampleFile())) << SampleFile();
  EXPECT_EQ(test::ReadBytes(dir / "now.fwc"), test::ReadBytes(SampleFile()));
  test::RecordingPrompter prompter;
  EXPECT_EQ(ValidateImageFile(SampleFile(), prompter), ImageResult::kOk);
}

}  // namespace
}  // namespace ombrex
