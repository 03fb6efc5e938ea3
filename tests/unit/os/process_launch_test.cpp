#include "platform/process_launch.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/temp_dir.h"

namespace ombrex {
namespace {

using namespace std::chrono_literals;

// Waits for a file that a started program writes.
std::string AwaitFile(const std::filesystem::path& file) {
  for (int i = 0; i < 500 && !std::filesystem::exists(file); ++i) std::this_thread::sleep_for(10ms);
  return test::ReadText(file);
}

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

TEST(ProcessLaunchTest, AProgramThatCannotStartIsReported) {
  test::TempDir dir;
  EXPECT_FALSE(StartDetached(dir / "missing"));
  const std::filesystem::path notExecutable = dir.Write("plain.txt", "text");
  EXPECT_FALSE(StartDetached(notExecutable));
}

}  // namespace
}  // namespace ombrex
