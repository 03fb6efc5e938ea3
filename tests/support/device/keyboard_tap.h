#pragma once

// Watches the command packets that reach a virtual keyboard, in the order it
// carried them out, and can hold the thread that sent one: a test then knows
// a transfer is in flight and acts while it is.
//
//   test::KeyboardTap tap(rig.Keyboard());
//   tap.HoldNext(protocol::Command::EndTransfer);
//   writer.WriteSettings(1, value);                   // its batch starts
//   ASSERT_TRUE(tap.WaitHeld());                      // ... and waits at its end
//   ... changes made while it is in flight ...
//   tap.Release();
//   tap.Count(protocol::Command::BeginTransfer);      // transfers so far

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "device/protocol.h"
#include "vkbd/keyboard.h"

namespace ombrex::test {

struct SentPacket {
  protocol::Command command;
  std::uint8_t count = 0;
  std::uint16_t address = 0;
  std::vector<std::uint8_t> payload;  // `count` bytes, at most 56
};

class KeyboardTap {
 public:
  explicit KeyboardTap(vkbd::Keyboard& keyboard);
  // Lets a held sender go and leaves the keyboard unwatched.
  ~KeyboardTap();
  KeyboardTap(const KeyboardTap&) = delete;
  KeyboardTap& operator=(const KeyboardTap&) = delete;

  std::vector<SentPacket> Packets() const;
  std::size_t Count(protocol::Command command) const;
  std::size_t Total() const;
  void Clear();

  // The next packet with this command holds its sender (after the keyboard
  // carried it out, before it answers) until Release.
  void HoldNext(protocol::Command command);
  // Waits (a hang guard bounds it) until a sender is held.
  bool WaitHeld(std::chrono::milliseconds guard = std::chrono::seconds(10));
  void Release();
  // Waits until `count` packets of a command have arrived.
  bool WaitCount(protocol::Command command, std::size_t count,
                 std::chrono::milliseconds guard = std::chrono::seconds(10));

 private:
  void OnPacket(const vkbd::Packet& request);
  std::size_t CountLocked(protocol::Command command) const;  // mutex_ held

  vkbd::Keyboard& keyboard_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<SentPacket> packets_;
  std::optional<protocol::Command> holdFor_;
  bool holding_ = false;
};

}  // namespace ombrex::test
