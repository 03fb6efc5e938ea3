#pragma once

// Key events in the terms of the Windows keyboard hook: a virtual key and the
// 32-bit key-message parameter (bits 16..23 the set-1 scan code, bit 24 the
// extended flag, bit 30 "was already down", bit 31 release). Key capture and
// the macro recorder judge every key in these terms, whatever the platform
// delivered, so one set of rules serves X11, Wayland and Windows.
//
// From a toolkit's key event (X keycode and keysym under X11 and Wayland; the
// message's own scan code and virtual key on Windows):
//
//   const KeyMessage message = KeyMessageFromXkb(event.nativeScanCode(),
//                                                event.nativeVirtualKey(),
//                                                {.release = true});
//   const KeyCode key = CodeFromKeyMessage(message.vk, message.param);
//
// One table names every physical key we know: its evdev code (X keycode - 8),
// the set-1 scan code Windows reports for it (0x100 + second byte for E0 keys,
// so Num Lock is 0x145 and Pause 0x045) and the keysyms it produces with the
// virtual key of each. A keysym the table does not know gives virtual key
// 0xFF, so the scan code alone names the key; layout-dependent punctuation
// (shifted symbols, the ISO key's "<") is left unknown on purpose for that
// reason. Everything here is a table search over constant data: no
// allocation, no lock, safe on any thread.

#include <cstdint>
#include <optional>
#include <span>

namespace ombrex {

// What the owner of a key event decided: let the window and the system see it,
// or take it.
enum class KeyDisposition { Pass, Swallow };

namespace key_message_bits {
inline constexpr std::uint32_t kScanShift = 16;
inline constexpr std::uint32_t kScanMask = 0x1FF;  // scan byte and extended flag
inline constexpr std::uint32_t kWasDown = 1u << 30;
inline constexpr std::uint32_t kRelease = 1u << 31;
}  // namespace key_message_bits

struct KeyMessage {
  std::uint8_t vk = 0;
  std::uint32_t param = 0;

  // Bits 16..24: the set-1 scan code with 0x100 for an extended key.
  std::uint16_t ScanCode() const;
  bool IsRelease() const { return (param & key_message_bits::kRelease) != 0; }
  // An auto-repeated press: not a release, and the key was already down.
  bool IsRepeat() const { return !IsRelease() && (param & key_message_bits::kWasDown) != 0; }
  bool IsFirstPress() const {
    return (param & (key_message_bits::kRelease | key_message_bits::kWasDown)) == 0;
  }
  friend bool operator==(const KeyMessage&, const KeyMessage&) = default;
};

// A key message with the time the platform stamped on it, where it gives one
// (X server milliseconds under X11, the message time on Windows). The stamps
// of one source wrap at 2^32 ms; only their differences mean anything.
struct TimedKeyMessage {
  KeyMessage message;
  std::optional<std::uint32_t> stampMs;
};

struct KeyTransition {
  bool release = false;
  bool repeat = false;  // a press while the key is already down
};

// The parameter Windows would report: one repeat, the scan code, bit 30 for a
// repeat and for every release, bit 31 for a release.
std::uint32_t KeyMessageParam(std::uint16_t scanCode, KeyTransition transition);

// One physical key: its evdev code and set-1 scan code, and the keysyms it
// produces in the usual layouts with the virtual key of each.
struct KeysymVk {
  std::uint32_t keysym = 0;
  std::uint8_t vk = 0;
};
struct KeyMessageRow {
  std::uint16_t evdev = 0;
  std::uint16_t scanCode = 0;
  std::span<const KeysymVk> keysyms;
};
std::span<const KeyMessageRow> KeyMessageTable();

// The set-1 scan code of an evdev code; 0 when the table has no such key.
std::uint16_t ScanCodeFromEvdev(std::uint32_t evdev);
// X keycodes are evdev codes + 8; 0 for keycodes below 8 or unknown.
std::uint16_t ScanCodeFromXKeycode(std::uint32_t keycode);
// The Windows virtual key of a keysym; 0xFF when the table does not know it.
std::uint8_t VirtualKeyFromKeysym(std::uint32_t keysym);

// X11 and Wayland: the native scan code is the X keycode, the native virtual
// key the keysym.
KeyMessage KeyMessageFromXkb(std::uint32_t keycode, std::uint32_t keysym, KeyTransition transition);
// Windows: the message's own scan code (bit 8 = extended) and virtual key.
KeyMessage KeyMessageFromWindows(std::uint32_t scanCode, std::uint32_t vk,
                                 KeyTransition transition);

}  // namespace ombrex
