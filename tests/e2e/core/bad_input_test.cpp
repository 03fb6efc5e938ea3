// Bad input from outside the processes: a keyboard daemon that answers
// wrongly or goes away, as ombrexctl meets it, and strangers at the running
// program's instance socket (junk, half messages, floods, another user).

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <random>
#include <thread>

#include "model/image_file.h"
#include "platform/single_instance.h"
#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"

namespace ombrex::e2e {
namespace {

using namespace std::chrono_literals;

std::filesystem::path SampleFile() {
  return std::filesystem::path(std::getenv("OMBREX_TEST_DATA")) / "model" / "sample.fwc";
}

// A line of the tool's own saying why, and nothing on the output that could
// pass for a result.
void ExpectRefusedWithAReason(const Finished& run, const std::string& what) {
  EXPECT_TRUE(run.exitCode == 1 || run.exitCode == 3) << what << ": " << run.exitCode << run.err;
  EXPECT_EQ(run.err.rfind("ombrexctl: ", 0), 0u) << what << ": " << run.err;
  EXPECT_TRUE(run.out.empty()) << what << ": " << run.out;
}

TEST(BadKeyboardDaemon, EveryCommandOnAKeyboardThatAnswersWronglyFailsWithAReason) {
  struct Fault {
    const char* name;
    std::vector<std::string> options;
    bool writesToo;  // lost replies cost a second each; writes would take minutes
  };
  const std::vector<Fault> faults{
      {"every reply lost", {"--drop", "1"}, false},
      {"every reply refused", {"--refuse", "1"}, true},
      {"every reply for another command", {"--wrong-code", "1"}, true},
      {"gone after the third packet", {"--unplug-after", "3"}, true},
  };
  for (const Fault& fault : faults) {
    SCOPED_TRACE(fault.name);
    test::TempDir dir;
    VirtualKeyboard keyboard(dir.path(), fault.options);
    ASSERT_TRUE(keyboard.Answering());
    const std::string old = "the file from before\n";
    const auto file = dir.Write("keyboard.fwc", old);
    // The read first: it is the longest, so a keyboard that goes away goes
    // away during it.
    std::vector<std::vector<std::string>> commands{
        {"read", file.string()}, {"status"}, {"lighting", "get"}, {"profile", "2"}};
    if (fault.writesToo) {
      std::filesystem::copy_file(SampleFile(), dir / "sample.fwc");
      commands.push_back({"write", (dir / "sample.fwc").string(), "--all"});
      commands.push_back({"lighting", "set", "brightness", "1"});
      commands.push_back({"keycolour", "5", "1", "2", "3", "--profile", "1"});
    }
    for (const auto& command : commands) {
      ExpectRefusedWithAReason(RunToEnd("ombrexctl", command, dir.path()), command[0]);
      // Whatever went wrong, the file is the old one, never a part of a new one.
      EXPECT_EQ(test::ReadText(file), old) << command[0];
    }
  }
}

TEST(BadKeyboardDaemon, AKeyboardThatLosesSomeRepliesGivesAWholeFileOrNone) {
  test::TempDir dir;
  VirtualKeyboard keyboard(dir.path(), {"--drop", "0.2", "--seed", "11"});
  ASSERT_TRUE(keyboard.Answering());
  for (int round = 0; round < 3; ++round) {
    const auto file = dir / ("read-" + std::to_string(round) + ".fwc");
    const Finished read = RunToEnd("ombrexctl", {"read", file.string()}, dir.path(), 120s);
    if (read.exitCode == 0) {
      EXPECT_EQ(ReadImageFile(file).verdict, ImageFileVerdict::kValid);
    } else {
      ExpectRefusedWithAReason(read, "read");
      EXPECT_FALSE(std::filesystem::exists(file));
    }
  }
}

// A client of the instance socket doing what no second start does.
class Stranger {
 public:
  explicit Stranger(const std::filesystem::path& socket) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socket.native().copy(address.sun_path, sizeof address.sun_path - 1);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~Stranger() {
    if (fd_ >= 0) ::close(fd_);
  }
  Stranger(const Stranger&) = delete;
  Stranger& operator=(const Stranger&) = delete;

  bool Connected() const { return fd_ >= 0; }
  void Send(const std::vector<std::uint8_t>& bytes) {
    // The listener may hang up before a flood of bytes is through.
    ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
  // Whatever comes back before the listener hangs up.
  std::vector<std::uint8_t> Answer() {
    ::shutdown(fd_, SHUT_WR);
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[64];
    ssize_t got = 0;
    while ((got = ::read(fd_, buffer, sizeof buffer)) > 0)
      bytes.insert(bytes.end(), buffer, buffer + got);
    return bytes;
  }

 private:
  int fd_ = -1;
};

std::vector<std::uint8_t> Request(const InstanceMessage& message) {
  const InstanceRequestBytes bytes = EncodeInstanceRequest(message);
  return {bytes.begin(), bytes.end()};
}

constexpr InstanceMessage kOpen{0x5350, 0x4F50454E, 0, false};
constexpr InstanceMessage kKill{0x4D4B, 0x4C4C494B, 0, false};

std::size_t OpenFiles(pid_t pid) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
    ++count;
  }
  return count;
}

class InstanceSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(keyboard_.Answering());
    program_ = std::make_unique<Process>("ombrex-headless", Args({"/Start"}), dir_.path());
    ASSERT_TRUE(program_->WaitForOutput("window: tray picture")) << program_->Err();
    socket_ = InstancePlacesFor(name_)->socketFile;
    ASSERT_TRUE(std::filesystem::exists(socket_));
  }
  std::vector<std::string> Args(std::vector<std::string> options) const {
    std::vector<std::string> args{"--instance", name_, "--events", name_ + "_"};
    args.insert(args.end(), options.begin(), options.end());
    return args;
  }
  // A second start of the program gets through and is handled.
  void ExpectASecondStartStillGetsThrough() {
    const std::size_t before = Count(program_->Out(), "window: sent 0x5350 0x4F50454E");
    const Finished second = RunToEnd("ombrex-headless", Args({}), dir_.path());
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(Count(program_->Out(), "window: sent 0x5350 0x4F50454E"), before + 1);
    EXPECT_TRUE(program_->Running());
  }
  static std::size_t Count(const std::string& text, const std::string& line) {
    std::size_t count = 0;
    for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
      ++count;
    }
    return count;
  }

  test::TempDir dir_;
  VirtualKeyboard keyboard_{dir_.path()};
  const std::string name_ = "Zentrik_e2e" + std::to_string(::getpid());
  std::unique_ptr<Process> program_;
  std::filesystem::path socket_;
};

TEST_F(InstanceSocketTest, JunkAndHalfMessagesAreDroppedUnansweredAndTheProgramServesOn) {
  std::mt19937 random(5);
  const auto noise = [&](std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
  };
  std::vector<std::uint8_t> open = Request(kOpen);
  std::vector<std::uint8_t> cut(open.begin(), open.begin() + 23);
  std::vector<std::uint8_t> reserved = open;
  reserved[20] = 1;
  // A window message no other process may send: closing the window.
  const std::vector<std::uint8_t> foreign = Request({0x0010, 0, 0, false});
  const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> junk{
      {"nothing", {}},
      {"three bytes", noise(3)},
      {"a request's size of noise", noise(kInstanceRequestSize)},
      {"one byte short", cut},
      {"a reserved field set", reserved},
      {"64 KiB of noise", noise(64 * 1024)},
      {"a message other processes may not send", foreign},
  };
  for (const auto& [name, bytes] : junk) {
    Stranger stranger(socket_);
    ASSERT_TRUE(stranger.Connected()) << name;
    stranger.Send(bytes);
    const std::vector<std::uint8_t> answer = stranger.Answer();
    // A message a window takes is answered; nothing else is.
    if (name != std::string("a message other processes may not send")) {
      EXPECT_TRUE(answer.empty()) << name;
    }
  }
  EXPECT_EQ(program_->Out().find("window: sent 0x0010"), std::string::npos) << program_->Out();
  EXPECT_TRUE(program_->Running());

  // Half a message and then silence, as a copy that hung while sending.
  Stranger silent(socket_);
  silent.Send(std::vector<std::uint8_t>(open.begin(), open.begin() + 10));
  ExpectASecondStartStillGetsThrough();
}

TEST_F(InstanceSocketTest, AFloodOfStrangersLeavesNoOpenFilesBehind) {
  const std::size_t before = OpenFiles(program_->Pid());
  std::atomic<int> connected{0};
  std::vector<std::thread> floods;
  for (int t = 0; t < 4; ++t) {
    floods.emplace_back([this, t, &connected] {
      std::mt19937 random(t);
      for (int i = 0; i < 150; ++i) {
        Stranger stranger(socket_);
        if (stranger.Connected()) ++connected;
        std::vector<std::uint8_t> bytes(random() % 40);
        for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
        stranger.Send(bytes);
        stranger.Answer();
      }
    });
  }
  for (std::thread& flood : floods) flood.join();
  EXPECT_EQ(connected, 600);  // else a listener that stopped accepting would pass
  ExpectASecondStartStillGetsThrough();
  EXPECT_EQ(OpenFiles(program_->Pid()), before);
}

TEST_F(InstanceSocketTest, StrangersHoldingHalfMessagesCannotLockOutASecondStart) {
  // More silent callers than are ever served at once: each is given up on
  // in its turn, and the second start behind them gets through.
  const std::vector<std::uint8_t> open = Request(kOpen);
  std::vector<std::unique_ptr<Stranger>> silent;
  for (int i = 0; i < 10; ++i) {
    silent.push_back(std::make_unique<Stranger>(socket_));
    ASSERT_TRUE(silent.back()->Connected());
    silent.back()->Send(std::vector<std::uint8_t>(open.begin(), open.begin() + 1 + i));
  }
  ExpectASecondStartStillGetsThrough();
}

// Another user's process sends "/Kill" to the socket; what it saw: 0
// answered, 1 connected but never answered, else the errno of connect.
int AsAnotherUser(const std::filesystem::path& socket) {
  const pid_t child = ::fork();
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
      ::_exit(100);
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socket.native().copy(address.sun_path, sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) ::_exit(errno);
    const InstanceRequestBytes kill = EncodeInstanceRequest(kKill);
    // The listener may hang up first; then nothing is answered either.
    (void)!::send(fd, kill.data(), kill.size(), MSG_NOSIGNAL);
    std::uint8_t answer[8];
    ::_exit(::read(fd, answer, sizeof answer) > 0 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Lets everyone through the folders above `folder` (up to the temporary
// folder the test's own user folders live in) while it lives, as a system
// whose runtime folder others may enter.
class OpenAncestors {
 public:
  explicit OpenAncestors(const std::filesystem::path& folder) {
    const std::filesystem::path top = std::filesystem::temp_directory_path();
    for (auto at = folder.parent_path(); at != top && at != at.root_path(); at = at.parent_path()) {
      const auto perms = std::filesystem::status(at).permissions();
      opened_.push_back({at, perms});
      std::filesystem::permissions(at, perms | std::filesystem::perms::others_exec);
    }
  }
  ~OpenAncestors() {
    for (const auto& [folder, perms] : opened_) std::filesystem::permissions(folder, perms);
  }

 private:
  std::vector<std::pair<std::filesystem::path, std::filesystem::perms>> opened_;
};

TEST_F(InstanceSocketTest, AnotherUsersProcessCannotReachTheProgramNorKillIt) {
  const std::filesystem::path folder = socket_.parent_path();
  if (::geteuid() != 0) {
    // Without root no process here can take another uid (the suites run as
    // root); what refuses one is still checked: the folder is the user's alone.
    using std::filesystem::perms;
    const perms mode = std::filesystem::status(folder).permissions();
    EXPECT_EQ(mode & (perms::group_all | perms::others_all), perms::none);
    return;
  }
  {
    const OpenAncestors open(folder);
    EXPECT_EQ(AsAnotherUser(socket_), EACCES);  // the socket's folder is the user's alone

    // Even were the folder and the socket opened to everyone, the program
    // asks who is calling and never answers another user.
    std::filesystem::permissions(folder, std::filesystem::perms::all);
    std::filesystem::permissions(socket_, std::filesystem::perms::all);
    EXPECT_EQ(AsAnotherUser(socket_), 1);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    std::filesystem::permissions(
        socket_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  }
  EXPECT_EQ(program_->Out().find("window: sent 0x4D4B"), std::string::npos);
  EXPECT_TRUE(program_->Running());
  ExpectASecondStartStillGetsThrough();
}

}  // namespace
}  // namespace ombrex::e2e
