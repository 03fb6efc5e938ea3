#pragma once

// The key editor's on-screen keyboard button: it starts the desktop's
// on-screen keyboard so that keys can be typed with the mouse, unless one
// runs already (a second click brings no second keyboard).
//
//   switch (OpenOnScreenKeyboard(SystemOnScreenKeyboards())) {
//     case OnScreenKeyboard::kNoneInstalled: tell the user; ...
//   }

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace ombrex {

// The programs tried, in order of preference.
std::span<const std::string_view> OnScreenKeyboardPrograms();

// What the button needs of the system.
struct OnScreenKeyboardSystem {
  std::function<bool(std::string_view program)> isRunning;
  std::function<std::optional<std::filesystem::path>(std::string_view program)> find;
  std::function<bool(const std::filesystem::path& program)> start;
};
// The system itself: the user's processes, PATH, a detached start.
OnScreenKeyboardSystem SystemOnScreenKeyboards();

enum class OnScreenKeyboard {
  kAlreadyRunning,
  kStarted,
  kNoneInstalled,
  kStartFailed,
};

// Nothing when any of the programs runs; otherwise starts the first one
// installed.
OnScreenKeyboard OpenOnScreenKeyboard(const OnScreenKeyboardSystem& system);

}  // namespace ombrex
