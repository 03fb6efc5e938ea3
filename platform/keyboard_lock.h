#pragma once

// The keyboard belongs to one process of ours at a time. Every program of the
// user that talks to the keyboard (the window, the headless program, the
// command-line tool) takes this lock for each exchange with it, so the
// packets of two programs never interleave and neither takes the other's
// replies for its own.
//
// It lives where the single-instance lock lives: a lock file in the user's
// runtime folder (flock, released by the system when a process dies), on
// Windows a named mutex of the session (abandoned, it passes on). Not
// re-entrant and not thread-safe by itself: the device link counts nested
// holds and serialises its threads before it gets here.
//
// Beside the lock lies a count of the holds that changed the keyboard, so a
// program that takes the keyboard back learns whether another one changed it
// in the meantime, whether or not it heard of it otherwise.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace ombrex {

inline constexpr std::string_view kKeyboardLockName = "Ombrex_Keyboard";

class KeyboardLock {
 public:
  explicit KeyboardLock(std::string_view name = kKeyboardLockName);
  // Releases a held lock.
  ~KeyboardLock();
  KeyboardLock(const KeyboardLock&) = delete;
  KeyboardLock& operator=(const KeyboardLock&) = delete;

  // Takes the lock, waiting at most `patience` for another holder to let go.
  // True once held. Where the user has no place for locks (no runtime folder)
  // there is nobody to exclude: it counts as held.
  bool Acquire(std::chrono::milliseconds patience);
  // Lets go; `changed`: this hold changed the keyboard, the count moves on.
  void Release(bool changed = false);
  bool Held() const { return held_; }
  // The count of changing holds as of this one (read when it was taken, moved
  // on by a changing Release). Always 0 where there is no lock.
  std::uint64_t Changes() const { return changes_; }

 private:
  std::optional<std::filesystem::path> place_;
  bool held_ = false;
  std::uint64_t changes_ = 0;
#ifdef _WIN32
  void* mutex_ = nullptr;
  void* counterMapping_ = nullptr;
  void* counter_ = nullptr;  // the mapped view: one u64
#else
  int fd_ = -1;
#endif
};

}  // namespace ombrex
