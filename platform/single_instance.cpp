#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/text.h"

#ifdef _WIN32
#include <vector>

#include "platform/win32.h"
// After windows.h, which it needs.
#include <sddl.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace ombrex {

namespace {

constexpr std::uint32_t kRequestMagic = 0x58424D4F;  // "OMBX" as it lies in memory
constexpr std::uint32_t kFlagPosted = 0x1;
// A client that connects and then says nothing does not hold the listener up.
constexpr int kRequestTimeoutMs = 2000;

void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetU32(const std::uint8_t* at) {
  return std::uint32_t(at[0]) | std::uint32_t(at[1]) << 8 | std::uint32_t(at[2]) << 16 |
         std::uint32_t(at[3]) << 24;
}

using InstanceReplyBytes = std::array<std::uint8_t, kInstanceReplySize>;

// A posted message is answered before it is handled, a sent one after.
template <typename Answer>
void HandleAndAnswer(const InstanceListener::Handler& handler, const InstanceMessage& message,
                     Answer answer) {
  InstanceReplyBytes reply{};
  PutU32(&reply[0], kMainWindowMarker);
  if (message.posted) answer(reply);
  handler(message);
  if (!message.posted) answer(reply);
}

bool IsMainWindowAnswer(const InstanceReplyBytes& reply) {
  return GetU32(&reply[0]) == kMainWindowMarker;
}

}  // namespace

InstanceRequestBytes EncodeInstanceRequest(const InstanceMessage& message) {
  InstanceRequestBytes bytes{};
  PutU32(&bytes[0], kRequestMagic);
  PutU32(&bytes[4], message.posted ? kFlagPosted : 0);
  PutU32(&bytes[8], message.message);
  PutU32(&bytes[12], message.wParam);
  PutU32(&bytes[16], message.lParam);
  return bytes;
}

std::optional<InstanceMessage> DecodeInstanceRequest(std::span<const std::uint8_t> bytes) {
  if (bytes.size() != kInstanceRequestSize) return std::nullopt;
  const std::uint32_t flags = GetU32(&bytes[4]);
  if (GetU32(&bytes[0]) != kRequestMagic || (flags & ~kFlagPosted) != 0 ||
      GetU32(&bytes[20]) != 0) {
    return std::nullopt;
  }
  return InstanceMessage{GetU32(&bytes[8]), GetU32(&bytes[12]), GetU32(&bytes[16]),
                         (flags & kFlagPosted) != 0};
}

#ifndef _WIN32

namespace {

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// A folder of ours alone: created 0700 when missing; an existing one must be
// a real folder owned by this user that nobody else may enter.
bool PrivateFolder(const std::filesystem::path& folder) {
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  if (::lstat(folder.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

std::optional<std::filesystem::path> RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::filesystem::path(runtime);
  std::error_code ec;
  std::filesystem::path fallback = std::filesystem::temp_directory_path(ec);
  if (ec) fallback = "/tmp";
  fallback /= "ombrex-" + std::to_string(::geteuid());
  if (!PrivateFolder(fallback)) return std::nullopt;
  return fallback;
}

bool FillAddress(const std::filesystem::path& socketFile, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  const std::string& path = socketFile.native();
  if (path.size() >= sizeof(address.sun_path)) return false;
  path.copy(address.sun_path, path.size());
  return true;
}

// Reads exactly `size` bytes within the timeout (-1: no limit).
bool ReadExactly(int fd, std::uint8_t* buffer, std::size_t size, int timeoutMs) {
  std::size_t done = 0;
  while (done < size) {
    pollfd waiting{fd, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    const ssize_t got = ::read(fd, buffer + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool WriteAll(int fd, const std::uint8_t* bytes, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t put = ::send(fd, bytes + done, size - done, MSG_NOSIGNAL);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

bool SameUser(int connection) {
#ifdef SO_PEERCRED
  ucred peer{};
  socklen_t length = sizeof peer;
  if (::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0) return false;
  return peer.uid == ::geteuid();
#else
  uid_t uid = 0;
  gid_t gid = 0;
  return ::getpeereid(connection, &uid, &gid) == 0 && uid == ::geteuid();
#endif
}

}  // namespace

std::optional<InstancePlaces> InstancePlacesFor(std::string_view name) {
  const std::optional<std::filesystem::path> runtime = RuntimeFolder();
  if (!runtime) return std::nullopt;
  const std::string stem(name);
  return InstancePlaces{*runtime / (stem + ".lock"), *runtime / stem / "instance.sock"};
}

bool InstanceListener::Listen(const std::filesystem::path& socketFile, Handler handler) {
  if (listening_ || thread_.joinable()) return false;
  sockaddr_un address{};
  if (!FillAddress(socketFile, address) || !PrivateFolder(socketFile.parent_path())) return false;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // Only the lock holder gets here, so a file in the way is a dead copy's.
  ::unlink(socketFile.c_str());
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::chmod(socketFile.c_str(), 0600) != 0 || ::listen(fd, 8) != 0) {
    CloseFd(fd);
    ::unlink(socketFile.c_str());
    return false;
  }
  int wake[2];
  if (::pipe2(wake, O_CLOEXEC) != 0) {
    CloseFd(fd);
    ::unlink(socketFile.c_str());
    return false;
  }
  handler_ = std::move(handler);
  socketFile_ = socketFile;
  {
    std::lock_guard lock(closeMutex_);
    wakeWrite_ = wake[1];
  }
  listening_ = true;
  thread_ = std::thread([this, fd, wakeRead = wake[0]] { Run(fd, wakeRead); });
  return true;
}

void InstanceListener::Close() {
  std::lock_guard lock(closeMutex_);
  if (wakeWrite_ < 0) return;
  listening_ = false;
  ::unlink(socketFile_.c_str());
  const std::uint8_t stop = 1;
  [[maybe_unused]] const ssize_t written = ::write(wakeWrite_, &stop, 1);
  CloseFd(wakeWrite_);
}

void InstanceListener::Run(int listenFd, int wakeFd) {
  for (;;) {
    pollfd waiting[2] = {{listenFd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    const int ready = ::poll(waiting, 2, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0 || waiting[1].revents != 0) break;
    if ((waiting[0].revents & POLLIN) == 0) continue;
    int connection = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Reap(false);
    const bool aside = ServeAside([this, connection] {
      Serve(connection);
      int fd = connection;
      CloseFd(fd);
    });
    if (!aside) {
      Serve(connection);
      CloseFd(connection);
    }
  }
  CloseFd(listenFd);
  CloseFd(wakeFd);
  // Messages being handled run to their end and get their answers.
  Reap(true);
}

void InstanceListener::Serve(int connection) {
  if (!SameUser(connection)) return;
  InstanceRequestBytes request{};
  if (!ReadExactly(connection, request.data(), request.size(), kRequestTimeoutMs)) return;
  const std::optional<InstanceMessage> message = DecodeInstanceRequest(request);
  if (!message) return;
  HandleAndAnswer(handler_, *message, [connection](const InstanceReplyBytes& reply) {
    WriteAll(connection, reply.data(), reply.size());
  });
}

bool SendToListener(const std::filesystem::path& socketFile, const InstanceMessage& message) {
  sockaddr_un address{};
  if (!FillAddress(socketFile, address)) return false;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const InstanceRequestBytes request = EncodeInstanceRequest(message);
  InstanceReplyBytes reply{};
  // No time limit on the answer: the running copy may be showing a message
  // box, and the sender waits until it has been closed.
  const bool answered =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      WriteAll(fd, request.data(), request.size()) &&
      ReadExactly(fd, reply.data(), reply.size(), -1) && IsMainWindowAnswer(reply);
  CloseFd(fd);
  return answered;
}

bool SingleInstance::TryAcquire() {
  if (Holds()) return true;
  int fd = ::open(places_->lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    CloseFd(fd);
    return false;
  }
  lockFd_ = fd;
  return true;
}

bool SingleInstance::Holds() const {
  return lockFd_ >= 0 || !places_;
}

void SingleInstance::Close() {
  listener_.Close();
  CloseFd(lockFd_);
}

#else

namespace {

constexpr DWORD kReplyTimeoutMs = 2000;

std::wstring Wide(std::string_view utf8) {
  const std::u16string text = Utf16FromUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}

// The user this process runs as, as its SID (binary and "S-1-5-...").
struct CurrentUser {
  std::vector<std::uint8_t> token;  // TOKEN_USER
  std::wstring sidText;
  PSID Sid() const { return reinterpret_cast<const TOKEN_USER*>(token.data())->User.Sid; }
};

std::optional<CurrentUser> UserOf(HANDLE process) {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &raw)) return std::nullopt;
  const OwnedHandle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  CurrentUser user;
  user.token.resize(size);
  if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, user.token.data(), size, &size)) {
    return std::nullopt;
  }
  LPWSTR text = nullptr;
  if (!ConvertSidToStringSidW(user.Sid(), &text)) return std::nullopt;
  user.sidText = text;
  LocalFree(text);
  return user;
}

std::optional<CurrentUser> TheCurrentUser() {
  return UserOf(GetCurrentProcess());
}

// Pipe names are one namespace for the whole machine: another user could
// have made ours before the running copy did. Only a listener of this user
// gets the message.
bool ServedByThisUser(HANDLE pipe) {
  ULONG serverId = 0;
  if (!GetNamedPipeServerProcessId(pipe, &serverId)) return false;
  const OwnedHandle server(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId));
  if (!server.Valid()) return false;
  const std::optional<CurrentUser> owner = UserOf(server.Get());
  const std::optional<CurrentUser> me = TheCurrentUser();
  return owner && me && EqualSid(owner->Sid(), me->Sid());
}

// A few senders are served at once (an Exit while an Open waits).
constexpr DWORD kPipeInstances = 8;

// A pipe only this user may open: one entry granting everything to the
// user's SID and nothing to anyone else. The first instance is ours or the
// pipe is refused, so no other process can sit on the name first; the later
// instances serve senders while earlier ones are still being answered.
HANDLE CreatePrivatePipe(const std::wstring& name, bool first) {
  const std::optional<CurrentUser> user = TheCurrentUser();
  if (!user) return INVALID_HANDLE_VALUE;
  const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(user->Sid());
  std::vector<std::uint8_t> aclBytes(aclSize);
  ACL* acl = reinterpret_cast<ACL*>(aclBytes.data());
  SECURITY_DESCRIPTOR descriptor{};
  if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
      !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, user->Sid()) ||
      !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)) {
    return INVALID_HANDLE_VALUE;
  }
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &descriptor, FALSE};
  return CreateNamedPipeW(
      name.c_str(),
      PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | (first ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0),
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, kPipeInstances,
      kInstanceReplySize, kInstanceRequestSize, 0, &attributes);
}

enum class Io { Done, Failed, Stopped };

// Waits for an overlapped operation, for `stop` or for the time limit;
// anything but completion cancels it.
Io Finish(HANDLE pipe, OVERLAPPED& pending, HANDLE stop, DWORD timeoutMs, DWORD& bytes) {
  const HANDLE waiting[2] = {pending.hEvent, stop};
  const DWORD woke = WaitForMultipleObjects(stop != nullptr ? 2 : 1, waiting, FALSE, timeoutMs);
  if (woke != WAIT_OBJECT_0) {
    CancelIoEx(pipe, &pending);
    GetOverlappedResult(pipe, &pending, &bytes, TRUE);
    return woke == WAIT_OBJECT_0 + 1 ? Io::Stopped : Io::Failed;
  }
  return GetOverlappedResult(pipe, &pending, &bytes, FALSE) ? Io::Done : Io::Failed;
}

Io Start(BOOL started, HANDLE pipe, OVERLAPPED& pending, HANDLE stop, DWORD timeoutMs,
         DWORD& bytes) {
  if (started) return GetOverlappedResult(pipe, &pending, &bytes, FALSE) ? Io::Done : Io::Failed;
  if (GetLastError() != ERROR_IO_PENDING) return Io::Failed;
  return Finish(pipe, pending, stop, timeoutMs, bytes);
}

Io Transfer(HANDLE pipe, std::uint8_t* buffer, std::size_t size, bool reading, HANDLE stop,
            DWORD timeoutMs) {
  std::size_t done = 0;
  while (done < size) {
    OVERLAPPED pending{};
    OwnedHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event.Valid()) return Io::Failed;
    pending.hEvent = event.Get();
    const DWORD wanted = static_cast<DWORD>(size - done);
    DWORD bytes = 0;
    const BOOL started = reading ? ReadFile(pipe, buffer + done, wanted, nullptr, &pending)
                                 : WriteFile(pipe, buffer + done, wanted, nullptr, &pending);
    const Io io = Start(started, pipe, pending, stop, timeoutMs, bytes);
    if (io != Io::Done) return io;
    if (bytes == 0) return Io::Failed;
    done += bytes;
  }
  return Io::Done;
}

}  // namespace

std::optional<InstancePlaces> InstancePlacesFor(std::string_view name) {
  const std::optional<CurrentUser> user = TheCurrentUser();
  if (!user) return std::nullopt;
  // Pipe names are seen by every session of the machine, so the user's SID
  // keeps two users' copies apart; the mutex is a name of the session.
  return InstancePlaces{
      std::filesystem::path(Wide(name)),
      std::filesystem::path(L"\\\\.\\pipe\\" + Wide(name) + L"-" + user->sidText)};
}

bool InstanceListener::Listen(const std::filesystem::path& socketFile, Handler handler) {
  if (listening_ || thread_.joinable()) return false;
  const HANDLE pipe = CreatePrivatePipe(socketFile.native(), true);
  if (pipe == INVALID_HANDLE_VALUE) return false;
  const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (stop == nullptr) {
    CloseHandle(pipe);
    return false;
  }
  handler_ = std::move(handler);
  socketFile_ = socketFile;
  {
    std::lock_guard lock(closeMutex_);
    stop_ = stop;
  }
  listening_ = true;
  thread_ = std::thread([this, pipe, stop] { Run(pipe, stop); });
  return true;
}

void InstanceListener::Close() {
  std::lock_guard lock(closeMutex_);
  if (stop_ == nullptr) return;
  listening_ = false;
  // The thread owns the event from here and closes it with the pipe, whose
  // name goes away with its last handle.
  SetEvent(static_cast<HANDLE>(stop_));
  stop_ = nullptr;
}

void InstanceListener::Run(void* pipe, void* stop) {
  const HANDLE stopEvent = static_cast<HANDLE>(stop);
  for (;;) {
    OVERLAPPED pending{};
    OwnedHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event.Valid()) break;
    pending.hEvent = event.Get();
    DWORD bytes = 0;
    const BOOL connected = ConnectNamedPipe(static_cast<HANDLE>(pipe), &pending);
    Io io = Io::Done;
    if (!connected && GetLastError() == ERROR_IO_PENDING) {
      io = Finish(static_cast<HANDLE>(pipe), pending, stopEvent, INFINITE, bytes);
    } else if (!connected && GetLastError() != ERROR_PIPE_CONNECTED) {
      io = Io::Failed;
    }
    if (io == Io::Stopped) break;
    if (io == Io::Done) {
      // The connected instance is served aside while the next one waits
      // for the next sender.
      Reap(false);
      const HANDLE next = CreatePrivatePipe(socketFile_.native(), false);
      const HANDLE served = static_cast<HANDLE>(pipe);
      if (next != INVALID_HANDLE_VALUE && ServeAside([this, served, stop] {
            Serve(served, stop);
            DisconnectNamedPipe(served);
            CloseHandle(served);
          })) {
        pipe = next;
        if (WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0) break;
        continue;
      }
      if (next != INVALID_HANDLE_VALUE) CloseHandle(next);
      Serve(pipe, stop);
    }
    DisconnectNamedPipe(static_cast<HANDLE>(pipe));
    if (WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0) break;
  }
  CloseHandle(static_cast<HANDLE>(pipe));
  // Messages being handled run to their end and get their answers.
  Reap(true);
  CloseHandle(stopEvent);
}

void InstanceListener::Serve(void* pipe, void* stop) {
  const HANDLE connection = static_cast<HANDLE>(pipe);
  InstanceRequestBytes request{};
  if (Transfer(connection, request.data(), request.size(), true, static_cast<HANDLE>(stop),
               kRequestTimeoutMs) != Io::Done) {
    return;
  }
  const std::optional<InstanceMessage> message = DecodeInstanceRequest(request);
  if (!message) return;
  HandleAndAnswer(handler_, *message, [connection](InstanceReplyBytes reply) {
    Transfer(connection, reply.data(), reply.size(), false, nullptr, kReplyTimeoutMs);
  });
  // Disconnecting throws away what the sender has not read yet: wait until
  // it has read the answer and closed its end.
  std::uint8_t rest = 0;
  Transfer(connection, &rest, 1, true, nullptr, kReplyTimeoutMs);
}

bool SendToListener(const std::filesystem::path& socketFile, const InstanceMessage& message) {
  HANDLE opened = INVALID_HANDLE_VALUE;
  for (;;) {
    opened = CreateFileW(socketFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    if (opened != INVALID_HANDLE_VALUE) break;
    // The listener serves one start at a time: wait for its turn as a
    // connection waits in a socket's backlog. A listener that goes away
    // ends the wait.
    if (GetLastError() != ERROR_PIPE_BUSY ||
        !WaitNamedPipeW(socketFile.c_str(), NMPWAIT_WAIT_FOREVER)) {
      return false;
    }
  }
  const OwnedHandle pipe(opened);
  if (!ServedByThisUser(pipe.Get())) return false;
  InstanceRequestBytes request = EncodeInstanceRequest(message);
  DWORD written = 0;
  if (!WriteFile(pipe.Get(), request.data(), static_cast<DWORD>(request.size()), &written,
                 nullptr) ||
      written != request.size()) {
    return false;
  }
  // No time limit on the answer: the running copy may be showing a message
  // box, and the sender waits until it has been closed.
  InstanceReplyBytes reply{};
  std::size_t got = 0;
  while (got < reply.size()) {
    DWORD bytes = 0;
    if (!ReadFile(pipe.Get(), reply.data() + got, static_cast<DWORD>(reply.size() - got), &bytes,
                  nullptr) ||
        bytes == 0) {
      return false;
    }
    got += bytes;
  }
  return IsMainWindowAnswer(reply);
}

bool SingleInstance::TryAcquire() {
  if (Holds()) return true;
  // The mutex exists as long as any copy holds a handle to it: whoever made
  // it is the running copy.
  const HANDLE mutex = CreateMutexW(nullptr, FALSE, places_->lockFile.c_str());
  if (mutex == nullptr) return false;
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    return false;
  }
  mutex_ = mutex;
  return true;
}

bool SingleInstance::Holds() const {
  return mutex_ != nullptr || !places_;
}

void SingleInstance::Close() {
  listener_.Close();
  if (mutex_ != nullptr) CloseHandle(static_cast<HANDLE>(mutex_));
  mutex_ = nullptr;
}
#endif

bool InstanceListener::ServeAside(std::function<void()> serve) {
  constexpr std::size_t kMostAtOnce = 8;
  if (connections_.size() >= kMostAtOnce) return false;
  auto done = std::make_shared<std::atomic<bool>>(false);
  connections_.push_back({std::thread([serve = std::move(serve), done] {
                            serve();
                            *done = true;
                          }),
                          done});
  return true;
}

void InstanceListener::Reap(bool all) {
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (all || *it->done) {
      it->thread.join();
      it = connections_.erase(it);
    } else {
      ++it;
    }
  }
}

InstanceListener::~InstanceListener() {
  Join();
}

void InstanceListener::Join() {
  Close();
  if (thread_.joinable()) thread_.join();
}

SingleInstance::SingleInstance(std::string_view name) : places_(InstancePlacesFor(name)) {}

SingleInstance::~SingleInstance() {
  Close();
}

Delivery SingleInstance::DeliverToRunningCopy(const InstanceMessage& message,
                                              std::chrono::milliseconds patience) {
  const auto deadline = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (TryAcquire()) return Delivery::NoRunningCopy;
    if (SendToListener(places_->socketFile, message)) return Delivery::Delivered;
    if (std::chrono::steady_clock::now() >= deadline) return Delivery::NoAnswer;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool SingleInstance::Listen(InstanceListener::Handler handler) {
  if (!places_ || !Holds()) return false;
  return listener_.Listen(places_->socketFile, std::move(handler));
}

void SingleInstance::CloseAndWait() {
  Close();
  listener_.Join();
}

}  // namespace ombrex
