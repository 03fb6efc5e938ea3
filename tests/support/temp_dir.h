#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ombrex::test {

// A fresh folder under the system's temporary folder, removed with everything in
// it when the object goes away.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // Writes bytes to a file below the folder (parent folders are created).
  std::filesystem::path Write(std::string_view name, std::string_view bytes) const;
  std::filesystem::path Write(std::string_view name, const std::vector<std::uint8_t>& bytes) const;

 private:
  std::filesystem::path path_;
};

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& file);
std::string ReadText(const std::filesystem::path& file);

}  // namespace ombrex::test
