#include "platform/command_line.h"

#include <gtest/gtest.h>

#include "platform/file_io.h"
#include "tests/support/temp_dir.h"

namespace ombrex {
namespace {

TEST(Utf8Paths, FileNamesOutsideAsciiSurviveTheRoundTripAndReachTheDisk) {
  for (const std::string name :
       {"plain.fwc", "中文 路径.fwc", "Überschrift ñ.ini", "emoji 😀.fwc"}) {
    EXPECT_EQ(Utf8FromPath(PathFromUtf8(name)), name);
    test::TempDir dir;
    ASSERT_TRUE(ReplaceFileAtomically(dir.path() / PathFromUtf8(name), "x")) << name;
    const auto entry = *std::filesystem::directory_iterator(dir.path());
    EXPECT_EQ(Utf8FromPath(entry.path().filename()), name);
    EXPECT_EQ(ReadWholeFile(PathFromUtf8(Utf8FromPath(dir.path()) + "/" + name)), "x");
  }
}

#ifndef _WIN32
// Windows takes the words from the process's own command line instead; the
// process-launch tests start a program that reports what it got.
TEST(Utf8Arguments, AreTheWordsAfterTheProgramName) {
  char program[] = "ombrexctl";
  char first[] = "read";
  char second[] = "中文.fwc";
  char* argv[] = {program, first, second, nullptr};
  EXPECT_EQ(Utf8Arguments(3, argv), (std::vector<std::string>{"read", "中文.fwc"}));
  EXPECT_TRUE(Utf8Arguments(0, argv).empty());
}
#endif

}  // namespace
}  // namespace ombrex
