#include "model/binary_file.h"

#include <algorithm>
#include <fstream>
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
  const auto size = RegularFileSize(file);
  if (!size) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(std::min(*size, maxBytes)));
  in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
  // A file that shrank while being read gives what was there.
  data.resize(static_cast<std::size_t>(in.gcount()));
  if (in.bad()) return std::nullopt;
  return data;
}

bool WriteFileAtomically(const std::filesystem::path& file, std::span<const std::uint8_t> data) {
  return ReplaceFileAtomically(
      file, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

}  // namespace ombrex
