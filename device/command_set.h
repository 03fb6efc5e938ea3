#pragma once

// The keyboard's command set: every memory read and write, each as command
// packets through the transaction engine, with the chunking and status-block
// rules the keyboard needs. A multi-packet operation stops at the first packet
// that fails and returns its result. What the reads and writes of the key
// tables and the macro memory leave known of the keyboard is kept in
// Content().

#include <array>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string_view>

#include "device/default_key_table.h"
#include "device/keyboard_content.h"
#include "device/profile_number.h"
#include "device/protocol.h"
#include "device/results.h"
#include "platform/keyboard_lock.h"

namespace ombrex {

struct AppState;
class Transactor;

using StatusBlock = std::array<std::uint8_t, protocol::kStatusBlockSize>;

// What a hold on the keyboard changed there, as bits: what another program
// has to read again.
namespace keyboard_change {
inline constexpr unsigned kActiveProfile = 0x1;  // the status block
inline constexpr unsigned kLighting = 0x2;       // the settings memory
inline constexpr unsigned kAssignments = 0x4;    // key tables or macro memory
inline constexpr unsigned kKeyColours = 0x8;
}  // namespace keyboard_change

class CommandSet {
 public:
  CommandSet(Transactor& transactor, AppState& state, DefaultKeyTable& defaultKeyTable,
             std::string_view lockName = kKeyboardLockName);

  // The keyboard held for a chunked transfer, a begin...end sequence or a
  // lone packet: no other thread's packets and no other program's fall
  // between its packets. Holds nest: the operations below take one
  // themselves, and only the outermost takes the keyboard from other
  // programs, waiting at most the link's keyboard patience for them. When
  // that wait runs out the hold is empty (false) and every operation under
  // it gives kKeyboardBusy without sending anything.
  class [[nodiscard]] Hold {
   public:
    Hold(Hold&& other) noexcept;
    Hold& operator=(Hold&&) = delete;
    ~Hold();
    explicit operator bool() const { return held_; }

   private:
    friend class CommandSet;
    Hold(CommandSet& commands, std::unique_lock<std::recursive_mutex> turn, bool held);
    CommandSet* commands_;
    // Owned for a session; empty for Keep().
    std::unique_lock<std::recursive_mutex> turn_;
    bool held_;
  };
  Hold Session();
  // The keyboard kept from other programs of ours, without keeping this
  // program's own threads out: for a front end that runs a whole command as
  // one piece while part of it goes through another thread (the lighting
  // writer's worker, which takes sessions of its own). Sessions under it take
  // the keyboard at once. Let go on the thread that took it (a Windows mutex
  // belongs to its thread), after the work it waited for.
  Hold Keep();

  // Called, outside every lock and on the thread that let go, when the
  // keyboard is given back to other programs after packets that changed it
  // were sent, with the keyboard_change bits.
  void SetChangeHook(std::function<void(unsigned changed)> hook);

  DeviceResult BeginTransfer();  // 0x01
  DeviceResult EndTransfer();    // waits 10 ms, then 0x02
  // For a caller that knew when it wrote last and has already spent part of
  // the wait: only what is left of the 10 ms after `lastWrite`, then 0x02.
  DeviceResult EndTransfer(std::chrono::steady_clock::time_point lastWrite);
  std::chrono::milliseconds EndTransferPause() const;

  DeviceResult ReadStatusBlock(std::span<std::uint8_t, protocol::kStatusBlockSize> out);
  DeviceResult WriteStatusBlock(std::span<const std::uint8_t, protocol::kStatusBlockSize> block);

  // deviceProfile when known; otherwise reads the status block and caches byte
  // 10 when it is 0..3. Empty when the read fails or the byte is out of range.
  std::optional<ProfileNumber> ActiveProfile();
  // Reads the status block (a failed read changes nothing), sets byte 10 and
  // writes it back; deviceProfile := profile on success, unknown on a failed
  // write.
  DeviceResult SetActiveProfile(ProfileNumber profile);

  // 0x05: 56 bytes of reply data are copied whatever the count.
  DeviceResult ReadSettings(std::span<std::uint8_t, protocol::kPayloadSize> out, std::uint8_t count,
                            std::uint16_t address);
  // 0x06: bytes at a byte address of the settings memory, 56 to a packet.
  DeviceResult WriteSettings(std::span<const std::uint8_t> data, std::uint16_t address);

  // 0x07 / 0x08: four packets (56, 56, 56, 24 bytes) at 192 * profile.
  DeviceResult ReadKeyTable(std::span<std::uint8_t, protocol::kKeyTableSize> out,
                            ProfileNumber profile);
  DeviceResult WriteKeyTable(std::span<const std::uint8_t, protocol::kKeyTableSize> table,
                             ProfileNumber profile);

  // 0x09 / 0x0A: 56-byte chunks from offset 0; size 0 succeeds at once.
  DeviceResult ReadMacroMemory(std::span<std::uint8_t> out);
  DeviceResult WriteMacroMemory(std::span<const std::uint8_t> data);

  // Part of one key table, `offset` counted from the table's start, or of the
  // macro memory; 56 bytes to a packet from `offset` on. kFailed, nothing
  // sent, for a range outside the table.
  DeviceResult ReadKeyTableAt(ProfileNumber profile, std::size_t offset,
                              std::span<std::uint8_t> out);
  DeviceResult WriteKeyTableAt(ProfileNumber profile, std::size_t offset,
                               std::span<const std::uint8_t> data);
  DeviceResult ReadMacroMemoryAt(std::size_t offset, std::span<std::uint8_t> out);
  DeviceResult WriteMacroMemoryAt(std::size_t offset, std::span<const std::uint8_t> data);

  // 0x0F: four packets.
  DeviceResult ReadDefaultKeyTable(std::span<std::uint8_t, protocol::kKeyTableSize> out);

  // 0x11: colours at 192 * profile + 3 * led, 54 bytes to a packet. kFailed
  // for an LED outside 0..63, nothing sent then.
  DeviceResult WriteKeyColours(std::span<const std::uint8_t> data, ProfileNumber profile, int led);

  AppState& State() { return state_; }
  KeyboardContent& Content() { return content_; }
  DefaultKeyTable& DefaultTable() { return defaultKeyTable_; }

 private:
  // One packet; on success copies replyData.size() bytes of reply data.
  DeviceResult Exchange(protocol::Command command, std::uint8_t count, std::uint16_t address,
                        std::span<const std::uint8_t> payload, std::span<std::uint8_t> replyData);
  // `tracked` names the memory whose content the packets read or change.
  DeviceResult ReadChunked(protocol::Command command, std::size_t base, std::span<std::uint8_t> out,
                           std::size_t chunk, std::optional<ContentMemory> tracked = {});
  DeviceResult WriteChunked(protocol::Command command, std::size_t base,
                            std::span<const std::uint8_t> data, std::size_t chunk,
                            std::optional<ContentMemory> tracked = {});

  // The end of one session, under session_; the change bits when it gave the
  // keyboard back.
  unsigned EndHold();
  // Counted uses of the keyboard lock by this program's holds.
  bool TakeKeyboard();
  unsigned GiveBackKeyboard();

  Transactor& transactor_;
  AppState& state_;
  DefaultKeyTable& defaultKeyTable_;
  KeyboardContent content_;
  std::recursive_mutex session_;
  // Under session_:
  int depth_ = 0;
  bool busy_ = false;  // the outermost session did not get the keyboard
  // Under keyboardMutex_:
  std::mutex keyboardMutex_;
  KeyboardLock keyboardLock_;
  int keyboardUsers_ = 0;
  // The keyboard lock's count of changing holds when this one last let go.
  std::uint64_t seenChanges_ = 0;
  std::function<void(unsigned)> changeHook_;
  // Written under session_ by every thread that sends.
  std::atomic<unsigned> changed_{0};
};

}  // namespace ombrex
