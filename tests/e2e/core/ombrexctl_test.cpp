// ombrexctl as scripts run it: a real process on the real service library
// against the virtual keyboard daemon.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "model/profile_image.h"
#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

namespace ombrex::e2e {
namespace {

std::filesystem::path SampleFile() {
  return std::filesystem::path(std::getenv("OMBREX_TEST_DATA")) / "model" / "sample.fwc";
}

class OmbrexctlTest : public ::testing::Test {
 protected:
  void StartKeyboard(const std::vector<std::string>& extra = {}) {
    keyboard_.emplace(dir_.path(), extra);
    ASSERT_TRUE(keyboard_->Answering());
  }
  Finished Ctl(const std::vector<std::string>& args) {
    return RunToEnd("ombrexctl", args, dir_.path());
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::filesystem::path Copy(const std::filesystem::path& from, const std::string& name) {
    std::filesystem::copy_file(from, dir_ / name,
                               std::filesystem::copy_options::overwrite_existing);
    return dir_ / name;
  }
  // One byte of a memory the daemon dumps in one line of hex.
  int KeyboardByte(const std::string& memory, std::size_t offset) {
    const Finished dump = keyboard_->Control({"dump", memory, "--raw"});
    EXPECT_EQ(dump.exitCode, 0) << dump.err;
    return std::stoi(dump.out.substr(2 * offset, 2), nullptr, 16);
  }

  test::TempDir dir_;
  std::optional<VirtualKeyboard> keyboard_;
};

TEST_F(OmbrexctlTest, WithoutAKeyboardEveryKeyboardCommandSaysSoWithThree) {
  ::setenv("RAZIZID_BACKEND", test::DaemonBackend(), 1);
  ::setenv("OMBREX_VKBD_SOCKET", Path("nobody-listens.sock").c_str(), 1);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"status"}, {"profile"}, {"read", Path("x.fwc")}, {"lighting", "get"}}) {
    const Finished run = Ctl(args);
    EXPECT_EQ(run.exitCode, 3) << args[0] << run.err;
    EXPECT_NE(run.err.find("no keyboard"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "x.fwc"));
}

TEST_F(OmbrexctlTest, UsageErrorsGiveTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"fly"}, {"profile", "two"}, {"dump"}, {"status", "--bogus"}, {"keycolour", "1"}}) {
    EXPECT_EQ(Ctl(args).exitCode, 2) << (args.empty() ? "" : args[0]);
  }
  EXPECT_EQ(Ctl({"--help"}).exitCode, 0);
}

TEST_F(OmbrexctlTest, StatusReportsTheKeyboard) {
  StartKeyboard({"--macro-units", "100", "--active-profile", "2"});
  const Finished status = Ctl({"status"});
  ASSERT_EQ(status.exitCode, 0) << status.err;
  EXPECT_NE(status.out.find("keyboards: 1\n"), std::string::npos) << status.out;
  EXPECT_NE(status.out.find("active profile: 3\n"), std::string::npos) << status.out;
  EXPECT_NE(status.out.find("macro capacity: 12800 bytes\n"), std::string::npos) << status.out;
  EXPECT_NE(status.out.find("lighting modes: 1 2 3"), std::string::npos) << status.out;
}

TEST_F(OmbrexctlTest, ReadWriteAndReadBackAProfileWithOneKeyChanged) {
  StartKeyboard();
  ASSERT_EQ(Ctl({"read", Path("keyboard.fwc")}).exitCode, 0);
  EXPECT_EQ(Ctl({"validate", Path("keyboard.fwc")}).exitCode, 0);
  std::filesystem::copy_file(dir_ / "keyboard.fwc", dir_ / "edited.fwc");
  const Finished assign = Ctl({"assign", Path("edited.fwc"), "1", "A", "key", "B"});
  ASSERT_EQ(assign.exitCode, 0) << assign.err;
  const std::string before = test::ReadText(dir_ / "edited.fwc");

  const Finished write = Ctl({"write", Path("edited.fwc")});
  ASSERT_EQ(write.exitCode, 0) << write.err;
  EXPECT_EQ(test::ReadText(dir_ / "edited.fwc"), before);  // only read

  ASSERT_EQ(Ctl({"read", Path("back.fwc")}).exitCode, 0);
  const Finished dump = Ctl({"dump", Path("back.fwc")});
  ASSERT_EQ(dump.exitCode, 0);
  EXPECT_NE(dump.out.find("profile 1:\n  A: key B\n"), std::string::npos) << dump.out;
  const Finished json = Ctl({"dump", Path("back.fwc"), "--json"});
  EXPECT_NE(json.out.find(R"({"profile":1,"slot":30,"key":"A","kind":"key","value":48)"),
            std::string::npos)
      << json.out;
}

TEST_F(OmbrexctlTest, TheModelBackendNeedsNoDaemonAndKeepsItsMemoriesInItsStateFile) {
  // The library loads the model from its module; each run is a new process,
  // so what the second read sees came through the state file.
  struct ModelEnvironment {
    explicit ModelEnvironment(const std::string& state) {
      ::setenv("RAZIZID_BACKEND", "model", 1);
      ::setenv("RAZIZID_MODEL_STATE", state.c_str(), 1);
    }
    ~ModelEnvironment() {
      ::unsetenv("RAZIZID_MODEL_STATE");
      ::unsetenv("RAZIZID_BACKEND");
    }
  } model(Path("model.state"));
  const Finished status = Ctl({"status"});
  EXPECT_EQ(status.exitCode, 0) << status.err;
  EXPECT_NE(status.out.find("keyboards: 1\n"), std::string::npos) << status.out;

  ASSERT_EQ(Ctl({"read", Path("keyboard.fwc")}).exitCode, 0);
  ASSERT_EQ(Ctl({"assign", Path("keyboard.fwc"), "1", "A", "key", "B"}).exitCode, 0);
  const Finished write = Ctl({"write", Path("keyboard.fwc")});
  ASSERT_EQ(write.exitCode, 0) << write.err;
  ASSERT_EQ(Ctl({"read", Path("back.fwc")}).exitCode, 0);
  const Finished dump = Ctl({"dump", Path("back.fwc")});
  EXPECT_NE(dump.out.find("profile 1:\n  A: key B\n"), std::string::npos) << dump.out;
}

TEST_F(OmbrexctlTest, WritingAllFourProfilesCarriesMacrosAndEveryProfile) {
  StartKeyboard();
  const auto sample = Copy(SampleFile(), "sample.fwc");
  const Finished write = Ctl({"write", sample.string(), "--all"});
  // The sample also assigns keys this keyboard does not have: the rest goes
  // out, but the write is no success and says which were left behind.
  EXPECT_EQ(write.exitCode, 1) << write.err;
  EXPECT_NE(write.err.find("2: G2 (B); 3: J; 4: K"), std::string::npos) << write.err;
  ASSERT_EQ(Ctl({"read", Path("back.fwc")}).exitCode, 0);
  const std::string dump = Ctl({"dump", Path("back.fwc")}).out;
  EXPECT_NE(dump.find("macros: 2"), std::string::npos) << dump;
  EXPECT_NE(dump.find("  A: key B\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("profile 2:\n  G1: macro"), std::string::npos) << dump;
}

TEST_F(OmbrexctlTest, HostileFilesAreRefusedWithAReasonAndLeftAsTheyWere) {
  const std::string good = test::ReadText(SampleFile());
  std::string badChecksum = good;
  badChecksum[31] = static_cast<char>(badChecksum[31] + 1);
  std::string manyMacros = good.substr(0, 32832);
  manyMacros[14] = 100;  // a hundred macros claimed, none present
  std::string cut = good.substr(0, good.size() - 10);
  const std::vector<std::pair<std::string, std::string>> files{
      {"empty.fwc", ""},
      {"noise.fwc", std::string(40000, '\x5A')},
      {"checksum.fwc", badChecksum},
      {"claims.fwc", manyMacros},
      {"cut.fwc", cut}};
  for (const auto& [name, bytes] : files) {
    dir_.Write(name, bytes);
    for (const char* command : {"validate", "dump", "write"}) {
      const Finished run = Ctl({command, Path(name)});
      EXPECT_EQ(run.exitCode, 1) << command << " " << name << ": " << run.out << run.err;
      EXPECT_NE(run.err.find(name), std::string::npos) << run.err;
    }
    EXPECT_EQ(Ctl({"assign", Path(name), "1", "A", "disabled"}).exitCode, 1) << name;
    EXPECT_EQ(test::ReadText(dir_ / name), bytes) << name;
  }
  EXPECT_EQ(Ctl({"validate", Path("missing.fwc")}).exitCode, 1);
  EXPECT_EQ(Ctl({"validate", SampleFile().string()}).exitCode, 0);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// (The sanitizers reserve terabytes of address space at start: none of their
// programs runs under a limit of it.)
TEST_F(OmbrexctlTest, AFileClaimingMoreThanMemoryHoldsEndsWithOneAndAMessage) {
  const std::string ctl = (ProgramDir() / "ombrexctl").string();
  // Valid images just under 4 GiB (sparse files), the largest the size rule allows.
  for (const std::uint32_t size : {0xFFFFFFFEu, 0xFFFFFFFFu}) {
    std::vector<std::uint8_t> start = DefaultImageBlock(0);
    WriteImageHeader(start, 0, size - image::kBlockSize, 0);
    const auto file = dir_.Write("huge.fwc", start);
    std::filesystem::resize_file(file, size);
    for (const char* command : {"validate", "dump"}) {
      const Finished run = RunToEnd(
          "/bin/sh", {"-c", "ulimit -v 1048576 && exec \"$0\" \"$@\"", ctl, command, file.string()},
          dir_.path());
      EXPECT_EQ(run.exitCode, 1) << size << " " << command << ": " << run.err;
      // Refused on its header's claim, before any of it is read.
      EXPECT_NE(run.err.find("its header claims"), std::string::npos) << run.err;
    }
  }
}
#endif

TEST_F(OmbrexctlTest, ProfileSwitchReachesTheKeyboard) {
  StartKeyboard();
  const Finished to3 = Ctl({"profile", "3"});
  ASSERT_EQ(to3.exitCode, 0) << to3.err;
  EXPECT_EQ(to3.out, "active profile: 3\n");
  EXPECT_EQ(KeyboardByte("status", 10), 2);
  EXPECT_EQ(Ctl({"profile"}).out, "active profile: 3\n");
  EXPECT_EQ(Ctl({"profile", "5"}).exitCode, 1);
  EXPECT_EQ(KeyboardByte("status", 10), 2);
}

TEST_F(OmbrexctlTest, LightingSetIsReadBack) {
  StartKeyboard();
  const Finished set = Ctl({"lighting", "set", "brightness", "1", "--profile", "2"});
  ASSERT_EQ(set.exitCode, 0) << set.err;
  EXPECT_NE(set.out.find("brightness: 1\n"), std::string::npos) << set.out;
  EXPECT_EQ(KeyboardByte("settings", 64 + 1), 1);
  const Finished colour = Ctl({"lighting", "set", "colour", "10", "20", "30", "--profile", "2"});
  ASSERT_EQ(colour.exitCode, 0) << colour.err;
  const Finished get = Ctl({"lighting", "get", "--profile", "2"});
  EXPECT_NE(get.out.find("colour: 10 20 30\n"), std::string::npos) << get.out;
  EXPECT_NE(get.out.find("brightness: 1\n"), std::string::npos) << get.out;
  EXPECT_EQ(Ctl({"lighting", "set", "brightness", "9"}).exitCode, 2);
  EXPECT_EQ(Ctl({"lighting", "set", "mode", "19"}).exitCode, 1);  // not offered

  ASSERT_EQ(Ctl({"keycolour", "5", "1", "2", "3", "--profile", "2"}).exitCode, 0);
  EXPECT_EQ(KeyboardByte("colours", 192 + 15), 1);
  EXPECT_EQ(KeyboardByte("colours", 192 + 17), 3);
}

TEST_F(OmbrexctlTest, ALightingWriteThatDoesNotArriveIsReported) {
  // The status read and the transfer's begin, then the keyboard is gone: the
  // colour itself never arrives.
  StartKeyboard({"--unplug-after", "2"});
  const Finished colour = Ctl({"keycolour", "5", "1", "2", "3"});
  EXPECT_EQ(colour.exitCode, 3) << colour.err;
  EXPECT_NE(colour.err.find("refused the key colour"), std::string::npos) << colour.err;
  EXPECT_EQ(colour.out, "");
}

TEST_F(OmbrexctlTest, UnpluggedDuringAWriteReportsFailureAndLeavesTheFileAlone) {
  StartKeyboard({"--unplug-after", "12"});
  const auto sample = Copy(SampleFile(), "sample.fwc");
  const std::string before = test::ReadText(sample);

  const Finished write = Ctl({"write", sample.string(), "--all"});

  EXPECT_NE(write.exitCode, 0);
  EXPECT_EQ(write.exitCode, 3) << write.err;
  EXPECT_NE(write.err.find("went away"), std::string::npos) << write.err;
  EXPECT_EQ(test::ReadText(sample), before);
  EXPECT_EQ(Ctl({"status"}).exitCode, 3);
}

TEST_F(OmbrexctlTest, AWriteTheKeyboardDoesNotKeepFailsWithOne) {
  StartKeyboard({"--lose-writes", "1"});
  const auto sample = Copy(SampleFile(), "sample.fwc");
  const Finished write = Ctl({"write", sample.string()});
  EXPECT_EQ(write.exitCode, 1) << write.err;
  EXPECT_NE(write.err.find("did not keep"), std::string::npos) << write.err;
}

}  // namespace
}  // namespace ombrex::e2e
