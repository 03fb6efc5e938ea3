#pragma once

// Whole-file reads and atomic writes. A file this program writes is first
// written to a temporary file beside it, every write checked, then renamed over
// the target: a failed or short write reports failure and leaves the old file
// as it was.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace ombrex {

// The file's size; nullopt when it does not exist or is not a regular file.
std::optional<std::uintmax_t> RegularFileSize(const std::filesystem::path& file);

// Up to `maxBytes` from the start of the file, opened read-only. nullopt when it
// cannot be opened or read.
std::optional<std::vector<std::uint8_t>> ReadFilePrefix(const std::filesystem::path& file,
                                                        std::uintmax_t maxBytes);

bool WriteFileAtomically(const std::filesystem::path& file, std::span<const std::uint8_t> data);

}  // namespace ombrex
