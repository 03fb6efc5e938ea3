#include "editors/on_screen_keyboard.h"

#include <array>

#include "platform/process_launch.h"

namespace ombrex {

std::span<const std::string_view> OnScreenKeyboardPrograms() {
#ifdef _WIN32
  static constexpr std::array<std::string_view, 1> kPrograms{"osk.exe"};
#else
  // GNOME's and the lighter desktops' keyboards.
  static constexpr std::array<std::string_view, 2> kPrograms{"onboard", "florence"};
#endif
  return kPrograms;
}

OnScreenKeyboardSystem SystemOnScreenKeyboards() {
  return {
      .isRunning = [](std::string_view program) { return IsProgramRunning(program); },
      .find = [](std::string_view program) { return FindProgram(program); },
      .start = [](const std::filesystem::path& program) { return StartDetached(program); },
  };
}

OnScreenKeyboard OpenOnScreenKeyboard(const OnScreenKeyboardSystem& system) {
  for (const std::string_view program : OnScreenKeyboardPrograms()) {
    if (system.isRunning(program)) return OnScreenKeyboard::kAlreadyRunning;
  }
  for (const std::string_view program : OnScreenKeyboardPrograms()) {
    if (const auto file = system.find(program)) {
      return system.start(*file) ? OnScreenKeyboard::kStarted : OnScreenKeyboard::kStartFailed;
    }
  }
  return OnScreenKeyboard::kNoneInstalled;
}

}  // namespace ombrex
