// Qt, its X connection and GLib are not built with the thread sanitizer, so it cannot see the
// locks Qt takes inside its own thread pool (the raster engine and the font
// database draw on helper threads), nor those of GLib's main contexts that
// Qt's event dispatcher and its D-Bus thread share. Races whose stacks run through Qt's libraries
// are therefore not ours to judge; our own threads reach Qt only through its thread-safe queued
// calls.

#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\n"
         "race:libQt6Gui.so\n"
         "race:libQt6Widgets.so\n"
         "race:libQt6DBus.so\n"
         "race:libQt6XcbQpa.so\n"
         "race:libxcb.so\n"
         "race:libglib-2.0.so\n";
}
#endif
