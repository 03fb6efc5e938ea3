#include "model/binary_file.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_io.h"

namespace ombrex {

std::optional<std::uintmax_t> RegularFileSize(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error) return std::nullopt;
  return size;
}

std::optional<std::vector<std::uint8_t>> ReadFilePrefix(const std::filesystem::path& file,
                                                        std::uintmax_t maxBytes) {
  // A file that shrank while being read gives what was there.
  return ReadFileBytes(file,
                       static_cast<std::size_t>(std::min<std::uintmax_t>(maxBytes, SIZE_MAX)));
}

bool WriteFileAtomically(const std::filesystem::path& file, std::span<const std::uint8_t> data) {
  return ReplaceFileAtomically(
      file, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

}  // namespace ombrex
