#pragma once

// A private folder for one fuzzing process, and the check that ends a run
// when a property does not hold.

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace ombrex::fuzz {

class ScratchFolder {
 public:
  // In memory when the system offers it: every write the program makes is
  // flushed to the disk, and on a disk that flush would be nearly all of the
  // time a run spends.
  ScratchFolder() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "ombrex-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) abort();
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace ombrex::fuzz
