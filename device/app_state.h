#pragma once

// The process-wide device values. One object, owned by the application and
// passed by reference; each field is written by the thread named beside it and
// read anywhere (a stale value is tolerated).

#include <atomic>

namespace ombrex {

struct AppState {
  // The keyboard's active onboard profile 0..3 as last read; -1 = not known.
  // (UI thread through the command set; device watcher on removal.)
  std::atomic<int> deviceProfile{-1};
  // Attached keyboards as last reported; 0 = absent. (device watcher)
  std::atomic<int> devicePresence{0};
  // Bytes of macro memory on the keyboard; 0 until the status block was read.
  // (device watcher, command set)
  std::atomic<unsigned> macroCapacity{0};
  // When true the window does not open by itself when a keyboard arrives.
  // (UI thread, device watcher)
  std::atomic<bool> autoOpenSuppressed{false};
};

}  // namespace ombrex
