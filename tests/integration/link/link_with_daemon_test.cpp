// The program's device link through the real shared service library, loaded
// by name from the program folder, against the virtual keyboard daemon
// started as its own process on a private socket.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <numeric>
#include <optional>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "device/device_link.h"
#include "device/results.h"
#include "platform/text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_environment.h"

extern char** environ;

namespace ombrex {
namespace {

using namespace std::chrono_literals;

std::filesystem::path ProgramDir() {
  const char* dir = std::getenv("OMBREX_PROGRAM_DIR");
  return dir != nullptr ? dir : ".";
}

pid_t Spawn(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
  return pid;
}

int RunToEnd(const std::vector<std::string>& args) {
  const pid_t pid = Spawn(args);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The events the link's sink receives.
class EventLog {
 public:
  struct Entry {
    std::uint32_t kind, tag, count;
    std::vector<std::uint8_t> data;
  };
  void Attach(DeviceLink& link) {
    link.SetEventSink([this](const DeviceEvent& e) {
      std::lock_guard lock(mutex_);
      entries_.push_back({e.kind, e.tag, e.count, {e.data.begin(), e.data.end()}});
      changed_.notify_all();
    });
  }
  // The first event after those already looked at that matches, within 5 s.
  std::optional<Entry> Next(std::uint32_t kind, std::uint32_t tag) {
    std::unique_lock lock(mutex_);
    std::optional<Entry> found;
    changed_.wait_for(lock, 5s, [&] {
      for (; looked_ < entries_.size(); ++looked_) {
        if (entries_[looked_].kind == kind && entries_[looked_].tag == tag) {
          found = entries_[looked_++];
          return true;
        }
      }
      return false;
    });
    return found;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Entry> entries_;
  std::size_t looked_ = 0;
};

class LinkWithDaemon : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The library reads these when it starts; it is started once per process.
    socketDir_ = new test::TempDir();
    socket_ = (socketDir_->path() / "vkbd.sock").string();
    setenv("RAZIZID_BACKEND", test::DaemonBackend(), 1);
    setenv("OMBREX_VKBD_SOCKET", socket_.c_str(), 1);
    loaded_ = new ServiceLibraryResult(LoadServiceLibrary(ProgramDir() / ServiceLibraryFileName()));
  }
  static void TearDownTestSuite() {
    // The library stays loaded, as in the program; only our files go.
    delete socketDir_;
  }

  void SetUp() override {
    if (auto* error = std::get_if<ServiceLibraryError>(loaded_)) {
      FAIL() << Utf8FromUtf16(error->Text());
    }
    link_.emplace(std::get<ServiceLibrary>(*loaded_), state_);
    log_.Attach(*link_);
    ASSERT_GT(link_->RegisterReplyRead(), 0);
  }
  void TearDown() override {
    link_.reset();
    StopDaemon();
  }

  std::string Vkbd() const { return (ProgramDir() / "ombrex-vkbd").string(); }
  int Control(const std::string& command, const std::string& argument = "") {
    std::vector<std::string> args = {Vkbd(), command};
    if (!argument.empty()) args.push_back(argument);
    args.insert(args.end(), {"--socket", socket_});
    return RunToEnd(args);
  }
  void StartDaemon(std::vector<std::string> options = {}) {
    std::vector<std::string> args = {Vkbd(), "serve", "--socket", socket_};
    args.insert(args.end(), options.begin(), options.end());
    daemon_ = Spawn(args);
    ASSERT_GT(daemon_, 0) << "cannot start " << Vkbd();
  }
  void StopDaemon() {
    if (daemon_ <= 0) return;
    kill(daemon_, SIGTERM);
    waitpid(daemon_, nullptr, 0);
    daemon_ = -1;
  }
  // Waits until the library reports `count` keyboards on the reply read.
  bool CountBecomes(std::uint32_t count) {
    while (auto event = log_.Next(RAZIZID_EVENT_DEVICE_COUNT, RAZIZID_TAG_CONTROL)) {
      if (event->count == count) return true;
    }
    return false;
  }

  static inline test::TempDir* socketDir_ = nullptr;
  static inline std::string socket_;
  static inline ServiceLibraryResult* loaded_ = nullptr;

  AppState state_;
  std::optional<DeviceLink> link_;
  EventLog log_;
  pid_t daemon_ = -1;
};

TEST_F(LinkWithDaemon, DaemonStartedLaterArrivesAndItsKeyboardAnswers) {
  EXPECT_EQ(link_->DeviceCount(), 0) << "no daemon yet";
  StatusBlock block{};
  EXPECT_EQ(link_->Commands().ReadStatusBlock(block), result::kFailed);

  StartDaemon({"--macro-units", "200", "--active-profile", "1"});
  ASSERT_TRUE(CountBecomes(1));
  EXPECT_EQ(link_->DeviceCount(), 1);
  ASSERT_EQ(link_->Commands().ReadStatusBlock(block), result::kOk);
  EXPECT_EQ(block[protocol::kStatusMacroUnitsAt], 200);
  EXPECT_EQ(link_->Commands().ActiveProfile(), ProfileNumber(1));

  std::array<std::uint8_t, 192> table{};
  std::iota(table.begin(), table.end(), 9);
  ASSERT_EQ(link_->Commands().WriteKeyTable(table, 3), result::kOk);
  std::array<std::uint8_t, 192> readBack{};
  ASSERT_EQ(link_->Commands().ReadKeyTable(readBack, 3), result::kOk);
  EXPECT_EQ(readBack, table);
}

TEST_F(LinkWithDaemon, UnplugAndPlugArriveAsCountEventsAndConsumerEventsAsData) {
  StartDaemon();
  ASSERT_TRUE(CountBecomes(1));
  std::uint32_t consumerUnit = 0;
  ASSERT_GT(link_->StartRead(protocol::kConsumer, RAZIZID_TAG_CONSUMER, consumerUnit), 0);

  ASSERT_EQ(Control("event", "0x0401"), 0);
  const auto event = log_.Next(RAZIZID_EVENT_DATA, RAZIZID_TAG_CONSUMER);
  ASSERT_TRUE(event.has_value());
  EXPECT_EQ(event->data, (std::vector<std::uint8_t>{0x01, 0x04}));

  ASSERT_EQ(Control("unplug"), 0);
  ASSERT_TRUE(CountBecomes(0));
  StatusBlock block{};
  EXPECT_EQ(link_->Commands().ReadStatusBlock(block), result::kFailed);
  ASSERT_EQ(Control("plug"), 0);
  ASSERT_TRUE(CountBecomes(1));
  EXPECT_EQ(link_->Commands().ReadStatusBlock(block), result::kOk);
}

TEST_F(LinkWithDaemon, DaemonThatGoesAwayIsARemovalWithoutHangs) {
  StartDaemon();
  ASSERT_TRUE(CountBecomes(1));
  StopDaemon();
  ASSERT_TRUE(CountBecomes(0));
  StatusBlock block{};
  EXPECT_EQ(link_->Commands().ReadStatusBlock(block), result::kFailed);
}

TEST_F(LinkWithDaemon, KeyboardVanishingMidTransferGivesAResultCode) {
  StartDaemon({"--unplug-after", "3"});
  ASSERT_TRUE(CountBecomes(1));
  std::vector<std::uint8_t> macros(560);
  const DeviceResult result = link_->Commands().ReadMacroMemory(macros);
  EXPECT_TRUE(result == result::kNotWritten || result == result::kFailed ||
              result == result::kNoReply)
      << result;
  ASSERT_TRUE(CountBecomes(0));
}

}  // namespace
}  // namespace ombrex
