#include "platform/keyboard_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

#include "platform/single_instance.h"

namespace ombrex {

KeyboardLock::KeyboardLock(std::string_view name) {
  if (const auto places = InstancePlacesFor(name)) place_ = places->lockFile;
}

KeyboardLock::~KeyboardLock() {
  Release();
  if (fd_ >= 0) ::close(fd_);
}

bool KeyboardLock::Acquire(std::chrono::milliseconds patience) {
  if (held_) return true;
  if (!place_) return held_ = true;
  // The file stays: removing it would let a waiter lock an unlinked file
  // while a newcomer locks a fresh one of the same name. It stays open too,
  // so a transfer costs no file opened and closed.
  if (fd_ < 0) fd_ = ::open(place_->c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  // Without a lock file nobody can lock: refusing the keyboard then would
  // blame another program for a runtime folder that is not there.
  if (fd_ < 0) return held_ = true;
  // flock has no timed wait. Looking again soon costs a holder nothing, and
  // a transfer of another program lasts milliseconds to seconds; the pause
  // grows so a long wait does not spin.
  const auto deadline = std::chrono::steady_clock::now() + patience;
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      // The count is the file's first eight bytes; a new file has none yet.
      std::uint64_t stored = 0;
      changes_ = ::pread(fd_, &stored, sizeof stored, 0) == sizeof stored ? stored : 0;
      return held_ = true;
    }
    if (errno != EWOULDBLOCK && errno != EINTR) break;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::microseconds(5000));
  }
  return false;
}

void KeyboardLock::Release(bool changed) {
  if (!held_) return;
  held_ = false;
  if (fd_ < 0) return;
  if (changed) {
    ++changes_;
    [[maybe_unused]] const ssize_t written = ::pwrite(fd_, &changes_, sizeof changes_, 0);
  }
  ::flock(fd_, LOCK_UN);
}

}  // namespace ombrex
