#pragma once

// The keyboard's factory key table: what each of the 64 key positions sends by
// default. Built-in contents until the keyboard's own table has been read; the
// device watcher replaces it on every arrival while a download may read it, so
// it is read and replaced under a lock.

#include <array>
#include <cstdint>
#include <mutex>

#include "device/protocol.h"

namespace ombrex {

using KeyTableBytes = std::array<std::uint8_t, protocol::kKeyTableSize>;

class DefaultKeyTable {
 public:
  DefaultKeyTable() : table_(BuiltIn()) {}

  KeyTableBytes Get() const {
    std::lock_guard lock(mutex_);
    return table_;
  }
  void Replace(const KeyTableBytes& table) {
    std::lock_guard lock(mutex_);
    table_ = table;
  }

  // The table the keyboard ships with.
  static KeyTableBytes BuiltIn();

 private:
  mutable std::mutex mutex_;
  KeyTableBytes table_;
};

}  // namespace ombrex
