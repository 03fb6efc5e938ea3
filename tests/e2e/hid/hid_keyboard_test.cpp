// The program and ombrexctl on the real keyboard path: the hid backend over
// the hidapi stand-in, which shows the virtual keyboard daemon as hidraw
// nodes (/dev/hidraw3 boot keyboard, /dev/hidraw4 events, /dev/hidraw5
// command packets and the G-key bank light).

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"

namespace ombrex::e2e {
namespace {

using namespace std::chrono_literals;

constexpr const char* kCommandNode = "/dev/hidraw5";

// Sets a variable for this process and the programs it starts; unset again
// at the end of the scope.
class Setting {
 public:
  Setting(const char* name, const std::string& value) : name_(name) {
    ::setenv(name, value.c_str(), 1);
  }
  ~Setting() { ::unsetenv(name_); }

 private:
  const char* name_;
};

std::size_t Count(const std::string& text, const std::string& line) {
  std::size_t count = 0;
  for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
    ++count;
  }
  return count;
}

class HidKeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_STREQ(std::getenv("RAZIZID_BACKEND"), "hid") << "run with OMBREX_TEST_BACKEND=hid";
    ASSERT_TRUE(keyboard_.Answering());
  }

  Finished Ctl(const std::vector<std::string>& args) {
    return RunToEnd("ombrexctl", args, dir_.path());
  }
  std::string Path(const std::string& name) const { return (dir_.path() / name).string(); }
  std::filesystem::path RuleFolder(bool withRule) {
    const std::filesystem::path folder = dir_.path() / (withRule ? "rules" : "no-rules");
    std::filesystem::create_directories(folder);
    if (withRule) {
      std::ofstream(folder / "70-ombrex.rules")
          << "# the keyboard\nSUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0c45\", "
             "ATTRS{idProduct}==\"5004\", TAG+=\"uaccess\"\n";
    }
    std::ofstream(folder / "60-other.rules")
        << "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"046d\"\n";
    return folder;
  }

  test::TempDir dir_;
  VirtualKeyboard keyboard_{dir_.path()};
};

TEST_F(HidKeyboardTest, TheKeyboardsKeysReachTheWindowWhileAnotherProgramUsesTheKeyboardToo) {
  Process program("ombrex",
                  {"--trace", "/Start", "--instance", "Hid" + std::to_string(::getpid()),
                   "--events", "Hid" + std::to_string(::getpid()) + "_"},
                  dir_.path());
  ASSERT_TRUE(program.WaitForOutput("window: tray picture 0 141"))
      << program.Out() << program.Err();

  // Both hold the command node: each reads the other's replies and must
  // keep to its own.
  const Finished read = Ctl({"read", Path("held.fwc")});
  ASSERT_EQ(read.exitCode, 0) << read.err;
  EXPECT_EQ(Ctl({"validate", Path("held.fwc")}).exitCode, 0);

  ASSERT_EQ(keyboard_.Control({"event", "0x02FF"}).exitCode, 0);
  ASSERT_TRUE(program.WaitForOutput("window: bank B")) << program.Out();
  // The bank light went back through the command node's second collection.
  EXPECT_EQ(keyboard_.Control({"dump", "bankled", "--raw"}).out.substr(0, 4), "0503");

  ASSERT_EQ(keyboard_.Control({"event", "0x0401"}).exitCode, 0);
  ASSERT_TRUE(program.WaitForOutput("window: timer 1051")) << program.Out();
  ASSERT_EQ(keyboard_.Control({"event", "0x0403"}).exitCode, 0);
  ASSERT_TRUE(program.WaitForOutput("window: timer 1053")) << program.Out();

  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(), 0);
  EXPECT_EQ(Count(program.Out(), "window: tray shows 128"), 0u) << program.Out();
}

TEST_F(HidKeyboardTest, ANodeTheUserMayNotOpenIsNoKeyboardAndTheMessageNamesTheDoctor) {
  const Setting deny("OMBREX_HIDAPI_DENY", kCommandNode);
  const Finished status = Ctl({"status"});
  EXPECT_EQ(status.exitCode, 3);
  EXPECT_NE(status.err.find("cannot be opened"), std::string::npos) << status.err;
  EXPECT_NE(status.err.find("Permission denied"), std::string::npos) << status.err;
  EXPECT_NE(status.err.find("ombrexctl doctor"), std::string::npos) << status.err;
}

TEST_F(HidKeyboardTest, TheDoctorSaysWhyAndTheFix) {
  struct Case {
    const char* name;
    bool plugged;
    const char* deny;
    const char* busy;
    bool ruleInstalled;
    bool overSsh;
    int exitCode;
    std::vector<std::string> says;
  };
  const std::vector<Case> cases{
      {"usable",
       true,
       nullptr,
       nullptr,
       true,
       false,
       0,
       {"/dev/hidraw5: command packets, G-key bank light\n  opens: yes", "rules/70-ombrex.rules",
        "keyboard: usable"}},
      {"no keyboard",
       false,
       nullptr,
       nullptr,
       true,
       false,
       1,
       {"no Ombrex keyboard (0c45:5004) is attached", "fix: plug the keyboard in\n"}},
      {"rule missing",
       true,
       "all",
       nullptr,
       false,
       false,
       1,
       {"udev rule: not installed", "no udev rule gives this user the keyboard", "fix: sudo cp ",
        "70-ombrex.rules /etc/udev/rules.d/ && sudo udevadm control --reload"}},
      {"not at the seat",
       true,
       kCommandNode,
       nullptr,
       true,
       true,
       1,
       {"/dev/hidraw4: keyboard events\n  opens: yes", "this is an SSH session",
        "sudo setfacl -m u:"}},
      {"rule not yet applied",
       true,
       kCommandNode,
       nullptr,
       true,
       false,
       1,
       {"the udev rule has not been applied",
        "fix: sudo udevadm trigger --subsystem-match=hidraw"}},
      {"held elsewhere",
       true,
       nullptr,
       kCommandNode,
       true,
       false,
       1,
       {"opens: no, another process holds it", "fix: close"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(keyboard_.Control({c.plugged ? "plug" : "unplug"}).exitCode, 0);
    const Setting rules("OMBREX_UDEV_RULES_DIRS", RuleFolder(c.ruleInstalled).string());
    const Setting deny("OMBREX_HIDAPI_DENY", c.deny ? c.deny : "");
    const Setting busy("OMBREX_HIDAPI_BUSY", c.busy ? c.busy : "");
    const Setting ssh("SSH_CONNECTION", c.overSsh ? "10.0.0.2 50000 10.0.0.1 22" : "");
    const Setting session("XDG_SESSION_ID", "1");
    const Finished doctor = Ctl({"doctor"});
    EXPECT_EQ(doctor.exitCode, c.exitCode) << doctor.out;
    for (const std::string& text : c.says) {
      EXPECT_NE(doctor.out.find(text), std::string::npos) << text << "\n" << doctor.out;
    }
  }
}

}  // namespace
}  // namespace ombrex::e2e
