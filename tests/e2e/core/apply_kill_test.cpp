// The headless program killed (SIGKILL) while it saves and sends queued
// edits, round after round on the virtual keyboard daemon: each time the
// files it leaves are valid, and the newest edits are either on the keyboard
// or come back at the next start and reach the keyboard from there.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <random>
#include <thread>

#include "device/window_link.h"
#include "model/workspace.h"
#include "platform/prompter.h"
#include "platform/single_instance.h"
#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"

namespace ombrex::e2e {
namespace {

using namespace std::chrono_literals;
namespace msg = window_message;

// One line of the daemon's trace per command packet.
constexpr std::uintmax_t kTraceLine = 129;
// Keys with a letter: the slots the catalogue names from "A".
constexpr int kKeySlots = 274;

class ApplyKillTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(keyboard_.Answering()); }

  std::string Id() const { return "Kill" + std::to_string(::getpid()); }
  std::unique_ptr<Process> StartProgram() {
    return std::make_unique<Process>(
        "ombrex-headless",
        std::vector<std::string>{"--instance", Id(), "--events", Id() + "_", "--profile-folder",
                                 profiles_.string()},
        dir_.path());
  }
  // The time change as another program queues it.
  void PostTimeChange() {
    SingleInstance sender(Id());
    ASSERT_EQ(sender.DeliverToRunningCopy({msg::kTimeChange, 0, 0, true}), Delivery::Delivered);
  }
  std::uintmax_t Packets() const {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(trace_, error);
    return error ? 0 : size / kTraceLine;
  }

  std::filesystem::path ProfileFile() const { return profiles_ / "$Profile0"; }
  std::filesystem::path Unapplied() const { return profiles_ / "$Profile0.unapplied"; }

  // What the keyboard holds, read by ombrexctl into `name`.
  std::filesystem::path ReadKeyboard(const std::string& name) {
    const std::filesystem::path file = dir_ / name;
    const Finished read = RunToEnd("ombrexctl", {"read", file.string()}, dir_.path());
    EXPECT_EQ(read.exitCode, 0) << read.err;
    return file;
  }
  static bool Valid(const std::filesystem::path& file) {
    SilentPrompter silent;
    return ValidateImageFile(file, silent) == ImageResult::kOk;
  }
  // The key assignments of all four profiles agree.
  static ::testing::AssertionResult SameKeys(const std::filesystem::path& a,
                                             const std::filesystem::path& b) {
    Workspace left(a.parent_path());
    Workspace right(b.parent_path());
    if (left.LoadImageFile(a) != ImageResult::kOk || right.LoadImageFile(b) != ImageResult::kOk) {
      return ::testing::AssertionFailure() << "a file does not load";
    }
    for (int profile = 0; profile < 4; ++profile) {
      for (int slot = 0; slot < kKeySlots; ++slot) {
        const ProfileNumber number = *ProfileNumber::From(profile);
        if (!(left.ReadEntry(number, slot) == right.ReadEntry(number, slot))) {
          return ::testing::AssertionFailure()
                 << "profile " << profile + 1 << " slot " << slot << " differs";
        }
      }
    }
    return ::testing::AssertionSuccess();
  }
  // A fresh edit of what the keyboard holds, as the program leaves it
  // beside the profile file while changes are pending.
  void MakeEdit(int round) {
    const std::filesystem::path base = ReadKeyboard("base.fwc");
    static constexpr std::string_view kTargets = "BCDEFGHIJKLMNOPQRSTUVWXYZ";
    const std::string target(1, kTargets[static_cast<std::size_t>(round) % kTargets.size()]);
    const Finished assign = RunToEnd(
        "ombrexctl", {"assign", base.string(), std::to_string(round % 4 + 1), "A", "key", target},
        dir_.path());
    ASSERT_EQ(assign.exitCode, 0) << assign.err;
    std::filesystem::create_directories(profiles_);
    std::filesystem::copy_file(base, Unapplied(),
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(base, dir_ / "edit.fwc",
                               std::filesystem::copy_options::overwrite_existing);
  }

  test::TempDir dir_;
  std::filesystem::path trace_ = dir_ / "trace.txt";
  std::filesystem::path profiles_ = dir_ / "profiles";
  VirtualKeyboard keyboard_{dir_.path(), {"--latency-ms", "1", "--trace", trace_.string()}};
};

TEST_F(ApplyKillTest, KilledWhileSavingOrSendingNothingIsLostAndNoFileIsBroken) {
  const int seed = ::testing::UnitTest::GetInstance()->random_seed();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(static_cast<unsigned>(seed));
  constexpr int kRounds = 20;

  // A clean round first: how many packets an Apply of one restored edit takes.
  std::uintmax_t packetsOfAnApply = 0;
  {
    MakeEdit(0);
    auto program = StartProgram();
    ASSERT_TRUE(program->WaitForOutput("window: apply enabled"))
        << program->Out() << program->Err();
    const std::uintmax_t before = Packets();
    PostTimeChange();
    ASSERT_TRUE(program->WaitForOutput("window: apply disabled")) << program->Out();
    packetsOfAnApply = Packets() - before;
    program->Signal(SIGKILL);
    program->WaitForExit();
    EXPECT_FALSE(std::filesystem::exists(Unapplied()));
    EXPECT_TRUE(SameKeys(ReadKeyboard("held.fwc"), dir_ / "edit.fwc"));
  }
  ASSERT_GT(packetsOfAnApply, 0u);

  int restored = 0;
  int completed = 0;
  for (int round = 1; round <= kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    if (!std::filesystem::exists(Unapplied())) MakeEdit(round);

    auto program = StartProgram();
    ASSERT_TRUE(program->WaitForOutput("window: apply enabled"))
        << program->Out() << program->Err();
    // Somewhere from before the copy is rewritten to after the last read-back.
    const std::uintmax_t killAt = Packets() + std::uniform_int_distribution<std::uintmax_t>(
                                                  0, packetsOfAnApply * 5 / 4)(random);
    PostTimeChange();
    // The daemon's trace grows by a line a packet; the Apply may end first.
    program->WaitForOutputWhere(
        [&](const std::string& out) {
          return Packets() >= killAt || out.find("window: apply disabled") != std::string::npos;
        },
        60s, {trace_.parent_path()});
    program->Signal(SIGKILL);
    ASSERT_EQ(program->WaitForExit(), -1);

    EXPECT_TRUE(Valid(ProfileFile()));
    if (std::filesystem::exists(Unapplied())) {
      // Interrupted: the copy holds exactly the newest edits.
      ++restored;
      ASSERT_TRUE(Valid(Unapplied()));
      EXPECT_TRUE(SameKeys(Unapplied(), dir_ / "edit.fwc"));
    } else {
      // The copy goes only once the keyboard verifiably holds them.
      ++completed;
      EXPECT_TRUE(SameKeys(ReadKeyboard("held.fwc"), dir_ / "edit.fwc"));
    }
  }

  // The last start sends whatever is still pending, and a normal exit
  // leaves nothing behind.
  auto program = StartProgram();
  if (std::filesystem::exists(Unapplied())) {
    ASSERT_TRUE(program->WaitForOutput("window: apply enabled")) << program->Out();
    PostTimeChange();
    ASSERT_TRUE(program->WaitForOutput("window: apply disabled")) << program->Out();
  } else {
    ASSERT_TRUE(program->WaitForOutput("window: refreshed from the keyboard")) << program->Out();
  }
  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(), 0);
  EXPECT_FALSE(std::filesystem::exists(Unapplied()));
  EXPECT_TRUE(Valid(ProfileFile()));
  EXPECT_TRUE(SameKeys(ReadKeyboard("held.fwc"), dir_ / "edit.fwc"));
  EXPECT_TRUE(SameKeys(ProfileFile(), dir_ / "edit.fwc"));

  // Both outcomes happened, or the kill points did not spread.
  EXPECT_GT(restored, 0);
  EXPECT_GT(completed, 0);
}

}  // namespace
}  // namespace ombrex::e2e
