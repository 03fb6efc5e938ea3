// Two programs of ours on one keyboard at once: ombrexctl against ombrexctl,
// and ombrexctl beside the running program. The keyboard sends every reply
// to every program that has it open, so only taking turns keeps them apart.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>

#include "platform/keyboard_lock.h"
#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"

namespace ombrex::e2e {
namespace {

using namespace std::chrono_literals;

constexpr const char* kBusy = "another Ombrex program is using the keyboard";

std::filesystem::path SampleFile() {
  return std::filesystem::path(std::getenv("OMBREX_TEST_DATA")) / "model" / "sample.fwc";
}

// The sample with its keys that this keyboard lacks back at Default, so that
// a write of it can succeed.
void CopySampleTo(const std::filesystem::path& file) {
  std::filesystem::copy_file(SampleFile(), file);
  const std::vector<std::vector<std::string>> lacking{{"2", "G2:B"}, {"3", "J"}, {"4", "K"}};
  for (const auto& key : lacking) {
    ASSERT_EQ(RunToEnd("ombrexctl", {"assign", file.string(), key[0], key[1], "default"},
                       file.parent_path())
                  .exitCode,
              0);
  }
}

// Rounds of each pairing; OMBREX_TWO_PROGRAM_ROUNDS runs a longer trial.
int Rounds() {
  const char* rounds = std::getenv("OMBREX_TWO_PROGRAM_ROUNDS");
  return rounds != nullptr ? std::max(1, std::atoi(rounds)) : 3;
}

class TwoProgramsTest : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    keyboard_.emplace(dir_.path(),
                      std::vector<std::string>{"--latency-ms", std::to_string(GetParam())});
    ASSERT_TRUE(keyboard_->Answering());
  }
  Finished Ctl(const std::vector<std::string>& args) {
    return RunToEnd("ombrexctl", args, dir_.path(), 60s);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // What a read, alone on the keyboard, gives now.
  std::string Truth() {
    const Finished read = Ctl({"read", Path("truth.fwc")});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    return test::ReadText(dir_ / "truth.fwc");
  }

  test::TempDir dir_;
  std::optional<VirtualKeyboard> keyboard_;
};

TEST_P(TwoProgramsTest, ReadsAndWritesAtOnceNeverMixAndTheLaterOneWaitsOrSaysWhy) {
  // Two files that differ in every profile, and what each leaves on the
  // keyboard as a lone read sees it.
  CopySampleTo(dir_ / "a.fwc");
  CopySampleTo(dir_ / "b.fwc");
  for (const char* profile : {"1", "2", "3", "4"}) {
    ASSERT_EQ(Ctl({"assign", Path("b.fwc"), profile, "Q", "key", "W"}).exitCode, 0);
  }
  std::map<std::string, std::string> leaves;
  for (const std::string file : {"a.fwc", "b.fwc"}) {
    const Finished write = Ctl({"write", Path(file), "--all"});
    ASSERT_EQ(write.exitCode, 0) << write.err;
    leaves[file] = Truth();
  }
  ASSERT_NE(leaves["a.fwc"], leaves["b.fwc"]);
  std::string now = leaves["b.fwc"];

  struct Pairing {
    const char* name;
    std::array<const char*, 2> writes;  // nullptr: that side reads
  };
  const std::vector<Pairing> pairings{{"read beside read", {nullptr, nullptr}},
                                      {"read beside write", {nullptr, "a.fwc"}},
                                      {"write beside read", {"b.fwc", nullptr}},
                                      {"write beside write", {"a.fwc", "b.fwc"}}};
  int waitedOut = 0;
  for (int round = 0; round < Rounds(); ++round) {
    for (const Pairing& pairing : pairings) {
      SCOPED_TRACE(std::string(pairing.name) + ", round " + std::to_string(round));
      std::array<std::unique_ptr<Process>, 2> sides;
      for (int side = 0; side < 2; ++side) {
        const std::string read = "read-" + std::to_string(side) + ".fwc";
        std::filesystem::remove(dir_ / read);
        std::vector<std::string> args =
            pairing.writes[side] != nullptr
                ? std::vector<std::string>{"write", Path(pairing.writes[side]), "--all"}
                : std::vector<std::string>{"read", Path(read)};
        sides[side] = std::make_unique<Process>("ombrexctl", args, dir_.path());
      }
      const std::string before = now;
      std::vector<std::string> written;
      for (int side = 0; side < 2; ++side) {
        const std::optional<int> exit = sides[side]->WaitForExit(60s);
        ASSERT_TRUE(exit) << "side " << side << " hangs";
        if (*exit != 0) {
          // The other side kept the keyboard past the wait: said so, and
          // nothing of this side reached the keyboard or the file.
          EXPECT_EQ(*exit, 1) << sides[side]->Err();
          EXPECT_NE(sides[side]->Err().find(kBusy), std::string::npos) << sides[side]->Err();
          ++waitedOut;
          continue;
        }
        if (pairing.writes[side] != nullptr) {
          written.push_back(leaves[pairing.writes[side]]);
        } else {
          // A read sees the keyboard before or after the other side's write,
          // never a part of each.
          const std::string read = test::ReadText(dir_ / ("read-" + std::to_string(side) + ".fwc"));
          const bool whole = read == before || (pairing.writes[1 - side] != nullptr &&
                                                read == leaves[pairing.writes[1 - side]]);
          EXPECT_TRUE(whole) << "side " << side << " read a keyboard that never was";
        }
      }
      now = Truth();
      if (written.empty()) {
        EXPECT_EQ(now, before);
      } else {
        // The one that wrote last left exactly its file.
        EXPECT_TRUE(std::find(written.begin(), written.end(), now) != written.end())
            << "the keyboard holds neither written file";
      }
    }
  }
  // Ordinary transfers are far shorter than the wait: nobody gives up.
  EXPECT_EQ(waitedOut, 0);
}

INSTANTIATE_TEST_SUITE_P(Latency, TwoProgramsTest, ::testing::Values(0, 1),
                         [](const auto& info) { return std::to_string(info.param) + "ms"; });

TEST(TwoPrograms, WhileAnotherProgramKeepsTheKeyboardTheToolSaysSoAndChangesNothing) {
  test::TempDir dir;
  VirtualKeyboard keyboard(dir.path());
  ASSERT_TRUE(keyboard.Answering());
  CopySampleTo(dir / "sample.fwc");
  const std::string read = (dir / "read.fwc").string();
  {
    // This test is the other program.
    KeyboardLock other;
    ASSERT_TRUE(other.Acquire(0ms));
    for (const std::vector<std::string>& command :
         std::vector<std::vector<std::string>>{{"status"},
                                               {"read", read},
                                               {"profile", "3"},
                                               {"write", (dir / "sample.fwc").string(), "--all"},
                                               {"lighting", "set", "brightness", "1"},
                                               {"keycolour", "5", "1", "2", "3"}}) {
      std::vector<std::string> args = command;
      args.insert(args.end(), {"--wait", "0"});
      const Finished run = RunToEnd("ombrexctl", args, dir.path());
      EXPECT_EQ(run.exitCode, 1) << command[0];
      EXPECT_EQ(run.err, std::string("ombrexctl: ") + kBusy + "\n") << command[0];
      EXPECT_EQ(run.out, "") << command[0];
    }
  }
  EXPECT_FALSE(std::filesystem::exists(read));
  const Finished profile = RunToEnd("ombrexctl", {"profile"}, dir.path());
  EXPECT_EQ(profile.out, "active profile: 1\n") << profile.err;
}

TEST(TwoPrograms, TheRunningProgramReadsAgainWhatTheToolChangedAndTheToolWaitsForItsReRead) {
  test::TempDir dir;
  VirtualKeyboard keyboard(dir.path(), {"--latency-ms", "1"});
  ASSERT_TRUE(keyboard.Answering());
  CopySampleTo(dir / "sample.fwc");
  Process program("ombrex-headless", {"--events", "Two" + std::to_string(::getpid()) + "_"},
                  dir.path());
  ASSERT_TRUE(program.WaitForOutput("window: show")) << program.Out() << program.Err();
  const auto heard = [&](std::size_t times) {
    return program.WaitForOutputWhere(
        [times](const std::string& log) {
          std::size_t found = 0;
          for (std::size_t at = log.find("keyboard changed by another program");
               at != std::string::npos;
               at = log.find("keyboard changed by another program", at + 1)) {
            ++found;
          }
          return found >= times;
        },
        20s);
  };
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const Finished write =
        RunToEnd("ombrexctl", {"write", (dir / "sample.fwc").string(), "--all"}, dir.path());
    ASSERT_EQ(write.exitCode, 0) << write.err;
    // Each earlier round's switch was a change too.
    ASSERT_TRUE(heard(2 * round - 1)) << program.Out();
    // The program reads the keyboard again now; a switch meanwhile waits for
    // it rather than taking its replies.
    const std::string wanted = std::to_string(round + 1);
    const Finished profile = RunToEnd("ombrexctl", {"profile", wanted}, dir.path());
    EXPECT_EQ(profile.exitCode, 0) << profile.err;
    EXPECT_EQ(profile.out, "active profile: " + wanted + "\n");
  }
  const std::string log = program.Out();
  EXPECT_NE(
      log.find("refreshed from the keyboard", log.find("keyboard changed by another program")),
      std::string::npos)
      << log;
}

}  // namespace
}  // namespace ombrex::e2e
