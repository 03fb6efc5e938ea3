#pragma once

// Whole-file reads and atomic replacement: the two ways the program touches the
// files it keeps. A replaced file is either the old one or the complete new
// one, never a half-written mix, whatever happens during the write.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrex {

// What tells one version of a file from the next without reading it. The
// file's identity is its inode and device here, its file index and volume
// serial number on Windows: a file renamed into place is a new file.
struct FileStamp {
  bool exists = false;
  bool regular = false;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::uint64_t inode = 0;
  std::uint64_t device = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

FileStamp StampOf(const std::filesystem::path& file);

// The bytes of a regular file; nullopt when it is missing, not a regular file
// or cannot be read. On Windows the file is opened sharing reading, writing
// and deletion, so that reading it never stands in the way of a replacement.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);
// At most `maxBytes` from the start of a regular file, with the same rules.
std::optional<std::string> ReadFileStart(const std::filesystem::path& file, std::size_t maxBytes);
// The same as bytes. Throws std::bad_alloc when they do not fit in memory.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& file,
                                                       std::size_t maxBytes);

// Writes `bytes` to a temporary file in the target's folder, flushes it to the
// disk and renames it over `target`. An existing file keeps its permissions.
// False when any step fails; the old file is then untouched and no temporary
// file is left behind.
bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Windows refuses to rename over a file that another program holds open
// without sharing its deletion (a virus scanner, an indexer, an editor): the
// rename is tried again a few times, pausing longer each time, before the
// replacement counts as failed. Elsewhere a rename is never refused that way.
struct ReplaceRetry {
  int attempts = 6;
  std::chrono::milliseconds firstPause{10};  // doubled after every refusal
  // Called after each refused attempt with its number (1, 2, ...).
  std::function<void(int attempt)> refused;
};
bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                           const ReplaceRetry& retry);

}  // namespace ombrex
