#pragma once

// The virtual keyboard's state file: every memory the keyboard can change,
// versioned and checksummed, so a daemon restarted on the same file finds the
// keyboard as the host left it.
//
//   offset  size  content
//   0       8     "OMBXVKBD"
//   8       4     version (u32 LE, 1)
//   12      44    status block
//   56      256   settings memory
//   312     768   key tables
//   1080    768   key colours
//   1848    2     bank LED report
//   1850    4     macro memory size in bytes (u32 LE)
//   1854    n     macro memory
//   1854+n  4     CRC-32 of every byte before it
//
// The factory key table, the macro memory size and the mode list belong to the
// hardware (FactoryConfig), not to the state: they are not taken from a file,
// and a file made for another macro memory size is of the wrong shape.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "vkbd/keyboard.h"

namespace ombrex::vkbd {

inline constexpr std::uint32_t kStateVersion = 1;
inline constexpr std::size_t kMaxStateFileSize = 64 * 1024;

std::vector<std::uint8_t> EncodeState(const Memories& memories);

// nullopt for anything but a complete, intact file of this keyboard's shape.
std::optional<Memories> DecodeState(std::span<const std::uint8_t> bytes,
                                    const FactoryConfig& config);

std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

// Writes a temporary file beside `file` and renames it over it, so a reader
// sees either the old or the new contents, never a torn file.
bool WriteFileAtomically(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

// The whole file, or nullopt when it cannot be read or is larger than any
// state file can be.
std::optional<std::vector<std::uint8_t>> ReadStateFileBytes(const std::filesystem::path& file);

}  // namespace ombrex::vkbd
