#pragma once

// Whether the program can reach a screen. Without a display Qt aborts with
// a page of advice; the program says so in one line and ends with 1 instead.

#include <optional>
#include <string>

namespace ombrex {

// Why no display can be opened (no DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM on a desktop that needs one), or nullopt.
std::optional<std::string> MissingDisplay();

// From here until PlatformStarted(), a fatal message while Qt starts its
// platform (a display that does not answer, a missing plugin) ends the
// process with 1 and one line; Qt's other messages meanwhile are kept back
// and written only if the start succeeds.
void EndQuietlyOnPlatformFailure();
void PlatformStarted();

}  // namespace ombrex
