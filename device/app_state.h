#pragma once

// The process-wide device values. One object, owned by the application and
// passed by reference; each field is written by the thread named beside it and
// read anywhere (a stale value is tolerated).

#include <atomic>
#include <optional>

#include "device/profile_number.h"

namespace ombrex {

struct AppState {
  // The keyboard's active onboard profile as last read; empty = not known.
  // (UI thread through the command set; device watcher on removal.)
  std::atomic<std::optional<ProfileNumber>> deviceProfile{};
  // Attached keyboards as last reported; 0 = absent. (device watcher)
  std::atomic<int> devicePresence{0};
  // Bytes of macro memory on the keyboard; 0 until the status block was read.
  // (device watcher, command set)
  std::atomic<unsigned> macroCapacity{0};
  // When true the window does not open by itself when a keyboard arrives.
  // (UI thread, device watcher)
  std::atomic<bool> autoOpenSuppressed{false};
};

// The watcher forgets the profile while a transaction may read it: a word
// that is never behind a lock.
static_assert(std::atomic<std::optional<ProfileNumber>>::is_always_lock_free);

}  // namespace ombrex
