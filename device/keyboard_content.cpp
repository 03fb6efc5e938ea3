#include "device/keyboard_content.h"

#include <algorithm>

namespace ombrex {

namespace {

// The part of [address, address + size) inside the space; a range past it
// was never sent, so nothing there can be known or forgotten.
std::size_t Clipped(std::size_t address, std::size_t size, std::size_t space) {
  return address >= space ? 0 : std::min(size, space - address);
}

}  // namespace

KeyboardContent::KeyboardContent() = default;

KeyboardContent::Generation KeyboardContent::CurrentGeneration() const {
  std::lock_guard lock(mutex_);
  return generation_;
}

bool KeyboardContent::Holds(ContentMemory memory, std::size_t address,
                            std::span<const std::uint8_t> bytes) const {
  if (Clipped(address, bytes.size(), kSpace) != bytes.size()) return false;
  std::lock_guard lock(mutex_);
  const Memory& held = Of(memory);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (!held.known[address + i] || held.bytes[address + i] != bytes[i]) return false;
  }
  return true;
}

bool KeyboardContent::Knows(ContentMemory memory, std::size_t address, std::size_t size) const {
  if (Clipped(address, size, kSpace) != size) return false;
  std::lock_guard lock(mutex_);
  const Memory& held = Of(memory);
  for (std::size_t i = 0; i < size; ++i) {
    if (!held.known[address + i]) return false;
  }
  return true;
}

void KeyboardContent::Record(ContentMemory memory, std::size_t address,
                             std::span<const std::uint8_t> bytes, Generation generation) {
  const std::size_t size = Clipped(address, bytes.size(), kSpace);
  std::lock_guard lock(mutex_);
  if (generation != generation_) return;
  Memory& held = Of(memory);
  for (std::size_t i = 0; i < size; ++i) {
    if (held.known[address + i] && held.bytes[address + i] != bytes[i]) {
      ForgetAllLocked();
      break;
    }
  }
  for (std::size_t i = 0; i < size; ++i) {
    held.bytes[address + i] = bytes[i];
    held.known[address + i] = true;
  }
}

void KeyboardContent::Forget(ContentMemory memory, std::size_t address, std::size_t size) {
  size = Clipped(address, size, kSpace);
  std::lock_guard lock(mutex_);
  Memory& held = Of(memory);
  for (std::size_t i = 0; i < size; ++i) held.known[address + i] = false;
}

void KeyboardContent::ForgetAll() {
  std::lock_guard lock(mutex_);
  ForgetAllLocked();
}

void KeyboardContent::ForgetAllLocked() {
  ++generation_;
  tables_.known.reset();
  macros_.known.reset();
}

std::size_t KeyboardContent::KnownBytes(ContentMemory memory) const {
  std::lock_guard lock(mutex_);
  return Of(memory).known.count();
}

}  // namespace ombrex
