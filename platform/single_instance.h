#pragma once

// One running copy of the program per user, and the messages a second start
// sends to it.
//
// The running copy holds a lock file named after the instance name in the
// user's runtime folder and listens on a local socket in a folder only the
// user can enter. On Windows the lock is the named mutex of that name and the
// socket a named pipe that only the user may open. A second start that finds the lock held
// connects, sends its message and waits for the answer, which comes when the running copy has
// handled the message (a sent message), or at once (a posted one). A
// listener proves itself by answering with the main window's marker 'MAIN'.
//
// Nothing here can take another process for the running copy: the lock says
// whether one exists, and a process never waits for an answer from itself.

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ombrex {

// The program's own instance name; other programs of ours reach its window
// under it.
inline constexpr std::string_view kProgramInstanceName = "Zentrik_Ombrex";

struct InstanceMessage {
  std::uint32_t message = 0;
  std::uint32_t wParam = 0;
  std::uint32_t lParam = 0;
  // Queued for the window: the sender does not wait for it to be handled.
  bool posted = false;
  friend bool operator==(const InstanceMessage&, const InstanceMessage&) = default;
};

inline constexpr std::size_t kInstanceRequestSize = 24;
inline constexpr std::size_t kInstanceReplySize = 8;
// What a listener answers with: the main window's marker.
inline constexpr std::uint32_t kMainWindowMarker = 0x4D41494E;  // 'MAIN'

using InstanceRequestBytes = std::array<std::uint8_t, kInstanceRequestSize>;
InstanceRequestBytes EncodeInstanceRequest(const InstanceMessage& message);
// Only a complete, well-formed request decodes; anything else is nullopt.
std::optional<InstanceMessage> DecodeInstanceRequest(std::span<const std::uint8_t> bytes);

// Where the lock and the socket of an instance name live: the user's runtime
// folder ($XDG_RUNTIME_DIR, else a private folder below the temporary
// folder). On Windows the lock is the mutex <name> and the socket the pipe
// \\.\pipe\<name>-<user's SID>.
struct InstancePlaces {
  std::filesystem::path lockFile;    // <runtime>/<name>.lock
  std::filesystem::path socketFile;  // <runtime>/<name>/instance.sock, folder mode 0700
};
std::optional<InstancePlaces> InstancePlacesFor(std::string_view name);

// The listener of the running copy. Each connection is served on a thread of
// its own (a few at once), so a later start's message, an Exit, is handled
// while an earlier sender still waits for its answer behind a message box;
// the handler must be safe to call from several threads. For a sent message
// the sender gets its answer when the handler returns.
class InstanceListener {
 public:
  using Handler = std::function<void(const InstanceMessage&)>;

  InstanceListener() = default;
  // Close(), then waits for the listener's thread.
  ~InstanceListener();
  InstanceListener(const InstanceListener&) = delete;
  InstanceListener& operator=(const InstanceListener&) = delete;

  // Replaces a socket file left by a copy that died, then listens. Only the
  // holder of the instance lock may call this.
  bool Listen(const std::filesystem::path& socketFile, Handler handler);
  // Stops taking connections and removes the socket file. Safe from the
  // handler itself and from any thread; a message being handled still gets
  // its answer.
  void Close();
  // Close(), then waits until the listener's thread has ended (a message
  // being handled first runs to its end). Never from the handler itself.
  void Join();
  bool Listening() const { return listening_; }

 private:
#ifdef _WIN32
  void Run(void* pipe, void* stop);
  void Serve(void* pipe, void* stop);
  void* stop_ = nullptr;  // event that wakes the listener's thread
#else
  void Run(int listenFd, int wakeFd);
  void Serve(int connection);
  int wakeWrite_ = -1;
#endif
  // Runs `serve` on a thread of its own; false (and nothing run) when enough
  // connections are being served already.
  bool ServeAside(std::function<void()> serve);
  // Joins the connection threads that have ended (all of them with `all`).
  void Reap(bool all);

  struct Connection {
    std::thread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  std::vector<Connection> connections_;  // the listener's thread only

  Handler handler_;
  std::filesystem::path socketFile_;
  std::mutex closeMutex_;
  std::atomic<bool> listening_{false};
  std::thread thread_;
};

enum class Delivery {
  Delivered,      // the running copy answered as the main window
  NoRunningCopy,  // nobody holds the lock: this process now holds it
  NoAnswer,       // the lock is held, but no listener answered in time
};

class SingleInstance {
 public:
  // The places of `name`; without a runtime folder every call fails safe:
  // this process counts as the only copy.
  explicit SingleInstance(std::string_view name);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // Takes the lock if nobody holds it. True when this process holds it (also
  // when it already did).
  bool TryAcquire();
  bool Holds() const;

  // Delivers `message` to the running copy. While another process holds the
  // lock but does not listen yet (it is starting), keeps trying for
  // `patience`; when the lock becomes free, takes it and reports
  // NoRunningCopy. Once delivered, waits as long as the running copy takes to
  // handle a sent message.
  Delivery DeliverToRunningCopy(const InstanceMessage& message,
                                std::chrono::milliseconds patience = std::chrono::seconds(10));

  // Listens for the messages of later starts (holder only).
  bool Listen(InstanceListener::Handler handler);
  // Stops listening and releases the lock; safe from the listener's handler.
  void Close();
  // Close(), then waits for the listener's thread: after this no handler runs.
  void CloseAndWait();

  const std::optional<InstancePlaces>& Places() const { return places_; }

 private:
  std::optional<InstancePlaces> places_;
#ifdef _WIN32
  void* mutex_ = nullptr;
#else
  int lockFd_ = -1;
#endif
  InstanceListener listener_;
};

// One attempt: connects to a listener and delivers. True when it answered as
// the main window (for a sent message: once it has handled it).
bool SendToListener(const std::filesystem::path& socketFile, const InstanceMessage& message);

}  // namespace ombrex
