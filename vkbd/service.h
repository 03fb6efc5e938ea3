#pragma once

// The daemon's rules apart from any transport: what each request of the wire
// protocol does, which client receives which push, the reply latency and the
// faults. The socket server feeds it the frames it reads and carries what it
// sends; tests and the fuzzer drive it directly. Single-threaded: one loop
// owns it.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "device/vkbd_wire.h"
#include "vkbd/keyboard.h"
#include "vkbd/replay.h"
#include "vkbd/trace_file.h"

namespace ombrex::vkbd {

using ClientId = std::uint64_t;
using SteadyClock = std::chrono::steady_clock;

class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // One encoded frame (length prefix included) for one client. Must not call
  // back into the Service.
  virtual void Send(ClientId client, std::vector<std::uint8_t> frame) = 0;
};

struct ServiceOptions {
  FaultOptions faults;
  bool startPlugged = true;
  std::filesystem::path stateFile;  // empty: nothing is persisted
  TraceFile* trace = nullptr;       // not owned; null: no trace
  // Not owned; set: every report written is answered from this recorded
  // session instead of by the keyboard model.
  Replay* replay = nullptr;
  std::function<void(std::string_view)> log;  // problems worth a line on stderr
};

// The bytes of one memory as `dump` shows them; nullopt for an unknown memory
// or a key-table profile outside 0..3.
std::optional<std::vector<std::uint8_t>> DumpMemory(const Memories& memories,
                                                    vkbd_wire::Memory memory, std::uint8_t profile);

class Service {
 public:
  Service(Keyboard& keyboard, FrameSink& sink, ServiceOptions options);
  ~Service();
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  void Connect(ClientId client);
  void Disconnect(ClientId client);
  // One request; its reply, and any push it causes, go to the sink.
  void Receive(ClientId client, const vkbd_wire::Frame& frame, SteadyClock::time_point now);

  // Sends the delayed replies whose time has come, oldest first.
  void RunDue(SteadyClock::time_point now);
  std::optional<SteadyClock::time_point> NextDue() const;

  bool Plugged() const { return plugged_; }
  bool ShutdownRequested() const { return shutdown_; }

 private:
  void Reply(ClientId client, vkbd_wire::Type type, std::span<const std::uint8_t> payload);
  void ReplyAck(ClientId client, bool done);
  void ReplyWritten(ClientId client, std::int32_t written);
  void PushToLibraries(vkbd_wire::Type type, std::span<const std::uint8_t> payload);
  void PushInputReport(protocol::Interface from, std::span<const std::uint8_t> report);

  void OnHello(ClientId client, std::span<const std::uint8_t> payload);
  void OnWriteReport(ClientId client, std::span<const std::uint8_t> payload,
                     SteadyClock::time_point now);
  void OnControlPacket(ClientId client, std::span<const std::uint8_t> packet,
                       SteadyClock::time_point now);
  void OnReplayedReport(ClientId client, protocol::Interface to,
                        std::span<const std::uint8_t> report, SteadyClock::time_point now);
  void OnEvent(ClientId client, std::span<const std::uint8_t> payload);
  void OnDump(ClientId client, std::span<const std::uint8_t> payload);

  void SetPlugged(bool plugged);
  void Persist();
  void Log(std::string_view message) const;

  Keyboard& keyboard_;
  FrameSink& sink_;
  ServiceOptions options_;
  FaultPlan faults_;
  std::map<ClientId, vkbd_wire::Role> clients_;
  // Encoded InputReport frames waiting for their time; equal times keep the
  // order they were queued in.
  std::multimap<SteadyClock::time_point, std::vector<std::uint8_t>> delayed_;
  bool plugged_;
  bool shutdown_ = false;
};

}  // namespace ombrex::vkbd
