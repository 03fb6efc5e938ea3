#pragma once

// How the running program names itself to the desktop, so that the shell ties
// its windows to the menu entry (icon, name, "pin to dock"): the desktop
// file's id on Wayland, the window class on X11, and "Ombrex" where a window
// has no title of its own. Call once the QGuiApplication exists.

namespace ombrex {

// The id of the installed desktop entry, without ".desktop".
inline constexpr const char* kDesktopFileId = "org.ombrex.Ombrex";

void IntroduceToDesktop();

}  // namespace ombrex
