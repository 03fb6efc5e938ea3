#pragma once

// Whole-file reads and atomic replacement: the two ways the program touches the
// files it keeps. A replaced file is either the old one or the complete new
// one, never a half-written mix, whatever happens during the write.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ombrex {

// What tells one version of a file from the next without reading it.
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
// or cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

// Writes `bytes` to a temporary file in the target's folder, flushes it to the
// disk and renames it over `target`. An existing file keeps its permissions.
// False when any step fails; the old file is then untouched and no temporary
// file is left behind.
bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes);

}  // namespace ombrex
