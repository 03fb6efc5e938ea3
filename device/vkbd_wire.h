#pragma once

// The local-socket protocol between the virtual keyboard daemon (ombrex-vkbd)
// and its clients: the service library's virtual backend and the daemon's own
// control commands. Stream socket; every message is one frame:
//
//   u32 length (LE, bytes after this field) | u8 type | payload
//
// Requests get exactly one reply, in order. Pushes (input reports, device
// count changes) go to every client that said Hello with role Library, and may
// arrive between a request and its reply; a client tells them apart by type.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace ombrex::vkbd_wire {

inline constexpr std::uint32_t kMaxFrame = 1u << 20;

enum class Type : std::uint8_t {
  // Requests.
  Hello = 0x01,           // u8 role (Role)
  GetDeviceCount = 0x02,  // -> Count
  WriteReport = 0x03,     // u16 usagePage, u16 usage, report bytes -> Written
  Plug = 0x10,            // -> Ack
  Unplug = 0x11,          // -> Ack
  Event = 0x12,           // u16 event code -> Ack
  Reset = 0x13,           // -> Ack
  Dump = 0x14,            // u8 Memory, u8 profile -> Data
  Shutdown = 0x15,        // -> Ack; the daemon exits after replying
  // Replies.
  Count = 0x81,    // u32 attached keyboards (0 or 1)
  Written = 0x82,  // i32 bytes written, 0 when no keyboard is attached
  Ack = 0x83,      // i32 result (1 done, 0 refused)
  Data = 0x84,     // bytes
  // Pushes.
  InputReport = 0x90,  // u16 usagePage, u16 usage, report bytes
  DeviceCount = 0x91,  // u32 attached keyboards after a plug or unplug
};

enum class Role : std::uint8_t { Library = 0, Control = 1 };

enum class Memory : std::uint8_t {
  Status = 0,
  Settings = 1,
  KeyTable = 2,  // with a profile 0..3
  Macro = 3,
  Colours = 4,
  DefaultKeyTable = 5,
  BankLed = 6,
};

struct Frame {
  Type type{};
  std::vector<std::uint8_t> payload;
};

inline void PutU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(std::uint8_t(v));
  out.push_back(std::uint8_t(v >> 8));
}
inline void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(v >> (8 * i)));
}
inline std::uint16_t GetU16(std::span<const std::uint8_t> in, std::size_t at) {
  return at + 2 <= in.size() ? std::uint16_t(in[at] | (in[at + 1] << 8)) : 0;
}
inline std::uint32_t GetU32(std::span<const std::uint8_t> in, std::size_t at) {
  if (at + 4 > in.size()) return 0;
  return std::uint32_t(in[at]) | (std::uint32_t(in[at + 1]) << 8) |
         (std::uint32_t(in[at + 2]) << 16) | (std::uint32_t(in[at + 3]) << 24);
}

// The bytes of one frame, length prefix included.
inline std::vector<std::uint8_t> Encode(Type type, std::span<const std::uint8_t> payload) {
  std::vector<std::uint8_t> out;
  out.reserve(5 + payload.size());
  PutU32(out, static_cast<std::uint32_t>(1 + payload.size()));
  out.push_back(static_cast<std::uint8_t>(type));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

// Takes one whole frame from the front of `buffer` when it holds one, removing
// its bytes. A length of 0 or above kMaxFrame is a broken stream: nullopt with
// `broken` set, and the caller drops the connection.
inline std::optional<Frame> TakeFrame(std::vector<std::uint8_t>& buffer, bool& broken) {
  broken = false;
  if (buffer.size() < 4) return std::nullopt;
  const std::uint32_t length = GetU32(buffer, 0);
  if (length == 0 || length > kMaxFrame) {
    broken = true;
    return std::nullopt;
  }
  if (buffer.size() < 4 + std::size_t(length)) return std::nullopt;
  Frame frame;
  frame.type = static_cast<Type>(buffer[4]);
  frame.payload.assign(buffer.begin() + 5, buffer.begin() + 4 + length);
  buffer.erase(buffer.begin(), buffer.begin() + 4 + length);
  return frame;
}

// Where the daemon listens: $OMBREX_VKBD_SOCKET, else
// $XDG_RUNTIME_DIR/ombrex-vkbd.sock, else /tmp/ombrex-vkbd-<uid>.sock.
inline std::string DefaultSocketPath() {
  if (const char* path = std::getenv("OMBREX_VKBD_SOCKET"); path != nullptr && *path != '\0') {
    return path;
  }
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime != '\0') {
    return std::string(runtime) + "/ombrex-vkbd.sock";
  }
#ifdef _WIN32
  return "ombrex-vkbd";
#else
  return "/tmp/ombrex-vkbd-" + std::to_string(::getuid()) + ".sock";
#endif
}

}  // namespace ombrex::vkbd_wire
