#include "model/workspace.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <unistd.h>
#endif

#include <functional>
#include <thread>

#include "model/byte_io.h"
#include "tests/support/recording_prompter.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

using test::Entry;
using test::Macro;
using test::ReadBytes;

class WorkspaceTest : public testing::Test {
 protected:
  WorkspaceTest() : workspace_(dir_.path() / "docs" / "Vantrel_09A") {
    workspace_.CreateDefaultImage({}, 0, true);
  }

  std::filesystem::path Write(std::string_view name, const std::vector<std::uint8_t>& bytes) {
    return dir_.Write(name, bytes);
  }
  // Marks a macro fresh, as the editor makes new ones.
  static MacroRecord Fresh(MacroRecord record) {
    record.fresh = 1;
    return record;
  }

  test::TempDir dir_;
  test::RecordingPrompter prompter_;
  Workspace workspace_;
};

TEST_F(WorkspaceTest, OnlyAWholeImagePassesAndOnlyAFileWithABadHeaderIsNamed) {
  EXPECT_EQ(ValidateImageFile(dir_ / "missing.fwc", prompter_), ImageResult::kFailed);
  std::vector<std::uint8_t> file = DefaultImageBlock(0);
  EXPECT_EQ(ValidateImageFile(Write("good.fwc", file), prompter_), ImageResult::kOk);
  file.pop_back();
  EXPECT_EQ(ValidateImageFile(Write("short.fwc", file), prompter_), ImageResult::kFailed);
  EXPECT_TRUE(prompter_.messages.empty());  // too short for an image: silent

  file = DefaultImageBlock(0);
  file[4] = 4;
  const auto bad = Write("bad.fwc", file);
  EXPECT_EQ(ValidateImageFile(bad, prompter_), ImageResult::kFailed);
  ASSERT_EQ(prompter_.messages.size(), 1u);
  EXPECT_EQ(prompter_.messages[0].text,
            u"wrong file format, revert to the default values: \n  " + bad.u16string());
}

TEST_F(WorkspaceTest, FilesOfFourGibibytesAreRefusedUnread) {
  const auto file = Write("huge.fwc", DefaultImageBlock(0));
  std::error_code error;
  std::filesystem::resize_file(file, std::uintmax_t{1} << 32, error);  // sparse
  if (error) GTEST_SKIP() << "no sparse files here";
  EXPECT_EQ(ValidateImageFile(file, prompter_), ImageResult::kFailed);
  EXPECT_TRUE(prompter_.messages.empty());
}

TEST_F(WorkspaceTest, ValidationRejectsFilesShorterThanTheirHeaderSays) {
  ProfileImage image;
  image.ResetToDefault();
  image.ReplaceMacros({Macro(1, u"m", 5)});
  std::vector<std::uint8_t> file = image.Serialize();
  file.resize(file.size() - 1);
  EXPECT_EQ(ValidateImageFile(Write("cut.fwc", file), prompter_), ImageResult::kFailed);
  EXPECT_EQ(prompter_.messages.size(), 1u);
}

TEST_F(WorkspaceTest, ReadOnlyFilesValidateAndLoad) {
  ProfileImage image;
  image.ResetToDefault();
  image.SetEntry(3, Entry(AssignKind::SingleKey, 0x030));
  const auto file = Write("ro.fwc", image.Serialize());
  std::filesystem::permissions(file, std::filesystem::perms::owner_read);
  EXPECT_EQ(ValidateImageFile(file, prompter_), ImageResult::kOk);
  EXPECT_EQ(workspace_.LoadImageFile(file), ImageResult::kOk);
  EXPECT_EQ(workspace_.ReadEntry(0, 3), Entry(AssignKind::SingleKey, 0x030));
}

#ifdef _WIN32
TEST_F(WorkspaceTest, FilesAnotherProgramHoldsExclusivelyCannotBeOpened) {
  const auto file = Write("busy.fwc", DefaultImageBlock(0));
  const HANDLE held =
      CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ValidateImageFile(file, prompter_), ImageResult::kCannotOpen);
  CloseHandle(held);
  EXPECT_EQ(ValidateImageFile(file, prompter_), ImageResult::kOk);
}
#else
TEST_F(WorkspaceTest, UnreadableFilesCannotBeOpened) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const auto file = Write("secret.fwc", DefaultImageBlock(0));
  std::filesystem::permissions(file, std::filesystem::perms::none);
  EXPECT_EQ(ValidateImageFile(file, prompter_), ImageResult::kCannotOpen);
}
#endif

TEST_F(WorkspaceTest, ProfileFileLivesInTheProfileFolder) {
  const auto path = workspace_.ProfileFilePath();
  EXPECT_EQ(path, workspace_.ProfileFolder() / "$Profile0");
  EXPECT_FALSE(std::filesystem::exists(workspace_.ProfileFolder()));
  EXPECT_TRUE(workspace_.EnsureProfileFolder());  // parents included
  EXPECT_TRUE(std::filesystem::is_directory(workspace_.ProfileFolder()));
}

TEST_F(WorkspaceTest, ProfileFileIsSavedOnlyWhenItExists) {
  workspace_.EnsureProfileFolder();
  EXPECT_EQ(workspace_.SaveProfileFile(), ImageResult::kNoProfileFile);
  EXPECT_FALSE(std::filesystem::exists(workspace_.ProfileFilePath()));
  ASSERT_EQ(workspace_.CreateDefaultImage(workspace_.ProfileFilePath(), 0, false),
            ImageResult::kOk);
  EXPECT_EQ(ReadBytes(workspace_.ProfileFilePath()).size(), image::kBlockSize);
  workspace_.StoreEntry(2, 30, Entry(AssignKind::Disabled));
  EXPECT_EQ(workspace_.SaveProfileFile(), ImageResult::kOk);
  Workspace other(workspace_.ProfileFolder());
  ASSERT_EQ(other.LoadImageFile(workspace_.ProfileFilePath()), ImageResult::kOk);
  EXPECT_EQ(other.ReadEntry(2, 30), Entry(AssignKind::Disabled));
}

TEST_F(WorkspaceTest, AProfileFileThatIsALinkOrAFolderIsLeftAlone) {
  using Use = Workspace::ProfileFileUse;
  const std::vector<std::uint8_t> notes{'n', 'o', 't', 'e', 's', '\n'};
  const auto image = Write("elsewhere.fwc", DefaultImageBlock(0));
  const auto text = Write("notes.txt", notes);
  struct Case {
    const char* name;
    std::function<void(const std::filesystem::path&)> make;
    Use use;
    ImageResult saved;
  };
  const Case cases[] = {
      {"nothing", [](const auto&) {}, Use::kMissing, ImageResult::kNoProfileFile},
      {"a profile image", [&](const auto& p) { std::filesystem::copy_file(image, p); },
       Use::kWritable, ImageResult::kOk},
#ifndef _WIN32
      // A Windows user cannot make a link without a privilege the tests do
      // not have; the rule is about the links of the systems where any user
      // makes them.
      {"a link to a profile image",
       [&](const auto& p) { std::filesystem::create_symlink(image, p); }, Use::kWritable,
       ImageResult::kOk},
      {"a link to notes", [&](const auto& p) { std::filesystem::create_symlink(text, p); },
       Use::kForeignLink, ImageResult::kFailed},
      {"a link to nothing",
       [&](const auto& p) { std::filesystem::create_symlink(dir_.path() / "gone", p); },
       Use::kForeignLink, ImageResult::kFailed},
#endif
      {"a folder", [](const auto& p) { std::filesystem::create_directory(p); }, Use::kFolder,
       ImageResult::kFailed},
  };
  workspace_.StoreEntry(2, 30, Entry(AssignKind::Disabled));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = workspace_.ProfileFilePath();
    std::filesystem::remove_all(workspace_.ProfileFolder());
    workspace_.EnsureProfileFolder();
    c.make(file);
    EXPECT_EQ(workspace_.ProfileFileState(), c.use);
    EXPECT_EQ(workspace_.SaveProfileFile(), c.saved);
    EXPECT_EQ(ReadBytes(text), notes);
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "gone"));
  }
#ifndef _WIN32
  // The linked image took the save.
  Workspace other(dir_.path());
  ASSERT_EQ(other.LoadImageFile(image), ImageResult::kOk);
  EXPECT_EQ(other.ReadEntry(2, 30), Entry(AssignKind::Disabled));
#endif
}

TEST_F(WorkspaceTest, FailedWritesReportFailureAndKeepTheOldFile) {
  const auto blocker = Write("blocker", {1, 2, 3});
  EXPECT_EQ(workspace_.SaveImageFile(blocker / "x.fwc"), ImageResult::kFailed);
  EXPECT_EQ(workspace_.CreateDefaultImage(blocker / "y.fwc", 0, false), ImageResult::kFailed);
  std::filesystem::create_directories(dir_ / "folder.fwc" / "inside");
  EXPECT_EQ(workspace_.SaveImageFile(dir_ / "folder.fwc"), ImageResult::kFailed);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "folder.fwc" / "inside"));
  EXPECT_EQ(ReadBytes(blocker), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(WorkspaceTest, FailedLoadLeavesADefaultImage) {
  workspace_.StoreEntry(0, 30, Entry(AssignKind::Disabled));
  workspace_.ClearWorkingImage();
  EXPECT_EQ(workspace_.LoadImageFile(dir_ / "missing.fwc"), ImageResult::kFailed);
  const auto image = workspace_.Working();
  ASSERT_TRUE(image->HasBlock());
  const auto block = image->Block();
  EXPECT_EQ(std::vector<std::uint8_t>(block.begin(), block.end()), DefaultImageBlock(0));
  EXPECT_EQ(image->TextTotal(), 0u);
}

TEST_F(WorkspaceTest, WholeImagesSurviveSaveAndLoad) {
  {
    const auto image = workspace_.Working();
    image->SetEntry(image::EntryIndex(3, 20), Entry(AssignKind::LaunchProgram));
    image->SetText(image::EntryIndex(3, 20), u"/usr/bin/true");
    image->ReplaceMacros({Macro(5, u"five", 2000, 40), Macro(1, u"one", 1)});
  }
  workspace_.StoreEntry(1, 256, Entry(AssignKind::Macro, 5, 3));
  const auto path = dir_ / "all.fwc";
  ASSERT_EQ(workspace_.SaveImageFile(path), ImageResult::kOk);
  EXPECT_EQ(ValidateImageFile(path, prompter_), ImageResult::kOk);
  Workspace other(dir_.path());
  ASSERT_EQ(other.LoadImageFile(path), ImageResult::kOk);
  EXPECT_EQ(other.Working()->Text(image::EntryIndex(3, 20)), u"/usr/bin/true");
  EXPECT_EQ(other.Working()->Macros(), workspace_.MacroList());
  EXPECT_EQ(other.ReadEntry(1, 256), Entry(AssignKind::Macro, 5, 3));
  ASSERT_EQ(other.SaveImageFile(dir_ / "again.fwc"), ImageResult::kOk);
  EXPECT_EQ(ReadBytes(dir_ / "again.fwc"), ReadBytes(path));
}

TEST_F(WorkspaceTest, StoringAnEntryReleasesItsText) {
  const auto image = workspace_.Working();
  image->SetEntry(image::EntryIndex(0, 2), Entry(AssignKind::TextBlock));
  image->SetText(image::EntryIndex(0, 2), u"hello");
  workspace_.StoreEntry(0, 2, Entry(AssignKind::SingleKey, 0x01E));
  EXPECT_EQ(image->TextTotal(), 0u);
  // A slot past the profile's 512 is not some other profile's key.
  workspace_.StoreEntry(0, 512, Entry(AssignKind::Disabled));
  EXPECT_EQ(workspace_.ReadEntry(1, 0), KeyEntry{});
  EXPECT_EQ(workspace_.ReadEntry(0, 512), KeyEntry{});
  EXPECT_EQ(workspace_.ReadEntry(0, -1), KeyEntry{});
}

TEST_F(WorkspaceTest, MacroListRulesOnTheWorkingList) {
  std::vector<MacroRecord> list{Fresh(Macro(3, u"a")), Fresh(Macro(7, u"b")),
                                Fresh(Macro(9, u"c"))};
  ASSERT_TRUE(workspace_.ApplyMacroList(list).applied);
  EXPECT_EQ(workspace_.PositionOfId(7), 1u);
  EXPECT_EQ(workspace_.IdAtPosition(2), 9);
  EXPECT_EQ(workspace_.LowestFreeId(), 1);
  for (const MacroRecord& record : list) EXPECT_EQ(record.fresh, 0);  // the editor's copies too
  for (const MacroRecord& record : workspace_.MacroList()) EXPECT_EQ(record.fresh, 0);
}

TEST_F(WorkspaceTest, ApplyingAListRepairsMacroEntries) {
  std::vector<MacroRecord> list{Fresh(Macro(1, u"a")), Fresh(Macro(2, u"b")),
                                Fresh(Macro(3, u"c"))};
  workspace_.ApplyMacroList(list);
  workspace_.StoreEntry(0, 30, Entry(AssignKind::Macro, 2, 4));
  workspace_.StoreEntry(1, 31, Entry(AssignKind::Macro, 3));
  workspace_.StoreEntry(2, 32, Entry(AssignKind::Macro, 0));
  workspace_.StoreEntry(3, 33, Entry(AssignKind::Macro, 1));

  // Macro 2 deleted; macro 3 deleted and its id given to a new macro.
  std::vector<MacroRecord> edited{Macro(1, u"a"), Fresh(Macro(3, u"new"))};
  const MacroListChange change = workspace_.ApplyMacroList(edited);
  ASSERT_TRUE(change.applied);
  EXPECT_TRUE(change.entriesChanged);
  EXPECT_EQ(change.defaultedEntries,
            (std::vector<std::size_t>{image::EntryIndex(0, 30), image::EntryIndex(1, 31)}));
  EXPECT_EQ(workspace_.ReadEntry(0, 30), Entry(AssignKind::Default, 2, 4));  // value kept
  EXPECT_EQ(workspace_.ReadEntry(1, 31), Entry(AssignKind::Default, 3));
  EXPECT_EQ(workspace_.ReadEntry(2, 32), Entry(AssignKind::Macro, 1));  // names the first macro
  EXPECT_EQ(workspace_.ReadEntry(3, 33), Entry(AssignKind::Macro, 1));

  std::vector<MacroRecord> none;
  workspace_.StoreEntry(2, 32, Entry(AssignKind::Macro, 0));
  EXPECT_TRUE(workspace_.ApplyMacroList(none).applied);
  EXPECT_EQ(workspace_.ReadEntry(2, 32), Entry(AssignKind::Macro, 0));  // nothing to name
  EXPECT_EQ(workspace_.ReadEntry(3, 33), Entry(AssignKind::Default, 1));
}

TEST_F(WorkspaceTest, OnlyAChangedOrderCallsForAllProfiles) {
  std::vector<MacroRecord> list{Fresh(Macro(1, u"a")), Fresh(Macro(2, u"b"))};
  workspace_.ApplyMacroList(list);
  workspace_.RebuildAppliedImage();
  EXPECT_FALSE(workspace_.AppliedMacroOrderChanged());

  std::vector<MacroRecord> appended{Macro(1, u"a"), Macro(2, u"b"), Fresh(Macro(3, u"c"))};
  workspace_.ApplyMacroList(appended);
  workspace_.RebuildAppliedImage();
  EXPECT_FALSE(workspace_.AppliedMacroOrderChanged());

  std::vector<MacroRecord> moved{Macro(2, u"b"), Macro(1, u"a"), Macro(3, u"c")};
  workspace_.ApplyMacroList(moved);
  EXPECT_FALSE(workspace_.AppliedMacroOrderChanged());  // not committed yet
  workspace_.RebuildAppliedImage();
  EXPECT_TRUE(workspace_.AppliedMacroOrderChanged());
  workspace_.RebuildAppliedImage();  // a failed download leaves it for the next one
  EXPECT_TRUE(workspace_.AppliedMacroOrderChanged());
  workspace_.KeyboardHasAppliedMacroOrder();
  EXPECT_FALSE(workspace_.AppliedMacroOrderChanged());

  std::vector<MacroRecord> removed{Macro(2, u"b"), Macro(1, u"a")};
  workspace_.ApplyMacroList(removed);
  workspace_.RebuildAppliedImage();
  EXPECT_TRUE(workspace_.AppliedMacroOrderChanged());
}

TEST_F(WorkspaceTest, DeletingAMacroAsksOnlyWhenAKeyPlaysIt) {
  test::TestTexts texts;
  std::vector<MacroRecord> list{Fresh(Macro(1, u"a")), Fresh(Macro(2, u"b"))};
  workspace_.ApplyMacroList(list);
  // G1 of the first bank: a key like any other.
  workspace_.StoreEntry(0, 256, Entry(AssignKind::Macro, 1, 2));
  EXPECT_TRUE(workspace_.IsMacroIdInUse(1));
  EXPECT_FALSE(workspace_.IsMacroIdInUse(2));

  EXPECT_TRUE(workspace_.ConfirmMacroDeletion(list[1], prompter_, texts.Get()));
  EXPECT_TRUE(prompter_.questions.empty());
  EXPECT_TRUE(workspace_.ConfirmMacroDeletion(Fresh(list[0]), prompter_, texts.Get()));
  EXPECT_TRUE(prompter_.questions.empty());

  EXPECT_FALSE(workspace_.ConfirmMacroDeletion(list[0], prompter_, texts.Get()));
  prompter_.ScriptAnswer(Answer::Yes);
  EXPECT_TRUE(workspace_.ConfirmMacroDeletion(list[0], prompter_, texts.Get()));
  ASSERT_EQ(prompter_.questions.size(), 2u);
  EXPECT_EQ(prompter_.questions[0], u"Keys play this macro. Delete?");
}

TEST_F(WorkspaceTest, TheAppliedImageIsACopyWithTheTextsLaidOut) {
  {
    const auto image = workspace_.Working();
    image->SetEntry(40, Entry(AssignKind::LaunchProgram, 999));
    image->SetText(40, u"prog");
  }
  std::vector<MacroRecord> list{Fresh(Macro(4, u"m", 3))};
  workspace_.ApplyMacroList(list);
  ASSERT_EQ(workspace_.RebuildAppliedImage(), ImageResult::kOk);
  workspace_.StoreEntry(0, 40,
                        Entry(AssignKind::Disabled));  // later edits stay in the working image

  const auto locked = workspace_.Applied();
  const AppliedImage& applied = *locked;
  EXPECT_EQ(applied.Entry(0, 40), Entry(AssignKind::LaunchProgram, 0));
  EXPECT_EQ(applied.stringArea.size(), 10u);
  EXPECT_EQ(bytes::Get32(applied.block, image::kStringAreaSizeAt), 10u);
  EXPECT_EQ(applied.block[image::kChecksumAt], HeaderChecksum(applied.block));
  ASSERT_EQ(applied.macros.size(), 1u);
  EXPECT_EQ(applied.macros[0].id, 4);
}

TEST_F(WorkspaceTest, EditsAndCommitsFromTwoThreadsKeepTheImagesWhole) {
  std::thread editor([this] {
    for (int i = 0; i < 200; ++i) {
      workspace_.StoreEntry(*ProfileNumber::From(i % 4), i % 256,
                            Entry(AssignKind::SingleKey, 0x01E));
      std::vector<MacroRecord> list{Macro(static_cast<std::uint16_t>(1 + i % 50), u"m", 4)};
      workspace_.ApplyMacroList(list);
      // Direct changes through the accessor are under the lock as well.
      const auto image = workspace_.Working();
      image->SetEntry(40, Entry(AssignKind::TextBlock));
      image->SetText(40, std::u16string(1 + i % 7, u't'));
    }
  });
  for (int i = 0; i < 50; ++i) {
    const auto working = workspace_.Working();
    ASSERT_EQ(workspace_.RebuildAppliedImage(), ImageResult::kOk);
    const auto locked = workspace_.Applied();
    const AppliedImage& applied = *locked;
    const ImageHeader header = ReadImageHeader(applied.block);
    EXPECT_EQ(header.macroCount, applied.macros.size());
    EXPECT_EQ(header.checksum, HeaderChecksum(applied.block));
    EXPECT_EQ(header.stringAreaSize, applied.stringArea.size());
    EXPECT_EQ(applied.stringArea.size(), working->TextTotal());
  }
  editor.join();
  EXPECT_EQ(workspace_.SaveImageFile(dir_ / "after.fwc"), ImageResult::kOk);
  EXPECT_EQ(ValidateImageFile(dir_ / "after.fwc", prompter_), ImageResult::kOk);
}

}  // namespace
}  // namespace ombrex
