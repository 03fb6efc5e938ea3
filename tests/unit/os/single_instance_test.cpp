// The single-instance rule as two copies of the program see it. Two
// SingleInstance objects in one process stand for two processes: the lock
// file is taken per open file, so they exclude each other just the same.

#include "platform/single_instance.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/portable.h"
#include "tests/support/temp_dir.h"

#ifdef _WIN32
#include "platform/win32.h"
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>
#else
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace ombrex {
namespace {

using namespace std::chrono_literals;

constexpr InstanceMessage kOpen{0x5350, 0x4F50454E, 0, false};
constexpr InstanceMessage kKill{0x4D4B, 0x4C4C494B, 0, false};

class SingleInstanceTest : public ::testing::Test {
 protected:
  // A name of the test's own: test processes run side by side. Short, as a
  // socket path has room for little more than 100 bytes.
  const std::string& Name() const { return name_; }
  const std::string name_ =
      "Zentrik_t" + std::to_string(test::ProcessId()) + "_" + std::to_string(next_++);
  static inline int next_ = 0;

  // What the running copy's window received.
  struct Received {
    std::mutex mutex;
    std::vector<InstanceMessage> messages;
    void Add(const InstanceMessage& m) {
      std::lock_guard lock(mutex);
      messages.push_back(m);
    }
    std::vector<InstanceMessage> Get() {
      std::lock_guard lock(mutex);
      return messages;
    }
  };
};

// A handler that holds its message until the test lets it go.
class Gate {
 public:
  void Enter() {
    std::unique_lock lock(mutex_);
    ++entered_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  bool WaitUntilEntered() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [this] { return entered_ > 0; });
  }
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  int entered_ = 0;
  bool open_ = false;
};

// A client that speaks to the listener byte by byte, as a careless or hostile
// one might: a Unix socket here, the named pipe on Windows.
class RawClient {
 public:
  explicit RawClient(const std::filesystem::path& socketFile) {
#ifdef _WIN32
    handle_ = CreateFileW(socketFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          OPEN_EXISTING, 0, nullptr);
#else
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketFile.native().copy(address.sun_path, socketFile.native().size());
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
#endif
  }
  ~RawClient() {
#ifdef _WIN32
    if (Connected()) CloseHandle(handle_);
#else
    if (Connected()) ::close(fd_);
#endif
  }
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

#ifdef _WIN32
  bool Connected() const {
    return handle_ != INVALID_HANDLE_VALUE;
  }
  bool Write(const std::uint8_t* bytes, std::size_t size) {
    DWORD done = 0;
    return WriteFile(handle_, bytes, static_cast<DWORD>(size), &done, nullptr) && done == size;
  }
  // A pipe cannot be half closed: the listener sees the end of a short
  // request only when its time for the request runs out.
  void EndWriting() {}
  bool HasBytesWaiting() {
    DWORD waiting = 0;
    return PeekNamedPipe(handle_, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0;
  }
  long Read(std::uint8_t* buffer, std::size_t size) {
    DWORD got = 0;
    return ReadFile(handle_, buffer, static_cast<DWORD>(size), &got, nullptr) ? long(got) : -1;
  }
#else
  bool Connected() const {
    return fd_ >= 0;
  }
  bool Write(const std::uint8_t* bytes, std::size_t size) {
    return ::write(fd_, bytes, size) == ssize_t(size);
  }
  void EndWriting() {
    ::shutdown(fd_, SHUT_WR);
  }
  bool HasBytesWaiting() {
    pollfd waiting{fd_, POLLIN, 0};
    return ::poll(&waiting, 1, 0) > 0;
  }
  long Read(std::uint8_t* buffer, std::size_t size) {
    return long(::read(fd_, buffer, size));
  }
#endif

  // Everything until the listener hangs up.
  std::vector<std::uint8_t> ReadAll() {
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[64];
    long got = 0;
    while ((got = Read(buffer, sizeof buffer)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
    return bytes;
  }

 private:
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
  int fd_ = -1;
#endif
};

// Something at the socket's place that takes each request and closes without
// answering, as no running copy would: every attempt of a second start shows
// up here, so a test can act once one has been made.
class MuteListener {
 public:
  explicit MuteListener(const std::filesystem::path& socketFile) : socketFile_(socketFile) {
#ifdef _WIN32
    pipe_ = NewInstance();
    EXPECT_NE(pipe_, INVALID_HANDLE_VALUE);
#else
    std::filesystem::create_directories(socketFile.parent_path());
    std::filesystem::permissions(socketFile.parent_path(), std::filesystem::perms::owner_all);
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketFile.native().copy(address.sun_path, socketFile.native().size());
    EXPECT_EQ(::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(::listen(listenFd_, 8), 0);
#endif
    thread_ = std::thread([this] { Run(); });
  }
  ~MuteListener() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
#ifdef _WIN32
    // A connection ends the wait for one; the pipe may be between two.
    for (int attempt = 0; attempt < 50 && !RawClient(socketFile_).Connected(); ++attempt) {
      WaitNamedPipeW(socketFile_.c_str(), 100);
    }
    thread_.join();
    CloseHandle(pipe_);
#else
    ::shutdown(listenFd_, SHUT_RDWR);  // ends the accept
    thread_.join();
    ::close(listenFd_);
    std::filesystem::remove(socketFile_);
#endif
  }
  bool WaitForAttempts(int count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 10s, [&] { return attempts_ >= count; });
  }

 private:
#ifdef _WIN32
  HANDLE NewInstance() const {
    return CreateNamedPipeW(socketFile_.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                            kInstanceReplySize, kInstanceRequestSize, 0, nullptr);
  }
  bool TakeRequest() {
    if (!ConnectNamedPipe(pipe_, nullptr) && GetLastError() != ERROR_PIPE_CONNECTED) return false;
    InstanceRequestBytes request{};
    DWORD got = 0;
    ReadFile(pipe_, request.data(), static_cast<DWORD>(request.size()), &got, nullptr);
    DisconnectNamedPipe(pipe_);
    return true;
  }
#else
  bool TakeRequest() {
    const int connection = ::accept(listenFd_, nullptr, nullptr);
    if (connection < 0) return false;
    InstanceRequestBytes request{};
    (void)!::read(connection, request.data(), request.size());
    ::close(connection);
    return true;
  }
#endif

  void Run() {
    while (TakeRequest()) {
      std::lock_guard lock(mutex_);
      if (stopping_) return;
      ++attempts_;
      changed_.notify_all();
    }
  }

  std::filesystem::path socketFile_;
#ifdef _WIN32
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
#else
  int listenFd_ = -1;
#endif
  std::mutex mutex_;
  std::condition_variable changed_;
  int attempts_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

TEST_F(SingleInstanceTest, TheFirstCopyHoldsTheLockAndASecondDeliversToItAndWaits) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  Gate gate;
  Received received;
  ASSERT_TRUE(first.Listen([&](const InstanceMessage& m) {
    gate.Enter();
    received.Add(m);
  }));

  // Sent, not posted: while the window handles it, no answer is on its way.
  std::uint8_t reply[kInstanceReplySize] = {};
  {
    RawClient client(first.Places()->socketFile);
    ASSERT_TRUE(client.Connected());
    const InstanceRequestBytes request = EncodeInstanceRequest(kOpen);
    ASSERT_TRUE(client.Write(request.data(), request.size()));
    ASSERT_TRUE(gate.WaitUntilEntered());
    EXPECT_FALSE(client.HasBytesWaiting()) << "answered before the window handled it";
    gate.Open();
    EXPECT_EQ(client.Read(reply, sizeof reply), long(sizeof reply));
  }
  EXPECT_EQ(reply[0] | reply[1] << 8 | reply[2] << 16 | reply[3] << 24, kMainWindowMarker);

  SingleInstance second(Name());
  EXPECT_FALSE(second.TryAcquire());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::Delivered);
  EXPECT_EQ(received.Get(), (std::vector<InstanceMessage>{kOpen, kOpen}));
  EXPECT_FALSE(second.Holds());
}

TEST_F(SingleInstanceTest, APostedMessageIsAnsweredBeforeItIsHandled) {
  Gate gate;
  std::atomic<bool> handled{false};
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  ASSERT_TRUE(first.Listen([&](const InstanceMessage&) {
    gate.Enter();
    handled = true;
  }));
  SingleInstance second(Name());
  InstanceMessage timeChange{0x001E, 0, 0, true};
  EXPECT_EQ(second.DeliverToRunningCopy(timeChange), Delivery::Delivered);
  EXPECT_FALSE(handled);
  gate.Open();
}

TEST_F(SingleInstanceTest, WithoutARunningCopyTheSenderBecomesTheRunningCopy) {
  SingleInstance only(Name());
  EXPECT_EQ(only.DeliverToRunningCopy(kKill, 200ms), Delivery::NoRunningCopy);
  EXPECT_TRUE(only.Holds());
  SingleInstance later(Name());
  EXPECT_FALSE(later.TryAcquire());
}

TEST_F(SingleInstanceTest, ACopyThatHoldsTheLockButNeverListensGetsNoAnswer) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen, 150ms), Delivery::NoAnswer);
  EXPECT_FALSE(second.Holds());
}

TEST_F(SingleInstanceTest, ASecondStartKeepsTryingUntilACopyStillStartingUpListens) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  Received received;
  auto notYet = std::make_unique<MuteListener>(first.Places()->socketFile);
  std::thread starting([&] {
    // Listens only once the second start has tried and got no answer.
    notYet->WaitForAttempts(1);
    notYet.reset();
    first.Listen([&](const InstanceMessage& m) { received.Add(m); });
  });
  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::Delivered);
  starting.join();
  EXPECT_EQ(received.Get().size(), 1u);
}

TEST_F(SingleInstanceTest, ACopyEndingWhileASecondWaitsLeavesTheLockToIt) {
  auto first = std::make_unique<SingleInstance>(Name());
  ASSERT_TRUE(first->TryAcquire());
  MuteListener notAnswering(first->Places()->socketFile);
  std::thread ending([&] {
    // Ends once the second start has found it and got no answer.
    notAnswering.WaitForAttempts(1);
    first.reset();
  });
  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::NoRunningCopy);
  ending.join();
  EXPECT_TRUE(second.Holds());
}

#ifdef _WIN32
// A pipe name exists while a listener holds it; asking never connects.
bool SocketExists(const std::filesystem::path& pipe) {
  return WaitNamedPipeW(pipe.c_str(), 1) || GetLastError() != ERROR_FILE_NOT_FOUND;
}
#else
bool SocketExists(const std::filesystem::path& socket) {
  return std::filesystem::exists(socket);
}
#endif

TEST_F(SingleInstanceTest, ClosingFromTheHandlerStillAnswersAndRemovesTheSocket) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  ASSERT_TRUE(first.Listen([&](const InstanceMessage&) { first.Close(); }));
  const std::filesystem::path socket = first.Places()->socketFile;
  ASSERT_TRUE(SocketExists(socket));

  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kKill), Delivery::Delivered);
#ifdef _WIN32
  // The pipe goes with the listener thread's handle, once the answer is read.
  first.CloseAndWait();
#endif
  EXPECT_FALSE(SocketExists(socket));
  EXPECT_FALSE(first.Holds());
  EXPECT_TRUE(second.TryAcquire());
}

#ifdef _WIN32
// The pipe's only access entry is this user's, and a pipe of that name that
// someone else made first is never mistaken for ours.
TEST_F(SingleInstanceTest, OnlyTheUserCanOpenThePipeAndNobodyCanTakeItsNameFirst) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  const std::filesystem::path pipe = first.Places()->socketFile;
  const HANDLE squatter =
      CreateNamedPipeW(pipe.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 8, 8, 0, nullptr);
  ASSERT_NE(squatter, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(first.Listen([](const InstanceMessage&) {}));
  CloseHandle(squatter);

  ASSERT_TRUE(first.Listen([](const InstanceMessage&) {}));
  const HANDLE client =
      CreateFileW(pipe.c_str(), GENERIC_READ | READ_CONTROL, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(client, INVALID_HANDLE_VALUE);
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_EQ(GetSecurityInfo(client, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                            &dacl, nullptr, &descriptor),
            static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(client);
  ASSERT_NE(dacl, nullptr);
  EXPECT_EQ(dacl->AceCount, 1);
  void* ace = nullptr;
  ASSERT_TRUE(GetAce(dacl, 0, &ace));
  const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
  EXPECT_EQ(allowed->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
  LPWSTR sid = nullptr;
  ASSERT_TRUE(ConvertSidToStringSidW(const_cast<DWORD*>(&allowed->SidStart), &sid));
  EXPECT_NE(pipe.native().find(sid), std::wstring::npos) << "the pipe is named for its user";
  LocalFree(sid);
  LocalFree(descriptor);

  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::Delivered);
}

#else
TEST_F(SingleInstanceTest, OnlyTheUserCanReachTheSocketAndAStaleOneIsReplaced) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  const InstancePlaces places = *first.Places();
  std::filesystem::create_directories(places.socketFile.parent_path());
  std::filesystem::permissions(places.socketFile.parent_path(), std::filesystem::perms::owner_all);
  { std::ofstream(places.socketFile) << "left by a copy that crashed"; }

  ASSERT_TRUE(first.Listen([](const InstanceMessage&) {}));
  struct stat socketInfo {};
  struct stat folderInfo {};
  ASSERT_EQ(::stat(places.socketFile.c_str(), &socketInfo), 0);
  ASSERT_EQ(::stat(places.socketFile.parent_path().c_str(), &folderInfo), 0);
  EXPECT_TRUE(S_ISSOCK(socketInfo.st_mode));
  EXPECT_EQ(socketInfo.st_mode & 0777, 0600u);
  EXPECT_EQ(folderInfo.st_mode & 0777, 0700u);
  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::Delivered);
}

TEST_F(SingleInstanceTest, AFolderOthersMayEnterIsRefused) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  const std::filesystem::path folder = first.Places()->socketFile.parent_path();
  std::filesystem::create_directories(folder);
  std::filesystem::permissions(folder, std::filesystem::perms::all);
  EXPECT_FALSE(first.Listen([](const InstanceMessage&) {}));
  std::filesystem::remove_all(folder);
}

#endif

// Connects and writes raw bytes, then reads whatever comes back.
std::vector<std::uint8_t> RawExchange(const std::filesystem::path& socketFile,
                                      const std::vector<std::uint8_t>& bytes) {
  RawClient client(socketFile);
  if (!client.Connected()) return {};
  if (!bytes.empty()) client.Write(bytes.data(), bytes.size());
  client.EndWriting();
  return client.ReadAll();
}

TEST_F(SingleInstanceTest, MalformedRequestsAreDroppedAndTheListenerServesOn) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  Received received;
  ASSERT_TRUE(first.Listen([&](const InstanceMessage& m) { received.Add(m); }));
  const std::filesystem::path socket = first.Places()->socketFile;

  InstanceRequestBytes good = EncodeInstanceRequest(kOpen);
  std::vector<std::uint8_t> wrongMagic(good.begin(), good.end());
  wrongMagic[0] ^= 0xFF;
  std::vector<std::uint8_t> unknownFlag(good.begin(), good.end());
  unknownFlag[4] = 0x02;
  std::vector<std::uint8_t> cutShort(good.begin(), good.begin() + 10);
  for (const auto& bytes : {std::vector<std::uint8_t>{}, wrongMagic, unknownFlag, cutShort}) {
    EXPECT_TRUE(RawExchange(socket, bytes).empty());
  }
  EXPECT_TRUE(received.Get().empty());
  SingleInstance second(Name());
  EXPECT_EQ(second.DeliverToRunningCopy(kOpen), Delivery::Delivered);
  EXPECT_EQ(received.Get(), std::vector<InstanceMessage>{kOpen});
}

TEST(InstanceRequestTest, RoundTripsAndRejectsAnythingElse) {
  const InstanceMessage posted{0x001E, 7, 9, true};
  EXPECT_EQ(DecodeInstanceRequest(EncodeInstanceRequest(posted)), posted);
  EXPECT_EQ(DecodeInstanceRequest(EncodeInstanceRequest(kKill)), kKill);

  InstanceRequestBytes bytes = EncodeInstanceRequest(kKill);
  std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
  longer.push_back(0);
  EXPECT_FALSE(DecodeInstanceRequest(longer));
  EXPECT_FALSE(DecodeInstanceRequest(std::span(bytes).first(23)));
  bytes[20] = 1;  // reserved
  EXPECT_FALSE(DecodeInstanceRequest(bytes));
}

}  // namespace
}  // namespace ombrex

namespace ombrex {
namespace {

TEST_F(SingleInstanceTest, AnExitIsHandledWhileAnEarlierSenderStillWaitsForItsAnswer) {
  SingleInstance first(Name());
  ASSERT_TRUE(first.TryAcquire());
  std::atomic<bool> killed{false};
  std::atomic<bool> openBegun{false};
  // The Open waits for its handling (a message box) until the Exit came.
  ASSERT_TRUE(first.Listen([&](const InstanceMessage& m) {
    if (m.message == kOpen.message) {
      openBegun = true;
      while (!killed) std::this_thread::yield();
    } else {
      killed = true;
    }
  }));
  std::atomic<int> opened{-1};
  std::thread second([&] {
    SingleInstance copy(Name());
    opened = copy.DeliverToRunningCopy(kOpen, 2s) == Delivery::Delivered ? 1 : 0;
  });
  while (!openBegun) std::this_thread::yield();
  std::atomic<int> exited{-1};
  std::thread third([&] {
    SingleInstance copy(Name());
    exited = copy.DeliverToRunningCopy(kKill, 2s) == Delivery::Delivered ? 1 : 0;
  });
  // A listener serving one message at a time would never read the Exit.
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!killed && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  EXPECT_TRUE(killed) << "the Exit was not read while the Open waited";
  killed = true;
  second.join();
  third.join();
  EXPECT_EQ(exited, 1);
  EXPECT_EQ(opened, 1) << "answered once its handling ended";
  first.CloseAndWait();
}

}  // namespace
}  // namespace ombrex
