#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include "platform/win32.h"
#endif

namespace ombrex {
namespace {

using test::ReadText;
using test::TempDir;

TEST(FileIdentity, FollowsTheFileNotItsNameOrContent) {
  TempDir dir;
  const auto a = dir.Write("a.ini", "same");
  const auto b = dir.Write("b.ini", "same");
  const FileStamp first = StampOf(a);
  ASSERT_TRUE(first.exists && first.regular);
  EXPECT_NE(first.inode, StampOf(b).inode) << "two files, same size and content";
  EXPECT_EQ(first.device, StampOf(b).device);

  std::filesystem::rename(a, dir / "moved.ini");
  EXPECT_EQ(StampOf(dir / "moved.ini").inode, first.inode) << "a rename keeps the file";
  ASSERT_TRUE(ReplaceFileAtomically(dir / "moved.ini", "same"));
  EXPECT_NE(StampOf(dir / "moved.ini").inode, first.inode) << "a replacement is a new file";

  EXPECT_FALSE(StampOf(dir / "missing").exists);
  EXPECT_FALSE(StampOf(dir.path()).regular);
}

TEST(ReadFileStart, GivesAtMostWhatWasAskedAndOnlyOfRegularFiles) {
  TempDir dir;
  const auto file = dir.Write("data.bin", std::string(40000, 'x') + "end");
  EXPECT_EQ(ReadFileStart(file, 5), "xxxxx");
  EXPECT_EQ(ReadFileStart(file, 0), "");
  EXPECT_EQ(ReadWholeFile(file)->size(), 40003u);
  EXPECT_EQ(ReadWholeFile(file)->substr(40000), "end");
  EXPECT_EQ(ReadWholeFile(dir.Write("empty", "")), "");
  EXPECT_FALSE(ReadWholeFile(dir / "missing"));
  EXPECT_FALSE(ReadWholeFile(dir.path()));
}

#ifdef _WIN32
std::size_t EntryCount(const std::filesystem::path& folder) {
  const auto entries = std::filesystem::directory_iterator(folder);
  return static_cast<std::size_t>(std::distance(begin(entries), end(entries)));
}

// Another program's handle that does not share deletion.
HANDLE HoldWithoutSharingDeletion(const std::filesystem::path& file) {
  return CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                     OPEN_EXISTING, 0, nullptr);
}

TEST(ReplaceFileAtomically, ARefusedReplaceIsTriedAgainUntilTheOtherProgramLetsGo) {
  TempDir dir;
  const auto file = dir.Write("t.ini", "old");
  HANDLE held = HoldWithoutSharingDeletion(file);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::vector<int> refusals;
  ReplaceRetry retry;
  retry.refused = [&](int attempt) {
    refusals.push_back(attempt);
    if (attempt == 2) CloseHandle(held);
  };
  EXPECT_TRUE(ReplaceFileAtomically(file, "new", retry));
  EXPECT_EQ(refusals, (std::vector<int>{1, 2}));
  EXPECT_EQ(ReadText(file), "new");
  EXPECT_EQ(EntryCount(dir.path()), 1u);
}

TEST(ReplaceFileAtomically, AReplaceRefusedEveryTimeFailsAndLeavesTheOldFile) {
  TempDir dir;
  const auto file = dir.Write("t.ini", "old");
  const HANDLE held = HoldWithoutSharingDeletion(file);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  int refusals = 0;
  ReplaceRetry retry;
  retry.attempts = 3;
  retry.firstPause = std::chrono::milliseconds(1);
  retry.refused = [&](int) { ++refusals; };
  EXPECT_FALSE(ReplaceFileAtomically(file, "new", retry));
  CloseHandle(held);
  EXPECT_EQ(refusals, 2) << "no pause after the last attempt";
  EXPECT_EQ(ReadText(file), "old");
  EXPECT_EQ(EntryCount(dir.path()), 1u) << "no temporary file is left behind";
}

TEST(ReplaceFileAtomically, AReadOnlyFileIsRefusedAtOnceAndStaysAsItWas) {
  TempDir dir;
  const auto file = dir.Write("t.ini", "old");
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  int refusals = 0;
  ReplaceRetry retry;
  retry.refused = [&](int) { ++refusals; };
  EXPECT_FALSE(ReplaceFileAtomically(file, "new", retry));
  EXPECT_EQ(refusals, 0);
  EXPECT_EQ(ReadText(file), "old");
  EXPECT_NE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
  EXPECT_EQ(EntryCount(dir.path()), 1u);
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ReplaceFileAtomically, OurOwnReadersNeverStandInTheWay) {
  TempDir dir;
  const auto file = dir.Write("t.ini", "0");
  std::atomic<bool> done{false};
  std::atomic<int> reads{0};
  std::thread reader([&] {
    while (!done) reads += ReadWholeFile(file).has_value() && StampOf(file).exists ? 1 : 0;
  });
  int failed = 0;
  ReplaceRetry noRetry;
  noRetry.attempts = 1;
  for (int i = 0; i < 100; ++i)
    failed += ReplaceFileAtomically(file, std::to_string(i), noRetry) ? 0 : 1;
  done = true;
  reader.join();
  EXPECT_EQ(failed, 0);
  EXPECT_GT(reads.load(), 0);
}
#endif

}  // namespace
}  // namespace ombrex
