#include "platform/single_instance.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

#ifndef _WIN32
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

InstanceListener::~InstanceListener() {
  Join();
}

void InstanceListener::Join() {
  Close();
  if (thread_.joinable()) thread_.join();
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
    Serve(connection);
    CloseFd(connection);
  }
  CloseFd(listenFd);
  CloseFd(wakeFd);
}

void InstanceListener::Serve(int connection) {
  if (!SameUser(connection)) return;
  InstanceRequestBytes request{};
  if (!ReadExactly(connection, request.data(), request.size(), kRequestTimeoutMs)) return;
  const std::optional<InstanceMessage> message = DecodeInstanceRequest(request);
  if (!message) return;
  std::array<std::uint8_t, kInstanceReplySize> reply{};
  PutU32(&reply[0], kMainWindowMarker);
  // A posted message is answered before it is handled, a sent one after.
  if (message->posted) WriteAll(connection, reply.data(), reply.size());
  handler_(*message);
  if (!message->posted) WriteAll(connection, reply.data(), reply.size());
}

bool SendToListener(const std::filesystem::path& socketFile, const InstanceMessage& message) {
  sockaddr_un address{};
  if (!FillAddress(socketFile, address)) return false;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const InstanceRequestBytes request = EncodeInstanceRequest(message);
  std::array<std::uint8_t, kInstanceReplySize> reply{};
  // No time limit on the answer: the running copy may be showing a message
  // box, and the sender waits until it has been closed.
  const bool answered =
      ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      WriteAll(fd, request.data(), request.size()) &&
      ReadExactly(fd, reply.data(), reply.size(), -1) && GetU32(&reply[0]) == kMainWindowMarker;
  CloseFd(fd);
  return answered;
}

SingleInstance::SingleInstance(std::string_view name) : places_(InstancePlacesFor(name)) {}

SingleInstance::~SingleInstance() {
  Close();
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
  if (!places_ || lockFd_ < 0) return false;
  return listener_.Listen(places_->socketFile, std::move(handler));
}

void SingleInstance::Close() {
  listener_.Close();
  CloseFd(lockFd_);
}

void SingleInstance::CloseAndWait() {
  Close();
  listener_.Join();
}

#else  // _WIN32: not built yet; every start counts as the only copy.

std::optional<InstancePlaces> InstancePlacesFor(std::string_view) {
  return std::nullopt;
}
InstanceListener::~InstanceListener() = default;
void InstanceListener::Join() {}
bool InstanceListener::Listen(const std::filesystem::path&, Handler) {
  return false;
}
void InstanceListener::Close() {}
void InstanceListener::Run(int, int) {}
void InstanceListener::Serve(int) {}
bool SendToListener(const std::filesystem::path&, const InstanceMessage&) {
  return false;
}
SingleInstance::SingleInstance(std::string_view) {}
SingleInstance::~SingleInstance() = default;
bool SingleInstance::TryAcquire() {
  return true;
}
Delivery SingleInstance::DeliverToRunningCopy(const InstanceMessage&, std::chrono::milliseconds) {
  return Delivery::NoRunningCopy;
}
bool SingleInstance::Listen(InstanceListener::Handler) {
  return false;
}
void SingleInstance::Close() {}
void SingleInstance::CloseAndWait() {}

#endif

}  // namespace ombrex
