#pragma once

// A private folder for one fuzzing process, and the check that ends a run
// when a property does not hold.

#include <stdlib.h>

#include <filesystem>
#include <string>

namespace ombrex::fuzz {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ombrex-fuzz-XXXXXX").string();
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
