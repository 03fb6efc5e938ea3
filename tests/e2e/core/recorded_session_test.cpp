// A session recorded with ombrexctl --record, played back by the virtual
// keyboard as the keyboard it was recorded from; and what the service
// library says, shown with -v only.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"

namespace ombrex::e2e {
namespace {

std::filesystem::path SessionData(const std::string& name) {
  return std::filesystem::path(std::getenv("OMBREX_TEST_DATA")) / "session" / name;
}

class RecordedSession : public ::testing::Test {
 protected:
  ~RecordedSession() override {
    ::unsetenv("RAZIZID_BACKEND");
    ::unsetenv("RAZIZID_MODEL_STATE");
  }
  void StartKeyboard(const std::vector<std::string>& extra = {}) {
    keyboard_.reset();
    keyboard_.emplace(dir_.path(), extra);
    ASSERT_TRUE(keyboard_->Answering());
  }
  Finished Ctl(const std::vector<std::string>& args) {
    return RunToEnd("ombrexctl", args, dir_.path());
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  test::TempDir dir_;
  std::optional<VirtualKeyboard> keyboard_;
};

TEST_F(RecordedSession, AReadRecordedFromAKeyboardReadsTheSameFromItsReplay) {
  // Not the factory state, which the replaying daemon's own model holds.
  StartKeyboard();
  ASSERT_EQ(Ctl({"read", Path("factory.fwc")}).exitCode, 0);
  ASSERT_EQ(Ctl({"assign", Path("factory.fwc"), "1", "A", "key", "B"}).exitCode, 0);
  ASSERT_EQ(Ctl({"write", Path("factory.fwc")}).exitCode, 0);
  const Finished recorded = Ctl({"read", Path("recorded.fwc"), "--record", Path("session")});
  ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
  const std::string session = test::ReadText(dir_ / "session");
  EXPECT_NE(session.find(" out ff1c:0092 04"), std::string::npos) << session.substr(0, 200);
  EXPECT_NE(session.find(" in ff1c:0092 04"), std::string::npos) << session.substr(0, 200);

  StartKeyboard({"--replay", Path("session")});
  const Finished replayed = Ctl({"read", Path("replayed.fwc")});
  ASSERT_EQ(replayed.exitCode, 0) << replayed.err;
  EXPECT_EQ(test::ReadBytes(dir_ / "replayed.fwc"), test::ReadBytes(dir_ / "recorded.fwc"));
}

TEST_F(RecordedSession, TheSessionKeptWithTheTestsStillReplaysToTheFileItGave) {
  StartKeyboard({"--replay", SessionData("read-key-a-changed.session").string()});
  const Finished replayed = Ctl({"read", Path("replayed.fwc")});
  ASSERT_EQ(replayed.exitCode, 0) << replayed.err;
  EXPECT_EQ(test::ReadBytes(dir_ / "replayed.fwc"),
            test::ReadBytes(SessionData("read-key-a-changed.fwc")));
}

TEST_F(RecordedSession, TheLibrarySpeaksOnTheErrorStreamOnlyWhenAskedTo) {
  ::setenv("RAZIZID_BACKEND", "model", 1);
  ::setenv("RAZIZID_MODEL_STATE", Path("broken.state").c_str(), 1);
  for (const bool verbose : {false, true}) {
    // Broken again each time: the model keeps its memories over it.
    std::ofstream(dir_ / "broken.state") << "not a keyboard";
    const Finished run = Ctl(verbose ? std::vector<std::string>{"status", "-v"}
                                     : std::vector<std::string>{"status"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find("ombrexctl: RazIzid: state file") != std::string::npos, verbose)
        << run.err;
    EXPECT_EQ(run.err.find("is not usable") != std::string::npos, verbose) << run.err;
  }
}

TEST_F(RecordedSession, TheProgramRecordsItsSessionAndTracesWhatTheLibrarySays) {
  std::ofstream(dir_ / "broken.state") << "not a keyboard";
  ::setenv("RAZIZID_BACKEND", "model", 1);
  ::setenv("RAZIZID_MODEL_STATE", Path("broken.state").c_str(), 1);
  Process program("ombrex-headless",
                  {"--events", "Rec" + std::to_string(::getpid()) + "_", "--instance",
                   "rec-" + std::to_string(::getpid()), "--record", Path("session")},
                  dir_.path());
  ASSERT_TRUE(program.WaitForOutput("window: show")) << program.Out() << program.Err();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_NE(program.Out().find("window: library: state file"), std::string::npos) << program.Out();
  EXPECT_EQ(program.Err().find("not usable"), std::string::npos) << program.Err();
  const std::string session = test::ReadText(dir_ / "session");
  EXPECT_NE(session.find(" out ff1c:0092 04"), std::string::npos) << session.substr(0, 200);
  EXPECT_NE(session.find(" in ff1c:0092 04"), std::string::npos) << session.substr(0, 200);
}

}  // namespace
}  // namespace ombrex::e2e
