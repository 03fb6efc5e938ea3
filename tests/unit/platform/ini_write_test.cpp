#include <gtest/gtest.h>

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include "platform/file_io.h"
#include "platform/ini.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/platform/ini_test_util.h"

namespace ombrex::ini {
namespace {

using test::ReadText;
using test::TempDir;
using test::Utf16LeBytes;
using test::Utf8Bytes;

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

#ifndef _WIN32
// Writes beyond this size fail with EFBIG, for root as for anyone else.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t oldHandler_;
};
#endif

class IniWrite : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(IniWrite, NewFileIsUtf16WithBomAndCrLf) {
  const auto file = dir_ / "new.ini";
  ASSERT_TRUE(WriteString(file, u"Section", u"key", u"value"));
  EXPECT_EQ(ReadText(file), Utf16LeBytes(u"[Section]\r\nkey=value\r\n"));
  ASSERT_TRUE(WriteString(file, u"Section", u"second", u"中"));
  EXPECT_EQ(ReadText(file), Utf16LeBytes(u"[Section]\r\nkey=value\r\nsecond=中\r\n"));
}

TEST_F(IniWrite, KeysAndSectionsGoWhereTheyBelongAndOtherLinesStay) {
  const auto file = dir_.Write("t.ini",
                               "; header comment\r\n"
                               "[A]\r\n"
                               "KeyOne = 1\r\n"
                               "; about x\r\n"
                               "x=2\r\n"
                               "; about section B\r\n"
                               "\r\n"
                               "[B]\r\n"
                               "y=3");
  ASSERT_TRUE(WriteString(file, u"a", u"keyone", u"9"));
  ASSERT_TRUE(WriteString(file, u"A", u"new", u"n"));
  ASSERT_TRUE(WriteString(file, u"B", u"z", u"4"));
  ASSERT_TRUE(WriteString(file, u"C", u"w", u"5"));
  EXPECT_EQ(ReadText(file),
            "; header comment\r\n"
            "[A]\r\n"
            "KeyOne=9\r\n"
            "; about x\r\n"
            "x=2\r\n"
            "new=n\r\n"
            "; about section B\r\n"
            "\r\n"
            "[B]\r\n"
            "y=3\r\n"
            "z=4\r\n"
            "[C]\r\n"
            "w=5\r\n");
}

TEST_F(IniWrite, UnchangedLinesKeepTheirExactBytes) {
  const std::string original = "[S]\nlatin=caf\xE9\n  odd   spacing   =  x  \nk=old\n";
  const auto file = dir_.Write("t.ini", original);
  ASSERT_TRUE(WriteString(file, u"S", u"k", u"new"));
  EXPECT_EQ(ReadText(file), "[S]\nlatin=caf\xE9\n  odd   spacing   =  x  \nk=new\n");
}

TEST_F(IniWrite, RewriteKeepsTheFileEncoding) {
  const std::u16string before = u"[S]\r\nk=v\r\n";
  const std::u16string after = u"[S]\r\nk=v\r\n名=值\r\n";
  struct Case {
    const char* name;
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {"utf16 bom", Utf16LeBytes(before), Utf16LeBytes(after)},
      {"utf16", Utf16LeBytes(before, false), Utf16LeBytes(after, false)},
      {"utf8 bom", Utf8Bytes(before, true), Utf8Bytes(after, true)},
      {"ascii", Utf8Bytes(before), Utf8Bytes(after)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto file = dir_.Write(std::string(c.name) + ".ini", c.bytes);
    ASSERT_TRUE(WriteString(file, u"S", u"名", u"值"));
    EXPECT_EQ(ReadText(file), c.expected);
    EXPECT_EQ(ReadString(file, u"s", u"名", u""), u"值");
  }
}

TEST_F(IniWrite, UnchangedValueLeavesTheFileAlone) {
  const auto file = dir_.Write("t.ini", "[S]\nk=same\n");
  const FileStamp before = StampOf(file);
  ASSERT_TRUE(WriteString(file, u"s", u"K", u"same"));
  EXPECT_EQ(StampOf(file), before) << "a rename would have given a new inode";
  ASSERT_TRUE(WriteString(file, u"S", u"k", u"changed"));
  EXPECT_NE(StampOf(file).inode, before.inode);
}

TEST_F(IniWrite, NullValueDeletesTheKeyAndNullKeyTheSection) {
  const auto file = dir_.Write("t.ini",
                               "[A]\r\nk=1\r\nk=2\r\nkeep=3\r\n"
                               "[B]\r\n; note\r\nb=1\r\n"
                               "[C]\r\nc=1\r\n");
  ASSERT_TRUE(WriteString(file, u"A", u"k", std::nullopt));
  EXPECT_EQ(ReadString(file, u"A", u"k", u""), u"2") << "the duplicate now shows";
  ASSERT_TRUE(WriteString(file, u"b", std::nullopt, std::nullopt));
  EXPECT_EQ(ReadText(file), "[A]\r\nk=2\r\nkeep=3\r\n[C]\r\nc=1\r\n");

  const FileStamp before = StampOf(file);
  EXPECT_TRUE(WriteString(file, u"A", u"absent", std::nullopt));
  EXPECT_TRUE(WriteString(file, u"Absent", std::nullopt, std::nullopt));
  EXPECT_EQ(StampOf(file), before);
  EXPECT_TRUE(WriteString(dir_ / "none.ini", u"A", u"k", std::nullopt));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "none.ini"));
}

TEST_F(IniWrite, DuplicatesChangeOnlyTheFirst) {
  const auto file = dir_.Write("t.ini", "[S]\nk=1\n[S]\nk=2\n");
  ASSERT_TRUE(WriteString(file, u"S", u"k", u"9"));
  EXPECT_EQ(ReadText(file), "[S]\nk=9\n[S]\nk=2\n");
  ASSERT_TRUE(WriteString(file, u"S", std::nullopt, std::nullopt));
  EXPECT_EQ(ReadText(file), "[S]\nk=2\n");
}

TEST_F(IniWrite, TextThatWouldNotReadBackIsRefused) {
  const std::string original = "[S]\r\nk=v\r\n";
  const auto file = dir_.Write("t.ini", original);
  EXPECT_FALSE(WriteString(file, u"S", u"k", u"x\r\n[Injected]\r\nevil=1"));
  EXPECT_FALSE(WriteString(file, u"S", u"a=b", u"1"));
  EXPECT_FALSE(WriteString(file, u"S", u" [x", u"1"));
  EXPECT_FALSE(WriteString(file, u"S", u";x", u"1"));
  EXPECT_FALSE(WriteString(file, u"S]x", u"k", u"1"));
  EXPECT_FALSE(WriteString(file, u"S\n", u"k", u"1"));
  EXPECT_EQ(ReadText(file), original);
}

TEST_F(IniWrite, FailedWritesReportFailureAndKeepTheOldFile) {
  // Target is a folder: nothing can be renamed over it.
  std::filesystem::create_directory(dir_ / "folder.ini");
  EXPECT_FALSE(WriteString(dir_ / "folder.ini", u"S", u"k", u"v"));
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "folder.ini"));

  // Parent is a regular file: no temporary file can be made.
  dir_.Write("plain", "x");
  EXPECT_FALSE(WriteString(dir_ / "plain" / "t.ini", u"S", u"k", u"v"));
}

#ifndef _WIN32
TEST_F(IniWrite, AWriteThatRunsOutOfSpaceKeepsTheOldFile) {
  // The disk fills up in the middle of the write.
  const std::string original = "[S]\r\nk=old\r\n";
  const auto file = dir_.Write("t.ini", original);
  const auto entriesBefore = FolderEntries(dir_.path());
  {
    FileSizeLimit limit(64);
    EXPECT_FALSE(WriteString(file, u"S", u"k", std::u16string(500, u'x')));
  }
  EXPECT_EQ(ReadText(file), original);
  EXPECT_EQ(FolderEntries(dir_.path()), entriesBefore) << "no temporary file is left behind";
  EXPECT_EQ(ReadString(file, u"S", u"k", u""), u"old");
}

TEST_F(IniWrite, KeepsPermissionsAndFollowsLinks) {
  const auto file = dir_.Write("t.ini", "[S]\nk=1\n");
  std::filesystem::permissions(file, std::filesystem::perms(0640));
  ASSERT_TRUE(WriteString(file, u"S", u"k", u"2"));
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms(0640));

  std::filesystem::create_symlink(file, dir_ / "link.ini");
  ASSERT_TRUE(WriteString(dir_ / "link.ini", u"S", u"k", u"3"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "link.ini"));
  EXPECT_EQ(ReadString(file, u"S", u"k", u""), u"3");
}
#endif

#ifdef _WIN32
// Another program holds the file open without sharing its deletion: Windows
// refuses the rename until it lets go.
TEST_F(IniWrite, AReplaceRefusedByAnotherProgramFailsAndKeepsTheOldFile) {
  const std::string original = "[S]\r\nk=old\r\n";
  const auto file = dir_.Write("t.ini", original);
  const auto entriesBefore = FolderEntries(dir_.path());
  const HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(WriteString(file, u"S", u"k", u"new"));
  CloseHandle(held);
  EXPECT_EQ(ReadText(file), original);
  EXPECT_EQ(FolderEntries(dir_.path()), entriesBefore) << "no temporary file is left behind";
  EXPECT_EQ(ReadString(file, u"S", u"k", u""), u"old");
  EXPECT_TRUE(WriteString(file, u"S", u"k", u"new"));
}
#endif

TEST_F(IniWrite, WritingIntoAFileWithoutFinalLineBreak) {
  const auto file = dir_.Write("t.ini", "[S]\r\nk=v");
  ASSERT_TRUE(WriteString(file, u"S", u"n", u"w"));
  EXPECT_EQ(ReadText(file), "[S]\r\nk=v\r\nn=w\r\n");
  const auto other = dir_.Write("u.ini", "[S]\r\nk=v");
  ASSERT_TRUE(WriteString(other, u"T", u"n", u"w"));
  EXPECT_EQ(ReadText(other), "[S]\r\nk=v\r\n[T]\r\nn=w\r\n");
}

TEST_F(IniWrite, SeveralKeysOfASectionGoInOneRewrite) {
  const auto file = dir_ / "modes.ini";
  ASSERT_TRUE(WriteString(file, u"Mode0", u"26", u"1,1,1,1"));
  const FileStamp before = StampOf(file);
  const KeyValue values[] = {{u"26", u"9,9,9,1"}, {u"38", u"2,2,2,1"}, {u"26", u"3,3,3,0"}};
  ASSERT_TRUE(WriteStrings(file, u"Mode0", values));
  EXPECT_EQ(ReadText(file), Utf16LeBytes(u"[Mode0]\r\n26=3,3,3,0\r\n38=2,2,2,1\r\n"));
  EXPECT_NE(StampOf(file).inode, before.inode);  // replaced, as every write

  // Nothing changed: nothing written. One unwritable key: nothing written.
  const FileStamp after = StampOf(file);
  ASSERT_TRUE(WriteStrings(file, u"Mode0", std::span(values).last(2)));
  EXPECT_EQ(StampOf(file), after);
  const KeyValue broken[] = {{u"40", u"1,1,1,1"}, {u"a=b", u"1"}};
  EXPECT_FALSE(WriteStrings(file, u"Mode0", broken));
  EXPECT_EQ(ReadText(file), Utf16LeBytes(u"[Mode0]\r\n26=3,3,3,0\r\n38=2,2,2,1\r\n"));
}

}  // namespace
}  // namespace ombrex::ini
