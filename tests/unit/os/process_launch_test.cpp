#include "platform/process_launch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tests/support/file_change.h"
#include "tests/support/portable.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include "platform/win32.h"
// After windows.h, which it needs.
#include <shellapi.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace ombrex {
namespace {

using namespace std::chrono_literals;

// Waits for a file that a started program writes (renamed into place when
// complete); the limit only guards against a hang.
std::string AwaitFile(const std::filesystem::path& file) {
  test::UntilChanged(
      {file.parent_path()}, [&] { return std::filesystem::exists(file); }, 30s);
  return test::ReadText(file);
}

TEST(WindowsCommandLine, QuotesOnlyWhatWouldOtherwiseSplitOrChange) {
  const struct {
    std::u16string word;
    std::u16string quoted;
  } cases[] = {
      {u"plain", u"plain"},
      {u"C:\\Program Files\\Ombrex", u"\"C:\\Program Files\\Ombrex\""},
      {u"", u"\"\""},
      {u"tab\there", u"\"tab\there\""},
      {u"say \"hi\"", u"\"say \\\"hi\\\"\""},
      {u"a\\\\b", u"a\\\\b"},      // no quote follows: literal
      {u"end\\ ", u"\"end\\ \""},  // not before the closing quote
      {u"folder\\ with space\\", u"\"folder\\ with space\\\\\""},
      {u"\\\"", u"\"\\\\\\\"\""},  // backslash, quote
      {u"中文 路径", u"\"中文 路径\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QuoteWindowsArgument(c.word), c.quoted) << Utf8FromUtf16(c.word);
  }
  EXPECT_EQ(WindowsCommandLine("C:/Tools/ZaRezavu.exe", {"a b", "/Kill"}),
            u"C:/Tools/ZaRezavu.exe \"a b\" /Kill");
}

#ifdef _WIN32

std::vector<std::u16string> SplitAsWindowsDoes(const std::u16string& line) {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(reinterpret_cast<const wchar_t*>(line.c_str()), &count);
  std::vector<std::u16string> split;
  for (int i = 0; i < count; ++i) {
    const std::wstring word = words[i];
    split.emplace_back(word.begin(), word.end());
  }
  LocalFree(words);
  return split;
}

TEST(WindowsCommandLine, EveryWordComesBackAsWindowsSplitsTheLine) {
  const std::vector<std::string> words = {"",           "two words",           "\"",   "a\\\\\"b",
                                          "trailing\\", "\\\\server\\share\\", "中文", "\t"};
  const std::vector<std::u16string> split =
      SplitAsWindowsDoes(WindowsCommandLine("C:\\Program Files\\x.exe", words));
  ASSERT_EQ(split.size(), words.size() + 1);
  EXPECT_EQ(split[0], u"C:\\Program Files\\x.exe");
  for (std::size_t i = 0; i < words.size(); ++i) {
    EXPECT_EQ(Utf8FromUtf16(split[i + 1]), words[i]) << i;
  }
}

TEST(ProcessLaunchTest, StartsTheProgramHiddenWithItsArgumentsInUtf16) {
  test::TempDir dir;
  const std::filesystem::path out = dir / "out.txt";
  ASSERT_TRUE(StartDetached(OMBREX_ARGUMENT_REPORT,
                            {Utf8FromPath(out), "hello world", "中文", "say \"hi\"", ""}));
  EXPECT_EQ(AwaitFile(out), "hello world\n中文\nsay \"hi\"\n\nconsole=none\n");
}

#else

TEST(ProcessLaunchTest, StartsTheProgramDetachedWithItsArgumentsAndLeavesNoChild) {
  test::TempDir dir;
  const std::filesystem::path script =
      dir.Write("report.sh",
                "#!/bin/sh\n"
                "out=\"$1\"\n"
                "echo \"$2 $(readlink /proc/$$/fd/0) $(readlink /proc/$$/fd/1) "
                "$(cut -d' ' -f6 /proc/$$/stat)\" > \"$out.tmp\" && mv \"$out.tmp\" \"$out\"\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  const std::filesystem::path out = dir / "out.txt";

  ASSERT_TRUE(StartDetached(script, {out.string(), "hello"}));

  const std::string report = AwaitFile(out);
  ASSERT_EQ(report.rfind("hello /dev/null /dev/null ", 0), 0u) << report;
  const long session = std::stol(report.substr(report.rfind(' ') + 1));
  EXPECT_NE(session, static_cast<long>(::getsid(0)));
  // Nothing is left for this process to wait for.
  errno = 0;
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

#endif

TEST(ProcessLaunchTest, AProgramThatCannotStartIsReported) {
  test::TempDir dir;
  EXPECT_FALSE(StartDetached(dir / "missing.exe"));
  // Named and marked as a program would be, but text.
  const std::filesystem::path notExecutable = dir.Write("plain.exe", "text");
  std::filesystem::permissions(notExecutable, std::filesystem::perms::owner_all);
  EXPECT_FALSE(StartDetached(notExecutable));
}

// Waits until the condition holds; false when it does not within the hang
// guard.
template <typename Condition>
bool Eventually(Condition condition) {
  for (int i = 0; i < 1000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(10ms);
  }
  return condition();
}

TEST(ProcessLaunchTest, ThisTestRunsItsOwnProgram) {
  const std::string own = ProgramFileName().filename().string();
  EXPECT_TRUE(IsProgramRunning(own)) << own;
  EXPECT_FALSE(IsProgramRunning("no-such-program-" + std::to_string(test::ProcessId())));
  EXPECT_FALSE(IsProgramRunning(""));
}

TEST(ProcessLaunchTest, FindsAProgramOnlyByItsBareName) {
  test::TempDir dir;
  const std::string folder = Utf8FromPath(dir.path());
  EXPECT_EQ(FindProgram("", folder), std::nullopt);
  EXPECT_EQ(FindProgram("tool", folder), std::nullopt);
  dir.Write("sub/tool.exe", "text");
  EXPECT_EQ(FindProgram("sub/tool.exe", folder), std::nullopt);
}

#ifdef _WIN32

TEST(ProcessLaunchTest, FindsTheFirstProgramOfTheNameOnTheSearchPath) {
  test::TempDir dir;
  std::filesystem::create_directories(dir / "a");
  const std::filesystem::path inB = dir.Write("b/tool.exe", "MZ");
  dir.Write("c/tool.exe", "MZ");
  const std::string path =
      Utf8FromPath(dir / "a") + ";" + Utf8FromPath(dir / "b") + ";" + Utf8FromPath(dir / "c");

  const std::optional<std::filesystem::path> found = FindProgram("tool.exe", path);
  ASSERT_TRUE(found.has_value());
  EXPECT_TRUE(std::filesystem::equivalent(*found, inB));
  // The system's own search order by default: its command shell is there.
  EXPECT_TRUE(FindProgram("cmd.exe").has_value());
}

#else

TEST(ProcessLaunchTest, FindsTheFirstExecutableFileOfTheNameOnTheSearchPath) {
  test::TempDir dir;
  const auto executable = [&](std::string_view name) {
    const std::filesystem::path file = dir.Write(name, "#!/bin/sh\n");
    std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    return file;
  };
  dir.Write("a/tool", "not executable");
  std::filesystem::create_directories(dir / "b" / "tool");  // a folder of that name
  const std::filesystem::path inC = executable("c/tool");
  executable("d/tool");
  const std::string path = (dir / "a").string() + ":" + (dir / "b").string() + ":" +
                           (dir / "c").string() + ":" + (dir / "d").string();

  EXPECT_EQ(FindProgram("tool", path), inC);
  EXPECT_EQ(FindProgram("other", path), std::nullopt);
  // The process's own PATH by default: the shell is on every system's.
  EXPECT_TRUE(FindProgram("sh").has_value());
}

TEST(ProcessLaunchTest, SeesAProgramRunFromItsStartToItsEnd) {
  test::TempDir dir;
  // A name no other process has: the kernel keeps 15 characters of it.
  const std::string name = "oskprobe" + std::to_string(::getpid() % 10000000);
  const std::filesystem::path keep = dir.Write("keep", "");
  const std::filesystem::path script =
      dir.Write(name, "#!/bin/sh\nwhile [ -e \"$1\" ]; do sleep 0.02; done\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  ASSERT_FALSE(IsProgramRunning(name));

  ASSERT_TRUE(StartDetached(script, {keep.string()}));
  EXPECT_TRUE(Eventually([&] { return IsProgramRunning(name); }));
  EXPECT_FALSE(IsProgramRunning(name + "x"));

  std::filesystem::remove(keep);
  // Once it ended, also while no one has collected it yet.
  EXPECT_TRUE(Eventually([&] { return !IsProgramRunning(name); }));
}

#endif

}  // namespace
}  // namespace ombrex
