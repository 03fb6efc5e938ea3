#pragma once

// How device code reaches the main window. The keyboard's events and the
// device watcher run on other threads than the window; they never touch it
// directly but go through this interface, which the window implements by
// carrying every call over to its own thread. A call made on the window's
// thread runs directly. Tests implement it with a recording fake.

#include <array>
#include <cstdint>
#include <string_view>

#include "device/g_keys.h"
#include "device/protocol.h"

namespace ombrex {

// The main window's custom messages: two-letter numbers and four-letter tags
// (first letter in the highest byte). A message whose tag does not match is
// ignored, except 'GS', which has none.
namespace window_message {
using protocol::FourCC;
inline constexpr std::uint32_t kShowPanel = 0x5350;     // 'SP': wParam kOpen (or kVersion)
inline constexpr std::uint32_t kKill = 0x4D4B;          // 'MK': wParam kKillTag
inline constexpr std::uint32_t kInit = 0x4D4E;          // 'MN': wParam kInitTag, the ready point
inline constexpr std::uint32_t kReload = 0x5452;        // 'TR': wParam kProfile
inline constexpr std::uint32_t kCloseEditors = 0x4753;  // 'GS': any parameters
inline constexpr std::uint32_t kBankChanged = 0x5045;   // 'PE': wParam kLedTag
inline constexpr std::uint32_t kLanguage = 0x5041;      // 'PA': wParam kLanguageTag
inline constexpr std::uint32_t kTimeChange = 0x001E;    // posted from outside: Apply
// Posted from outside by another program of ours after it changed the
// keyboard: wParam kChangedTag, lParam what changed (keyboard_change bits).
inline constexpr std::uint32_t kKeyboardChanged = 0x4B43;  // 'KC'

inline constexpr std::uint32_t kOpen = FourCC('O', 'P', 'E', 'N');
inline constexpr std::uint32_t kVersion = 0x564552;    // 'VER'
inline constexpr std::uint32_t kKillTag = 0x4C4C494B;  // the letters KILL as they lie in memory
inline constexpr std::uint32_t kInitTag = FourCC('I', 'N', 'I', 'T');
inline constexpr std::uint32_t kProfile = FourCC('P', 'R', 'O', 'F');
inline constexpr std::uint32_t kLedTag = 0x004C4544;  // 'LED'
inline constexpr std::uint32_t kLanguageTag = FourCC('L', 'A', 'N', 'G');
inline constexpr std::uint32_t kChangedTag = FourCC('C', 'H', 'N', 'G');
}  // namespace window_message

// One-shot timers the keyboard's events start on the window.
inline constexpr int kTimerFollowProfile = 1051;
inline constexpr int kTimerResetFromKeyboard = 1053;

// Tray pictures (icon resource numbers) and the two kinds of picture change:
// the presence picture is remembered, the indicator picture shows over it.
inline constexpr int kTrayNoKeyboard = 128;
inline constexpr int kTrayKeyboard = 141;
inline constexpr int kTrayIndicator = 142;
inline constexpr int kTrayPresence = 0;  // with 0 as picture: the remembered one
inline constexpr int kTrayOverlay = 1;

using GKeyCaptions = std::array<std::u16string_view, kGKeyCount>;

class WindowLink {
 public:
  virtual ~WindowLink() = default;

  // Has the window handle the message on its thread and returns once it has.
  // False when it was not handled because the program is shutting down: the
  // caller gives up rather than wait for a window that is going away. A
  // message whose handling has begun is waited for to its end.
  virtual bool Send(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) = 0;
  // Queues the message for the window and returns at once.
  virtual void Post(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) = 0;
  // Starts a timer on the window; period 0 fires as soon as the window's loop
  // runs. The keyboard's timers kill themselves on their first tick.
  virtual void StartTimer(int id, int periodMs) = 0;
  virtual void HideMainWindow() = 0;
  // SetTrayPicture of the tray icon: kind kTrayPresence with a picture shows
  // and remembers it, with 0 shows the remembered one; kTrayOverlay shows the
  // picture without remembering it. Applied in the order of the calls.
  virtual void SetTrayPicture(int kind, int picture) = 0;
  // The "LOCK_AB" indicator: on for bank B (1), off for bank A (0).
  virtual void SetBankIndicator(bool bankB) = 0;
  // Captions of the nine G-key buttons, G1..G9.
  virtual void SetGKeyCaptions(const GKeyCaptions& captions) = 0;
  // A message box on the window's thread. The caller does not wait for it to
  // be closed: device threads go on while it is up.
  virtual void ShowMessage(std::u16string_view text) = 0;
};

}  // namespace ombrex
