#pragma once

// What the program knows the keyboard holds in its key tables and macro
// memory, byte by byte. A read records the bytes it brought; a write makes its
// bytes unknown until they are read again (a write that was acknowledged may
// still not have landed). Whatever may have changed the keyboard behind the
// program's back forgets everything and moves the generation on: the keyboard
// arriving or going, its reset, and a read that contradicts a known byte.
// A download compares generations to see whether its keyboard stayed the same
// one throughout.
//
//   const auto generation = content.Generation();
//   if (!content.Holds(ContentMemory::Macros, offset, chunk)) send(chunk);
//
// Thread-safe: reads and writes run on the window's thread and the device
// watcher, forgetting also on the library's event threads.

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "device/protocol.h"

namespace ombrex {

enum class ContentMemory { KeyTables, Macros };

class KeyboardContent {
 public:
  using Generation = std::uint64_t;

  KeyboardContent();

  Generation CurrentGeneration() const;

  // Every byte of the range known and equal to `bytes`.
  bool Holds(ContentMemory memory, std::size_t address, std::span<const std::uint8_t> bytes) const;

  // Every byte of the range known, whatever it holds.
  bool Knows(ContentMemory memory, std::size_t address, std::size_t size) const;

  // A read brought these bytes while `generation` was current. Read under an
  // older generation they say nothing about this keyboard and are dropped. A
  // known byte that differs means the keyboard changed unseen: all is
  // forgotten before the bytes are taken.
  void Record(ContentMemory memory, std::size_t address, std::span<const std::uint8_t> bytes,
              Generation generation);

  // A write is about to change these bytes.
  void Forget(ContentMemory memory, std::size_t address, std::size_t size);

  // Nothing is known any more; a new generation begins.
  void ForgetAll();

  // How many bytes are known (tests, reports).
  std::size_t KnownBytes(ContentMemory memory) const;

 private:
  // Any address a 16-bit packet address reaches.
  static constexpr std::size_t kSpace = 0x10000;
  struct Memory {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kSpace);
    std::bitset<kSpace> known;
  };
  Memory& Of(ContentMemory memory) { return memory == ContentMemory::Macros ? macros_ : tables_; }
  const Memory& Of(ContentMemory memory) const {
    return memory == ContentMemory::Macros ? macros_ : tables_;
  }
  void ForgetAllLocked();

  mutable std::mutex mutex_;
  Generation generation_ = 0;
  Memory tables_;
  Memory macros_;
};

}  // namespace ombrex
