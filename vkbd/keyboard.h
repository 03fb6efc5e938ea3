#pragma once

// The virtual Ombrex keyboard: a model of the keyboard's side of every command
// and event, used in-process by tests and benchmarks and served to the service
// library by the ombrex-vkbd daemon. Its memories are plain bytes laid out as
// the keyboard keeps them.
//
// Thread-safe: every member may be called from any thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "device/protocol.h"

namespace ombrex::vkbd {

using Packet = std::array<std::uint8_t, protocol::kPacketSize>;

// What the keyboard is made with (and returns to on reset).
struct FactoryConfig {
  // The read-only factory key table (command 0x0F). Default: the table the
  // real keyboard ships with.
  std::array<std::uint8_t, protocol::kKeyTableSize> defaultKeyTable = BuiltInDefaultKeyTable();
  // Status byte 11: macro memory size in 128-byte units (255 = 32640 bytes).
  std::uint8_t macroCapacityUnits = 255;
  // Status bytes 12..43: the offered lighting modes, 0 = empty place.
  std::array<std::uint8_t, protocol::kStatusModeCount> modes = DefaultModes();
  std::uint8_t activeProfile = 0;

  static std::array<std::uint8_t, protocol::kKeyTableSize> BuiltInDefaultKeyTable();
  static std::array<std::uint8_t, protocol::kStatusModeCount> DefaultModes();  // 1..18, 20, 22, 23
};

struct Memories {
  std::array<std::uint8_t, protocol::kStatusBlockSize> status{};
  std::array<std::uint8_t, protocol::kSettingsSize> settings{};
  std::array<std::uint8_t, protocol::kProfileCount * protocol::kKeyTableSize> keyTables{};
  std::vector<std::uint8_t> macro;  // macroCapacityUnits * 128 bytes
  std::array<std::uint8_t, protocol::kKeyColoursSize> keyColours{};
  std::array<std::uint8_t, protocol::kKeyTableSize> defaultKeyTable{};
  std::array<std::uint8_t, protocol::kBankLedSize> bankLed{};
};

class Keyboard {
 public:
  explicit Keyboard(FactoryConfig config = {});

  // One command packet written to the control interface; the keyboard's
  // 64-byte reply (same command code; status 0xFF or 0xFE when refused: bad
  // checksum, bad count, a request outside a memory, an unknown command).
  // With `loseWrite` a write is answered as taken but its memory keeps the
  // old bytes, as a keyboard that drops a write on the floor.
  Packet HandleCommand(std::span<const std::uint8_t> packet, bool loseWrite = false);

  // A report written to the bank LED interface (two bytes are kept).
  void WriteBankLed(std::span<const std::uint8_t> report);

  // The keyboard raises a consumer event: applies its own side of it first
  // (profile change 0x0401 moves the active profile on by one, reset 0x0403
  // restores the factory memories) and returns the report it sends: the code
  // as a little-endian u16.
  std::array<std::uint8_t, 2> RaiseEvent(std::uint16_t code);

  // Sets the active profile directly, as the keyboard's own profile key does,
  // before a 0x0401 event is raised by the caller (optional).
  void SetActiveProfile(std::uint8_t profile);

  // Factory memories, configuration kept.
  void Reset();

  // Between a begin-transfer and the next end-transfer.
  bool InTransfer() const;

  Memories Snapshot() const;
  const FactoryConfig& Config() const;

  // Persistence: the whole memory set. Save writes atomically (temporary file
  // and rename). Load refuses a file of the wrong shape and keeps the
  // current memories.
  bool SaveState(const std::filesystem::path& file) const;
  bool LoadState(const std::filesystem::path& file);

  // Called (outside the lock) after every end-transfer command, so the daemon
  // can persist its state at the moment the host finished a transfer.
  void SetCommitHook(std::function<void()> hook);
  // Called (outside the lock, before the commit hook) with every command
  // packet once it was carried out, on the thread that sent it: tests see
  // what reached the keyboard, in order, and can hold a transfer there.
  void SetCommandHook(std::function<void(const Packet& request)> hook);

 private:
  // The reply status of one whole-size request; fills the reply's data.
  std::uint8_t Execute(const Packet& request, Packet& reply, bool loseWrite);
  std::uint8_t ExecuteStatusBlock(const Packet& request, Packet& reply, bool loseWrite);
  void RestoreFactoryMemories();

  mutable std::mutex mutex_;
  FactoryConfig config_;
  Memories memories_;
  std::function<void()> commitHook_;
  std::function<void(const Packet&)> commandHook_;
  bool inTransfer_ = false;
  // SetActiveProfile already moved the profile for the next 0x0401.
  bool profileChosen_ = false;
};

// The memories of a keyboard fresh from the factory (or after a reset).
Memories FactoryMemories(const FactoryConfig& config);

// Deterministic faults for tests and benchmarks, applied by whoever carries the
// packets (the daemon, or the in-process backend of the service library).
struct FaultOptions {
  unsigned latencyMs = 0;  // before each reply
  std::uint64_t seed = 1;
  double dropRate = 0;            // reply never sent
  double refuseRate = 0;          // reply status forced to 0xFF or 0xFE
  double wrongCodeRate = 0;       // reply carries another command code
  std::uint64_t unplugAfter = 0;  // unplug after this many packets (0 = never)
  double loseWriteRate = 0;       // a write acknowledged, the old bytes kept
};

class FaultPlan {
 public:
  enum class Action { Deliver, Drop, Refuse, WrongCode };
  explicit FaultPlan(FaultOptions options = {});

  // The fate of the next packet (and alters `reply` for Refuse / WrongCode).
  Action Next(Packet& reply);
  // True once the unplug-after count has been reached (reported once).
  bool ShouldUnplugNow();
  // Whether the keyboard loses this packet's write; asked before the keyboard
  // handles it. Never for a packet that writes nothing.
  bool LosesWrite(std::span<const std::uint8_t> request);
  const FaultOptions& Options() const { return options_; }

 private:
  FaultOptions options_;
  std::uint64_t state_;
  // Its own sequence, so that adding lost writes changes no other fate.
  std::uint64_t loseState_;
  std::uint64_t packets_ = 0;
  bool unplugged_ = false;
};

}  // namespace ombrex::vkbd
